#include "marking/Scoring.h"

#include "answering/AnswerText.h"
#include "store/Store.h"

#include <algorithm>

namespace scoring {

namespace {
bool blank(const QString& text) {
    for (const QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

// The options of an answer text once each, in their order.
QString distinctOptions(const QString& text) {
    QString out;
    for (const QChar c : text)
        if (!out.contains(c))
            out += c;
    return out;
}
} // namespace

Mark mark(const QString& given, const QString& standard, double score, const TypeRule& rule) {
    if (answer::matches(given, standard))
        return {Verdict::Right, score, true};
    if (blank(given))
        return {Verdict::Unanswered, 0, false};
    if (rule.rule == Rule::PerOption) {
        const QString g = distinctOptions(answer::normalise(given));
        const QString s = distinctOptions(answer::normalise(standard));
        const bool onlyCorrect =
            std::all_of(g.begin(), g.end(), [&](QChar c) { return s.contains(c); });
        const auto ticked = g.size();
        if (onlyCorrect && ticked > 0 && ticked < s.size()) {
            const double points = rule.proportional ? score * double(ticked) / double(s.size())
                                                    : std::min(score, rule.amount * double(ticked));
            return {Verdict::Partial, points, true};
        }
    } else if (rule.rule == Rule::Deduction) {
        return {Verdict::Wrong, -rule.amount, true};
    }
    return {Verdict::Wrong, 0, false};
}

Type questionType(const QString& storedType, const QString& standard) {
    const Type t = documents::typeFromText(storedType);
    return t != Type::None ? t : documents::typeFromAnswer(answer::normalise(standard));
}

double Tally::total() const {
    double total = 0;
    for (std::size_t i = 0; i < m_sums.size(); ++i)
        total += m_rules->types[i].floorAtZero ? std::max(0.0, m_sums[i]) : m_sums[i];
    return total;
}

ScoringRules readRules(Store& store, const QString& code) {
    ScoringRules rules;
    if (!store.keepsRules())
        return rules;
    store.forEachRow(Sql::PaperRules, {{"code", code}}, [&](const RowReader& row) {
        const Type type = documents::typeFromText(valueread::text(row.value(0)));
        bool known = false;
        const Rule rule = documents::ruleFromText(valueread::text(row.value(1)), &known);
        if (type == Type::None || !known)
            return;
        TypeRule& r = rules.of(type);
        r.rule = documents::ruleFits(rule, type) ? rule : Rule::Whole;
        if (!row.value(2).isNull())
            r.amount = std::max(0.0, valueread::number(row.value(2)));
        r.proportional = valueread::integer(row.value(3)) != 0;
        r.floorAtZero = valueread::integer(row.value(4)) != 0;
    });
    return rules;
}

bool writeRules(Store& store, const QString& code, const ScoringRules& rules) {
    if (!store.keepsRules())
        return rules.isPlain();
    if (!store.execute(Sql::DeletePaperRules, {{"code", code}}))
        return false;
    for (Type type : {Type::Single, Type::Multiple, Type::TrueFalse, Type::Indefinite}) {
        const TypeRule& r = rules.of(type);
        if (r.rule == Rule::Whole && !r.floorAtZero)
            continue;
        if (!store.execute(Sql::InsertPaperRule, {{"code", code},
                                                  {"tixing", documents::typeText(type)},
                                                  {"rule", documents::ruleText(r.rule)},
                                                  {"amount", r.amount},
                                                  {"proportional", r.proportional ? 1 : 0},
                                                  {"floor", r.floorAtZero ? 1 : 0}}))
            return false;
    }
    return true;
}

} // namespace scoring
