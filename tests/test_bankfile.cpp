// The bank file as users treat it: a document they copy while the program runs, replace with
// another bank, open from a folder they cannot write, or receive from another tool. ks.db alone
// holds every saved answer; a log an older version left beside it is put in only when it belongs
// to it; a read-only bank is read and every save says why it was not kept.
#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "store/BankFile.h"
#include "store/Store.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <pwd.h>
#include <unistd.h>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Statements on a bank through a connection of the test's own, outside the program.
void run(const QString& path, const QStringList& statements, const QString& connection = "outside") {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", connection);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& s : statements)
            QVERIFY2(q.exec(s), qPrintable(s + ": " + q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(connection);
}

QStringList column(const QString& path, const QString& sql) {
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "look");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(sql);
        while (q.next())
            out << q.value(0).toString();
    }
    QSqlDatabase::removeDatabase("look");
    return out;
}

// Copies the folder, as a kill at this moment would leave it, into `into` while a connection of
// the test's own runs the statements: the bank and the files with the given suffixes beside it.
// With a write-ahead log (as older versions of the program saved) the changes are only in the log;
// in an unfinished change with a small cache some changed pages are already in the bank and the
// journal that undoes them lies beside it.
void killDuring(const QString& path, const QStringList& statements, const QString& into,
                const QStringList& suffixes) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "killed");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& s : statements)
            QVERIFY2(q.exec(s), qPrintable(q.lastError().text()));
        for (const QString& suffix : QStringList{""} + suffixes) {
            QFile::remove(into + "/ks.db" + suffix);
            QVERIFY(QFile::copy(path + suffix, into + "/ks.db" + suffix));
        }
        q.exec("rollback");
    }
    QSqlDatabase::removeDatabase("killed");
}

// What an older version saved in its log.
void leaveLogBehind(const QString& path, const QString& into) {
    killDuring(path,
               {"pragma journal_mode=wal", "pragma wal_autocheckpoint=0",
                "update 题库 set practice='B' where tihao in (1, 17, 33)",
                "insert into 评分 (code, tihao, answer, student, xingming, state) values ('1', 2, 'C', "
                "'007', '张三', '一')"},
               into, {"-wal", "-shm"});
}

// A bank of 40 questions whose texts fill several pages.
void fill(TestBank& bank) {
    bank.addPaper("1", "Dalmora", 40, true, 60);
    for (int i = 1; i <= 40; ++i)
        bank.addQuestion(
            "1", i, QStringLiteral("甲卷第%1题 ").arg(i) + QString(120, QChar(0x8D26)) + " A.甲 B.乙", "A");
}

} // namespace

class BankFileTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }

    void everySaveIsInTheFileAlone();
    void leftoverJournalLeavesANewBankAlone();
    void cutOffChangeIsUndoneOnlyInItsOwnBank_data();
    void cutOffChangeIsUndoneOnlyInItsOwnBank();
    void unwritableLeftoverJournalMakesWay();
    void logOfThisBankIsPutIn();
    void logOfAnotherBankIsKeptAside_data();
    void logOfAnotherBankIsKeptAside();
    void readOnlyBankIsReadAndSavesSayWhy_data();
    void readOnlyBankIsReadAndSavesSayWhy();
    void numbersDeclaredAsTextCompareAsNumbers();

  private:
    void checkReadOnlyBank(const QString& dir, const QString& what, const QString& reason);
    void checkLogPutIn(const QString& dir);
    void checkUnwritableJournal(const QString& dir);
    void giveToNobody(const QString& dir, bool folderToo);
    void runAsNobody(const QString& dir);
};

// The program saves; a copy of ks.db alone, taken while it runs (or after it was ended without
// closing), holds the answers. Between saves only the journal lies beside it, its header zeroed:
// a copy of both reads the same. Another program may remove the journal or put another file in its
// place between saves: the next save takes it as it finds it.
void BankFileTest::everySaveIsInTheFileAlone() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 5, 5, true, 10);
    MainWindow w(bank.dir());
    PracticeWindow* p = w.practiceWindow();
    const QString journalPath = bank.dbPath() + "-journal";
    for (const char* answer : {"A", "BC", "D"}) {
        p->答案超级编辑框->setBoxText(answer);
        p->保存按钮->click();
        const QByteArray before = bytesOf(journalPath);
        QVERIFY(QFile::remove(journalPath));
        if (QByteArray(answer) == "BC") {
            QFile other(journalPath);
            QVERIFY(other.open(QIODevice::WriteOnly) && other.write(before) == before.size());
        }
    }
    QVERIFY(w.store().appendRow("评分", {{"tihao", 1},
                                         {"code", "1"},
                                         {"answer", "A"},
                                         {"student", "007"},
                                         {"xingming", "张三"},
                                         {"state", "一"}}));
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(filesIn(bank.dir()), (QStringList{"ks.db", "ks.db-journal"}));
    QVERIFY(!bankfile::readHeader(bank.dbPath()).walMode);
    const QByteArray journal = bytesOf(bank.dbPath() + "-journal");
    QVERIFY(journal.size() >= 28);
    QCOMPARE(journal.left(28), QByteArray(28, '\0'));
    QVERIFY(!bankfile::readJournal(bank.dbPath() + "-journal").hot);
    for (const bool withJournal : {false, true}) {
        QTemporaryDir elsewhere;
        QVERIFY(QFile::copy(bank.dbPath(), elsewhere.filePath("ks.db")));
        if (withJournal)
            QVERIFY(QFile::copy(bank.dbPath() + "-journal", elsewhere.filePath("ks.db-journal")));
        QCOMPARE(column(elsewhere.filePath("ks.db"), "select practice from 题库 order by tihao"),
                 QStringList({"A", "BC", "D", "", ""}));
        QCOMPARE(column(elsewhere.filePath("ks.db"), "select xingming from 评分"), QStringList{"张三"});
    }
}

// The program saved in one bank and was closed; the user copies another bank over ks.db. The
// journal left beside it holds the old bank's pages, but its header is zeroed: the new bank opens
// exactly as it came, without a word, and takes saves.
void BankFileTest::leftoverJournalLeavesANewBankAlone() {
    TestBank older;
    fill(older);
    {
        MainWindow w(older.dir());
        w.practiceWindow()->答案超级编辑框->setBoxText("B");
        w.practiceWindow()->保存按钮->click();
    }
    QVERIFY(QFileInfo(older.dbPath() + "-journal").size() > 4096);
    TestBank newer;
    fill(newer);
    run(newer.dbPath(), {"update 题库 set question = replace(question, '甲卷', '乙卷')"});
    QVERIFY(QFile::remove(older.dbPath()));
    QVERIFY(QFile::copy(newer.dbPath(), older.dbPath()));
    const QByteArray copied = bytesOf(older.dbPath());

    MainWindow w(older.dir());
    QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
    PracticeWindow* p = w.practiceWindow();
    QVERIFY(p->题目超级编辑框->boxText().startsWith("乙卷第1题"));
    QCOMPARE(p->答案超级编辑框->boxText(), QString());
    QCOMPARE(bytesOf(older.dbPath()), copied);
    p->答案超级编辑框->setBoxText("C");
    p->保存按钮->click();
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(column(older.dbPath(), "pragma integrity_check"), QStringList{"ok"});
    QVERIFY(!column(older.dbPath(), "select question from 题库").join("").contains("甲卷"));
    QCOMPARE(column(older.dbPath(), "select group_concat(practice, '') from 题库"), QStringList{"C"});
}

// The folder came from a read-only disk: the user made ks.db writable, but not the journal of an
// earlier save beside it. That journal holds nothing; it makes way, and saves are kept. (Root may
// write any file: run as root, the checks run as the user nobody.)
void BankFileTest::unwritableLeftoverJournalMakesWay() {
    if (const QString given = qEnvironmentVariable("VELTARO_TEST_FOLDER"); !given.isEmpty()) {
        checkUnwritableJournal(given);
        return;
    }
    TestBank bank;
    fill(bank);
    {
        MainWindow w(bank.dir());
        w.practiceWindow()->答案超级编辑框->setBoxText("B");
        w.practiceWindow()->保存按钮->click();
    }
    QTemporaryDir dir;
    for (const char* name : {"ks.db", "ks.db-journal"})
        QVERIFY(QFile::copy(bank.dir() + "/" + name, dir.filePath(name)));
    QVERIFY(QFile::setPermissions(dir.filePath("ks.db"), QFileDevice::Permissions(0x6644)));
    QVERIFY(QFile::setPermissions(dir.filePath("ks.db-journal"), QFileDevice::Permissions(0x4444)));
    if (::geteuid() == 0) {
        giveToNobody(dir.path(), true);
        runAsNobody(dir.path());
    } else {
        checkUnwritableJournal(dir.path());
    }
}

void BankFileTest::checkUnwritableJournal(const QString& dir) {
    QVERIFY(!QFileInfo(dir + "/ks.db-journal").isWritable());
    MainWindow w(dir);
    QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->答案超级编辑框->boxText(), QString("B"));
    p->答案超级编辑框->setBoxText("C");
    p->保存按钮->click();
    QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
    QCOMPARE(column(dir + "/ks.db", "select practice from 题库 where tihao = 1"), QStringList{"C"});
}

void BankFileTest::cutOffChangeIsUndoneOnlyInItsOwnBank_data() {
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<bool>("sameCounter");
    QTest::newRow("same bank") << false << false;
    QTest::newRow("bank replaced after the kill") << true << false;
    QTest::newRow("bank replaced by one with the same change counter") << true << true;
}

// A change was cut off with pages of it already in ks.db (a large change spills them), so the
// journal beside it is hot. In its own bank it is rolled back, as SQLite does. When the user has
// copied another bank over ks.db in the meantime, rolling back would write the old bank's pages
// into it: the journal is kept aside, the user told once, and the new bank stays as it came.
void BankFileTest::cutOffChangeIsUndoneOnlyInItsOwnBank() {
    QFETCH(bool, replaced);
    QFETCH(bool, sameCounter);
    TestBank older;
    fill(older);
    QTemporaryDir dir;
    killDuring(older.dbPath(),
               {"pragma cache_size=2", "begin", "update 题库 set practice = hex(randomblob(2000))"},
               dir.path(), {"-journal"});
    const bankfile::Journal journal = bankfile::readJournal(dir.filePath("ks.db-journal"));
    QVERIFY(journal.hot && journal.hasPageOne);
    QCOMPARE(journal.pageSize, bankfile::readHeader(older.dbPath()).pageSize);
    QCOMPARE(journal.pageOneCounter, bankfile::readHeader(older.dbPath()).changeCounter);
    const QByteArray hot = bytesOf(dir.filePath("ks.db-journal"));
    QByteArray copied;
    if (replaced) {
        TestBank newer;
        fill(newer);
        newer.addNumberedPaper("2", "乙卷", 5, 5, true, 10);
        run(newer.dbPath(), {"update 题库 set question = replace(question, '甲卷', '乙卷')"});
        // Its own history: the new bank's change counter has moved on from the old one's, or is
        // by chance the same.
        while (bankfile::readHeader(newer.dbPath()).changeCounter < journal.pageOneCounter + 2)
            run(newer.dbPath(), {"update 试卷 set kstime = kstime + 1"});
        QVERIFY(QFile::remove(dir.filePath("ks.db")));
        QVERIFY(QFile::copy(newer.dbPath(), dir.filePath("ks.db")));
        if (sameCounter) {
            // The counter and its copy SQLite keeps beside it in the header.
            QFile f(dir.filePath("ks.db"));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QByteArray be(4, '\0');
            qToBigEndian(journal.pageOneCounter, be.data());
            for (qint64 at : {24, 92}) {
                f.seek(at);
                f.write(be);
            }
        }
        copied = bytesOf(dir.filePath("ks.db"));
    }

    MainWindow w(dir.path());
    QCOMPARE(column(dir.filePath("ks.db"), "pragma integrity_check"), QStringList{"ok"});
    QCOMPARE(column(dir.filePath("ks.db"), "select count(*) from 题库 where practice <> ''"),
             QStringList{"0"});
    if (!replaced) {
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
        QVERIFY(w.practiceWindow()->题目超级编辑框->boxText().startsWith("甲卷第1题"));
        return;
    }
    QCOMPARE(MessageBox::shown().size(), 1);
    const QString told = MessageBox::shown().first().text;
    QVERIFY2(told.contains("ks.db-journal") && told.contains("不属于现在的 ks.db") &&
                 told.contains("已把它改名为"),
             qPrintable(told));
    QVERIFY(w.practiceWindow()->题目超级编辑框->boxText().startsWith("乙卷第1题"));
    QCOMPARE(bytesOf(dir.filePath("ks.db")), copied);
    const QStringList files = filesIn(dir.path());
    QCOMPARE(files.size(), 2);
    QVERIFY(files[1].startsWith("ks.db-journal.未使用-"));
    QVERIFY(told.contains(files[1]));
    QCOMPARE(bytesOf(dir.filePath(files[1])), hot);
    // Saves go on in the new bank with a journal of its own.
    w.practiceWindow()->答案超级编辑框->setBoxText("A");
    w.practiceWindow()->保存按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(column(dir.filePath("ks.db"), "select count(*) from 题库 where practice = 'A'"),
             QStringList{"1"});
}

// An older version was killed with answers still in its log, and its shared-memory file was left
// read-only. The answers are put into ks.db, which is a single file again, and the program saves
// as usual. (Root may write any file: run as root, the checks run as the user nobody.)
void BankFileTest::logOfThisBankIsPutIn() {
    if (const QString given = qEnvironmentVariable("VELTARO_TEST_FOLDER"); !given.isEmpty()) {
        checkLogPutIn(given);
        return;
    }
    QTemporaryDir dir;
    TestBank older;
    fill(older);
    leaveLogBehind(older.dbPath(), dir.path());
    QVERIFY(bankfile::readWal(dir.filePath("ks.db-wal")).committedFrames > 0);
    QVERIFY(QFile::setPermissions(dir.filePath("ks.db-shm"), QFileDevice::Permissions(0x4444)));
    if (::geteuid() == 0) {
        giveToNobody(dir.path(), true);
        runAsNobody(dir.path());
    } else {
        checkLogPutIn(dir.path());
    }
}

void BankFileTest::checkLogPutIn(const QString& dir) {
    QVERIFY(!QFileInfo(dir + "/ks.db-shm").isWritable());
    MainWindow w(dir);
    QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().value(0).text));
    PracticeWindow* p = w.practiceWindow();
    QCOMPARE(p->答案超级编辑框->boxText(), QString("B"));
    QCOMPARE(filesIn(dir), QStringList{"ks.db"});
    QVERIFY(!bankfile::readHeader(dir + "/ks.db").walMode);
    QCOMPARE(column(dir + "/ks.db", "select group_concat(tihao) from 题库 where practice <> ''"),
             QStringList{"1,17,33"});
    QCOMPARE(column(dir + "/ks.db", "select answer from 评分"), QStringList{"C"});
    p->答案超级编辑框->setBoxText("D");
    p->保存按钮->click();
    QVERIFY(MessageBox::shown().isEmpty());
    QCOMPARE(column(dir + "/ks.db", "select practice from 题库 where tihao = 1"), QStringList{"D"});
}

void BankFileTest::logOfAnotherBankIsKeptAside_data() {
    QTest::addColumn<bool>("newBankUsedALog");
    QTest::newRow("new bank with a rollback journal") << false;
    QTest::newRow("new bank also used with a log") << true;
}

// After the kill the user copies another bank over ks.db. SQLite would write the old bank's pages
// from the log into it (its questions, standard answers and answers); the program keeps the log
// aside instead, tells the user once, and the new bank stays exactly as it came.
void BankFileTest::logOfAnotherBankIsKeptAside() {
    QFETCH(bool, newBankUsedALog);
    TestBank older;
    fill(older);
    QTemporaryDir given;
    const QString newBank = given.filePath("ks.db");
    QVERIFY(QFile::copy(older.dbPath(), newBank));
    QStringList change = {"update 题库 set question = replace(question, '甲卷', '乙卷')"};
    if (newBankUsedALog)
        change << "pragma journal_mode=wal";
    run(newBank, change);
    QCOMPARE(bankfile::readHeader(newBank).walMode, newBankUsedALog);

    QTemporaryDir dir;
    leaveLogBehind(older.dbPath(), dir.path());
    const QByteArray log = bytesOf(dir.filePath("ks.db-wal"));
    QVERIFY(QFile::remove(dir.filePath("ks.db")));
    QVERIFY(QFile::copy(newBank, dir.filePath("ks.db")));
    const QByteArray copied = bytesOf(dir.filePath("ks.db"));

    // What SQLite alone would make of the folder: the old bank's pages in the new bank.
    {
        QTemporaryDir probe;
        for (const char* suffix : {"", "-wal"})
            QVERIFY(QFile::copy(dir.filePath(QString("ks.db") + suffix),
                                probe.filePath(QString("ks.db") + suffix)));
        QVERIFY(column(probe.filePath("ks.db"), "select question from 题库").join("").contains("甲卷"));
    }

    MainWindow w(dir.path());
    QCOMPARE(MessageBox::shown().size(), 1);
    const QString told = MessageBox::shown().first().text;
    QVERIFY2(told.contains("ks.db-wal") && told.contains("不属于现在的 ks.db") &&
                 told.contains("已把它改名为"),
             qPrintable(told));
    QVERIFY(w.practiceWindow()->题目超级编辑框->boxText().startsWith("乙卷第1题"));
    QCOMPARE(w.practiceWindow()->答案超级编辑框->boxText(), QString());
    QVERIFY(!column(dir.filePath("ks.db"), "select question from 题库").join("").contains("甲卷"));
    QCOMPARE(column(dir.filePath("ks.db"), "select count(*) from 评分"), QStringList{"0"});
    QCOMPARE(column(dir.filePath("ks.db"), "pragma integrity_check"), QStringList{"ok"});
    // The log is kept, renamed, byte for byte; the new bank only lost its log mode.
    const QStringList files = filesIn(dir.path());
    QCOMPARE(files.size(), 2);
    QVERIFY(files[1].startsWith("ks.db-wal.未使用-"));
    QVERIFY(told.contains(files[1]));
    QCOMPARE(bytesOf(dir.filePath(files[1])), log);
    if (!newBankUsedALog)
        QCOMPARE(bytesOf(dir.filePath("ks.db")), copied);
}

void BankFileTest::readOnlyBankIsReadAndSavesSayWhy_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only file") << "file"
                                    << "ks.db 是只读文件";
    QTest::newRow("read-only folder") << "folder"
                                      << "新建文件的权限";
    QTest::newRow("read-only folder with another bank's log") << "folder+log"
                                                              << "新建文件的权限";
    QTest::newRow("read-only folder after a save was cut off") << "folder+cut"
                                                               << "新建文件的权限";
}

// As a user who may not write the file or its folder: the papers and questions are there, one
// message says why answers cannot be saved, every save says "没有保存" and why, and nothing in the
// folder changes. Run as root, the checks run in a child program as the user nobody.
void BankFileTest::readOnlyBankIsReadAndSavesSayWhy() {
    QFETCH(QString, what);
    QFETCH(QString, reason);
    if (const QString given = qEnvironmentVariable("VELTARO_TEST_FOLDER"); !given.isEmpty()) {
        checkReadOnlyBank(given, what, reason);
        return;
    }
    QTemporaryDir dir;
    {
        TestBank older;
        fill(older);
        if (what.endsWith("log")) {
            leaveLogBehind(older.dbPath(), dir.path());
            QVERIFY(QFile::remove(dir.filePath("ks.db")));
            QVERIFY(QFile::remove(dir.filePath("ks.db-shm")));
            run(older.dbPath(), {"update 题库 set question = replace(question, '甲卷', '乙卷')"});
        }
        if (what.endsWith("cut"))
            killDuring(older.dbPath(),
                       {"pragma cache_size=2", "begin", "update 题库 set practice = hex(randomblob(2000))"},
                       dir.path(), {"-journal"});
        else
            QVERIFY(QFile::copy(older.dbPath(), dir.filePath("ks.db")));
    }
    // The files are the user's own; only the file, or only the folder, is read-only.
    for (const QString& f : filesIn(dir.path()))
        QVERIFY(QFile::setPermissions(dir.filePath(f), what == "file" ? QFileDevice::Permissions(0x4444)
                                                                      : QFileDevice::Permissions(0x6644)));
    const bool root = ::geteuid() == 0;
    if (root)
        giveToNobody(dir.path(), what == "file");
    if (what != "file")
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x5555)));
    if (!QTest::currentTestFailed()) {
        if (root)
            runAsNobody(dir.path());
        else
            checkReadOnlyBank(dir.path(), what, reason);
    }
    QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7700));
}

void BankFileTest::checkReadOnlyBank(const QString& dir, const QString& what, const QString& reason) {
    QVERIFY(!QFileInfo(dir + "/ks.db").isWritable() || !QFileInfo(dir).isWritable());
    QMap<QString, QByteArray> before;
    for (const QString& f : filesIn(dir))
        before[f] = bytesOf(dir + "/" + f);

    {
        MainWindow w(dir);
        QCOMPARE(MessageBox::shown().size(), 1);
        const QString told = MessageBox::shown().first().text;
        QVERIFY2(told.contains("只能读取") && told.contains(reason) && told.contains("答案不能保存"),
                 qPrintable(told));
        PracticeWindow* p = w.practiceWindow();
        QVERIFY(p->题目超级编辑框->boxText().contains(what.endsWith("log") ? "乙卷第1题" : "甲卷第1题"));
        if (what.endsWith("log"))
            QVERIFY2(told.contains("不属于现在的 ks.db") && told.contains("它留在原处"), qPrintable(told));
        // The half-written change is undone, as SQLite would undo it in the file itself.
        if (what.endsWith("cut"))
            QCOMPARE(w.store().query(Sql::WrongPractice, {{"code", "1"}}).rowCount(), 0);
        p->下一记录按钮->click();
        QVERIFY(p->题目超级编辑框->boxText().contains("第2题"));
        MessageBox::clear();
        p->答案超级编辑框->setBoxText("AB");
        p->保存按钮->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        const QString save = MessageBox::shown().first().text;
        QVERIFY2(save.startsWith("答案没有保存：题库只能读取") && save.contains(reason), qPrintable(save));
        QCOMPARE(p->题号编辑框->text(), QString("2"));
    }
    QMap<QString, QByteArray> after;
    for (const QString& f : filesIn(dir))
        after[f] = bytesOf(dir + "/" + f);
    QCOMPARE(after.keys(), before.keys());
    QVERIFY(after == before);
}

// The folder's files (and the folder itself, when asked) become the user nobody's.
void BankFileTest::giveToNobody(const QString& dir, bool folderToo) {
    const struct passwd* nobody = ::getpwnam("nobody");
    QVERIFY(nobody);
    for (const QString& f : filesIn(dir))
        QVERIFY(::chown(QFile::encodeName(dir + "/" + f).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
    QVERIFY(::chown(QFile::encodeName(dir).constData(), folderToo ? nobody->pw_uid : 0,
                    folderToo ? nobody->pw_gid : 0) == 0);
    // QTemporaryDir makes its folder for its owner alone.
    QVERIFY(QFile::setPermissions(dir, QFileDevice::Permissions(0x7755)));
}

// Runs the current test function with its data row again in a child program as the user nobody,
// with the folder handed over; fails when it fails there.
void BankFileTest::runAsNobody(const QString& dir) {
    const QString setpriv = QStandardPaths::findExecutable("setpriv");
    if (setpriv.isEmpty())
        QSKIP("running as root, and setpriv is missing to run the test as another user");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VELTARO_TEST_FOLDER", dir);
    env.insert("HOME", dir);
    child.setProcessEnvironment(env);
    QString function = QTest::currentTestFunction();
    if (QTest::currentDataTag())
        function += ':' + QString(QTest::currentDataTag());
    child.start(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "--",
                          QCoreApplication::applicationFilePath(), function});
    QVERIFY(child.waitForFinished(120000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput() + child.readAllStandardError());
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(out));
    QVERIFY2(out.contains("PASS   : BankFileTest::" + QString(QTest::currentTestFunction())),
             qPrintable(out));
}

// A bank from another tool declares its number columns as text, or declares nothing: on first
// open the tables get the program's column types, every row (and column, index and view) stays,
// and the user is told once. ">|" then reaches question 12, not 9.
void BankFileTest::numbersDeclaredAsTextCompareAsNumbers() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ks.db");
    QStringList make = {
        "create table 试卷 (code text, name text, chouti text, paixu text, kstime text)",
        "create table 题库 (ID integer primary key, code, tihao, question, pic, authority, practice, jiexi, "
        "score, 备注 varchar(20) not null default '无')",
        "create table 评分 (code text, tihao text, answer text, student text, xingming text, state text)",
        "create index 题库_备注 on 题库 (备注)",
        "create view 题目数 as select code, count(*) as n from 题库 group by code",
        "insert into 试卷 values ('1', 'Dalmora', '12', '1', '60')",
        "insert into 评分 values ('1', '10', 'A', '007', '张三', '一')",
        "insert into 评分 values ('1', '9', 'B', '007', '张三', '一')",
    };
    for (int i = 1; i <= 12; ++i)
        make << QStringLiteral(
                    "insert into 题库 (ID, code, tihao, question, pic, authority, practice, jiexi, score) "
                    "values (%1, %2, '%3', '第%3题 A.甲 B.乙', '', 'A', '', '', '1.5')")
                    .arg(100 + i)
                    .arg(i % 2 ? "1" : "'1'") // the code stored now as a number, now as text
                    .arg(i);
    run(path, make);

    MainWindow w(dir.path());
    QCOMPARE(MessageBox::shown().size(), 1);
    const QString told = MessageBox::shown().first().text;
    QVERIFY2(told.contains("题库.code") && told.contains("题库.tihao") && told.contains("评分.tihao") &&
                 told.contains("试卷.chouti") && told.contains("所有的行都保留了"),
             qPrintable(told));
    PracticeWindow* p = w.practiceWindow();
    QVERIFY(p->题目超级编辑框->boxText().startsWith("第1题"));
    p->尾记录按钮->click();
    QCOMPARE(p->题号编辑框->text(), QString("12"));
    QVERIFY(p->题目超级编辑框->boxText().startsWith("第12题"));
    QCOMPARE(w.store()
                 .query(Sql::AnswerCard, {{"code", "1"}, {"student", "007"}, {"state", "一"}})
                 .integer("tihao"),
             9);
    // Every row kept with its rowid, extra column and default; numbers now numbers, codes text.
    QCOMPARE(column(path,
                    "select count(*) from 题库 where typeof(tihao) = 'integer' and typeof(code) = 'text' "
                    "and 备注 = '无'"),
             QStringList{"12"});
    QCOMPARE(column(path, "select group_concat(ID) from 题库"),
             QStringList{"101,102,103,104,105,106,107,108,109,110,111,112"});
    QCOMPARE(column(path, "select n from 题目数"), QStringList{"12"});
    QCOMPARE(column(path, "select count(*) from sqlite_master where name = '题库_备注'"), QStringList{"1"});
    // Told once: the next start finds nothing to change.
    MessageBox::clear();
    MainWindow again(dir.path());
    QVERIFY(MessageBox::shown().isEmpty());
}

QTEST_MAIN(BankFileTest)
#include "test_bankfile.moc"
