#include "answering/PracticeSchedule.h"

#include "store/Store.h"

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

namespace {

Params cardParams(const QString& code, qint64 question, const Card& c) {
    return {{"code", code},
            {"n", question},
            {"box", c.box},
            {"due", c.scheduled ? QVariant(c.due) : QVariant(QMetaType::fromType<qint64>())},
            {"answers", c.answers},
            {"wrong", c.wrong}};
}

Card cardOf(const RecordSet& rs) {
    Card c;
    c.scheduled = !rs.value("due").isNull();
    c.box = std::clamp(int(rs.integer("box")), 0, kTopBox);
    c.due = rs.integer("due");
    c.answers = int(rs.integer("answers"));
    c.wrong = int(rs.integer("wrong"));
    return c;
}

} // namespace

bool recordAnswer(Store& store, const QString& code, qint64 question, qint64 day, bool correct) {
    if (!store.keepsHistory())
        return true;
    const RecordSet rs = store.query(Sql::PlanOfQuestion, {{"code", code}, {"n", question}});
    if (!store.lastQuerySucceeded())
        return false;
    const Card card = afterAnswer(rs.atEnd() ? Card() : cardOf(rs), day, correct);
    return store.execute(rs.atEnd() ? Sql::InsertPlan : Sql::UpdatePlan, cardParams(code, question, card));
}

bool rebuildCards(Store& store, const QString& code) {
    if (!store.keepsHistory())
        return true;
    if (!store.execute(Sql::DeletePaperPlan, {{"code", code}}))
        return false;
    // The rows come by question and time: one card is built at a time.
    QList<QPair<qint64, Card>> built;
    qint64 question = 0;
    Card card;
    bool any = false;
    const bool read = store.forEachRow(Sql::PaperHistory, {{"code", code}}, [&](const RowReader& row) {
        const qint64 q = valueread::integer(row.value(0));
        const qint64 day = dayOf(row.value(2).toString());
        if (day == 0)
            return; // a time that is none cannot be placed in the schedule
        if (any && q != question) {
            built.append({question, card});
            card = Card();
        }
        question = q;
        any = true;
        card = afterAnswer(card, day, valueread::integer(row.value(1)) != 0);
    });
    if (!read)
        return false;
    if (any)
        built.append({question, card});
    for (const auto& [q, c] : built)
        if (!store.execute(Sql::InsertPlan, cardParams(code, q, c)))
            return false;
    return true;
}

QList<qint64> dueQuestions(Store& store, const QString& code, qint64 today) {
    QList<qint64> out;
    if (store.keepsHistory())
        store.forEachRow(Sql::DueQuestions, {{"code", code}, {"today", today}},
                         [&](const RowReader& row) { out << valueread::integer(row.value(0)); });
    return out;
}

int dueCount(Store& store, const QString& code, qint64 today) {
    if (!store.keepsHistory())
        return 0;
    return int(store.query(Sql::DueCount, {{"code", code}, {"today", today}}).integer(1));
}

std::optional<NextDue> nextDue(Store& store, const QString& code, qint64 today) {
    if (!store.keepsHistory())
        return std::nullopt;
    const RecordSet rs = store.query(Sql::NextDue, {{"code", code}, {"today", today}});
    if (rs.atEnd())
        return std::nullopt;
    return NextDue{rs.integer("tihao"), rs.integer("due")};
}

QHash<qint64, Card> readCards(Store& store, const QString& code) {
    QHash<qint64, Card> out;
    if (!store.keepsHistory())
        return out;
    for (RecordSet rs = store.query(Sql::PaperPlan, {{"code", code}}); !rs.atEnd(); rs.moveNext())
        out.insert(rs.integer("tihao"), cardOf(rs));
    return out;
}

} // namespace review
