#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the candidate number (the login) and password when the bank server wants a password.
// The password is handed to the store for this run only, never written anywhere.
class LoginWindow : public QDialog {
    Q_OBJECT
  public:
    LoginWindow(const QString& server, const QString& login, const QString& problem, QWidget* parent = nullptr);

    QString login() const;
    QString password() const;

    // Tests: the driver fills the window in and says whether 登录 was pressed, instead of the
    // window being shown.
    static void setTestDriver(std::function<bool(LoginWindow&)> driver);
    bool run();

    QLineEdit* 考号编辑框 = nullptr;
    QLineEdit* 密码编辑框 = nullptr;
    QLabel* 提示标签 = nullptr;
    QPushButton* 登录按钮 = nullptr;
    QPushButton* 取消按钮 = nullptr;
};
