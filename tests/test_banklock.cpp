#include "TestSupport.h"

#include "app/BankLock.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <sys/stat.h>

namespace {

// True once the process holds an flock on the folder (read from /proc/locks, so that looking takes
// no lock and cannot disturb the program's own check).
bool holdsFolderLock(qint64 pid, const QString& folder) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return false;
    QFile locks("/proc/locks");
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QString inode = QString(":%1 ").arg(qulonglong(st.st_ino));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QString l = QString::fromLatin1(line);
        if (l.contains(" FLOCK ") && l.contains(QString(" %1 ").arg(pid)) && l.contains(inode))
            return true;
    }
    return false;
}

QString folderText(const TestBank& bank) {
    return QDir::toNativeSeparators(bank.dir());
}

} // namespace

class BankLockTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { useRecordingDialogs(); }
    void secondProgramIsToldAndChooses();
    void crashedProgramLeavesNoLock();
    void foldersThatCannotBeLockedAndServerBanks();
};

void BankLockTest::secondProgramIsToldAndChooses() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    FolderClaim first = claimBankFolder(bank.dir(), QString(), nullptr);
    QVERIFY(first.goOn && first.lock->held());
    QVERIFY(MessageBox::shown().isEmpty());
    // The second is told, and quits.
    MessageBox::pushChoice(1);
    FolderClaim second = claimBankFolder(bank.dir(), QString(), nullptr);
    QVERIFY(!second.goOn && !second.lock);
    QCOMPARE(MessageBox::shown().size(), 1);
    const MessageBox::Shown told = MessageBox::shown().first();
    QVERIFY(told.text.startsWith("这个题库已在另一个程序窗口中打开。"));
    QVERIFY(told.text.contains(folderText(bank)));
    QVERIFY(told.text.contains("两个窗口保存的答案都会保留"));
    QCOMPARE(told.choices, (QStringList{"继续打开", "退出"}));
    // The third goes on beside the first; once the first has gone, a fourth is still told of it.
    MessageBox::clear();
    MessageBox::pushChoice(0);
    FolderClaim third = claimBankFolder(bank.dir(), QString(), nullptr);
    QVERIFY(third.goOn && third.lock->held());
    first = {};
    FolderClaim fourth = claimBankFolder(bank.dir(), QString(), nullptr);
    QCOMPARE(MessageBox::shown().size(), 2);
    fourth = {};
    third = {};
    MessageBox::clear();
    FolderClaim alone = claimBankFolder(bank.dir(), QString(), nullptr);
    QVERIFY(alone.goOn && alone.lock->held());
    QVERIFY(MessageBox::shown().isEmpty());
}

void BankLockTest::crashedProgramLeavesNoLock() {
    TestBank bank;
    bank.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(VELTARO_BINARY_DIR "/app/veltaro", {"--bank", bank.dir()});
    QVERIFY(program.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(holdsFolderLock(program.processId(), bank.dir()), 20000);
    // The running program is seen.
    MessageBox::pushChoice(1);
    QVERIFY(!claimBankFolder(bank.dir(), QString(), nullptr).goOn);
    QCOMPARE(MessageBox::shown().size(), 1);
    // Killed, it leaves nothing that bothers the next start.
    program.kill();
    QVERIFY(program.waitForFinished());
    MessageBox::clear();
    FolderClaim next = claimBankFolder(bank.dir(), QString(), nullptr);
    QVERIFY(next.goOn && next.lock->held());
    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(QDir(bank.dir()).entryList(QDir::Files | QDir::Hidden).filter("lock").isEmpty());
}

void BankLockTest::foldersThatCannotBeLockedAndServerBanks() {
    // A folder that can only be read is locked all the same.
    TestBank readOnly;
    readOnly.addNumberedPaper("1", "Dalmora", 3, 3, true, 10);
    QVERIFY(QFile::setPermissions(readOnly.dir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    FolderClaim first = claimBankFolder(readOnly.dir(), QString(), nullptr);
    MessageBox::pushChoice(1);
    QVERIFY(first.lock->held() && !claimBankFolder(readOnly.dir(), QString(), nullptr).goOn);
    QCOMPARE(MessageBox::shown().size(), 1);
    QFile::setPermissions(readOnly.dir(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // A folder that is not there: nothing to tell; the bank opening says what is missing.
    MessageBox::clear();
    QVERIFY(claimBankFolder(readOnly.dir() + "/missing", QString(), nullptr).goOn);
    // A server bank, given on the command line or in veltaro.ini, is used by many programs at once.
    TestBank files;
    QFile ini(files.dir() + "/veltaro.ini");
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[bank]\ndatabase=postgresql://veltaro@server/kaochang\n");
    ini.close();
    for (int i = 0; i < 2; ++i) {
        const FolderClaim server = claimBankFolder(files.dir(), QString(), nullptr);
        const FolderClaim given =
            claimBankFolder(readOnly.dir(), "postgresql://veltaro@server/kaochang", nullptr);
        QVERIFY(server.goOn && !server.lock && given.goOn && !given.lock);
    }
    QVERIFY(MessageBox::shown().isEmpty());
}

QTEST_MAIN(BankLockTest)
#include "test_banklock.moc"
