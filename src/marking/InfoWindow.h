#pragma once

#include <QDialog>

struct AppState;
class WorkHost;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The info window ("信息"): the result of the exam that ended last. A dialog of the main window
// that stays above it; 确定 or Escape closes it.
class InfoWindow : public QDialog {
    Q_OBJECT
  public:
    InfoWindow(AppState& app, WorkHost& host, QWidget* mainWindow);
    // The total of the handed-in sitting into its box, and told to a screen reader with the paper
    // and candidate; empty when it could not be marked.
    void showTotal(const QString& total);
    // Marks the handed-in sitting through an unattended marks window, then shows paper name,
    // candidate name and number.
    void setUp();

    QGroupBox* 分组框2 = nullptr;
    QLabel* 透明标签3 = nullptr;
    QLineEdit* 姓名编辑框 = nullptr;
    QLabel* 透明标签4 = nullptr;
    QLineEdit* 身份证编辑框 = nullptr;
    QLabel* 透明标签5 = nullptr;
    QLineEdit* 试卷编辑框 = nullptr;
    QLabel* 透明标签6 = nullptr;
    QLineEdit* 总分编辑框 = nullptr;
    QPushButton* 确定按钮 = nullptr;

  private:
    AppState& m_app;
    WorkHost& m_host;
};
