#include "TestSupport.h"

#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/AnswerCard.h"
#include "marking/InfoWindow.h"
#include "marking/MarksWindow.h"
#include "questions/PaperPicker.h"
#include "shell/AppState.h"
#include "ui/Charts.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/StatusPanels.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

// Every test runs on a bank file and on a bank on the PostgreSQL test server.
class MarkingTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase_data() { addStoreRows(); }
    void init() {
        useRecordingDialogs();
        if (const QString why = useStoreOfRow(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }
    void cleanup() { PaperPicker::setTestDriver({}); }

    void windowGridAndColumnShares();
    void progressCharacters();
    void markChecksInOrder();
    void answerCardMarksEachAnswer();
    void cardBuiltTwiceIsTheSame();
    void clearSittingAndBlankRows();
    void deleteRowsTouchesOnlyRealAnswers();
    void infoWindowShowsTheCardTotal();
    void toolbarCaptionsDispatch();
    void totalsAddTheMarksInFull();
    void eachAnswerGetsTheQuestionItsLookupFinds();
    void progressIsShownOnlyWhenItChanges();
    void overviewListsEachCandidateAndSitting();
    void choicesAreKeptBetweenOpenings();

  private:
    struct Fixture {
        TestBank bank;
        std::unique_ptr<MainWindow> w;
        MarksWindow* marks = nullptr;
    };
    static void openMarks(Fixture& f) {
        f.w = std::make_unique<MainWindow>(f.bank.dir());
        f.w->show();
        pressToolbar(*f.w, "评分");
        f.marks = f.w->marksWindow();
    }
    static void choose(MarksWindow* m, const QString& code, const QString& student, const QString& state) {
        m->receivePaper(code, "卷" + code);
        m->考号组合框->setEditText(student);
        m->场次组合框->setEditText(state);
    }
    static QStringList texts() {
        QStringList out;
        for (const auto& m : MessageBox::shown())
            out << m.text;
        return out;
    }
    static void tenAnswersFourRight(TestBank& bank) {
        bank.addPaper("1", "Dalmora", 10, true, 10);
        for (int i = 1; i <= 10; ++i) {
            bank.addQuestion("1", i, QString("题%1").arg(i), "AB", 2);
            bank.addAnswer("1", i, i <= 4 ? (i % 2 ? "BA" : "ab") : "A", "s1", "张三", "1");
        }
    }
};

void MarkingTest::windowGridAndColumnShares() {
    Fixture f;
    f.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openMarks(f);
    MarksWindow* m = f.marks;
    Grid* g = m->高级表格1;
    QCOMPARE(g->gridColumnCount(), 9);
    QCOMPARE(g->gridColumnWidth(0), 0);
    const QStringList headings = {"题号", "题目", "标准答案", "考生答案", "考号", "姓名", "场次", "得分"};
    for (int c = 1; c <= 8; ++c)
        QCOMPARE(g->cellText(0, c), headings[c - 1]);
    QCOMPARE(f.w->app().markShares.size(), 9);
    QCOMPARE(f.w->app().markShares[0], 0.0);
    QCOMPARE(f.w->app().markShares[1], 1.0 / 9);
    // Blank rows for the window's height at set-up (500 / 24), grey number column.
    QCOMPARE(g->gridRowCount(), 1 + 500 / 24);
    QCOMPARE(g->cellBackground(1, 1), QColor(236, 236, 236));
    // A 930-pixel window: grid 900, columns 1..8 of 100.
    m->resize(930, 600);
    QCOMPARE(g->width(), 900);
    QCOMPARE(g->height(), 520);
    QCOMPARE(g->gridColumnWidth(0), 0);
    for (int c = 1; c <= 8; ++c)
        QCOMPARE(g->gridColumnWidth(c), 100);
    QStringList tools;
    for (QAction* a : m->工具条1->actions())
        tools << a->text() + "/" + a->toolTip().left(a->text() == "导出" ? 7 : 2);
    QStringList expected{"清空/清空", "导出/导出excel", "评分/评分", "汇总/汇总"};
    if (f.bank.onServer())
        expected << "考场/考场";
    QCOMPARE(tools, expected);
    // None is pushed into the toolbar's overflow menu.
    for (QAction* a : m->工具条1->actions())
        QVERIFY2(m->工具条1->widgetForAction(a)->isVisible(), qPrintable(a->text()));
    QCOMPARE(m->计时标签2->text(), QString("考号"));
    QCOMPARE(m->计时标签3->text(), QString("场次"));
}

void MarkingTest::progressCharacters() {
    auto run = [](int count) {
        int ticks = 0;
        QList<int> grewAt;
        for (int i = 1; i <= count; ++i) {
            const int next = progressTicksAfter(i, count, ticks);
            if (next != ticks)
                grewAt << i;
            ticks = next;
        }
        return std::make_pair(ticks, grewAt);
    };
    auto [ticks30, at30] = run(30);
    QCOMPARE(ticks30, 16);
    QCOMPARE(at30.mid(0, 4), (QList<int>{1, 2, 4, 6}));
    QCOMPARE(at30.last(), 30);
    QCOMPARE(run(15).first, 15);
    QVERIFY(run(1000).first <= 16);
}

void MarkingTest::markChecksInOrder() {
    Fixture f;
    f.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openMarks(f);
    MarksWindow* m = f.marks;
    m->toolbarCommand("评分");
    m->receivePaper("1", "Dalmora");
    m->toolbarCommand("评分");
    m->考号组合框->setEditText("s1");
    m->toolbarCommand("评分");
    QCOMPARE(texts(), (QStringList{"请选择试卷", "请选择考号", "请选择场次"}));
    for (const auto& shown : MessageBox::shown()) {
        QCOMPARE(shown.title, QString("系统消息"));
        QVERIFY(shown.icon == MessageBox::Icon::Information);
    }
}

void MarkingTest::answerCardMarksEachAnswer() {
    Fixture f;
    f.bank.addPaper("1", "Dalmora", 9, true, 10);
    struct Case {
        int tihao;
        const char* standard;
        const char* given;
        double score;
        const char* shown;
    };
    const Case cases[] = {
        {1, "ABD", "DBA", 2, "2"},   {2, "ABD", "ABDD", 2, ""}, {3, "ABD", "ABB", 2, ""},
        {4, "AB", "ab", 1.5, "1.5"}, {5, "对", "错", 1, ""},    {6, "对", "对", 1, "1"},
        {7, "", "", 3, "3"},         {8, "C", "", 1, ""},
    };
    for (const Case& c : cases) {
        f.bank.addQuestion("1", c.tihao, QString("题%1").arg(c.tihao), c.standard, c.score);
        f.bank.addAnswer("1", c.tihao, c.given, "s1", "张三", "1");
    }
    f.bank.addAnswer("1", 99, "A", "s1", "张三", "1"); // no such question
    f.bank.addAnswer("1", 1, "A", "s2", "李四", "1");  // another candidate
    openMarks(f);
    MarksWindow* m = f.marks;
    choose(m, "1", "s1", "1");
    m->toolbarCommand("评分");
    Grid* g = m->高级表格1;
    QCOMPARE(g->gridRowCount(), 1 + 9 + 1);
    for (int i = 0; i < 8; ++i) {
        const int r = i + 1;
        QCOMPARE(g->cellText(r, 1), QString::number(cases[i].tihao));
        QCOMPARE(g->cellText(r, 2), QString("题%1").arg(cases[i].tihao));
        QCOMPARE(g->cellText(r, 3), QString::fromUtf8(cases[i].standard));
        QCOMPARE(g->cellText(r, 4), QString::fromUtf8(cases[i].given));
        QCOMPARE(g->cellText(r, 5), QString("s1"));
        QCOMPARE(g->cellText(r, 6), QString("张三"));
        QCOMPARE(g->cellText(r, 7), QString("1"));
        QCOMPARE(g->cellText(r, 8), QString::fromUtf8(cases[i].shown));
        QCOMPARE(g->cellBackground(r, 1), QColor(236, 236, 236));
        QVERIFY(g->cellAlignment(r, 2) & Qt::AlignLeft);
    }
    // The answer without a question: empty question, nothing earned.
    QCOMPARE(g->cellText(9, 1), QString("99"));
    QCOMPARE(g->cellText(9, 2), QString());
    QCOMPARE(g->cellText(9, 8), QString());
    QCOMPARE(g->cellText(10, 1), QString("总分"));
    QCOMPARE(g->cellText(10, 8), QString("7.5"));
    for (int c = 1; c <= 8; ++c)
        QCOMPARE(g->cellBackground(10, c), QColor(192, 192, 192));
    QCOMPARE(f.w->app().lastTotal, 7.5);
    QCOMPARE(f.w->app().currentSql.id, Sql::CardQuestion);
    // The progress has gone: the panel names the bank again.
    QCOMPARE(f.w->statusText(3), f.w->store().displayName());

    // A sitting without answers: only the total row, 0.
    choose(m, "1", "nobody", "1");
    m->toolbarCommand("评分");
    QCOMPARE(g->gridRowCount(), 2);
    QCOMPARE(g->cellText(1, 1), QString("总分"));
    QCOMPARE(g->cellText(1, 8), QString("0"));
    QCOMPARE(Grid::formatValue(1.0 / 3), QString("0.3333333333333"));
    QCOMPARE(Grid::formatValue(2.0), QString("2"));
}

void MarkingTest::cardBuiltTwiceIsTheSame() {
    Fixture f;
    tenAnswersFourRight(f.bank);
    openMarks(f);
    choose(f.marks, "1", "s1", "1");
    Grid* g = f.marks->高级表格1;
    auto snapshot = [g] {
        QStringList cells;
        for (int r = 0; r < g->gridRowCount(); ++r)
            for (int c = 0; c < g->gridColumnCount(); ++c)
                cells << g->cellText(r, c);
        return cells;
    };
    f.marks->toolbarCommand("评分");
    const QStringList first = snapshot();
    QCOMPARE(g->gridRowCount(), 12); // the blank rows of set-up are gone
    QCOMPARE(g->cellText(11, 8), QString("8"));
    f.marks->toolbarCommand("评分");
    QCOMPARE(snapshot(), first);
}

void MarkingTest::clearSittingAndBlankRows() {
    Fixture f;
    tenAnswersFourRight(f.bank);
    f.bank.addAnswer("1", 1, "A", "s1", "张三", "");
    f.bank.addAnswer("1", 2, "A", "s1", "张三", "");
    f.bank.addAnswer("2", 1, "A", "s1", "张三", "");
    openMarks(f);
    MarksWindow* m = f.marks;
    choose(m, "1", "s1", "");
    MessageBox::pushAnswer(false);
    m->toolbarCommand("清空");
    QCOMPARE(f.bank.scalar("select count(*) from 评分").toInt(), 13);
    m->toolbarCommand("清空");
    // The confirmation names what goes and how much of it.
    const QString asked = "清空本考号评分？\n试卷：卷1（1）\n考号：s1\n场次：（空）\n"
                          "将删除这一场的 2 条答案，删除后不能恢复。";
    QCOMPARE(texts(), (QStringList{asked, asked, "操作完毕，已删除 2 条答案。"}));
    QCOMPARE(MessageBox::shown().first().title, QString("注意"));
    // Only the empty sitting of this paper and candidate went.
    QCOMPARE(f.bank.scalar("select count(*) from 评分").toInt(), 11);
    QCOMPARE(f.bank.scalar("select count(*) from 评分 where code='2'").toInt(), 1);
    QCOMPARE(m->高级表格1->gridRowCount(), 1 + m->高级表格1->height() / 24);
    for (int r = 1; r < m->高级表格1->gridRowCount(); ++r)
        QCOMPARE(m->高级表格1->cellText(r, 1), QString());

    // A sitting on show is cleared from the card at once, which keeps only its total; a sitting
    // with nothing left is said to need no clearing, and nothing is asked.
    choose(m, "1", "s1", "1");
    m->toolbarCommand("评分");
    MessageBox::clear();
    m->toolbarCommand("清空");
    QCOMPARE(texts().first().section('\n', 4), QString("将删除这一场的 10 条答案，删除后不能恢复。"));
    QCOMPARE(m->高级表格1->gridRowCount(), 2);
    QCOMPARE(m->高级表格1->cellText(1, 1) + m->高级表格1->cellText(1, 8), QString("总分0"));
    MessageBox::clear();
    m->toolbarCommand("清空");
    QCOMPARE(texts(), QStringList{"这一场没有答案，不用清空。\n试卷：卷1（1）\n考号：s1\n场次：1"});

    // The overview on show loses the cleared sitting's row at once.
    f.bank.addAnswer("1", 1, "AB", "s2", "李四", "1");
    f.bank.addAnswer("1", 1, "AB", "s3", "王五", "1");
    choose(m, "1", "s2", "1");
    m->toolbarCommand("汇总");
    QCOMPARE(m->汇总表格->gridRowCount(), 4); // two candidates and the count
    m->toolbarCommand("清空");
    QVERIFY(m->overviewShown());
    QCOMPARE(m->汇总表格->gridRowCount(), 3);
}

void MarkingTest::deleteRowsTouchesOnlyRealAnswers() {
    Fixture f;
    tenAnswersFourRight(f.bank);
    openMarks(f);
    MarksWindow* m = f.marks;
    choose(m, "1", "s1", "1");
    m->toolbarCommand("评分");
    Grid* g = m->高级表格1;
    // Nothing selected.
    g->clearSelection();
    m->删除行->trigger();
    QCOMPARE(f.bank.scalar("select count(*) from 评分").toInt(), 10);
    QCOMPARE(texts().last(), QString("操作完毕,请重新查询"));
    // Grid rows 2 and 3.
    g->selectGridRows(2, 3);
    m->删除行->trigger();
    QCOMPARE(f.bank.scalar("select count(*) from 评分").toInt(), 8);
    QCOMPARE(f.bank.scalar("select count(*) from 评分 where tihao in (2, 3)").toInt(), 0);
    // The total row alone deletes nothing; with the last answer row it deletes that row only.
    g->clearSelection();
    g->selectGridRows(11, 11);
    m->删除行->trigger();
    QCOMPARE(f.bank.scalar("select count(*) from 评分").toInt(), 8);
    g->selectGridRows(10, 11);
    m->删除行->trigger();
    QCOMPARE(f.bank.scalar("select count(*) from 评分").toInt(), 7);
    QCOMPARE(f.bank.scalar("select count(*) from 评分 where tihao=10").toInt(), 0);
    // The grid stays as it was until the next "评分".
    QCOMPARE(g->gridRowCount(), 12);
    QCOMPARE(m->文件->title(), QString("文件"));
    QCOMPARE(m->删除行->text(), QString("删除行"));
}

void MarkingTest::infoWindowShowsTheCardTotal() {
    Fixture f;
    tenAnswersFourRight(f.bank);
    f.w = std::make_unique<MainWindow>(f.bank.dir());
    f.w->show();
    f.w->app().handIn = {"1", "s1", "1", "张三"};
    f.w->showExamResult();
    InfoWindow* info = f.w->infoWindow();
    QVERIFY(info);
    QCOMPARE(info->总分编辑框->text(), QString("8"));
    QCOMPARE(info->试卷编辑框->text(), QString("Dalmora"));
    QCOMPARE(info->身份证编辑框->text(), QString("s1"));
    QCOMPARE(info->分组框2->title(), QString("考生信息"));
    QVERIFY(!f.w->marksWindow());
    // While it is open, a marks window from the toolbar marks the same sitting and closes.
    info->总分编辑框->clear();
    pressToolbar(*f.w, "评分");
    QVERIFY(!f.w->marksWindow());
    QCOMPARE(info->总分编辑框->text(), QString("8"));
}

void MarkingTest::toolbarCaptionsDispatch() {
    Fixture f;
    f.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openMarks(f);
    f.marks->toolbarCommand("其他");
    QVERIFY(MessageBox::shown().isEmpty());
    // The candidate list refills from the paper's answers.
    f.bank.addAnswer("1", 1, "A", "s1", "张三", "1");
    f.bank.addAnswer("1", 1, "A", "s2", "李四", "2");
    emit f.marks->考号组合框->aboutToShowPopup(); // no paper yet: untouched
    QCOMPARE(f.marks->考号组合框->count(), 0);
    f.marks->receivePaper("1", "Dalmora");
    emit f.marks->考号组合框->aboutToShowPopup();
    QCOMPARE(f.marks->考号组合框->count(), 2);
    f.marks->考号组合框->setEditText("s2");
    emit f.marks->场次组合框->aboutToShowPopup();
    QCOMPARE(f.marks->场次组合框->count(), 1);
    QCOMPARE(f.marks->场次组合框->itemText(0), QString("2"));

    // "导出" names the export after the answer card's paper, candidate and sitting.
    choose(f.marks, "S", " 3001 ", "C1");
    f.marks->toolbarCommand("导出");
    QCOMPARE(f.w->app().print.exportName, (QStringList{"答题卡", "S", "3001", "C1"}));
}

namespace {
// The card of a sitting built straight from the bank, as the marks window builds it.
struct Card {
    explicit Card(const TestBank& bank) {
        if (bank.openStore(store) != Store::OpenResult::Ok)
            qWarning("test bank did not open");
        grid.setGridColumnCount(9);
    }
    double build(const QString& code, const QString& student, const QString& state) {
        progress.clear();
        const BoundStatement card{Sql::AnswerCard, {{"code", code}, {"student", student}, {"state", state}}};
        return buildAnswerCard(store, card, code, grid, [this](const QString& text) { progress << text; });
    }
    Store store;
    Grid grid;
    QStringList progress;
};
} // namespace

// Marks are added as read, not as shown: a third shown as 0.3333333333333 three times still
// makes 1, and marks shown in exponent form count at their full size.
void MarkingTest::totalsAddTheMarksInFull() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 6, true, 10);
    const double scores[] = {1.0 / 3, 1.0 / 3, 1.0 / 3, 1e-05, 1e13, 1e13};
    for (int i = 1; i <= 6; ++i) {
        bank.addQuestion("1", i, QString("题%1").arg(i), "A", scores[i - 1]);
        bank.addAnswer("1", i, "A", i <= 4 ? "s1" : "s2", "张三", "1");
    }
    bank.addAnswer("1", 6, "B", "s3", "王五", "1"); // wrong: no mark
    Card card(bank);
    QCOMPARE(card.build("1", "s1", "1"), 1.00001);
    QCOMPARE(card.grid.cellText(1, 8), QString("0.3333333333333"));
    QCOMPARE(card.grid.cellText(4, 8), QString("1e-05"));
    QCOMPARE(card.grid.cellText(5, 8), QString("1.00001"));
    QCOMPARE(card.build("1", "s2", "1"), 2e13);
    QCOMPARE(card.grid.cellText(1, 8), QString("1e+13"));
    QCOMPARE(card.grid.cellText(3, 1), QString("总分"));
    QCOMPARE(card.grid.cellText(3, 8), QString("2e+13"));
    QCOMPARE(card.build("1", "s3", "1"), 0.0);
    QCOMPARE(card.grid.cellText(1, 8), QString());
    QCOMPARE(card.grid.cellText(2, 8), QString("0"));
}

// The card reads its questions in the same read as the answers; each answer still gets exactly
// the question that looking it up by paper and number finds, and appears once.
void MarkingTest::eachAnswerGetsTheQuestionItsLookupFinds() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    bank.addQuestion("1", 1, "一", "A", 1);
    bank.addQuestion("1", 2, "二甲", "A", 2);
    bank.addQuestion("1", 2, "二乙", "B", 5); // a second row with the same number: never used
    bank.addQuestion("2", 3, "别卷三", "C", 7);
    bank.addQuestion("1", 3, "三", "C", 3);
    bank.addAnswer("1", 3, "C", "s1", "张三", "1");
    bank.addAnswer("1", 2, "A", "s1", "张三", "1");
    bank.addAnswer("1", 1, "B", "s1", "张三", "1");
    bank.addAnswer("1", 9, "", "s1", "张三", "1");
    // A number stored with a fraction is read as its whole part, for the lookup too. (A server
    // holds whole question numbers only, and one answer per question.)
    const bool fraction = !bank.onServer();
    if (fraction)
        bank.exec(
            "insert into 评分 (code, tihao, answer, student, xingming, state) values ('1', 1.7, 'A', 's1', "
            "'张三', '1')");
    Card card(bank);
    QCOMPARE(card.build("1", "s1", "1"), (fraction ? 1.0 : 0.0) + 2 + 3);
    const int answers = fraction ? 5 : 4;
    QCOMPARE(card.grid.gridRowCount(), 1 + answers + 1);
    QStringList rows;
    for (int r = 1; r < card.grid.gridRowCount(); ++r)
        rows << QStringList{card.grid.cellText(r, 1), card.grid.cellText(r, 2), card.grid.cellText(r, 3),
                            card.grid.cellText(r, 4), card.grid.cellText(r, 8)}
                    .join('|');
    QStringList expected{"1|一|A|B|", "1|一|A|A|1", "2|二甲|A|A|2", "3|三|C|C|3", "9||||0", "总分||||6"};
    if (!fraction) {
        expected.removeAt(1);
        expected.last() = "总分||||5";
    }
    QCOMPARE(rows, expected);
    for (int r = 1; r <= answers; ++r) {
        QCOMPARE(card.grid.cellBackground(r, 1), QColor(236, 236, 236));
        QCOMPARE(card.grid.cellAlignment(r, 2), Qt::AlignLeft | Qt::AlignVCenter);
    }
    QVERIFY(!card.grid.cellBackground(answers + 1, 0).isValid());
    QCOMPARE(card.grid.cellBackground(answers + 1, 8), QColor(192, 192, 192));
    // The view shows every row of the card.
    QCOMPARE(card.grid.model()->rowCount(), answers + 1);
}

void MarkingTest::progressIsShownOnlyWhenItChanges() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 30, 30, true, 10);
    for (int i = 1; i <= 30; ++i)
        bank.addAnswer("1", i, "A", "s1", "张三", "1");
    Card card(bank);
    card.build("1", "s1", "1");
    QCOMPARE(card.progress.size(), 17);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(card.progress[i], QString(i + 1, QChar(0x2589)));
    QCOMPARE(card.progress.last(), QString());
    card.build("1", "nobody", "1");
    QVERIFY(card.progress.isEmpty());

    // The status bar paints a changed text at once, and the same text not at all.
    StatusPanels panels;
    panels.setPanels({50, 50, 50, 150});
    panels.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panels));
    QLabel* panel = panels.findChild<QLabel*>("状态栏面板3");
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    panel->installEventFilter(&counter);
    panels.setText(3, QString(2, QChar(0x2589)));
    QCOMPARE(counter.paints, 1);
    panels.setText(3, QString(2, QChar(0x2589)));
    QCOMPARE(counter.paints, 1);
    QCOMPARE(panels.text(3), QString(2, QChar(0x2589)));
}

void MarkingTest::overviewListsEachCandidateAndSitting() {
    Fixture f;
    f.bank.addPaper("1", "Dalmora", 3, true, 10);
    f.bank.addQuestion("1", 1, "一", "A", 2);
    f.bank.addQuestion("1", 2, "二", "B", 1.5);
    f.bank.addQuestion("1", 3, "三", "C", 1);
    f.bank.addAnswer("1", 1, "a", "s10", "王五", "1");
    f.bank.addAnswer("1", 1, "A", "s2", "李四", "1");
    f.bank.addAnswer("1", 2, "B", "S2", "李四", "1"); // the same candidate in other letters
    f.bank.addAnswer("1", 3, "D", "s2", "李四", "1"); // wrong
    f.bank.addAnswer("1", 1, "B", "s2", "", "2");     // another sitting: wrong
    f.bank.addAnswer("1", 9, "A", "s2", "李四", "2"); // no such question: counted, no marks
    f.bank.addAnswer("2", 1, "A", "s1", "张三", "1"); // another paper
    openMarks(f);
    MarksWindow* m = f.marks;
    m->toolbarCommand("汇总");
    QCOMPARE(texts(), QStringList{"请选择试卷"});
    QVERIFY(!m->overviewShown());

    auto table = [](Grid* g) {
        QStringList rows;
        for (int r = 0; r < g->gridRowCount(); ++r) {
            QStringList cells;
            for (int c = 1; c < g->gridColumnCount(); ++c)
                cells << g->cellText(r, c);
            rows << cells.join('|');
        }
        return rows;
    };
    // Every sitting when none is chosen; candidate numbers in number order.
    choose(m, "1", "", "");
    QVERIFY(m->showResultsOverview());
    QVERIFY(m->overviewShown());
    QVERIFY(m->高级表格1->isHidden());
    Grid* g = m->汇总表格;
    QCOMPARE(g->gridColumnWidth(0), 0);
    QCOMPARE(table(g), (QStringList{"考号|姓名|场次|答题数|得分", "s2|李四|1|3|3.5", "s2|李四|2|2|0",
                                    "s10|王五|1|1|2", "共 3 行||||"}));
    QCOMPARE(g->cellBackground(4, 5), QColor(192, 192, 192));
    // The chart below counts the same totals (3.5, 0 and 2) and keeps clear of the rows.
    TotalsChart* chart = m->汇总图表;
    QVERIFY(!chart->isHidden());
    QVERIFY(chart->geometry().top() > g->geometry().bottom());
    QCOMPARE(chart->shown().labels, (QStringList{"0～1", "1～2", "2～3", "3～4"}));
    QCOMPARE(chart->shown().counts, (QList<int>{1, 0, 1, 1}));
    QCOMPARE(chart->chart()->title(), QString("各场次得分分布（3 人）"));
    // One sitting.
    choose(m, "1", "", " 2 ");
    m->toolbarCommand("汇总");
    QCOMPARE(table(g), (QStringList{"考号|姓名|场次|答题数|得分", "s2|李四|2|2|0", "共 1 行||||"}));
    QCOMPARE(chart->shown().counts, QList<int>{1});
    QCOMPARE(chart->chart()->title(), QString("场次 2 得分分布（1 人）"));
    // Printed and exported as it is shown, with settings of its own.
    m->toolbarCommand("导出");
    QCOMPARE(f.w->app().print.sourceGrid.data(), g);
    QCOMPARE(f.w->app().print.settingsFile, QString("汇总.ini"));
    QCOMPARE(f.w->app().print.exportName, (QStringList{"汇总", "1", "2"}));
    // An answer card takes its place again.
    choose(m, "1", "s2", "1");
    m->toolbarCommand("评分");
    QVERIFY(!m->overviewShown());
    QVERIFY(chart->isHidden());
    QVERIFY(!m->高级表格1->isHidden());
    QCOMPARE(m->高级表格1->cellText(4, 8), QString("3.5"));
    m->toolbarCommand("导出");
    QCOMPARE(f.w->app().print.sourceGrid.data(), m->高级表格1);
}

void MarkingTest::choicesAreKeptBetweenOpenings() {
    Fixture f;
    tenAnswersFourRight(f.bank);
    f.bank.addAnswer("2", 1, "A", "s9", "赵六", "9");
    openMarks(f);
    pickPaperInPicker("1");
    f.marks->试卷超级按钮->click();
    f.marks->考号组合框->setEditText("s1");
    f.marks->场次组合框->setEditText("1");
    auto reopened = [&f] {
        pressToolbar(*f.w, "练习");
        pressToolbar(*f.w, "评分");
        const MarksWindow* m = f.w->marksWindow();
        return QStringList{m->试卷编码透明标签->text(), m->试卷超级按钮->text(), m->考号组合框->currentText(),
                           m->场次组合框->currentText()};
    };
    QCOMPARE(reopened(), (QStringList{"1", "Dalmora", "s1", "1"}));
    f.w->marksWindow()->toolbarCommand("评分");
    QCOMPARE(f.w->marksWindow()->高级表格1->cellText(11, 8), QString("8"));

    // The marking of a hand-in is not the user's choice; a renamed paper shows its new name, a
    // deleted one is not chosen again.
    f.w->app().handIn = {"2", "s9", "9", "赵六"};
    f.w->showExamResult();
    delete f.w->infoWindow();
    f.bank.exec("update 试卷 set name='新名' where code='1'");
    QCOMPARE(reopened(), (QStringList{"1", "新名", "s1", "1"}));
    f.bank.exec("delete from 试卷 where code='1'");
    QCOMPARE(reopened(), (QStringList{"", "请点击选择试卷", "", ""}));

    // Kept for the run only.
    f.bank.addPaper("1", "Dalmora", 10, true, 10);
    QCOMPARE(reopened()[0], QString("1"));
    f.w = std::make_unique<MainWindow>(f.bank.dir());
    pressToolbar(*f.w, "评分");
    QCOMPARE(f.w->marksWindow()->试卷编码透明标签->text(), QString());
}

QTEST_MAIN(MarkingTest)
#include "test_marking.moc"
