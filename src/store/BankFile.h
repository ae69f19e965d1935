#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the bank file and the files SQLite may leave beside it (ks.db-wal, ks.db-shm) say, read
// straight from their bytes, and the repairs that make ks.db a self-contained file again. No
// widget here: the store reports what was done and a window tells the user.
namespace bankfile {

// The first 100 bytes of a SQLite file.
struct Header {
    bool sqlite = false;  // starts "SQLite format 3"
    int pageSize = 0;     // bytes
    bool walMode = false; // last used with a write-ahead log (file format versions 2)
    quint32 changeCounter = 0;
};
Header readHeader(const QString& path);

// The part of a write-ahead log that SQLite would put into the database: the frames after a
// valid log header whose salts and running checksums hold, up to the last commit.
struct WalLog {
    bool valid = false; // a log header SQLite accepts
    int pageSize = 0;
    int committedFrames = 0;
    // The change counter in every committed copy of page 1 (the page that holds the header).
    QList<quint32> pageOneCounters;
};
WalLog readWal(const QString& path);

// What a rollback journal beside the database says. The program keeps its journal between changes
// with a zeroed header: such a journal (like an empty one) is not hot, SQLite ignores it. A hot
// journal is what a change cut off left behind; SQLite copies its pages back into the database.
struct Journal {
    bool hot = false; // a journal header SQLite would roll back from
    int pageSize = 0;
    bool hasPageOne = false;    // holds the database's first page as it was before the change
    quint32 pageOneCounter = 0; // ... the change counter in it
    QByteArray pageOne;         // ... and the whole page
};
Journal readJournal(const QString& path);

// Whether another process holds one of SQLite's locks on the file: it is in use right now.
bool lockedByAnotherProcess(const QString& path);

// Why the bank cannot be changed here, in Chinese (the file, its folder, or the disk it lies on is
// read-only); empty when it can. SQLite writes a journal beside the bank for every change, so the
// folder must be writable too.
QString whyNotWritable(const QString& dbPath);
// Why the bank cannot be read at all; empty when it can.
QString whyNotReadable(const QString& dbPath);

// Whether a leftover log belongs to the database beside it.
struct Verdict {
    bool belongs = false;
    bool notABank = false; // the file with its log in has not the bank's tables: leave both alone
    QString why;           // why it does not belong (Chinese, for the notice), or what the file lacks
};

// A log that an older version left behind when it was ended without closing the bank belongs to
// the file only when putting it in changes nothing but answers, all those versions wrote into a
// log. It does not when the file does not use a log, the page sizes differ, the log's copies of
// the header do not follow the file's, the result would be damaged, or the result would differ
// from the file in anything but the answers (the practice answers in 题库 and the rows of 评分):
// the file was replaced by another bank and the log would write the old bank's pages into it. A
// log that holds anything else is kept aside rather than trusted.
Verdict judgeWal(const QString& dbPath, const QString& walPath);

// Whether a hot journal belongs to the database beside it. It does not when the page sizes differ
// or when its copy of the first page does not fit the file's: SQLite writes the first page of a
// change with the counter it read plus one, so the file's counter is the copy's plus one, or the
// copy's own and then the file's first page is still the copy. Otherwise ks.db was replaced by
// another bank after a change to the old one was cut off, and rolling back would write the old
// bank's pages into it. A journal that is not hot always belongs: SQLite does not use it. (A bank
// put in whose counter is by chance the old one's plus one cannot be told from the old bank.)
Verdict judgeJournal(const QString& dbPath, const QString& journalPath);

// Renames a file that is kept aside to "<name>.未使用-<yyyyMMdd-HHmmss>" beside it. Returns the
// new path, or an empty text when it could not be renamed.
QString setAside(const QString& path);

// Puts the log (if any) into the database and makes the file use a rollback journal again. Runs
// with an exclusive lock, so a shared-memory file ks.db-shm is neither needed nor touched. A file
// without the bank's tables keeps its journal mode.
struct Repair {
    bool ok = false;
    bool damaged = false; // SQLite found the file damaged or no database
    QString error;        // Chinese; SQLite's own words on a second line
};
Repair makeSelfContained(const QString& dbPath);

} // namespace bankfile
