#include "bank/RulesEditor.h"

#include "ui/Accessibility.h"

#include "documents/Document.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>

namespace {
using documents::Rule;
using documents::Type;
const Type kTypes[] = {Type::Single, Type::Multiple, Type::TrueFalse, Type::Indefinite};

// The rules a type can take, in the order its list shows them.
QList<Rule> rulesOf(Type type) {
    QList<Rule> out{Rule::Whole};
    for (Rule r : {Rule::PerOption, Rule::Deduction})
        if (documents::ruleFits(r, type))
            out << r;
    return out;
}
} // namespace

RulesEditor::RulesEditor(QWidget* parent) : QGroupBox(QStringLiteral("评分规则"), parent) {
    setObjectName(QStringLiteral("评分规则分组框"));
    for (int i = 0; i < 4; ++i) {
        const int top = 22 + i * 30;
        auto* label = new QLabel(documents::typeText(kTypes[i]), this);
        label->setGeometry(10, top, 46, 24);
        规则组合框[i] = new QComboBox(this);
        规则组合框[i]->setObjectName(QStringLiteral("规则组合框%1").arg(i + 1));
        规则组合框[i]->setGeometry(58, top, 92, 24);
        for (Rule r : rulesOf(kTypes[i]))
            规则组合框[i]->addItem(documents::ruleText(r), int(r));
        分值编辑框[i] = new QDoubleSpinBox(this);
        分值编辑框[i]->setObjectName(QStringLiteral("分值编辑框%1").arg(i + 1));
        分值编辑框[i]->setGeometry(156, top, 72, 24);
        分值编辑框[i]->setRange(0, 1000);
        分值编辑框[i]->setDecimals(2);
        分值编辑框[i]->setSingleStep(0.5);
        分值编辑框[i]->setSuffix(QStringLiteral(" 分"));
        按比例选择框[i] = new QCheckBox(QStringLiteral("按比例"), this);
        按比例选择框[i]->setObjectName(QStringLiteral("按比例选择框%1").arg(i + 1));
        按比例选择框[i]->setGeometry(234, top, 64, 24);
        最低零分选择框[i] = new QCheckBox(QStringLiteral("最低零分"), this);
        最低零分选择框[i]->setObjectName(QStringLiteral("最低零分选择框%1").arg(i + 1));
        最低零分选择框[i]->setGeometry(298, top, 76, 24);
        const QString type = documents::typeText(kTypes[i]);
        a11y::describe(规则组合框[i], type + QStringLiteral("评分规则"));
        a11y::describe(分值编辑框[i], type + QStringLiteral("分值"));
        a11y::describe(按比例选择框[i], type + QStringLiteral("按比例"));
        a11y::describe(最低零分选择框[i], type + QStringLiteral("最低零分"));
        connect(规则组合框[i], &QComboBox::currentIndexChanged, this, [this, i] { follow(i); });
        connect(按比例选择框[i], &QCheckBox::toggled, this, [this, i] { follow(i); });
    }
    setRules({});
}

void RulesEditor::follow(int row) {
    const Rule r = Rule(规则组合框[row]->currentData().toInt());
    按比例选择框[row]->setEnabled(r == Rule::PerOption);
    分值编辑框[row]->setEnabled(r == Rule::Deduction || (r == Rule::PerOption && !按比例选择框[row]->isChecked()));
    分值编辑框[row]->setToolTip(r == Rule::Deduction ? QStringLiteral("答错扣的分数")
                                                      : QStringLiteral("每选对一个选项得的分数"));
}

void RulesEditor::setRules(const documents::ScoringRules& rules) {
    for (int i = 0; i < 4; ++i) {
        const documents::TypeRule& r = rules.of(kTypes[i]);
        const int at = 规则组合框[i]->findData(int(r.rule));
        规则组合框[i]->setCurrentIndex(at < 0 ? 0 : at);
        分值编辑框[i]->setValue(r.amount);
        按比例选择框[i]->setChecked(r.proportional);
        最低零分选择框[i]->setChecked(r.floorAtZero);
        follow(i);
    }
}

documents::ScoringRules RulesEditor::rules() const {
    documents::ScoringRules out;
    for (int i = 0; i < 4; ++i) {
        documents::TypeRule& r = out.of(kTypes[i]);
        r.rule = Rule(规则组合框[i]->currentData().toInt());
        r.amount = 分值编辑框[i]->value();
        r.proportional = r.rule == Rule::PerOption && 按比例选择框[i]->isChecked();
        r.floorAtZero = 最低零分选择框[i]->isChecked();
    }
    return out;
}
