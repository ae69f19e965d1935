#pragma once

#include "answering/PracticeSchedule.h"
#include "ui/Charts.h"

#include <QList>
#include <QString>
#include <optional>

class Grid;
class Store;

// What the practice window's "统计" tab and its status panel say about a paper's history.
namespace review {

// The days from the first practised day among the last `span` days up to today, one entry each
// (days without answers count 0), from the days that have answers (in any order; days outside the
// range are left out). Empty when none of the span was practised.
QList<DayResult> daySeries(const QList<DayResult>& practised, const QDate& today, int span = 30);
// The same from the bank's history of a paper.
QList<DayResult> dailyResults(Store& store, const QString& code, const QDate& today, int span = 30);

struct OftenWrong {
    qint64 question = 0;
    int answers = 0;
    int wrong = 0;
    std::optional<qint64> due; // none when the question is not in the schedule
};
// The questions answered wrong at least once: most often wrong first, then most often answered,
// then by number; at most `limit` of them.
QList<OftenWrong> mostOftenWrong(const QHash<qint64, Card>& cards, int limit = 50);

// When a question is due, as the table says it: "今天" (also for a day already past), otherwise
// "yyyy-MM-dd".
QString dueText(qint64 due, qint64 today);
// The one message of the drill order when nothing is due today: when the next question is due,
// or that none was ever answered wrong.
QString nothingDueMessage(const std::optional<NextDue>& next, qint64 today);
// Status panel 2: "待复习 N 题".
QString reviewStatus(int due);

// The heading row and columns of the table of questions most often wrong.
void setUpOftenWrongGrid(Grid& grid);
// Fills it: number, start of the question's text, times answered, times wrong, next review.
void fillOftenWrongGrid(Grid& grid, Store& store, const QString& code, const QList<OftenWrong>& rows,
                        qint64 today);

} // namespace review
