#pragma once

#include "answering/AnswerWindow.h"
#include "exam/AnswerJournal.h"
#include "exam/SittingClaim.h"

#include <QHash>
#include <QSet>
#include <memory>

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
    // The questions this exam asks, by number: in number order the paper's questions numbered 1 to
    // the exam's question count, at random the drawn numbers that have a question.
    QSet<qint64> examQuestions() const;
    // The display position of the question on screen while the answer box holds an answer to it
    // that was not saved (as it reads now); nothing otherwise.
    std::optional<qint64> unsavedAnswerPosition() const;
    // Questions of this exam that have a saved answer.
    int savedAnswerCount() const;
    // A sign of life for the sitting this window holds (every sittingclaim::kRenewSeconds).
    void renewClaim();
    // Whether this window holds its sitting in the bank.
    bool holdsSitting() const { return !m_claimOwner.isEmpty(); }
    // On a server bank: sends the answers kept in the local file because the server was out of
    // reach (every few seconds while the exam runs, and before each save and the hand-in); returns
    // how many still wait.
    int sendWaitingAnswers();
    int waitingAnswers() const;
    // Sends what programs stopped before left in local files for this server.
    void sendLeftOverAnswers();

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

  protected:
    QString timeLeftText() const override;

  private:
    void describeExamControls();
    void releaseClaim();
    // The paper just chosen has no question to sit: no paper is chosen, and the user is told.
    void refusePaper();
    // Stores the answer box for the question on screen; true when it was stored or there was
    // nothing to store, false after telling the user why it was not.
    bool storeAnswer();
    // Status panel 2 while the exam runs: the time left and the answers saved.
    void showExamProgress();
    // The last five minutes and the last minute are told once each, by voice too while reading is on.
    void warnTimeLeft();

    bool m_running = false;
    bool m_ended = false;
    QTimer* m_claimTimer = nullptr;
    QTimer* m_journalTimer = nullptr;
    std::unique_ptr<AnswerJournal> m_journal; // on a server bank while the exam runs
    sittingclaim::Key m_claimKey;
    QString m_claimOwner; // empty: nothing held
    QSet<qint64> m_questions;
    // What this sitting has stored, by question number, as stored.
    QHash<qint64, QString> m_saved;
    bool m_toldFiveMinutes = false;
    bool m_toldLastMinute = false;
};

// Candidate numbers and sittings are keys: the program keeps them without any space.
QString examKey(const QString& typed);
// The drop-down lists of candidates who answered a paper, and of a candidate's sittings; a list
// is left as it is without a paper code or a candidate number.
void fillCandidateList(Store& store, QComboBox& box, const QString& code);
void fillSittingList(Store& store, QComboBox& box, const QString& code, const QString& typedStudent);
// The clock text of the status bar: "考试时间:90分钟  2:5".
QString clockText(int minutes, int totalSeconds, int seconds);
// Beside the clock: "剩余 47:55，已答 14/50" ("不限时，已答 14/50" without a time allowance).
QString examProgressText(int minutes, qint64 elapsedSeconds, int answered, int questions);
