// The child program of test_crashsafety: the real main window over a bank, saving practice and
// exam answers through the windows until it is killed. Each save is told on stdout only after it
// returned, so every line the parent has read names an answer that must survive the kill:
//   R                    the main window is up
//   p <tihao> <answer>   a practice answer of paper "1" is about to be saved
//   P <tihao> <answer>   ... and was saved
//   S <student> <state>  an exam sitting of paper "2" started
//   e <tihao> <answer>   an answer of that sitting is about to be saved
//   E <tihao> <answer>   ... and was saved
//   H                    the sitting was handed in
//   M <text>             a message was shown (none is expected; questions are answered OK)
//
//   crash_driver <program dir> <run number>
#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/InfoWindow.h"
#include "questions/PaperPicker.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <cstdio>
#include <random>
#include <sys/prctl.h>
#include <csignal>

namespace {

// Both papers hold this many questions numbered 1..kQuestions.
constexpr int kQuestions = 20;

void say(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void tellMessages() {
    for (const auto& m : MessageBox::shown())
        // The hand-in question and the question on leaving a running exam, both answered yes.
        if (m.buttons == MessageBox::Buttons::Ok)
            say(QStringLiteral("M ") + QString(m.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    MessageBox::shown().clear();
}

void press(MainWindow& w, const QString& caption) {
    for (QAction* a : w.startToolbar()->actions())
        if (a->text() == caption)
            a->trigger();
    // Closed windows go now, not at some later turn of an event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Answers {
  public:
    explicit Answers(quint32 seed) : m_rng(seed) {}
    int number() { return int(m_rng() % kQuestions) + 1; }
    int count(int low, int high) { return low + int(m_rng() % quint32(high - low + 1)); }
    QString answer() {
        if (m_rng() % 6 == 0)
            return m_rng() % 2 ? QStringLiteral("对") : QStringLiteral("错");
        QString out;
        for (QChar c : QStringLiteral("ABCDEFG"))
            if (m_rng() % 3 == 0)
                out += c;
        return out.isEmpty() ? QStringLiteral("A") : out;
    }
    bool chance(int percent) { return int(m_rng() % 100) < percent; }

  private:
    std::mt19937 m_rng;
};

void practise(MainWindow& w, Answers& answers) {
    PracticeWindow* p = w.practiceWindow();
    if (!p) {
        press(w, QStringLiteral("练习"));
        p = w.practiceWindow();
    }
    for (int k = answers.count(3, 12); k > 0; --k) {
        const int n = answers.number();
        const QString a = answers.answer();
        goToQuestion(*p, n);
        p->答案超级编辑框->setBoxText(a);
        say(QStringLiteral("p %1 %2").arg(n).arg(a));
        p->保存按钮->click();
        tellMessages();
        say(QStringLiteral("P %1 %2").arg(n).arg(a));
    }
}

void sitExam(MainWindow& w, Answers& answers, const QString& student, const QString& state) {
    press(w, QStringLiteral("考试"));
    ExamWindow* e = w.examWindow();
    e->试卷超级按钮->click();
    e->考号组合框->setEditText(student);
    e->场次组合框->setEditText(state);
    e->姓名编辑框->setText(QStringLiteral("考生"));
    e->开始按钮->click();
    tellMessages();
    if (!e->running())
        return;
    say(QStringLiteral("S %1 %2").arg(student, state));
    for (int k = answers.count(3, 12); k > 0; --k) {
        const int n = answers.number();
        const QString a = answers.answer();
        goToQuestion(*e, n);
        e->答案超级编辑框->setBoxText(a);
        say(QStringLiteral("e %1 %2").arg(n).arg(a));
        e->保存按钮->click();
        tellMessages();
        say(QStringLiteral("E %1 %2").arg(n).arg(a));
    }
    if (answers.chance(30)) {
        e->考试交卷按钮->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        tellMessages();
        say(QStringLiteral("H"));
    }
    // Leaving a running exam asks, and the answer yes hands it in.
    press(w, QStringLiteral("练习"));
    tellMessages();
    if (InfoWindow* info = w.infoWindow())
        info->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

int main(int argc, char* argv[]) {
    // Never outlive the test that started this program.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: crash_driver <program dir> <run number>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const quint32 run = quint32(QByteArray(argv[2]).toUInt());
    useRecordingDialogs();
    PaperPicker::setTestDriver([](PaperPicker& p) {
        for (int i = 0; i < p.list()->topLevelItemCount(); ++i)
            if (p.list()->topLevelItem(i)->text(0) == QLatin1String("2"))
                p.list()->setCurrentItem(p.list()->topLevelItem(i));
        p.choose();
    });

    MainWindow w(dir);
    w.show();
    tellMessages();
    say(QStringLiteral("R"));

    Answers answers(run * 7919u + 17u);
    const QString student = QStringLiteral("K%1").arg(run);
    // A guard for a parent that never kills: stop after a minute.
    QElapsedTimer alive;
    alive.start();
    for (int sitting = 1; alive.elapsed() < 60000; ++sitting) {
        practise(w, answers);
        sitExam(w, answers, student, QStringLiteral("S%1").arg(sitting));
    }
    return 0;
}
