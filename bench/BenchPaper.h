// The paper the benchmarks work on: "B", questions 1..count, each with a stem and four options,
// standard answer "A", one mark. Rows go in through the caller's transaction, if any.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

inline void addBenchPaper(QSqlDatabase& db, int count) {
    QSqlQuery q(db);
    q.exec("insert into 试卷 (code, name, chouti, paixu, kstime) values ('B', '基准卷', 100, 1, 90)");
    q.prepare("insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
              "values ('B', ?, ?, '', 'A', '', '解析', 1)");
    for (int i = 1; i <= count; ++i) {
        q.addBindValue(i);
        q.addBindValue(QString("第%1题 下列各项中，正确的是（ ）。A.甲 B.乙 C.丙 D.丁").arg(i));
        q.exec();
    }
}
