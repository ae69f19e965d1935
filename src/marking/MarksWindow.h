#pragma once

#include "shell/WorkWindow.h"

class Grid;
class QLabel;
class QMenu;
class QPushButton;
class QToolBar;
class RefillCombo;
class TotalsChart;

// The marks window ("评分"): answer cards of handed-in exams.
class MarksWindow : public WorkWindow {
    Q_OBJECT
  public:
    MarksWindow(AppState& app, WorkHost& host, QWidget* parent);

    void setUp();
    void layoutControls(int W, int H) override;
    void receivePaper(const QString& code, const QString& name) override;

    QString paperCode() const;
    void choosePaper();
    void refillCandidates();
    void refillSittings();
    // Runs the toolbar command whose button caption is given.
    void toolbarCommand(const QString& caption);
    // "清空": after a confirmation naming the paper, candidate, sitting and the number of answers,
    // deletes the sitting's answers and shows the card (or overview) as it is now.
    void clearSitting();
    void exportGrid();
    // Builds the answer card of the chosen sitting; false when a choice is missing.
    bool markSitting();
    // The results overview of the chosen paper ("汇总"): one row per candidate and sitting of the
    // sitting in 场次组合框, or of every sitting when it is empty, in 汇总表格, shown in the
    // answer card's place until the next card, with the spread of the totals in 汇总图表 below it.
    // False when no paper is chosen or the store failed.
    bool showResultsOverview();
    // Whether the overview, not the answer card, is on show.
    bool overviewShown() const;
    void deleteSelectedRows();
    // Fills the grid with empty rows for its height.
    void appendBlankRows(int height);

    QPushButton* 试卷超级按钮 = nullptr;
    RefillCombo* 考号组合框 = nullptr;
    QLabel* 计时标签2 = nullptr;
    QLabel* 计时标签3 = nullptr;
    RefillCombo* 场次组合框 = nullptr;
    QLabel* 试卷编码透明标签 = nullptr;
    QMenu* 文件 = nullptr;
    QAction* 删除行 = nullptr;
    QToolBar* 工具条1 = nullptr;
    Grid* 高级表格1 = nullptr;
    Grid* 汇总表格 = nullptr;
    TotalsChart* 汇总图表 = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showCardGrid();
    // The paper, candidate and sitting chosen at the last opening, when the paper is still there.
    void restoreChoice();

    // The paper of the answer card on show: rows are deleted from it even when another paper has
    // been chosen since.
    QString m_cardCode;
    // Marking a sitting just handed in: nothing of it is remembered as the user's choice.
    bool m_unattended = false;
};
