// Damaged Access files through the import as the program runs it (the import tool in a child
// process under limits): every cut of the two Access test files at a 4 KiB boundary, as an
// interrupted copy leaves them, and files with bytes changed at random. Each import ends in a bank
// or in a clean refusal, within the limits, leaving nothing behind; a tool that crashes or stalls
// on the way is told as a damaged file. The same files are also read in full by the tool's check
// mode (every eighth cut, every changed file), which reaches the rows the import never reads in
// files without a bank, run as a user runs it: it passes a file only when it read all of it.
//
// The normal run takes every cut and a sample of the changed files; with VELTARO_LONG_RUN=1 (set
// by ./test --fuzz) it takes 400 changed files.
#include "access/ChildImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kFixtures = QStringLiteral(VELTARO_SOURCE_DIR "/../shared/fixtures/mdb");
const QStringList kFiles = {QStringLiteral("DateTestDatabase.mdb"), QStringLiteral("nwind.mdb")};

bankimport::ChildLimits limits() {
    bankimport::ChildLimits l;
    l.idleSeconds = 20;
    l.totalSeconds = 60;
    l.cpuSeconds = 30;
    l.addressSpaceBytes = qint64(1) << 30;
    return l;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Tally {
    int imported = 0, refused = 0, damaged = 0;
};

// One file through the import, and through the check mode when asked.
struct HandCheck {
    int exitCode = -1;  // -1: the tool itself did not end normally
    QList<qint64> rows; // the row counts it printed, table by table
    QString out, errors;
};

// veltaro-import --check as a user runs it: the tool puts its own reading in a child process.
HandCheck runCheck(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VELTARO_IMPORT_TOOL), QStringList{"--check"} + args);
    HandCheck c;
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
        return c;
    }
    c.out = QString::fromUtf8(p.readAllStandardOutput());
    c.errors = QString::fromUtf8(p.readAllStandardError());
    if (p.exitStatus() == QProcess::NormalExit)
        c.exitCode = p.exitCode();
    for (const QString& line : c.out.split('\n', Qt::SkipEmptyParts))
        c.rows << line.section('\t', -1).toLongLong();
    return c;
}

// The original file's tables, as the check reads them.
QList<qint64> original(const QString& name) {
    static QHash<QString, QList<qint64>> read;
    if (!read.contains(name))
        read.insert(name, runCheck({kFixtures + "/" + name}).rows);
    return read.value(name);
}

// The tool ends by itself, says in Chinese how the check went on its last line, and passes a file
// only when it read every table the whole file has, with as many rows (a changed byte may turn a
// system table into one more, or change a name).
void checkByHand(const QString& mdb, const QString& from, const QString& label) {
    const HandCheck c = runCheck({mdb});
    QVERIFY2(c.exitCode == 0 || c.exitCode == 1, qPrintable(label + ": " + c.errors.right(300)));
    const QString last = c.errors.trimmed().section('\n', -1);
    QVERIFY2(last.contains(c.exitCode == 0 ? "可以完整读取" : "检查没有通过"),
             qPrintable(label + ": " + last));
    if (c.exitCode != 0)
        return;
    QList<qint64> left = c.rows;
    for (qint64 rows : original(from))
        QVERIFY2(left.removeOne(rows), qPrintable(label + ": " + c.out));
}

void tryFile(const QByteArray& bytes, const QString& label, Tally& tally, bool check = true,
             const QString& original = QString()) {
    QTemporaryDir dir;
    const QString mdb = dir.filePath("ks.mdb");
    {
        QFile f(mdb);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    const auto result = bankimport::importInChild(QStringLiteral(VELTARO_IMPORT_TOOL), mdb,
                                                  dir.filePath("ks.db"), {}, limits());
    if (result.ok) {
        ++tally.imported;
    } else {
        QVERIFY2(!result.error.isEmpty() && !result.cancelled, qPrintable(label));
        if (result.error.contains(QStringLiteral("文件已损坏或不是题库文件"))) {
            ++tally.damaged;
            qInfo("%s: %s", qPrintable(label), qPrintable(result.error));
        } else
            ++tally.refused;
        const QStringList left =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QVERIFY2(left == QStringList{"ks.mdb"}, qPrintable(label + ": " + left.join(' ')));
    }
    QCOMPARE(bytesOf(mdb), bytes); // only read
    if (!check)
        return;
    checkByHand(mdb, original, label);
}

} // namespace

class DamagedAccessTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        if (!QFileInfo::exists(kFixtures + "/nwind.mdb"))
            QSKIP("the Access test files are not beside the repository (../shared/fixtures/mdb)");
    }
    void everyCutEndsCleanly();
    void changedBytesEndCleanly();
    void aCheckByHandIsToldWhatItCouldNotRead();
};

// One byte changed in each of these makes libmdb crash, or take memory and warn without end.
// Checked or imported by hand, the tool tells it and ends; a file cut short that lost its tables
// from the catalogue fails the check, with libmdb's warnings in one Chinese line.
void DamagedAccessTest::aCheckByHandIsToldWhatItCouldNotRead() {
    QTemporaryDir dir;
    auto changed = [&](const QString& name, qsizetype at, char value, const QString& as) {
        QByteArray bytes = bytesOf(kFixtures + "/" + name);
        if (value)
            bytes[at] = value;
        else
            bytes.truncate(at);
        QFile f(dir.filePath(as));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    const QString crashes = changed("DateTestDatabase.mdb", 8247, 51, "crashes.mdb");
    const QString grows = changed("nwind.mdb", 1496604, 97, "grows.mdb");
    const QString cut = changed("DateTestDatabase.mdb", 32768, 0, "cut.mdb");
    const HandCheck whole = runCheck({kFixtures + "/nwind.mdb"});
    for (const QString& file : {crashes, grows}) {
        const HandCheck c = runCheck({file});
        // libmdb reads uninitialised memory on these bytes, so what it makes of them depends on
        // the build: a check that passes must have read every row of the original.
        if (file == grows && c.exitCode == 0) {
            QCOMPARE(c.out, whole.out);
            continue;
        }
        QCOMPARE(c.exitCode, 1);
        QVERIFY2(c.errors.contains(QFileInfo(file).fileName() + " 文件已损坏或不是题库文件") &&
                     c.errors.contains("检查没有通过"),
                 qPrintable(c.errors));
        QProcess import;
        import.start(QStringLiteral(VELTARO_IMPORT_TOOL), {file, dir.filePath("ks.db")});
        QVERIFY(import.waitForFinished(180000));
        QCOMPARE(import.exitStatus(), QProcess::NormalExit);
        QCOMPARE(import.exitCode(), 1);
        QVERIFY(QString::fromUtf8(import.readAllStandardError()).contains("文件已损坏或不是题库文件"));
        QVERIFY(!QFileInfo::exists(dir.filePath("ks.db")));
    }
    HandCheck c = runCheck({cut});
    QCOMPARE(c.exitCode, 1);
    QVERIFY2(c.errors.contains("文件的目录只读出了 0 项，目录中记有 25 项：有些表可能已经丢失"),
             qPrintable(c.errors));
    QVERIFY2(c.errors.contains(QRegularExpression("读取时 Access 库给出了 \\d+ 行英文警告")),
             qPrintable(c.errors));
    QVERIFY(!c.errors.contains("beyond EOF"));
    c = runCheck({"--verbose", cut});
    QVERIFY2(c.errors.contains("beyond EOF"), qPrintable(c.errors));
    c = runCheck({kFixtures + "/nwind.mdb"});
    QCOMPARE(c.exitCode, 0);
    QVERIFY2(c.out.startsWith("Order Details\t2155\n") && c.errors.contains("nwind.mdb 可以完整读取：9 张表"),
             qPrintable(c.out + c.errors));
}

void DamagedAccessTest::everyCutEndsCleanly() {
    Tally tally;
    for (const QString& name : kFiles) {
        const QByteArray whole = bytesOf(kFixtures + "/" + name);
        for (qsizetype size = 0; size < whole.size(); size += 4096) {
            // Every eighth cut is also read in full.
            tryFile(whole.left(size), QStringLiteral("%1 cut at %2").arg(name).arg(size), tally,
                    size % (8 * 4096) == 0, name);
            if (QTest::currentTestFailed())
                return;
        }
    }
    qInfo("cuts: %d imported, %d refused, %d told as damaged", tally.imported, tally.refused, tally.damaged);
}

void DamagedAccessTest::changedBytesEndCleanly() {
    const int count = qEnvironmentVariableIntValue("VELTARO_LONG_RUN") ? 400 : 24;
    QRandomGenerator rng(20241208);
    Tally tally;
    for (int i = 0; i < count; ++i) {
        const QString name = kFiles[i % kFiles.size()];
        QByteArray bytes = bytesOf(kFixtures + "/" + name);
        // A few bytes anywhere, or a run of them in the first pages where the catalog lies.
        const int changes = 1 + int(rng.bounded(16));
        const qsizetype span = rng.bounded(2) ? bytes.size() : qMin<qsizetype>(bytes.size(), 8 * 4096);
        QStringList where;
        for (int c = 0; c < changes; ++c) {
            const qsizetype at = qsizetype(rng.bounded(quint64(span)));
            bytes[at] = char(rng.bounded(256));
            where << QString::number(at);
        }
        tryFile(bytes, QStringLiteral("%1 changed at %2").arg(name, where.join(',')), tally, true, name);
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("changed files: %d imported, %d refused, %d told as damaged", tally.imported, tally.refused,
          tally.damaged);
}

QTEST_GUILESS_MAIN(DamagedAccessTest)
#include "test_damagedaccess.moc"
