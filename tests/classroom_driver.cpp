// One computer of a classroom, for checks by hand: the real main window over the bank its folder
// names (veltaro.ini, or --database), sitting one candidate's exam on the first paper and saving an
// answer to each question in turn, one every INTERVAL milliseconds. A save that fails is pressed
// again with the answer still in the box until it goes through, as a candidate would. Then the
// exam is handed in and the marks window's overview of the paper is printed. Lines on stdout:
//   S <student>            the sitting started
//   E <tihao> <answer>     an answer was saved (its save returned without a message); tihao is the
//                          question's number, which need not be its position in the paper
//   F <tihao> <message>    a save failed; the answer is still in the box
//   M <message>            any other message
//   O <row of the overview>
//
//   classroom_driver <bank folder> <student> <questions> <interval ms> [database URI|-] [show]
// With "show" the window stays up with the overview, for a screenshot.
//   classroom_driver <bank folder> --board <database URI> [OUT.png]
// opens the marks window's 考场 and keeps it up, for a screenshot; with OUT.png the board saves a
// picture of itself there after two seconds and the driver ends.
#include "TestSupport.h"

#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/InfoWindow.h"
#include "marking/LiveBoard.h"
#include "marking/MarksWindow.h"
#include "questions/PaperPicker.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {

void say(const QString& line) {
    std::fputs(QString(line).replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The messages shown since the last call.
QStringList messages() {
    QStringList out;
    for (const auto& m : MessageBox::shown())
        out << m.text;
    MessageBox::clear();
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if ((argc == 4 || argc == 5) && QByteArray(argv[2]) == "--board") {
        useRecordingDialogs();
        MainWindow w(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[3]));
        w.show();
        auto* board = new LiveBoard(w.app().store, &w);
        board->show();
        if (argc == 5)
            QTimer::singleShot(2000, board, [board, out = QString::fromLocal8Bit(argv[4])] {
                board->grab().save(out);
                QCoreApplication::quit();
            });
        return QApplication::exec();
    }
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: classroom_driver <bank folder> <student> <questions> <interval ms> [URI]\n");
        return 2;
    }
    const QString student = QString::fromLocal8Bit(argv[2]);
    const int questions = QByteArray(argv[3]).toInt();
    const int interval = QByteArray(argv[4]).toInt();
    useRecordingDialogs();
    pickPaperInPicker();

    const QString uri = argc > 5 && QByteArray(argv[5]) != "-" ? QString::fromLocal8Bit(argv[5]) : QString();
    MainWindow w(QString::fromLocal8Bit(argv[1]), uri);
    w.show();
    for (const QString& m : messages())
        say(QStringLiteral("M ") + m);
    pressToolbar(w, QStringLiteral("考试"));
    ExamWindow* e = w.examWindow();
    e->试卷超级按钮->click();
    e->考号组合框->setEditText(student);
    e->场次组合框->setEditText(QStringLiteral("1"));
    e->姓名编辑框->setText(QStringLiteral("考生") + student);
    e->开始按钮->click();
    for (const QString& m : messages())
        say(QStringLiteral("M ") + m);
    if (!e->running())
        return 1;
    say(QStringLiteral("S ") + student);
    for (int n = 1; n <= questions;) {
        const QString answer = QString(QLatin1Char('A' + (n + student.size()) % 4));
        if (e->答案超级编辑框->boxText().isEmpty())
            e->答案超级编辑框->setBoxText(answer);
        QThread::msleep(interval);
        QCoreApplication::processEvents();
        const qint64 tihao = e->displayedQuestion().value_or(0);
        e->保存按钮->click();
        const QStringList told = messages();
        if (told.isEmpty()) {
            say(QStringLiteral("E %1 %2").arg(tihao).arg(answer));
            ++n;
        } else {
            say(QStringLiteral("F %1 %2").arg(tihao).arg(told.join(QLatin1Char(' '))));
        }
    }
    MessageBox::pushAnswer(true);
    e->考试交卷按钮->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    messages();
    if (InfoWindow* info = w.infoWindow())
        info->close();
    pressToolbar(w, QStringLiteral("评分"));
    MarksWindow* marks = w.marksWindow();
    marks->receivePaper(w.app().handIn.code, w.app().handIn.code);
    marks->showResultsOverview();
    for (int r = 0; r < marks->汇总表格->gridRowCount(); ++r) {
        QStringList cells;
        for (int c = 1; c < marks->汇总表格->gridColumnCount(); ++c)
            cells << marks->汇总表格->cellText(r, c);
        say(QStringLiteral("O ") + cells.join(QLatin1Char('|')));
    }
    return argc > 6 && QByteArray(argv[6]) == "show" ? QApplication::exec() : 0;
}
