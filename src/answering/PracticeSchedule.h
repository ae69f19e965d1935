#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <iterator>
#include <optional>

class Store;

// The wrong-answer drill's schedule over the practice history: a Leitner scheme counted in whole
// days. A question enters it when it is answered wrong and is due again that same day (box 0).
// Each right answer given when it is due moves it up one box, and it is due again the box's
// interval after that answer; a right answer given before it is due changes nothing (the spacing
// is the point); a wrong answer puts it back into box 0, due the day of that answer.
namespace review {

// Days from an answer to the next review, by box.
inline constexpr int kIntervals[] = {0, 1, 2, 4, 8, 16, 32, 64};
inline constexpr int kTopBox = int(std::size(kIntervals)) - 1;

// One question's place in the schedule, and what its history holds.
struct Card {
    bool scheduled = false; // answered wrong at least once
    int box = 0;
    qint64 due = 0;  // Julian day number
    int answers = 0; // times answered
    int wrong = 0;   // times answered wrong
};

// The card after one more answer, given on `day`.
Card afterAnswer(Card card, qint64 day, bool correct);

struct HistoryEntry {
    qint64 question = 0;
    qint64 day = 0;
    bool correct = false;
};
// The card of every question in the history. Each question's answers must come in time order.
QHash<qint64, Card> cards(const QList<HistoryEntry>& history);

// The questions due on `today`, most overdue first: the earliest due day first, then the lower
// box, then the lower number.
QList<qint64> dueQuestions(const QHash<qint64, Card>& cards, qint64 today);
// How many questions are due on `today`.
int dueCount(const QHash<qint64, Card>& cards, qint64 today);

struct NextDue {
    qint64 question = 0;
    qint64 day = 0;
};
// The question that falls due first after `today` (the lower number on the same day); nothing
// when no question is scheduled after today.
std::optional<NextDue> nextDue(const QHash<qint64, Card>& cards, qint64 today);

// The time of an answer as the history keeps it: local time, "yyyy-MM-dd HH:mm:ss".
QString timeText(const QDateTime& time);
// The Julian day number of such a text (its first ten characters, "yyyy-MM-dd"); 0 when they are
// not a date.
qint64 dayOf(QStringView answered);
QDate dateOf(qint64 day);

// The bank keeps every answered question's card in its review schedule (复习计划), so the drill
// never reads the whole history: a practice save moves one card on, in the save's transaction,
// and a change to the history made otherwise rebuilds the cards of the papers it touched. Nothing
// is read or written when the bank keeps no history.

// Moves the card of one question on by an answer given on `day`. Call inside the transaction that
// appends the answer to the history.
bool recordAnswer(Store& store, const QString& code, qint64 question, qint64 day, bool correct);
// Works a paper's cards out again from its history.
bool rebuildCards(Store& store, const QString& code);
// The questions due on `today`, most overdue first, as dueQuestions orders them.
QList<qint64> dueQuestions(Store& store, const QString& code, qint64 today);
int dueCount(Store& store, const QString& code, qint64 today);
std::optional<NextDue> nextDue(Store& store, const QString& code, qint64 today);
// Every card of a paper.
QHash<qint64, Card> readCards(Store& store, const QString& code);

} // namespace review
