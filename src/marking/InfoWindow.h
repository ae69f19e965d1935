#pragma once

#include <QWidget>

struct AppState;
class QGroupBox;
class QLabel;
class QLineEdit;

// The info window ("信息"): the result of the exam that ended last.
class InfoWindow : public QWidget {
    Q_OBJECT
  public:
    InfoWindow(AppState& app, QWidget* mainWindow);
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

  private:
    AppState& m_app;
};
