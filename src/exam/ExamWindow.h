#pragma once

#include "answering/AnswerWindow.h"
#include "exam/SittingClaim.h"

class QComboBox;
class QTimer;
class Store;
class RefillCombo;

// The exam window ("考试"): one candidate sits one paper against the clock.
class ExamWindow : public AnswerWindow {
    Q_OBJECT
  public:
    ExamWindow(AppState& app, WorkHost& host, QWidget* parent);
    ~ExamWindow() override;

    void setUp();
    void layoutControls(int W, int H) override;

    void showQuestion() override;
    qint64 bound() const override;
    bool randomOrder() const override;
    const QList<int>& order() const override;

    void choosePaper();
    void buildOrder();
    void refillCandidates();
    void refillSittings();
    void start();
    void tick();
    void save();
    void handIn();
    // Ends the exam once: hand-in context, info window, and the window closes.
    void endExam(bool timedOut);
    bool running() const { return m_running; }
    bool ended() const { return m_ended; }
    // A sign of life for the sitting this window holds (every sittingclaim::kRenewSeconds).
    void renewClaim();
    // Whether this window holds its sitting in the bank.
    bool holdsSitting() const { return !m_claimOwner.isEmpty(); }

    QGroupBox* 分组框1 = nullptr;
    QLabel* 透明标签1 = nullptr;
    RefillCombo* 考号组合框 = nullptr;
    QLabel* 透明标签2 = nullptr;
    QLineEdit* 姓名编辑框 = nullptr;
    QLabel* 透明标签3 = nullptr;
    RefillCombo* 场次组合框 = nullptr;
    QPushButton* 开始按钮 = nullptr;
    QPushButton* 考试交卷按钮 = nullptr;
    QPushButton* 字体按钮 = nullptr;
    QTimer* 时钟1 = nullptr;

  private:
    void releaseClaim();

    bool m_running = false;
    bool m_ended = false;
    QTimer* m_claimTimer = nullptr;
    sittingclaim::Key m_claimKey;
    QString m_claimOwner; // empty: nothing held
};

// Candidate numbers and sittings are keys: the program keeps them without any space.
QString examKey(const QString& typed);
// The drop-down lists of candidates who answered a paper, and of a candidate's sittings; a list
// is left as it is without a paper code or a candidate number.
void fillCandidateList(Store& store, QComboBox& box, const QString& code);
void fillSittingList(Store& store, QComboBox& box, const QString& code, const QString& typedStudent);
// The clock text of the status bar: "考试时间:90分钟  2:5".
QString clockText(int minutes, int totalSeconds, int seconds);
