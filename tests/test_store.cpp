#include "TestSupport.h"

#include "bank/BankEdits.h"
#include "store/Schema.h"
#include "server/ServerAddress.h"
#include "server/ServerBank.h"
#include "store/Statements.h"
#include "store/Store.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Every test runs on a bank file and on a bank on the PostgreSQL test server.
class StoreTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase_data() { addStoreRows(); }
    void init() {
        if (const QString why = useStoreOfRow(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }

    void readsValuesAsTheBankAlwaysHas_data();
    void readsValuesAsTheBankAlwaysHas();
    void opensOnlyAnExistingBank();
    void refusesAFileThatIsNotABank();
    void statementsReadAndChangeTheRightRows();
    void quotedAndWildValuesTouchNoOtherRow();
    void searchMatchesCodeOrNameLiterally();
    void appendRowCommitsAtOnce();
    void recordSetPositionsAndEmptyReads();
    void serverAddressesAsLibpqReadsThem_data();
    void serverAddressesAsLibpqReadsThem();
    void examAnswersKeepOneRowPerKey();
    void answerKeyMadeUniqueBeforeTheFirstExam();
    void renumberingMovesAnswersPastEachOther();
    void lostServerConnectionIsToldAndMadeAgain();
    void aServerThatDoesNotAnswerHoldsNoWindowTwice();
    void bankFileCopiedToAServerAllOrNothing();
    void questionTypesComeWithTheFirstOpen();
    void aBankThatCannotTakeTypesKeepsWorking();
};

namespace {
// The cases that are about a bank file, or about a server, only.
#define ONLY_ON(kind, why)                                                                                   \
    do {                                                                                                     \
        if (storeOfRow() != StoreKind::kind)                                                                 \
            QSKIP(why);                                                                                      \
    } while (false)
} // namespace

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
    ONLY_ON(File, "a bank file's own case");
    QTemporaryDir dir;
    Store store;
    const QString path = dir.filePath("ks.db");
    QCOMPARE(store.open(path), Store::OpenResult::Missing);
    QVERIFY(!QFile::exists(path)); // never creates an empty bank
    QVERIFY(store.query(Sql::AllPapers).atEnd());
    QVERIFY(!store.execute(Sql::ClearPractice, {{"code", "1"}}));
}

void StoreTest::refusesAFileThatIsNotABank() {
    ONLY_ON(File, "a bank file's own case");
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
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);

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
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
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
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
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
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
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

void StoreTest::serverAddressesAsLibpqReadsThem_data() {
    QTest::addColumn<QString>("uri");
    QTest::addColumn<QStringList>("parts"); // hosts, ports, dbname, user, password, short name
    QTest::addColumn<bool>("ok");
    QTest::newRow("everything") << "postgresql://veltaro:秘密@10.0.0.5:5433/考场?sslmode=require"
                                << QStringList{"10.0.0.5", "5433", "考场",
                                               "veltaro",  "秘密", "考场@10.0.0.5:5433"}
                                << true;
    QTest::newRow("socket folder") << "postgresql:///veltaro?host=/run/postgresql"
                                   << QStringList{"/run/postgresql", "", "veltaro", "", "", "veltaro@本机"}
                                   << true;
    QTest::newRow("escaped") << "postgres://u%40x:p%3Aw%2F@h/d%20b"
                             << QStringList{"h", "", "d b", "u@x", "p:w/", "d b@h"} << true;
    QTest::newRow("two hosts") << "postgresql://[::1]:5432,h2/db"
                               << QStringList{"::1,h2", "5432,", "db", "", "", "db@::1"} << true;
    QTest::newRow("query wins") << "postgresql://h:1/db?port=6000&user=a&dbname=x"
                                << QStringList{"h", "6000", "x", "a", "", "x@h:6000"} << true;
    QTest::newRow("nothing") << "postgresql://" << QStringList{"", "", "", "", "", "默认数据库@本机"} << true;
    QTest::newRow("another scheme") << "mysql://h/db" << QStringList() << false;
    QTest::newRow("port not a number") << "postgresql://h:abc/db" << QStringList() << false;
    QTest::newRow("parameter without value") << "postgresql://h/db?sslmode" << QStringList() << false;
    QTest::newRow("semicolon the driver would split")
        << "postgresql://h/db?options=-c%20a=1;b" << QStringList() << false;
    QTest::newRow("open bracket") << "postgresql://[::1/db" << QStringList() << false;
}

void StoreTest::serverAddressesAsLibpqReadsThem() {
    ONLY_ON(File, "no store involved");
    QFETCH(QString, uri);
    QFETCH(QStringList, parts);
    QFETCH(bool, ok);
    const ServerAddress a = ServerAddress::parse(uri);
    QCOMPARE(a.ok(), ok);
    if (!ok) {
        QVERIFY(!a.error.isEmpty());
        return;
    }
    QCOMPARE((QStringList{a.hosts, a.ports, a.dbname, a.user, a.password, a.shortName()}), parts);
    // Written out and read again, it is the same address, and what is shown keeps the password back.
    const ServerAddress again = ServerAddress::parse(a.toUri());
    QCOMPARE((QStringList{again.hosts, again.ports, again.dbname, again.user, again.password}),
             parts.mid(0, 5));
    QCOMPARE(again.parameters, a.parameters);
    if (!a.password.isEmpty())
        QVERIFY(!a.shownUri().contains(QUrl::toPercentEncoding(a.password)) &&
                !a.shownUri().contains(a.password));
    // Time limits unless the URI sets its own; values quoted as libpq reads them.
    const QString options =
        ServerAddress::parse(uri + (uri.contains('?') ? "&" : "?") + "connect_timeout=9").connectOptions();
    QVERIFY(options.contains("connect_timeout='9'"));
    QVERIFY(!options.contains("connect_timeout='5'"));
    QVERIFY(a.connectOptions().contains("connect_timeout='5'"));
    QVERIFY(
        ServerAddress::parse("postgresql://h/db?options=it's").connectOptions().contains("options='it\\'s'"));
}

void StoreTest::examAnswersKeepOneRowPerKey() {
    TestBank bank;
    bank.addNumberedPaper("1", "甲", 3, 3, true, 10);
    // Two programs on one bank.
    Store a, b;
    QCOMPARE(bank.openStore(a), Store::OpenResult::Ok);
    QCOMPARE(bank.openStore(b), Store::OpenResult::Ok);
    QVERIFY(a.prepareForExams().isEmpty());
    QVERIFY(b.prepareForExams().isEmpty());
    QVERIFY(a.uniqueAnswers() && b.uniqueAnswers());
    auto save = [](Store& s, const QString& student, const QString& state, const QString& answer,
                   const QString& name) {
        return s.execute(Sql::SaveExamAnswer, {{"n", 1},
                                               {"code", "1"},
                                               {"answer", answer},
                                               {"student", student},
                                               {"name", name},
                                               {"state", state}});
    };
    QVERIFY(save(a, "s1", "第一场", "A", "张三"));
    QVERIFY(save(b, "S1", "第一场", "B", "李四")); // the same candidate, without regard to case
    QVERIFY(save(a, "s1", "第一场", "C", "张三"));
    QVERIFY(save(b, "s1", "第二场", "D", "张三"));
    const auto rows = bank.rows("select student, state, answer, xingming from 评分 order by state");
    QCOMPARE(rows.size(), 2);
    // The answer is the last one saved; the row keeps the name it was made with.
    QCOMPARE(rows[0], (QVariantList{"s1", "第一场", "C", "张三"}));
    QCOMPARE(rows[1], (QVariantList{"s1", "第二场", "D", "张三"}));
}

void StoreTest::answerKeyMadeUniqueBeforeTheFirstExam() {
    ONLY_ON(File, "a server bank's key is unique from the start");
    TestBank bank;
    bank.addNumberedPaper("1", "甲", 3, 3, true, 10);
    for (int i = 0; i < 3; ++i)
        bank.addAnswer("1", 1, "A", "s1", "张", "1");
    bank.addAnswer("1", 2, "B", "s1", "张", "1");
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    // Opening leaves the file as it came.
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 4);
    QVERIFY(!store.uniqueAnswers());
    QVERIFY(!store.claimsSittings());
    // The first exam: copies go, the key becomes unique, sittings can be claimed; told once.
    const QStringList told = store.prepareForExams();
    QCOMPARE(told.size(), 1);
    QVERIFY(told[0].contains("2 行"));
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 2);
    QVERIFY(store.uniqueAnswers());
    QVERIFY(store.claimsSittings());
    QVERIFY(store.prepareForExams().isEmpty());
    QVERIFY(bank.rows("select name from sqlite_master where name='评分_key'").isEmpty());

    // Different answers under one key are the user's to sort out: nothing is changed.
    TestBank other;
    other.addNumberedPaper("1", "甲", 3, 3, true, 10);
    other.addAnswer("1", 1, "A", "s1", "张", "1");
    other.addAnswer("1", 1, "B", "s1", "张", "1");
    Store second;
    QCOMPARE(other.openStore(second), Store::OpenResult::Ok);
    const QStringList found = second.prepareForExams();
    QCOMPARE(found.size(), 1);
    QVERIFY(found[0].contains("1 组"));
    QCOMPARE(other.scalar("select count(*) from 评分").toInt(), 2);
    QVERIFY(!second.uniqueAnswers());
}

// The exam answers follow their questions one row at a time, under a unique key.
void StoreTest::renumberingMovesAnswersPastEachOther() {
    TestBank bank;
    bank.addPaper("1", "甲", 3, true, 10);
    bank.addPaper("2", "乙", 2, true, 10);
    const int numbers[][2] = {{1, 7}, {1, 3}, {1, 2}, {2, 0}, {2, 1}};
    for (const auto& [paper, n] : numbers) {
        bank.addQuestion(QString::number(paper), n, QString("题%1").arg(n), "A");
        bank.addAnswer(QString::number(paper), n, QString("答%1").arg(n), "s1", "张", "1");
    }
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    store.prepareForExams();
    QVERIFY(store.uniqueAnswers());
    // Down: 2, 3, 7 become 1, 2, 3; up: 0, 1 become 1, 2.
    QCOMPARE(bank::renumber(store, "1"), QString());
    QCOMPARE(bank::renumber(store, "2"), QString());
    QCOMPARE(bank.rows("select code, tihao, answer from 评分 order by code, tihao"),
             (QList<QVariantList>{
                 {"1", 1, "答2"}, {"1", 2, "答3"}, {"1", 3, "答7"}, {"2", 1, "答0"}, {"2", 2, "答1"}}));
}

void StoreTest::lostServerConnectionIsToldAndMadeAgain() {
    ONLY_ON(Server, "a server's connection");
    TestBank bank;
    bank.addNumberedPaper("1", "甲", 3, 3, true, 10);
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    // The server ends the store's session, as a restart of the server does.
    auto cut = [&] {
        QSqlQuery q(QSqlDatabase::database(store.connectionName(), false));
        QVERIFY(q.exec("select pg_backend_pid()") && q.next());
        TestBank::adminExec(QString("select pg_terminate_backend(%1)").arg(q.value(0).toLongLong()));
    };
    const Params answer{{"n", 1},          {"code", "1"},  {"answer", "A"},
                        {"student", "s1"}, {"name", "张"}, {"state", "1"}};

    // A read, and a save through the answer's key, are simply made again on a new connection.
    cut();
    QCOMPARE(store.query(Sql::PaperByCode, {{"code", "1"}}).text("name"), QString("甲"));
    cut();
    QVERIFY(store.execute(Sql::SaveExamAnswer, answer));
    QVERIFY(store.execute(Sql::SaveExamAnswer, answer));
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 1);
    // A row without a key of its own is not made twice on the chance: that save says it was not
    // made, and the next one is.
    cut();
    const Params row{{"tihao", 2},      {"code", "1"},      {"answer", "B"},
                     {"student", "s1"}, {"xingming", "张"}, {"state", "1"}};
    QVERIFY(!store.appendRow("评分", row));
    QVERIFY(store.connectionLost());
    QVERIFY(store.lastError().startsWith("无法连接题库服务器"));
    QVERIFY(store.appendRow("评分", row));
    QVERIFY(!store.connectionLost());
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 2);

    // While the server takes no connection at all, every statement says so; then all goes on.
    const QString database = ServerAddress::parse(bank.serverUri()).dbname;
    TestBank::adminExec(QString("alter database %1 allow_connections false").arg(database));
    cut();
    QVERIFY(!store.execute(Sql::SaveExamAnswer, answer));
    QVERIFY(store.connectionLost());
    QVERIFY(store.query(Sql::PaperByCode, {{"code", "1"}}).atEnd());
    QVERIFY(store.lastError().startsWith("无法连接题库服务器"));
    TestBank::adminExec(QString("alter database %1 allow_connections true").arg(database));
    QVERIFY(store.execute(Sql::SaveExamAnswer, answer));

    // A transaction cut off halfway leaves nothing of itself.
    QVERIFY(!store.inTransaction([&] {
        if (!store.execute(Sql::ClearSitting, {{"code", "1"}, {"student", "s1"}, {"state", "1"}}))
            return false;
        cut();
        return store.execute(Sql::SaveExamAnswer, answer);
    }));
    QCOMPARE(bank.scalar("select count(*) from 评分").toInt(), 2);
    QCOMPARE(
        store.query(Sql::SittingAnswerCount, {{"code", "1"}, {"student", "s1"}, {"state", "1"}}).integer(1),
        2);
}

namespace {
// An empty database on the test server, dropped again at the end.
struct EmptyDatabase {
    explicit EmptyDatabase(const QString& name) : name(name) {
        TestBank::adminExec(QString("drop database if exists %1 with (force)").arg(name));
        TestBank::adminExec(QString("create database %1").arg(name));
        uri = ServerAddress::parse(testServerUri()).withDatabase(name).toUri();
    }
    ~EmptyDatabase() { TestBank::adminExec(QString("drop database if exists %1 with (force)").arg(name)); }
    QString name;
    QString uri;
};
} // namespace

void StoreTest::aServerThatDoesNotAnswerHoldsNoWindowTwice() {
    ONLY_ON(Server, "a server's connection");
    // A socket that takes connections and never answers, as a server does that cannot keep up.
    QTemporaryDir dir;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    QVERIFY(listener >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(dir.filePath(".s.PGSQL.5999"));
    QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
    std::copy(path.begin(), path.end(), address.sun_path);
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0);
    QVERIFY(::listen(listener, 8) == 0);
    Store store;
    QCOMPARE(store.openServer(QString("postgresql://veltaro@/bank?host=%1&port=5999&connect_timeout=2").arg(dir.path())),
             Store::OpenResult::Unreadable);
    QVERIFY2(store.lastError().startsWith("无法连接题库服务器"), qPrintable(store.lastError()));
    int attempts = 0;
    for (int c; (c = ::accept(listener, nullptr, nullptr)) >= 0; ++attempts)
        ::close(c);
    ::close(listener);
    QCOMPARE(attempts, 2);

    // Working on: the store reaches the server through a link, and the server stops answering
    // (the link now leads to the silent socket). One attempt to make the connection again runs out
    // of time; the next statements fail at once instead of holding the window again.
    TestBank bank;
    bank.addNumberedPaper("1", "甲", 3, 3, true, 10);
    const ServerAddress real = ServerAddress::parse(bank.serverUri());
    QTemporaryDir linkDir;
    const QString socketName = QString(".s.PGSQL.%1").arg(real.ports);
    QVERIFY(QFile::link(QDir(real.hosts).filePath(socketName), linkDir.filePath(socketName)));
    ServerAddress viaLink = real;
    viaLink.hosts = linkDir.path();
    viaLink.parameters.append(qMakePair(QString("connect_timeout"), QString("2")));
    Store working;
    QCOMPARE(working.openServer(viaLink.toUri()), Store::OpenResult::Ok);
    QCOMPARE(working.query(Sql::PaperByCode, {{"code", "1"}}).text("name"), QString("甲"));
    QSqlQuery pid(QSqlDatabase::database(working.connectionName(), false));
    QVERIFY(pid.exec("select pg_backend_pid()") && pid.next());
    const qint64 backend = pid.value(0).toLongLong();
    pid.finish();
    QVERIFY(QFile::remove(linkDir.filePath(socketName)));
    const int silent = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_un at{};
    at.sun_family = AF_UNIX;
    const QByteArray atPath = QFile::encodeName(linkDir.filePath(socketName));
    std::copy(atPath.begin(), atPath.end(), at.sun_path);
    QVERIFY(::bind(silent, reinterpret_cast<sockaddr*>(&at), sizeof(at)) == 0 && ::listen(silent, 8) == 0);
    TestBank::adminExec(QString("select pg_terminate_backend(%1)").arg(backend));
    TestBank::adminExec("select pg_sleep(0.2)");
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!working.query(Sql::PaperByCode, {{"code", "1"}}).text("name").size());
        QVERIFY(!working.lastQuerySucceeded());
        QVERIFY2(working.lastError().startsWith("无法连接题库服务器"), qPrintable(working.lastError()));
        QVERIFY(working.connectionLost());
    }
    attempts = 0;
    for (int c; (c = ::accept(silent, nullptr, nullptr)) >= 0; ++attempts)
        ::close(c);
    ::close(silent);
    QCOMPARE(attempts, 1);
}

void StoreTest::bankFileCopiedToAServerAllOrNothing() {
    ONLY_ON(Server, "a copy onto the server");
    TestBank file(StoreKind::File);
    file.addPaper("1", "甲", 2, true, 60);
    file.addPaper("b", "乙", 1, false, 10);
    // Another tool's bank: a number column holding text.
    file.exec("update 试卷 set kstime='90分' where code='1'");
    file.addQuestion("1", 1, "q1", "AB", 2);
    file.addQuestion("1", 2, "q2", "C", 1.5);
    file.addAnswer("1", 1, "BA", "s1", "张三", "1");
    file.addAnswer("1", 1, "BA", "s1", "张三", "1"); // saved twice
    file.addAnswer("1", 2, "c", "s1", "张三", "1");
    file.exec("insert into 练习记录 (code, tihao, answer, correct, answered) values "
              "('1', 2, 'A', 0, '2026-03-10 09:00:00')");
    file.exec(
        "insert into 复习计划 (code, tihao, box, due, answers, wrong) values ('1', 2, 0, 2461110, 1, 1)");

    EmptyDatabase target("veltaro_copy_target");
    const bankimport::ImportResult copied = serverbank::copyToServer(file.dbPath(), target.uri);
    QVERIFY2(copied.ok, qPrintable(copied.error));
    // The practice history, its schedule and the scoring rules (none here) come along.
    QCOMPARE(copied.counts.size(), 6);
    QCOMPARE(copied.counts[0].rows, 2);
    QCOMPARE(copied.counts[1].rows, 2);
    QCOMPARE(copied.counts[2].rows, 2);
    QCOMPARE(copied.counts[3].table, QString("练习记录"));
    QCOMPARE(copied.counts[3].rows, 1);
    QCOMPARE(copied.counts[4].rows, 1);
    QCOMPARE(copied.notes.size(), 2); // the copy taken once, the text read as a number
    QCOMPARE(file.scalar("select count(*) from 评分").toInt(), 3); // the file is only read

    Store store;
    QCOMPARE(store.openServer(target.uri), Store::OpenResult::Ok);
    QVERIFY(store.uniqueAnswers() && store.claimsSittings());
    const RecordSet paper = store.query(Sql::PaperByCode, {{"code", "1"}});
    QCOMPARE(paper.integer("kstime"), 90);
    QVERIFY(paper.value("kstime").typeId() != QMetaType::QString);
    QCOMPARE(store.query(Sql::PaperByCode, {{"code", "B"}}).text("name"), QString("乙"));
    QCOMPARE(store.query(Sql::AnswerCard, {{"code", "1"}, {"student", "S1"}, {"state", "1"}}).rowCount(), 2);
    // New rows are numbered after the copied ones.
    QVERIFY(store.execute(Sql::InsertQuestion, {{"code", "1"},
                                                {"n", 3},
                                                {"question", "q3"},
                                                {"pic", ""},
                                                {"authority", "D"},
                                                {"practice", ""},
                                                {"jiexi", ""},
                                                {"score", 1}}));
    QList<qint64> ids;
    for (RecordSet rs = store.query(Sql::QuestionList, {{"code", "1"}}); !rs.atEnd(); rs.moveNext())
        ids << rs.integer("行号");
    QCOMPARE(ids.size(), 3);
    QVERIFY(ids[0] < ids[1] && ids[1] < ids[2]);

    // A database that holds the tables is left alone.
    const bankimport::ImportResult again = serverbank::copyToServer(file.dbPath(), target.uri);
    QVERIFY(!again.ok);
    QVERIFY(again.error.contains("已经有题库的表"));
    QCOMPARE(store.query(Sql::QuestionCount, {{"code", "1"}}).integer(1), 3);

    // Different answers under one key are named, and nothing is made.
    TestBank conflicting(StoreKind::File);
    conflicting.addNumberedPaper("1", "甲", 1, 1, true, 10);
    conflicting.addAnswer("1", 1, "A", "s1", "张", "1");
    conflicting.addAnswer("1", 1, "B", "s1", "张", "1");
    EmptyDatabase untouched("veltaro_copy_untouched");
    const bankimport::ImportResult refused = serverbank::copyToServer(conflicting.dbPath(), untouched.uri);
    QVERIFY(!refused.ok);
    QVERIFY2(refused.error.contains("试卷 1 第 1 题 考号 s1 场次 1"), qPrintable(refused.error));
    Store empty;
    QCOMPARE(empty.openServer(untouched.uri), Store::OpenResult::MissingTables);

    // The import tool does the same from the command line.
    EmptyDatabase byTool("veltaro_copy_tool");
    QProcess tool;
    tool.start(VELTARO_IMPORT_TOOL, {file.dbPath(), byTool.uri});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 0);
    QVERIFY(QString::fromUtf8(tool.readAllStandardOutput()).contains("评分\t2"));
    tool.start(VELTARO_IMPORT_TOOL, {file.dbPath(), byTool.uri});
    QVERIFY(tool.waitForFinished(60000));
    QCOMPARE(tool.exitCode(), 1);
    QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains("已经有题库的表"));
}

void StoreTest::questionTypesComeWithTheFirstOpen() {
    TestBank bank;
    bank.addPaper("1", "甲", 7, true, 60);
    const QStringList answers{"A", " b c", "对", "错", "", "AH", "ac"};
    for (int i = 0; i < answers.size(); ++i)
        bank.addQuestion("1", i + 1, QStringLiteral("q%1").arg(i + 1), answers[i], 1, "", i == 0 ? "B" : "");
    bank.addAnswer("1", 1, "A", "S1", "张三", "C1");
    // A bank made before the program kept types.
    bank.exec("alter table 题库 drop column tixing");
    auto dump = [&bank] {
        return bank.rows("select * from 试卷 order by code") +
               bank.rows("select code, tihao, question, pic, authority, practice, jiexi, score from 题库 "
                         "order by tihao") +
               bank.rows("select code, tihao, answer, student, xingming, state from 评分");
    };
    const QList<QVariantList> before = dump();
    auto types = [&bank] {
        QStringList out;
        for (const QVariantList& row : bank.rows("select tixing from 题库 order by tihao"))
            out << row.value(0).toString();
        return out;
    };
    {
        Store store;
        QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
        QVERIFY(store.keepsQuestionTypes());
        QVERIFY(store.notices().isEmpty());
    }
    QCOMPARE(dump(), before);
    QCOMPARE(types(), (QStringList{"单选", "多选", "判断", "判断", "", "", "多选"}));

    // The bank window's edits keep a type, and the next open changes none of them.
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    bank::Question q = *bank::questionByNumber(store, "1", 2);
    QCOMPARE(q.tixing, QString("多选"));
    // As the editor hands it over.
    q.tihao = qint64(2);
    q.score = qint64(1);
    q.authority = "BC";
    q.tixing = "不定项";
    QCOMPARE(bank::updateQuestion(store, 2, q), QString());
    q.tihao = qint64(8);
    q.tixing = "单选";
    QVERIFY(bank::addQuestion(store, q).contains("单选题只能有一个标准答案"));
    q.tixing = "判断";
    QVERIFY(bank::addQuestion(store, q).contains("判断题的标准答案只能是"));
    q.tixing = "填空";
    QVERIFY(bank::addQuestion(store, q).contains("题型只能是"));
    q.tixing.clear();
    QCOMPARE(bank::addQuestion(store, q), QString());
    QCOMPARE(bank::listQuestions(store, "1").last().tixing, QString());
    QCOMPARE(bank::typeOf(bank::listQuestions(store, "1").last()), QString("多选"));
    Store again;
    QCOMPARE(bank.openStore(again), Store::OpenResult::Ok);
    QCOMPARE(types(), (QStringList{"单选", "不定项", "判断", "判断", "", "", "多选", ""}));
}

void StoreTest::aBankThatCannotTakeTypesKeepsWorking() {
    TestBank bank;
    bank.addNumberedPaper("1", "甲", 2, 2, true, 10);
    bank.exec("alter table 题库 drop column tixing");
    // Filling the new column fails (a rule of the bank refuses changes that leave the practice
    // answer alone): the column is not added, and the bank is used without it.
    if (bank.onServer()) {
        bank.exec("create function refuse() returns trigger language plpgsql as "
                  "$$ begin if new.practice is not distinct from old.practice then raise exception 'no'; "
                  "end if; return new; end $$");
        bank.exec("create trigger refuse before update on 题库 for each row execute function refuse()");
    } else {
        bank.exec("create trigger refuse before update on 题库 when new.practice is old.practice "
                  "begin select raise(abort, 'no'); end");
    }
    Store store;
    QCOMPARE(bank.openStore(store), Store::OpenResult::Ok);
    QVERIFY(!store.keepsQuestionTypes());
    QCOMPARE(store.notices().size(), 1);
    QVERIFY(store.notices().first().contains("无法在"));
    QCOMPARE(bank.rows("select * from 题库").first().size(), bank.onServer() ? 9 : 8);
    // Reading, practising and adding questions go on; a type given is not kept.
    QCOMPARE(store.query(Sql::Question, {{"code", "1"}, {"n", 2}}).text("question"),
             QString("1-第2题 题干 A.甲 B.乙 C.丙 D.丁"));
    QVERIFY(store.execute(Sql::SavePractice, {{"answer", "B"}, {"code", "1"}, {"n", 1}}));
    bank::Question q = *bank::questionByNumber(store, "1", 1);
    q.tihao = qint64(3);
    q.score = qint64(1);
    q.tixing = "单选";
    QCOMPARE(bank::addQuestion(store, q), QString());
    QCOMPARE(bank::listQuestions(store, "1").size(), 3);
    QCOMPARE(bank::readAll(store).questions.size(), 3);
}

QTEST_MAIN(StoreTest)
#include "test_store.moc"
