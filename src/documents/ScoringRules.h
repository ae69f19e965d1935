#pragma once

#include <QString>
#include <array>

// How a paper marks each kind of question, as real exam papers print it in their section headings.
// Plain data with its Chinese names: the bank keeps it (评分规则), the documents carry it, and the
// marking (marking/Scoring) applies it. No store and no widgets here.
namespace documents {

enum class Type;

enum class Rule {
    Whole,     // 全对得分: the question's mark for a matching answer, else nothing
    PerOption, // 少选得分: a match earns the mark; only correct options but not all of them earn
               // `amount` per option ticked (never above the mark), or with `proportional` the
               // mark × ticked ÷ all correct; any wrong option, or no answer, earns nothing
    Deduction, // 答错扣分: a match earns the mark, a wrong answer loses `amount`, no answer is 0
};

struct TypeRule {
    Rule rule = Rule::Whole;
    double amount = 0.5;       // per correct option ticked (PerOption) or taken off (Deduction)
    bool proportional = false; // PerOption only: 按比例
    bool floorAtZero = false;  // 本类题最低得分为零分: the type's section total is never below 0

    bool operator==(const TypeRule& o) const;
    bool operator!=(const TypeRule& o) const { return !(*this == o); }
};

// One rule per question type (None too: questions of no known type, always marked as Whole).
struct ScoringRules {
    std::array<TypeRule, 5> types{}; // indexed by int(Type)

    const TypeRule& of(Type t) const;
    TypeRule& of(Type t);
    // Every type Whole without a floor: the marks the bank has always given.
    bool isPlain() const;
    bool operator==(const ScoringRules& o) const { return types == o.types; }
    bool operator!=(const ScoringRules& o) const { return !(*this == o); }
};

// "全对得分", "少选得分", "答错扣分".
QString ruleText(Rule rule);
// The three texts above (blanks around them allowed); nullopt-like: *ok false for anything else.
Rule ruleFromText(const QString& text, bool* ok = nullptr);
// Whether the rule can be given to the type: PerOption to 多选 and 不定项, Deduction to 单选 and 判断,
// Whole to every type. None takes only Whole.
bool ruleFits(Rule rule, Type type);
// One line a person reads: "少选得分（每个正确选项 0.5 分），最低得分为零分".
QString describe(const TypeRule& rule);
// Every type that is not plain 全对得分, one after another: "多选：少选得分（每个正确选项 0.5 分）；
// 判断：答错扣分（扣 0.5 分），最低得分为零分". Empty when all are plain.
QString describeRules(const ScoringRules& rules);

// The rules as one line of text, for a workbook cell or a command line: "多选=少选得分:0.5；
// 判断=答错扣分:0.5:最低零分" (types that are plain 全对得分 left out; empty when all are).
// rulesFromText reads it back (items apart by ；;，,): an error text, empty when it reads (*rules is
// changed only then).
QString rulesText(const ScoringRules& rules);
QString rulesFromText(const QString& text, ScoringRules* rules);

// What a section heading of a paper says about the marking of its questions
// ("每小题全部选对得满分，少选得相应分值，多选、错选、不选均不得分"; "答错扣0.5分"; "本类题最低得分为
// 零分"; and their usual variants). `found` is false when the heading says nothing about marking.
struct HeadingRule {
    bool found = false;
    TypeRule rule;
};
HeadingRule ruleFromHeading(const QString& heading);
// The words a section heading prints for the rule, which ruleFromHeading reads back: "每小题全部选对
// 得满分，少选得0.5分，多选、错选、不选均不得分", "答错扣0.5分", "本类题最低得分为零分". Empty for
// plain 全对得分 without a floor.
QString headingPhrase(const TypeRule& rule);

} // namespace documents
