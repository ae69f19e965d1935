#pragma once

#include "answering/AnswerWindow.h"

class Grid;
class Store;

// How far the practice of a paper has come: questions, answered ones, and wrong ones among them
// (by the answer match rule, as the wrong-answer list counts them).
struct PracticeProgress {
    int questions = 0;
    int answered = 0;
    int wrong = 0;
};
PracticeProgress practiceProgress(Store& store, const QString& code);
// "已答 12/30，错 3".
QString progressText(const PracticeProgress& progress);
class QRadioButton;
class QSlider;

// The practice window ("练习"): one set of practice answers per paper, kept in the question rows.
class PracticeWindow : public AnswerWindow {
    Q_OBJECT
  public:
    PracticeWindow(AppState& app, WorkHost& host, QWidget* parent);

    // Records the window as the current work window, sets up the grid and fonts, places it, and
    // opens on question 1 of paper "1".
    void setUp();
    void layoutControls(int W, int H) override;

    void showQuestion() override;
    qint64 bound() const override;
    bool randomOrder() const override;
    const QList<int>& order() const override;
    QList<RichBox*> formattedBoxes() const override;

    void choosePaper();
    void buildOrder();
    void resetForOrderChange();
    void save();
    void redo();
    void showWrongAnswers();
    void showStandardAnswer();
    void jumpToGridRow(int row);
    void exportGrid();
    PracticeProgress progress() const;
    // The paper's progress into status panel 2.
    void showProgress();

    QGroupBox* 分组框1 = nullptr;
    QRadioButton* 顺序单选框 = nullptr;
    QRadioButton* 随机单选框 = nullptr;
    QPushButton* 重做按钮 = nullptr;
    QPushButton* 朗读按钮 = nullptr;
    QPushButton* 暂停按钮 = nullptr;
    QPushButton* 停止按钮 = nullptr;
    QSlider* 滑块条语速 = nullptr;
    QPushButton* 输出按钮 = nullptr;
    QPushButton* 字体按钮 = nullptr;
    QPushButton* 导出按钮 = nullptr;
    Grid* 错题高级表格 = nullptr;
    RichBox* 标准答案超级编辑框 = nullptr;
    RichBox* 解析超级编辑框 = nullptr;
};
