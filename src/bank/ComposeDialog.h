#pragma once

#include "bank/BankWindow.h"
#include "bank/Compose.h"

#include <array>

class QDoubleSpinBox;
class QListWidget;
class QLineEdit;
class QSpinBox;
class RulesEditor;
class Store;

// "组卷" in the bank window: the source papers (none ticked: all), the number of questions and
// the mark of each type (原分值: each question's own), the rules, the time, the name and the code
// of the new paper. 确定 draws it (bank::compose); a draw that cannot be met is told and the
// dialog stays open.
class ComposeDialog : public BankEditor {
    Q_OBJECT
  public:
    ComposeDialog(QWidget* parent, Store& store);
    bank::ComposeRequest request() const;
    // The code of the paper made, once saved.
    QString madeCode() const { return m_made; }

    QListWidget* 来源试卷列表框 = nullptr;
    std::array<QSpinBox*, 4> 题数编辑框{};
    std::array<QDoubleSpinBox*, 4> 每题分值编辑框{};
    RulesEditor* 评分规则编辑 = nullptr;
    QSpinBox* 考试时间编辑框 = nullptr;
    QLineEdit* 试卷名称编辑框 = nullptr;
    QLineEdit* 试卷编码编辑框 = nullptr;

  private:
    Store& m_store;
    QString m_made;
};
