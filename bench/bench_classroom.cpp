// An exam hall on one PostgreSQL server: SEATS candidates (300 by default), each on a thread and a
// connection of its own, each first doing what the exam window does before the first save (the
// paper read, the sitting checked and claimed, the first question shown), then saving through the
// statement the exam window saves with. Three runs on the server:
//   1. one login for the whole room, every seat saving ANSWERS answers without a pause (how the
//      room was set up before logins per person);
//   2. a login per candidate (the classroom set-up: row-level security, the candidate list's name
//      trigger), the same saves without a pause, then every seat hands in at once;
//   3. a login per candidate at a hall's pace: each seat saves PACED answers with pauses of about
//      PAUSE seconds between them (from half to one and a half times that) and a sign of life
//      every 10 seconds, the seats starting at random moments of the first pause.
// Each save is timed until it returns (median, 99th percentile, slowest); afterwards exactly
// SEATS × answers rows must exist, none of them twice. The connections the server holds for the
// bank are counted every quarter second (pg_stat_activity) and the most is given.
// Then, for comparison, run 1 on one ks.db in a folder as a shared folder would hold it.
//   bench_classroom [--seats N] [--answers N] [--paced N] [--pause SECONDS] [URI|-] [FOLDER|-]
// URI: a server on which the benchmark may create the database veltaro_bench and the logins
// bench0001…; without it (or "-") a throwaway server is started for the run (scripts/test-postgres,
// with its disk syncs on and room for the seats' connections). FOLDER: where ks.db goes (a
// temporary folder by default; "-" leaves the ks.db run out).
#include "BenchPaper.h"
#include "exam/SittingClaim.h"
#include "server/Classroom.h"
#include "server/ClassroomSeat.h"
#include "server/ServerAddress.h"
#include "store/Schema.h"
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
#include <cstdio>
#include <ctime>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <random>
#include <vector>

namespace {
struct Settings {
    int seats = 300;
    int answers = 100; // per seat, without a pause
    int paced = 20;    // per seat, at a hall's pace
    double pause = 3;  // seconds between two saves of one seat at a hall's pace
};
Settings settings;

constexpr int kRenewSeconds = 10;

// The paper the candidates sit, in a database of the given kind.
bool fill(QSqlDatabase& db, Dialect dialect, int questions) {
    if (const QString err = schema::create(db, dialect); !err.isEmpty()) {
        std::fprintf(stderr, "schema: %s\n", qPrintable(err));
        return false;
    }
    db.transaction();
    addBenchPaper(db, questions);
    return db.commit();
}

struct Run {
    QString state;  // the sitting
    int answers = 0;
    double pause = 0; // seconds; 0: none
    bool handIn = false;
    std::function<Store::OpenResult(Store&, int seat)> open;
    std::function<QString(int seat)> student;
};

struct Outcome {
    std::vector<double> ms;
    std::vector<double> handInMs;
    std::vector<double> openMs;
    int failed = 0;
    int handInFailed = 0;
    int renewals = 0;
    QString firstError;
    double wallSeconds = 0;
    double clientCpuSeconds = 0; // of this process: the seats' programs' share of the machine
    int mostConnections = 0;
};

// Counts the client connections to the bank every quarter second until told to stop.
class ConnectionCounter {
public:
    explicit ConnectionCounter(const ServerAddress& admin) {
        m_thread = QThread::create([this, admin] {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "bench-counter");
            admin.configure(db);
            if (db.open()) {
                {
                    QSqlQuery q(db);
                    q.prepare("select count(*) from pg_stat_activity where datname = 'veltaro_bench' "
                              "and backend_type = 'client backend'");
                    while (!m_stop) {
                        if (q.exec() && q.next())
                            m_most = std::max(m_most.load(), q.value(0).toInt());
                        QThread::msleep(250);
                    }
                }
                db.close();
            }
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase("bench-counter");
        });
        m_thread->start();
    }
    int stop() {
        m_stop = true;
        m_thread->wait();
        delete m_thread;
        return m_most;
    }

private:
    QThread* m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_most{0};
};

// Every seat on a thread and a connection of its own; the first saves of all seats start at once.
Outcome sit(const Run& run) {
    Outcome out;
    std::mutex lock;
    std::latch ready(settings.seats + 1);
    std::latch go(1);
    std::latch handInReady(settings.seats);
    std::vector<QThread*> threads;
    for (int c = 0; c < settings.seats; ++c)
        threads.push_back(QThread::create([&, c] {
            Store store;
            QElapsedTimer opening;
            opening.start();
            const Store::OpenResult result = run.open(store, c);
            const double openMs = opening.nsecsElapsed() / 1e6;
            const bool opened = result == Store::OpenResult::Ok;
            const QString openError =
                opened ? QString() : QString("opening (%1): %2").arg(int(result)).arg(store.lastError());
            const QString student = run.student(c);
            const sittingclaim::Key key{"B", student, run.state};
            const QString owner = sittingclaim::newOwner();
            store.prepareForExams();
            store.query(Sql::PaperByCode, {{"code", "B"}});
            seat::whoIsLoggedIn(store);
            sittingclaim::claim(store, key, owner);
            store.query(Sql::SittingAnswerCount, {{"code", "B"}, {"student", student}, {"state", run.state}});
            store.query(Sql::Question, {{"code", "B"}, {"n", 1}});
            std::mt19937 random(unsigned(c) + 1);
            std::uniform_real_distribution<double> pause(0.5 * run.pause, 1.5 * run.pause);
            std::uniform_real_distribution<double> firstPause(0, run.pause);
            ready.count_down();
            go.wait();
            std::vector<double> mine, handIns;
            int failed = 0, renewals = 0;
            QString error = openError;
            QElapsedTimer sinceRenewal;
            sinceRenewal.start();
            if (run.pause > 0)
                QThread::usleep(qint64(firstPause(random) * 1e6));
            for (int n = 1; opened && n <= run.answers; ++n) {
                if (n > 1 && run.pause > 0)
                    QThread::usleep(qint64(pause(random) * 1e6));
                if (run.pause > 0 && sinceRenewal.elapsed() >= kRenewSeconds * 1000) {
                    sittingclaim::renew(store, key, owner);
                    sinceRenewal.restart();
                    ++renewals;
                }
                QElapsedTimer t;
                t.start();
                const bool ok = store.execute(Sql::SaveExamAnswer, {{"n", n},
                                                                    {"code", "B"},
                                                                    {"answer", n % 3 ? "A" : "BC"},
                                                                    {"student", student},
                                                                    {"name", QString("姓名%1").arg(c + 1)},
                                                                    {"state", run.state}});
                mine.push_back(t.nsecsElapsed() / 1e6);
                if (!ok) {
                    ++failed;
                    if (error.isEmpty())
                        error = store.lastError();
                }
            }
            int handInFailed = 0;
            if (run.handIn) {
                // The end of the exam: everybody hands in at the same moment.
                handInReady.arrive_and_wait();
                QElapsedTimer t;
                t.start();
                QString why;
                const bool ok = opened && seat::handIn(store, "B", run.state, &why).has_value();
                handIns.push_back(t.nsecsElapsed() / 1e6);
                if (!ok) {
                    ++handInFailed;
                    if (error.isEmpty())
                        error = why;
                }
            }
            sittingclaim::release(store, key, owner);
            std::lock_guard<std::mutex> g(lock);
            out.ms.insert(out.ms.end(), mine.begin(), mine.end());
            out.handInMs.insert(out.handInMs.end(), handIns.begin(), handIns.end());
            out.openMs.push_back(openMs);
            out.failed += failed + (opened ? 0 : run.answers);
            out.handInFailed += handInFailed;
            out.renewals += renewals;
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

double slowest(const std::vector<double>& v) {
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

void report(const char* label, const Run& run, const Outcome& o, qint64 rows, qint64 keys) {
    std::printf("%s\n  %d saves in %.2f s (%.0f/s): median %.2f ms, 99%% %.2f ms, slowest %.2f ms; "
                "failed %d; rows %lld, different keys %lld (expected %d)\n",
                label, int(o.ms.size()), o.wallSeconds, double(o.ms.size()) / o.wallSeconds,
                percentile(o.ms, 0.5), percentile(o.ms, 0.99), slowest(o.ms), o.failed,
                static_cast<long long>(rows), static_cast<long long>(keys), settings.seats * run.answers);
    std::printf("  %d seats opening the bank at once: median %.0f ms, 99%% %.0f ms, slowest %.0f ms\n",
                int(o.openMs.size()), percentile(o.openMs, 0.5), percentile(o.openMs, 0.99), slowest(o.openMs));
    if (o.mostConnections > 0)
        std::printf("  connections to the bank held by the server: at most %d\n", o.mostConnections);
    if (o.renewals > 0)
        std::printf("  signs of life given: %d\n", o.renewals);
    if (!o.handInMs.empty())
        std::printf("  %d hand-ins at once, each marked by the server: median %.2f ms, 99%% %.2f ms, "
                    "slowest %.2f ms; failed %d\n",
                    int(o.handInMs.size()), percentile(o.handInMs, 0.5), percentile(o.handInMs, 0.99),
                    slowest(o.handInMs), o.handInFailed);
    std::printf("  the clients' own time: %.0f µs of processor per save\n",
                o.clientCpuSeconds * 1e6 / double(qMax<size_t>(1, o.ms.size())));
    if (!o.firstError.isEmpty())
        std::printf("  first failure: %s\n", qPrintable(o.firstError));
    std::fflush(stdout);
}

void count(QSqlDatabase& db, const QString& state, qint64* rows, qint64* keys) {
    QSqlQuery q(db);
    q.prepare("select (select count(*) from 评分 where state = ?), "
              "(select count(*) from (select distinct code, student, tihao from 评分 where state = ?) k)");
    q.addBindValue(state);
    q.addBindValue(state);
    *rows = *keys = -1;
    if (q.exec() && q.next()) {
        *rows = q.value(0).toLongLong();
        *keys = q.value(1).toLongLong();
    }
}

// One run, its rows counted afterwards; on a server (admin given) the connections counted during it.
void measure(const QString& label, const Run& run, QSqlDatabase& bank, const ServerAddress* admin) {
    std::unique_ptr<ConnectionCounter> counter;
    if (admin)
        counter = std::make_unique<ConnectionCounter>(*admin);
    Outcome o = sit(run);
    if (counter)
        o.mostConnections = counter->stop();
    qint64 rows = 0, keys = 0;
    count(bank, run.state, &rows, &keys);
    report(label.toUtf8().constData(), run, o, rows, keys);
}

QString candidateNumber(int seat) {
    return QString("bench%1").arg(seat + 1, 4, 10, QChar('0'));
}

void onServer(const QString& serverUri) {
    const ServerAddress admin = ServerAddress::parse(serverUri);
    const ServerAddress bankAddress = admin.withDatabase("veltaro_bench");
    const QString uri = bankAddress.toUri();
    QTemporaryDir work;
    QList<classroom::Candidate> list;
    for (int c = 0; c < settings.seats; ++c)
        list.append({candidateNumber(c), QString("考生%1").arg(c + 1), classroom::generatePassword()});
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
        QSqlQuery limit(db);
        if (limit.exec("show max_connections") && limit.next())
            std::printf("the server takes %s connections\n", qPrintable(limit.value(0).toString()));
        QSqlDatabase bank = QSqlDatabase::addDatabase("QPSQL", "bench-bank");
        bankAddress.configure(bank);
        if (!bank.open() || !fill(bank, Dialect::Postgres, qMax(settings.answers, settings.paced)))
            return;

        Run shared;
        shared.state = "0";
        shared.answers = settings.answers;
        shared.open = [&](Store& s, int) { return s.openServer(uri); };
        shared.student = [](int c) { return QString("考生%1").arg(c + 1); };
        measure("PostgreSQL, one login for the room, no pauses:", shared, bank, &admin);

        // The classroom: a login per candidate, the paper marked for exams.
        for (const classroom::Outcome& step :
             {classroom::setUp(uri), classroom::addCandidates(uri, list, work.filePath("passwords.csv"))})
            if (!step.ok) {
                std::fprintf(stderr, "classroom set-up: %s\n", qPrintable(step.error));
                return;
            }
        QSqlQuery(bank).exec("update 试卷 set exam_only = 1 where code = 'B'");
        const auto asCandidate = [&](Store& s, int c) {
            ServerAddress a = bankAddress;
            a.user = candidateNumber(c);
            return s.openServer(a.toUri());
        };
        Run own;
        own.state = "1";
        own.answers = settings.answers;
        own.handIn = true;
        own.open = asCandidate;
        own.student = candidateNumber;
        measure("PostgreSQL, a login per candidate, no pauses:", own, bank, &admin);
        {
            // What the teacher's live board asks once when a hall has handed in: the server's total
            // of each sitting (later refreshes keep the totals they have).
            QElapsedTimer t;
            t.start();
            QSqlQuery board(bank);
            int sittings = 0;
            if (board.exec("select h.student, veltaro_total(h.code, h.student, h.state) from 交卷 h "
                           "order by h.handed desc limit 500"))
                while (board.next())
                    ++sittings;
            std::printf("  the totals of %d sittings handed in, as the live board first reads them: %.1f ms\n", sittings,
                        t.nsecsElapsed() / 1e6);
        }
        Run paced = own;
        paced.state = "2";
        paced.answers = settings.paced;
        paced.pause = settings.pause;
        paced.handIn = false;
        measure(QString("PostgreSQL, a login per candidate, a save every %1 s or so (%2 saves/s offered):")
                    .arg(settings.pause)
                    .arg(settings.seats / settings.pause, 0, 'f', 0),
                paced, bank, &admin);
        bank.close();
        bank = QSqlDatabase();
        QSqlDatabase::removeDatabase("bench-bank");
        QSqlQuery(db).exec("drop database if exists veltaro_bench with (force)");
        // The logins are the server's: they go with the benchmark's database.
        for (const classroom::Candidate& c : list)
            QSqlQuery(db).exec(QString("drop role if exists \"%1\"").arg(c.number));
        db.close();
    }
    QSqlDatabase::removeDatabase("bench-admin");
}

void inFolder(const QString& folder) {
    QTemporaryDir dir(folder + "/bench-classroom-XXXXXX");
    const QString path = dir.filePath("ks.db");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-file");
        db.setDatabaseName(path);
        if (!db.open() || !fill(db, Dialect::Sqlite, settings.answers))
            return;
        Run run;
        run.state = "1";
        run.answers = settings.answers;
        run.open = [&](Store& s, int) { return s.open(path); };
        run.student = [](int c) { return QString("考生%1").arg(c + 1); };
        measure("ks.db in a shared folder, no pauses:", run, db, nullptr);
        db.close();
    }
    QSqlDatabase::removeDatabase("bench-file");
}

bool readNumber(const char* text, double low, double high, double* value) {
    bool ok = false;
    const double v = QString::fromLocal8Bit(text).toDouble(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList places;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        double v = 0;
        if (arg.startsWith("--") && i + 1 < argc) {
            const char* value = argv[++i];
            bool ok = true;
            if (arg == "--seats" && (ok = readNumber(value, 1, 5000, &v)))
                settings.seats = int(v);
            else if (arg == "--answers" && (ok = readNumber(value, 1, 100000, &v)))
                settings.answers = int(v);
            else if (arg == "--paced" && (ok = readNumber(value, 0, 100000, &v)))
                settings.paced = int(v);
            else if (arg == "--pause" && (ok = readNumber(value, 0.001, 3600, &v)))
                settings.pause = v;
            else
                ok = false;
            if (ok)
                continue;
        }
        if (arg.startsWith("--")) {
            std::fprintf(stderr, "usage: bench_classroom [--seats N] [--answers N] [--paced N] [--pause SECONDS] "
                                 "[URI|-] [FOLDER|-]\n");
            return 2;
        }
        places.append(arg);
    }
    QString uri = places.value(0, "-");
    const QString folder = places.value(1, QDir::tempPath());
    std::printf("%d seats, each on a connection of its own, each saving %d answers without a pause, "
                "then %d at a hall's pace\n",
                settings.seats, settings.answers, settings.paced);
    QTemporaryDir state;
    const QString script = QStringLiteral(VELTARO_SOURCE_DIR "/scripts/test-postgres");
    if (uri == "-") {
        QProcess start;
        // Room for every seat, the counter, the set-up and the teachers.
        start.start(script, {"start", state.path(), "--durable", "--max-connections",
                             QString::number(settings.seats + 20)});
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
    if (folder != "-") {
        std::printf("ks.db in %s\n", qPrintable(folder));
        inFolder(folder);
    }
    return 0;
}
