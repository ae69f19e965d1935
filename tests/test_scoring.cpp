#include "TestSupport.h"

#include "answering/PracticeReading.h"
#include "answering/WrongAnswers.h"
#include "bank/BankEdits.h"
#include "bank/Compose.h"
#include "bank/ComposeDialog.h"
#include "bank/RulesEditor.h"
#include "bank/BankWorkbook.h"
#include "documents/ScoringRules.h"
#include "documents/MoodleXml.h"
#include "documents/TextPaper.h"
#include "marking/AnswerCard.h"
#include "marking/ResultsOverview.h"
#include "marking/Scoring.h"
#include "store/Store.h"
#include "ui/Grid.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSet>
#include <QSpinBox>
#include <QTest>

using documents::Rule;
using documents::Type;

// Marking under a paper's scoring rules, on a bank file and on the server.
class ScoringTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase_data() { addStoreRows(); }
    void init() {
        if (const QString why = useStoreOfRow(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }
    void mockPaperMarkedAsTheExamRulesGive();
    void rulesRoundTripAndRejectNonsense();
    void headingsGiveTheirRules();
    void partlyRightIsToldButNotRight();
    void composedPaperDrawnAsAskedAndSat();
    void composeDialogAsksAndStaysOnAShortDraw();
    void workbookCarriesTheRules();
};

namespace {
documents::ScoringRules examRules() {
    documents::ScoringRules rules;
    rules.of(Type::Single) = {Rule::Deduction, 0.5, false, true};
    rules.of(Type::Multiple) = {Rule::PerOption, 0.5, false, false};
    rules.of(Type::TrueFalse) = {Rule::Deduction, 0.5, false, true};
    rules.of(Type::Indefinite) = {Rule::PerOption, 0.5, true, false};
    return rules;
}

// Paper M: three 单选, four 多选, three 判断 and two 不定项, sat by s1 in sitting 1.
void addMockPaper(TestBank& bank) {
    bank.addPaper("M", "模拟卷", 12, true, 90);
    struct {
        const char* standard;
        double score;
        const char* given;
    } rows[] = {{"A", 1, "A"},     {"B", 1, "C"},       {"C", 1, ""},      {"ABC", 2, "AB"},
                {"ABCD", 2, "DCBA"}, {"BD", 2, "BE"},   {"ABCDE", 1, "ABCD"}, {"对", 1, "错"},
                {"错", 1, "对"},     {"对", 1, ""},       {"ABC", 2, "AC"},  {"AB", 2, "a"}};
    for (int i = 0; i < 12; ++i) {
        bank.addQuestion("M", i + 1, QString("题%1").arg(i + 1), rows[i].standard, rows[i].score);
        bank.addAnswer("M", i + 1, rows[i].given, "s1", "张三", "1");
    }
    bank.exec("update 题库 set tixing='不定项' where code='M' and tihao in (11, 12)");
}
} // namespace

// Worked by hand: 单选 1 − 0.5 + 0 = 0.5; 多选 0.5×2 + 2 + 0 + min(1, 0.5×4) = 4; 判断 −0.5 − 0.5 + 0
// = −1, floored to 0; 不定项 2×2/3 + 2×1/2 = 7/3. Total 0.5 + 4 + 0 + 7/3.
void ScoringTest::mockPaperMarkedAsTheExamRulesGive() {
    TestBank bank;
    addMockPaper(bank);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    QVERIFY(store.keepsRules());
    Grid grid;
    grid.setGridColumnCount(9);
    const BoundStatement card{Sql::AnswerCard, {{"code", "M"}, {"student", "s1"}, {"state", "1"}}};

    // Before the paper has rules: 全对得分, only rows 1 and 5 earn.
    QCOMPARE(buildAnswerCard(store, card, "M", grid, {}), 3.0);
    QCOMPARE(readResults(store, "M", "").rows.value(0).marks, 3.0);

    QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, "M", examRules()); }));
    const double expected = 0.5 + 4 + 0 + 7.0 / 3;
    QVERIFY(qAbs(buildAnswerCard(store, card, "M", grid, {}) - expected) < 1e-9);
    const QStringList marks{"1", "-0.5", "", "1", "2", "", "1", "-0.5", "-0.5", "", "1.333333333333", "1"};
    for (int r = 1; r <= 12; ++r)
        QCOMPARE(grid.cellText(r, 8), marks[r - 1]);
    QCOMPARE(grid.cellText(13, 1), QString("总分"));
    QCOMPARE(grid.cellText(13, 8), QString("6.833333333333"));

    // The overview (and its chart) and one sitting's row give the same total.
    const ResultsOverview all = readResults(store, "M", "");
    QCOMPARE(all.rows.size(), 1);
    QVERIFY(qAbs(all.rows[0].marks - expected) < 1e-9);
    QVERIFY(qAbs(readResults(store, "M", "1").rows.value(0).marks - expected) < 1e-9);

    // A second sitting that only loses marks stays at zero in the floored sections, below in the
    // others: 单选 −0.5 −0.5 (floored: 0), 多选 nothing.
    bank.addAnswer("M", 2, "D", "s2", "李四", "1");
    bank.addAnswer("M", 3, "A", "s2", "李四", "1");
    bank.addAnswer("M", 6, "C", "s2", "李四", "1");
    const ResultsOverview two = readResults(store, "M", "1");
    QCOMPARE(two.rows.size(), 2);
    QCOMPARE(two.rows[1].student, QString("s2"));
    QCOMPARE(two.rows[1].marks, 0.0);
    // Without the floor the deductions count in full.
    documents::ScoringRules open = examRules();
    open.of(Type::Single).floorAtZero = false;
    QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, "M", open); }));
    QCOMPARE(readResults(store, "M", "1").rows[1].marks, -1.0);
}

void ScoringTest::rulesRoundTripAndRejectNonsense() {
    TestBank bank;
    addMockPaper(bank);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    QVERIFY(scoring::readRules(store, "M").isPlain());
    QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, "M", examRules()); }));
    QVERIFY(scoring::readRules(store, "M") == examRules());
    // A code with quotes and wildcards names no other paper's rules.
    QVERIFY(scoring::readRules(store, "M' or '1'='1").isPlain());
    QVERIFY(scoring::readRules(store, "%").isPlain());
    // The bank refuses a rule it could not mark by, whoever writes it.
    QVERIFY(!store.execute(Sql::InsertPaperRule, {{"code", "X"},
                                                  {"tixing", "多选"},
                                                  {"rule", "全扣"},
                                                  {"amount", 0.5},
                                                  {"proportional", 0},
                                                  {"floor", 0}}));
    QVERIFY(!store.execute(Sql::InsertPaperRule, {{"code", "X"},
                                                  {"tixing", "多选"},
                                                  {"rule", "少选得分"},
                                                  {"amount", -1},
                                                  {"proportional", 0},
                                                  {"floor", 0}}));
    // Back to plain rules: no rows are kept.
    QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, "M", {}); }));
    QCOMPARE(store.query(Sql::AllRules).rowCount(), 0);
}

void ScoringTest::headingsGiveTheirRules() {
    if (storeOfRow() == StoreKind::Server)
        QSKIP("no store needed");
    using documents::ruleFromHeading;
    auto perOption = ruleFromHeading("二、多项选择题（每小题2分。每小题全部选对得满分，少选得相应分值，多选、错选、"
                                     "不选均不得分）");
    QVERIFY(perOption.found);
    QCOMPARE(perOption.rule.rule, Rule::PerOption);
    QCOMPARE(perOption.rule.amount, 0.5);
    QVERIFY(!perOption.rule.floorAtZero);
    // "少选" among the answers that earn nothing is no partial credit.
    auto whole = ruleFromHeading("每小题全部选对得满分，多选、少选、错选、不选均不得分");
    QVERIFY(whole.found);
    QCOMPARE(whole.rule.rule, Rule::Whole);
    auto deduction = ruleFromHeading("三、判断题（每小题1分。每小题答题正确的得1分，答错扣0.5分，不答题的不得分也不"
                                     "扣分。本类题最低得分为零分）");
    QCOMPARE(deduction.rule.rule, Rule::Deduction);
    QCOMPARE(deduction.rule.amount, 0.5);
    QVERIFY(deduction.rule.floorAtZero);
    auto fullWidth = ruleFromHeading("少选得０．５分；扣完为止");
    QCOMPARE(fullWidth.rule.rule, Rule::PerOption);
    QCOMPARE(fullWidth.rule.amount, 0.5);
    QVERIFY(fullWidth.rule.floorAtZero);
    QVERIFY(!ruleFromHeading("一、单项选择题（本类题共24小题）").found);

    // A text paper carries its headings' rules into its Paper; a section that says nothing stays 全对得分.
    const documents::Document doc = documents::readTextPaper(
        QStringLiteral("一、单项选择题（每小题1分）\n1．甲（ ）。A.一 B.二\n答案：A\n"
                       "二、多项选择题（每小题2分。每小题全部选对得满分，少选得相应分值，多选、错选、不选均不得分）\n"
                       "2．乙（ ）。A.一 B.二 C.三\n答案：AB\n"
                       "三、判断题（每小题1分。答错扣0.5分，不答不得分也不扣分。本类题最低得分为零分）\n"
                       "3．丙。\n答案：对\n")
            .toUtf8(),
        QStringLiteral("卷"));
    QCOMPARE(doc.papers.size(), 1);
    const documents::ScoringRules& read = doc.papers[0].rules;
    QCOMPARE(read.of(Type::Single).rule, Rule::Whole);
    QCOMPARE(read.of(Type::Multiple).rule, Rule::PerOption);
    QCOMPARE(read.of(Type::TrueFalse).rule, Rule::Deduction);
    QVERIFY(read.of(Type::TrueFalse).floorAtZero);
}

void ScoringTest::partlyRightIsToldButNotRight() {
    TestBank bank;
    addMockPaper(bank);
    bank.exec("update 题库 set practice='AB' where code='M' and tihao=4");
    bank.exec("update 题库 set practice='AD' where code='M' and tihao=6");
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, "M", examRules()); }));
    const documents::TypeRule multiple = examRules().of(Type::Multiple);
    QCOMPARE(practice_reading::verdict("BA", "ABC", multiple), QString("部分正确，正确答案是 A B C"));
    QCOMPARE(practice_reading::verdict("AD", "ABC", multiple), QString("错误，正确答案是 A B C"));
    QCOMPARE(practice_reading::verdict("AB", "ABC"), QString("错误，正确答案是 A B C"));
    Grid grid;
    grid.setGridColumnCount(4);
    QCOMPARE(buildWrongAnswerList(store, "M", grid), 2);
    QCOMPARE(grid.cellText(1, 3), QString("AB（部分正确）"));
    QCOMPARE(grid.cellText(2, 3), QString("AD"));
}

void ScoringTest::composedPaperDrawnAsAskedAndSat() {
    TestBank bank;
    addMockPaper(bank);
    bank.addPaper("N", "第二卷", 3, true, 60);
    bank.addQuestion("N", 1, "丁", "D", 1, "\\pic\\丁.png", QString(), "丁的解析");
    bank.addQuestion("N", 2, "戊", "AC", 2);
    bank.addQuestion("N", 3, "己", "错", 1);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);

    bank::ComposeRequest request;
    request.name = "模拟一";
    request.counts = {4, 3, 1, 0};
    request.marks[1] = 2.5;
    request.rules.of(Type::Multiple) = {Rule::PerOption, 0.5, false, false};
    request.minutes = 120;
    request.seed = 7;
    // An impossible draw says which type is short and makes nothing.
    request.counts[3] = 3;
    bank::ComposeResult result = bank::compose(store, request);
    QVERIFY2(result.error.contains("不定项题只有 2 道，不够抽 3 道"), qPrintable(result.error));
    QCOMPARE(bank::listPapers(store).size(), 2);
    request.counts[3] = 0;

    result = bank::compose(store, request);
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.code, QString("组卷1"));
    const QList<bank::Question> drawn = bank::listQuestions(store, "组卷1");
    QCOMPARE(drawn.size(), 8);
    // In type order, numbered 1 to 8, no question twice; 多选 at the mark asked, the others at their own.
    const QStringList types{"单选", "单选", "单选", "单选", "多选", "多选", "多选", "判断"};
    QSet<QString> texts;
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(drawn[i].tihao.toLongLong(), qint64(i + 1));
        QCOMPARE(drawn[i].tixing, types[i]);
        QVERIFY(drawn[i].practice.isEmpty());
        texts << drawn[i].question;
        if (drawn[i].tixing == "多选")
            QCOMPARE(drawn[i].score.toDouble(), 2.5);
        if (drawn[i].question == "丁") { // the picture and explanation come along
            QCOMPARE(drawn[i].pic, QString("\\pic\\丁.png"));
            QCOMPARE(drawn[i].jiexi, QString("丁的解析"));
        }
    }
    QCOMPARE(texts.size(), 8);
    QCOMPARE(bank::paperByCode(store, "组卷1")->kstime.toLongLong(), qint64(120));
    QVERIFY(scoring::readRules(store, "组卷1") == request.rules);

    // Sat with every 多选 answered by its first correct option only: 0.5 each, the rest right.
    double expected = 0;
    for (const bank::Question& q : drawn) {
        const bool multiple = q.tixing == "多选";
        bank.addAnswer("组卷1", int(q.tihao.toLongLong()), multiple ? q.authority.left(1) : q.authority, "s9",
                       "赵六", "1");
        expected += multiple ? 0.5 : q.score.toDouble();
    }
    Grid grid;
    grid.setGridColumnCount(9);
    const BoundStatement card{Sql::AnswerCard, {{"code", "组卷1"}, {"student", "s9"}, {"state", "1"}}};
    QCOMPARE(buildAnswerCard(store, card, "组卷1", grid, {}), expected);
    // The same code again is refused.
    request.code = "组卷1";
    QVERIFY(!bank::compose(store, request).error.isEmpty());
}

// The dialog's choices reach the draw; a draw that cannot be met keeps it open and makes nothing.
void ScoringTest::composeDialogAsksAndStaysOnAShortDraw() {
    if (storeOfRow() == StoreKind::Server)
        QSKIP("the draw itself is checked on both stores");
    useRecordingDialogs();
    TestBank bank;
    addMockPaper(bank);
    bank.addPaper("N", "第二卷", 1, true, 60);
    bank.addQuestion("N", 1, "丁", "D", 1);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    QStringList made;
    BankEditor::setTestDriver([&](BankEditor& editor) {
        auto& d = static_cast<ComposeDialog&>(editor);
        d.来源试卷列表框->item(1)->setCheckState(Qt::Checked); // N only
        d.题数编辑框[0]->setValue(2);
        d.试卷名称编辑框->setText("小测");
        d.accept(); // N has one 单选: refused
        made << (d.result() == QDialog::Accepted ? d.madeCode() : QString("-"));
        d.来源试卷列表框->item(0)->setCheckState(Qt::Checked);
        d.每题分值编辑框[0]->setValue(3);
        d.评分规则编辑->规则组合框[0]->setCurrentIndex(1); // 答错扣分
        d.accept();
        made << d.madeCode();
    });
    ComposeDialog dialog(nullptr, store);
    QVERIFY(dialog.run());
    BankEditor::setTestDriver({});
    QCOMPARE(made, QStringList({"-", "组卷1"}));
    const QList<bank::Question> drawn = bank::listQuestions(store, "组卷1");
    QCOMPARE(drawn.size(), 2);
    QCOMPARE(drawn[0].score.toDouble(), 3.0);
    QCOMPARE(scoring::readRules(store, "组卷1").of(Type::Single).rule, Rule::Deduction);
}

// The 试卷 sheet's 评分规则 column: written by the export, read back by the import, a bad cell named.
void ScoringTest::workbookCarriesTheRules() {
    if (storeOfRow() == StoreKind::Server)
        QSKIP("the workbook is read the same for both stores");
    documents::ScoringRules read;
    QVERIFY(documents::rulesFromText(documents::rulesText(examRules()), &read).isEmpty());
    QVERIFY(read == examRules());
    QVERIFY(documents::rulesFromText("单选=少选得分", &read).contains("单选题不能用少选得分"));
    QVERIFY(read == examRules()); // unchanged by a text that does not read

    TestBank bank;
    addMockPaper(bank);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    QVERIFY(store.inTransaction([&] { return scoring::writeRules(store, "M", examRules()); }));
    const QString xlsx = bank.dir() + "/出.xlsx";
    QCOMPARE(bankbook::writeWorkbook(xlsx, bank::readAll(store), false), QString());
    const bankbook::ReadResult back = bankbook::readBankFile(xlsx);
    QVERIFY2(back.problems.isEmpty() && back.error.isEmpty(), qPrintable(back.error));
    QVERIFY(back.tables.rules.value("M") == examRules());

    // Moodle XML keeps them in the category's description, beside the exam time.
    documents::Document doc;
    documents::Paper paper;
    paper.name = "模拟卷";
    paper.minutes = 90;
    paper.rules = examRules();
    documents::Question q;
    q.stem = "下列各项中，属于资产的有（ ）。";
    q.options = QStringList{"存货", "应收账款", "短期借款"};
    q.answer = "AB";
    paper.questions << q;
    doc.papers << paper;
    const documents::Document again = documents::readMoodleXml(documents::writeMoodleXml(doc), "卷");
    QCOMPARE(again.papers.size(), 1);
    QCOMPARE(again.papers[0].minutes, std::optional<int>(90));
    QVERIFY(again.papers[0].rules == examRules());
}

QTEST_MAIN(ScoringTest)
#include "test_scoring.moc"
