// Answers survive the program being killed at any moment: crash_driver saves practice and exam
// answers through the real windows and is killed with SIGKILL at random times, again and again
// on the same bank. After every kill the bank must open cleanly and hold every answer whose save
// the driver had reported.
#include "TestSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

namespace {

// Kills over all lanes, and the time they may take.
constexpr int kKills = 200;
constexpr int kLanes = 2;
constexpr qint64 kBudgetMs = 150000;

struct Saved {
    QString value;                  // last acknowledged
    std::optional<QString> pending; // announced, not yet acknowledged
};

// One bank and the child programs run on it one after the other.
struct Lane {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> child;
    QTimer killTimer;
    QByteArray unread;
    int run = 0;
    int kills = 0;
    bool killSent = false;
    bool done = false;
    QString student, state;
    QHash<int, Saved> practice; // tihao
    QHash<QString, Saved> exam; // student|state|tihao
    QStringList problems;
    int linesRead = 0;
    int lost = 0;
    int midSave = 0;     // kills that fell between a save's start and its acknowledgement
    int midSaveKept = 0; // ... where that save had reached the bank all the same
};

QString examKey(const QString& student, const QString& state, int tihao) {
    return student + QLatin1Char('|') + state + QLatin1Char('|') + QString::number(tihao);
}

void acknowledge(Saved& s, const QString& value) {
    s.value = value;
    s.pending.reset();
}

void readLines(Lane& lane, const QByteArray& data) {
    lane.unread += data;
    for (int nl = lane.unread.indexOf('\n'); nl >= 0; nl = lane.unread.indexOf('\n')) {
        const QString line = QString::fromUtf8(lane.unread.left(nl));
        lane.unread.remove(0, nl + 1);
        ++lane.linesRead;
        const QStringList f = line.split(QLatin1Char(' '));
        const QString kind = f.value(0);
        if (kind == QLatin1String("R")) {
            if (!lane.killTimer.isActive())
                lane.killTimer.start(QRandomGenerator::global()->bounded(250));
        } else if (kind == QLatin1String("p") || kind == QLatin1String("P")) {
            Saved& s = lane.practice[f.value(1).toInt()];
            if (kind == QLatin1String("P"))
                acknowledge(s, f.value(2));
            else
                s.pending = f.value(2);
        } else if (kind == QLatin1String("S")) {
            lane.student = f.value(1);
            lane.state = f.value(2);
        } else if (kind == QLatin1String("e") || kind == QLatin1String("E")) {
            Saved& s = lane.exam[examKey(lane.student, lane.state, f.value(1).toInt())];
            if (kind == QLatin1String("E"))
                acknowledge(s, f.value(2));
            else
                s.pending = f.value(2);
        } else if (kind == QLatin1String("M")) {
            lane.problems << QStringLiteral("run %1 showed a message: %2").arg(lane.run).arg(line.mid(2));
        }
    }
}

// Opens the bank as a fresh program would and checks every acknowledged answer.
void verify(Lane& lane) {
    const QString name = QStringLiteral("crash-check-%1").arg(quintptr(&lane));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(lane.dir.filePath(QStringLiteral("ks.db")));
        if (!db.open()) {
            lane.problems << QStringLiteral("after kill %1 the bank does not open: %2")
                                 .arg(lane.kills)
                                 .arg(db.lastError().text());
        } else {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("pragma integrity_check")) || !q.next() ||
                q.value(0).toString() != QLatin1String("ok"))
                lane.problems << QStringLiteral("after kill %1 the integrity check says: %2")
                                     .arg(lane.kills)
                                     .arg(q.value(0).toString() + q.lastError().text());
            q.finish();
            auto check = [&](Saved& s, const QList<QString>& found, const QString& what) {
                const bool stored = found.size() == 1;
                if (s.pending)
                    ++lane.midSave;
                if (stored && s.pending && found.first() == *s.pending) {
                    ++lane.midSaveKept;
                    // The save went through just before the kill: it is the value now.
                    acknowledge(s, *s.pending);
                    return;
                }
                s.pending.reset();
                if (s.value.isNull())
                    return; // never acknowledged
                if (found.size() > 1)
                    lane.problems << QStringLiteral("after kill %1: %2 is stored %3 times")
                                         .arg(lane.kills)
                                         .arg(what)
                                         .arg(found.size());
                if (!stored || found.first() != s.value) {
                    ++lane.lost;
                    lane.problems << QStringLiteral("after kill %1: %2 should be %3, found %4")
                                         .arg(lane.kills)
                                         .arg(what, s.value, found.join(QLatin1Char(',')));
                }
            };
            for (auto it = lane.practice.begin(); it != lane.practice.end(); ++it) {
                q.prepare(QStringLiteral("select practice from 题库 where code='1' and tihao=?"));
                q.addBindValue(it.key());
                q.exec();
                QList<QString> found;
                while (q.next())
                    found << q.value(0).toString();
                check(it.value(), found, QStringLiteral("practice answer %1").arg(it.key()));
            }
            for (auto it = lane.exam.begin(); it != lane.exam.end(); ++it) {
                const QStringList key = it.key().split(QLatin1Char('|'));
                q.prepare(QStringLiteral(
                    "select answer from 评分 where code='2' and student=? and state=? and tihao=?"));
                q.addBindValue(key[0]);
                q.addBindValue(key[1]);
                q.addBindValue(key[2].toInt());
                q.exec();
                QList<QString> found;
                while (q.next())
                    found << q.value(0).toString();
                check(it.value(), found, QStringLiteral("exam answer %1").arg(it.key()));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT
  private slots:
    void acknowledgedAnswersSurviveKills();
};

void CrashSafetyTest::acknowledgedAnswersSurviveKills() {
    const QString driver = QStringLiteral(VELTARO_CRASH_DRIVER);
    QVERIFY2(QFile::exists(driver), qPrintable(driver));

    std::vector<std::unique_ptr<Lane>> lanes;
    for (int i = 0; i < kLanes; ++i) {
        auto lane = std::make_unique<Lane>();
        QVERIFY(lane->dir.isValid());
        TestBank seed;
        seed.addNumberedPaper(QStringLiteral("1"), QStringLiteral("练习卷"), 20, 20, true, 600);
        seed.addNumberedPaper(QStringLiteral("2"), QStringLiteral("考试卷"), 20, 20, true, 600);
        QVERIFY(QFile::copy(seed.dbPath(), lane->dir.filePath(QStringLiteral("ks.db"))));
        lanes.push_back(std::move(lane));
    }

    QEventLoop loop;
    int finishedLanes = 0;
    QElapsedTimer clock;
    clock.start();
    const int killsPerLane = (kKills + kLanes - 1) / kLanes;

    std::function<void(Lane&)> startChild = [&](Lane& lane) {
        ++lane.run;
        lane.unread.clear();
        lane.killSent = false;
        lane.child = std::make_unique<QProcess>();
        lane.child->setProcessChannelMode(QProcess::SeparateChannels);
        lane.child->setStandardErrorFile(lane.dir.filePath(QStringLiteral("driver-stderr.txt")),
                                         QIODevice::Append);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        lane.child->setProcessEnvironment(env);
        QProcess* child = lane.child.get();
        connect(child, &QProcess::readyReadStandardOutput, child,
                [&lane, child] { readLines(lane, child->readAllStandardOutput()); });
        connect(child, &QProcess::finished, child, [&, child](int code, QProcess::ExitStatus status) {
            lane.killTimer.stop();
            readLines(lane, child->readAllStandardOutput());
            if (!lane.killSent)
                lane.problems << QStringLiteral("run %1 ended by itself (status %2, code %3)")
                                     .arg(lane.run)
                                     .arg(int(status))
                                     .arg(code);
            else
                ++lane.kills;
            verify(lane);
            child->deleteLater();
            (void)lane.child.release();
            if (lane.kills >= killsPerLane || !lane.problems.isEmpty() || clock.elapsed() > kBudgetMs) {
                lane.done = true;
                if (++finishedLanes == kLanes)
                    loop.quit();
                return;
            }
            startChild(lane);
        });
        // A quarter of the kills fall anywhere from the start (during start-up too), the others
        // while answers are being saved (armed by the "R" line).
        if (QRandomGenerator::global()->bounded(4) == 0)
            lane.killTimer.start(QRandomGenerator::global()->bounded(400));
        lane.child->start(driver, {lane.dir.path(), QString::number(lane.run)});
    };

    for (auto& lane : lanes) {
        Lane* l = lane.get();
        l->killTimer.setSingleShot(true);
        l->killTimer.setTimerType(Qt::PreciseTimer);
        connect(&l->killTimer, &QTimer::timeout, this, [l] {
            if (l->child && l->child->state() != QProcess::NotRunning) {
                l->killSent = true;
                l->child->kill();
            }
        });
        startChild(*l);
    }
    loop.exec();

    int kills = 0, lost = 0, acknowledged = 0, midSave = 0, midSaveKept = 0;
    QStringList problems;
    for (const auto& lane : lanes) {
        kills += lane->kills;
        lost += lane->lost;
        midSave += lane->midSave;
        midSaveKept += lane->midSaveKept;
        acknowledged += lane->practice.size() + lane->exam.size();
        problems += lane->problems;
        QFile err(lane->dir.filePath(QStringLiteral("driver-stderr.txt")));
        if (!lane->problems.isEmpty() && err.open(QIODevice::ReadOnly))
            qWarning("driver output: %s", err.readAll().right(4000).constData());
    }
    qInfo("%d kills in %.1f s, %d answer keys acknowledged, %d lost; %d kills during a save (%d of those "
          "saves were in the bank)",
          kills, clock.elapsed() / 1000.0, acknowledged, lost, midSave, midSaveKept);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.mid(0, 20).join(QLatin1Char('\n'))));
    QCOMPARE(lost, 0);
    QVERIFY2(kills >= kKills, qPrintable(QStringLiteral("only %1 kills in the time allowed").arg(kills)));
    QVERIFY(acknowledged > 0);
}

QTEST_MAIN(CrashSafetyTest)
#include "test_crashsafety.moc"
