#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "speech/AudioOutput.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

// The answer area as the learner meets it in the practice and exam windows: the tick boxes, the
// question box, what the status bar says, and the picture tab.
class AnswerAreaTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() { PaperPicker::setTestDriver({}); }

    void ticksShowTheAnswerInTheBox();
    void drillTicksTheStoredAnswer();
    void questionBoxTakesOnlyDigits();
    void verdictStaysInTheStatusBar();
    void openingPaperAndStatusPanels();
    void pictureTabSaysWhetherThereIsAPicture();

  private:
    static QString ticked(AnswerWindow* w) {
        QString captions;
        for (QCheckBox* b : w->optionBoxes())
            if (b->isChecked())
                captions += b->text();
        return captions;
    }
};

void AnswerAreaTest::ticksShowTheAnswerInTheBox() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.exec("update 题库 set practice='A' where tihao<3");
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(ticked(p), QString("A"));
    p->下一记录按钮->click();
    p->上一记录按钮->click();
    p->选择框B->click();
    QCOMPARE(p->答案超级编辑框->boxText(), QString("AB"));
    QTest::keyClicks(p->答案超级编辑框, "d");
    QCOMPARE(ticked(p), QString("ABD"));
    // A save on the last question leaves its answer in the box, and its boxes ticked.
    p->尾记录按钮->click();
    p->选择框对->click();
    p->保存按钮->click();
    QCOMPARE(ticked(p), QString("对"));
    pressToolbar(w, "练习"); // reopened
    p = w.practiceWindow();
    QCOMPARE(ticked(p), QString("A"));
    // After 重做 the shown question has no answer.
    p->重做按钮->click();
    QCOMPARE(p->答案超级编辑框->boxText(), QString());
    QCOMPARE(ticked(p), QString());

    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    pickPaperInPicker("1");
    e->试卷超级按钮->click();
    e->考号组合框->setEditText("S1");
    e->场次组合框->setEditText("1");
    e->开始按钮->click();
    e->选择框C->click();
    e->保存按钮->click();
    QCOMPARE(ticked(e), QString());
    e->上一记录按钮->click();
    QCOMPARE(ticked(e), QString("C"));
}

// Answered B (standard A), the question comes back in the drill with B ticked: unticking B and
// ticking A saves A alone, which is right.
void AnswerAreaTest::drillTicksTheStoredAnswer() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 2, 2, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->选择框B->click();
    p->保存按钮->click();
    p->错题单选框->click();
    pickPaperInPicker("1");
    p->试卷超级按钮->click();
    QCOMPARE(ticked(p), QString("B"));
    p->选择框B->click();
    p->选择框A->click();
    p->保存按钮->click();
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=1").toString(), QString("A"));
}

void AnswerAreaTest::questionBoxTakesOnlyDigits() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto check = [](AnswerWindow* a) {
        QLineEdit* box = a->题号编辑框;
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, "abc");
        QCOMPARE(box->text(), QString());
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QStringLiteral("２"), Qt::NoModifier);
        QTest::keyClicks(box, "x;");
        QCOMPARE(box->text(), QString("2"));
        QTest::keyClick(box, Qt::Key_Return);
        // Emptied and left for ">": the box shows the question on screen, and ">" goes on from it.
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::mouseClick(a->下一记录按钮, Qt::LeftButton);
        QCOMPARE(box->text(), QString("3"));
        QVERIFY(MessageBox::shown().isEmpty());
    };
    check(w.practiceWindow());
    pressToolbar(w, "考试");
    pickPaperInPicker("1");
    w.examWindow()->试卷超级按钮->click();
    check(w.examWindow());
}

void AnswerAreaTest::verdictStaysInTheStatusBar() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    bank.addQuestion("1", 1, "一", "B");
    bank.addQuestion("1", 2, "二", "AC");
    bank.addQuestion("1", 3, "三", "对");
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->选择框B->click();
    p->保存按钮->click();
    QCOMPARE(w.statusText(1), QString("正确"));
    p->选择框D->click();
    p->保存按钮->click();
    p->上一记录按钮->click(); // stepping about keeps it
    QCOMPARE(w.statusText(1), QString("错误，正确答案是 A C"));
    goToQuestion(*p, 3);
    p->保存按钮->click(); // an empty answer
    QCOMPARE(w.statusText(1), QString("未作答，正确答案是 对"));
    // While reading aloud panel 1 tells the reading; the verdict stands before the progress.
    p->朗读按钮->click();
    p->首记录按钮->click();
    p->选择框A->click();
    p->保存按钮->click();
    QCOMPARE(w.statusText(1), QString("正在读题...!"));
    QVERIFY(w.statusText(2).startsWith("错误，正确答案是 B；已答 2/3"));
    p->停止按钮->click();
}

void AnswerAreaTest::openingPaperAndStatusPanels() {
    TestBank own;
    own.addNumberedPaper("A1", "我的试卷", 2, 2, true, 10);
    {
        MainWindow w(own.dir());
        QCOMPARE(w.practiceWindow()->试卷超级按钮->text(), QString("请点击选择试卷"));
        QCOMPARE(w.practiceWindow()->题号编辑框->text(), QString());
        QCOMPARE(w.statusText(0), QString());
    }
    TestBank bank;
    bank.addNumberedPaper("1", "会计基础", 2, 2, true, 10);
    bank.addNumberedPaper("2", "财务管理", 2, 2, true, 10);
    QuestionReader::setOutputFactory(
        [] { return std::make_unique<SinkOutput>([] { return QAudioDevice(); }); });
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->试卷超级按钮->text(), QString("会计基础"));
    QCOMPARE(w.statusText(0), QString("会计基础"));
    p->随机单选框->click();
    QCOMPARE(w.statusText(0), QString());
    // Without a sound device; "暂停" with nothing playing leaves the panel as it was.
    p->朗读按钮->click();
    p->暂停按钮->click();
    QCOMPARE(w.statusText(1), QString("没有可用的声音设备"));
    pressToolbar(w, "考试");
    QCOMPARE(w.statusText(1), QString());
    pickPaperInPicker("2");
    w.examWindow()->试卷超级按钮->click();
    QCOMPARE(w.statusText(0), QString("财务管理"));
    pressToolbar(w, "评分");
    QCOMPARE(w.statusText(0), QString());
    w.app().reader->stop();
}

void AnswerAreaTest::pictureTabSaysWhetherThereIsAPicture() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    bank.addQuestion("1", 1, "有图", "A", 1, "\\pic\\one.png");
    bank.addQuestion("1", 2, "坏图", "A", 1, "\\pic\\missing.png");
    bank.addQuestion("1", 3, "无图", "A");
    QDir(bank.dir()).mkpath("pic");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(bank.dir() + "/pic/one.png", "PNG"));
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->题目区高级选择夹->tabText(1), QString("图片 ●"));
    p->下一记录按钮->click();
    QCOMPARE(p->题目区高级选择夹->tabText(1), QString("图片"));
    QCOMPARE(p->图片框1->text(), QString("本题的图片无法显示"));
    p->下一记录按钮->click();
    QCOMPARE(p->图片框1->text(), QString("本题没有图片"));
}

QTEST_MAIN(AnswerAreaTest)
#include "test_answerarea.moc"
