#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "ui/Accessibility.h"
#include "bank/BankWindow.h"
#include "marking/MarksWindow.h"
#include "ui/Charts.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

// What a screen reader is told: names and descriptions of the answering controls, the live
// status line's announcements, and the keys for the tabs and the text size.
class AccessibilityTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() {
        PaperPicker::setTestDriver({});
        a11y::forgetAssumedScreenReader();
        a11y::setTextZoom(0);
        a11y::setVoiceWithScreenReader(false);
    }

    void windowsAndThePaperButtonAreNamed();
    void verdictOnTheLastQuestionIsToldAlone();
    void toggledWithoutAClickChangesTheAnswer();
    void oneVoiceWhileAScreenReaderRuns();
    void examWarningsAndTimeLeftAreTold();
    void tabKeysAndTextSize();
    void chartsHaveTheirFiguresInWords();
    void tabGoesThroughTheWindowInOrder();

  private:
    static QString lastAnnounced(QWidget* w) { return a11y::announcerOf(w)->text(); }
};

// The walk through AT-SPI (tests/a11y) checks the answering windows' names as a screen reader
// reads them; here what it does not reach.
void AccessibilityTest::windowsAndThePaperButtonAreNamed() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 30, 30, true, 10);
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    goToQuestion(*p, 3);
    QCOMPARE(p->题目超级编辑框->accessibleDescription(), QString("第 3 题，共 30 题"));
    // Another order empties the paper: the button says so.
    p->随机单选框->click();
    QCOMPARE(p->试卷超级按钮->accessibleName(), QString("试卷：请点击选择试卷"));
    pressToolbar(w, "评分");
    QCOMPARE(w.marksWindow()->accessibleName(), QString("评分"));
    pickPaperInPicker("1");
    w.marksWindow()->试卷超级按钮->click();
    QCOMPARE(w.marksWindow()->试卷超级按钮->accessibleName(), QString("试卷：Dalmora"));
    pressToolbar(w, "题库");
    QCOMPARE(w.bankWindow()->accessibleName(), QString("题库"));
}

void AccessibilityTest::verdictOnTheLastQuestionIsToldAlone() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 4, 4, true, 10);
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    p->尾记录按钮->click();
    p->答案超级编辑框->setBoxText("C");
    const int before = a11y::announcerOf(p)->count();
    p->保存按钮->click();
    QCOMPARE(lastAnnounced(p), QString("错误，正确答案是 A"));
    QCOMPARE(a11y::announcerOf(p)->count(), before + 1);
}

void AccessibilityTest::toggledWithoutAClickChangesTheAnswer() {
    // A screen reader's toggle action changes a box's state without a click: the answer follows.
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->选择框C->toggle();
    p->选择框A->toggle();
    QCOMPARE(p->答案超级编辑框->boxText(), QString("CA"));
    p->选择框C->toggle();
    QCOMPARE(p->答案超级编辑框->boxText(), QString("A"));
    // The boxes following a shown answer change nothing back.
    p->下一记录按钮->click();
    p->上一记录按钮->click();
    QCOMPARE(p->答案超级编辑框->boxText(), QString());
    QVERIFY(!p->选择框A->isChecked());
    // A character the answer cannot keep: the box goes back and the user is told.
    p->答案超级编辑框->setBoxText(QString::fromUtf8("\xF0\x9F\x98\x80"));
    p->选择框D->toggle();
    QVERIFY(!p->选择框D->isChecked());
    QCOMPARE(MessageBox::shown().size(), 1);
}

void AccessibilityTest::oneVoiceWhileAScreenReaderRuns() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QuestionReader* reader = w.app().reader;
    p->朗读按钮->click();
    QVERIFY(reader->reading());
    a11y::assumeScreenReader(true);
    QVERIFY(!a11y::useOwnVoice());
    // The next question is not read over the screen reader: reading stays on demand.
    p->下一记录按钮->click();
    QVERIFY(!reader->playing());
    // The verdict is the screen reader's alone.
    p->答案超级编辑框->setBoxText("B");
    p->保存按钮->click();
    QVERIFY(!reader->spokenSentences().join("").contains("错误"));
    QVERIFY(!reader->playing());
    QVERIFY(lastAnnounced(p).startsWith("错误，正确答案是 A。第 3 题"));
    // Chosen otherwise (and remembered), both voices.
    QTest::keyClick(p->答案超级编辑框, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(a11y::voiceWithScreenReader());
    QVERIFY(a11y::useOwnVoice());
    reader->stop();
}

void AccessibilityTest::examWarningsAndTimeLeftAreTold() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 6);
    MainWindow w(bank.dir());
    w.show();
    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    pickPaperInPicker("1");
    e->试卷超级按钮->click();
    e->考号组合框->setEditText("s1");
    e->场次组合框->setEditText("1");
    e->开始按钮->click();
    QCOMPARE(lastAnnounced(e), QString("考试开始，限时 6 分钟"));
    QCOMPARE(e->题目超级编辑框->accessibleDescription(), QString("第 1 题，共 3 题，剩余 6 分 0 秒"));
    for (int i = 0; i < 60; ++i)
        e->tick();
    QCOMPARE(lastAnnounced(e), QString("考试还剩 5 分钟。没有保存的答案不计分，请及时保存。"));
    QCOMPARE(e->题目超级编辑框->accessibleDescription(), QString("第 1 题，共 3 题，剩余 5 分 0 秒"));
    e->答案超级编辑框->setBoxText("A");
    e->保存按钮->click();
    QVERIFY(lastAnnounced(e).startsWith("第 2 题，共 3 题，剩余 5 分 0 秒："));
    for (int i = 0; i < 240; ++i)
        e->tick();
    QCOMPARE(lastAnnounced(e), QString("考试还剩最后 1 分钟。没有保存的答案不计分，请及时保存。"));
}

void AccessibilityTest::tabKeysAndTextSize() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    PracticeWindow* p = w.practiceWindow();
    p->答案超级编辑框->setFocus();
    QTest::keyClick(p->答案超级编辑框, Qt::Key_3, Qt::AltModifier);
    QCOMPARE(p->题目区高级选择夹->currentIndex(), 2);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p->错题高级表格));
    // Escape in the list goes back to the answer.
    QTest::keyClick(p->错题高级表格, Qt::Key_Escape);
    QCOMPARE(p->题目区高级选择夹->currentIndex(), 0);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p->答案超级编辑框));
    QTest::keyClick(p->答案超级编辑框, Qt::Key_4, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(p->标准答案超级编辑框));
    // Ctrl+1 still switches the work windows (the tabs have Alt+digits).
    const int size = p->题目超级编辑框->boxFormat().font().pointSize();
    QTest::keyClick(p->答案超级编辑框, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(p->答案超级编辑框, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(p->题目超级编辑框->boxFormat().font().pointSize(), size + 4);
    QCOMPARE(p->解析超级编辑框->boxFormat().font().pointSize(), size + 4);
    QCOMPARE(a11y::textZoom(), 2);
    QTest::keyClick(p->答案超级编辑框, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(p->答案超级编辑框->boxFormat().font().pointSize(), size);
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(p->答案超级编辑框, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(a11y::textZoom(), a11y::kMinZoom);
    QVERIFY(p->答案超级编辑框->boxFormat().font().pointSize() >= 6);
    QCOMPARE(a11y::zoomedSize(70, 5), 72);
}

void AccessibilityTest::chartsHaveTheirFiguresInWords() {
    DailyResultsChart chart;
    QCOMPARE(chart.accessibleDescription(), QString("还没有练习记录"));
    chart.setDays({{QDate(2026, 5, 1), 10, 7}, {QDate(2026, 5, 2), 0, 0}});
    QCOMPARE(chart.summary(), QString("最近 2 天：05-01 答 10 题，答对 70%；05-02 没有答题"));
    QCOMPARE(chart.accessibleDescription(), chart.summary());
    TotalsChart totals;
    totals.setTotals({61, 62, 92}, "1");
    QVERIFY2(totals.summary().startsWith("场次 1 得分分布（3 人）："), qPrintable(totals.summary()));
    QVERIFY(totals.summary().contains("2 人"));
}

void AccessibilityTest::tabGoesThroughTheWindowInOrder() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (AnswerWindow* a : {static_cast<AnswerWindow*>(w.practiceWindow()), static_cast<AnswerWindow*>(nullptr)}) {
        if (!a) {
            pressToolbar(w, "考试");
            ExamWindow* e = w.examWindow();
            pickPaperInPicker("1");
            e->试卷超级按钮->click();
            e->考号组合框->setEditText("s1");
            e->场次组合框->setEditText("1");
            e->开始按钮->click();
            // Once started, Tab begins at the first control still open to the user.
            e->姓名编辑框->setFocus();
            a = e;
        }
        if (a == w.practiceWindow())
            a->试卷超级按钮->setFocus();
        QList<QWidget*> visited{QApplication::focusWidget()};
        for (int i = 0; i < 60 && a->isAncestorOf(QApplication::focusWidget()); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (visited.contains(QApplication::focusWidget()))
                break;
            visited << QApplication::focusWidget();
        }
        // Every step lands somewhere new, and the text boxes pass Tab on (no trap).
        const QList<QWidget*> order{a->题目超级编辑框, a->答案超级编辑框, a->选择框A, a->选择框错,
                                    a->保存按钮,       a->首记录按钮,     a->题号编辑框, a->尾记录按钮};
        int last = 0;
        for (QWidget* c : order) {
            const int at = int(visited.indexOf(c));
            if (at <= last) {
                QStringList names;
                for (QWidget* v : visited)
                    names << v->objectName();
                QFAIL(qPrintable(c->objectName() + ": " + names.join(" ")));
            }
            last = at;
        }
        QCOMPARE(a->答案超级编辑框->boxText(), QString());
    }
}

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
