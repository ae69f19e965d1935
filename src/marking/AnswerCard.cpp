#include "marking/AnswerCard.h"

#include "answering/AnswerText.h"
#include "shell/AppState.h"
#include "ui/Grid.h"

namespace {
const QColor kNumberColumn(236, 236, 236);
const QColor kTotalRow(192, 192, 192);
} // namespace

int progressTicksAfter(int i, int count, int ticks) {
    if (double(i) - double(ticks) * double(count) / 15.0 >= -0.0000001)
        return ticks + 1;
    return ticks;
}

double buildAnswerCard(AppState& app, Grid& grid, const QString& paperCode) {
    RecordSet card = app.store.query(app.currentSql);
    const int count = card.rowCount();
    int ticks = 0;
    grid.setGridRowCount(1);
    // One question lookup per answer; the card is filled without repainting row by row.
    grid.setUpdatesEnabled(false);
    for (int i = 1; i <= count; ++i) {
        const int before = ticks;
        ticks = progressTicksAfter(i, count, ticks);
        if (ticks != before && app.status)
            app.status(3, QString(ticks, QChar(0x2589)));
        grid.appendRow();
        const int r = grid.gridRowCount() - 1;
        grid.setRangeAlignment(r, 2, r, 2, Qt::AlignLeft | Qt::AlignVCenter);
        grid.setRangeBackground(r, 1, r, 1, kNumberColumn);
        const qint64 tihao = card.integer("tihao");
        grid.setCell(r, 1, tihao);
        app.currentSql = {Sql::CardQuestion, {{"n", tihao}, {"code", paperCode}}};
        RecordSet question = app.store.query(app.currentSql);
        grid.setCell(r, 2, question.text("question"));
        grid.setCell(r, 3, question.text("authority"));
        const double score = question.number("score");
        question.close();
        grid.setCell(r, 4, card.text("answer"));
        grid.setCell(r, 5, card.text("student"));
        grid.setCell(r, 6, card.text("xingming"));
        grid.setCell(r, 7, card.text("state"));
        if (answer::matches(grid.cellText(r, 4), grid.cellText(r, 3)))
            grid.setCell(r, 8, score);
        card.moveNext();
    }
    if (app.status)
        app.status(3, QString());
    double total = 0;
    for (int j = 1; j < grid.gridRowCount(); ++j)
        total += valueread::number(grid.cellText(j, 8));
    grid.appendRow();
    const int last = grid.gridRowCount() - 1;
    grid.setCell(last, 8, total);
    grid.setCell(last, 1, QStringLiteral("总分"));
    grid.setRangeBackground(last, 1, last, grid.gridColumnCount() - 1, kTotalRow);
    grid.setUpdatesEnabled(true);
    card.close();
    app.lastTotal = total;
    return total;
}
