#include "answering/PracticeSchedule.h"

#include "store/Store.h"

#include <QSet>
#include <algorithm>

namespace review {

Card afterAnswer(Card card, qint64 day, bool correct) {
    ++card.answers;
    if (!correct) {
        ++card.wrong;
        card.scheduled = true;
        card.box = 0;
        card.due = day;
        return card;
    }
    if (card.scheduled && day >= card.due) {
        card.box = std::min(card.box + 1, kTopBox);
        card.due = day + kIntervals[card.box];
    }
    return card;
}

QHash<qint64, Card> cards(const QList<HistoryEntry>& history) {
    QHash<qint64, Card> out;
    for (const HistoryEntry& e : history) {
        Card& c = out[e.question];
        c = afterAnswer(c, e.day, e.correct);
    }
    return out;
}

QList<qint64> dueQuestions(const QHash<qint64, Card>& cards, qint64 today) {
    struct Entry {
        qint64 due;
        int box;
        qint64 question;
    };
    std::vector<Entry> due;
    for (auto it = cards.cbegin(); it != cards.cend(); ++it)
        if (it->scheduled && it->due <= today)
            due.push_back({it->due, it->box, it.key()});
    std::sort(due.begin(), due.end(), [](const Entry& a, const Entry& b) {
        if (a.due != b.due)
            return a.due < b.due;
        if (a.box != b.box)
            return a.box < b.box;
        return a.question < b.question;
    });
    QList<qint64> out;
    out.reserve(qsizetype(due.size()));
    for (const Entry& e : due)
        out << e.question;
    return out;
}

int dueCount(const QHash<qint64, Card>& cards, qint64 today) {
    int n = 0;
    for (const Card& c : cards)
        n += c.scheduled && c.due <= today ? 1 : 0;
    return n;
}

std::optional<NextDue> nextDue(const QHash<qint64, Card>& cards, qint64 today) {
    std::optional<NextDue> best;
    for (auto it = cards.cbegin(); it != cards.cend(); ++it)
        if (it->scheduled && it->due > today &&
            (!best || it->due < best->day || (it->due == best->day && it.key() < best->question)))
            best = NextDue{it.key(), it->due};
    return best;
}

QString timeText(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

qint64 dayOf(QStringView answered) {
    // Read by hand: this runs once for every history row of a paper.
    if (answered.size() < 10 || answered[4] != QLatin1Char('-') || answered[7] != QLatin1Char('-'))
        return 0;
    auto digits = [&](int from, int count) {
        int v = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = answered[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    const int y = digits(0, 4), m = digits(5, 2), d = digits(8, 2);
    if (y < 1 || m < 1 || d < 1)
        return 0;
    const QDate date(y, m, d);
    return date.isValid() ? date.toJulianDay() : 0;
}

QDate dateOf(qint64 day) {
    return QDate::fromJulianDay(day);
}

QHash<qint64, Card> readCards(Store& store, const QString& code, bool* ok) {
    if (ok)
        *ok = true;
    QHash<qint64, Card> out;
    if (!store.keepsHistory())
        return out;
    QSet<qint64> numbers;
    bool read = store.forEachRow(Sql::QuestionNumbers, {{"code", code}}, [&](const RowReader& row) {
        numbers.insert(valueread::integer(row.value(0)));
    });
    // The rows come by question and time: one card is built at a time.
    qint64 question = 0;
    Card card;
    bool any = false;
    auto finish = [&] {
        if (any && numbers.contains(question))
            out.insert(question, card);
    };
    read = read && store.forEachRow(Sql::PaperHistory, {{"code", code}}, [&](const RowReader& row) {
        const qint64 q = valueread::integer(row.value(0));
        const qint64 day = dayOf(row.value(2).toString());
        if (day == 0)
            return; // a time that is none cannot be placed in the schedule
        if (!any || q != question) {
            finish();
            question = q;
            card = Card();
            any = true;
        }
        card = afterAnswer(card, day, valueread::integer(row.value(1)) != 0);
    });
    finish();
    if (ok)
        *ok = read;
    return out;
}

} // namespace review
