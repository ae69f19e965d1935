// Damaged Access files through the import as the program runs it (the import tool in a child
// process under limits): every cut of the two Access test files at a 4 KiB boundary, as an
// interrupted copy leaves them, and files with bytes changed at random. Each import ends in a bank
// or in a clean refusal, within the limits, leaving nothing behind; a tool that crashes or stalls
// on the way is told as a damaged file. The same files are also read in full by the tool's check
// mode (every eighth cut, every changed file), which reaches the rows the import never reads in
// files without a bank.
//
// The normal run takes every cut and a sample of the changed files; with VELTARO_LONG_RUN=1 (set
// by ./test --fuzz) it takes 400 changed files.
#include "store/ChildImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
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
void tryFile(const QByteArray& bytes, const QString& label, Tally& tally, bool check = true) {
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
    const bankimport::ChildRun read =
        bankimport::runChild(QStringLiteral(VELTARO_IMPORT_TOOL), {"--check", mdb}, {}, limits());
    QVERIFY2(read.end != bankimport::ChildRun::End::FailedToStart &&
                 read.end != bankimport::ChildRun::End::Cancelled,
             qPrintable(label));
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
};

void DamagedAccessTest::everyCutEndsCleanly() {
    Tally tally;
    for (const QString& name : kFiles) {
        const QByteArray whole = bytesOf(kFixtures + "/" + name);
        for (qsizetype size = 0; size < whole.size(); size += 4096) {
            // Every eighth cut is also read in full.
            tryFile(whole.left(size), QStringLiteral("%1 cut at %2").arg(name).arg(size), tally,
                    size % (8 * 4096) == 0);
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
        tryFile(bytes, QStringLiteral("%1 changed at %2").arg(name, where.join(',')), tally);
        if (QTest::currentTestFailed())
            return;
    }
    qInfo("changed files: %d imported, %d refused, %d told as damaged", tally.imported, tally.refused,
          tally.damaged);
}

QTEST_GUILESS_MAIN(DamagedAccessTest)
#include "test_damagedaccess.moc"
