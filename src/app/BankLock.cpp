#include "app/BankLock.h"

#include "app/BankFolder.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int lockFolder(int fd, int operation) {
    int r;
    do
        r = ::flock(fd, operation | LOCK_NB);
    while (r != 0 && errno == EINTR);
    return r == 0 ? 0 : errno;
}

} // namespace

BankFolderLock::BankFolderLock(const QString& folder) {
    // Not handed on to the programs this one starts (the import tool, a spreadsheet program): a
    // lock they kept would outlive this program.
    m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    const int alone = lockFolder(m_fd, LOCK_EX);
    if (alone == EWOULDBLOCK) {
        m_other = true;
        return;
    }
    if (alone != 0)
        return; // locks do not work here: nothing can be told
    share();
}

BankFolderLock::~BankFolderLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void BankFolderLock::share() {
    if (m_fd < 0)
        return;
    // Another program starting may hold the folder alone for the moment of its own check.
    for (int tries = 0; tries < 100; ++tries) {
        const int r = lockFolder(m_fd, LOCK_SH);
        if (r == 0) {
            m_held = true;
            return;
        }
        if (r != EWOULDBLOCK)
            return;
        QThread::msleep(10);
    }
}

FolderClaim claimBankFolder(const QString& folder, const QString& databaseUrl, QWidget* parent) {
    FolderClaim claim;
    if (!databaseUrl.isEmpty() || !bankfolder::configuredDatabase(folder).isEmpty())
        return claim;
    claim.lock = std::make_unique<BankFolderLock>(folder);
    if (!claim.lock->otherProgram())
        return claim;
    const int choice = MessageBox::choose(
        parent,
        QStringLiteral("这个题库已在另一个程序窗口中打开。\n题库文件夹：%1\n"
                       "可以在这里也打开它，两个窗口保存的答案都会保留；也可以退出，回到已打开的窗口。")
            .arg(QDir::toNativeSeparators(folder)),
        {QStringLiteral("继续打开"), QStringLiteral("退出")});
    if (choice != 0) {
        claim.goOn = false;
        claim.lock.reset();
        return claim;
    }
    claim.lock->share();
    return claim;
}
