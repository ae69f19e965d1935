// One answer saved as the user saves it: a click on "保存" in the practice window (the answer with
// its history row and review schedule in one transaction, then the progress and the next question)
// and in the exam window, 200 times each on a bank of 1,000 questions; then the bare store calls.
// Two banks side by side, saved in turn so that both meet the disk in the same state: one with the
// journal and sync settings the store uses now, one with those it used before (a journal deleted
// after each change, synchronous=extra). The banks lie in the folder given as the first argument (a
// temporary folder by default): the disk decides the figures.
//
//   bench_save [DIR] [--saves N] [--only now|before]
//
// Each block starts with a line "== <what>" on stdout, so that a trace of the program's syncs
// (strace -e trace=fsync,fdatasync,write) can be split by block.
#include "BenchPaper.h"
#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "store/Schema.h"
#include "store/Store.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int kQuestions = 1000;

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
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1))];
}

void mark(const char* what) {
    std::printf("== %s\n", what);
    std::fflush(stdout);
}

// One bank folder with the program's main window over it.
struct Side {
    const char* label;
    bool before;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::vector<double> practice, exam, bareExecute, bareAppend;

    Side(const char* l, bool b, const QString& folder)
        : label(l), before(b), dir(folder + "/bench-save-XXXXXX") {
        makeBank(dir.filePath("ks.db"));
        window = std::make_unique<MainWindow>(dir.path());
        window->show();
        if (before)
            useOldSettings();
    }
    Store& store() { return window->store(); }
    void useOldSettings() {
        QSqlQuery q(QSqlDatabase::database(store().connectionName()));
        q.exec("pragma journal_mode=delete");
        q.exec("pragma synchronous=extra");
    }
    void press(const QString& caption) {
        for (QAction* a : window->startToolbar()->actions())
            if (a->text() == caption)
                a->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

void goTo(AnswerWindow& w, int n) {
    w.题号编辑框->setText(QString::number(n));
    QTest::keyClick(w.题号编辑框, Qt::Key_Return);
}

double timed(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

void report(const char* what, const std::vector<std::unique_ptr<Side>>& sides,
            std::vector<double> Side::*times) {
    for (const auto& s : sides)
        std::printf("%-30s %-44s median %6.2f ms (90%% %6.2f)\n", what, s->label,
                    percentile((*s).*times, 0.5), percentile((*s).*times, 0.9));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    MessageBox::setRecording(true);
    QuestionReader::setPlaybackEnabled(false);
    PaperPicker::setTestDriver([](PaperPicker& p) {
        for (int i = 0; i < p.list()->topLevelItemCount(); ++i)
            if (p.list()->topLevelItem(i)->text(0) == QLatin1String("B"))
                p.list()->setCurrentItem(p.list()->topLevelItem(i));
        p.choose();
    });

    QString folder = QDir::tempPath();
    QString only;
    int saves = 200;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--saves" && i + 1 < args.size())
            saves = args[++i].toInt();
        else if (args[i] == "--only" && i + 1 < args.size())
            only = args[++i];
        else
            folder = args[i];
    }
    std::printf("%d saves of each kind in %s\n", saves, qPrintable(folder));
    std::fflush(stdout);

    std::vector<std::unique_ptr<Side>> sides;
    if (only != "before")
        sides.push_back(std::make_unique<Side>("now (as the store sets it)", false, folder));
    if (only != "now")
        sides.push_back(std::make_unique<Side>("before (journal deleted, synchronous=extra)", true, folder));

    mark("practice window");
    for (auto& s : sides) {
        PracticeWindow* p = s->window->practiceWindow();
        p->试卷超级按钮->click();
    }
    for (int i = 0; i < saves; ++i)
        for (auto& s : sides) {
            PracticeWindow* p = s->window->practiceWindow();
            goTo(*p, 1 + (i * 37) % kQuestions);
            p->答案超级编辑框->setBoxText(i % 3 ? "AB" : "A");
            s->practice.push_back(timed([p] { p->保存按钮->click(); }));
        }

    mark("exam start");
    for (auto& s : sides) {
        s->press("考试");
        ExamWindow* e = s->window->examWindow();
        e->试卷超级按钮->click();
        e->考号组合框->setEditText("k1");
        e->场次组合框->setEditText("1");
        e->姓名编辑框->setText("张三");
        e->开始按钮->click();
        if (!e->running())
            std::printf("%s: the exam did not start\n", s->label);
    }
    mark("exam window");
    for (int i = 0; i < saves; ++i)
        for (auto& s : sides) {
            ExamWindow* e = s->window->examWindow();
            goTo(*e, 1 + (i * 7) % 100);
            // Every save changes the stored answer: the 100 questions come round again every 100
            // saves, each time with the other answer.
            e->答案超级编辑框->setBoxText((i + i / 100) % 2 ? "C" : "BD");
            s->exam.push_back(timed([e] { e->保存按钮->click(); }));
        }

    mark("store calls");
    for (int i = 0; i < saves; ++i)
        for (auto& s : sides) {
            Store& store = s->store();
            s->bareExecute.push_back(timed([&] {
                store.execute(
                    Sql::SavePractice,
                    {{"answer", i % 2 ? "AB" : "C"}, {"code", "B"}, {"n", 1 + (i * 37) % kQuestions}});
            }));
            s->bareAppend.push_back(timed([&] {
                store.appendRow("评分", {{"tihao", i + 1},
                                         {"code", "B"},
                                         {"answer", "A"},
                                         {"student", "s1"},
                                         {"xingming", "张三"},
                                         {"state", "2"}});
            }));
        }
    mark("done");

    report("practice window, 保存", sides, &Side::practice);
    report("exam window, 保存", sides, &Side::exam);
    report("Store::execute (practice answer)", sides, &Side::bareExecute);
    report("Store::appendRow (exam answer)", sides, &Side::bareAppend);
    if (!MessageBox::shown().isEmpty())
        std::printf("a message was shown: %s\n", qPrintable(MessageBox::shown().first().text));
    // Closed before the folders go.
    for (auto& s : sides)
        s->window.reset();
    return 0;
}
