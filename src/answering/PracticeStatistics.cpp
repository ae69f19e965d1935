#include "answering/PracticeStatistics.h"

#include "store/Store.h"
#include "ui/Grid.h"

#include <QMap>
#include <algorithm>

namespace review {

namespace {
constexpr int kTextStart = 24; // characters of the question shown in the table
} // namespace

QList<DayResult> daySeries(const QList<DayResult>& practised, const QDate& today, int span) {
    const QDate first = today.addDays(-(span - 1));
    QMap<QDate, DayResult> byDay;
    for (const DayResult& d : practised)
        if (d.day.isValid() && d.day >= first && d.day <= today && d.answers > 0) {
            DayResult& r = byDay[d.day];
            r.day = d.day;
            r.answers += d.answers;
            r.right += d.right;
        }
    QList<DayResult> out;
    if (byDay.isEmpty())
        return out;
    for (QDate day = byDay.firstKey(); day <= today; day = day.addDays(1))
        out << byDay.value(day, DayResult{day, 0, 0});
    return out;
}

QList<DayResult> dailyResults(Store& store, const QString& code, const QDate& today, int span) {
    if (!store.keepsHistory())
        return {};
    QList<DayResult> practised;
    const QString from = today.addDays(-(span - 1)).toString(Qt::ISODate);
    for (RecordSet rs = store.query(Sql::DailyPractice, {{"code", code}, {"from", from}}); !rs.atEnd();
         rs.moveNext())
        practised << DayResult{QDate::fromString(rs.text(QStringLiteral("日期")), Qt::ISODate),
                               int(rs.integer(QStringLiteral("题数"))),
                               int(rs.integer(QStringLiteral("答对")))};
    return daySeries(practised, today, span);
}

QList<OftenWrong> mostOftenWrong(const QHash<qint64, Card>& cards, int limit) {
    QList<OftenWrong> out;
    for (auto it = cards.cbegin(); it != cards.cend(); ++it)
        if (it->wrong > 0)
            out << OftenWrong{it.key(), it->answers, it->wrong,
                              it->scheduled ? std::optional<qint64>(it->due) : std::nullopt};
    std::sort(out.begin(), out.end(), [](const OftenWrong& a, const OftenWrong& b) {
        if (a.wrong != b.wrong)
            return a.wrong > b.wrong;
        if (a.answers != b.answers)
            return a.answers > b.answers;
        return a.question < b.question;
    });
    if (out.size() > limit)
        out.resize(std::max(0, limit));
    return out;
}

QString dueText(qint64 due, qint64 today) {
    if (due <= today)
        return QStringLiteral("今天");
    return dateOf(due).toString(Qt::ISODate);
}

QString nothingDueMessage(const std::optional<NextDue>& next, qint64 today) {
    if (!next)
        return QStringLiteral("本试卷还没有答错过的题目，没有要复习的错题。");
    const qint64 days = next->day - today;
    const QString when = days == 1 ? QStringLiteral("明天") : QStringLiteral("%1 天后").arg(days);
    return QStringLiteral("本试卷今天没有要复习的错题。下一道要复习的是第 %1 题，%2（%3）到期。")
        .arg(next->question)
        .arg(when, dateOf(next->day).toString(QStringLiteral("yyyy年M月d日")));
}

QString reviewStatus(int due) {
    return QStringLiteral("待复习 %1 题").arg(due);
}

void setUpOftenWrongGrid(Grid& grid) {
    const char* headings[] = {"题号", "题目", "答题次数", "答错次数", "下次复习"};
    const int widths[] = {40, 200, 60, 60, 80};
    grid.setGridColumnCount(5);
    grid.setGridRowCount(1);
    for (int c = 0; c < 5; ++c) {
        grid.setCell(0, c, QString::fromUtf8(headings[c]));
        grid.setGridColumnWidth(c, widths[c]);
    }
}

void fillOftenWrongGrid(Grid& grid, Store& store, const QString& code, const QList<OftenWrong>& rows,
                        qint64 today) {
    grid.setGridRowCount(1);
    grid.beginFill();
    for (const OftenWrong& w : rows) {
        QString text = store.query(Sql::Question, {{"code", code}, {"n", w.question}}).text("question");
        text = text.simplified();
        if (text.size() > kTextStart)
            text = text.left(kTextStart) + QStringLiteral("…");
        grid.appendRow();
        const int r = grid.gridRowCount() - 1;
        grid.setCell(r, 0, QString::number(w.question));
        grid.setCell(r, 1, text);
        grid.setCell(r, 2, QString::number(w.answers));
        grid.setCell(r, 3, QString::number(w.wrong));
        grid.setCell(r, 4, w.due ? dueText(*w.due, today) : QString());
    }
    grid.endFill();
    if (grid.gridRowCount() > 1)
        grid.setRangeAlignment(1, 2, grid.gridRowCount() - 1, 3, Qt::AlignRight | Qt::AlignVCenter);
}

} // namespace review
