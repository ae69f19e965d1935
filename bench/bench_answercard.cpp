// The grids over a generated large bank, each beside the same statements run straight against
// SQLite in the same run (medians):
//   - the answer card of a sitting of 1,000 answers and of 100,000 answers;
//   - the wrong-answer list of a 10,000-question paper with 3,334 wrong practice answers;
//   - the peak memory of a process that builds the 100,000-answer card (a child run of this program).
#include "answering/WrongAnswers.h"
#include "marking/AnswerCard.h"
#include "shell/AppState.h"
#include "store/Schema.h"
#include "store/Statements.h"
#include "ui/Grid.h"
#include "ui/StatusPanels.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <vector>

namespace {
constexpr int kSmallCard = 1000;
constexpr int kLargeCard = 100000;
constexpr int kWrongPaper = 10000;

// Paper "S": 1,000 questions, all answered by s1 in sitting 1. Paper "W": 10,000 questions; every
// third practice answer is wrong, the others right, half of them in another order (left out by the
// marking rule, not by the query). With `large`, only paper "L": 100,000 questions, all answered.
void makeBank(const QString& path, bool large) {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", large ? "make-large" : "make");
    db.setDatabaseName(path);
    db.open();
    schema::create(db);
    db.transaction();
    QSqlQuery q(db);
    q.exec("insert into 试卷 (code, name, chouti, paixu, kstime) values ('S', '小卷', 1000, 1, 90), "
           "('L', '大卷', 100000, 1, 90), ('W', '错题卷', 10000, 1, 90)");
    const char* standards[] = {"A", "BC", "ABD", "对"};
    const char* given[] = {"A", "CB", "AB", "错"};
    QSqlQuery question(db), answer(db);
    question.prepare("insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
                     "values (?, ?, ?, '', ?, ?, '解析', ?)");
    answer.prepare("insert into 评分 (code, tihao, answer, student, xingming, state) values (?, ?, ?, 's1', "
                   "'张三', '1')");
    auto paper = [&](const QString& code, int count) {
        for (int i = 1; i <= count; ++i) {
            question.addBindValue(code);
            question.addBindValue(i);
            question.addBindValue(QString("第%1题 下列各项中，正确的是（ ）。A.甲 B.乙 C.丙 D.丁").arg(i));
            question.addBindValue(QString::fromUtf8(standards[i % 4]));
            question.addBindValue(QString());
            question.addBindValue(i % 3 ? 1.0 : 1.5);
            question.exec();
            answer.addBindValue(code);
            answer.addBindValue(i);
            answer.addBindValue(QString::fromUtf8(given[i % 4]));
            answer.exec();
        }
    };
    if (large) {
        paper("L", kLargeCard);
        db.commit();
        db.close();
        return;
    }
    paper("S", kSmallCard);
    for (int i = 1; i <= kWrongPaper; ++i) {
        // Wrong for every third question; right otherwise, half of those in another order.
        const char* right[] = {"A", "CB", "DBA", "对"};
        const char* standard = standards[i % 4];
        const char* practice = i % 3 == 1 ? "D" : right[i % 4];
        question.addBindValue("W");
        question.addBindValue(i);
        question.addBindValue(QString("第%1题 下列各项中，正确的是（ ）。A.甲 B.乙 C.丙 D.丁").arg(i));
        question.addBindValue(QString::fromUtf8(standard));
        question.addBindValue(QString::fromUtf8(practice));
        question.addBindValue(1.0);
        question.exec();
    }
    db.commit();
    db.close();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall-clock and processor time of runs. On a shared machine the wall clock also counts the time
// other programs had the processor; the processor time is this thread's own.
struct Timings {
    std::vector<double> wall, cpu;
    void time(const std::function<void()>& f) {
        QElapsedTimer t;
        t.start();
        const double c = threadCpuMs();
        f();
        cpu.push_back(threadCpuMs() - c);
        wall.push_back(t.nsecsElapsed() / 1e6);
    }
    QByteArray text() const {
        return QByteArray::number(median(wall), 'f', 2) + " ms (processor " +
               QByteArray::number(median(cpu), 'f', 2) + " ms)";
    }
};

QByteArray ratio(const Timings& a, const Timings& b) {
    return QByteArray::number(median(a.wall) / median(b.wall), 'f', 1) + " (processor " +
           QByteArray::number(median(a.cpu) / median(b.cpu), 'f', 1) + ")";
}

void bindSitting(sqlite3_stmt* s, const char* code) {
    for (int i = 1; i <= sqlite3_bind_parameter_count(s); ++i) {
        const QByteArray name = sqlite3_bind_parameter_name(s, i);
        sqlite3_bind_text(s, i, name == ":student" ? "s1" : name == ":state" ? "1" : code, -1, SQLITE_STATIC);
    }
}

// The card's statements through the SQLite C library: the card query, then one lookup per answer.
double rawCard(sqlite3* db, const char* code) {
    sqlite3_stmt* card = nullptr;
    sqlite3_stmt* question = nullptr;
    sqlite3_prepare_v2(
        db, "select * from 评分 where code=:code and student=:student and state=:state order by tihao", -1,
        &card, nullptr);
    sqlite3_prepare_v2(db, "select * from 题库 where tihao=?1 and code=?2", -1, &question, nullptr);
    bindSitting(card, code);
    double total = 0;
    while (sqlite3_step(card) == SQLITE_ROW) {
        sqlite3_bind_int64(question, 1, sqlite3_column_int64(card, 1));
        sqlite3_bind_text(question, 2, code, -1, SQLITE_STATIC);
        if (sqlite3_step(question) == SQLITE_ROW)
            total += sqlite3_column_double(question, 7);
        sqlite3_reset(question);
    }
    sqlite3_finalize(card);
    sqlite3_finalize(question);
    return total;
}

// The one statement the card is read with, through the SQLite C library, every value read as text.
double rawCardInOneStatement(sqlite3* db, const char* code) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, statementText(Sql::AnswerCardWithQuestions).toUtf8().constData(), -1, &s, nullptr);
    bindSitting(s, code);
    double total = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(s); ++c)
            total += sqlite3_column_bytes16(s, c) > 0 ? 0 : 0;
        total += sqlite3_column_double(s, 7);
    }
    sqlite3_finalize(s);
    return total;
}

// The wrong-answer statement through the SQLite C library, reading the four listed columns.
qint64 rawWrongList(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, statementText(Sql::WrongPractice).toUtf8().constData(), -1, &s, nullptr);
    bindSitting(s, "W");
    qint64 bytes = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        bytes += sqlite3_column_int64(s, 1);
        for (int c : {2, 4, 5})
            bytes += sqlite3_column_bytes16(s, c);
    }
    sqlite3_finalize(s);
    return bytes;
}

// What the program does, the card's progress going to a status bar on screen.
double buildCard(AppState& state, Grid& grid, const QString& code) {
    static StatusPanels* status = [] {
        auto* panels = new StatusPanels;
        panels->setPanels({200, 200, 100, 150});
        panels->show();
        return panels;
    }();
    state.currentSql = {Sql::AnswerCard, {{"code", code}, {"student", "s1"}, {"state", "1"}}};
    return buildAnswerCard(state.store, state.currentSql, code, grid,
                           [](const QString& text) { status->setText(3, text); });
}

// What the practice window runs when its wrong-answer tab is chosen.
void buildWrongList(AppState& state, Grid& grid) {
    buildWrongAnswerList(state.store, "W", grid);
}

void compareCard(AppState& state, sqlite3* raw, const char* code, int answers, int runs) {
    Grid grid;
    grid.setGridColumnCount(9);
    Timings program, direct, joined;
    double total = 0, rawTotal = 0;
    for (int run = 0; run < runs; ++run) {
        program.time([&] { total = buildCard(state, grid, code); });
        direct.time([&] { rawTotal = rawCard(raw, code); });
        joined.time([&] { rawCardInOneStatement(raw, code); });
    }
    std::printf("answer card, %d answers (%d runs): %s; %d rows, total %g\n", answers, runs,
                program.text().constData(), grid.gridRowCount(), total);
    std::printf(
        "  the same statements straight on SQLite (card, then one lookup per answer): %s (sum of scores "
        "%g); ratio %s\n",
        direct.text().constData(), rawTotal, ratio(program, direct).constData());
    std::printf("  the card's one statement straight on SQLite: %s; ratio %s\n", joined.text().constData(),
                ratio(program, joined).constData());
}

void compareWrongList(AppState& state, sqlite3* raw, int runs) {
    Grid grid;
    grid.setGridColumnCount(4);
    Timings program, direct;
    for (int run = 0; run < runs; ++run) {
        program.time([&] { buildWrongList(state, grid); });
        direct.time([&] { rawWrongList(raw); });
    }
    std::printf("wrong-answer list, %d-question paper (%d runs): %s; %d rows\n", kWrongPaper, runs,
                program.text().constData(), grid.gridRowCount() - 1);
    std::printf("  the same statement straight on SQLite: %s; ratio %s\n", direct.text().constData(),
                ratio(program, direct).constData());
}

// The peak resident size of this process image (VmHWM; getrusage would report the parent's peak
// carried over the exec).
long peakKilobytes() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Child run: the peak memory of a process that opens the bank and builds the large card once.
int peakMemoryRun(const QString& path) {
    AppState state;
    state.store.open(path);
    const long before = peakKilobytes();
    Grid grid;
    grid.setGridColumnCount(9);
    const double total = buildCard(state, grid, "L");
    std::printf("%ld %ld %g\n", before, peakKilobytes(), total);
    return 0;
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--peak")
        return peakMemoryRun(QString::fromLocal8Bit(argv[2]));

    QTemporaryDir dir;
    const QString path = dir.filePath("ks.db");
    const QString largePath = dir.filePath("large.db");
    makeBank(path, false);
    makeBank(largePath, true);
    QSqlDatabase::removeDatabase("make");
    QSqlDatabase::removeDatabase("make-large");

    // "--only card|wrong|large" runs one comparison (for a profiler), many times over.
    const QByteArray only = argc == 3 && QByteArray(argv[1]) == "--only" ? QByteArray(argv[2]) : QByteArray();
    const int repeat = only.isEmpty() ? 1 : 10;
    if (only.isEmpty() || only == "card" || only == "wrong") {
        AppState state;
        state.store.open(path);
        sqlite3* raw = nullptr;
        sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
        if (only != "wrong")
            compareCard(state, raw, "S", kSmallCard, 15 * repeat);
        if (only != "card")
            compareWrongList(state, raw, 15 * repeat);
        sqlite3_close(raw);
    }
    if (only.isEmpty() || only == "large") {
        AppState state;
        state.store.open(largePath);
        sqlite3* raw = nullptr;
        sqlite3_open_v2(largePath.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
        compareCard(state, raw, "L", kLargeCard, 5 * repeat);
        sqlite3_close(raw);
    }
    if (!only.isEmpty())
        return 0;

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--peak", largePath});
    child.waitForFinished(-1);
    const QList<QByteArray> peak = child.readAllStandardOutput().simplified().split(' ');
    if (peak.size() == 3)
        std::printf("peak memory, building the %d-answer card: %.1f MB (%.1f MB before the build)\n",
                    kLargeCard, peak[1].toDouble() / 1024, peak[0].toDouble() / 1024);
    return 0;
}
