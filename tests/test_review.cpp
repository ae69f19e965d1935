#include "TestSupport.h"

#include "answering/PracticeSchedule.h"
#include "answering/PracticeStatistics.h"
#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "bank/BankEdits.h"
#include "bank/BankWorkbook.h"
#include "questions/PaperPicker.h"
#include "ui/Charts.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

namespace {

// "1W10 1R10 3W12": question, right or wrong, day.
QList<review::HistoryEntry> history(const QString& text) {
    QList<review::HistoryEntry> out;
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
        const int at = int(item.indexOf(QRegularExpression("[RW]")));
        out << review::HistoryEntry{item.left(at).toLongLong(), item.mid(at + 1).toLongLong(),
                                    item[at] == 'R'};
    }
    return out;
}

QString joined(const QList<qint64>& numbers) {
    QStringList out;
    for (qint64 n : numbers)
        out << QString::number(n);
    return out.join(',');
}

QList<QVariantList> historyRows(const TestBank& bank) {
    return bank.rows("select code, tihao, answer, correct, answered from 练习记录 order by rowid");
}

// The cards the schedule keeps, against those worked out afresh from the history rows.
bool cardsMatchTheHistory(Store& store, const TestBank& bank, const QString& code) {
    QList<review::HistoryEntry> entries;
    for (const QVariantList& r : bank.rows(
             "select tihao, answered, correct from 练习记录 where code=? order by tihao, answered, rowid",
             {code}))
        entries << review::HistoryEntry{r[0].toLongLong(), review::dayOf(r[1].toString()), r[2].toInt() != 0};
    const QHash<qint64, review::Card> expected = review::cards(entries),
                                      kept = review::readCards(store, code);
    bool same = expected.size() == kept.size();
    for (auto it = expected.cbegin(); same && it != expected.cend(); ++it) {
        const review::Card k = kept.value(it.key());
        same = kept.contains(it.key()) && k.scheduled == it->scheduled && k.box == it->box &&
               (!k.scheduled || k.due == it->due) && k.answers == it->answers && k.wrong == it->wrong;
    }
    return same;
}

// The cases that need no store, or only a bank file, run once.
#define FILE_ONLY()                                                                                          \
    do {                                                                                                     \
        if (storeOfRow() != StoreKind::File)                                                                 \
            QSKIP("the same on a bank file");                                                                \
    } while (false)

void save(PracticeWindow* p, const QString& answer) {
    p->答案超级编辑框->setBoxText(answer);
    p->保存按钮->click();
}

} // namespace

class ReviewTest : public QObject {
    Q_OBJECT
  private slots:
    // The cases that read and write the history run on a bank file and on a server.
    void initTestCase_data() { addStoreRows(); }
    void init() {
        useRecordingDialogs();
        if (const QString why = useStoreOfRow(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }
    void cleanup() { PaperPicker::setTestDriver({}); }

    void schedule_data();
    void schedule();
    void timesOfTheHistory();
    void savesWriteTheHistory();
    void drillFromWrongAnswersToNothingDue();
    void wrongListJumpJoinsTheDrill();
    void olderBankGetsTheTableAndKeepsEveryRow();
    void historyFollowsItsQuestionsInTheBankWindow();
    void workbookCarriesTheHistory();
    void histogramOfTotals_data();
    void histogramOfTotals();
};

void ReviewTest::schedule_data() {
    QTest::addColumn<QString>("answers");
    QTest::addColumn<int>("today");
    QTest::addColumn<QString>("due");
    QTest::addColumn<QString>("next"); // "question@day"
    QTest::newRow("wrong: due the same day") << "1W10" << 10 << "1"
                                             << "";
    QTest::newRow("right when due: one day later") << "1W10 1R10" << 10 << ""
                                                   << "1@11";
    QTest::newRow("and due that day") << "1W10 1R10" << 11 << "1"
                                      << "";
    QTest::newRow("right before due changes nothing") << "1W10 1R10 1R10 1R10" << 11 << "1"
                                                      << "";
    QTest::newRow("intervals double") << "1W10 1R10 1R11 1R13 1R17" << 24 << ""
                                      << "1@25";
    QTest::newRow("top box: 64 days") << "1W0 1R0 1R1 1R3 1R7 1R15 1R31 1R63 1R127" << 190 << ""
                                      << "1@191";
    QTest::newRow("wrong again starts over") << "1W10 1R10 1R11 1W20" << 20 << "1"
                                             << "";
    QTest::newRow("never wrong never comes") << "2R10 2R11" << 30 << ""
                                             << "";
    QTest::newRow("most overdue first, lower box, lower number")
        << "5W8 5R8 3W12 1W12 7W10 7R11 9W10 9R10 9R11" << 12 << "5,1,3,7"
        << "9@13";
}

void ReviewTest::schedule() {
    FILE_ONLY();
    QFETCH(QString, answers);
    QFETCH(int, today);
    QFETCH(QString, due);
    QFETCH(QString, next);
    const auto cards = review::cards(history(answers));
    QCOMPARE(joined(review::dueQuestions(cards, today)), due);
    QCOMPARE(review::dueCount(cards, today), int(due.split(',', Qt::SkipEmptyParts).size()));
    const auto n = review::nextDue(cards, today);
    QCOMPARE(n ? QString("%1@%2").arg(n->question).arg(n->day) : QString(), next);
}

void ReviewTest::timesOfTheHistory() {
    FILE_ONLY();
    const qint64 day = QDate(2026, 3, 10).toJulianDay();
    QCOMPARE(review::dayOf(u"2026-03-10 23:59:59"), day);
    QCOMPARE(review::dayOf(u"2026-03-10"), day);
    for (const char16_t* bad : {u"2026-02-30 10:00:00", u"2026/03/10", u"昨天", u"", u"2026-3-10 1:00"})
        QCOMPARE(review::dayOf(bad), 0);
    QCOMPARE(review::timeText(QDateTime(QDate(2026, 3, 10), QTime(9, 5, 7))), QString("2026-03-10 09:05:07"));
    // A spreadsheet's own date number, and the spellings people type.
    QCOMPARE(bank::cellTime(46091.5), QString("2026-03-10 12:00:00"));
    QCOMPARE(bank::cellTime(QString("2026-03-10T08:30")), QString("2026-03-10 08:30:00"));
    QCOMPARE(bank::cellTime(QString("2026/3/9 8:30:05")), QString("2026-03-09 08:30:05"));
    QCOMPARE(bank::cellTime(QString("三月")), QString());
    QCOMPARE(bank::cellTime(-3.0), QString());
}

void ReviewTest::savesWriteTheHistory() {
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    bank.addQuestion("1", 1, "一 A.甲 B.乙 C.丙", "AC");
    bank.addQuestion("1", 2, "二", "对");
    bank.addQuestion("1", 3, "三", "B");
    MainWindow w(bank.dir());
    QDateTime now(QDate(2026, 3, 10), QTime(9, 0));
    w.app().clock = [&now] { return now; };
    PracticeWindow* p = w.practiceWindow();
    save(p, "ca"); // the same options in another order: right
    now = now.addSecs(65);
    save(p, "错");
    save(p, ""); // clears the answer; no attempt
    QCOMPARE(historyRows(bank), (QList<QVariantList>{{"1", 1, "CA", 1, "2026-03-10 09:00:00"},
                                                     {"1", 2, "错", 0, "2026-03-10 09:01:05"}}));
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=1").toString(), QString("CA"));
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=3").toString(), QString());
    QCOMPARE(w.statusText(2), QString("已答 2/3，错 1，待复习 1 题"));
    // 重做 clears the answers, not the history.
    p->重做按钮->click();
    QCOMPARE(bank.scalar("select count(*) from 题库 where practice<>''").toInt(), 0);
    QCOMPARE(historyRows(bank).size(), 2);
    QCOMPARE(w.statusText(2), QString("已答 0/3，错 0，待复习 1 题"));
    // A save that fails keeps neither the answer nor a history row.
    if (bank.onServer()) {
        bank.exec("create function refuse() returns trigger language plpgsql as "
                  "$$ begin raise exception 'full'; end $$");
        bank.exec("create trigger refuse before insert on 练习记录 for each row execute function refuse()");
    } else {
        bank.exec("create trigger refuse before insert on 练习记录 begin select raise(abort, 'full'); end");
    }
    p->首记录按钮->click();
    save(p, "B");
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=1").toString(), QString());
    QCOMPARE(historyRows(bank).size(), 2);
    QVERIFY(MessageBox::shown().last().text.startsWith("答案没有保存"));
    QCOMPARE(p->题号编辑框->text(), QString("1"));
}

// A learner answers 1 and 3 wrong and 2 right: the drill asks 1 and 3 today, they leave it after
// right answers, and the statistics show the day.
void ReviewTest::drillFromWrongAnswersToNothingDue() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 4, 4, true, 10);
    MainWindow w(bank.dir());
    QDateTime now(QDate(2026, 3, 10), QTime(9, 0));
    w.app().clock = [&now] { return now; };
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(w.statusText(2), QString("待复习 0 题"));
    save(p, "B");
    save(p, "A");
    save(p, "C");
    QCOMPARE(w.statusText(2), QString("已答 3/4，错 2，待复习 2 题"));

    QCOMPARE(p->错题单选框->text(), QString("错题"));
    p->错题单选框->click();
    QCOMPARE(p->试卷超级按钮->text(), QString("请点击选择试卷"));
    pickPaperInPicker("1");
    p->试卷超级按钮->click();
    QCOMPARE(w.app().practiceOrder, QList<int>({1, 3}));
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第1题"));
    QCOMPARE(p->答案超级编辑框->boxText(), QString("B"));
    p->下一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第3题"));
    p->下一记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    p->首记录按钮->click();
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第1题"));
    p->尾记录按钮->click();
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第3题"));

    // Right answers move them out; after the last one nothing is due until tomorrow.
    p->首记录按钮->click();
    save(p, "a");
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    QCOMPARE(w.statusText(2), QString("已答 3/4，错 1，待复习 1 题"));
    MessageBox::clear();
    save(p, "A");
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=3").toString(), QString("A"));
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown().last().text,
             QString("本试卷今天没有要复习的错题。下一道要复习的是第 1 题，明天（2026年3月11日）到期。"));
    QCOMPARE(p->题号编辑框->text(), QString());
    QCOMPARE(p->题目超级编辑框->boxText(), QString());
    QCOMPARE(w.statusText(2), QString("已答 3/4，错 0，待复习 0 题"));
    // Nothing on screen: a save says so and writes nothing.
    MessageBox::clear();
    save(p, "B");
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(historyRows(bank).size(), 5);

    // The day's results in 统计: five answers, three right; 1 and 3 were wrong once each.
    p->题目区高级选择夹->setCurrentIndex(4);
    QCOMPARE(p->题目区高级选择夹->tabText(4), QString("统计"));
    QCOMPARE(p->统计图表->dayLabels(), QStringList({"03-10"}));
    QCOMPARE(p->统计图表->answerCounts(), QList<int>({5}));
    QCOMPARE(p->统计图表->sharePoints(), QList<QPointF>({QPointF(0, 60)}));
    Grid* table = p->常错题高级表格;
    QCOMPARE(table->gridRowCount(), 3);
    QCOMPARE(QStringList({table->cellText(0, 0), table->cellText(0, 2), table->cellText(0, 3),
                          table->cellText(0, 4)}),
             QStringList({"题号", "答题次数", "答错次数", "下次复习"}));
    QCOMPARE(QStringList({table->cellText(1, 0), table->cellText(1, 2), table->cellText(1, 3),
                          table->cellText(1, 4)}),
             QStringList({"1", "2", "1", "2026-03-11"}));
    QVERIFY(table->cellText(1, 1).startsWith("1-第1题"));
    QCOMPARE(table->cellText(2, 0), QString("3"));

    // The next day both are due again; a wrong answer keeps 1 in the drill for a next round.
    now = now.addDays(1);
    p->题目区高级选择夹->setCurrentIndex(0);
    p->错题单选框->click();
    p->试卷超级按钮->click();
    QCOMPARE(w.app().practiceOrder, QList<int>({1, 3}));
    QCOMPARE(w.statusText(2), QString("待复习 2 题"));
    save(p, "D");
    save(p, "A");
    QCOMPARE(w.app().practiceOrder, QList<int>({1}));
    QCOMPARE(p->题号编辑框->text(), QString("1"));
    QVERIFY(p->题目超级编辑框->boxText().startsWith("1-第1题"));
    QCOMPARE(w.statusText(2), QString("已答 3/4，错 1，待复习 1 题"));
    // The chart runs from the first practised day to today.
    p->题目区高级选择夹->setCurrentIndex(4);
    QCOMPARE(p->统计图表->dayLabels(), QStringList({"03-10", "03-11"}));
    QCOMPARE(p->统计图表->answerCounts(), QList<int>({5, 2}));
    QCOMPARE(p->统计图表->sharePoints(), QList<QPointF>({QPointF(0, 60), QPointF(1, 50)}));
    const QList<DayResult> days =
        review::daySeries({{QDate(2026, 3, 1), 4, 1}, {QDate(2026, 3, 8), 2, 2}, {QDate(2026, 3, 8), 1, 0}},
                          QDate(2026, 3, 10), 5);
    QCOMPARE(days.size(), 3);
    QCOMPARE(days[0].answers, 3);
    QCOMPARE(days[2].day, QDate(2026, 3, 10));
    QCOMPARE(days[2].answers, 0);

    QVERIFY(cardsMatchTheHistory(w.app().store, bank, "1"));

    // A paper never answered wrong says so.
    bank.addNumberedPaper("2", "另一套", 2, 2, true, 10);
    pickPaperInPicker("2");
    MessageBox::clear();
    p->试卷超级按钮->click();
    QCOMPARE(MessageBox::shown().last().text, QString("本试卷还没有答错过的题目，没有要复习的错题。"));
    QVERIFY(w.app().practiceOrder.isEmpty());
}

void ReviewTest::wrongListJumpJoinsTheDrill() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    MainWindow w(bank.dir());
    QDateTime now(QDate(2026, 3, 10), QTime(9, 0));
    w.app().clock = [&now] { return now; };
    PracticeWindow* p = w.practiceWindow();
    save(p, "B");
    save(p, "C");
    save(p, "A");
    p->错题单选框->click();
    pickPaperInPicker("1");
    p->试卷超级按钮->click();
    QCOMPARE(w.app().practiceOrder, QList<int>({1, 2}));
    p->下一记录按钮->click();
    save(p, "A"); // 2 right: the next round holds 1 alone
    QCOMPARE(w.app().practiceOrder, QList<int>({1}));
    // The wrong-answer list names a question the drill does not hold (its stored answer was
    // changed elsewhere); a jump to it puts it at the drill's end, where saves reach it.
    bank.exec("update 题库 set practice='D' where tihao=2");
    p->题目区高级选择夹->setCurrentIndex(2);
    QCOMPARE(p->错题高级表格->cellText(2, 0), QString("2"));
    emit p->错题高级表格->gridRowDoubleClicked(2);
    QCOMPARE(w.app().practiceOrder, QList<int>({1, 2}));
    QCOMPARE(p->题号编辑框->text(), QString("2"));
    save(p, "B");
    QCOMPARE(historyRows(bank).last().mid(1, 3), (QVariantList{2, "B", 0}));
}

void ReviewTest::olderBankGetsTheTableAndKeepsEveryRow() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.exec("update 题库 set practice='B' where tihao=2");
    bank.addAnswer("1", 1, "A", "S1", "张三", "C1");
    // A bank made before the program kept a history has neither table.
    bank.exec("drop table 练习记录");
    bank.exec("drop table 复习计划");
    auto dump = [&bank] {
        return bank.rows("select code, name, chouti, paixu, kstime from 试卷") +
               bank.rows("select code, tihao, question, practice, score from 题库") +
               bank.rows("select code, tihao, answer, student, state from 评分");
    };
    const QList<QVariantList> before = dump();
    {
        Store store;
        QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
        QVERIFY(store.keepsHistory());
        QVERIFY(store.notices().isEmpty());
    }
    QCOMPARE(dump(), before);
    QCOMPARE(bank.scalar(bank.onServer() ? "select count(*) from pg_class where relname in ('练习记录', "
                                           "'练习记录_key', '复习计划')"
                                         : "select count(*) from sqlite_master where name in ('练习记录', "
                                           "'练习记录_key', '复习计划')")
                 .toInt(),
             3);
    // The program's first save on it keeps a history.
    MainWindow w(bank.dir());
    save(w.practiceWindow(), "C");
    QCOMPARE(bank.scalar("select count(*) from 练习记录 where tihao=1 and correct=0").toInt(), 1);
    QCOMPARE(bank.scalar("select practice from 题库 where tihao=2").toString(), QString("B"));
}

void ReviewTest::historyFollowsItsQuestionsInTheBankWindow() {
    TestBank bank;
    bank.addPaper("P", "卷", 3, true, 10);
    for (int n : {2, 5, 9})
        bank.addQuestion("P", n, QString("题%1").arg(n), "A");
    for (int n : {2, 5, 9, 9})
        bank.exec("insert into 练习记录 (code, tihao, answer, correct, answered) values ('P', ?, 'B', 0, "
                  "'2026-03-10 09:00:00')",
                  {n});
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    QCOMPARE(bank::renumber(store, "P"), QString());
    QCOMPARE(bank.rows("select tihao from 练习记录 order by tihao"),
             (QList<QVariantList>{{1}, {2}, {3}, {3}}));
    QVERIFY(cardsMatchTheHistory(store, bank, "P"));
    QCOMPARE(review::dueQuestions(store, "P", QDate(2026, 3, 10).toJulianDay()), (QList<qint64>{1, 2, 3}));
    QCOMPARE(bank::deleteQuestion(store, "P", 3), QString());
    QCOMPARE(bank.scalar("select count(*) from 练习记录").toInt(), 2);
    auto q = *bank::questionByNumber(store, "P", 2);
    q.tihao = qint64(7);
    QCOMPARE(bank::updateQuestion(store, 2, q), QString());
    QCOMPARE(bank.rows("select tihao from 练习记录 order by tihao"), (QList<QVariantList>{{1}, {7}}));
    QVERIFY(cardsMatchTheHistory(store, bank, "P"));
    auto paper = *bank::paperByCode(store, "P");
    paper.code = "Q";
    QCOMPARE(bank::updatePaper(store, "P", paper), QString());
    QCOMPARE(bank.scalar("select count(*) from 练习记录 where code='Q'").toInt(), 2);
    QVERIFY(cardsMatchTheHistory(store, bank, "Q"));
    QCOMPARE(bank::deletePaper(store, "Q"), QString());
    QCOMPARE(bank.scalar("select count(*) from 复习计划").toInt(), 0);
    QCOMPARE(bank.scalar("select count(*) from 练习记录").toInt(), 0);
}

void ReviewTest::workbookCarriesTheHistory() {
    FILE_ONLY();
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    bank.exec("insert into 练习记录 (code, tihao, answer, correct, answered) values "
              "('1', 2, 'B', 0, '2026-03-10 09:00:00'), ('1', 2, 'A', 1, '2026-03-11 10:00:00')");
    const QString xlsx = QDir(bank.dir()).filePath("bank.xlsx");
    QCOMPARE(bankbook::exportBank(bank.dbPath(), xlsx), QString());
    const bankbook::ReadResult read = bankbook::readBankFile(xlsx);
    QVERIFY2(read.ok(), qPrintable(read.report()));
    QCOMPARE(read.tables.history.size(), 2);
    const QString copy = QDir(bank.dir()).filePath("copy.db");
    QVERIFY(bankbook::importToNewBank(xlsx, copy).ok);
    {
        Store store;
        QCOMPARE(store.open(copy), Store::OpenResult::Ok);
        const bank::Tables t = bank::readAll(store);
        QCOMPARE(t.history.size(), 2);
        QCOMPARE(bank::values(t.history[1]), (QVariantList{"1", 2, "A", 1, "2026-03-11 10:00:00"}));
        // Wrong on the 10th, right when due on the 11th: next due on the 12th.
        QCOMPARE(review::nextDue(store, "1", QDate(2026, 3, 11).toJulianDay())->day,
                 QDate(2026, 3, 12).toJulianDay());
        // The bank window's import replaces a paper with its history.
        QCOMPARE(bank::addTables(store, read.tables, true), QString());
        QCOMPARE(bank::readAll(store).history.size(), 2);
    }
    // A workbook without the sheet is still a bank; a bad history row is named.
    sheets::Workbook book;
    book.sheets << sheets::Sheet{
        "试卷", {{1, {"code", "name", "chouti", "paixu", "kstime"}}, {2, {"1", "卷", 1.0, 1.0, 10.0}}}};
    book.sheets << sheets::Sheet{
        "题库",
        {{1, {"code", "tihao", "question", "authority", "score"}}, {2, {"1", 1.0, "题 A.甲", "A", 1.0}}}};
    QVERIFY(bankbook::readTables(book).ok());
    book.sheets << sheets::Sheet{"练习记录",
                                 {{1, {"试卷编码", "题号", "答案", "对错", "答题时间"}},
                                  {2, {"1", 1.0, "A", "对", 46091.5}},
                                  {3, {"1", 2.0, "A", "错", "2026-03-10 09:00:00"}},
                                  {4, {"1", 1.0, "B", "也许", "昨天"}}}};
    const bankbook::ReadResult bad = bankbook::readTables(book);
    QCOMPARE(bad.report(),
             QString("工作表“练习记录”第 3 行：试卷“1”的第 2 题在工作表“题库”中没有\n"
                     "工作表“练习记录”第 4 行：对错只能是 1/0、对/错、是/否 或 TRUE/FALSE：“也许”\n"
                     "工作表“练习记录”第 4 行：答题时间“昨天”不是日期和时间，应写成“2024-05-01 08:30:00”"));
    QCOMPARE(bank::values(bad.tables.history[0]),
             (QVariantList{"1", qint64(1), "A", qint64(1), "2026-03-10 12:00:00"}));
}

void ReviewTest::histogramOfTotals_data() {
    QTest::addColumn<QList<double>>("totals");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<int>>("counts");
    QTest::newRow("none") << QList<double>{} << QStringList{} << QList<int>{};
    QTest::newRow("fives") << QList<double>{55, 61, 68, 70, 95, 100}
                           << QStringList{"55～59", "60～64", "65～69", "70～74", "75～79",
                                          "80～84", "85～89", "90～94", "95～99", "100～104"}
                           << QList<int>{1, 1, 1, 1, 0, 0, 0, 0, 1, 1};
    QTest::newRow("ones") << QList<double>{4, 3, 3} << QStringList{"3", "4"} << QList<int>{2, 1};
    QTest::newRow("twenties") << QList<double>{0, 100}
                              << QStringList{"0～19", "20～39", "40～59", "60～79", "80～99", "100～119"}
                              << QList<int>{1, 0, 0, 0, 0, 1};
    QTest::newRow("fractions") << QList<double>{0.5, 1.5, 2.5} << QStringList{"0～1", "1～2", "2～3"}
                               << QList<int>{1, 1, 1};
}

void ReviewTest::histogramOfTotals() {
    FILE_ONLY();
    QFETCH(QList<double>, totals);
    QFETCH(QStringList, labels);
    QFETCH(QList<int>, counts);
    TotalsChart chart;
    chart.setTotals(totals);
    QCOMPARE(chart.shown().labels, labels);
    QCOMPARE(chart.shown().counts, counts);
}

QTEST_MAIN(ReviewTest)
#include "test_review.moc"
