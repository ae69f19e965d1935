#include "answering/WrongAnswers.h"

#include "answering/AnswerText.h"
#include "marking/Scoring.h"
#include "store/Store.h"
#include "ui/Grid.h"

int buildWrongAnswerList(Store& store, const QString& paperCode, Grid& grid) {
    grid.setGridRowCount(1);
    grid.beginFill();
    int tihao = -1, question = -1, authority = -1, practice = -1, tixing = -1;
    bool first = true;
    const scoring::ScoringRules rules = scoring::readRules(store, paperCode);
    const bool plain = rules.isPlain();
    store.forEachRow(plain ? Sql::WrongPractice : Sql::WrongPracticeWithTypes, {{"code", paperCode}},
                     [&](const RowReader& row) {
        if (first) {
            tihao = row.column("tihao");
            question = row.column("question");
            authority = row.column("authority");
            practice = row.column("practice");
            tixing = row.column("tixing");
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
        // A partly right answer (少选得分) says so beside the answer.
        const bool partial =
            !plain && scoring::mark(given, standard, 1,
                                    rules.of(scoring::questionType(valueread::text(row.value(tixing)), standard)))
                              .verdict == scoring::Verdict::Partial;
        grid.setCell(r, 3, partial ? given + QStringLiteral("（部分正确）") : given);
    });
    grid.endFill();
    return grid.gridRowCount() - 1;
}
