// Showing a very long question text: the time from setting the text of a question box until the
// window has painted it, for texts of 1 MB in a few shapes; the rest of the text when it is asked
// for; and the program's start-up on a bank whose first question is such a text.
#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "store/Schema.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"
#include "ui/TextFormat.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {
double showOnce(RichBox& box, const QString& text) {
    QElapsedTimer t;
    t.start();
    box.setBoxText(text);
    box.repaint();
    QApplication::processEvents();
    return t.nsecsElapsed() / 1e6;
}
// A bank whose paper "1" opens on a question of the given text.
void makeBank(const QString& path, const QString& question) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
        db.setDatabaseName(path);
        db.open();
        schema::create(db);
        QSqlQuery q(db);
        q.exec("insert into 试卷 (code, name, chouti, paixu, kstime) values ('1', '长题目', 2, 1, 90)");
        q.prepare("insert into 题库 (code, tihao, question, pic, authority, practice, jiexi, score) "
                  "values ('1', ?, ?, '', 'A', '', '', 1)");
        q.addBindValue(1);
        q.addBindValue(question);
        q.exec();
        // Answered wrongly, so that the wrong-answer list shows it too.
        q.exec("update 题库 set practice = 'B' where tihao = 1");
        q.addBindValue(2);
        q.addBindValue(QStringLiteral("第2题 A.甲 B.乙"));
        q.exec();
        db.close();
    }
    QSqlDatabase::removeDatabase("make");
}

// From creating the main window (which opens the practice window on question 1) until it is shown,
// then opening the wrong-answer list that holds the question.
std::pair<double, double> startUp(const QString& question) {
    QTemporaryDir dir;
    makeBank(dir.filePath("ks.db"), question);
    QElapsedTimer t;
    t.start();
    MainWindow w(dir.path());
    w.show();
    QApplication::processEvents();
    const double ms = t.nsecsElapsed() / 1e6;
    t.restart();
    w.practiceWindow()->题目区高级选择夹->setCurrentIndex(2);
    QApplication::processEvents();
    return {ms, t.nsecsElapsed() / 1e6};
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    RichBox box;
    box.resize(758, 224);
    SharedTextFormat format;
    format.face = QStringLiteral("宋体");
    format.size = 20;
    box.applyFormat(format);
    box.show();
    QApplication::processEvents();

    const int bytes = 1 << 20;
    struct Shape {
        const char* name;
        QString text;
    };
    const QString chinese = QStringLiteral("借贷记账法的记账规则是有借必有贷借贷必相等");
    QString oneLine, words, lines;
    while (oneLine.toUtf8().size() < bytes)
        oneLine += chinese;
    while (words.size() < bytes)
        words += QStringLiteral("debit credit ");
    while (lines.toUtf8().size() < bytes)
        lines += chinese + QStringLiteral("\r\n");
    const Shape shapes[] = {{"one line of Chinese", oneLine},
                            {"words, no line break", words},
                            {"short lines", lines},
                            {"one unbroken word", QString(bytes, QLatin1Char('x'))}};
    for (const Shape& s : shapes) {
        const double ms = showOnce(box, s.text);
        QElapsedTimer t;
        t.start();
        box.showAll();
        box.repaint();
        QApplication::processEvents();
        const double all = t.nsecsElapsed() / 1e6;
        const double back = showOnce(box, QStringLiteral("短题目 A.甲 B.乙"));
        std::printf(
            "%-22s %7.1f KB: shown in %8.1f ms; the rest when asked for %8.1f ms; next short text %6.1f ms\n",
            s.name, s.text.toUtf8().size() / 1024.0, ms, all, back);
        std::fflush(stdout);
    }
    MessageBox::setRecording(true);
    for (const Shape& s : shapes) {
        const auto [start, list] = startUp(s.text);
        std::printf("program start-up, question 1 %-22s %8.1f ms; wrong-answer list %8.1f ms\n", s.name,
                    start, list);
    }
    const auto [start, list] = startUp(QStringLiteral("第1题 A.甲 B.乙"));
    std::printf("program start-up, short question 1              %8.1f ms; wrong-answer list %8.1f ms\n",
                start, list);
    return 0;
}
