#include "TestSupport.h"

#include "app/LoginWindow.h"
#include "app/MainWindow.h"
#include "exam/ExamWindow.h"
#include "marking/AnswerCard.h"
#include "marking/InfoWindow.h"
#include "marking/Scoring.h"
#include "marking/LiveBoard.h"
#include "questions/PaperPicker.h"
#include "server/Classroom.h"
#include "server/ClassroomSeat.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"
#include "ui/RichBox.h"
#include "server/ServerAddress.h"
#include "store/Store.h"
#include "ui/Gbk.h"
#include "ui/Grid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// A server bank set up for a classroom, tried from psql with each candidate's login, and through
// the program's store as two candidates at once.
class ClassroomTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void candidateListsInUtf8AndGbk();
    void setUpTwiceAndCandidatesAddedTwice();
    void candidateReadsNoAnswerOfAnExamPaper();
    void candidateWritesOnlyOwnAnswersOfAClaimedSitting();
    void candidateCannotChangeTheBank();
    void handInEndsTheSittingAndGivesTheTotal();
    void teacherSeesAndReleases();
    void serverMarksWithThePaperRules();
    void twoCandidatesPractiseTheSamePaper();
    void candidateSitsAsThemselvesInTheProgram();
    void passwordInTheAddressIsRefused();
    void examPapersMarkedByTheTeacherOnly();
    void liveBoardShowsTheRoom();
    void loginWindowAsksForThePassword();
    void otherRolesAreNotTurnedIntoCandidates();
    void idleSeatLetsItsConnectionGo();
    void rulesNameTheirTablesAndFindACandidatesRows();

  private:
    struct Psql {
        bool ok = false;
        QString out;
    };
    // One statement in psql as a login of the test bank's database.
    Psql psql(const QString& login, const QString& sql) const;
    void refused(const QString& login, const QString& sql, const QString& why = QString()) const;
    QString works(const QString& login, const QString& sql) const;
    int tool(const QStringList& args, QString* out = nullptr) const;
    QString uriAs(const QString& login) const;

    std::unique_ptr<TestBank> m_bank;
    QString m_psql;
    QString m_a, m_b, m_teacher; // logins of this run: two candidates and a teacher
    QTemporaryDir m_files;
};

ClassroomTest::Psql ClassroomTest::psql(const QString& login, const QString& sql) const {
    const ServerAddress a = ServerAddress::parse(m_bank->serverUri());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGHOST"), a.hosts);
    env.insert(QStringLiteral("PGPORT"), a.ports);
    env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("10"));
    p.setProcessEnvironment(env);
    p.start(m_psql, {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"), QStringLiteral("-v"),
                     QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), a.dbname, QStringLiteral("-U"),
                     login, QStringLiteral("-c"), sql});
    p.waitForFinished(30000);
    Psql r;
    r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    r.out = QString::fromUtf8(r.ok ? p.readAllStandardOutput() : p.readAllStandardError()).trimmed();
    return r;
}

void ClassroomTest::refused(const QString& login, const QString& sql, const QString& why) const {
    const Psql r = psql(login, sql);
    if (r.ok)
        QFAIL(qPrintable(QStringLiteral("%1 was allowed: %2 → %3").arg(login, sql, r.out)));
    if (!why.isEmpty() && !r.out.contains(why))
        QFAIL(qPrintable(QStringLiteral("%1: %2 refused for another reason: %3").arg(login, sql, r.out)));
}

QString ClassroomTest::works(const QString& login, const QString& sql) const {
    const Psql r = psql(login, sql);
    if (!r.ok)
        qWarning("%s: %s failed: %s", qPrintable(login), qPrintable(sql), qPrintable(r.out));
    return r.ok ? r.out : QStringLiteral("<failed>");
}

int ClassroomTest::tool(const QStringList& args, QString* out) const {
    QProcess p;
    p.start(QStringLiteral(VELTARO_IMPORT_TOOL), args);
    p.waitForFinished(60000);
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString ClassroomTest::uriAs(const QString& login) const {
    ServerAddress a = ServerAddress::parse(m_bank->serverUri());
    a.user = login;
    return a.toUri();
}

void ClassroomTest::initTestCase() {
    QString why;
    if (testServerUri(&why).isEmpty())
        QSKIP(qPrintable(why));
    m_psql = QStandardPaths::findExecutable(QStringLiteral("psql"));
    if (m_psql.isEmpty())
        m_psql = QStringLiteral("/usr/lib/postgresql/15/bin/psql");
    QVERIFY(QFile::exists(m_psql));
    // Logins are the server's, not the database's: each run has names of its own.
    const QString run = QString::number(QCoreApplication::applicationPid());
    m_a = QStringLiteral("K%1a").arg(run);
    m_b = QStringLiteral("K%1b").arg(run);
    m_teacher = QStringLiteral("teacher%1").arg(run);
    m_bank = std::make_unique<TestBank>(StoreKind::Server);
    m_bank->addPaper(QStringLiteral("P1"), QStringLiteral("练习卷"), 0, false, 30);
    m_bank->addQuestion(QStringLiteral("P1"), 1, QStringLiteral("一加一"), QStringLiteral("A"), 1, {}, {},
                        QStringLiteral("练习解析"));
    m_bank->addQuestion(QStringLiteral("P1"), 2, QStringLiteral("二加二"), QStringLiteral("B"));
    m_bank->addPaper(QStringLiteral("E1"), QStringLiteral("考试卷"), 3, false, 30);
    m_bank->addQuestion(QStringLiteral("E1"), 1, QStringLiteral("考题一"), QStringLiteral("C"), 2, {}, {},
                        QStringLiteral("考试解析"));
    m_bank->addQuestion(QStringLiteral("E1"), 2, QStringLiteral("考题二"), QStringLiteral("AB"), 3);
    m_bank->addQuestion(QStringLiteral("E1"), 3, QStringLiteral("考题三"), QStringLiteral("对"), 4);
}

void ClassroomTest::cleanupTestCase() {
    if (!m_bank)
        return;
    const QString db = ServerAddress::parse(m_bank->serverUri()).dbname;
    m_bank.reset();
    for (const QString& login : {m_a, m_b, m_teacher})
        TestBank::adminExec(QStringLiteral("drop role if exists \"%1\"").arg(login));
}

void ClassroomTest::candidateListsInUtf8AndGbk() {
    QString error;
    const QString text = QStringLiteral("考号,姓名,密码\nA1,张三\n\"A,2\",\"李\"\"四\",pw\r\n");
    for (const QByteArray& bytes : {text.toUtf8(), gbk::encode(text), QByteArray("\xEF\xBB\xBF") + text.toUtf8()}) {
        const QList<classroom::Candidate> list = classroom::readCandidates(bytes, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].name, QStringLiteral("张三"));
        QVERIFY(list[0].password.isEmpty());
        QCOMPARE(list[1].number, QStringLiteral("A,2"));
        QCOMPARE(list[1].name, QStringLiteral("李\"四"));
        QCOMPARE(list[1].password, QStringLiteral("pw"));
    }
    // Rows that cannot be logins: named, and nothing taken.
    for (const QString& bad : {QStringLiteral("A1\n"), QStringLiteral("A1,张三\na1,李四\n"),
                               QStringLiteral("pg_x,张三\n"), QStringLiteral("A1,张三,pw,多余\n"),
                               QStringLiteral("考号,姓名\n")}) {
        error.clear();
        QVERIFY(classroom::readCandidates(bad.toUtf8(), &error).isEmpty());
        QVERIFY2(!error.isEmpty(), qPrintable(bad));
    }
}

void ClassroomTest::setUpTwiceAndCandidatesAddedTwice() {
    QString out;
    const QString owner = m_bank->serverUri();
    // Not yet a classroom: the candidate commands say so.
    const QString list = m_files.filePath(QStringLiteral("名单.csv"));
    QFile f(list);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(gbk::encode(QStringLiteral("考号,姓名,密码\n%1,张三\n%2,李四,given-pw\n").arg(m_a, m_b)));
    f.close();
    QCOMPARE(tool({QStringLiteral("--add-candidates"), owner, list}, &out), 1);
    QVERIFY2(out.contains(QStringLiteral("--classroom")), qPrintable(out));

    for (int round = 0; round < 2; ++round)
        QVERIFY2(tool({QStringLiteral("--classroom"), owner}, &out) == 0, qPrintable(out));
    m_bank->exec(QStringLiteral("update 试卷 set exam_only = 1 where code = 'E1'"));

    QVERIFY2(tool({QStringLiteral("--add-candidates"), owner, list}, &out) == 0, qPrintable(out));
    // Only the generated password is written, once, readable by its owner alone.
    const QString passwords = m_files.filePath(QStringLiteral("名单-密码.csv"));
    QFile pw(passwords);
    QVERIFY(pw.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(pw.readAll()).trimmed().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[1].startsWith(m_a + QStringLiteral(",张三,")));
    QCOMPARE(lines[1].section(QLatin1Char(','), 2).size(), 10);
    QCOMPARE(pw.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    // Again: no new login, no new password file, the names follow the list.
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("%1,张三丰\n%2,李四\n").arg(m_a, m_b).toUtf8());
    f.close();
    QVERIFY2(tool({QStringLiteral("--add-candidates"), owner, list}, &out) == 0, qPrintable(out));
    QVERIFY(!QFile::exists(m_files.filePath(QStringLiteral("名单-密码2.csv"))));
    QCOMPARE(m_bank->scalar(QStringLiteral("select xingming::text from 考生 where student = ?"), {m_a}).toString(),
             QStringLiteral("张三丰"));
    QVERIFY2(tool({QStringLiteral("--add-teacher"), owner, m_teacher}, &out) == 0, qPrintable(out));
    QCOMPARE(works(m_a, QStringLiteral("select kind || '|' || xingming from veltaro_whoami()")),
             QStringLiteral("candidate|张三丰"));
    QCOMPARE(works(m_teacher, QStringLiteral("select kind from veltaro_whoami()")), QStringLiteral("teacher"));
}

void ClassroomTest::candidateReadsNoAnswerOfAnExamPaper() {
    // Through the view in the candidate's search path: texts, no answers of the exam paper.
    QCOMPARE(works(m_a, QStringLiteral("select string_agg(code || tihao || ':' || question || ':' || "
                                       "coalesce(authority, '-') || ':' || coalesce(jiexi, '-'), ' ' "
                                       "order by code, tihao) from 题库")),
             QStringLiteral("E11:考题一:-:- E12:考题二:-:- E13:考题三:-:- P11:一加一:A:练习解析 P12:二加二:B:-"));
    // Around the view: the columns are not granted.
    refused(m_a, QStringLiteral("select authority from public.题库"), QStringLiteral("permission denied"));
    refused(m_a, QStringLiteral("select jiexi from public.题库 where code = 'E1'"), QStringLiteral("permission denied"));
    refused(m_a, QStringLiteral("select * from public.题库"), QStringLiteral("permission denied"));
    refused(m_a, QStringLiteral("set search_path = public; select authority from 题库"));
    // Nor through the marking functions of the owner, nor by a guess that the function answers.
    refused(m_a, QStringLiteral("select veltaro_total('E1', '%1', '1')").arg(m_b), QStringLiteral("permission denied"));
    refused(m_a, QStringLiteral("select veltaro_my_total('E1', '1')"), QStringLiteral("还没有交卷"));
    QCOMPARE(works(m_a, QStringLiteral("select count(*) from 试卷")), QStringLiteral("2"));
}

void ClassroomTest::candidateWritesOnlyOwnAnswersOfAClaimedSitting() {
    const QString save = QStringLiteral(
        "insert into 评分 (tihao, code, answer, student, xingming, state) values (%1, 'E1', '%2', '%3', '谁', '1') "
        "on conflict (code, student, state, tihao) do update set answer = excluded.answer");
    const QString claim = QStringLiteral("insert into 在考 (code, student, state, owner, host, started, heartbeat) "
                                         "values ('E1', '%1', '%2', 'o', 'h', 0, 0)");
    // Not claimed yet: refused.
    refused(m_a, save.arg(1).arg(QStringLiteral("C"), m_a), QStringLiteral("row-level security"));
    // Nobody claims for another.
    refused(m_a, claim.arg(m_b, QStringLiteral("1")), QStringLiteral("row-level security"));
    works(m_a, claim.arg(m_a, QStringLiteral("1")));
    works(m_b, claim.arg(m_b, QStringLiteral("1")));
    QCOMPARE(works(m_a, save.arg(1).arg(QStringLiteral("D"), m_a)), QString());
    works(m_a, save.arg(1).arg(QStringLiteral("C"), m_a));
    works(m_a, save.arg(2).arg(QStringLiteral("ba"), m_a));
    works(m_b, save.arg(1).arg(QStringLiteral("A"), m_b));
    // As another candidate, or in a sitting not claimed: refused.
    refused(m_a, save.arg(3).arg(QStringLiteral("对"), m_b), QStringLiteral("row-level security"));
    refused(m_a, save.arg(3).arg(QStringLiteral("对"), m_a).replace(QStringLiteral("'1')"), QStringLiteral("'2')")),
            QStringLiteral("row-level security"));
    // Each reads their own, one row per question, with the name on the list.
    QCOMPARE(works(m_a, QStringLiteral("select string_agg(student || xingming || tihao || answer, ' ' order by tihao) "
                                       "from 评分")),
             QStringLiteral("%1张三丰1C %1张三丰2ba").arg(m_a));
    QCOMPARE(works(m_b, QStringLiteral("select string_agg(student || tihao || answer, ' ') from 评分")),
             m_b + QStringLiteral("1A"));
    // Another's answers and claim stay as they are.
    QCOMPARE(works(m_a, QStringLiteral("update 评分 set answer = 'X' where student = '%1'").arg(m_b)), QString());
    refused(m_a, QStringLiteral("delete from 评分"), QStringLiteral("permission denied"));
    QCOMPARE(works(m_a, QStringLiteral("delete from 在考 where student = '%1'").arg(m_b)), QString());
    refused(m_a, QStringLiteral("update 在考 set student = '%1'").arg(m_b), QStringLiteral("permission denied"));
    refused(m_a, QStringLiteral("update 在考 set heartbeat = 1, student = student"), QStringLiteral("permission denied"));
    QCOMPARE(m_bank->scalar(QStringLiteral("select answer::text from 评分 where student = ?"), {m_b}).toString(),
             QStringLiteral("A"));
    QCOMPARE(m_bank->scalar(QStringLiteral("select count(*) from 在考")).toInt(), 2);
    // The own claim: renewed and freed by its candidate.
    QCOMPARE(works(m_a, QStringLiteral("update 在考 set heartbeat = 5; select heartbeat from 在考")),
             QStringLiteral("5"));
}

void ClassroomTest::candidateCannotChangeTheBank() {
    for (const QString& sql :
         {QStringLiteral("update 试卷 set exam_only = 0"), QStringLiteral("update 试卷 set released = 1"),
          QStringLiteral("insert into 试卷 (code, name) values ('X', 'x')"), QStringLiteral("delete from 试卷"),
          QStringLiteral("update 题库 set question = 'x' where code = 'P1'"),
          QStringLiteral("update 题库 set authority = 'x' where code = 'E1'"),
          QStringLiteral("update public.题库 set practice = 'x'"), QStringLiteral("delete from 题库"),
          QStringLiteral("insert into 题库 (code, tihao, question) values ('P1', 9, 'x')"),
          QStringLiteral("drop table 评分"), QStringLiteral("truncate 评分"), QStringLiteral("alter table 试卷 add x int"),
          QStringLiteral("create table public.x (y int)"), QStringLiteral("insert into 交卷 values ('E1', 'x', '1', 0)"),
          QStringLiteral("update 考生 set xingming = 'x'"), QStringLiteral("insert into 考生 values ('x', 'y')"),
          QStringLiteral("alter table 评分 disable row level security"),
          QStringLiteral("create temp table 在考 (code text)")})
        refused(m_a, sql);
    // Someone else's practice rows are out of reach.
    refused(m_a, QStringLiteral("insert into 练习记录 (code, tihao, answer, correct, answered, login) "
                                "values ('P1', 1, 'A', 1, '2026-01-01 00:00:00', '%1')")
                     .arg(m_b),
            QStringLiteral("row-level security"));
}

void ClassroomTest::handInEndsTheSittingAndGivesTheTotal() {
    // E1: 1 C (2 marks) right, 2 "ba" for AB (3) right by the option rule, 3 unanswered.
    QCOMPARE(works(m_a, QStringLiteral("select veltaro_hand_in('E1', '1')")), QStringLiteral("5"));
    QCOMPARE(works(m_a, QStringLiteral("select veltaro_my_total('e1', '1')")), QStringLiteral("5"));
    QCOMPARE(works(m_a, QStringLiteral("select count(*) from 在考")), QStringLiteral("0"));
    // Handed in: no more answers, no new claim of it, the answers key stays hidden.
    QCOMPARE(works(m_a, QStringLiteral("update 评分 set answer = 'A' where tihao = 1")), QString());
    refused(m_a, QStringLiteral("insert into 在考 (code, student, state, owner, host, started, heartbeat) "
                                "values ('E1', '%1', '1', 'o', 'h', 0, 0)")
                     .arg(m_a),
            QStringLiteral("row-level security"));
    QCOMPARE(works(m_a, QStringLiteral("select coalesce(authority, '-') from 题库 where code = 'E1' and tihao = 1")),
             QStringLiteral("-"));
    // The other candidate has not handed in: no total for them.
    refused(m_b, QStringLiteral("select veltaro_my_total('E1', '1')"), QStringLiteral("还没有交卷"));
}

void ClassroomTest::teacherSeesAndReleases() {
    QCOMPARE(works(m_teacher, QStringLiteral("select count(*) from 评分")), QStringLiteral("3"));
    QCOMPARE(works(m_teacher, QStringLiteral("select authority from 题库 where code = 'E1' and tihao = 1")),
             QStringLiteral("C"));
    works(m_teacher, QStringLiteral("update 题库 set jiexi = '新解析' where code = 'E1' and tihao = 2"));
    refused(m_teacher, QStringLiteral("drop table 评分"));
    QString out;
    QVERIFY2(tool({QStringLiteral("--release-answers"), uriAs(m_teacher), QStringLiteral("E1")}, &out) == 0,
             qPrintable(out));
    QCOMPARE(works(m_b, QStringLiteral("select authority || jiexi from 题库 where code = 'E1' and tihao = 2")),
             QStringLiteral("AB新解析"));
    QVERIFY(tool({QStringLiteral("--hide-answers"), uriAs(m_teacher), QStringLiteral("E1")}) == 0);
    QCOMPARE(works(m_b, QStringLiteral("select coalesce(authority, '-') from 题库 where code = 'E1' and tihao = 2")),
             QStringLiteral("-"));
    // A candidate's login cannot release them.
    QVERIFY(tool({QStringLiteral("--release-answers"), uriAs(m_b), QStringLiteral("E1")}, &out) != 0);
}

// The server's total of a sitting under the paper's scoring rules is the answer card's.
void ClassroomTest::serverMarksWithThePaperRules() {
    // E2: every type, marked by rules of its own (deductions floored, per option, 按比例).
    m_bank->addPaper(QStringLiteral("E2"), QStringLiteral("规则卷"), 12, false, 30);
    const char* standards[] = {"A", "B", "C", "ABC", "ABCD", "BD", "ABCDE", "对", "错", "对", "ABC", "AB"};
    const double scores[] = {1, 1, 1, 2, 2, 2, 1, 1, 1, 1, 2, 2};
    for (int i = 0; i < 12; ++i)
        m_bank->addQuestion(QStringLiteral("E2"), i + 1, QStringLiteral("规则题%1").arg(i + 1),
                            QString::fromUtf8(standards[i]), scores[i]);
    m_bank->exec(QStringLiteral("update 题库 set tixing = '不定项' where code = 'E2' and tihao in (11, 12)"));
    m_bank->exec(QStringLiteral("insert into 评分规则 (code, tixing, guize, fenzhi, anbili, baodi) values "
                                "('E2', '单选', '答错扣分', 0.5, 0, 1), ('E2', '多选', '少选得分', 0.5, 0, 0), "
                                "('E2', '判断', '答错扣分', 0.5, 0, 1), ('E2', '不定项', '少选得分', null, 1, 0)"));
    // Candidates read the rules and change none.
    QCOMPARE(works(m_a, QStringLiteral("select count(*) from 评分规则 where code = 'E2'")), QStringLiteral("4"));
    for (const QString& sql : {QStringLiteral("update 评分规则 set fenzhi = 2"), QStringLiteral("delete from 评分规则"),
                               QStringLiteral("insert into 评分规则 (code, tixing, guize) values ('E1', '单选', '答错扣分')")})
        refused(m_a, sql, QStringLiteral("permission denied"));

    works(m_a, QStringLiteral("insert into 在考 (code, student, state, owner, host, started, heartbeat) "
                              "values ('E2', '%1', '1', 'o', 'h', 0, 0)")
                   .arg(m_a));
    // Right, wrong, blank (full-width too), fewer options, a wrong option, lower case.
    const QStringList given{QStringLiteral("a"),  QStringLiteral("C"),    QStringLiteral("\u3000"),
                            QStringLiteral("AB"), QStringLiteral("DCBA"), QStringLiteral("BE"),
                            QStringLiteral("ABCD"), QStringLiteral("错"), QStringLiteral("对"),
                            QString(),            QStringLiteral("ac"),   QStringLiteral("b")};
    QStringList rows;
    for (int i = 0; i < given.size(); ++i)
        rows << QStringLiteral("(%1, 'E2', U&'%2', '%3', 'x', '1')").arg(i + 1).arg(given[i], m_a);
    works(m_a, QStringLiteral("insert into 评分 (tihao, code, answer, student, xingming, state) values ") +
                   rows.join(QLatin1Char(',')));

    Store owner;
    QCOMPARE(m_bank->openStore(owner), Store::OpenResult::Ok);
    Grid grid;
    grid.setGridColumnCount(9);
    const BoundStatement card{Sql::AnswerCard, {{"code", "E2"}, {"student", m_a}, {"state", "1"}}};
    const double expected = buildAnswerCard(owner, card, QStringLiteral("E2"), grid, {});
    // 单选 1 − 0.5 + 0 = 0.5; 多选 1 + 2 + 0 + 1 = 4; 判断 −1 floored to 0; 不定项 4/3 + 1.
    QVERIFY2(qAbs(expected - (0.5 + 4 + 7.0 / 3)) < 1e-9, qPrintable(QString::number(expected)));

    QVERIFY(qAbs(works(m_a, QStringLiteral("select veltaro_hand_in('E2', '1')")).toDouble() - expected) < 1e-9);
    QVERIFY(qAbs(works(m_a, QStringLiteral("select veltaro_my_total('E2', '1')")).toDouble() - expected) < 1e-9);
    // What the info window asks for a candidate.
    Store seatStore;
    QCOMPARE(seatStore.openServer(uriAs(m_a)), Store::OpenResult::Ok);
    QString error;
    const std::optional<double> total = seat::ownTotal(seatStore, QStringLiteral("E2"), QStringLiteral("1"), &error);
    QVERIFY2(total && qAbs(*total - expected) < 1e-9, qPrintable(error));

    // Without rules the paper marks as it always has: only the matching answers (1, 5).
    m_bank->exec(QStringLiteral("delete from 评分规则 where code = 'E2'"));
    QCOMPARE(works(m_a, QStringLiteral("select veltaro_my_total('E2', '1')")), QStringLiteral("3"));
    QCOMPARE(buildAnswerCard(owner, card, QStringLiteral("E2"), grid, {}), 3.0);
    // The room's later checks see the sittings they made.
    m_bank->exec(QStringLiteral("delete from 评分 where code = 'E2'"));
    m_bank->exec(QStringLiteral("delete from 交卷 where code = 'E2'"));
    m_bank->exec(QStringLiteral("delete from 题库 where code = 'E2'"));
    m_bank->exec(QStringLiteral("delete from 试卷 where code = 'E2'"));
}

void ClassroomTest::twoCandidatesPractiseTheSamePaper() {
    Store a, b;
    QCOMPARE(a.openServer(uriAs(m_a)), Store::OpenResult::Ok);
    QCOMPARE(b.openServer(uriAs(m_b)), Store::OpenResult::Ok);
    QVERIFY(a.keepsHistory() && a.keepsQuestionTypes());
    const auto practise = [](Store& s, int n, const QString& answer, bool correct) {
        QVERIFY2(s.execute(Sql::SavePractice, {{"answer", answer}, {"code", "P1"}, {"n", n}}), qPrintable(s.lastError()));
        QCOMPARE(s.changedRows(), 1);
        QVERIFY2(s.execute(Sql::AppendPractice, {{"code", "P1"}, {"n", n}, {"answer", answer},
                                                  {"correct", correct ? 1 : 0}, {"answered", "2026-01-02 10:00:00"}}),
                 qPrintable(s.lastError()));
    };
    practise(a, 1, QStringLiteral("B"), false);
    practise(b, 1, QStringLiteral("A"), true);
    practise(b, 2, QStringLiteral("C"), false);
    // Each one's wrong answers, progress and history are their own.
    RecordSet wrongA = a.query(Sql::WrongPractice, {{"code", "P1"}});
    QCOMPARE(wrongA.rowCount(), 1);
    QCOMPARE(wrongA.text("practice"), QStringLiteral("B"));
    RecordSet wrongB = b.query(Sql::WrongPractice, {{"code", "P1"}});
    QCOMPARE(wrongB.rowCount(), 1);
    QCOMPARE(wrongB.integer("tihao"), 2);
    QCOMPARE(a.query(Sql::PaperHistory, {{"code", "P1"}}).rowCount(), 1);
    QCOMPARE(b.query(Sql::PaperHistory, {{"code", "P1"}}).rowCount(), 2);
    QVERIFY(a.execute(Sql::InsertPlan, {{"code", "P1"}, {"n", 1}, {"box", 0}, {"due", 10}, {"answers", 1}, {"wrong", 1}}));
    QVERIFY2(b.execute(Sql::InsertPlan, {{"code", "P1"}, {"n", 1}, {"box", 1}, {"due", 20}, {"answers", 1}, {"wrong", 0}}),
             qPrintable(b.lastError()));
    QCOMPARE(a.query(Sql::PlanOfQuestion, {{"code", "P1"}, {"n", 1}}).integer("due"), 10);
    QCOMPARE(b.query(Sql::PlanOfQuestion, {{"code", "P1"}, {"n", 1}}).integer("due"), 20);
    QVERIFY(a.execute(Sql::ClearPractice, {{"code", "P1"}}));
    QCOMPARE(a.query(Sql::WrongPractice, {{"code", "P1"}}).rowCount(), 0);
    QCOMPARE(b.query(Sql::WrongPractice, {{"code", "P1"}}).rowCount(), 1);
    // The shared column of the bank is not touched by either.
    QCOMPARE(m_bank->scalar(QStringLiteral("select count(*) from 题库 where practice <> ''")).toInt(), 0);
    // Question texts and the answer of a practice paper are read as before; an exam paper's are not.
    QCOMPARE(a.query(Sql::Question, {{"code", "P1"}, {"n", 1}}).text("authority"), QStringLiteral("A"));
    QCOMPARE(a.query(Sql::Question, {{"code", "E1"}, {"n", 1}}).text("authority"), QString());
    QVERIFY(!a.execute(Sql::DeletePaper, {{"code", "P1"}}));
}

void ClassroomTest::candidateSitsAsThemselvesInTheProgram() {
    useRecordingDialogs();
    pickPaperInPicker(QStringLiteral("E1"));
    QTemporaryDir folder;
    MainWindow w(folder.path(), uriAs(m_a));
    w.show();
    QCOMPARE(w.app().login.kind, seat::Kind::Candidate);
    pressToolbar(w, QStringLiteral("考试"));
    ExamWindow* e = w.examWindow();
    QVERIFY(e);
    // The candidate number is the login's, the name the list's; neither can be changed.
    QCOMPARE(e->考号组合框->currentText(), m_a);
    QVERIFY(!e->考号组合框->isEnabled());
    QCOMPARE(e->姓名编辑框->text(), QStringLiteral("张三丰"));
    QVERIFY(e->姓名编辑框->isReadOnly());
    e->试卷超级按钮->click();
    // Before 开始: the paper's name and size, no question.
    QVERIFY2(e->题目超级编辑框->boxText().contains(QStringLiteral("考试卷")), qPrintable(e->题目超级编辑框->boxText()));
    QVERIFY2(e->题目超级编辑框->boxText().contains(QStringLiteral("3 题")), qPrintable(e->题目超级编辑框->boxText()));
    QVERIFY(!e->题目超级编辑框->boxText().contains(QStringLiteral("考题")));
    e->场次组合框->setEditText(QStringLiteral("2"));
    e->开始按钮->click();
    QVERIFY(e->running());
    QVERIFY(e->题目超级编辑框->boxText().contains(QStringLiteral("考题")));
    // Every question answered with its standard answer, as the teacher knows them.
    const QMap<qint64, QString> key{{1, QStringLiteral("C")}, {2, QStringLiteral("AB")}, {3, QStringLiteral("错")}};
    for (int i = 0; i < 3; ++i) {
        const qint64 n = e->displayedQuestion().value_or(0);
        e->答案超级编辑框->setBoxText(key.value(n));
        e->保存按钮->click();
    }
    QCOMPARE(m_bank->scalar(QStringLiteral("select count(*) from 评分 where student = ? and state = '2'"), {m_a}).toInt(),
             3);
    MessageBox::pushAnswer(true);
    e->考试交卷按钮->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // The server marked it: 2 + 3, question 3 wrong.
    InfoWindow* info = w.infoWindow();
    QVERIFY(info);
    QCOMPARE(info->总分编辑框->text(), QStringLiteral("5"));
    QCOMPARE(m_bank->scalar(QStringLiteral("select count(*) from 交卷 where student = ? and state = '2'"), {m_a}).toInt(),
             1);
    info->close();
    PaperPicker::setTestDriver({});
}

void ClassroomTest::passwordInTheAddressIsRefused() {
    ServerAddress a = ServerAddress::parse(uriAs(m_a));
    a.password = QStringLiteral("secret");
    Store store;
    QCOMPARE(store.openServer(a.toUri()), Store::OpenResult::Unreadable);
    QVERIFY2(store.lastError().contains(QStringLiteral(".pgpass")), qPrintable(store.lastError()));
    QVERIFY(!store.lastError().contains(QStringLiteral("secret")));
    QCOMPARE(store.openServer(uriAs(m_a) + QStringLiteral("&password=secret")), Store::OpenResult::Unreadable);
    QVERIFY(store.lastError().contains(QStringLiteral(".pgpass")));
    // Given apart from the address, for this run only, it is used.
    QCOMPARE(store.openServer(uriAs(m_a), QStringLiteral("not-needed-here")), Store::OpenResult::Ok);
}

void ClassroomTest::examPapersMarkedByTheTeacherOnly() {
    Store teacher, candidate, file;
    QCOMPARE(teacher.openServer(uriAs(m_teacher)), Store::OpenResult::Ok);
    QCOMPARE(candidate.openServer(uriAs(m_a)), Store::OpenResult::Ok);
    TestBank plain(StoreKind::File);
    QCOMPARE(plain.openStore(file), Store::OpenResult::Ok);
    QVERIFY(!seat::keepsExamPapers(file));
    QVERIFY(seat::keepsExamPapers(teacher));
    QVERIFY(seat::examOnly(teacher, QStringLiteral("e1")));
    QVERIFY(!seat::examOnly(teacher, QStringLiteral("P1")));
    QCOMPARE(seat::setExamOnly(teacher, QStringLiteral("P1"), true), QString());
    QCOMPARE(works(m_a, QStringLiteral("select count(*) from 题库 where code = 'P1' and authority is null")),
             QStringLiteral("2"));
    QVERIFY(!seat::setExamOnly(candidate, QStringLiteral("P1"), false).isEmpty());
    QCOMPARE(seat::setExamOnly(teacher, QStringLiteral("P1"), false), QString());
    QVERIFY(!seat::examOnly(candidate, QStringLiteral("P1")));
}

void ClassroomTest::liveBoardShowsTheRoom() {
    // Running: the second candidate's sitting 1 (silent since 1970), a fresh one of the first.
    works(m_a, QStringLiteral("insert into 在考 (code, student, state, owner, host, started, heartbeat) values "
                              "('E1', '%1', '3', 'o', '机房-07', extract(epoch from now())::bigint - 90, "
                              "extract(epoch from now())::bigint)")
                   .arg(m_a));
    Store teacher;
    QCOMPARE(teacher.openServer(uriAs(m_teacher)), Store::OpenResult::Ok);
    LiveBoard board(teacher);
    QVERIFY2(board.refresh(), qPrintable(board.状态标签->text()));
    QCOMPARE(board.在考列表->topLevelItemCount(), 2);
    QTreeWidgetItem* fresh = board.在考列表->topLevelItem(0);
    QTreeWidgetItem* silent = board.在考列表->topLevelItem(1);
    if (fresh->text(0) != m_a)
        std::swap(fresh, silent);
    QCOMPARE(fresh->text(0), m_a);
    QCOMPARE(fresh->text(2), QStringLiteral("机房-07"));
    QCOMPARE(fresh->text(5), QStringLiteral("0"));
    QVERIFY(fresh->text(6).startsWith(QStringLiteral("1:")));  // 90 s or a little more
    QVERIFY(fresh->text(7).startsWith(QStringLiteral("28:"))); // of 30 minutes
    QCOMPARE(fresh->background(0), QBrush());
    QCOMPARE(silent->text(0), m_b);
    QCOMPARE(silent->text(5), QStringLiteral("1"));
    QVERIFY(silent->background(0) != QBrush());
    QVERIFY(board.状态标签->text().contains(QStringLiteral("1 场超过一分钟")));
    // Handed in: the first candidate's two sittings, each with its total, under the list's name.
    QCOMPARE(board.交卷列表->topLevelItemCount(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(board.交卷列表->topLevelItem(i)->text(1), QStringLiteral("张三丰"));
        QCOMPARE(board.交卷列表->topLevelItem(i)->text(4), QStringLiteral("5"));
    }
}

void ClassroomTest::loginWindowAsksForThePassword() {
    // The first candidate's login, and no other, needs its password from here on.
    const QString hba = m_bank->scalar(QStringLiteral("show hba_file")).toString();
    const auto writeHba = [&](const QString& first) {
        TestBank::adminExec(QStringLiteral("copy (values %1('local all all trust'), ('local replication all trust')) "
                                           "to '%2'")
                                .arg(first, hba));
        TestBank::adminExec(QStringLiteral("select pg_reload_conf()"));
        QTest::qWait(300);
    };
    writeHba(QStringLiteral("('local all \"%1\" scram-sha-256'), ").arg(m_a));
    struct Restore {
        std::function<void()> run;
        ~Restore() { run(); }
    } restore{[&] { writeHba(QString()); }};
    QFile pw(m_files.filePath(QStringLiteral("名单-密码.csv")));
    QVERIFY(pw.open(QIODevice::ReadOnly));
    const QString password = QString::fromUtf8(pw.readAll()).trimmed().split('\n').at(1).section(',', 2);
    {
        Store store;
        QCOMPARE(store.openServer(uriAs(m_a)), Store::OpenResult::Unreadable);
        QVERIFY(store.passwordWanted());
        QCOMPARE(store.openServer(uriAs(m_a), QStringLiteral("wrong")), Store::OpenResult::Unreadable);
        QVERIFY(store.passwordWanted());
        QCOMPARE(store.openServer(uriAs(m_a), password), Store::OpenResult::Ok);
    }
    // Through the program: a wrong password is asked for again, the right one opens the bank; it
    // is not written into the bank folder.
    useRecordingDialogs();
    QStringList asked;
    LoginWindow::setTestDriver([&](LoginWindow& login) {
        asked << login.login() + QLatin1Char('|') + login.提示标签->text();
        login.密码编辑框->setText(asked.size() == 1 ? QStringLiteral("wrong") : password);
        return true;
    });
    QTemporaryDir folder;
    {
        MainWindow w(folder.path(), uriAs(m_a));
        QVERIFY(w.app().store.isOpen());
        QCOMPARE(w.app().login.kind, seat::Kind::Candidate);
        QCOMPARE(w.app().login.login, m_a);
    }
    LoginWindow::setTestDriver({});
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked[0], m_a + QLatin1Char('|'));
    QVERIFY(asked[1].contains(QStringLiteral("不对")));
    for (const QFileInfo& f : QDir(folder.path()).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(f.filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(!file.readAll().contains(password.toUtf8()), qPrintable(f.fileName()));
    }
    // A password file as libpq reads it: no window.
    const QString pgpass = m_files.filePath(QStringLiteral("pgpass"));
    QFile pass(pgpass);
    QVERIFY(pass.open(QIODevice::WriteOnly));
    pass.write(QStringLiteral("*:*:*:%1:%2\n").arg(m_a, password).toUtf8());
    pass.close();
    pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    qputenv("PGPASSFILE", pgpass.toLocal8Bit());
    Store viaFile;
    const Store::OpenResult opened = viaFile.openServer(uriAs(m_a));
    qunsetenv("PGPASSFILE");
    QCOMPARE(opened, Store::OpenResult::Ok);
}

void ClassroomTest::otherRolesAreNotTurnedIntoCandidates() {
    const QString admin = ServerAddress::parse(testServerUri()).user;
    QString error;
    for (const QString& name : {admin, m_teacher}) {
        const classroom::Outcome o = classroom::addCandidates(m_bank->serverUri(), {{name, QStringLiteral("x"), {}}},
                                                              m_files.filePath(QStringLiteral("never.csv")));
        QVERIFY(!o.ok);
        QVERIFY2(o.error.contains(name), qPrintable(o.error));
        QVERIFY(!QFile::exists(m_files.filePath(QStringLiteral("never.csv"))));
        QVERIFY(!classroom::removeCandidate(m_bank->serverUri(), name).ok);
    }
    // A number that differs from a candidate's only in case would be that candidate in the bank.
    const QString twin = m_a.toLower();
    const classroom::Outcome o = classroom::addCandidates(m_bank->serverUri(), {{twin, QStringLiteral("x"), {}}},
                                                          m_files.filePath(QStringLiteral("never.csv")));
    QVERIFY(!o.ok);
    QVERIFY2(o.error.contains(QStringLiteral("只差大小写")) && o.error.contains(m_a), qPrintable(o.error));
    QVERIFY(!psql(twin, QStringLiteral("select 1")).ok);
    // Removing a candidate keeps their answers; a second time finds nobody.
    QVERIFY(classroom::removeCandidate(m_bank->serverUri(), m_b).ok);
    QCOMPARE(m_bank->scalar(QStringLiteral("select count(*) from 评分 where student = ?"), {m_b}).toInt(), 1);
    const classroom::Outcome again = classroom::removeCandidate(m_bank->serverUri(), m_b);
    QVERIFY(again.ok);
    QVERIFY(!psql(m_b, QStringLiteral("select 1")).ok);
}

// A seat left idle gives its connection back to the server and opens one again when used.
void ClassroomTest::idleSeatLetsItsConnectionGo() {
    qputenv("VELTARO_IDLE_SECONDS", "1");
    Store seatStore;
    const Store::OpenResult opened = seatStore.openServer(uriAs(m_a));
    qunsetenv("VELTARO_IDLE_SECONDS");
    QCOMPARE(opened, Store::OpenResult::Ok);
    const auto held = [&] {
        return m_bank->scalar(QStringLiteral("select count(*) from pg_stat_activity where usename = ?"), {m_a}).toInt();
    };
    QVERIFY(seatStore.holdsConnection());
    QCOMPARE(held(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!seatStore.holdsConnection(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(held(), 0, 10000);
    // The next use, through the store or beside it, finds the bank as before.
    QCOMPARE(seatStore.query(Sql::PaperByCode, {{"code", "E1"}}).text("name"), QStringLiteral("考试卷"));
    QCOMPARE(held(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!seatStore.holdsConnection(), 10000);
    QCOMPARE(seat::whoIsLoggedIn(seatStore).kind, seat::Kind::Candidate);
    QVERIFY(seatStore.holdsConnection());
}

void ClassroomTest::rulesNameTheirTablesAndFindACandidatesRows() {
    // Every function that runs with the owner's rights or for a policy searches the caller's
    // temporary tables last, so that none of them can stand in for a table of the bank.
    const QString owner = ServerAddress::parse(m_bank->serverUri()).user;
    QCOMPARE(works(owner, QStringLiteral("select count(*) from pg_proc where (proname like 'veltaro%' or "
                                         "pronamespace = 'veltaro_seat'::regnamespace) and (prosecdef or "
                                         "proconfig is not null) and coalesce(proconfig[array_length(proconfig, 1)] "
                                         "not like 'search_path=%, pg_temp', true)")),
             QStringLiteral("0"));
    // A candidate's own rows are found through an index on the login, not by reading all answers.
    const QString plan = works(m_a, QStringLiteral("set enable_seqscan = off; explain select count(*) from 评分 "
                                                   "where code = 'E1' and state = '1'"));
    QVERIFY2(plan.contains(QStringLiteral("Index Cond: (student =")), qPrintable(plan));
}

QTEST_MAIN(ClassroomTest)
#include "test_classroom.moc"

