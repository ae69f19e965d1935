#include "TestSupport.h"

#include "store/Schema.h"
#include "store/Statements.h"
#include "store/Store.h"

#include <QFile>
#include <QTest>

class StoreTest : public QObject {
    Q_OBJECT
  private slots:
    void readsValuesAsTheBankAlwaysHas_data();
    void readsValuesAsTheBankAlwaysHas();
    void opensOnlyAnExistingBank();
    void refusesAFileThatIsNotABank();
    void statementsReadAndChangeTheRightRows();
    void quotedAndWildValuesTouchNoOtherRow();
    void searchMatchesCodeOrNameLiterally();
    void appendRowCommitsAtOnce();
    void recordSetPositionsAndEmptyReads();
};

void StoreTest::readsValuesAsTheBankAlwaysHas_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("integer");
    QTest::addColumn<double>("number");
    QTest::addColumn<bool>("flag");
    QTest::newRow("fraction truncates toward zero") << QVariant(2.9) << "2.9" << qint64(2) << 2.9 << true;
    QTest::newRow("negative fraction") << QVariant(-2.9) << "-2.9" << qint64(-2) << -2.9 << true;
    QTest::newRow("text by its leading digits") << QVariant("12abc") << "12abc" << qint64(12) << 12.0 << true;
    QTest::newRow("text without digits") << QVariant("abc") << "abc" << qint64(0) << 0.0 << false;
    QTest::newRow("access yes") << QVariant(-1) << "-1" << qint64(-1) << -1.0 << true;
    QTest::newRow("null") << QVariant() << "" << qint64(0) << 0.0 << false;
    QTest::newRow("whole real shows no fraction") << QVariant(2.0) << "2" << qint64(2) << 2.0 << true;
    QTest::newRow("text with an exponent") << QVariant("1e-05") << "1e-05" << qint64(1) << 1e-05 << true;
    QTest::newRow("exponent then text") << QVariant("2.5E+3分") << "2.5E+3分" << qint64(2) << 2500.0 << true;
    QTest::newRow("no digits after the e") << QVariant("7e+x") << "7e+x" << qint64(7) << 7.0 << true;
}

void StoreTest::readsValuesAsTheBankAlwaysHas() {
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    QFETCH(qint64, integer);
    QFETCH(double, number);
    QFETCH(bool, flag);
    QCOMPARE(valueread::text(value), text);
    QCOMPARE(valueread::integer(value), integer);
    QCOMPARE(valueread::number(value), number);
    QCOMPARE(valueread::flag(value), flag);
}

void StoreTest::opensOnlyAnExistingBank() {
    QTemporaryDir dir;
    Store store;
    const QString path = dir.filePath("ks.db");
    QCOMPARE(store.open(path), Store::OpenResult::Missing);
    QVERIFY(!QFile::exists(path)); // never creates an empty bank
    QVERIFY(store.query(Sql::AllPapers).atEnd());
    QVERIFY(!store.execute(Sql::ClearPractice, {{"code", "1"}}));
}

void StoreTest::refusesAFileThatIsNotABank() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ks.db");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray junk(4096, 'x');
    f.write(junk);
    f.close();
    Store store;
    QCOMPARE(store.open(path), Store::OpenResult::NotADatabase);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), junk); // left exactly as it was

    TestBank bank;
    bank.exec("drop table 评分");
    Store store2;
    QCOMPARE(store2.open(bank.dbPath()), Store::OpenResult::MissingTables);
    QVERIFY(store2.lastError().contains("评分"));
}

void StoreTest::statementsReadAndChangeTheRightRows() {
    TestBank bank;
    bank.addPaper("1", "甲", 3, true, 60);
    bank.addPaper("2", "乙", 2, false, 20);
    bank.addQuestion("1", 1, "q1", "AB", 2);
    bank.addQuestion("1", 2, "q2", "C", 1.5);
    bank.addQuestion("1", 4, "q4", "对", 1);
    bank.addQuestion("2", 1, "other", "A", 1);
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);

    RecordSet paper = store.query(Sql::PaperByCode, {{"code", "1"}});
    QCOMPARE(paper.integer("chouti"), 3);
    QVERIFY(paper.flag("paixu"));
    QVERIFY(!store.query(Sql::PaperByCode, {{"code", "2"}}).flag("paixu"));
    QCOMPARE(store.query(Sql::QuestionCount, {{"code", "1"}}).number(1), 3.0);
    QCOMPARE(store.query(Sql::QuestionsOfPaper, {{"code", "1"}}).rowCount(), 3);
    QCOMPARE(store.query(Sql::QuestionsOfPaper, {{"code", "none"}}).rowCount(), 0);
    QCOMPARE(store.query(Sql::LastQuestion, {{"code", "1"}}).integer("最大值"), 4);
    QCOMPARE(store.query(Sql::QuestionExists, {{"code", "1"}, {"n", 3}}).number(1), 0.0);

    // Practice answers: stored, listed when wrong, cleared per paper.
    QVERIFY(store.execute(Sql::SavePractice, {{"answer", "BA"}, {"code", "1"}, {"n", 1}}));
    QVERIFY(store.execute(Sql::SavePractice, {{"answer", "c"}, {"code", "1"}, {"n", 2}}));
    QVERIFY(store.execute(Sql::SavePractice, {{"answer", "错"}, {"code", "1"}, {"n", 4}}));
    QVERIFY(store.execute(Sql::SavePractice, {{"answer", "B"}, {"code", "2"}, {"n", 1}}));
    QList<qint64> wrong;
    for (RecordSet rs = store.query(Sql::WrongPractice, {{"code", "1"}}); !rs.atEnd(); rs.moveNext())
        wrong << rs.integer("tihao");
    // "c" equals "C" without regard to case, as the banks have always compared.
    QCOMPARE(wrong, (QList<qint64>{1, 4}));
    QVERIFY(store.execute(Sql::ClearPractice, {{"code", "1"}}));
    QVERIFY(store.query(Sql::WrongPractice, {{"code", "1"}}).atEnd());
    QCOMPARE(bank.scalar("select practice from 题库 where code='2'").toString(), QString("B"));

    // Exam answers by their four-part key.
    QVERIFY(store.appendRow("评分", {{"tihao", 1},
                                     {"code", "1"},
                                     {"answer", "A"},
                                     {"student", "s1"},
                                     {"xingming", "张"},
                                     {"state", "1"}}));
    QVERIFY(store.appendRow("评分", {{"tihao", 2},
                                     {"code", "1"},
                                     {"answer", "B"},
                                     {"student", "s1"},
                                     {"xingming", "张"},
                                     {"state", "1"}}));
    QVERIFY(store.appendRow("评分", {{"tihao", 1},
                                     {"code", "1"},
                                     {"answer", "C"},
                                     {"student", "s2"},
                                     {"xingming", "李"},
                                     {"state", "1"}}));
    const Params key = {{"code", "1"}, {"n", 1}, {"student", "s1"}, {"state", "1"}};
    QCOMPARE(store.query(Sql::ExamAnswerCount, key).number(1), 1.0);
    Params update = key;
    update.prepend({"answer", "D"});
    QVERIFY(store.execute(Sql::UpdateExamAnswer, update));
    QCOMPARE(store.query(Sql::ExamAnswer, key).text("answer"), QString("D"));
    QCOMPARE(store.query(Sql::ExamAnswer, {{"code", "1"}, {"n", 1}, {"student", "s2"}, {"state", "1"}})
                 .text("answer"),
             QString("C"));
    QStringList students;
    for (RecordSet rs = store.query(Sql::Candidates, {{"code", "1"}}); !rs.atEnd(); rs.moveNext())
        students << rs.text("student");
    students.sort();
    QCOMPARE(students, (QStringList{"s1", "s2"}));
    RecordSet card = store.query(Sql::AnswerCard, {{"code", "1"}, {"student", "s1"}, {"state", "1"}});
    QCOMPARE(card.rowCount(), 2);
    QCOMPARE(card.integer("tihao"), 1);
    QVERIFY(store.execute(Sql::DeleteAnswer, key));
    QCOMPARE(
        store.query(Sql::SittingAnswerCount, {{"code", "1"}, {"student", "s1"}, {"state", "1"}}).number(1),
        1.0);
    QVERIFY(store.execute(Sql::ClearSitting, {{"code", "1"}, {"student", "s1"}, {"state", "1"}}));
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 1);
}

void StoreTest::quotedAndWildValuesTouchNoOtherRow() {
    TestBank bank;
    bank.addPaper("1", "甲", 1, true, 1);
    bank.addQuestion("1", 1, "q", "A");
    bank.addAnswer("1", 1, "A", "s1", "张", "1");
    bank.addAnswer("1", 1, "B", "s2", "李", "1");
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);
    const QStringList hostile = {"' or '1'='1", "%",
                                 "_",           "\\",
                                 "s1' --",      "s1'; delete from 评分; --",
                                 "s1\"",        QString(10000, QChar('x'))};
    for (const QString& value : hostile) {
        store.execute(Sql::ClearSitting, {{"code", "1"}, {"student", value}, {"state", "1"}});
        store.execute(Sql::UpdateExamAnswer,
                      {{"answer", "X"}, {"code", "1"}, {"n", 1}, {"student", value}, {"state", "1"}});
        store.execute(Sql::SavePractice, {{"answer", value}, {"code", value}, {"n", 1}});
        QCOMPARE(store.query(Sql::Candidates, {{"code", value}}).rowCount(), 0);
    }
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 2);
    QCOMPARE(bank.scalar("select count(*) from 评分 where answer='X'").toInt(), 0);
    QCOMPARE(bank.scalar("select practice from 题库").toString(), QString());
    // A value holding a quote is stored as it is.
    QVERIFY(store.execute(Sql::SavePractice, {{"answer", "it's"}, {"code", "1"}, {"n", 1}}));
    QCOMPARE(bank.scalar("select practice from 题库").toString(), QString("it's"));
}

void StoreTest::searchMatchesCodeOrNameLiterally() {
    TestBank bank;
    bank.addPaper("A1", "会计基础", 1, true, 1);
    bank.addPaper("B2", "审计50%", 1, true, 1);
    bank.addPaper("C_3", "税法", 1, true, 1);
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);
    auto search = [&](const QString& text) {
        QStringList codes;
        for (RecordSet rs = store.query(Sql::SearchPapers, {{"pattern", Store::containsPattern(text)}});
             !rs.atEnd(); rs.moveNext())
            codes << rs.text("code");
        codes.sort();
        return codes;
    };
    QCOMPARE(search(""), (QStringList{"A1", "B2", "C_3"}));
    QCOMPARE(search("会计"), (QStringList{"A1"}));
    QCOMPARE(search("a"), (QStringList{"A1"})); // without regard to case
    QCOMPARE(search("%"), (QStringList{"B2"}));
    QCOMPARE(search("_"), (QStringList{"C_3"}));
    QCOMPARE(search("\\"), QStringList());
    QCOMPARE(search("'"), QStringList());
    QStringList all;
    for (RecordSet rs = store.query(Sql::AllPapers); !rs.atEnd(); rs.moveNext())
        all << rs.text("code");
    QCOMPARE(all, (QStringList{"A1", "B2", "C_3"}));
}

void StoreTest::appendRowCommitsAtOnce() {
    TestBank bank;
    Store store;
    QCOMPARE(store.open(bank.dbPath()), Store::OpenResult::Ok);
    QVERIFY(store.appendRow("评分", {{"tihao", 7},
                                     {"code", "9"},
                                     {"answer", "AB"},
                                     {"student", "1"},
                                     {"xingming", "王"},
                                     {"state", "2"}}));
    // Another connection sees it at once.
    QCOMPARE(bank.scalar("select answer from 评分 where tihao=7").toString(), QString("AB"));
    QVERIFY(!store.appendRow("评分", {{"no_such_column", 1}}));
    QVERIFY(!store.appendRow("other", {{"code", 1}}));
}

void StoreTest::recordSetPositionsAndEmptyReads() {
    RecordSet rs({"a", "b"}, {{1, "x"}, {2, "y"}});
    QCOMPARE(rs.integer(1), 1);
    QCOMPARE(rs.text("B"), QString("x"));
    rs.moveNext();
    QCOMPARE(rs.text(2), QString("y"));
    rs.moveNext();
    QVERIFY(rs.atEnd());
    QCOMPARE(rs.text("a"), QString());
    QCOMPARE(rs.integer(1), 0);
    QVERIFY(!rs.flag("a"));
    rs.moveFirst();
    QCOMPARE(rs.integer("a"), 1);
    QCOMPARE(rs.text("missing"), QString());
    QCOMPARE(rs.text(9), QString());
}

QTEST_MAIN(StoreTest)
#include "test_store.moc"
