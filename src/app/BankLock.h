#pragma once

#include <QString>
#include <memory>

class QWidget;

// Who else has a bank folder open. Each program holds a shared lock on the folder itself (an
// flock on the directory) for as long as it runs; a program starting tries for the lock alone
// first, and fails while another program holds it. The system drops a lock when its program
// ends, however it ends, so a crashed program leaves nothing behind; and a folder that can only
// be read is locked all the same, since nothing is written. Where the folder cannot be locked (a
// network share without locks) nobody is told anything.
class BankFolderLock {
  public:
    explicit BankFolderLock(const QString& folder);
    ~BankFolderLock();
    BankFolderLock(const BankFolderLock&) = delete;
    BankFolderLock& operator=(const BankFolderLock&) = delete;

    // Another program had the folder open when this one came.
    bool otherProgram() const { return m_other; }
    // This program holds its share of the folder (later programs see it).
    bool held() const { return m_held; }
    // Takes this program's share beside the other program's.
    void share();

  private:
    int m_fd = -1;
    bool m_other = false;
    bool m_held = false;
};

struct FolderClaim {
    bool goOn = true;
    std::unique_ptr<BankFolderLock> lock;
};

// Start-up on a bank folder. A bank file's folder is locked for the program's run, and when
// another program window has it open already the user is told and chooses to go on beside it
// (the saves of both are kept) or to quit. A bank on a server, which the programs of a room use at
// once, is neither locked nor told about.
FolderClaim claimBankFolder(const QString& folder, const QString& databaseUrl, QWidget* parent);
