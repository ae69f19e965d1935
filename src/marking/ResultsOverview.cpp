#include "marking/ResultsOverview.h"

#include "marking/Scoring.h"
#include "store/Store.h"
#include "ui/Grid.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace {
const QColor kCountRow(192, 192, 192);
} // namespace

ResultsOverview readResults(Store& store, const QString& code, const QString& state) {
    ResultsOverview out;
    const scoring::ScoringRules rules = scoring::readRules(store, code);
    const bool plain = rules.isPlain();
    const Sql id = state.isEmpty() ? (plain ? Sql::PaperResults : Sql::PaperResultsWithTypes)
                                   : (plain ? Sql::SittingResults : Sql::SittingResultsWithTypes);
    // Each sitting's marks, type by type, until its last row: then its total, floors applied.
    scoring::Tally tally(rules);
    auto close = [&] {
        if (!out.rows.isEmpty())
            out.rows.last().marks = tally.total();
        tally = scoring::Tally(rules);
    };
    Params params{{"code", code}};
    if (!state.isEmpty())
        params.append({"state", state});
    struct {
        int student, xingming, state, answer, authority, score, tixing;
    } col{};
    bool first = true;
    // The rows come grouped by candidate and sitting: a row of another key starts a new result.
    out.ok = store.forEachRow(id, params, [&](const RowReader& row) {
        if (first) {
            col = {row.column("student"), row.column("xingming"),  row.column("state"),
                   row.column("answer"),  row.column("authority"), row.column("score"),
                   row.column("tixing")};
            first = false;
        }
        const QString student = valueread::text(row.value(col.student));
        const QString sitting = valueread::text(row.value(col.state));
        if (out.rows.isEmpty() || out.rows.last().student.compare(student, Qt::CaseInsensitive) != 0 ||
            out.rows.last().state.compare(sitting, Qt::CaseInsensitive) != 0) {
            close();
            out.rows.append({student, QString(), sitting, 0, 0});
        }
        CandidateResult& r = out.rows.last();
        if (r.name.isEmpty())
            r.name = valueread::text(row.value(col.xingming));
        ++r.answers;
        const QString standard = valueread::text(row.value(col.authority));
        const scoring::Type type =
            plain ? scoring::Type::None : scoring::questionType(valueread::text(row.value(col.tixing)), standard);
        const scoring::Mark mark = scoring::mark(valueread::text(row.value(col.answer)), standard,
                                                 valueread::number(row.value(col.score)), rules.of(type));
        if (mark.shown)
            tally.add(type, mark.points);
    });
    close();
    if (!out.ok) {
        out.error = store.lastError();
        out.rows.clear();
        return out;
    }
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(out.rows.begin(), out.rows.end(),
                     [&](const CandidateResult& a, const CandidateResult& b) {
                         if (const int c = collator.compare(a.student, b.student); c != 0)
                             return c < 0;
                         return collator.compare(a.state, b.state) < 0;
                     });
    return out;
}

void fillResultsGrid(Grid& grid, const QList<CandidateResult>& rows) {
    grid.setGridColumnCount(6);
    grid.setGridRowCount(1);
    grid.setGridColumnWidth(0, 0);
    const char* headings[] = {"考号", "姓名", "场次", "答题数", "得分"};
    for (int c = 1; c <= 5; ++c)
        grid.setCell(0, c, QString::fromUtf8(headings[c - 1]));
    grid.beginFill();
    grid.reserveRows(int(rows.size()) + 1);
    for (const CandidateResult& r : rows) {
        grid.appendRow();
        const int at = grid.gridRowCount() - 1;
        grid.setCell(at, 1, r.student);
        grid.setCell(at, 2, r.name);
        grid.setCell(at, 3, r.state);
        grid.setCell(at, 4, r.answers);
        grid.setCell(at, 5, r.marks);
    }
    grid.appendRow();
    const int last = grid.gridRowCount() - 1;
    grid.setCell(last, 1, QStringLiteral("共 %1 行").arg(rows.size()));
    grid.setRangeBackground(last, 1, last, grid.gridColumnCount() - 1, kCountRow);
    grid.endFill();
}
