#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "ui/Accessibility.h"
#include "bank/BankWindow.h"
#include "marking/MarksWindow.h"
#include "marking/LiveBoard.h"
#include "app/LoginWindow.h"
#include "bank/ComposeDialog.h"
#include "bank/ImportPreview.h"
#include "documents/Document.h"
#include "marking/Scoring.h"
#include "documents/ScoringRules.h"
#include "store/Store.h"
#include "ui/Charts.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QAccessible>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QAction>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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
    void partlyRightIsToldLikeTheOtherVerdicts();
    void marksCardByKeyboard();
    void escapeLeavesThePickerWithoutAChoice();
    void dialogsAreNamedAndEscapeCancels();

  private:
    static QString lastAnnounced(QWidget* w) { return a11y::announcerOf(w)->text(); }
    // Opens the exam window and starts paper "1" as candidate s1, sitting 1.
    static ExamWindow* startExam(MainWindow& w) {
        pressToolbar(w, "考试");
        ExamWindow* e = w.examWindow();
        pickPaperInPicker("1");
        e->试卷超级按钮->click();
        e->考号组合框->setEditText("s1");
        e->场次组合框->setEditText("1");
        e->开始按钮->click();
        return e;
    }
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
    // The same setting from the 朗读 button's menu, which shows it as it is.
    QVERIFY(p->朗读按钮->actions().contains(p->读屏也朗读动作));
    QTimer::singleShot(50, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(1, 1), p->朗读按钮->mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(p->朗读按钮, &menu);
    QVERIFY(p->读屏也朗读动作->isChecked());
    p->读屏也朗读动作->trigger();
    QVERIFY(!a11y::voiceWithScreenReader());
    QCOMPARE(lastAnnounced(p), QString("读屏时程序也朗读判题和提醒：关，由读屏软件播报"));
    reader->stop();
}

void AccessibilityTest::examWarningsAndTimeLeftAreTold() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 6);
    MainWindow w(bank.dir());
    w.show();
    ExamWindow* e = startExam(w);
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
            ExamWindow* e = startExam(w);
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

void AccessibilityTest::partlyRightIsToldLikeTheOtherVerdicts() {
    TestBank bank;
    bank.addPaper("M", "Dalmora", 3, true, 10);
    bank.addQuestion("M", 1, "题一", "ABC", 2);
    bank.addQuestion("M", 2, "题二", "A", 1);
    bank.addQuestion("M", 3, "题三", "ABD", 2);
    {
        Store store;
        QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
        documents::ScoringRules rules;
        rules.of(documents::Type::Multiple) = {documents::Rule::PerOption, 0.5, false, false};
        QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, "M", rules); }));
    }
    MainWindow w(bank.dir());
    w.show();
    PracticeWindow* p = w.practiceWindow();
    pickPaperInPicker("M");
    p->试卷超级按钮->click();
    goToQuestion(*p, 1);
    p->答案超级编辑框->setBoxText("BA");
    const int before = a11y::announcerOf(p)->count();
    p->保存按钮->click();
    // Told once, with the next question, as a wrong or right answer is.
    QVERIFY2(lastAnnounced(p).startsWith("部分正确，正确答案是 A B C。第 2 题"), qPrintable(lastAnnounced(p)));
    QCOMPARE(a11y::announcerOf(p)->count(), before + 1);
    // On the last question the verdict stands alone.
    goToQuestion(*p, 3);
    p->答案超级编辑框->setBoxText("D");
    p->保存按钮->click();
    QCOMPARE(lastAnnounced(p), QString("部分正确，正确答案是 A B D"));
}

void AccessibilityTest::marksCardByKeyboard() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.addAnswer("1", 1, "A", "s1", "张三", "1");
    bank.addAnswer("1", 2, "C", "s1", "张三", "1");
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    pressToolbar(w, "评分");
    MarksWindow* m = w.marksWindow();
    m->receivePaper("1", "Dalmora");
    m->考号组合框->setEditText("s1");
    m->场次组合框->setEditText("1");
    m->toolbarCommand("评分");
    Grid* card = m->高级表格1;
    // Each row is headed by its question number, each column by its heading.
    QCOMPARE(card->model()->headerData(0, Qt::Vertical).toString(), QString("1"));
    QCOMPARE(card->model()->headerData(3, Qt::Horizontal).toString(), QString("标准答案"));
    card->setFocus();
    card->setCurrentGridCell(1, 1);
    QTest::keyClick(card, Qt::Key_Down);
    QCOMPARE(card->currentGridRow(), 2);
    QTest::keyClick(card, Qt::Key_Return);
    const QString told = lastAnnounced(m);
    QVERIFY2(told.startsWith("题号 2，题目 "), qPrintable(told));
    QVERIFY2(told.contains("，考生答案 C，") && told.contains("姓名 张三"), qPrintable(told));
    // The total's row is told with its heading; Tab leaves the grid; Escape goes to the paper button.
    card->setCurrentGridCell(card->gridRowCount() - 1, 1);
    QTest::keyClick(card, Qt::Key_Enter);
    QCOMPARE(lastAnnounced(m), QString("题号 总分，得分 1"));
    QTest::keyClick(card, Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != card);
    card->setFocus();
    QTest::keyClick(card, Qt::Key_Escape);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(m->试卷超级按钮));
    QVERIFY(m->isVisible());
}

void AccessibilityTest::escapeLeavesThePickerWithoutAChoice() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    for (bool inList : {false, true}) {
        PaperPicker picker(store);
        QSignalSpy chosen(&picker, &PaperPicker::paperChosen);
        picker.show();
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        picker.searchBox()->setFocus();
        if (inList)
            QTest::keyClick(picker.searchBox(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!picker.isVisible());
        QCOMPARE(picker.result(), int(QDialog::Rejected));
        QCOMPARE(chosen.count(), 0);
    }
}

void AccessibilityTest::dialogsAreNamedAndEscapeCancels() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    documents::Document doc;
    documents::Paper paper;
    paper.name = "Dalmora";
    paper.questions.resize(2);
    paper.questions[0].answer = "A";
    doc.papers << paper;
    doc.problems << documents::Problem{3, 0, 1, "没有答案"};

    auto* login = new LoginWindow("db.example", "", "密码不对");
    auto* compose = new ComposeDialog(nullptr, store);
    auto* preview = new ImportPreview(nullptr, "卷.txt", doc);
    QPointer<LiveBoard> board = new LiveBoard(store);
    const QList<QDialog*> dialogs{login, compose, preview, board.data()};
    for (QDialog* d : dialogs) {
        d->show();
        QVERIFY(QTest::qWaitForWindowActive(d));
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(d);
        QVERIFY2(!window->text(QAccessible::Name).isEmpty(), qPrintable(d->objectName()));
        // Every control Tab reaches says what it is, as Qt tells a screen reader.
        QStringList nameless;
        int reached = 0;
        for (QWidget* c : d->findChildren<QWidget*>()) {
            if (!(c->focusPolicy() & Qt::TabFocus) || !c->isVisibleTo(d) || c->focusProxy())
                continue;
            ++reached;
            const QString name = QAccessible::queryAccessibleInterface(c)->text(QAccessible::Name);
            if (name.trimmed().isEmpty())
                nameless << c->objectName() + "/" + c->metaObject()->className();
        }
        QVERIFY2(reached > 0 && nameless.isEmpty(), qPrintable(d->objectName() + ": " + nameless.join(" ")));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : d, Qt::Key_Escape);
        QVERIFY2(!d->isVisible(), qPrintable(d->objectName()));
        QCOMPARE(d->result(), int(QDialog::Rejected));
    }
    QCOMPARE(preview->decision(), ImportPreview::Decision::Cancel);
    QVERIFY(compose->madeCode().isEmpty());
    delete login;
    delete compose;
    delete preview;
    delete board.data();
}

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
