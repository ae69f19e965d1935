#pragma once

#include "answering/AnswerWindow.h"

class DailyResultsChart;
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
class QAction;
class QRadioButton;
class QSlider;

// The practice window ("练习"): one set of practice answers per paper, kept in the question rows.
class PracticeWindow : public AnswerWindow {
    Q_OBJECT
  public:
    PracticeWindow(AppState& app, WorkHost& host, QWidget* parent);

    // Records the window as the current work window, sets up the grid and fonts, places it, and
    // opens on question 1 of paper "1" when the bank has that paper (otherwise on no paper).
    void setUp();
    void layoutControls(int W, int H) override;

    void showQuestion() override;
    qint64 bound() const override;
    bool randomOrder() const override;
    const QList<int>& order() const override;
    QList<RichBox*> formattedBoxes() const override;

    // "错题" selected: the order is the paper's questions due for review, most overdue first.
    bool drillOrder() const;

    void choosePaper();
    void buildOrder();
    void resetForOrderChange();
    void save();
    void redo();
    void showWrongAnswers();
    void showStandardAnswer();
    void jumpToGridRow(int row);
    // Shows a question picked from a list; in the random and drill orders the question box holds
    // its position in the order.
    void jumpToQuestion(qint64 number);
    void exportGrid();
    PracticeProgress progress() const;
    // The paper's progress and its review count into status panel 2 (after a save or 重做).
    void showProgress();
    // The "统计" tab: answers and share right per day, and the questions most often wrong.
    void showStatistics();
    // Status panel 2, once a paper is chosen: how many of its questions are due for review today.
    void showReviewCount();

    QGroupBox* 分组框1 = nullptr;
    QRadioButton* 顺序单选框 = nullptr;
    QRadioButton* 随机单选框 = nullptr;
    QRadioButton* 错题单选框 = nullptr;
    QPushButton* 重做按钮 = nullptr;
    QPushButton* 朗读按钮 = nullptr;
    // The 朗读 button's menu entry (right click or the menu key): the program's voice while a
    // screen reader runs, as Ctrl+Shift+V toggles it.
    QAction* 读屏也朗读动作 = nullptr;
    QPushButton* 暂停按钮 = nullptr;
    QPushButton* 停止按钮 = nullptr;
    QSlider* 滑块条语速 = nullptr;
    QPushButton* 输出按钮 = nullptr;
    QPushButton* 字体按钮 = nullptr;
    QPushButton* 导出按钮 = nullptr;
    Grid* 错题高级表格 = nullptr;
    RichBox* 标准答案超级编辑框 = nullptr;
    RichBox* 解析超级编辑框 = nullptr;
    DailyResultsChart* 统计图表 = nullptr;
    Grid* 常错题高级表格 = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    QWidget* pageFocus(int tab) const override;
    // Closing ends the reading of its question, and the reading state leaves the status bar.
    void closeEvent(QCloseEvent* event) override;

  private:
    void describePracticeControls();
    // The verdict on the last save, in sight until the next one: panel 1, or ahead of the
    // progress in panel 2 while panel 1 tells the reading state.
    void showVerdict(const QString& verdict);
    // Takes the verdict out of the status bar (another paper, another order, the answers cleared).
    void forgetVerdict();
    QString m_verdict;
    // The drill order of the chosen paper into the practice order list. When nothing is due, the
    // question display is emptied, one message says when the next question is due, and false
    // comes back.
    bool buildDrillOrder();
    qint64 today() const;
};
