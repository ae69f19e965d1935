#include "TestSupport.h"

#include "answering/AnswerText.h"
#include "answering/PracticeWindow.h"
#include "answering/WrongAnswers.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "ui/FontChooser.h"
#include "ui/Gbk.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"
#include "ui/UserSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>
#include <QTreeWidget>

namespace {
QByteArray g(const char* utf8) {
    return gbk::encode(QString::fromUtf8(utf8));
}
} // namespace

class AnsweringTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() { PaperPicker::setTestDriver({}); }

    void normalisedForm_data();
    void normalisedForm();
    void characterSearchStepsOverDoubleBytes_data();
    void characterSearchStepsOverDoubleBytes();
    void replacementRemovesEveryOccurrence();
    void matchRule_data();
    void matchRule();

    void tickBoxesEditTheAnswerBox();
    void practiceSaveRedoAndWrongList();
    void wrongListLeavesOutSameOptionsAndUnanswered();
    void wrongListKeepsTheBankOrderAndIsRebuiltWhole();
    void standardAnswerTabAndGridJump();
    void randomOrderSavesToTheQuestionAtThatPosition();
    void badPositionIsToldAndNothingIsSaved();
    void fontButtonSetsTheSharedFormat();
    void practiceAnswersSurviveARestart();

  private:
    static void tick(QCheckBox* box) { box->click(); }
};

void AnsweringTest::normalisedForm_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("spaces and case") << g(" a c ") << g("AC");
    QTest::newRow("full-width space") << g("对　A") << g("对A");
    QTest::newRow("mixed") << g(" 对 b　错 ") << g("对B错");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    // A double-byte character whose trail byte is a lower-case letter keeps it.
    QTest::newRow("trail byte stays") << QByteArray("\x81\x61"
                                                    "a",
                                                    3)
                                      << QByteArray("\x81\x61"
                                                    "A",
                                                    3);
    // A1 A1 across two characters is not a space.
    QTest::newRow("A1A1 across characters")
        << QByteArray("\xB0\xA1\xA1\xB0", 4) << QByteArray("\xB0\xA1\xA1\xB0", 4);
}

void AnsweringTest::normalisedForm() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, stored);
    QCOMPARE(answer::normalise(text), stored);
}

void AnsweringTest::characterSearchStepsOverDoubleBytes_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("what");
    QTest::addColumn<int>("position");
    QTest::newRow("letter") << g("BCA") << g("A") << 3;
    QTest::newRow("without regard to case") << g("ab") << g("A") << 1;
    QTest::newRow("double-byte") << g("A对错") << g("错") << 4;
    QTest::newRow("missing") << g("BCD") << g("A") << -1;
    QTest::newRow("empty text") << QByteArray() << g("A") << -1;
    QTest::newRow("empty search") << g("A") << QByteArray() << -1;
    // "丂" is 81 40, "乙"-like 81 41: its trail byte is "A" and must not be found.
    QTest::newRow("trail byte is a letter") << QByteArray("\x81\x41", 2) << g("A") << -1;
    QTest::newRow("letter after such a character") << QByteArray("\x81\x41"
                                                                 "A",
                                                                 3)
                                                   << g("a") << 3;
    QTest::newRow("single lead byte at a start") << g("对") << QByteArray(g("对").left(1)) << 1;
    QTest::newRow("single trail byte") << g("对") << QByteArray(g("对").mid(1, 1)) << -1;
}

void AnsweringTest::characterSearchStepsOverDoubleBytes() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, what);
    QFETCH(int, position);
    QCOMPARE(answer::find(text, what), position);
}

void AnsweringTest::replacementRemovesEveryOccurrence() {
    QCOMPARE(answer::removeAll(g("ACBC"), g("C")), g("AB"));
    QCOMPARE(answer::removeAll(g("ab"), g("A")), g("b"));
    QCOMPARE(answer::removeAll(g("对错对"), g("对")), g("错"));
    QCOMPARE(answer::removeAll(QByteArray("\x81\x41"
                                          "A",
                                          3),
                               g("A")),
             QByteArray("\x81\x41", 2));
    QCOMPARE(answer::removeAll(g("AAA"), g("AA")), g("A"));
    QCOMPARE(answer::strip(g("　 AB 　")), g("AB"));
    QCOMPARE(answer::strip(g(" 　 ")), QByteArray());
}

void AnsweringTest::matchRule_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << "AB"
                          << "AB" << true;
    QTest::newRow("other order") << "BA"
                                 << "AB" << true;
    QTest::newRow("three letters reordered") << "DBA"
                                             << "ABD" << true;
    QTest::newRow("extra letter") << "ABC"
                                  << "AB" << false;
    QTest::newRow("letter repeated") << "ABDD"
                                     << "ABD" << false;
    QTest::newRow("one missing, one doubled") << "ABB"
                                              << "ABD" << false;
    QTest::newRow("multiplicity not counted") << "AAB"
                                              << "ABB" << true;
    QTest::newRow("case in rule 2") << "ab"
                                    << "AB" << true;
    QTest::newRow("true only by itself") << "对"
                                         << "对" << true;
    QTest::newRow("false against true") << "错"
                                        << "对" << false;
    QTest::newRow("letters against true") << "AB"
                                          << "对" << false;
    QTest::newRow("empty against empty") << ""
                                         << "" << true;
    QTest::newRow("empty against answer") << ""
                                          << "A" << false;
    QTest::newRow("answer against empty") << "A"
                                          << "" << false;
}

void AnsweringTest::matchRule() {
    QFETCH(QString, given);
    QFETCH(QString, standard);
    QFETCH(bool, matches);
    QCOMPARE(answer::matches(given, standard), matches);
}

void AnsweringTest::tickBoxesEditTheAnswerBox() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.exec("update 题库 set practice='B' where tihao=2");
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    const QStringList names = {"选择框A", "选择框B", "选择框C",  "选择框D", "选择框E",
                               "选择框F", "选择框G", "选择框对", "选择框错"};
    const QStringList captions = {"A", "B", "C", "D", "E", "F", "G", "对", "错"};
    const int lefts[] = {71, 117, 157, 197, 237, 277, 317, 359, 402};
    for (int i = 0; i < names.size(); ++i) {
        auto* box = child<QCheckBox>(p, names[i]);
        QVERIFY(box);
        QCOMPARE(box->text(), captions[i]);
        QCOMPARE(box->geometry(), QRect(lefts[i], 90, 30, 16));
        QCOMPARE(box->parentWidget(), static_cast<QWidget*>(p->答题区分组框));
    }
    RichBox* answerBox = p->答案超级编辑框;
    tick(p->选择框A);
    tick(p->选择框C);
    tick(p->选择框B);
    QCOMPARE(answerBox->boxText(), QString("ACB"));
    tick(p->选择框C);
    QCOMPARE(answerBox->boxText(), QString("AB"));
    tick(p->选择框A);
    tick(p->选择框B);
    // A text in the box ticks its letters without regard to case; unticking one removes it.
    answerBox->setBoxText("ab");
    QVERIFY(p->选择框A->isChecked() && p->选择框B->isChecked());
    tick(p->选择框A);
    QCOMPARE(answerBox->boxText(), QString("b"));
    QVERIFY(!p->选择框A->isChecked() && p->选择框B->isChecked());
    answerBox->setBoxText("");
    QVERIFY(!p->选择框B->isChecked());
    tick(p->选择框对);
    tick(p->选择框错);
    QCOMPARE(answerBox->boxText(), QString("对错"));
    tick(p->选择框对);
    QCOMPARE(answerBox->boxText(), QString("错"));
    tick(p->选择框错);
    // Ticks follow the answer box to the next question: its stored answer B is ticked, A is not.
    tick(p->选择框A);
    p->下一记录按钮->click();
    QCOMPARE(answerBox->boxText(), QString("B"));
    QVERIFY(!p->选择框A->isChecked() && p->选择框B->isChecked());
    tick(p->选择框A);
    QCOMPARE(answerBox->boxText(), QString("BA"));

    // The exam window's boxes act on its own answer box.
    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    tick(e->选择框D);
    tick(e->选择框对);
    QCOMPARE(e->答案超级编辑框->boxText(), QString("D对"));
}

void AnsweringTest::practiceSaveRedoAndWrongList() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    bank.addQuestion("1", 1, "一", "AC");
    bank.addQuestion("1", 2, "二", "对");
    bank.addQuestion("1", 3, "三", "B");
    bank.addNumberedPaper("2", "other", 3, 3, true, 10);
    bank.exec("update 题库 set practice='D' where code='2'");
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    tick(p->选择框A);
    tick(p->选择框B);
    p->保存按钮->click();
    QCOMPARE(bank.scalar("select practice from 题库 where code='1' and tihao=1").toString(), QString("AB"));
    QVERIFY(!p->选择框A->isChecked() && !p->选择框B->isChecked());
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    p->答案超级编辑框->setBoxText(" 错 ");
    p->保存按钮->click();
    QCOMPARE(bank.scalar("select practice from 题库 where code='1' and tihao=2").toString(), QString("错"));

    p->题目区高级选择夹->setCurrentIndex(2);
    Grid* grid = p->错题高级表格;
    QCOMPARE(grid->cellText(0, 0), QString("题号"));
    QCOMPARE(grid->cellText(0, 3), QString("答案"));
    QCOMPARE(grid->gridRowCount(), 3);
    QCOMPARE(grid->cellText(1, 0), QString("1"));
    QCOMPARE(grid->cellText(1, 1), QString("一"));
    QCOMPARE(grid->cellText(1, 2), QString("AC"));
    QCOMPARE(grid->cellText(1, 3), QString("AB"));
    QCOMPARE(grid->cellText(2, 0), QString("2"));

    // Saving an empty answer clears the question's answer.
    p->首记录按钮->click();
    p->答案超级编辑框->setBoxText("");
    p->保存按钮->click();
    QCOMPARE(bank.scalar("select practice from 题库 where code='1' and tihao=1").toString(), QString());

    MessageBox::pushAnswer(false);
    p->重做按钮->click();
    QCOMPARE(MessageBox::shown().last().title, QString("注意"));
    QCOMPARE(MessageBox::shown().last().text, QString("这会删除本试卷已做的全部答案,真的想重新做本试卷么"));
    QVERIFY(MessageBox::shown().last().buttons == MessageBox::Buttons::OkCancel);
    QCOMPARE(bank.scalar("select practice from 题库 where code='1' and tihao=2").toString(), QString("错"));
    p->重做按钮->click(); // OK
    QCOMPARE(bank.scalar("select count(*) from 题库 where code='1' and practice<>''").toInt(), 0);
    QCOMPARE(bank.scalar("select count(*) from 题库 where code='2' and practice='D'").toInt(), 3);
    p->题目区高级选择夹->setCurrentIndex(0);
    p->题目区高级选择夹->setCurrentIndex(2);
    QCOMPARE(grid->gridRowCount(), 1);
}

void AnsweringTest::wrongListLeavesOutSameOptionsAndUnanswered() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 4, true, 10);
    bank.addQuestion("1", 1, "一", "AC", 1, QString(), "CA");
    bank.addQuestion("1", 2, "二", "ABC", 1, QString(), "AC");
    bank.addQuestion("1", 3, "三", "对", 1, QString(), "");
    bank.addQuestion("1", 4, "四", "对", 1, QString(), "对");
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->题目区高级选择夹->setCurrentIndex(2);
    QCOMPARE(p->错题高级表格->gridRowCount(), 2);
    QCOMPARE(p->错题高级表格->cellText(1, 0), QString("2"));
    // Without a paper code the list is refused with a message.
    p->试卷编码透明标签->setText("");
    p->题目区高级选择夹->setCurrentIndex(0);
    p->题目区高级选择夹->setCurrentIndex(2);
    QCOMPARE(MessageBox::shown().last().text, QString("请先选择试卷"));
    QVERIFY(MessageBox::shown().last().icon == MessageBox::Icon::Information);
}

void AnsweringTest::wrongListKeepsTheBankOrderAndIsRebuiltWhole() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 5, true, 10);
    bank.addQuestion("1", 4, "四", "ABD", 1, QString(), "DAB");
    bank.addQuestion("1", 3, "三", "AB", 1, QString(), "ABD");
    bank.addQuestion("1", 1, "一", "对", 1, QString(), "错");
    bank.addQuestion("1", 2, "二", "AC", 1, QString(), "ac");
    bank.addQuestion("1", 5, "五", "C", 1, QString(), "D");
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);
    Grid grid;
    grid.setGridColumnCount(4);
    grid.setCell(0, 0, QStringLiteral("题号"));
    for (int run = 0; run < 2; ++run) {
        QCOMPARE(buildWrongAnswerList(store, "1", grid), 3);
        QStringList rows;
        for (int r = 1; r < grid.gridRowCount(); ++r)
            rows << QStringList{grid.cellText(r, 0), grid.cellText(r, 1), grid.cellText(r, 2),
                                grid.cellText(r, 3)}
                        .join('|');
        QCOMPARE(rows, (QStringList{"3|三|AB|ABD", "1|一|对|错", "5|五|C|D"}));
        QCOMPARE(grid.model()->rowCount(), 3);
        QCOMPARE(grid.cellText(0, 0), QString("题号"));
    }
    QCOMPARE(buildWrongAnswerList(store, "2", grid), 0);
    QCOMPARE(grid.gridRowCount(), 1);
}

void AnsweringTest::standardAnswerTabAndGridJump() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    bank.addQuestion("1", 1, "一题A.甲", "B", 1, QString(), "", "解析一");
    bank.addQuestion("1", 2, "二题A.乙", "C", 1, QString(), "D", "解析二");
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->题目区高级选择夹->setCurrentIndex(3);
    QCOMPARE(p->标准答案超级编辑框->boxText(), QString("B"));
    QCOMPARE(p->解析超级编辑框->boxText(), QString("解析一"));
    p->下一记录按钮->click();
    QCOMPARE(p->标准答案超级编辑框->boxText(), QString());
    QCOMPARE(p->解析超级编辑框->boxText(), QString());

    p->首记录按钮->click();
    p->题目区高级选择夹->setCurrentIndex(2);
    Grid* grid = p->错题高级表格;
    QCOMPARE(grid->gridRowCount(), 2);
    emit grid->gridRowDoubleClicked(0); // the heading row: nothing
    QCOMPARE(p->题目区高级选择夹->currentIndex(), 2);
    emit grid->gridRowDoubleClicked(1);
    QCOMPARE(p->题目区高级选择夹->currentIndex(), 0);
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    QCOMPARE(p->题目超级编辑框->boxText(), QString("二题\nA.乙"));
    QCOMPARE(p->答案超级编辑框->boxText(), QString("D"));
}

void AnsweringTest::randomOrderSavesToTheQuestionAtThatPosition() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 6, 6, true, 10);
    MainWindow w(bank.dir());
    w.app().tickSource = [] { return 99u; };
    PracticeWindow* p = w.practiceWindow();
    p->随机单选框->click();
    pickPaperInPicker();
    p->试卷超级按钮->click();
    const QList<int> order = w.app().practiceOrder;
    QCOMPARE(order.size(), 6);
    p->下一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    p->答案超级编辑框->setBoxText("c");
    p->保存按钮->click();
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=?", {order[1]}).toString(), QString("C"));
    QCOMPARE(bank.scalar("select count(*) from 题库 where practice<>''").toInt(), 1);
    QCOMPARE(p->题号编辑框->text(), QString("3"));

    // A jump from the wrong list keeps a position in the box, so the next save hits that question.
    p->题目区高级选择夹->setCurrentIndex(2);
    QCOMPARE(p->错题高级表格->cellText(1, 0), QString::number(order[1]));
    emit p->错题高级表格->gridRowDoubleClicked(1);
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    p->答案超级编辑框->setBoxText("A");
    p->保存按钮->click();
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=?", {order[1]}).toString(), QString("A"));
    QCOMPARE(bank.scalar("select count(*) from 题库 where practice<>''").toInt(), 1);
}

void AnsweringTest::badPositionIsToldAndNothingIsSaved() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->答案超级编辑框->setBoxText("A");
    // Enter on a number that is none is told, and the box goes back to the question on screen.
    for (const QString& typed : {QString("abc"), QString("1 or 1=1"), QString("2;"), QString(10000, 'x'),
                                 QString("0"), QString("4")}) {
        MessageBox::clear();
        p->题号编辑框->setText(typed);
        QTest::keyClick(p->题号编辑框, Qt::Key_Return);
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(p->题号编辑框->text(), QString("1"));
        QCOMPARE(p->答案超级编辑框->boxText(), QString("A"));
    }
    QCOMPARE(bank.scalar("select count(*) from 题库 where practice<>''").toInt(), 0);
    // Random order, position outside the order.
    p->随机单选框->click();
    pickPaperInPicker();
    p->试卷超级按钮->click();
    MessageBox::clear();
    p->题号编辑框->setText("4");
    QTest::keyClick(p->题号编辑框, Qt::Key_Return);
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    // With no question on screen, a save says so and writes nothing.
    p->resetForOrderChange();
    p->题号编辑框->setText("2");
    p->答案超级编辑框->setBoxText("B");
    MessageBox::clear();
    p->保存按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(bank.scalar("select count(*) from 题库 where practice<>''").toInt(), 0);
}

void AnsweringTest::fontButtonSetsTheSharedFormat() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(w.app().textFormat.size, 20);
    QCOMPARE(p->题目超级编辑框->boxFormat().font().pointSize(), 20);
    QFont chosen("DejaVu Sans", 14);
    chosen.setBold(true);
    chosen.setUnderline(true);
    FontChooser::preset(FontChooser::Choice{chosen, QColor(200, 0, 0)});
    child<QPushButton>(p, "字体按钮")->click();
    const SharedTextFormat& f = w.app().textFormat;
    QCOMPARE(f.size, 14);
    QCOMPARE(f.style, 1 | 4);
    QCOMPARE(f.face, QString("宋体")); // the face stays
    QCOMPARE(f.color, QColor(200, 0, 0));
    for (RichBox* box : {p->题目超级编辑框, p->答案超级编辑框, p->标准答案超级编辑框, p->解析超级编辑框}) {
        QCOMPARE(box->boxFormat().font().pointSize(), 14);
        QVERIFY(box->boxFormat().font().bold());
        QCOMPARE(box->boxFormat().font().family(), QString("宋体"));
        QCOMPARE(box->boxFormat().foreground().color(), QColor(200, 0, 0));
    }
    // The shown text carries the format.
    QTextCursor c(p->题目超级编辑框->document());
    c.movePosition(QTextCursor::End);
    QCOMPARE(c.charFormat().font().pointSize(), 14);
    // Cancel changes nothing.
    FontChooser::preset(std::nullopt);
    child<QPushButton>(p, "字体按钮")->click();
    QCOMPARE(w.app().textFormat.size, 14);
    // A new window keeps the chosen size and style (only a format never chosen gets the size 20).
    pressToolbar(w, "考试");
    QCOMPARE(w.app().textFormat.size, 14);
    QCOMPARE(w.examWindow()->答案超级编辑框->boxFormat().font().pointSize(), 14);
    QVERIFY(w.examWindow()->答案超级编辑框->boxFormat().font().underline());

    // The next run starts with the chosen font, in the exam window as in the practice window.
    for (const char* window : {"练习", "考试"}) {
        MainWindow again(bank.dir());
        pressToolbar(again, window);
        AnswerWindow* a = again.practiceWindow() ? static_cast<AnswerWindow*>(again.practiceWindow())
                                                 : static_cast<AnswerWindow*>(again.examWindow());
        QVERIFY(a);
        const QTextCharFormat shown = a->答案超级编辑框->boxFormat();
        QCOMPARE(shown.font().pointSize(), 14);
        QVERIFY(shown.font().bold() && shown.font().underline() && !shown.font().italic());
        QCOMPARE(shown.foreground().color(), QColor(200, 0, 0));
    }
    // Settings no font dialog gives are not taken: the window's own size and the default colour.
    userSettings().setValue(QStringLiteral("textFormat/size"), QStringLiteral("大"));
    userSettings().setValue(QStringLiteral("textFormat/color"), QStringLiteral("不是颜色"));
    MainWindow damaged(bank.dir());
    QCOMPARE(damaged.app().textFormat.size, 20);
    QVERIFY(!damaged.app().textFormat.color.isValid());
}

void AnsweringTest::practiceAnswersSurviveARestart() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    {
        MainWindow w(bank.dir());
        w.practiceWindow()->答案超级编辑框->setBoxText("bd");
        w.practiceWindow()->保存按钮->click();
    }
    MainWindow again(bank.dir());
    QCOMPARE(again.practiceWindow()->答案超级编辑框->boxText(), QString("BD"));
}

QTEST_MAIN(AnsweringTest)
#include "test_answering.moc"
