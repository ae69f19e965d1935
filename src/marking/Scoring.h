#pragma once

#include "documents/Document.h"
#include "documents/ScoringRules.h"

#include <QString>
#include <QVariant>
#include <array>

class Store;

// The one marking of the program: the answer card, its total, the info window, the results
// overview and its chart, printing and export (which show the card), and the practice verdict all
// mark through mark() and add up through Tally. Marks are computed, never stored.
namespace scoring {

using documents::Rule;
using documents::ScoringRules;
using documents::Type;
using documents::TypeRule;

enum class Verdict {
    Right,      // matches the standard answer by the answer match rule
    Partial,    // only correct options, not all of them, under 少选得分
    Wrong,      // answered and neither of the above
    Unanswered, // an empty answer against a standard answer that is not empty
};

struct Mark {
    Verdict verdict = Verdict::Wrong;
    double points = 0;
    // Whether the card shows the points: a right or partly right answer, or a deduction. A wrong
    // answer that earns nothing leaves the cell empty, as the card has always shown it.
    bool shown = false;
};

// Marks one answer of a question of `score` marks under `rule`. `given` and `standard` are answer
// texts as stored (case and blanks as the answer rules take them).
Mark mark(const QString& given, const QString& standard, double score, const TypeRule& rule);

// The type a question is marked as: its stored type (题库.tixing), else the one its standard
// answer implies.
Type questionType(const QString& storedType, const QString& standard);

// Adds marks type by type and applies each type's floor: the total is the sum of the types'
// totals, a floored type's total taken as 0 when it is below.
class Tally {
  public:
    explicit Tally(const ScoringRules& rules) : m_rules(&rules) {}
    void add(Type type, double points) { m_sums[std::size_t(int(type))] += points; }
    double total() const;

  private:
    const ScoringRules* m_rules;
    std::array<double, 5> m_sums{};
};

// The rules of paper `code` as the bank keeps them (评分规则): a type without a row is 全对得分, so
// a bank without rules marks as it always has. A bank without the table, or one that cannot be
// read, gives the plain rules.
ScoringRules readRules(Store& store, const QString& code);
// Replaces the rules of paper `code`: one row per type that is not plain 全对得分 without a
// floor. Inside the caller's transaction when there is one. False (store.lastError()) on failure.
bool writeRules(Store& store, const QString& code, const ScoringRules& rules);

} // namespace scoring
