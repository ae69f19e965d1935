#include "documents/ScoringRules.h"

#include "documents/Document.h"

#include <QRegularExpression>

namespace documents {

bool TypeRule::operator==(const TypeRule& o) const {
    if (rule != o.rule || floorAtZero != o.floorAtZero)
        return false;
    if (rule == Rule::Whole)
        return true;
    if (rule == Rule::PerOption && proportional != o.proportional)
        return false;
    return (rule == Rule::PerOption && proportional) || qAbs(amount - o.amount) <= 1e-7;
}

const TypeRule& ScoringRules::of(Type t) const {
    return types[std::size_t(int(t))];
}

TypeRule& ScoringRules::of(Type t) {
    return types[std::size_t(int(t))];
}

bool ScoringRules::isPlain() const {
    for (const TypeRule& r : types)
        if (r.rule != Rule::Whole || r.floorAtZero)
            return false;
    return true;
}

QString ruleText(Rule rule) {
    switch (rule) {
    case Rule::PerOption:
        return QStringLiteral("少选得分");
    case Rule::Deduction:
        return QStringLiteral("答错扣分");
    case Rule::Whole:
        break;
    }
    return QStringLiteral("全对得分");
}

Rule ruleFromText(const QString& text, bool* ok) {
    const QString t = text.trimmed();
    for (Rule r : {Rule::Whole, Rule::PerOption, Rule::Deduction})
        if (t == ruleText(r)) {
            if (ok)
                *ok = true;
            return r;
        }
    if (ok)
        *ok = false;
    return Rule::Whole;
}

bool ruleFits(Rule rule, Type type) {
    switch (rule) {
    case Rule::Whole:
        return true;
    case Rule::PerOption:
        return type == Type::Multiple || type == Type::Indefinite;
    case Rule::Deduction:
        return type == Type::Single || type == Type::TrueFalse;
    }
    return false;
}

QString describe(const TypeRule& rule) {
    QString text = ruleText(rule.rule);
    if (rule.rule == Rule::PerOption)
        text += rule.proportional
                    ? QStringLiteral("（按比例）")
                    : QStringLiteral("（每个正确选项 %1 分）").arg(QString::number(rule.amount, 'g', 13));
    else if (rule.rule == Rule::Deduction)
        text += QStringLiteral("（扣 %1 分）").arg(QString::number(rule.amount, 'g', 13));
    if (rule.floorAtZero)
        text += QStringLiteral("，最低得分为零分");
    return text;
}

QString describeRules(const ScoringRules& rules) {
    QStringList items;
    for (Type t : {Type::Single, Type::Multiple, Type::TrueFalse, Type::Indefinite}) {
        const TypeRule& r = rules.of(t);
        if (r.rule != Rule::Whole || r.floorAtZero)
            items << typeText(t) + QStringLiteral("：") + describe(r);
    }
    return items.join(QStringLiteral("；"));
}

QString rulesText(const ScoringRules& rules) {
    QStringList items;
    for (Type t : {Type::Single, Type::Multiple, Type::TrueFalse, Type::Indefinite}) {
        const TypeRule& r = rules.of(t);
        if (r.rule == Rule::Whole && !r.floorAtZero)
            continue;
        QString item = typeText(t) + QLatin1Char('=') + ruleText(r.rule);
        if (r.rule == Rule::PerOption && r.proportional)
            item += QStringLiteral(":按比例");
        else if (r.rule != Rule::Whole)
            item += QLatin1Char(':') + QString::number(r.amount, 'g', 13);
        if (r.floorAtZero)
            item += QStringLiteral(":最低零分");
        items << item;
    }
    return items.join(QStringLiteral("；"));
}

QString rulesFromText(const QString& text, ScoringRules* rules) {
    ScoringRules out;
    static const QRegularExpression apart(QStringLiteral("[；;，,]"));
    for (const QString& raw : text.split(apart, Qt::SkipEmptyParts)) {
        const QString item = raw.trimmed();
        if (item.isEmpty())
            continue;
        const int eq = item.indexOf(QLatin1Char('='));
        const Type t = eq > 0 ? typeFromText(item.left(eq)) : Type::None;
        if (t == Type::None)
            return QStringLiteral("“%1”：题型应是 单选、多选、判断 或 不定项").arg(item);
        const QStringList parts = item.mid(eq + 1).split(QRegularExpression(QStringLiteral("[:：]")), Qt::SkipEmptyParts);
        bool ok = false;
        TypeRule r;
        r.rule = ruleFromText(parts.value(0), &ok);
        if (!ok)
            return QStringLiteral("“%1”：规则应是 全对得分、少选得分 或 答错扣分").arg(item);
        if (!ruleFits(r.rule, t))
            return QStringLiteral("“%1”：%2题不能用%3").arg(item, typeText(t), ruleText(r.rule));
        for (const QString& p : parts.mid(1)) {
            bool number = false;
            const double v = p.trimmed().toDouble(&number);
            if (p.trimmed() == QStringLiteral("最低零分"))
                r.floorAtZero = true;
            else if (p.trimmed() == QStringLiteral("按比例") && r.rule == Rule::PerOption)
                r.proportional = true;
            else if (number && v >= 0 && v <= 1000 && r.rule != Rule::Whole)
                r.amount = v;
            else
                return QStringLiteral("“%1”：看不懂“%2”").arg(item, p);
        }
        out.of(t) = r;
    }
    *rules = out;
    return {};
}

namespace {
const QString kNumber = QStringLiteral("(\\d+(?:\\.\\d+)?|半)");

double amountOf(const QString& text) {
    return text == QStringLiteral("半") ? 0.5 : text.toDouble();
}
} // namespace

HeadingRule ruleFromHeading(const QString& heading) {
    HeadingRule out;
    const QString h = plainForm(heading).remove(QRegularExpression(QStringLiteral("\\s")));
    // 少选 earns something: "少选得相应分值", "少选得0.5分", "少选且正确得0.5分", "每选对一项得0.5分".
    static const QRegularExpression perOption(
        QStringLiteral("(?:少选(?:且正确|但正确)?(?:的)?(?:每个选项)?得|每?选对一[个项](?:选项)?得)"
                       "(?:(相应分值|部分分)|%1分)")
            .arg(kNumber));
    static const QRegularExpression proportional(
        QStringLiteral("少选[^。；;]*按(?:所选|选对)?[^。；;]*比例|按比例得分"));
    // A wrong answer loses marks: "答错扣0.5分", "错答倒扣1分", "答题错误扣0.5分", "判断错误的扣0.5分".
    static const QRegularExpression deduction(
        QStringLiteral("(?:答错|错答|答题错误|判断错误|选错|错选|回答错误)(?:的)?(?:每小?题)?(?:倒)?扣(?:减|除)?%1分")
            .arg(kNumber));
    static const QRegularExpression floor(
        QStringLiteral("最低(?:得分)?(?:为|得|是)?(?:零|0)分|扣(?:至零分|至0分|完)为止|不(?:出现|得出现|计)负分"));
    static const QRegularExpression whole(QStringLiteral("得满分|不得分|均不得分|全部选对得"));

    if (const QRegularExpressionMatch m = perOption.match(h); m.hasMatch()) {
        out.found = true;
        out.rule.rule = Rule::PerOption;
        out.rule.amount = m.captured(1).isEmpty() ? amountOf(m.captured(2)) : 0.5;
        out.rule.proportional = proportional.match(h).hasMatch();
    } else if (proportional.match(h).hasMatch()) {
        out.found = true;
        out.rule.rule = Rule::PerOption;
        out.rule.proportional = true;
    } else if (const QRegularExpressionMatch d = deduction.match(h); d.hasMatch()) {
        out.found = true;
        out.rule.rule = Rule::Deduction;
        out.rule.amount = amountOf(d.captured(1));
    } else if (whole.match(h).hasMatch()) {
        out.found = true;
    }
    if (floor.match(h).hasMatch()) {
        out.found = true;
        out.rule.floorAtZero = true;
    }
    return out;
}

QString headingPhrase(const TypeRule& rule) {
    QStringList parts;
    const QString amount = QString::number(rule.amount, 'g', 13);
    if (rule.rule == Rule::PerOption)
        parts << QStringLiteral("每小题全部选对得满分")
              << (rule.proportional ? QStringLiteral("少选按选对选项的比例得分")
                                    : QStringLiteral("少选得%1分").arg(amount))
              << QStringLiteral("多选、错选、不选均不得分");
    else if (rule.rule == Rule::Deduction)
        parts << QStringLiteral("答错扣%1分").arg(amount);
    if (rule.floorAtZero)
        parts << QStringLiteral("本类题最低得分为零分");
    return parts.join(QStringLiteral("，"));
}

} // namespace documents
