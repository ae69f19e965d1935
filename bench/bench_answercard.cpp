// The answer card of a sitting of 1,000 answers in a generated bank of 1,000 questions: the
// median time of the program's build (queries, marking, grid), and in the same run the time of the
// same statements run straight against SQLite.
#include "shell/AppState.h"
#include "marking/AnswerCard.h"
#include "store/Schema.h"
#include "ui/Grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace {
constexpr int kAnswers = 1000;
constexpr int kRuns = 9;

void makeBank(const QString& path) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
    db.setDatabaseName(path);
    db.open();
    schema::create(db);
    db.transaction();
    QSqlQuery q(db);
    q.prepare("insert into 试卷 (code, name, chouti, paixu, kstime) values ('B', '基准卷', 1000, 1, 90)");
    q.exec();
    q.prepare("insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
              "values ('B', ?, ?, '', ?, '', '解析', ?)");
    const char* standards[] = {"A", "BC", "ABD", "对"};
    const char* given[] = {"A", "CB", "AB", "错"};
    for (int i = 1; i <= kAnswers; ++i) {
        q.addBindValue(i);
        q.addBindValue(QString("第%1题 下列各项中，正确的是（ ）。A.甲 B.乙 C.丙 D.丁").arg(i));
        q.addBindValue(QString::fromUtf8(standards[i % 4]));
        q.addBindValue(i % 3 ? 1.0 : 1.5);
        q.exec();
    }
    q.prepare("insert into 评分 (code, tihao, answer, student, xingming, state) values ('B', ?, ?, 's1', '张三', '1')");
    for (int i = 1; i <= kAnswers; ++i) {
        q.addBindValue(i);
        q.addBindValue(QString::fromUtf8(given[i % 4]));
        q.exec();
    }
    db.commit();
    db.close();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The same statements through the SQLite C library: the card query, then one lookup per answer.
double rawSqlite(const QByteArray& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_stmt* card = nullptr;
    sqlite3_stmt* question = nullptr;
    sqlite3_prepare_v2(db, "select * from 评分 where code=?1 and student=?2 and state=?3 order by tihao", -1, &card,
                       nullptr);
    sqlite3_prepare_v2(db, "select * from 题库 where tihao=?1 and code=?2", -1, &question, nullptr);
    sqlite3_bind_text(card, 1, "B", -1, SQLITE_STATIC);
    sqlite3_bind_text(card, 2, "s1", -1, SQLITE_STATIC);
    sqlite3_bind_text(card, 3, "1", -1, SQLITE_STATIC);
    double total = 0;
    while (sqlite3_step(card) == SQLITE_ROW) {
        sqlite3_bind_int64(question, 1, sqlite3_column_int64(card, 1));
        sqlite3_bind_text(question, 2, "B", -1, SQLITE_STATIC);
        if (sqlite3_step(question) == SQLITE_ROW)
            total += sqlite3_column_double(question, 7);
        sqlite3_reset(question);
    }
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_finalize(card);
    sqlite3_finalize(question);
    sqlite3_close(db);
    return total > 0 ? ms : -1;
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("ks.db");
    makeBank(path);
    QSqlDatabase::removeDatabase("make");

    AppState state;
    state.store.open(path);
    Grid grid;
    grid.setGridColumnCount(9);
    std::vector<double> program, raw;
    double total = 0;
    for (int run = 0; run < kRuns; ++run) {
        state.currentSql = {Sql::AnswerCard, {{"code", "B"}, {"student", "s1"}, {"state", "1"}}};
        QElapsedTimer t;
        t.start();
        total = buildAnswerCard(state, grid, "B");
        program.push_back(t.nsecsElapsed() / 1e6);
        raw.push_back(rawSqlite(path.toUtf8()));
    }
    std::printf("answer card of %d answers (%d runs): median %.2f ms; total %g; rows %d\n", kAnswers, kRuns,
                median(program), total, grid.gridRowCount());
    std::printf("same statements straight against SQLite: median %.2f ms\n", median(raw));
    std::printf("ratio: %.1f\n", median(program) / median(raw));
    return 0;
}
