// The practice progress shown after every save ("已答 12/30，错 3"): the paper's questions read and
// counted once per save. Median time over papers of 1,000, 5,000 and 20,000 questions, half answered.
#include "answering/PracticeWindow.h"
#include "store/Schema.h"
#include "store/Store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kRuns = 9;

void makeBank(const QString& path, int questions) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
        db.setDatabaseName(path);
        db.open();
        schema::create(db);
        db.transaction();
        QSqlQuery q(db);
        q.exec("insert into 试卷 (code, name, chouti, paixu, kstime) values ('B', '基准卷', 10, 1, 90)");
        q.prepare("insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
                  "values ('B', ?, ?, '', ?, ?, '解析', 1)");
        const char* standards[] = {"A", "BC", "ABD", "对"};
        const char* given[] = {"A", "CB", "AB", "错"};
        for (int i = 1; i <= questions; ++i) {
            q.addBindValue(i);
            q.addBindValue(QString("第%1题 下列各项中，正确的是（ ）。A.甲 B.乙 C.丙 D.丁").arg(i));
            q.addBindValue(QString::fromUtf8(standards[i % 4]));
            q.addBindValue(i % 2 == 0 ? QString::fromUtf8(given[i % 4]) : QString());
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("make");
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int questions : {1000, 5000, 20000}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("ks.db");
        makeBank(path, questions);
        Store store;
        store.open(path);
        std::vector<double> times;
        PracticeProgress p;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer t;
            t.start();
            p = practiceProgress(store, "B");
            times.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("progress of a paper of %d questions (%d runs): median %.2f ms; %s\n", questions, kRuns,
                    median(times), qPrintable(progressText(p)));
    }
    return 0;
}
