#include "bank/ComposeDialog.h"

#include "ui/Accessibility.h"

#include "bank/BankEdits.h"
#include "bank/RulesEditor.h"
#include "documents/Document.h"
#include "ui/Controls.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>

namespace {
const documents::Type kTypes[] = {documents::Type::Single, documents::Type::Multiple,
                                  documents::Type::TrueFalse, documents::Type::Indefinite};

void label(QWidget* parent, const QString& text, QRect place) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(place);
}
} // namespace

ComposeDialog::ComposeDialog(QWidget* parent, Store& store)
    : BankEditor(parent, [this] {
          const bank::ComposeResult r = bank::compose(m_store, request());
          m_made = r.code;
          return r.error;
      }),
      m_store(store) {
    setObjectName(QStringLiteral("组卷窗口"));
    setWindowTitle(QStringLiteral("组卷"));
    setFixedSize(640, 420);
    label(this, QStringLiteral("从这些试卷中抽题（都不选：全部试卷）"), {16, 12, 240, 20});
    来源试卷列表框 = new QListWidget(this);
    来源试卷列表框->setObjectName(QStringLiteral("来源试卷列表框"));
    来源试卷列表框->setGeometry(16, 36, 230, 330);
    for (const bank::PaperSummary& p : bank::listPapers(store)) {
        auto* item = new QListWidgetItem(QStringLiteral("%1  %2（%3 题）").arg(p.paper.code, p.paper.name).arg(p.questions),
                                         来源试卷列表框);
        item->setData(Qt::UserRole, p.paper.code);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    label(this, QStringLiteral("题数"), {320, 12, 60, 20});
    label(this, QStringLiteral("每题分值"), {400, 12, 80, 20});
    for (int i = 0; i < 4; ++i) {
        const int top = 36 + i * 28;
        label(this, documents::typeText(kTypes[i]), {262, top, 50, 24});
        题数编辑框[i] = new QSpinBox(this);
        题数编辑框[i]->setObjectName(QStringLiteral("题数编辑框%1").arg(i + 1));
        题数编辑框[i]->setGeometry(320, top, 70, 24);
        题数编辑框[i]->setRange(0, 100000);
        每题分值编辑框[i] = new QDoubleSpinBox(this);
        每题分值编辑框[i]->setObjectName(QStringLiteral("每题分值编辑框%1").arg(i + 1));
        每题分值编辑框[i]->setGeometry(400, top, 100, 24);
        每题分值编辑框[i]->setRange(0, 1000);
        每题分值编辑框[i]->setSingleStep(0.5);
        // 0 stands for the source marks.
        每题分值编辑框[i]->setSpecialValueText(QStringLiteral("原分值"));
    }
    评分规则编辑 = new RulesEditor(this);
    评分规则编辑->setGeometry(258, 150, 376, 148);
    label(this, QStringLiteral("试卷名称"), {262, 306, 60, 24});
    试卷名称编辑框 = makeEdit(this, QStringLiteral("试卷名称编辑框"), {326, 306, 300, 24});
    label(this, QStringLiteral("试卷编码"), {262, 336, 60, 24});
    试卷编码编辑框 = makeEdit(this, QStringLiteral("试卷编码编辑框"), {326, 336, 110, 24});
    试卷编码编辑框->setPlaceholderText(QStringLiteral("自动"));
    label(this, QStringLiteral("考试时间"), {446, 336, 60, 24});
    考试时间编辑框 = new QSpinBox(this);
    考试时间编辑框->setObjectName(QStringLiteral("考试时间编辑框"));
    考试时间编辑框->setGeometry(510, 336, 116, 24);
    考试时间编辑框->setRange(1, 100000);
    考试时间编辑框->setValue(60);
    考试时间编辑框->setSuffix(QStringLiteral(" 分钟"));
    addButtons(380);

    // What a screen reader says for the controls (Tab goes down the list, then type by type).
    a11y::describe(this, windowTitle());
    a11y::describe(来源试卷列表框, QStringLiteral("来源试卷"),
                   QStringLiteral("空格勾选要从中抽题的试卷；都不选时从全部试卷抽题"));
    for (int i = 0; i < 4; ++i) {
        const QString type = documents::typeText(kTypes[i]);
        a11y::describe(题数编辑框[i], type + QStringLiteral("题数"), QStringLiteral("抽取的题数"));
        a11y::describe(每题分值编辑框[i], type + QStringLiteral("每题分值"), QStringLiteral("0 为原分值"));
    }
    a11y::describe(试卷名称编辑框, QStringLiteral("试卷名称"));
    a11y::describe(试卷编码编辑框, QStringLiteral("试卷编码"), QStringLiteral("空着时自动编码"));
    a11y::describe(考试时间编辑框, QStringLiteral("考试时间"), QStringLiteral("分钟"));
}

bank::ComposeRequest ComposeDialog::request() const {
    bank::ComposeRequest r;
    for (int i = 0; i < 来源试卷列表框->count(); ++i)
        if (来源试卷列表框->item(i)->checkState() == Qt::Checked)
            r.sources << 来源试卷列表框->item(i)->data(Qt::UserRole).toString();
    for (int i = 0; i < 4; ++i) {
        r.counts[i] = 题数编辑框[i]->value();
        if (每题分值编辑框[i]->value() > 0)
            r.marks[i] = 每题分值编辑框[i]->value();
    }
    r.rules = 评分规则编辑->rules();
    r.minutes = 考试时间编辑框->value();
    r.name = 试卷名称编辑框->text();
    r.code = 试卷编码编辑框->text();
    return r;
}
