#include "questions/PaperPicker.h"

#include "ui/Accessibility.h"
#include "ui/ModalLoops.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
std::function<void(PaperPicker&)> g_testDriver;
}

PaperPicker::PaperPicker(Store& store, QWidget* parent) : QDialog(parent), m_store(store) {
    setObjectName(QStringLiteral("模糊查询窗口"));
    setWindowTitle(QStringLiteral("模糊查询"));
    setModal(true);
    resize(372, 320);

    模糊查询编辑框 = new QLineEdit(this);
    模糊查询编辑框->setObjectName(QStringLiteral("模糊查询编辑框"));
    模糊查询编辑框->setPlaceholderText(QStringLiteral("输入编码或名称的一部分"));
    查询超级列表框 = new QTreeWidget(this);
    查询超级列表框->setObjectName(QStringLiteral("查询超级列表框"));
    查询超级列表框->setColumnCount(3);
    查询超级列表框->setHeaderLabels(
        {QStringLiteral("编码"), QStringLiteral("名称"), QStringLiteral("标准答案")});
    查询超级列表框->setColumnWidth(0, 80);
    查询超级列表框->setColumnWidth(1, 180);
    查询超级列表框->setColumnWidth(2, 80);
    查询超级列表框->setRootIsDecorated(false);
    查询超级列表框->setUniformRowHeights(true);
    查询超级列表框->setAllColumnsShowFocus(true);

    a11y::describe(模糊查询编辑框, QStringLiteral("查找试卷"),
                   QStringLiteral("输入编码或名称的一部分；下方向键进入试卷列表，回车选择，Esc 取消"));
    a11y::describe(查询超级列表框, QStringLiteral("试卷列表"),
                   QStringLiteral("方向键移动，回车选择试卷，Esc 取消"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(模糊查询编辑框);
    layout->addWidget(查询超级列表框);

    模糊查询编辑框->installEventFilter(this);
    查询超级列表框->installEventFilter(this);
    connect(模糊查询编辑框, &QLineEdit::textChanged, this, &PaperPicker::search);
    connect(查询超级列表框, &QTreeWidget::itemDoubleClicked, this, [this] { choose(); });
    // A click or a keyboard move selects an item and copies its code; the list taking the focus
    // (Down arrow in the search box) only makes an item current and changes nothing, and neither
    // does a rebuild of the list.
    connect(查询超级列表框, &QTreeWidget::itemSelectionChanged, this, &PaperPicker::copyCurrentItem);

    fill(Sql::AllPapers);
}

void PaperPicker::setTestDriver(std::function<void(PaperPicker&)> driver) {
    g_testDriver = std::move(driver);
}

bool PaperPicker::run() {
    if (g_testDriver) {
        g_testDriver(*this);
        return result() == QDialog::Accepted;
    }
    const ModalLoops::Guard loop;
    return exec() == QDialog::Accepted;
}

void PaperPicker::fill(Sql id, const Params& params) {
    // Rebuilding the list is no move of the user's: it copies nothing into the search box.
    const QSignalBlocker block(查询超级列表框);
    查询超级列表框->clear();
    RecordSet rs = m_store.query(id, params);
    QList<QTreeWidgetItem*> items;
    for (; !rs.atEnd(); rs.moveNext()) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, rs.text("code"));
        item->setText(1, rs.text("name"));
        items << item;
    }
    查询超级列表框->addTopLevelItems(items);
    rs.close();
}

void PaperPicker::search(const QString& text) {
    fill(Sql::SearchPapers, {{"pattern", Store::containsPattern(text)}});
}

// The user moved in the list: the current paper's code goes into the search box. The list stays
// as it is, so a double-click chooses the paper it started on and Enter chooses the one shown.
void PaperPicker::copyCurrentItem() {
    QTreeWidgetItem* item = 查询超级列表框->currentItem();
    if (!item)
        return;
    const QSignalBlocker block(模糊查询编辑框);
    模糊查询编辑框->setText(item->text(0));
}

void PaperPicker::choose() {
    QTreeWidgetItem* item = 查询超级列表框->currentItem();
    if (!item)
        return;
    m_code = item->text(0);
    m_name = item->text(1);
    emit paperChosen(m_code, m_name);
    accept();
}

bool PaperPicker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == 模糊查询编辑框 && key->key() == Qt::Key_Down) {
            查询超级列表框->setFocus();
            return true;
        }
        // Enter in the search box chooses the paper moved to in the list, else the first one listed.
        if (watched == 模糊查询编辑框 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (!查询超级列表框->currentItem() && 查询超级列表框->topLevelItemCount() > 0) {
                const QSignalBlocker block(查询超级列表框);
                查询超级列表框->setCurrentItem(查询超级列表框->topLevelItem(0));
            }
            choose();
            return true;
        }
        if (watched == 查询超级列表框 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            choose();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
