#include "TestSupport.h"

#include "answering/PracticeWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "exam/SittingClaim.h"
#include "server/ServerAddress.h"
#include "marking/InfoWindow.h"
#include "marking/MarksWindow.h"
#include "ui/Grid.h"
#include "questions/PaperPicker.h"
#include "questions/QuestionReader.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"

#include <QAction>
#include <QDir>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

// Every test runs on a bank file and on a bank on the PostgreSQL test server.
class ExamTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase_data() { addStoreRows(); }
    void init() {
        useRecordingDialogs();
        if (const QString why = useStoreOfRow(); !why.isEmpty())
            QSKIP(qPrintable(why));
    }
    void cleanup() { PaperPicker::setTestDriver({}); }

    void controlsAndTheirPlaces();
    void startChecksInOrder();
    void usedSittingRefusedForTheSamePaperOnly();
    void candidateAndSittingListsRefill();
    void clockTextAndTimeUp();
    void noTimeUpWithZeroMinutes();
    void saveAddsThenUpdatesOneRowPerKey();
    void handInCancelledKeepsRunning();
    void handInEndsOnceAndOpensTheInfoWindow();
    void timeUpWhileTheHandInQuestionIsOpen();
    void twoProgramsSitDifferentCandidatesAtOnce();
    void sittingOfASilentProgramIsFreedAfterTwoMinutes();
    void saveWhileTheServerIsAwayKeepsTheAnswer();
    void firstExamOnABankFileTellsWhatItPutRight();
    void paperWithoutQuestionsCannotBeSat();
    void handInTellsOfAnAnswerNotSaved();
    void panelTwoShowsTimeLeftAndSavedAnswers();
    void lastFiveMinutesAndLastMinuteToldOnce();

  private:
    struct Sitting {
        TestBank bank;
        std::unique_ptr<MainWindow> w;
        ExamWindow* exam = nullptr;
    };
    static void openExam(Sitting& s, const QString& code);
    // Another program on the same bank, its exam window on paper code.
    static ExamWindow* openAnother(std::unique_ptr<MainWindow>& w, const TestBank& bank, const QString& code);
    static void startAs(ExamWindow* e, const QString& student, const QString& state,
                        const QString& name = "张三");
    static QStringList texts() {
        QStringList out;
        for (const auto& m : MessageBox::shown())
            out << m.text;
        return out;
    }
};

void ExamTest::openExam(Sitting& s, const QString& code) {
    s.w = std::make_unique<MainWindow>(s.bank.dir());
    s.w->show();
    pressToolbar(*s.w, "考试");
    s.exam = s.w->examWindow();
    pickPaperInPicker(code);
    if (!code.isEmpty())
        s.exam->试卷超级按钮->click();
}

ExamWindow* ExamTest::openAnother(std::unique_ptr<MainWindow>& w, const TestBank& bank, const QString& code) {
    w = std::make_unique<MainWindow>(bank.dir());
    w->show();
    pressToolbar(*w, "考试");
    pickPaperInPicker(code);
    w->examWindow()->试卷超级按钮->click();
    return w->examWindow();
}

void ExamTest::startAs(ExamWindow* e, const QString& student, const QString& state, const QString& name) {
    e->考号组合框->setEditText(student);
    e->场次组合框->setEditText(state);
    e->姓名编辑框->setText(name);
    e->开始按钮->click();
}

void ExamTest::controlsAndTheirPlaces() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openExam(s, QString());
    ExamWindow* e = s.exam;
    QCOMPARE(e->windowTitle(), QString("考试"));
    struct Place {
        const char* name;
        QRect rect;
        const char* caption;
    };
    const Place places[] = {
        {"分组框1", {10, 8, 768, 56}, "考生信息"}, {"试卷超级按钮", {8, 20, 200, 24}, "请点击选择试卷"},
        {"透明标签1", {220, 20, 24, 16}, "考号"},  {"考号组合框", {250, 20, 96, 20}, nullptr},
        {"透明标签2", {352, 20, 24, 16}, "姓名"},  {"姓名编辑框", {382, 20, 96, 20}, nullptr},
        {"透明标签3", {483, 20, 24, 16}, "场次"},  {"场次组合框", {512, 20, 96, 20}, nullptr},
        {"开始按钮", {618, 20, 40, 20}, "开始"},   {"考试交卷按钮", {664, 20, 40, 20}, "交卷"},
        {"字体按钮", {713, 20, 40, 20}, "字体"},   {"题号编辑框", {569, 88, 32, 16}, nullptr},
        {"首记录按钮", {515, 86, 20, 20}, "|<"},   {"上一记录按钮", {542, 86, 20, 20}, "<"},
        {"下一记录按钮", {608, 86, 20, 20}, ">"},  {"尾记录按钮", {636, 86, 20, 20}, ">|"},
    };
    for (const Place& p : places) {
        QWidget* c = child<QWidget>(e, QString::fromUtf8(p.name));
        QVERIFY2(c, p.name);
        QCOMPARE(c->geometry(), p.rect);
        if (p.caption) {
            QString text;
            if (auto* b = qobject_cast<QPushButton*>(c))
                text = b->text();
            else if (auto* l = qobject_cast<QLabel*>(c))
                text = l->text();
            else if (auto* g = qobject_cast<QGroupBox*>(c))
                text = g->title();
            QCOMPARE(text, QString::fromUtf8(p.caption));
        }
    }
    QVERIFY(!e->保存按钮->isEnabled());
    QVERIFY(e->答案超级编辑框->isEnabled());
    QVERIFY(!e->时钟1->isActive());
    QCOMPARE(e->时钟1->interval(), 0);
}

void ExamTest::startChecksInOrder() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    s.bank.addAnswer("1", 1, "A", "s1", "张", "1");
    openExam(s, QString());
    ExamWindow* e = s.exam;
    e->开始按钮->click();
    QCOMPARE(texts(), QStringList{"请先选择试卷"});
    QCOMPARE(MessageBox::shown().last().title, QString("系统消息"));
    QVERIFY(MessageBox::shown().last().icon == MessageBox::Icon::Information);
    openExam(s, "1");
    e = s.exam;
    MessageBox::clear();
    e->场次组合框->setEditText("1");
    e->开始按钮->click();
    e->考号组合框->setEditText("s1");
    e->场次组合框->setEditText("");
    e->开始按钮->click();
    e->场次组合框->setEditText("1");
    e->开始按钮->click();
    QCOMPARE(texts(), (QStringList{"请填考号", "请填场次", "该考生该场次已交卷,想重新作答请换场次"}));
    QVERIFY(!e->running());
    QVERIFY(e->开始按钮->isEnabled());
    QVERIFY(!e->保存按钮->isEnabled());
    // Spaces do not make a used sitting new.
    MessageBox::clear();
    startAs(e, " s 1 ", "1　");
    QCOMPARE(texts(), QStringList{"该考生该场次已交卷,想重新作答请换场次"});

    MessageBox::clear();
    startAs(e, "s1", "2");
    QVERIFY(texts().isEmpty());
    QVERIFY(e->running());
    QVERIFY(!e->试卷超级按钮->isEnabled());
    QVERIFY(!e->考号组合框->isEnabled());
    QVERIFY(!e->场次组合框->isEnabled());
    QVERIFY(!e->开始按钮->isEnabled());
    QVERIFY(e->保存按钮->isEnabled());
    QVERIFY(e->姓名编辑框->isEnabled());
    QVERIFY(e->时钟1->isActive());
    QCOMPARE(e->时钟1->interval(), 1000);
}

void ExamTest::usedSittingRefusedForTheSamePaperOnly() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    s.bank.addNumberedPaper("2", "其他", 3, 3, true, 10);
    s.bank.addAnswer("1", 1, "A", "s1", "张", "1");
    openExam(s, "2");
    startAs(s.exam, "s1", "1");
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(s.exam->running());
}

void ExamTest::candidateAndSittingListsRefill() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    s.bank.addAnswer("1", 1, "A", "s1", "张", "1");
    s.bank.addAnswer("1", 2, "A", "s1", "张", "2");
    s.bank.addAnswer("1", 1, "A", "s2", "李", "1");
    s.bank.addAnswer("9", 1, "A", "s9", "王", "1");
    openExam(s, "1");
    ExamWindow* e = s.exam;
    emit e->考号组合框->aboutToShowPopup();
    QStringList students;
    for (int i = 0; i < e->考号组合框->count(); ++i)
        students << e->考号组合框->itemText(i);
    students.sort();
    QCOMPARE(students, (QStringList{"s1", "s2"}));
    e->考号组合框->setEditText("s1");
    emit e->场次组合框->aboutToShowPopup();
    QCOMPARE(e->场次组合框->count(), 2);
    emit e->考号组合框->aboutToShowPopup(); // refilled, not appended
    QCOMPARE(e->考号组合框->count(), 2);
}

void ExamTest::clockTextAndTimeUp() {
    QCOMPARE(clockText(90, 125, 5), QString("考试时间:90分钟  2:5"));
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 1);
    openExam(s, "1");
    ExamWindow* e = s.exam;
    startAs(e, "s1", "1");
    QPointer<ExamWindow> guard = e;
    QString panelWhileTold;
    MessageBox::pushAnswer([&] {
        panelWhileTold = s.w->statusText(1);
        return true;
    });
    for (int i = 0; i < 59; ++i)
        e->tick();
    QCOMPARE(s.w->statusText(1), QString("考试时间:1分钟  0:59"));
    QVERIFY(MessageBox::shown().isEmpty());
    e->tick();
    QCOMPARE(panelWhileTold, QString("考试时间:1分钟  1:0"));
    QCOMPARE(texts(), QStringList{"时间到！交卷后系统自动生成答题卡,请进入交卷窗口按考号调取"});
    QVERIFY(e->ended());
    QVERIFY(!e->时钟1->isActive());
    QCOMPARE(s.w->app().clockTotal, 0);
    QCOMPARE(s.w->app().clockSeconds, 0);
    QCOMPARE(s.w->statusText(0), QString());
    QCOMPARE(s.w->statusText(1), QString());
    QTRY_VERIFY(!guard);
    QVERIFY(s.w->infoWindow());
}

void ExamTest::noTimeUpWithZeroMinutes() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 0);
    openExam(s, "1");
    startAs(s.exam, "s1", "1");
    for (int i = 0; i < 200; ++i)
        s.exam->tick();
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(s.exam->running());
    QCOMPARE(s.w->statusText(1), QString("考试时间:0分钟  3:20"));
}

void ExamTest::saveAddsThenUpdatesOneRowPerKey() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openExam(s, "1");
    ExamWindow* e = s.exam;
    startAs(e, " s 1", "第 一 场", "张 三");
    QCOMPARE(e->考号组合框->currentText(), QString("s1"));
    e->选择框B->click();
    e->选择框A->click();
    e->保存按钮->click();
    QVERIFY(!e->选择框A->isChecked() && !e->选择框B->isChecked());
    QCOMPARE(e->题号编辑框->text(), QString("2"));
    auto rows = s.bank.rows("select code, tihao, answer, student, xingming, state from 评分");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0], (QVariantList{"1", 1, "BA", "s1", "张三", "第一场"}));
    // An empty answer stores nothing but moves on.
    e->答案超级编辑框->setBoxText("  ");
    e->保存按钮->click();
    QCOMPARE(e->题号编辑框->text(), QString("3"));
    QCOMPARE(s.bank.scalar("select count(*) from 评分").toInt(), 1);
    // Back to question 1: the stored answer shows; saving again updates the one row.
    e->首记录按钮->click();
    QCOMPARE(e->答案超级编辑框->boxText(), QString("BA"));
    e->答案超级编辑框->setBoxText("c d");
    e->保存按钮->click();
    rows = s.bank.rows("select answer from 评分");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][0].toString(), QString("CD"));
}

void ExamTest::handInCancelledKeepsRunning() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openExam(s, "1");
    ExamWindow* e = s.exam;
    startAs(e, "s1", "1");
    e->tick();
    MessageBox::pushAnswer(false);
    e->考试交卷按钮->click();
    QCOMPARE(MessageBox::shown().last().title, QString("注意"));
    QCOMPARE(MessageBox::shown().last().text,
             QString("交卷后系统自动生成答题卡,请进入交卷窗口按考号保存并上交,确定交卷并退出?\n"
                     "本次考试共 3 题，已保存答案的有 0 题。"));
    QVERIFY(e->running());
    QVERIFY(e->时钟1->isActive());
    QCOMPARE(s.w->app().clockTotal, 1);
    QVERIFY(!s.w->infoWindow());
    QVERIFY(s.w->examWindow());
}

void ExamTest::handInEndsOnceAndOpensTheInfoWindow() {
    Sitting s;
    s.bank.addPaper("1", "Dalmora", 3, true, 10);
    s.bank.addQuestion("1", 1, "一", "AB", 2);
    s.bank.addQuestion("1", 2, "二", "C", 1.5);
    s.bank.addQuestion("1", 3, "三", "D", 1);
    openExam(s, "1");
    ExamWindow* e = s.exam;
    startAs(e, "s1", "1", "王五");
    e->答案超级编辑框->setBoxText("ba");
    e->保存按钮->click();
    e->答案超级编辑框->setBoxText("C");
    e->保存按钮->click();
    e->答案超级编辑框->setBoxText("A");
    e->保存按钮->click();
    QPointer<ExamWindow> guard = e;
    e->考试交卷按钮->click();
    QVERIFY(e->ended());
    const HandInContext& h = s.w->app().handIn;
    QCOMPARE(h.code, QString("1"));
    QCOMPARE(h.student, QString("s1"));
    QCOMPARE(h.state, QString("1"));
    QCOMPARE(h.name, QString("王五"));
    InfoWindow* info = s.w->infoWindow();
    QVERIFY(info);
    QCOMPARE(info->windowTitle(), QString("信息"));
    QCOMPARE(info->试卷编辑框->text(), QString("Dalmora"));
    QCOMPARE(info->姓名编辑框->text(), QString("王五"));
    QCOMPARE(info->身份证编辑框->text(), QString("s1"));
    QCOMPARE(info->总分编辑框->text(), QString("3.5"));
    QTRY_VERIFY(!guard);
    QVERIFY(!s.w->marksWindow()); // the unattended marks window has closed again
}

void ExamTest::timeUpWhileTheHandInQuestionIsOpen() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 1);
    openExam(s, "1");
    ExamWindow* e = s.exam;
    startAs(e, "s1", "1");
    for (int i = 0; i < 58; ++i)
        e->tick();
    QPointer<ExamWindow> guard = e;
    bool aliveWhileOpen = false;
    // The clock runs while the question is open: the time runs out, and the user then answers OK.
    MessageBox::pushAnswer([&] {
        e->tick();
        e->tick(); // time-up (its message answered OK), the exam ends
        e->tick(); // nothing more
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        aliveWhileOpen = !guard.isNull();
        return true;
    });
    e->考试交卷按钮->click();
    QVERIFY(aliveWhileOpen); // never destroyed under the open question
    QCOMPARE(texts(), (QStringList{"交卷后系统自动生成答题卡,请进入交卷窗口按考号保存并上交,确定交卷并退出?\n"
                                   "本次考试共 3 题，已保存答案的有 0 题。",
                                   "时间到！交卷后系统自动生成答题卡,请进入交卷窗口按考号调取"}));
    QVERIFY(s.w->infoWindow());
    QCOMPARE(s.w->findChildren<InfoWindow*>().size(), 1); // ended exactly once
    QTRY_VERIFY(!guard);
    QCOMPARE(s.w->app().clockTotal, 0);
}

void ExamTest::twoProgramsSitDifferentCandidatesAtOnce() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openExam(s, "1");
    startAs(s.exam, "s1", "1", "张三");
    QVERIFY(s.exam->running());
    QVERIFY(s.exam->holdsSitting());
    std::unique_ptr<MainWindow> second;
    ExamWindow* other = openAnother(second, s.bank, "1");
    // The same sitting, whatever the letter case, is refused while it is sat.
    MessageBox::clear();
    startAs(other, "S1", "1", "张三");
    QVERIFY(!other->running());
    QCOMPARE(texts().size(), 1);
    QVERIFY2(
        texts()[0].startsWith(QString("考号 S1 的场次 1 正在电脑“%1”上考试").arg(sittingclaim::thisHost())),
        qPrintable(texts()[0]));
    MessageBox::clear();
    startAs(other, "s2", "1", "李四");
    QVERIFY(other->running());
    QVERIFY(texts().isEmpty());
    // Both save in turn; each answer lands once, under its own candidate.
    s.exam->答案超级编辑框->setBoxText("A");
    s.exam->保存按钮->click();
    other->答案超级编辑框->setBoxText("B");
    other->保存按钮->click();
    s.exam->答案超级编辑框->setBoxText("C");
    s.exam->保存按钮->click();
    QVERIFY(texts().isEmpty());
    const auto rows =
        s.bank.rows("select student, tihao, answer, xingming from 评分 order by student, tihao");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], (QVariantList{"s1", 1, "A", "张三"}));
    QCOMPARE(rows[1], (QVariantList{"s1", 2, "C", "张三"}));
    QCOMPARE(rows[2], (QVariantList{"s2", 1, "B", "李四"}));
    // A third program's marks window lists both, with their marks, while they sit.
    auto teacher = std::make_unique<MainWindow>(s.bank.dir());
    pressToolbar(*teacher, "评分");
    MarksWindow* marks = teacher->marksWindow();
    marks->receivePaper("1", "Dalmora");
    QVERIFY(marks->showResultsOverview());
    QStringList overview;
    for (int r = 1; r < marks->汇总表格->gridRowCount(); ++r)
        overview << QStringList{marks->汇总表格->cellText(r, 1), marks->汇总表格->cellText(r, 4),
                                marks->汇总表格->cellText(r, 5)}
                        .join('|');
    QCOMPARE(overview, (QStringList{"s1|2|1", "s2|1|0", "共 2 行||"}));
    // Handing in lets the sitting go; so does a program that closes.
    s.exam->endExam(false);
    QCOMPARE(s.bank.scalar("select count(*) from 在考 where student='s1'").toInt(), 0);
    second.reset();
    QCOMPARE(s.bank.scalar("select count(*) from 在考").toInt(), 0);
}

void ExamTest::sittingOfASilentProgramIsFreedAfterTwoMinutes() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openExam(s, "1");
    startAs(s.exam, "s1", "1");
    std::unique_ptr<MainWindow> second, third;
    ExamWindow* other = openAnother(second, s.bank, "1");
    // Silent for less than two minutes: still held.
    s.bank.exec("update 在考 set heartbeat = heartbeat - 100");
    MessageBox::clear();
    startAs(other, "s1", "1");
    QVERIFY(!other->running());
    QCOMPARE(texts().size(), 1);
    // Signs of life keep it; without them for two minutes (the computer switched off) it is free.
    s.exam->renewClaim();
    QVERIFY(s.exam->holdsSitting());
    s.bank.exec("update 在考 set heartbeat = heartbeat - 121");
    MessageBox::clear();
    startAs(other, "s1", "1");
    QVERIFY(other->running());
    QVERIFY(other->holdsSitting());
    // The first program, heard from again, finds its sitting taken and says so, once.
    s.exam->renewClaim();
    QVERIFY(!s.exam->holdsSitting());
    QCOMPARE(texts().size(), 1);
    QVERIFY(texts()[0].contains("已在电脑"));
    s.exam->renewClaim();
    QCOMPARE(texts().size(), 1);
    ExamWindow* late = openAnother(third, s.bank, "1");
    startAs(late, "s1", "1");
    QVERIFY(!late->running());
}

void ExamTest::saveWhileTheServerIsAwayKeepsTheAnswer() {
    if (storeOfRow() != StoreKind::Server)
        QSKIP("a server that goes away");
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openExam(s, "1");
    startAs(s.exam, "s1", "1");
    ExamWindow* e = s.exam;
    // The server stops taking connections and drops the ones it has, as when it is shut down.
    const QString database = ServerAddress::parse(s.bank.serverUri()).dbname;
    TestBank::adminExec(QString("alter database %1 allow_connections false").arg(database));
    TestBank::adminExec(
        QString("select pg_terminate_backend(pid) from pg_stat_activity where datname = '%1'").arg(database));
    e->答案超级编辑框->setBoxText("ab");
    e->保存按钮->click();
    // Kept in a file beside the settings, synced; the exam goes on and the status bar says so.
    // The next question cannot be read: the window stays on this one and says why.
    QVERIFY2(texts().size() == 1 && texts()[0].startsWith("无法显示下一题"), qPrintable(texts().join('|')));
    QCOMPARE(e->题号编辑框->text(), QString("1"));
    MessageBox::clear();
    e->下一记录按钮->click();
    QVERIFY2(texts().size() == 1 && texts()[0].startsWith("无法显示下一题"), qPrintable(texts().join('|')));
    QCOMPARE(e->题号编辑框->text(), QString("1"));
    MessageBox::clear();
    QCOMPARE(e->waitingAnswers(), 1);
    QVERIFY2(s.w->statusText(2).contains("1 个答案等待"), qPrintable(s.w->statusText(2)));
    const QStringList files = QDir(s.bank.dir()).entryList({"未上传答案-*.txt"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    // Still away: the hand-in names what is not on the server and waits when asked to.
    MessageBox::pushChoice(0);
    e->考试交卷按钮->click();
    QVERIFY(e->running());
    QVERIFY2(texts().size() == 1 && texts()[0].contains("第 1 题的答案还没有送到"), qPrintable(texts().join('|')));
    // Back again: sent by itself, once; the file goes.
    TestBank::adminExec(QString("alter database %1 allow_connections true").arg(database));
    MessageBox::clear();
    QCOMPARE(e->sendWaitingAnswers(), 0);
    QCOMPARE(e->sendWaitingAnswers(), 0);
    QVERIFY(QDir(s.bank.dir()).entryList({"未上传答案-*.txt"}, QDir::Files).isEmpty());
    QCOMPARE(s.bank.rows("select tihao, answer from 评分"), (QList<QVariantList>{{1, "AB"}}));
    QVERIFY(!s.w->statusText(2).contains("等待"));
    goToQuestion(*e, 2);
    e->答案超级编辑框->setBoxText("c");
    e->保存按钮->click();
    QVERIFY(texts().isEmpty());
    QCOMPARE(e->题号编辑框->text(), QString("3"));
    QCOMPARE(s.bank.scalar("select count(*) from 评分").toInt(), 2);
    QVERIFY(e->holdsSitting());

    // Away again, and the program is closed before the server is back: the next start sends it.
    TestBank::adminExec(QString("alter database %1 allow_connections false").arg(database));
    TestBank::adminExec(
        QString("select pg_terminate_backend(pid) from pg_stat_activity where datname = '%1'").arg(database));
    e->答案超级编辑框->setBoxText("d");
    e->保存按钮->click();
    QCOMPARE(e->waitingAnswers(), 1);
    MessageBox::clear();
    s.w.reset();
    TestBank::adminExec(QString("alter database %1 allow_connections true").arg(database));
    TestBank::adminExec("select pg_sleep(0.2)");
    // The other computer's claim ran out meanwhile (its program was closed).
    s.bank.exec("delete from 在考");
    openExam(s, "1");
    QVERIFY(QDir(s.bank.dir()).entryList({"未上传答案-*.txt"}, QDir::Files).isEmpty());
    QCOMPARE(s.bank.rows("select tihao, answer from 评分 order by tihao"),
             (QList<QVariantList>{{1, "AB"}, {2, "C"}, {3, "D"}}));
}

void ExamTest::firstExamOnABankFileTellsWhatItPutRight() {
    if (storeOfRow() != StoreKind::File)
        QSKIP("a bank file's own case");
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    s.bank.addAnswer("1", 1, "A", "s9", "王", "1");
    s.bank.addAnswer("1", 1, "A", "s9", "王", "1");
    openExam(s, "1");
    QCOMPARE(s.bank.scalar("select count(*) from 评分").toInt(), 2);
    startAs(s.exam, "s1", "1");
    QVERIFY(s.exam->running());
    QCOMPARE(texts().size(), 1);
    QVERIFY(texts()[0].contains("1 行答案是另一行的重复"));
    QCOMPARE(s.bank.scalar("select count(*) from 评分").toInt(), 1);
}

void ExamTest::paperWithoutQuestionsCannotBeSat() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    s.bank.addPaper("E", "空白卷", 5, false, 30);
    s.bank.addPaper("O", "顺序空白卷", 5, true, 30);
    // In number order an exam of 2 questions over a paper numbered from 10 asks nothing.
    s.bank.addPaper("F", "题号从十开始", 2, true, 30);
    s.bank.addQuestion("F", 10, "第十题", "A");
    openExam(s, "1");
    ExamWindow* e = s.exam;
    // On a server bank the paper shows its name and size only until the exam starts.
    QVERIFY(e->题目超级编辑框->boxText().contains(s.bank.onServer() ? "Dalmora" : "第1题"));
    if (s.bank.onServer())
        QVERIFY(!e->题目超级编辑框->boxText().contains("第1题"));
    for (const char* code : {"E", "O", "F"}) {
        MessageBox::clear();
        pickPaperInPicker(code);
        e->试卷超级按钮->click();
        QCOMPARE(texts(), QStringList{"不能选择没有题目的试卷"});
        QVERIFY(MessageBox::shown().last().icon == MessageBox::Icon::Warning);
        // No paper is chosen, and nothing of the paper before stays on screen.
        QCOMPARE(e->试卷超级按钮->text(), QString("请点击选择试卷"));
        QCOMPARE(e->paperCode(), QString());
        QCOMPARE(s.w->statusText(0), QString());
        QCOMPARE(e->题号编辑框->text(), QString());
        QCOMPARE(e->题目超级编辑框->boxText(), QString());
        MessageBox::clear();
        startAs(e, "s1", "1");
        QCOMPARE(texts(), QStringList{"请先选择试卷"});
        QVERIFY(!e->running() && !e->时钟1->isActive());
    }
    // A paper whose questions went (in another program window) after it was chosen is not started.
    pickPaperInPicker("1");
    e->试卷超级按钮->click();
    QCOMPARE(e->试卷超级按钮->text(), QString("Dalmora"));
    s.bank.exec("delete from 题库 where code = '1'");
    MessageBox::clear();
    startAs(e, "s1", "1");
    QCOMPARE(texts(), QStringList{"本试卷没有题目，不能开始考试。请选择有题目的试卷。"});
    QVERIFY(!e->running() && !e->时钟1->isActive());
    QVERIFY(e->开始按钮->isEnabled());
}

void ExamTest::handInTellsOfAnAnswerNotSaved() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    openExam(s, "1");
    ExamWindow* e = s.exam;
    startAs(e, "s1", "1");
    e->选择框A->click();
    e->保存按钮->click();
    e->选择框B->click();
    const QStringList choices{"保存后交卷", "不保存，交卷", "返回"};
    const QString confirmation = "交卷后系统自动生成答题卡,请进入交卷窗口按考号保存并上交,确定交卷并退出?\n"
                                 "本次考试共 3 题，已保存答案的有 %1 题。";
    // Back to the exam: nothing changes.
    MessageBox::pushChoice(2);
    e->考试交卷按钮->click();
    QCOMPARE(texts(), QStringList{"第 2 题的答案还没有保存。\n交卷只计已保存的答案。"});
    QCOMPARE(MessageBox::shown().last().title, QString("注意"));
    QCOMPARE(MessageBox::shown().last().choices, choices);
    QVERIFY(e->running());
    QCOMPARE(e->答案超级编辑框->boxText(), QString("B"));
    // Without it: the confirmation counts the one saved answer, and cancelled it leaves all as it was.
    MessageBox::clear();
    MessageBox::pushChoice(1);
    MessageBox::pushAnswer(false);
    e->考试交卷按钮->click();
    QCOMPARE(texts().size(), 2);
    QCOMPARE(texts()[1], confirmation.arg(1));
    QVERIFY(e->running());
    QCOMPARE(s.bank.scalar("select count(*) from 评分").toInt(), 1);
    // An answer that cannot be stored is not handed in by "保存后交卷": the user is told why.
    e->答案超级编辑框->setBoxText("B😀");
    MessageBox::clear();
    MessageBox::pushChoice(0);
    e->考试交卷按钮->click();
    QCOMPARE(texts().size(), 2);
    QVERIFY(texts()[1].startsWith("答案中有不能保存的字符"));
    QVERIFY(e->running());
    // The answer shown as it was saved is no unsaved answer.
    e->答案超级编辑框->setBoxText("B");
    e->首记录按钮->click();
    QCOMPARE(e->答案超级编辑框->boxText(), QString("A"));
    MessageBox::clear();
    MessageBox::pushAnswer(false);
    e->考试交卷按钮->click();
    QCOMPARE(texts(), QStringList{confirmation.arg(1)});
    // Saved, then handed in: both answers are marked.
    e->下一记录按钮->click();
    e->答案超级编辑框->setBoxText("b");
    MessageBox::clear();
    MessageBox::pushChoice(0);
    e->考试交卷按钮->click();
    QCOMPARE(texts(),
             (QStringList{"第 2 题的答案还没有保存。\n交卷只计已保存的答案。", confirmation.arg(2)}));
    QVERIFY(e->ended());
    QCOMPARE(s.bank.rows("select tihao, answer from 评分 order by tihao"),
             (QList<QVariantList>{{1, "A"}, {2, "B"}}));
    QVERIFY(s.w->infoWindow());
}

void ExamTest::panelTwoShowsTimeLeftAndSavedAnswers() {
    QCOMPARE(examProgressText(90, 125, 3, 50), QString("剩余 87:55，已答 3/50"));
    QCOMPARE(examProgressText(1, 61, 0, 5), QString("剩余 0:00，已答 0/5"));
    QCOMPARE(examProgressText(0, 200, 2, 3), QString("不限时，已答 2/3"));
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    s.bank.addNumberedPaper("R", "随机", 5, 2, false, 20);
    openExam(s, "1");
    ExamWindow* e = s.exam;
    startAs(e, "s1", "1");
    QCOMPARE(s.w->statusText(2), QString("剩余 10:00，已答 0/3"));
    e->tick();
    QCOMPARE(s.w->statusText(1), QString("考试时间:10分钟  0:1"));
    QCOMPARE(s.w->statusText(2), QString("剩余 9:59，已答 0/3"));
    e->答案超级编辑框->setBoxText("A");
    e->保存按钮->click();
    QCOMPARE(s.w->statusText(2), QString("剩余 9:59，已答 1/3"));
    // Saved again, or an empty answer saved: the count stays.
    e->首记录按钮->click();
    e->答案超级编辑框->setBoxText("B");
    e->保存按钮->click();
    e->保存按钮->click();
    QCOMPARE(s.w->statusText(2), QString("剩余 9:59，已答 1/3"));
    e->endExam(false);
    QCOMPARE(s.w->statusText(2), QString());
    // At random the exam asks what is drawn.
    openExam(s, "R");
    startAs(s.exam, "s1", "1");
    QCOMPARE(s.w->statusText(2), QString("剩余 20:00，已答 0/2"));
}

void ExamTest::lastFiveMinutesAndLastMinuteToldOnce() {
    Sitting s;
    s.bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 6);
    s.bank.addNumberedPaper("5", "五分钟", 3, 3, true, 5);
    s.w = std::make_unique<MainWindow>(s.bank.dir());
    s.w->show();
    // Reading switched on in the practice window goes on in the exam.
    s.w->practiceWindow()->朗读按钮->click();
    QuestionReader* reader = s.w->app().reader;
    QVERIFY(reader->reading());
    pressToolbar(*s.w, "考试");
    ExamWindow* e = s.w->examWindow();
    pickPaperInPicker("1");
    e->试卷超级按钮->click();
    startAs(e, "s1", "1");
    QStringList spoken, clockWhileTold;
    auto listen = [&] {
        spoken << reader->spokenSentences().join("");
        clockWhileTold << s.w->statusText(1);
        return true;
    };
    MessageBox::pushAnswer(listen);
    MessageBox::pushAnswer(listen);
    for (int i = 0; i < 59; ++i)
        e->tick();
    QVERIFY(MessageBox::shown().isEmpty());
    e->tick();
    QCOMPARE(texts(), QStringList{"考试还剩 5 分钟。没有保存的答案不计分，请及时保存。"});
    QCOMPARE(s.w->statusText(2), QString("剩余 5:00，已答 0/3"));
    for (int i = 0; i < 240; ++i)
        e->tick();
    QCOMPARE(texts().size(), 2);
    QCOMPARE(texts()[1], QString("考试还剩最后 1 分钟。没有保存的答案不计分，请及时保存。"));
    QCOMPARE(spoken, (QStringList{"考试还剩五分钟。", "考试还剩最后一分钟。"}));
    // The clock stays in its panel while the voice speaks.
    QCOMPARE(clockWhileTold, (QStringList{"考试时间:6分钟  1:0", "考试时间:6分钟  5:0"}));
    for (int i = 0; i < 59; ++i)
        e->tick();
    QCOMPARE(texts().size(), 2);
    e->tick();
    QCOMPARE(texts().last(), QString("时间到！交卷后系统自动生成答题卡,请进入交卷窗口按考号调取"));

    // An exam of five minutes has only its last minute told; with reading off nothing is said.
    MessageBox::clear();
    reader->stop();
    QTRY_VERIFY(!s.w->examWindow());
    pressToolbar(*s.w, "考试");
    e = s.w->examWindow();
    pickPaperInPicker("5");
    e->试卷超级按钮->click();
    startAs(e, "s2", "1");
    for (int i = 0; i < 240; ++i)
        e->tick();
    QCOMPARE(texts(), QStringList{"考试还剩最后 1 分钟。没有保存的答案不计分，请及时保存。"});
    QVERIFY(!reader->playing());
}

QTEST_MAIN(ExamTest)
#include "test_exam.moc"
