// Workbook speed.
//   bench_workbook [QUESTIONS] [RUNS]
// Makes a bank of QUESTIONS questions (10000 by default) on 20 papers with realistic texts,
// exports it as a workbook, then times, RUNS times (5 by default): reading and checking the
// workbook, and the whole import into a new ks.db (reading, checking, writing). Prints the median
// and the best wall time, and the CPU time of the whole run. Then what reading in the import
// tool's child costs, as the program and the tool by hand read every file a user brings: the
// bank window's import into an open bank, read in this process (as it was) and through the child
// (a bank file of its own, read back); and the new ks.db made in this process and by the child.
#include "bank/BankEdits.h"
#include "bank/BankWorkbook.h"
#include "access/ChildImport.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool makeBank(const QString& path, int questions) {
    if (!schema::createBankFile(path).isEmpty())
        return false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(path);
        if (!db.open())
            return false;
        db.transaction();
        QSqlQuery q(db);
        const int papers = 20;
        q.prepare(QStringLiteral("insert into 试卷 values (?, ?, ?, ?, ?)"));
        for (int p = 1; p <= papers; ++p) {
            q.addBindValue(QString::number(p));
            q.addBindValue(QStringLiteral("会计基础 模拟试卷 %1").arg(p));
            q.addBindValue(50);
            q.addBindValue(p % 2);
            q.addBindValue(90);
            q.exec();
        }
        q.prepare(QStringLiteral("insert into 题库 values (?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < questions; ++i) {
            q.addBindValue(QString::number(i % papers + 1));
            q.addBindValue(i / papers + 1);
            q.addBindValue(
                QStringLiteral("下列各项中，应计入管理费用的是（  ）。第%1题 A.销售部门人员的工资 "
                               "B.生产车间机器设备的折旧 C.短期借款的利息支出 D.行政管理部门人员的工资")
                    .arg(i));
            q.addBindValue(i % 40 == 0 ? QStringLiteral("\\pic\\%1.png").arg(i) : QString());
            q.addBindValue(i % 5 == 0 ? QStringLiteral("对") : QStringLiteral("ACD"));
            q.addBindValue(i % 3 == 0 ? QStringLiteral("B") : QString());
            q.addBindValue(
                QStringLiteral("行政管理部门人员的工资计入管理费用；销售部门人员工资计入销售费用。"));
            q.addBindValue(i % 2 ? 1.0 : 0.5);
            q.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
    return true;
}

struct Times {
    QList<double> ms;
    void add(double v) { ms << v; }
    double median() {
        std::sort(ms.begin(), ms.end());
        return ms.isEmpty() ? 0 : ms[ms.size() / 2];
    }
    double best() { return ms.isEmpty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int questions = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir dir;
    const QString bank = dir.filePath(QStringLiteral("source.db"));
    const QString book = dir.filePath(QStringLiteral("bank.xlsx"));
    if (!makeBank(bank, questions)) {
        std::fprintf(stderr, "cannot make the bank\n");
        return 1;
    }
    QElapsedTimer t;
    t.start();
    const QString exported = bankbook::exportBank(bank, book);
    const double exportMs = double(t.nsecsElapsed()) / 1e6;
    if (!exported.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(exported));
        return 1;
    }
    std::printf("workbook: %d questions, %.1f MB; export %.0f ms\n", questions,
                double(QFileInfo(book).size()) / 1e6, exportMs);

    Times read, import;
    const double cpu0 = cpuSeconds();
    for (int r = 0; r < runs; ++r) {
        t.restart();
        const bankbook::ReadResult result = bankbook::readBankFile(book);
        read.add(double(t.nsecsElapsed()) / 1e6);
        if (!result.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(result.report(5)));
            return 1;
        }
        const QString out = dir.filePath(QStringLiteral("run%1.db").arg(r));
        t.restart();
        const auto imported = bankbook::importToNewBank(book, out);
        import.add(double(t.nsecsElapsed()) / 1e6);
        if (!imported.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(imported.error));
            return 1;
        }
    }
    std::printf("read and check: median %.0f ms, best %.0f ms\n", read.median(), read.best());
    std::printf("import into a new ks.db: median %.0f ms, best %.0f ms (goal: at most 1000 ms)\n",
                import.median(), import.best());
    std::printf("CPU time of the %d runs: %.2f s\n", runs, cpuSeconds() - cpu0);

    // The bank window's import: the tables of the workbook added to an open bank.
    const QString tool = QStringLiteral(VELTARO_IMPORT_TOOL);
    Times inProcess, child, childBank;
    for (int r = 0; r < runs; ++r) {
        for (const bool inChild : {false, true}) {
            const QString target = dir.filePath(QStringLiteral("open%1-%2.db").arg(r).arg(inChild));
            if (!schema::createBankFile(target).isEmpty())
                return 1;
            Store store;
            if (store.open(target) != Store::OpenResult::Ok)
                return 1;
            t.restart();
            bank::Tables tables;
            if (inChild) {
                QTemporaryDir work;
                const auto made =
                    bankimport::importInChild(tool, book, work.filePath(QStringLiteral("ks.db")));
                if (!made.ok) {
                    std::fprintf(stderr, "%s\n", qPrintable(made.error));
                    return 1;
                }
                Store read;
                if (read.open(work.filePath(QStringLiteral("ks.db"))) != Store::OpenResult::Ok)
                    return 1;
                tables = bank::readAll(read);
            } else {
                tables = bankbook::readBankFile(book).tables;
            }
            if (!bank::addTables(store, tables, true).isEmpty())
                return 1;
            (inChild ? child : inProcess).add(double(t.nsecsElapsed()) / 1e6);
        }
        const QString out = dir.filePath(QStringLiteral("child%1.db").arg(r));
        t.restart();
        if (!bankimport::importInChild(tool, book, out).ok)
            return 1;
        childBank.add(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("bank window import into an open bank, read in this process: median %.0f ms, best %.0f ms\n",
                inProcess.median(), inProcess.best());
    std::printf("bank window import into an open bank, read by the child: median %.0f ms, best %.0f ms\n",
                child.median(), child.best());
    std::printf("new ks.db made by the child: median %.0f ms, best %.0f ms (in this process: %.0f ms)\n",
                childBank.median(), childBank.best(), import.median());
    return 0;
}
