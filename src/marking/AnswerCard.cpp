#include "marking/AnswerCard.h"

#include "answering/AnswerText.h"
#include "marking/Scoring.h"
#include "store/Store.h"
#include "ui/Grid.h"

namespace {
const QColor kNumberColumn(236, 236, 236);
const QColor kTotalRow(192, 192, 192);
// A wrong answer's row, lightly red (the number column keeps its grey).
const QColor kWrongRow(253, 228, 228);
// A partly right answer's row (少选得分), lightly yellow.
const QColor kPartialRow(253, 246, 214);

// Candidate, name and sitting are the same on almost every row of a card: rows share one copy.
void shareWithPrevious(QString& value, QString& previous) {
    if (value == previous)
        value = previous;
    else
        previous = value;
}
} // namespace

std::optional<double> markOf(const QString& given, const QString& standard, const QVariant& score) {
    const scoring::Mark m = scoring::mark(given, standard, valueread::number(score), scoring::TypeRule{});
    return m.shown ? std::optional<double>(m.points) : std::nullopt;
}

int progressTicksAfter(int i, int count, int ticks) {
    if (double(i) - double(ticks) * double(count) / 15.0 >= -0.0000001)
        return ticks + 1;
    return ticks;
}

double buildAnswerCard(Store& store, const BoundStatement& card, const QString& paperCode, Grid& grid,
                       const ProgressSink& progress) {
    // The progress counts against the number of answers, taken before the rows are read.
    const int count = int(store.query(Sql::SittingAnswerCount, card.params).integer(1));
    Params params = card.params;
    params.append({QStringLiteral("paper"), paperCode});
    // A paper without rules of its own is marked as banks always have been: no type is needed.
    const scoring::ScoringRules rules = scoring::readRules(store, paperCode);
    const bool plain = rules.isPlain();
    scoring::Tally tally(rules);

    grid.setGridRowCount(1);
    grid.beginFill();
    grid.reserveRows(count + 1);
    int ticks = 0;
    int i = 0;
    struct {
        int tihao, question, authority, score, answer, student, xingming, state, tixing;
    } col{};
    QString student, xingming, state;
    store.forEachRow(plain ? Sql::AnswerCardWithQuestions : Sql::AnswerCardWithTypes, params,
                     [&](const RowReader& row) {
        if (i++ == 0)
            col = {row.column("tihao"),    row.column("question"), row.column("authority"),
                   row.column("score"),    row.column("answer"),   row.column("student"),
                   row.column("xingming"), row.column("state"),    row.column("tixing")};
        if (i <= count) {
            const int next = progressTicksAfter(i, count, ticks);
            if (next != ticks && progress)
                progress(QString(next, QChar(0x2589)));
            ticks = next;
        }
        grid.appendRow();
        const int r = grid.gridRowCount() - 1;
        const QString standard = valueread::text(row.value(col.authority));
        const QString given = valueread::text(row.value(col.answer));
        QString s = valueread::text(row.value(col.student));
        QString x = valueread::text(row.value(col.xingming));
        QString t = valueread::text(row.value(col.state));
        shareWithPrevious(s, student);
        shareWithPrevious(x, xingming);
        shareWithPrevious(t, state);
        grid.setCell(r, 1, valueread::integer(row.value(col.tihao)));
        grid.setCell(r, 2, valueread::text(row.value(col.question)));
        grid.setCell(r, 3, standard);
        grid.setCell(r, 4, given);
        grid.setCell(r, 5, s);
        grid.setCell(r, 6, x);
        grid.setCell(r, 7, t);
        const scoring::Type type =
            plain ? scoring::Type::None : scoring::questionType(valueread::text(row.value(col.tixing)), standard);
        const scoring::Mark mark =
            scoring::mark(given, standard, valueread::number(row.value(col.score)), rules.of(type));
        if (mark.shown) {
            grid.setCell(r, 8, mark.points);
            tally.add(type, mark.points);
        }
        if (mark.verdict == scoring::Verdict::Partial)
            grid.setRangeBackground(r, 2, r, grid.gridColumnCount() - 1, kPartialRow);
        else if (mark.verdict != scoring::Verdict::Right)
            grid.setRangeBackground(r, 2, r, grid.gridColumnCount() - 1, kWrongRow);
    });
    if (ticks > 0 && progress)
        progress(QString());
    // Every answer row: the question left-aligned, the number on grey.
    grid.setRangeAlignment(1, 2, grid.gridRowCount() - 1, 2, Qt::AlignLeft | Qt::AlignVCenter);
    grid.setRangeBackground(1, 1, grid.gridRowCount() - 1, 1, kNumberColumn);
    grid.appendRow();
    const int last = grid.gridRowCount() - 1;
    const double total = tally.total();
    grid.setCell(last, 8, total);
    grid.setCell(last, 1, QStringLiteral("总分"));
    grid.setRangeBackground(last, 1, last, grid.gridColumnCount() - 1, kTotalRow);
    grid.endFill();
    return total;
}
