// A classroom sitting one exam: 60 candidates, each on a connection of its own, each saving 100
// answers one after another with the pauses of a real candidate left out, through the statement
// the exam window saves with, each connection first used as the exam window uses it before the
// first save. Measures each save until it returns (median, 99th percentile,
// slowest) and checks afterwards that exactly 6,000 rows exist, none of them twice. First on a
// PostgreSQL server, then, for comparison, on one ks.db in a folder as a shared folder would hold
// it.
//   bench_classroom [URI|-] [FOLDER]
// URI: a server on which the benchmark may create the database veltaro_bench; without it (or "-")
// a throwaway server is started for the run (scripts/test-postgres, with its disk syncs on).
// FOLDER: where ks.db goes (a temporary folder by default).
#include "BenchPaper.h"
#include "exam/SittingClaim.h"
#include "store/Schema.h"
#include "server/ServerAddress.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <ctime>
#include <cstdio>
#include <latch>
#include <mutex>
#include <vector>

namespace {
constexpr int kCandidates = 60;
constexpr int kAnswers = 100;

// The paper the candidates sit, in a database of the given kind.
bool fill(QSqlDatabase& db, Dialect dialect) {
    if (const QString err = schema::create(db, dialect); !err.isEmpty()) {
        std::fprintf(stderr, "schema: %s\n", qPrintable(err));
        return false;
    }
    db.transaction();
    addBenchPaper(db, kAnswers);
    return db.commit();
}

struct Outcome {
    std::vector<double> ms;
    int failed = 0;
    QString firstError;
    double wallSeconds = 0;
    double clientCpuSeconds = 0; // of this process: the 60 programs' share of the machine
};

// Every candidate on a thread and a connection of its own, all starting at once.
Outcome sit(const std::function<Store::OpenResult(Store&)>& open) {
    Outcome out;
    std::mutex lock;
    std::latch ready(kCandidates + 1);
    std::latch go(1);
    std::vector<QThread*> threads;
    for (int c = 0; c < kCandidates; ++c)
        threads.push_back(QThread::create([&, c] {
            Store store;
            const bool opened = open(store) == Store::OpenResult::Ok;
            // What the exam window does before the first save: the paper is read, the sitting
            // checked and claimed, the first question shown.
            const QString student = QString("考生%1").arg(c + 1);
            store.prepareForExams();
            store.query(Sql::PaperByCode, {{"code", "B"}});
            sittingclaim::claim(store, {"B", student, "1"}, sittingclaim::newOwner());
            store.query(Sql::SittingAnswerCount, {{"code", "B"}, {"student", student}, {"state", "1"}});
            store.query(Sql::Question, {{"code", "B"}, {"n", 1}});
            ready.count_down();
            go.wait();
            std::vector<double> mine;
            int failed = 0;
            QString error = opened ? QString() : store.lastError();
            for (int n = 1; opened && n <= kAnswers; ++n) {
                QElapsedTimer t;
                t.start();
                const bool ok = store.execute(Sql::SaveExamAnswer, {{"n", n},
                                                                    {"code", "B"},
                                                                    {"answer", n % 3 ? "A" : "BC"},
                                                                    {"student", student},
                                                                    {"name", QString("姓名%1").arg(c + 1)},
                                                                    {"state", "1"}});
                mine.push_back(t.nsecsElapsed() / 1e6);
                if (!ok) {
                    ++failed;
                    if (error.isEmpty())
                        error = store.lastError();
                }
            }
            std::lock_guard<std::mutex> g(lock);
            out.ms.insert(out.ms.end(), mine.begin(), mine.end());
            out.failed += failed + (opened ? 0 : kAnswers);
            if (out.firstError.isEmpty())
                out.firstError = error;
        }));
    for (QThread* t : threads)
        t->start();
    ready.arrive_and_wait();
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpu = std::clock();
    go.count_down();
    for (QThread* t : threads) {
        t->wait();
        delete t;
    }
    out.wallSeconds = wall.nsecsElapsed() / 1e9;
    out.clientCpuSeconds = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    return out;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1) + 0.5)];
}

void report(const char* label, const Outcome& o, qint64 rows, qint64 keys) {
    std::printf("%-10s %d saves in %.2f s (%.0f/s): median %.2f ms, 99%% %.2f ms, slowest %.2f ms; "
                "failed %d; rows %lld, different keys %lld (expected %d)\n",
                label, int(o.ms.size()), o.wallSeconds, double(o.ms.size()) / o.wallSeconds,
                percentile(o.ms, 0.5), percentile(o.ms, 0.99),
                o.ms.empty() ? 0.0 : *std::max_element(o.ms.begin(), o.ms.end()), o.failed,
                static_cast<long long>(rows), static_cast<long long>(keys), kCandidates * kAnswers);
    std::printf("           the clients' own time: %.0f µs of processor per save\n",
                o.clientCpuSeconds * 1e6 / double(qMax<size_t>(1, o.ms.size())));
    if (!o.firstError.isEmpty())
        std::printf("           first failure: %s\n", qPrintable(o.firstError));
    std::fflush(stdout);
}

void count(QSqlDatabase& db, qint64* rows, qint64* keys) {
    QSqlQuery q(db);
    *rows = q.exec("select count(*) from 评分") && q.next() ? q.value(0).toLongLong() : -1;
    *keys =
        q.exec("select count(*) from (select distinct code, student, state, tihao from 评分) k") && q.next()
            ? q.value(0).toLongLong()
            : -1;
}

void onServer(const QString& serverUri) {
    const ServerAddress admin = ServerAddress::parse(serverUri);
    const QString uri = admin.withDatabase("veltaro_bench").toUri();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "bench-admin");
        admin.configure(db);
        if (!db.open()) {
            std::fprintf(stderr, "cannot reach %s: %s\n", qPrintable(admin.shownUri()),
                         qPrintable(db.lastError().text()));
            return;
        }
        QSqlQuery(db).exec("set client_min_messages to warning");
        QSqlQuery(db).exec("drop database if exists veltaro_bench with (force)");
        QSqlQuery(db).exec("create database veltaro_bench");
        QSqlDatabase bank = QSqlDatabase::addDatabase("QPSQL", "bench-bank");
        ServerAddress::parse(uri).configure(bank);
        if (!bank.open() || !fill(bank, Dialect::Postgres))
            return;
        const Outcome o = sit([&](Store& s) { return s.openServer(uri); });
        qint64 rows = 0, keys = 0;
        count(bank, &rows, &keys);
        report("PostgreSQL", o, rows, keys);
        bank.close();
        QSqlQuery(db).exec("drop database if exists veltaro_bench with (force)");
        db.close();
    }
    QSqlDatabase::removeDatabase("bench-bank");
    QSqlDatabase::removeDatabase("bench-admin");
}

void inFolder(const QString& folder) {
    QTemporaryDir dir(folder + "/bench-classroom-XXXXXX");
    const QString path = dir.filePath("ks.db");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-file");
        db.setDatabaseName(path);
        if (!db.open() || !fill(db, Dialect::Sqlite))
            return;
        const Outcome o = sit([&](Store& s) { return s.open(path); });
        qint64 rows = 0, keys = 0;
        count(db, &rows, &keys);
        report("ks.db", o, rows, keys);
        db.close();
    }
    QSqlDatabase::removeDatabase("bench-file");
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QString uri = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("-");
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    std::printf("%d candidates, each on a connection of its own, each saving %d answers without a pause\n",
                kCandidates, kAnswers);
    QTemporaryDir state;
    const QString script = QStringLiteral(VELTARO_SOURCE_DIR "/scripts/test-postgres");
    if (uri == "-") {
        QProcess start;
        start.start(script, {"start", state.path(), "--durable"});
        start.waitForFinished(120000);
        QFile url(state.filePath("postgres-url"));
        if (start.exitCode() != 0 || !url.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "no throwaway server: %s\n", start.readAllStandardError().constData());
            uri.clear();
        } else {
            uri = QString::fromUtf8(url.readAll()).trimmed();
            std::printf("throwaway server with its disk syncs on: %s\n", qPrintable(uri));
        }
    }
    if (!uri.isEmpty())
        onServer(uri);
    if (QFile::exists(state.filePath("postgres-dir")))
        QProcess::execute(script, {"stop", state.path()});
    std::printf("ks.db in %s\n", qPrintable(folder));
    inFolder(folder);
    return 0;
}
