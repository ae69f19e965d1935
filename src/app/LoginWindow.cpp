#include "app/LoginWindow.h"

#include "ui/Accessibility.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
std::function<bool(LoginWindow&)> g_driver;
}

LoginWindow::LoginWindow(const QString& server, const QString& login, const QString& problem, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("登录窗口"));
    setWindowTitle(QStringLiteral("登录题库服务器"));
    auto* layout = new QVBoxLayout(this);
    auto* where = new QLabel(QStringLiteral("题库服务器 %1 要求输入密码。").arg(server), this);
    where->setWordWrap(true);
    layout->addWidget(where);
    auto* form = new QFormLayout;
    考号编辑框 = new QLineEdit(login, this);
    考号编辑框->setObjectName(QStringLiteral("考号编辑框"));
    密码编辑框 = new QLineEdit(this);
    密码编辑框->setObjectName(QStringLiteral("密码编辑框"));
    密码编辑框->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("考号"), 考号编辑框);
    form->addRow(QStringLiteral("密码"), 密码编辑框);
    layout->addLayout(form);
    提示标签 = new QLabel(problem, this);
    提示标签->setObjectName(QStringLiteral("提示标签"));
    提示标签->setWordWrap(true);
    提示标签->setStyleSheet(QStringLiteral("color: #b00000"));
    提示标签->setVisible(!problem.isEmpty());
    layout->addWidget(提示标签);
    auto* buttons = new QDialogButtonBox(this);
    登录按钮 = buttons->addButton(QStringLiteral("登录"), QDialogButtonBox::AcceptRole);
    取消按钮 = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    登录按钮->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    a11y::describe(this, windowTitle(), where->text());
    a11y::describe(考号编辑框, QStringLiteral("考号"), QStringLiteral("登录题库服务器用的考号"));
    a11y::describe(密码编辑框, QStringLiteral("密码"), QStringLiteral("回车登录，Esc 取消"));
    a11y::describe(登录按钮, 登录按钮->text(), QStringLiteral("回车"));
    a11y::describe(取消按钮, 取消按钮->text(), QStringLiteral("Esc"));
    (login.isEmpty() ? 考号编辑框 : 密码编辑框)->setFocus();
}

QString LoginWindow::login() const {
    return 考号编辑框->text().trimmed();
}

QString LoginWindow::password() const {
    return 密码编辑框->text();
}

void LoginWindow::setTestDriver(std::function<bool(LoginWindow&)> driver) {
    g_driver = std::move(driver);
}

bool LoginWindow::run() {
    if (g_driver)
        return g_driver(*this);
    return exec() == QDialog::Accepted;
}
