// One answer saved: the time Store::execute (practice answer) and Store::appendRow (exam answer)
// take until they return, on a bank of 1,000 questions, with the journal and sync settings the
// store uses now (rollback journal deleted after each change, synchronous=extra) and with those it
// used before (write-ahead log, synchronous=full) and two in between. The bank lies in the folder
// given as the first argument (a temporary folder by default): the disk decides the figures.
#include "BenchPaper.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kQuestions = 1000;
constexpr int kSaves = 200;

void makeBank(const QString& path) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
        db.setDatabaseName(path);
        db.open();
        schema::create(db);
        db.transaction();
        addBenchPaper(db, kQuestions);
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("make");
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

void measure(const QString& folder, const char* label, const char* journal, const char* sync) {
    QTemporaryDir dir(folder + "/bench-save-XXXXXX");
    const QString path = dir.filePath("ks.db");
    makeBank(path);
    Store store;
    store.open(path);
    {
        QSqlQuery q(QSqlDatabase::database(store.connectionName()));
        q.exec(QString("pragma journal_mode=%1").arg(journal));
        q.exec(QString("pragma synchronous=%1").arg(sync));
    }
    std::vector<double> practice, exam;
    for (int i = 0; i < kSaves; ++i) {
        QElapsedTimer t;
        t.start();
        store.execute(Sql::SavePractice,
                      {{"answer", i % 2 ? "AB" : "C"}, {"code", "B"}, {"n", 1 + (i * 37) % kQuestions}});
        practice.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        store.appendRow("评分", {{"tihao", i + 1},
                                 {"code", "B"},
                                 {"answer", "A"},
                                 {"student", "s1"},
                                 {"xingming", "张三"},
                                 {"state", "1"}});
        exam.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf(
        "%-44s practice save median %6.2f ms (90%% %6.2f); exam answer median %6.2f ms (90%% %6.2f)\n", label,
        percentile(practice, 0.5), percentile(practice, 0.9), percentile(exam, 0.5), percentile(exam, 0.9));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    std::printf("%d saves of each kind in %s\n", kSaves, qPrintable(folder));
    measure(folder, "before: write-ahead log, synchronous=full", "wal", "full");
    measure(folder, "rollback journal (truncate), synchronous=full", "truncate", "full");
    measure(folder, "rollback journal (delete), synchronous=full", "delete", "full");
    measure(folder, "now: rollback journal (delete), sync=extra", "delete", "extra");
    return 0;
}
