#include "answering/WrongAnswers.h"

#include "answering/AnswerText.h"
#include "store/Store.h"
#include "ui/Grid.h"

int buildWrongAnswerList(Store& store, const QString& paperCode, Grid& grid) {
    grid.setGridRowCount(1);
    grid.beginFill();
    int tihao = -1, question = -1, authority = -1, practice = -1;
    bool first = true;
    store.forEachRow(Sql::WrongPractice, {{"code", paperCode}}, [&](const RowReader& row) {
        if (first) {
            tihao = row.column("tihao");
            question = row.column("question");
            authority = row.column("authority");
            practice = row.column("practice");
            first = false;
        }
        const QString standard = valueread::text(row.value(authority));
        const QString given = valueread::text(row.value(practice));
        // The same options in another order are not wrong.
        if (answer::sameOptions(given, standard))
            return;
        grid.appendRow();
        const int r = grid.gridRowCount() - 1;
        grid.setCell(r, 0, QString::number(valueread::integer(row.value(tihao))));
        grid.setCell(r, 1, valueread::text(row.value(question)));
        grid.setCell(r, 2, standard);
        grid.setCell(r, 3, given);
    });
    grid.endFill();
    return grid.gridRowCount() - 1;
}
