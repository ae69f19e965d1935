// Import speed.
//   bench_import [QUESTIONS] [MDB TABLE]
// 1. Imports a generated bank (QUESTIONS question rows, 200000 by default, plus papers and answer
//    rows) from memory into a new ks.db, through the same mapping and writer the program uses.
// 2. Reads the largest table of an Access file (nwind.mdb's "Order Details" by default) with the
//    libmdb reader, and times mdb-export on the same table, both run the same number of times.
#include "access/AccessImport.h"
#include "access/AccessReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

// CPU seconds of this process (self) or of its finished children: the machine is shared, so wall
// time alone says little.
double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Rows made on the fly, spelt the way Access banks are (upper-case names, a Yes/No column).
class GeneratedBank : public TableSource {
  public:
    explicit GeneratedBank(qint64 questions) : m_questions(questions) {}

    QStringList tables() override { return {"试卷", "题库", "评分"}; }
    QList<SourceColumn> columns(const QString& table) override {
        QStringList names;
        if (table == "试卷")
            names = {"CODE", "NAME", "CHOUTI", "PAIXU", "KSTIME"};
        else if (table == "题库")
            names = {"CODE", "TIHAO", "QUESTION", "PIC", "AUTHORITY", "PRACTICE", "JIEXI", "SCORE"};
        else
            names = {"CODE", "TIHAO", "ANSWER", "STUDENT", "XINGMING", "STATE"};
        QList<SourceColumn> out;
        for (const QString& n : names)
            out << SourceColumn{n, ValueKind::Text, "Text"};
        return out;
    }
    qint64 rowCount(const QString& table) override {
        return table == "试卷" ? papers() : table == "题库" ? m_questions : m_questions / 4;
    }
    bool readRows(const QString& table, const QList<int>& wanted, const RowSink& sink, QString*) override {
        QVariantList row, picked;
        for (qint64 i = 0; i < rowCount(table); ++i) {
            const QString code = QString::number(i % papers() + 1);
            if (table == "试卷")
                row = {code, QStringLiteral("会计基础 模拟试卷 %1").arg(code), 100, i % 2 == 0, 120};
            else if (table == "题库")
                row = {code,
                       i / papers() + 1,
                       QStringLiteral("第%1题 下列各项中，属于会计要素中资产的是（ ）。A.预收账款 B.应收账款 "
                                      "C.实收资本 D.主营业务收入")
                           .arg(i + 1),
                       QVariant(),
                       QStringLiteral("B"),
                       QVariant(),
                       QStringLiteral("应收账款是企业因销售商品、提供劳务等经营活动应收取的款项，属于资产。"),
                       1.5};
            else
                row = {code, i % 100 + 1, "A", QString::number(2024000 + i / 100), "张三", "考试"};
            picked.clear();
            for (int c : wanted)
                picked << row.value(c);
            if (!sink(picked))
                return false;
        }
        return true;
    }

  private:
    qint64 papers() const { return qMax<qint64>(1, m_questions / 100); }
    qint64 m_questions;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const qint64 questions = args.value(0, "200000").toLongLong();
    // The Access test files lie beside the repository: <repo>/../shared/fixtures/mdb.
    const QString fixtures =
        QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../../shared/fixtures/mdb";
    const QString mdb = args.value(1, fixtures + "/nwind.mdb");
    const QString table = args.value(2, "Order Details");

    // 1. The mapping and writer.
    {
        QTemporaryDir dir;
        GeneratedBank bank(questions);
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuSeconds(RUSAGE_SELF);
        const auto result = bankimport::importBank(bank, dir.filePath("ks.db"), "ks.mdb");
        const double ms = double(t.nsecsElapsed()) / 1e6;
        const double cpuMs = (cpuSeconds(RUSAGE_SELF) - cpu0) * 1000;
        if (!result.ok) {
            std::fprintf(stderr, "import failed: %s\n", qPrintable(result.error));
            return 1;
        }
        qint64 rows = 0;
        for (const auto& c : result.counts)
            rows += c.rows;
        std::printf("import  %lld rows (%lld questions) into ks.db: %.0f ms wall, %.0f ms CPU, %.0f rows/s, "
                    "file %.1f MB\n",
                    static_cast<long long>(rows), static_cast<long long>(questions), ms, cpuMs,
                    rows / (ms / 1000), QFileInfo(dir.filePath("ks.db")).size() / 1e6);
    }

    // 2. The reader against mdb-export on the same table.
    if (!QFileInfo::exists(mdb)) {
        std::printf("reader  skipped: %s not found\n", qPrintable(mdb));
        return 0;
    }
    const int runs = 50;
    qint64 rows = 0;
    QElapsedTimer t;
    t.start();
    double cpu0 = cpuSeconds(RUSAGE_SELF);
    for (int i = 0; i < runs; ++i) {
        AccessReader reader;
        if (reader.open(mdb) != AccessReader::OpenResult::Ok)
            return std::fprintf(stderr, "cannot open %s\n", qPrintable(mdb)), 1;
        QList<int> all;
        for (int c = 0; c < reader.columns(table).size(); ++c)
            all << c;
        rows = 0;
        QString err;
        if (!reader.readRows(
                table, all, [&](const QVariantList&) { return ++rows > 0; }, &err))
            return std::fprintf(stderr, "read failed: %s\n", qPrintable(err)), 1;
    }
    const double readerMs = double(t.nsecsElapsed()) / 1e6 / runs;
    const double readerCpuMs = (cpuSeconds(RUSAGE_SELF) - cpu0) * 1000 / runs;
    std::printf("reader  %s \"%s\": %lld rows, %.2f ms wall, %.2f ms CPU per open+read (%d runs)\n",
                qPrintable(QFileInfo(mdb).fileName()), qPrintable(table), static_cast<long long>(rows),
                readerMs, readerCpuMs, runs);

    const QString exporter = QStandardPaths::findExecutable("mdb-export");
    if (exporter.isEmpty()) {
        std::printf("mdb-export not installed: no comparison\n");
        return 0;
    }
    t.restart();
    cpu0 = cpuSeconds(RUSAGE_CHILDREN);
    qint64 bytes = 0;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.start(exporter, {mdb, table});
        p.waitForFinished(-1);
        bytes = p.readAllStandardOutput().size();
    }
    const double exportMs = double(t.nsecsElapsed()) / 1e6 / runs;
    const double exportCpuMs = (cpuSeconds(RUSAGE_CHILDREN) - cpu0) * 1000 / runs;
    std::printf("mdb-export same table: %.2f ms wall, %.2f ms CPU per run (%lld bytes of CSV, process start "
                "included)\n",
                exportMs, exportCpuMs, static_cast<long long>(bytes));
    std::printf("ratio reader / mdb-export: %.2f wall, %.2f CPU\n", readerMs / exportMs,
                readerCpuMs / exportCpuMs);

    // mdb-export's own start-up, measured on the file's smallest table, taken off its time.
    AccessReader probe;
    probe.open(mdb);
    QString smallest;
    for (const QString& name : probe.tables())
        if (smallest.isEmpty() || probe.rowCount(name) < probe.rowCount(smallest))
            smallest = name;
    t.restart();
    cpu0 = cpuSeconds(RUSAGE_CHILDREN);
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.start(exporter, {mdb, smallest});
        p.waitForFinished(-1);
        p.readAllStandardOutput();
    }
    const double startMs = double(t.nsecsElapsed()) / 1e6 / runs;
    const double startCpuMs = (cpuSeconds(RUSAGE_CHILDREN) - cpu0) * 1000 / runs;
    std::printf("mdb-export start-up (\"%s\", %lld rows): %.2f ms wall, %.2f ms CPU per run\n",
                qPrintable(smallest), static_cast<long long>(probe.rowCount(smallest)), startMs, startCpuMs);
    if (exportMs > startMs && exportCpuMs > startCpuMs)
        std::printf("ratio reader / mdb-export without its start-up: %.2f wall, %.2f CPU\n",
                    readerMs / (exportMs - startMs), readerCpuMs / (exportCpuMs - startCpuMs));
    return 0;
}
