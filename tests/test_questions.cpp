#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/MarksWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionText.h"
#include "questions/RandomDraw.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

class QuestionsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() { PaperPicker::setTestDriver({}); }

    void generatorFollowsItsFormula();
    void drawsWithoutReplacement();
    void clockSeedsDifferWithinOneMillisecond();
    void questionTextBreaksBeforeTheFirstCapitalA_data();
    void questionTextBreaksBeforeTheFirstCapitalA();
    void displayNumbersAndPositions();
    void bankPathsResolveWithoutRegardToCase();

    void workWindowFollowsTheMainWindow();
    void practiceNavigationSkipsMissingNumbers();
    void practiceRandomOrderIsAPermutation();
    void orderRadioResetsThePracticeWindow();
    void examOrderFromThePaperSettings();
    void examRandomPaperChecks();
    void examShowsStoredAnswerOnlyWithCandidateAndSitting();
    void pictureIsShownOrEmptied();

  private:
};

void QuestionsTest::generatorFollowsItsFormula() {
    // Worked by hand: state = state * 214013 + 2531011 (mod 2^32), draw = bits 16..30.
    Lcg lcg(1);
    QCOMPARE(lcg.draw(), 41);    // 2745024 >> 16
    QCOMPARE(lcg.draw(), 18467); // the well-known sequence for seed 1
    QCOMPARE(lcg.draw(), 6334);
    Lcg zero(0);
    QCOMPARE(zero.draw(), 38); // 2531011 >> 16
    Lcg wrap(0xFFFFFFFFu);
    // (2^32 - 1) * 214013 + 2531011 = 2531011 - 214013 (mod 2^32) = 2316998 → 35
    QCOMPARE(wrap.draw(), 35);
    QCOMPARE(wrap.state(), 2316998u);
    // One draw of 1..10 from seed 1: r = 41, re-seed 41 → 11305544 >> 16 = 172, i = 1 + 172 % 10 = 3.
    QCOMPARE(randomDraw(1, 10, 1), QList<int>{3});
}

void QuestionsTest::drawsWithoutReplacement() {
    for (quint32 seed : {0u, 1u, 77u, 123456789u, 0xFFFFFFFFu}) {
        const QList<int> five = randomDraw(5, 10, seed);
        QCOMPARE(five.size(), 5);
        QCOMPARE(QSet<int>(five.begin(), five.end()).size(), 5);
        for (int n : five)
            QVERIFY(n >= 1 && n <= 10);
        QList<int> perm = randomDraw(7, 7, seed);
        std::sort(perm.begin(), perm.end());
        QCOMPARE(perm, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
    }
    // More than the pool holds: the pool runs dry, nothing repeats.
    QCOMPARE(randomDraw(9, 4, 5).size(), 4);
    QVERIFY(randomDraw(3, 0, 5).isEmpty());
    QVERIFY(randomDraw(0, 5, 5).isEmpty());
}

void QuestionsTest::clockSeedsDifferWithinOneMillisecond() {
    quint32 m = 0;
    QCOMPARE(clockSeed(1000, m), 1000u);
    QCOMPARE(m, 332u); // 0 + 1000 % 256 + 100
    QCOMPARE(clockSeed(1000, m), 1332u);
    QCOMPARE(m, 484u); // 332 + 1332 % 256 + 100
    quint32 big = 10;
    QCOMPARE(clockSeed(0xFFFFFFFFu, big), 9u); // wraps as a 32-bit count
}

void QuestionsTest::questionTextBreaksBeforeTheFirstCapitalA_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("stem and options") << "资产是（ ）。A.甲 B.乙 C.丙 D.丁"
                                      << "资产是（ ）。\r\nA.甲 B.乙 C.丙 D.丁";
    QTest::newRow("eight options stay together") << "选出正确项A.1 B.2 C.3 D.4 E.5 F.6 G.7 H.8"
                                                 << "选出正确项\r\nA.1 B.2 C.3 D.4 E.5 F.6 G.7 H.8";
    QTest::newRow("no capital A") << "企业应当以权责发生制为基础。"
                                  << "企业应当以权责发生制为基础。";
    QTest::newRow("lower-case a does not break") << "a.甲 b.乙"
                                                 << "a.甲 b.乙";
    QTest::newRow("only the first A breaks") << "xA yA"
                                             << "x\r\nA yA";
    QTest::newRow("empty") << ""
                           << "";
}

void QuestionsTest::questionTextBreaksBeforeTheFirstCapitalA() {
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QCOMPARE(formatQuestionText(stored), shown);
}

void QuestionsTest::displayNumbersAndPositions() {
    QCOMPARE(parseDisplayNumber(" 12 "), std::optional<qint64>(12));
    QVERIFY(!parseDisplayNumber("abc"));
    QVERIFY(!parseDisplayNumber("1.5"));
    QVERIFY(!parseDisplayNumber(""));
    QVERIFY(!parseDisplayNumber("1' or 1=1"));
    QVERIFY(!parseDisplayNumber(QString(5000, '9')));
    const QList<int> order{4, 2, 7};
    QCOMPARE(questionAt(2, false, order), std::optional<qint64>(2));
    QCOMPARE(questionAt(2, true, order), std::optional<qint64>(2));
    QCOMPARE(questionAt(3, true, order), std::optional<qint64>(7));
    QVERIFY(!questionAt(0, true, order));
    QVERIFY(!questionAt(4, true, order));
}

void QuestionsTest::bankPathsResolveWithoutRegardToCase() {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("pic/sub");
    QFile f(dir.filePath("pic/sub/Chart.png"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString expected = QDir(dir.path()).absoluteFilePath("pic/sub/Chart.png");
    QCOMPARE(resolveBankPath(dir.path(), "\\pic\\sub\\Chart.png"), expected);
    QCOMPARE(resolveBankPath(dir.path(), "\\PIC\\Sub\\chart.PNG"), expected);
    QCOMPARE(resolveBankPath(dir.path(), "\\pic\\missing.png"), QString());
    QCOMPARE(resolveBankPath(dir.path(), ""), QString());
}

void QuestionsTest::workWindowFollowsTheMainWindow() {
    // Where a work window lies on the screen: it sits inside the main window's client area.
    auto onScreen = [](QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    w.show();
    w.setGeometry(100, 50, 1000, 700);
    PracticeWindow* practice = w.practiceWindow();
    QCOMPARE(onScreen(practice), QRect(100, 105, 1000, 600));
    QCOMPARE(practice->题目区高级选择夹->size(), QSize(980, 380));
    QCOMPARE(practice->题目超级编辑框->size(), QSize(960, 340));
    QCOMPARE(practice->错题高级表格->size(), QSize(960, 310));
    QCOMPARE(practice->解析超级编辑框->size(), QSize(960, 250));
    QCOMPARE(practice->标准答案超级编辑框->size(), QSize(960, 90));
    QCOMPARE(practice->答题区分组框->geometry(), QRect(10, 450, 980, 120));

    // Moving the main window moves the work window only.
    w.setGeometry(130, 50, 1000, 700);
    QCOMPARE(onScreen(practice), QRect(130, 105, 1000, 600));
    w.move(w.pos() + QPoint(30, 0));
    QCOMPARE(onScreen(practice), QRect(w.geometry().x(), w.geometry().y() + 55, 1000, 600));
    QCOMPARE(practice->题目超级编辑框->size(), QSize(960, 340));
    // Taller by 100: the question area grows, the answer area moves down.
    w.resize(1000, 800);
    QCOMPARE(practice->size(), QSize(1000, 700));
    QCOMPARE(practice->题目超级编辑框->size(), QSize(960, 440));
    QCOMPARE(practice->图片框1->size(), QSize(960, 440));
    QCOMPARE(practice->答题区分组框->y(), 550);

    pressToolbar(w, "考试");
    ExamWindow* exam = w.examWindow();
    w.setGeometry(100, 50, 1000, 700);
    QCOMPARE(onScreen(exam), QRect(100, 105, 1000, 600));
    QCOMPARE(exam->题目区高级选择夹->size(), QSize(980, 380));
    QCOMPARE(exam->题目超级编辑框->size(), QSize(960, 340));
    QCOMPARE(exam->图片框1->size(), QSize(960, 340));
    QCOMPARE(exam->答题区分组框->geometry(), QRect(10, 450, 980, 120));
    QCOMPARE(exam->答案超级编辑框->width(), 960);

    pressToolbar(w, "评分");
    MarksWindow* marks = w.marksWindow();
    QCOMPARE(onScreen(marks), QRect(100, 105, 1000, 600));
    QCOMPARE(marks->高级表格1->size(), QSize(970, 520));
}

void QuestionsTest::practiceNavigationSkipsMissingNumbers() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 5, true, 10);
    for (int n : {1, 2, 4, 5})
        bank.addQuestion("1", n, QString("题%1").arg(n), "A");
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->题目超级编辑框->boxText(), QString("题1"));
    p->下一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    p->下一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("4"));
    QCOMPARE(p->题目超级编辑框->boxText(), QString("题4"));
    p->上一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    QCOMPARE(p->题目超级编辑框->boxText(), QString("题2"));
    p->尾记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("5"));
    p->下一记录按钮->click(); // at the bound: nothing
    QCOMPARE(p->题号编辑框->text(), QString("5"));
    p->首记录按钮->click();
    p->上一记录按钮->click(); // at 1: nothing
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    QCOMPARE(p->题目超级编辑框->boxText(), QString("题1"));
    // Not a number counts as 0: ">" shows question 1, "<" does nothing.
    p->题号编辑框->setText("abc");
    p->上一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("abc"));
    p->下一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    // A number far beyond the paper comes back to the last question without stalling.
    p->题号编辑框->setText("-99999999");
    p->下一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    p->题号编辑框->setText("999999999");
    p->上一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("5"));
    QCOMPARE(p->题目超级编辑框->boxText(), QString("题5"));
    QVERIFY(MessageBox::shown().isEmpty());
}

void QuestionsTest::practiceRandomOrderIsAPermutation() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 2, 2, true, 10);
    bank.addNumberedPaper("7", "七题", 7, 7, true, 10);
    MainWindow w(bank.dir());
    w.app().tickSource = [] { return 4242u; };
    PracticeWindow* p = w.practiceWindow();
    p->随机单选框->click();
    pickPaperInPicker("7");
    p->试卷超级按钮->click();
    QList<int> order = w.app().practiceOrder;
    QCOMPARE(order.size(), 7);
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    QCOMPARE(p->题目超级编辑框->boxText(), QString("7-第%1题 题干 \nA.甲 B.乙 C.丙 D.丁").arg(order[0]));
    p->下一记录按钮->click();
    QVERIFY(p->题目超级编辑框->boxText().startsWith(QString("7-第%1题 ").arg(order[1])));
    p->首记录按钮->click();
    QVERIFY(p->题目超级编辑框->boxText().startsWith(QString("7-第%1题 ").arg(order[0])));
    std::sort(order.begin(), order.end());
    QCOMPARE(order, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
    // A position outside the order shows nothing new.
    const QString shown = p->题目超级编辑框->boxText();
    p->题号编辑框->setText("8");
    p->showQuestion();
    QCOMPARE(p->题目超级编辑框->boxText(), shown);
    // The same paper chosen again draws again (the counter moves the seed on).
    const QList<int> first = w.app().practiceOrder;
    p->试卷超级按钮->click();
    QVERIFY(w.app().practiceOrder != first || w.app().seedCounter > 0);
}

void QuestionsTest::orderRadioResetsThePracticeWindow() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    p->答案超级编辑框->setBoxText("AB");
    p->随机单选框->click();
    QCOMPARE(p->试卷超级按钮->text(), QString("请点击选择试卷"));
    QCOMPARE(p->题号编辑框->text(), QString());
    QCOMPARE(p->题目超级编辑框->boxText(), QString());
    QCOMPARE(p->答案超级编辑框->boxText(), QString());
    QCOMPARE(p->试卷编码透明标签->text(), QString("1"));
    // No paper chosen: navigation does nothing.
    p->下一记录按钮->click();
    p->尾记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString());
}

void QuestionsTest::examOrderFromThePaperSettings() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 2, 2, true, 10);
    bank.addPaper("S", "顺序卷", 3, true, 45);
    for (int n : {1, 2, 3, 5})
        bank.addQuestion("S", n, QString("S%1").arg(n), "A");
    MainWindow w(bank.dir());
    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    pickPaperInPicker("S");
    e->试卷超级按钮->click();
    QCOMPARE(w.app().exam.questionCount, 3);
    QCOMPARE(w.app().exam.orderMode, QString("顺序"));
    QCOMPARE(w.app().exam.minutes, 45);
    QVERIFY(w.app().examOrder.isEmpty());
    QCOMPARE(e->试卷超级按钮->text(), QString("顺序卷"));
    QCOMPARE(w.statusText(0), QString("顺序卷"));
    QCOMPARE(e->题目超级编辑框->boxText(), QString("S1"));
    // The exam's last question is its question count, not the paper's last number.
    e->尾记录按钮->click();
    QCOMPARE(e->题号编辑框->text(), QString("3"));
    QCOMPARE(e->题目超级编辑框->boxText(), QString("S3"));
    e->下一记录按钮->click();
    QCOMPARE(e->题号编辑框->text(), QString("3"));

    // A paper code with no paper row: settings and display stay.
    e->试卷编码透明标签->setText("nothing");
    e->buildOrder();
    QCOMPARE(w.app().exam.minutes, 45);
    QCOMPARE(e->题目超级编辑框->boxText(), QString("S3"));
}

void QuestionsTest::examRandomPaperChecks() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 2, 2, true, 10);
    bank.addNumberedPaper("R", "随机卷", 10, 5, false, 20);
    bank.addNumberedPaper("BIG", "抽题过多", 4, 9, false, 20);
    bank.addPaper("E", "空卷", 5, false, 30);
    MainWindow w(bank.dir());
    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();

    pickPaperInPicker("R");
    e->试卷超级按钮->click();
    QList<int> order = w.app().examOrder;
    QCOMPARE(order.size(), 5);
    QCOMPARE(QSet<int>(order.begin(), order.end()).size(), 5);
    QCOMPARE(e->题号编辑框->text(), QString("1"));
    QVERIFY(e->题目超级编辑框->boxText().startsWith(QString("R-第%1题").arg(order[0])));
    e->尾记录按钮->click();
    QCOMPARE(e->题号编辑框->text(), QString("5"));
    QVERIFY(e->题目超级编辑框->boxText().startsWith(QString("R-第%1题").arg(order[4])));
    QVERIFY(MessageBox::shown().isEmpty());

    // More questions asked for than the paper has: the exam runs on what it has, and says so once.
    pickPaperInPicker("BIG");
    e->试卷超级按钮->click();
    QCOMPARE(w.app().examOrder.size(), 4);
    QCOMPARE(w.app().exam.questionCount, 4);
    QCOMPARE(MessageBox::shown().size(), 1);

    // A random paper without questions: refused, no paper chosen, nothing shown.
    MessageBox::clear();
    pickPaperInPicker("E");
    e->试卷超级按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().first().text, QString("不能选择没有题目的试卷"));
    QCOMPARE(MessageBox::shown().first().title, QString("系统消息"));
    QVERIFY(MessageBox::shown().first().icon == MessageBox::Icon::Warning);
    QCOMPARE(e->题号编辑框->text(), QString());
    QVERIFY(w.app().examOrder.isEmpty());
    QCOMPARE(e->试卷超级按钮->text(), QString("请点击选择试卷"));
}

void QuestionsTest::examShowsStoredAnswerOnlyWithCandidateAndSitting() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.addAnswer("1", 2, "BD", "s1", "张", "1");
    MainWindow w(bank.dir());
    pressToolbar(w, "考试");
    ExamWindow* e = w.examWindow();
    pickPaperInPicker("1");
    e->试卷超级按钮->click();
    e->答案超级编辑框->setBoxText("kept");
    e->下一记录按钮->click();
    QCOMPARE(e->答案超级编辑框->boxText(), QString("kept")); // no candidate or sitting yet
    e->考号组合框->setEditText("s1");
    e->下一记录按钮->click();
    QCOMPARE(e->答案超级编辑框->boxText(), QString("kept"));
    e->场次组合框->setEditText("1");
    e->上一记录按钮->click();
    QCOMPARE(e->答案超级编辑框->boxText(), QString("BD"));
    e->上一记录按钮->click();
    QCOMPARE(e->答案超级编辑框->boxText(), QString()); // no row: emptied
}

void QuestionsTest::pictureIsShownOrEmptied() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    bank.addQuestion("1", 1, "有图", "A", 1, "\\Pic\\One.PNG");
    bank.addQuestion("1", 2, "坏图", "A", 1, "\\pic\\bad.png");
    bank.addQuestion("1", 3, "无图", "A");
    QDir(bank.dir()).mkpath("pic");
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(bank.dir() + "/pic/one.png", "PNG"));
    QFile bad(bank.dir() + "/pic/bad.png");
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not an image at all");
    bad.close();
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    QVERIFY(!p->图片框1->pixmap().isNull());
    QCOMPARE(p->图片框1->pixmap().size(), QSize(40, 30));
    p->下一记录按钮->click();
    QVERIFY(p->图片框1->pixmap().isNull());
    p->首记录按钮->click();
    p->尾记录按钮->click();
    QVERIFY(p->图片框1->pixmap().isNull());
    QVERIFY(MessageBox::shown().isEmpty());
}

QTEST_MAIN(QuestionsTest)
#include "test_questions.moc"
