#pragma once

#include "documents/ScoringRules.h"

#include <QGroupBox>
#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

// The scoring rules of a paper in the paper editor: one row per question type with its rule
// (全对得分, 少选得分 for 多选 and 不定项, 答错扣分 for 单选 and 判断), the amount per option or the
// deduction, 按比例 (少选得分 only) and 最低零分 (the type's section total is never below zero).
class RulesEditor : public QGroupBox {
    Q_OBJECT
  public:
    explicit RulesEditor(QWidget* parent);
    void setRules(const documents::ScoringRules& rules);
    documents::ScoringRules rules() const;

    // Row i: 单选, 多选, 判断, 不定项.
    std::array<QComboBox*, 4> 规则组合框{};
    std::array<QDoubleSpinBox*, 4> 分值编辑框{};
    std::array<QCheckBox*, 4> 按比例选择框{};
    std::array<QCheckBox*, 4> 最低零分选择框{};

  private:
    void follow(int row);
};
