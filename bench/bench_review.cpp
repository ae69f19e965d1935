// The drill order's due list: which questions of a paper are due today, most overdue first, on a
// paper of 10,000 questions with 100,000 history rows (ten answers a question over sixty days,
// three in ten of them wrong). Also the rebuild of the schedule from the whole history, the
// statistics tab's reads (answers per day, questions most often wrong) and what a save adds.
#include "answering/PracticeSchedule.h"
#include "answering/PracticeStatistics.h"
#include "BenchPaper.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kQuestions = 10000;
constexpr int kRows = 100000;
constexpr int kRuns = 20;
const QDate kToday(2026, 3, 10);

void makeBank(const QString& path) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
        db.setDatabaseName(path);
        db.open();
        schema::create(db);
        db.transaction();
        addBenchPaper(db, kQuestions);
        QSqlQuery q(db);
        // In the order they were given: day by day, questions at random.
        QRandomGenerator random(7);
        std::vector<int> days(kRows);
        for (int& d : days)
            d = int(random.bounded(60));
        std::sort(days.begin(), days.end());
        q.prepare("insert into 练习记录 (code, tihao, answer, correct, answered) values ('B', ?, ?, ?, ?)");
        for (int i = 0; i < kRows; ++i) {
            const bool right = random.bounded(10) >= 3;
            q.addBindValue(1 + int(random.bounded(kQuestions)));
            q.addBindValue(right ? "A" : "B");
            q.addBindValue(right ? 1 : 0);
            q.addBindValue(QDateTime(kToday.addDays(days[size_t(i)] - 59), QTime(8, 0).addSecs(i % 36000))
                               .toString("yyyy-MM-dd HH:mm:ss"));
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("make");
}

struct Figures {
    double median, best;
};
template <typename F> Figures time(F work) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("ks.db");
    makeBank(path);
    Store store;
    if (store.open(path) != Store::OpenResult::Ok) {
        std::fprintf(stderr, "cannot open the bank: %s\n", qPrintable(store.lastError()));
        return 1;
    }
    const qint64 today = kToday.toJulianDay();
    // The schedule from the whole history, as a workbook import or a bank-window edit makes it.
    QElapsedTimer rebuild;
    rebuild.start();
    store.inTransaction([&] { return review::rebuildCards(store, "B"); });
    std::printf("schedule rebuilt from %d history rows: %.1f ms\n", kRows, rebuild.nsecsElapsed() / 1e6);
    qsizetype due = 0;
    const Figures list = time([&] { due = review::dueQuestions(store, "B", today).size(); });
    std::printf("due list, %d questions, %d history rows: %lld due; median %.1f ms, best %.1f ms (%d runs)\n",
                kQuestions, kRows, static_cast<long long>(due), list.median, list.best, kRuns);
    const Figures count = time([&] { review::dueCount(store, "B", today); });
    std::printf("due count (status panel): median %.2f ms, best %.2f ms\n", count.median, count.best);
    const Figures daily = time([&] { review::dailyResults(store, "B", kToday); });
    std::printf("answers per day, last 30 days: median %.1f ms, best %.1f ms\n", daily.median, daily.best);
    const Figures wrong = time([&] { review::mostOftenWrong(review::readCards(store, "B")); });
    std::printf("questions most often wrong (50): median %.1f ms, best %.1f ms\n", wrong.median, wrong.best);
    // One practice save's share: the history row and the card, in one transaction.
    const Figures save = time([&] {
        store.inTransaction([&] {
            return store.execute(Sql::AppendPractice, {{"code", "B"},
                                                       {"n", 17},
                                                       {"answer", "B"},
                                                       {"correct", 0},
                                                       {"answered", "2026-03-10 12:00:00"}}) &&
                   review::recordAnswer(store, "B", 17, today, false);
        });
    });
    std::printf("history row and card of one save (with its syncs): median %.2f ms, best %.2f ms\n",
                save.median, save.best);
    return 0;
}
