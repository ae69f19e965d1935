// The work windows as a user meets them: dialogs open when an exam ends, numbers typed into the
// question box, leaving a running exam, the result of a sitting, windows that stay inside the
// main window.
#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/InfoWindow.h"
#include "marking/MarksWindow.h"
#include "questions/PaperPicker.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

class WindowSafetyTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() { PaperPicker::setTestDriver({}); }

    void timeRunsOutUnderTheFontAndColourDialogs();
    void typedNumberIsShownAndSaveStaysOnTheShownQuestion();
    void leavingARunningExamAsksFirst();
    void closingTheProgramDuringAnExamAsksFirst();
    void resultShowsOnlyTheHandedInSitting();
    void workWindowsLieInsideTheMainWindow();
    void tickingRefusesWhatTheAnswerRulesCannotKeep();

  private:
    static ExamWindow* startExam(MainWindow& w, const QString& student, const QString& state,
                                 bool start = true) {
        pickPaperInPicker("1");
        pressToolbar(w, "考试");
        ExamWindow* e = w.examWindow();
        e->试卷超级按钮->click();
        e->考号组合框->setEditText(student);
        e->场次组合框->setEditText(state);
        e->姓名编辑框->setText("张三");
        if (start)
            e->开始按钮->click();
        return e;
    }
};

// The clock runs out while the font dialog, and the colour dialog opened from it, wait for the
// user: both go, the exam ends once, its saved answers count, and the program goes on.
void WindowSafetyTest::timeRunsOutUnderTheFontAndColourDialogs() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 1);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ExamWindow* e = startExam(w, "s1", "1");
    QVERIFY(e->running());
    e->答案超级编辑框->setBoxText("A");
    e->保存按钮->click();
    for (int i = 0; i < 59; ++i)
        e->tick();
    QPointer<ExamWindow> guard = e;

    bool colourDialogOpened = false;
    QTimer::singleShot(100, this, [&] {
        QWidget* fontDialog = QApplication::activeModalWidget();
        QVERIFY(fontDialog);
        for (QPushButton* b : fontDialog->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("颜色..."))
                QTimer::singleShot(0, b, &QPushButton::click);
        QTimer::singleShot(200, this, [&] {
            colourDialogOpened = qobject_cast<QColorDialog*>(QApplication::activeModalWidget()) != nullptr;
        });
    });
    // Should the dialogs never go, the test does not hang.
    QTimer rescue;
    rescue.setSingleShot(true);
    connect(&rescue, &QTimer::timeout, this, [] {
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    rescue.start(15000);
    e->字体按钮->click(); // the real dialog; the sixtieth tick comes while it is open
    rescue.stop();
    QVERIFY(colourDialogOpened);
    QTRY_VERIFY(!guard);
    QCOMPARE(MessageBox::shown().last().text,
             QString("时间到！交卷后系统自动生成答题卡,请进入交卷窗口按考号调取"));
    QCOMPARE(w.findChildren<InfoWindow*>().size(), 1);
    QVERIFY(w.infoWindow());
    QCOMPARE(w.infoWindow()->总分编辑框->text(), QString("1"));
    QCOMPARE(bank.scalar("select answer from 评分 where tihao=1 and student='s1'").toString(), QString("A"));
    QCOMPARE(w.statusText(1), QString());
    // The program goes on.
    pressToolbar(w, "练习");
    QVERIFY(w.practiceWindow());
}

void WindowSafetyTest::typedNumberIsShownAndSaveStaysOnTheShownQuestion() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    PracticeWindow* p = w.practiceWindow();
    // Enter shows the typed question.
    p->题号编辑框->setText("3");
    QTest::keyClick(p->题号编辑框, Qt::Key_Return);
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第3题"));
    // A number typed and not gone to: the save acts on the question on screen, then moves on.
    p->题号编辑框->setText("2");
    p->答案超级编辑框->setBoxText("B");
    p->保存按钮->click();
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=3").toString(), QString("B"));
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=2").toString(), QString());
    QCOMPARE(p->题号编辑框->text(), QString("4"));
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第4题"));
    // Leaving the box shows the typed question too.
    p->题号编辑框->setFocus();
    p->题号编辑框->setText("1");
    p->答案超级编辑框->setFocus();
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第1题"));
    // A number outside the paper is told and put back.
    MessageBox::clear();
    p->题号编辑框->setText("9");
    QTest::keyClick(p->题号编辑框, Qt::Key_Return);
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(p->题号编辑框->text(), QString("1"));

    // The exam window alike.
    ExamWindow* e = startExam(w, "s1", "1");
    e->题号编辑框->setText("4");
    QTest::keyClick(e->题号编辑框, Qt::Key_Return);
    QVERIFY(e->题目超级编辑框->boxText().startsWith("1-第4题"));
    e->题号编辑框->setText("2");
    e->答案超级编辑框->setBoxText("C");
    e->保存按钮->click();
    QCOMPARE(bank.rows("select tihao, answer from 评分"), (QList<QVariantList>{{4, "C"}}));
    QCOMPARE(e->题号编辑框->text(), QString("5"));
}

void WindowSafetyTest::leavingARunningExamAsksFirst() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    ExamWindow* e = startExam(w, "s1", "1");
    e->答案超级编辑框->setBoxText("A");
    e->保存按钮->click();
    e->tick();
    e->tick();
    QCOMPARE(w.statusText(1), clockText(10, 2, 2));

    // No: the exam goes on as it was.
    MessageBox::clear();
    MessageBox::pushAnswer(false);
    pressToolbar(w, "练习");
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(MessageBox::shown().first().title, QString("注意"));
    QCOMPARE(w.examWindow(), e);
    QVERIFY(e->running());
    QVERIFY(!w.practiceWindow());
    QVERIFY(!w.infoWindow());

    // Yes: handed in, marked, and the chosen window opens.
    QPointer<ExamWindow> guard = e;
    MessageBox::pushAnswer(true);
    pressToolbar(w, "练习");
    QVERIFY(w.practiceWindow());
    QTRY_VERIFY(!guard);
    QVERIFY(w.infoWindow());
    QCOMPARE(w.infoWindow()->总分编辑框->text(), QString("1"));
    QCOMPARE(w.statusText(1), QString());
    w.infoWindow()->close();

    // The sitting cannot be sat again; a new one starts its clock from nothing.
    MessageBox::clear();
    e = startExam(w, "s1", "1");
    QVERIFY(!e->running());
    QCOMPARE(MessageBox::shown().last().text, QString("该考生该场次已交卷,想重新作答请换场次"));
    pressToolbar(w, "练习"); // not running: no question
    e = startExam(w, "s1", "2");
    QVERIFY(e->running());
    QCOMPARE(w.app().clockTotal, 0);
    e->tick();
    QCOMPARE(w.statusText(1), clockText(10, 1, 1));
}

void WindowSafetyTest::closingTheProgramDuringAnExamAsksFirst() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    ExamWindow* e = startExam(w, "s1", "1");
    e->答案超级编辑框->setBoxText("A");
    e->保存按钮->click();
    MessageBox::pushAnswer(false);
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QVERIFY(e->running());
    // Yes: the result is shown first; the program ends when it is closed.
    MessageBox::pushAnswer(true);
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    InfoWindow* info = w.infoWindow();
    QVERIFY(info);
    QCOMPARE(info->总分编辑框->text(), QString("1"));
    QTest::keyClick(info, Qt::Key_Escape);
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 1);
}

// The info window never shows the total of an earlier card for the sitting just handed in.
void WindowSafetyTest::resultShowsOnlyTheHandedInSitting() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.addAnswer("1", 1, "A", "s9", "李四", "1");
    bank.addAnswer("1", 2, "A", "s9", "李四", "1");
    MainWindow w(bank.dir());
    w.show();
    // A card built for someone else first.
    pressToolbar(w, "评分");
    MarksWindow* m = w.marksWindow();
    m->receivePaper("1", "Dalmora");
    m->考号组合框->setEditText("s9");
    m->场次组合框->setEditText("1");
    m->toolbarCommand("评分");
    QCOMPARE(w.app().lastTotal, 2.0);

    struct Case {
        const char* student;
        const char* state;
        const char* total;
    };
    // Handed in before it started: a sitting with no answers. Without a candidate number or a
    // sitting: nothing that can be marked.
    for (const Case& c : {Case{"s1", "1", "0"}, Case{"s1", "", ""}, Case{"", "1", ""}}) {
        MessageBox::clear();
        MessageBox::pushAnswer(true);
        ExamWindow* e = startExam(w, c.student, c.state, false);
        e->考试交卷按钮->click();
        QVERIFY(w.infoWindow());
        QCOMPARE(w.infoWindow()->身份证编辑框->text(), QString(c.student));
        QCOMPARE(w.infoWindow()->总分编辑框->text(), QString(c.total));
        w.infoWindow()->close();
    }
}

void WindowSafetyTest::workWindowsLieInsideTheMainWindow() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->windowTitle(), QString("练习"));
    QVERIFY(!p->isWindow());
    QCOMPARE(p->parentWidget(), &w);
    // A click on the main window's toolbar leaves the practice window where it is, on top.
    const QPoint inside = p->geometry().center();
    QTest::mouseClick(w.startToolbar(), Qt::LeftButton, {}, QPoint(w.startToolbar()->width() - 5, 5));
    QVERIFY(p->isVisible());
    QWidget* hit = w.childAt(inside);
    QVERIFY(hit && (hit == p || p->isAncestorOf(hit)));

    // The info window: a dialog of the main window with 确定; Enter or Escape closes it.
    pressToolbar(w, "考试");
    QCOMPARE(w.examWindow()->windowTitle(), QString("考试"));
    MessageBox::pushAnswer(true);
    w.examWindow()->考试交卷按钮->click();
    InfoWindow* info = w.infoWindow();
    QVERIFY(info);
    QVERIFY(info->isWindow());
    QCOMPARE(info->parentWidget(), &w);
    QCOMPARE(info->确定按钮->text(), QString("确定"));
    QPointer<InfoWindow> infoGuard = info;
    QTest::keyClick(info, Qt::Key_Return);
    QTRY_VERIFY(!infoGuard);
}

void WindowSafetyTest::tickingRefusesWhatTheAnswerRulesCannotKeep() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    const QString typed = QString::fromUtf8("A\xF0\x9F\x98\x80"); // a character GBK has no code for
    p->答案超级编辑框->setBoxText(typed);
    p->选择框B->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(p->答案超级编辑框->boxText(), typed);
    QVERIFY(!p->选择框B->isChecked());
}

QTEST_MAIN(WindowSafetyTest)
#include "test_windowsafety.moc"
