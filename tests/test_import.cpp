#include "MemorySource.h"
#include "TestSupport.h"

#include "shell/AppState.h"
#include "app/BankOpening.h"
#include "access/AccessImport.h"
#include "access/AccessReader.h"
#include "ui/MessageBox.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFixtures = QStringLiteral(VELTARO_SOURCE_DIR "/../shared/fixtures/mdb");

#define NEED_FIXTURES()                                                                                      \
    if (!QFileInfo::exists(kFixtures + "/nwind.mdb"))                                                        \
    QSKIP("the Access test files are not beside the repository (../shared/fixtures/mdb)")

QList<SourceColumn> cols(const QStringList& names) {
    QList<SourceColumn> out;
    for (const QString& n : names)
        out << SourceColumn{n, ValueKind::Text, QStringLiteral("Text")};
    return out;
}

// A bank spelt the way Access files often are: upper-case names, extra columns, NULLs, Yes = -1.
MemorySource accessLikeBank(int questions = 2) {
    MemorySource s;
    s.data << MemoryTable{
        QStringLiteral("试卷"),
        cols({"ID", "CODE", "Name", "ChouTi", "PaiXu", "KsTime"}),
        {{1, "1", "会计基础 第一套", 20, true, 90}, {2, "2", QVariant(), QVariant(), false, 45.5}}};
    MemoryTable q{
        QStringLiteral("题库"),
        cols({"code", "tihao", "question", "pic", "authority", "practice", "jiexi", "score", "备注"}),
        {}};
    for (int i = 1; i <= questions; ++i)
        q.rows << QVariantList{"1",          i,   QStringLiteral("第%1题 借贷记账法的记账规则是？").arg(i),
                               QVariant(),   "A", QVariant(),
                               "有借必有贷", 0.5, "ignored"};
    s.data << q;
    s.data << MemoryTable{QStringLiteral("评分"),
                          cols({"code", "tihao", "answer", "student", "xingming", "state"}),
                          {{"1", 1, "A", "2024001", "张三", "考试"}}};
    return s;
}

QStringList leftovers(const QString& dir) {
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort(Qt::CaseSensitive);
    return names;
}

QList<QVariantList> rowsOf(const QString& dbPath, const QString& sql) {
    QList<QVariantList> out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(dbPath);
        if (!db.open())
            return out;
        QSqlQuery q(db);
        q.exec(sql);
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            out << row;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return out;
}

QByteArray digest(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class ImportTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void cleanup() {
        setImportTool({});
        setImportLimits({});
    }

    void readerListsTablesColumnsAndRows();
    void readerDecodesValuesAsStored();
    void accessFilesWithoutTheBankAreRefusedUntouched();
    void convertsValues_data();
    void convertsValues();
    void importsABankWhateverItsSpelling();
    void namesEveryMissingTableAndColumn();
    void failureOrCancelLeavesNothingBehind();
    void startUpImportsOrExplainsOnce();
    void importThatGoesWrongIsToldAndLeavesNothing_data();
    void importThatGoesWrongIsToldAndLeavesNothing();
    void cancelledImportLeavesNothing();
    void commandLineReportsAndRefusesToOverwrite();
};

void ImportTest::readerListsTablesColumnsAndRows() {
    NEED_FIXTURES();
    struct Expect {
        QString file;
        AccessReader::Format format;
        QHash<QString, qint64> counts; // as mdb-count reports them
    };
    const QList<Expect> files = {
        {"DateTestDatabase.mdb", AccessReader::Format::Jet4, {{"DateTest", 6}}},
        {"nwind.mdb",
         AccessReader::Format::Jet3,
         {{"Order Details", 2155},
          {"Orders", 830},
          {"Products", 77},
          {"Shippers", 3},
          {"Categories", 8},
          {"Customers", 91},
          {"Employees", 9},
          {"Suppliers", 29},
          {QStringLiteral("Umsätze"), 830}}},
    };
    for (const Expect& e : files) {
        AccessReader r;
        QCOMPARE(r.open(kFixtures + "/" + e.file), AccessReader::OpenResult::Ok);
        QCOMPARE(r.format(), e.format);
        QStringList expected = e.counts.keys(), got = r.tables();
        expected.sort();
        got.sort();
        QCOMPARE(got, expected); // user tables only, non-ASCII names decoded
        for (const QString& t : got) {
            QCOMPARE(r.rowCount(t), e.counts[t]);
            QList<int> all;
            for (int i = 0; i < r.columns(t).size(); ++i)
                all << i;
            qint64 n = 0;
            QString err;
            const bool ok = r.readRows(
                t, all,
                [&](const QVariantList& v) {
                    ++n;
                    return v.size() == all.size();
                },
                &err);
            QVERIFY2(ok, qPrintable(err));
            QCOMPARE(n, e.counts[t]);
        }
    }

    // Column names and types as mdb-schema prints them.
    AccessReader r;
    QCOMPARE(r.open(kFixtures + "/DateTestDatabase.mdb"), AccessReader::OpenResult::Ok);
    QStringList described;
    for (const SourceColumn& c : r.columns("DateTest"))
        described << c.name + " " + c.typeName;
    QCOMPARE(described, QStringList({"IDCol Long Integer", "DateTimeCol DateTime", "DateCol DateTime",
                                     "TimeCol DateTime", "LongTextCol Memo/Hyperlink", "ShortTextCol Text"}));
    QCOMPARE(r.open(kFixtures + "/nwind.mdb"), AccessReader::OpenResult::Ok);
    QList<ValueKind> kinds;
    described.clear();
    for (const SourceColumn& c : r.columns("Products")) {
        described << c.typeName;
        kinds << c.kind;
    }
    QCOMPARE(described, QStringList({"Long Integer", "Text", "Long Integer", "Long Integer", "Text",
                                     "Currency", "Integer", "Integer", "Integer", "Boolean"}));
    QCOMPARE(kinds.last(), ValueKind::Boolean);
    QCOMPARE(r.columns("Categories").last().kind, ValueKind::Unsupported); // OLE picture
    QVERIFY(r.columns("no such table").isEmpty());
}

void ImportTest::readerDecodesValuesAsStored() {
    NEED_FIXTURES();
    auto read = [](AccessReader& r, const QString& table, const QList<int>& c) {
        QList<QVariantList> rows;
        QString err;
        const bool ok = r.readRows(
            table, c,
            [&](const QVariantList& v) {
                rows << v;
                return true;
            },
            &err);
        if (!ok)
            qWarning("%s", qPrintable(err));
        return rows;
    };
    AccessReader jet3;
    QCOMPARE(jet3.open(kFixtures + "/nwind.mdb"), AccessReader::OpenResult::Ok);
    // Products: ProductID, ProductName, UnitPrice (Currency), UnitsInStock (Integer), Discontinued.
    const auto products = read(jet3, "Products", {0, 1, 5, 6, 9});
    QCOMPARE(products.size(), 77);
    QCOMPARE(products[0], QVariantList({qint64(1), "Chai", 18.0, qint64(39), false}));
    QCOMPARE(products[4][4], QVariant(true)); // "Chef Anton's Gumbo Mix" is discontinued
    QCOMPARE(products[74][2], QVariant(7.75));
    QCOMPARE(products[76][1].toString(), QStringLiteral("Original Frankfurter grüne Soße"));
    int discontinued = 0;
    for (const auto& p : products)
        discontinued += p[4].toBool();
    QCOMPARE(discontinued, 8); // mdb-export shows 8 ones
    // A Single keeps the digits it was typed with; the same column asked twice reads twice.
    const auto details = read(jet3, "Order Details", {4, 2, 4});
    const auto priced =
        std::find_if(details.begin(), details.end(), [](auto& d) { return d[1] == 42.4 && d[0] != 0.0; });
    QVERIFY(priced != details.end());
    QCOMPARE(*priced, QVariantList({0.15, 42.4, 0.15}));
    // Missing values are NULL; dates keep their day.
    const auto orders = read(jet3, "Orders", {0, 3, 11});
    int noRegion = 0;
    for (const auto& o : orders)
        noRegion += o[2].isNull();
    QCOMPARE(noRegion, 507); // mdb-export -0 NULL counts 507
    const auto first =
        std::find_if(orders.begin(), orders.end(), [](auto& o) { return o[0] == qint64(10330); });
    QVERIFY(first != orders.end());
    QCOMPARE((*first)[1].toDateTime().date(), QDate(1994, 11, 16));

    AccessReader jet4;
    QCOMPARE(jet4.open(kFixtures + "/DateTestDatabase.mdb"), AccessReader::OpenResult::Ok);
    const auto dates = read(jet4, "DateTest", {0, 1, 4, 5});
    QCOMPARE(dates.size(), 6);
    QCOMPARE(dates[0], QVariantList({qint64(1), QDateTime(QDate(2021, 12, 2), QTime(0, 0), Qt::UTC), "Hello",
                                     "Hello"}));
    // Years libmdb's own date text cannot show (mdb-export prints "1900-01-00" for all three).
    QCOMPARE(dates[1][1].toDateTime().date(), QDate(9999, 1, 1));
    QCOMPARE(dates[2][1].toDateTime().date(), QDate(1898, 1, 1));
    QCOMPARE(dates[3][1].toDateTime().date(), QDate(632, 1, 1));
    QCOMPARE(dates[5][2].toString(), QStringLiteral("New line\r\nin field")); // a memo keeps its line break

    // Text arrives as UTF-8 even when the environment asks libmdb for another charset.
    qputenv("MDBICONV", "ISO-8859-1");
    AccessReader latin;
    const bool opened = latin.open(kFixtures + "/nwind.mdb") == AccessReader::OpenResult::Ok;
    const auto customers = opened ? read(latin, "Customers", {1}) : QList<QVariantList>();
    qunsetenv("MDBICONV");
    QVERIFY(opened);
    QCOMPARE(customers[2][0].toString(), QStringLiteral("Antonio Moreno Taquería"));
}

void ImportTest::accessFilesWithoutTheBankAreRefusedUntouched() {
    NEED_FIXTURES();
    QTemporaryDir dir;
    for (const QString name : {"nwind.mdb", "DateTestDatabase.mdb"}) {
        const QString copy = dir.filePath(name);
        QVERIFY(QFile::copy(kFixtures + "/" + name, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray before = digest(copy);
        const auto result = bankimport::importFile(copy, dir.filePath("ks.db"));
        QVERIFY(!result.ok);
        QCOMPARE(result.error, name + QStringLiteral(" 中缺少表：试卷、题库、评分"));
        QCOMPARE(digest(copy), before); // read, never written
    }
    // Not Access at all: text, an empty file, a Jet signature with nothing after it.
    const QList<QByteArray> junk = {"hello, world\n", "", QByteArray("\0\1\0\0Standard Jet DB\0", 20)};
    for (const QByteArray& bytes : junk) {
        QFile f(dir.filePath("bad.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        const auto result = bankimport::importFile(f.fileName(), dir.filePath("ks.db"));
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains("不是可读取的 Access 数据库文件"), qPrintable(result.error));
    }
    QCOMPARE(leftovers(dir.path()), QStringList({"DateTestDatabase.mdb", "bad.mdb", "nwind.mdb"}));
}

void ImportTest::convertsValues_data() {
    QTest::addColumn<QVariant>("in");
    QTest::addColumn<int>("target");
    QTest::addColumn<QVariant>("out");
    const int text = int(bankimport::Target::Text), number = int(bankimport::Target::Number);
    QTest::newRow("yes is 1") << QVariant(true) << number << QVariant(qint64(1));
    QTest::newRow("no is 0") << QVariant(false) << number << QVariant(qint64(0));
    QTest::newRow("yes as text") << QVariant(true) << text << QVariant("1");
    QTest::newRow("fraction kept") << QVariant(2.5) << number << QVariant(2.5);
    QTest::newRow("integer kept") << QVariant(qint64(-7)) << number << QVariant(qint64(-7));
    QTest::newRow("null number") << QVariant() << number << QVariant(qint64(0));
    QTest::newRow("null text") << QVariant() << text << QVariant("");
    QTest::newRow("chinese text") << QVariant("借方 贷方") << text << QVariant("借方 贷方");
    QTest::newRow("number as text") << QVariant(0.1) << text << QVariant("0.1");
    QTest::newRow("numeric text") << QVariant(" 12 ") << number << QVariant(qint64(12));
    QTest::newRow("fraction text") << QVariant("1.5") << number << QVariant(1.5);
    QTest::newRow("empty text in number") << QVariant("") << number << QVariant(qint64(0));
    QTest::newRow("other text kept") << QVariant("12分") << number << QVariant("12分");
    QTest::newRow("date as text") << QVariant(QDateTime(QDate(2024, 3, 1), QTime(8, 30), Qt::UTC)) << text
                                  << QVariant("2024-03-01 08:30:00");
    QTest::newRow("date as serial") << QVariant(QDateTime(QDate(1900, 1, 1), QTime(12, 0), Qt::UTC)) << number
                                    << QVariant(2.5);
}

void ImportTest::convertsValues() {
    QFETCH(QVariant, in);
    QFETCH(int, target);
    QFETCH(QVariant, out);
    const QVariant got = bankimport::convert(in, bankimport::Target(target));
    QCOMPARE(got.typeId(), out.typeId());
    QCOMPARE(got, out);
}

void ImportTest::importsABankWhateverItsSpelling() {
    QTemporaryDir dir;
    MemorySource source = accessLikeBank();
    QList<qint64> seen;
    const auto result =
        bankimport::importBank(source, dir.filePath("ks.db"), "ks.mdb", [&](qint64 done, qint64 total) {
            seen << done << total;
            return true;
        });
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.counts.size(), 3);
    QCOMPARE(result.counts[1].table, QStringLiteral("题库"));
    QCOMPARE(result.counts[1].rows, qint64(2));
    QCOMPARE(seen.mid(seen.size() - 2), QList<qint64>({5, 5})); // ends at the announced total
    QCOMPARE(leftovers(dir.path()), QStringList({"ks.db"}));

    const QString db = dir.filePath("ks.db");
    QCOMPARE(
        rowsOf(db, "select code, name, chouti, paixu, kstime, typeof(kstime) from 试卷 order by code"),
        QList<QVariantList>({{"1", "会计基础 第一套", 20, 1, 90, "integer"}, {"2", "", 0, 0, 45.5, "real"}}));
    QCOMPARE(rowsOf(db, "select tihao, question, pic, practice, jiexi, score from 题库 where tihao = 2"),
             QList<QVariantList>({{2, "第2题 借贷记账法的记账规则是？", "", "", "有借必有贷", 0.5}}));
    QCOMPARE(rowsOf(db, "select xingming from 评分"), QList<QVariantList>({{"张三"}}));
    // An Access bank has no question types: each question gets the one its answer implies.
    QCOMPARE(rowsOf(db, "select distinct tixing from 题库"), QList<QVariantList>({{"单选"}}));
    QCOMPARE(rowsOf(db, "select name from sqlite_master where type = 'index' order by name"),
             QList<QVariantList>({{"复习计划_due"},
                                  {"复习计划_key"},
                                  {"练习记录_key"},
                                  {"练习记录_time"},
                                  {"评分_key"},
                                  {"评分规则_key"},
                                  {"试卷_code"},
                                  {"题库_code_tihao"}}));
    Store store; // the program opens what the import wrote
    QCOMPARE(store.open(db), Store::OpenResult::Ok);
}

void ImportTest::namesEveryMissingTableAndColumn() {
    QTemporaryDir dir;
    MemorySource source = accessLikeBank();
    source.data.removeLast(); // 评分
    source.data[1].columns[4].name = "answer";
    source.data[1].columns[6].name = "notes";
    const auto result = bankimport::importBank(source, dir.filePath("ks.db"), "ks.mdb");
    QVERIFY(!result.ok);
    QCOMPARE(result.error,
             QStringLiteral("ks.mdb 中缺少表：评分\nks.mdb 的表 题库 缺少列：authority、jiexi"));
    QVERIFY(leftovers(dir.path()).isEmpty());
}

void ImportTest::failureOrCancelLeavesNothingBehind() {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks.db");
    MemorySource failing = accessLikeBank(600);
    failing.table(QStringLiteral("题库"))->failAfter = 300;
    auto result = bankimport::importBank(failing, db, "ks.mdb");
    QVERIFY(!result.ok);
    QVERIFY(result.counts.isEmpty());
    QCOMPARE(result.error,
             QStringLiteral("读取 ks.mdb 的表 题库 时出错（第 300 行之后）：page 17 cannot be read"));
    QVERIFY(leftovers(dir.path()).isEmpty());

    MemorySource big = accessLikeBank(600);
    result = bankimport::importBank(big, db, "ks.mdb", [](qint64 done, qint64) { return done < 512; });
    QVERIFY(!result.ok && result.cancelled);
    QVERIFY(leftovers(dir.path()).isEmpty());

    // An existing bank is never replaced.
    QFile existing(db);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("mine");
    existing.close();
    result = bankimport::importBank(big, db, "ks.mdb");
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("ks.db 已存在，导入不会覆盖它。"));
    QCOMPARE(digest(db), QCryptographicHash::hash("mine", QCryptographicHash::Sha256));
    QCOMPARE(leftovers(dir.path()), QStringList({"ks.db"}));
}

void ImportTest::startUpImportsOrExplainsOnce() {
    setImportTool(QStringLiteral(VELTARO_IMPORT_TOOL));
    // Not an Access file: one message naming it, no ks.db.
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("ks.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a database");
        f.close();
        AppState app;
        app.programDir = dir.path();
        openQuestionBank(app, nullptr);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains("ks.mdb 不是可读取的 Access 数据库文件"));
        QVERIFY(MessageBox::shown()[0].text.contains("没有创建 ks.db"));
        QVERIFY(!app.store.isOpen());
        QCOMPARE(leftovers(dir.path()), QStringList({"ks.mdb"}));
    }
    // A real Access file without the bank's tables, spelt the Windows way.
    if (QFileInfo::exists(kFixtures + "/nwind.mdb")) {
        MessageBox::clear();
        QTemporaryDir dir;
        QVERIFY(QFile::copy(kFixtures + "/nwind.mdb", dir.filePath("KS.MDB")));
        AppState app;
        app.programDir = dir.path();
        openQuestionBank(app, nullptr);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown()[0].text.contains("KS.MDB 中缺少表：试卷、题库、评分"));
        QCOMPARE(leftovers(dir.path()), QStringList({"KS.MDB"}));
    }
    // A bank that imports: no message, the new ks.db is open.
    {
        MessageBox::clear();
        setImportTool(QStringLiteral(VELTARO_IMPORT_DOUBLE));
        QTemporaryDir dir;
        QFile f(dir.filePath("ks.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("bank 3000");
        f.close();
        AppState app;
        app.programDir = dir.path();
        openQuestionBank(app, nullptr);
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(app.store.isOpen());
        QCOMPARE(app.store.query(Sql::QuestionCount, {{"code", "1"}}).integer(1), 3000);
        QCOMPARE(leftovers(dir.path()), QStringList({"ks.db", "ks.mdb"}));
    }
}

void ImportTest::importThatGoesWrongIsToldAndLeavesNothing_data() {
    QTest::addColumn<QByteArray>("behaviour");
    QTest::addColumn<QString>("told");
    const QString damaged = QStringLiteral("ks.mdb 文件已损坏或不是题库文件");
    QTest::newRow("crashes") << QByteArray("crash") << damaged;
    QTest::newRow("hangs") << QByteArray("hang") << damaged;
    QTest::newRow("eats memory") << QByteArray("eat") << damaged;
    QTest::newRow("floods its output") << QByteArray("flood") << damaged;
    QTest::newRow("ends without a bank") << QByteArray("nothing") << damaged;
    QTest::newRow("cannot be started") << QByteArray() << QStringLiteral("无法启动导入程序");
}

// Whatever becomes of the tool, the program says one clear thing, has no bank open, leaves the
// folder as it was and goes on.
void ImportTest::importThatGoesWrongIsToldAndLeavesNothing() {
    QFETCH(QByteArray, behaviour);
    QFETCH(QString, told);
    setImportTool(behaviour.isEmpty() ? QStringLiteral(VELTARO_BINARY_DIR "/no-such-tool")
                                      : QStringLiteral(VELTARO_IMPORT_DOUBLE));
    bankimport::ChildLimits limits;
    limits.idleSeconds = 2;
    limits.addressSpaceBytes = 512 << 20;
    limits.outputBytes = 1 << 20;
    setImportLimits(limits);
    QTemporaryDir dir;
    QFile f(dir.filePath("ks.mdb"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(behaviour);
    f.close();
    AppState app;
    app.programDir = dir.path();
    openQuestionBank(app, nullptr);
    QCOMPARE(MessageBox::shown().size(), 1);
    QVERIFY2(MessageBox::shown()[0].text.contains(told), qPrintable(MessageBox::shown()[0].text));
    QVERIFY(MessageBox::shown()[0].text.contains("没有创建 ks.db"));
    QVERIFY(!app.store.isOpen());
    QStringList all = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(all, QStringList({"ks.mdb"}));
}

// 取消 in the progress dialog: the tool is stopped and its half-made bank goes with its folder.
void ImportTest::cancelledImportLeavesNothing() {
    QTemporaryDir dir;
    QFile f(dir.filePath("ks.mdb"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("bank 3000");
    f.close();
    QList<qint64> seen;
    const auto result = bankimport::importInChild(QStringLiteral(VELTARO_IMPORT_DOUBLE), f.fileName(),
                                                  dir.filePath("ks.db"), [&](qint64 done, qint64) {
                                                      seen << done;
                                                      return seen.size() < 3;
                                                  });
    QVERIFY(!result.ok && result.cancelled);
    QCOMPARE(result.error, QStringLiteral("已取消导入 ks.mdb，没有创建 ks.db。"));
    QCOMPARE(seen.mid(0, 3), QList<qint64>({0, 256, 512}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"ks.mdb"}));
}

void ImportTest::commandLineReportsAndRefusesToOverwrite() {
    const QString tool = QStringLiteral(VELTARO_BINARY_DIR "/app/veltaro-import");
    if (!QFileInfo::exists(tool))
        QSKIP("veltaro-import is not built");
    QTemporaryDir dir;
    auto run = [&](const QStringList& args, QString* out) {
        QProcess p;
        p.start(tool, args);
        p.waitForFinished(60000);
        *out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QString out;
    QFile bad(dir.filePath("bad.mdb"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("junk");
    bad.close();
    QVERIFY(run({bad.fileName(), dir.filePath("ks.db")}, &out) != 0);
    QVERIFY2(out.contains("bad.mdb"), qPrintable(out));
    QVERIFY(!QFileInfo::exists(dir.filePath("ks.db")));
    // The output file is never overwritten, whatever the input.
    QVERIFY(run({bad.fileName(), bad.fileName()}, &out) != 0);
    QCOMPARE(digest(bad.fileName()), QCryptographicHash::hash("junk", QCryptographicHash::Sha256));
    if (QFileInfo::exists(kFixtures + "/nwind.mdb")) {
        QVERIFY(run({kFixtures + "/nwind.mdb", dir.filePath("ks.db")}, &out) != 0);
        QVERIFY2(out.contains("缺少表"), qPrintable(out));
    }
    QCOMPARE(leftovers(dir.path()), QStringList({"bad.mdb"}));
}

QTEST_MAIN(ImportTest)
#include "test_import.moc"
