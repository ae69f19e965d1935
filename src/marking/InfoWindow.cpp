#include "marking/InfoWindow.h"

#include "shell/AppState.h"
#include "shell/WorkHost.h"
#include "ui/Controls.h"
#include "ui/Grid.h"

#include <QGroupBox>
#include <QLabel>

#include "ui/Accessibility.h"
#include <QLineEdit>

InfoWindow::InfoWindow(AppState& app, WorkHost& host, QWidget* mainWindow)
    : QDialog(mainWindow), m_app(app), m_host(host) {
    setObjectName(QStringLiteral("信息窗口"));
    setWindowTitle(QStringLiteral("信息"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setFixedSize(436, 208);
    分组框2 = new QGroupBox(QStringLiteral("考生信息"), this);
    分组框2->setObjectName(QStringLiteral("分组框2"));
    分组框2->setGeometry(5, 32, 416, 128);
    透明标签3 = makeLabel(分组框2, QStringLiteral("透明标签3"), QStringLiteral("姓名"), {9, 32, 50, 20});
    姓名编辑框 = makeEdit(分组框2, QStringLiteral("姓名编辑框"), {69, 32, 130, 20});
    透明标签4 = makeLabel(分组框2, QStringLiteral("透明标签4"), QStringLiteral("身份证"), {217, 32, 50, 20});
    身份证编辑框 = makeEdit(分组框2, QStringLiteral("身份证编辑框"), {275, 32, 130, 20});
    透明标签5 = makeLabel(分组框2, QStringLiteral("透明标签5"), QStringLiteral("试卷"), {10, 78, 30, 20});
    试卷编辑框 = makeEdit(分组框2, QStringLiteral("试卷编辑框"), {69, 78, 130, 20});
    透明标签6 = makeLabel(分组框2, QStringLiteral("透明标签6"), QStringLiteral("总分"), {217, 78, 50, 20});
    总分编辑框 = makeEdit(分组框2, QStringLiteral("总分编辑框"), {275, 78, 130, 20});
    for (QLineEdit* e : {姓名编辑框, 身份证编辑框, 试卷编辑框, 总分编辑框}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
    }
    确定按钮 = makeButton(this, QStringLiteral("确定按钮"), QStringLiteral("确定"), {341, 170, 80, 26});
    确定按钮->setDefault(true);
    透明标签3->setBuddy(姓名编辑框);
    透明标签4->setBuddy(身份证编辑框);
    透明标签5->setBuddy(试卷编辑框);
    透明标签6->setBuddy(总分编辑框);
    connect(确定按钮, &QPushButton::clicked, this, &QDialog::accept);
    // Over the middle of the main window.
    if (mainWindow)
        move(mainWindow->geometry().center() - rect().center());
}

void InfoWindow::setUp() {
    // The marks window, created while this window is open, marks the sitting and closes again.
    m_host.openMarksWindow();
    RecordSet paper = m_app.store.query(Sql::PaperByCode, {{"code", m_app.handIn.code}});
    试卷编辑框->setText(paper.text("name"));
    paper.close();
    身份证编辑框->setText(m_app.handIn.student);
    姓名编辑框->setText(m_app.handIn.name);
    // A candidate does not see the standard answers of an exam paper: the server marks the sitting.
    if (m_app.login.candidate() && !m_app.handIn.code.isEmpty()) {
        QString error;
        const std::optional<double> total = seat::ownTotal(m_app.store, m_app.handIn.code, m_app.handIn.state, &error);
        总分编辑框->setText(total ? Grid::formatValue(*total) : QString());
        总分编辑框->setToolTip(total ? QString() : error);
    }
    确定按钮->setFocus();
}

void InfoWindow::showTotal(const QString& total) {
    总分编辑框->setText(total);
    const QString told = total.isEmpty()
                             ? QStringLiteral("已交卷，试卷 %1，没有得出总分").arg(试卷编辑框->text())
                             : QStringLiteral("已交卷，试卷 %1，考号 %2，总分 %3")
                                   .arg(试卷编辑框->text(), 身份证编辑框->text(), total);
    a11y::describe(确定按钮, 确定按钮->text(), told);
    a11y::announce(this, told);
}
