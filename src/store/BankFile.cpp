#include "store/BankFile.h"

#include "store/Schema.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace bankfile {

namespace {

QAtomicInt g_connections;

quint32 be32(const uchar* p) {
    return qFromBigEndian<quint32>(p);
}

// The running checksum of a write-ahead log over 8-byte steps, in the byte order its magic names.
void walChecksum(bool bigEndian, const uchar* data, int size, quint32& s0, quint32& s1) {
    for (int i = 0; i + 8 <= size; i += 8) {
        const quint32 x0 =
            bigEndian ? qFromBigEndian<quint32>(data + i) : qFromLittleEndian<quint32>(data + i);
        const quint32 x1 =
            bigEndian ? qFromBigEndian<quint32>(data + i + 4) : qFromLittleEndian<quint32>(data + i + 4);
        s0 += x0 + s1;
        s1 += x1 + s0;
    }
}

QString quoted(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

// A connection of its own for one job, removed when the job is done.
class Connection {
  public:
    explicit Connection(const QString& path, const QString& options = QString())
        : m_name(QStringLiteral("bankfile-%1").arg(g_connections.fetchAndAddRelaxed(1))) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        m_ok = db.open();
        if (!m_ok)
            m_error = db.lastError().databaseText();
    }
    ~Connection() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

  private:
    QString m_name;
    bool m_ok = false;
    QString m_error;
};

// The first value of a statement's first row; an invalid value when it fails.
QVariant scalar(QSqlDatabase db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return {};
    return q.value(0);
}

// Whether the two databases (main and bare) hold different rows in a table, comparing the given
// columns and the rowid. Text is compared exactly (the bank's columns ignore letter case).
bool differs(QSqlDatabase db, const QString& table, const QStringList& columns) {
    QStringList list;
    for (const QString& c : columns)
        list << quoted(c) + QStringLiteral(" collate binary");
    const QString cols = list.join(QStringLiteral(", "));
    auto rows = [&](const char* schema, bool withRowid) {
        return QStringLiteral("select ") + (withRowid ? QStringLiteral("rowid, ") : QString()) + cols +
               QStringLiteral(" from ") + QLatin1String(schema) + QLatin1Char('.') + quoted(table);
    };
    // A table without rowids is compared by its columns alone.
    for (const bool withRowid : {true, false}) {
        const QVariant one =
            scalar(db, QStringLiteral("select count(*) from (") + rows("main", withRowid) +
                           QStringLiteral(" except ") + rows("bare", withRowid) + QLatin1Char(')'));
        if (!one.isValid())
            continue;
        const QVariant other =
            scalar(db, QStringLiteral("select count(*) from (") + rows("bare", withRowid) +
                           QStringLiteral(" except ") + rows("main", withRowid) + QLatin1Char(')'));
        return !other.isValid() || one.toLongLong() != 0 || other.toLongLong() != 0;
    }
    return true;
}

} // namespace

Header readHeader(const QString& path) {
    Header h;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return h;
    const QByteArray b = f.read(100);
    if (b.size() < 100 || !b.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return h;
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    h.sqlite = true;
    const int size = qFromBigEndian<quint16>(p + 16);
    h.pageSize = size == 1 ? 65536 : size;
    h.walMode = p[18] == 2 || p[19] == 2;
    h.changeCounter = be32(p + 24);
    return h;
}

WalLog readWal(const QString& path) {
    WalLog log;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return log;
    const QByteArray head = f.read(32);
    if (head.size() < 32)
        return log;
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    const quint32 magic = be32(h);
    if (magic != 0x377f0682 && magic != 0x377f0683)
        return log;
    const bool bigEndian = magic & 1;
    const quint32 pageSize = be32(h + 8);
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return log;
    quint32 s0 = 0, s1 = 0;
    walChecksum(bigEndian, h, 24, s0, s1);
    if (s0 != be32(h + 24) || s1 != be32(h + 28))
        return log;
    log.valid = true;
    log.pageSize = int(pageSize);
    const quint32 salt1 = be32(h + 16), salt2 = be32(h + 20);

    QList<quint32> counters;
    int frames = 0;
    for (;;) {
        const QByteArray frame = f.read(24 + pageSize);
        if (frame.size() < int(24 + pageSize))
            break;
        const auto* fh = reinterpret_cast<const uchar*>(frame.constData());
        if (be32(fh + 8) != salt1 || be32(fh + 12) != salt2)
            break;
        walChecksum(bigEndian, fh, 8, s0, s1);
        walChecksum(bigEndian, fh + 24, int(pageSize), s0, s1);
        if (s0 != be32(fh + 16) || s1 != be32(fh + 20))
            break;
        ++frames;
        if (be32(fh) == 1)
            counters << be32(fh + 24 + 24);
        // A commit frame: everything up to here would go into the database.
        if (be32(fh + 4) != 0) {
            log.committedFrames = frames;
            log.pageOneCounters = counters;
        }
    }
    return log;
}

Journal readJournal(const QString& path) {
    Journal j;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return j;
    static const QByteArray magic = QByteArray::fromHex("d9d505f920a163d7");
    const QByteArray head = f.read(28);
    if (head.size() < 28 || !head.startsWith(magic))
        return j;
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    const quint32 sector = be32(h + 20), pageSize = be32(h + 24);
    auto powerOfTwo = [](quint32 v, quint32 low, quint32 high) {
        return v >= low && v <= high && (v & (v - 1)) == 0;
    };
    if (!powerOfTwo(sector, 32, 65536) || !powerOfTwo(pageSize, 512, 65536))
        return j;
    j.hot = true;
    j.pageSize = int(pageSize);
    // Segments of a header and its records follow one another, each header at a sector boundary.
    // The first copy of page 1 is the page as it was before the change.
    const qint64 size = f.size();
    for (qint64 at = 0; at + 28 <= size;) {
        if (!f.seek(at))
            break;
        const QByteArray hdr = f.read(28);
        if (hdr.size() < 28 || !hdr.startsWith(magic))
            break;
        const auto* p = reinterpret_cast<const uchar*>(hdr.constData());
        const quint32 records = be32(p + 8), nonce = be32(p + 12);
        qint64 record = at + sector;
        for (quint32 n = 0; n < records && record + 8 + qint64(pageSize) <= size; ++n) {
            f.seek(record);
            const QByteArray r = f.read(8 + pageSize);
            const auto* d = reinterpret_cast<const uchar*>(r.constData());
            quint32 sum = nonce;
            for (int i = int(pageSize) - 200; i > 0; i -= 200)
                sum += d[4 + i];
            if (sum != be32(d + 4 + pageSize))
                break; // SQLite stops rolling back here too
            if (be32(d) == 1) {
                j.hasPageOne = true;
                j.pageOneCounter = be32(d + 4 + 24);
                j.pageOne = r.mid(4, int(pageSize));
                return j;
            }
            record += 8 + pageSize;
        }
        at = ((record - 1) / sector + 1) * sector;
        if (records == 0)
            break;
    }
    return j;
}

bool lockedByAnotherProcess(const QString& path) {
    // SQLite's lock bytes begin at 1 GiB: the pending byte, the reserved byte, the shared range.
    // Note that closing this descriptor would drop locks this process held on the file; the store
    // looks before it opens its own connection.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0x40000000;
    probe.l_len = 512;
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

QString whyNotWritable(const QString& dbPath) {
    const QFileInfo fi(dbPath);
    const QString name = fi.fileName();
    if (::access(QFile::encodeName(fi.absoluteFilePath()).constData(), W_OK) != 0)
        return errno == EROFS ? QStringLiteral("%1 所在的磁盘或共享文件夹只能读取").arg(name)
                              : QStringLiteral("%1 是只读文件，你没有修改它的权限").arg(name);
    if (::access(QFile::encodeName(fi.absolutePath()).constData(), W_OK | X_OK) != 0)
        return errno == EROFS ? QStringLiteral("%1 所在的磁盘或共享文件夹只能读取").arg(name)
                              : QStringLiteral("你没有在 %1 所在的文件夹中新建文件的权限"
                                               "（保存答案时要在它旁边写一个日志文件 %1-journal）")
                                    .arg(name);
    return {};
}

QString whyNotReadable(const QString& dbPath) {
    const QFileInfo fi(dbPath);
    if (::access(QFile::encodeName(fi.absoluteFilePath()).constData(), R_OK) != 0)
        return QStringLiteral("你没有读取 %1 的权限").arg(fi.fileName());
    return {};
}

Verdict judgeWal(const QString& dbPath, const QString& walPath) {
    const Header header = readHeader(dbPath);
    const WalLog log = readWal(walPath);
    const QString db = fileName(dbPath);
    // A file switched to a log says so in its header before the first frame is written, and says
    // otherwise only after its log has been put in.
    if (!header.walMode)
        return {false, false, QStringLiteral("现在的 %1 不使用日志").arg(db)};
    if (!log.valid || log.pageSize != header.pageSize)
        return {false, false, QStringLiteral("日志的页大小与 %1 不同").arg(db)};
    // SQLite writes page 1 into the log with the change counter it read from the file plus one,
    // or with the file's own counter once a checkpoint has carried it over.
    for (quint32 c : log.pageOneCounters)
        if (c != header.changeCounter && c != header.changeCounter + 1)
            return {false, false, QStringLiteral("日志中的文件头与 %1 的对不上").arg(db)};

    // Put the log into a copy and compare the copy with the file as it is.
    QTemporaryDir scratch;
    const QString bare = scratch.filePath(QStringLiteral("bare.db"));
    const QString replayed = scratch.filePath(QStringLiteral("replayed.db"));
    if (!scratch.isValid() || !QFile::copy(dbPath, bare) || !QFile::copy(dbPath, replayed) ||
        !QFile::copy(walPath, replayed + QStringLiteral("-wal")))
        return {false, false, QStringLiteral("无法在临时文件夹中检查日志")};
    Connection c(replayed);
    if (!c.ok())
        return {false, false, QStringLiteral("无法检查日志")};
    QSqlDatabase d = c.db();
    if (scalar(d, QStringLiteral("pragma quick_check")).toString() != QLatin1String("ok"))
        return {false, false, QStringLiteral("用了这个日志的题库会是损坏的")};
    if (const QStringList missing = schema::missing(d); !missing.isEmpty())
        return {false, true, missing.join(QStringLiteral(", "))};
    QSqlQuery q(d);
    q.prepare(QStringLiteral("attach database ? as bare"));
    q.addBindValue(bare);
    if (!q.exec())
        return {false, false, QStringLiteral("无法检查日志")};
    const QString schemaRows = QStringLiteral("select type, name, tbl_name, sql from %1.sqlite_master");
    for (const auto& [a, b] : {std::pair{"main", "bare"}, std::pair{"bare", "main"}}) {
        const QVariant n =
            scalar(d, QStringLiteral("select count(*) from (%1 except %2)")
                          .arg(schemaRows.arg(QLatin1String(a)), schemaRows.arg(QLatin1String(b))));
        if (!n.isValid() || n.toLongLong() != 0)
            return {false, false, QStringLiteral("它会改动题库的表结构")};
    }
    QStringList tables;
    if (!q.exec(QStringLiteral(
            "select name from bare.sqlite_master where type = 'table' and name not like 'sqlite%'")))
        return {false, false, QStringLiteral("无法检查日志")};
    while (q.next())
        tables << q.value(0).toString();
    q.finish();
    for (const QString& table : tables) {
        // Answers: exam answers added, changed and deleted, practice answers written.
        if (table.compare(QStringLiteral("评分"), Qt::CaseInsensitive) == 0)
            continue;
        QStringList columns;
        if (!q.exec(QStringLiteral("pragma bare.table_info(%1)").arg(quoted(table))))
            return {false, false, QStringLiteral("无法检查日志")};
        while (q.next()) {
            const QString column = q.value(1).toString();
            if (table.compare(QStringLiteral("题库"), Qt::CaseInsensitive) == 0 &&
                column.compare(QLatin1String("practice"), Qt::CaseInsensitive) == 0)
                continue;
            columns << column;
        }
        q.finish();
        if (!columns.isEmpty() && differs(d, table, columns))
            return {false, false, QStringLiteral("它会改动表 %1 中程序从不改动的内容").arg(table)};
    }
    return {true, false, QString()};
}

Verdict judgeJournal(const QString& dbPath, const QString& journalPath) {
    const Journal journal = readJournal(journalPath);
    if (!journal.hot)
        return {true, false, QString()};
    const Header header = readHeader(dbPath);
    const QString db = fileName(dbPath);
    if (journal.pageSize != header.pageSize)
        return {false, false, QStringLiteral("日志的页大小与 %1 不同").arg(db)};
    if (!journal.hasPageOne || header.changeCounter == journal.pageOneCounter + 1)
        return {true, false, QString()};
    if (header.changeCounter == journal.pageOneCounter) {
        QFile f(dbPath);
        if (f.open(QIODevice::ReadOnly) && f.read(journal.pageSize) == journal.pageOne)
            return {true, false, QString()};
    }
    return {false, false, QStringLiteral("日志中的文件头与 %1 的对不上").arg(db)};
}

QString setAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 100; ++n) {
        const QString target = QStringLiteral("%1.未使用-%2%3")
                                   .arg(path, stamp, n == 1 ? QString() : QStringLiteral("-%1").arg(n));
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        return QFile::rename(path, target) ? target : QString();
    }
    return {};
}

Repair makeSelfContained(const QString& dbPath) {
    Repair r;
    Connection c(dbPath, QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!c.ok()) {
        r.error = QStringLiteral("无法打开 %1").arg(fileName(dbPath));
        return r;
    }
    QSqlDatabase d = c.db();
    QSqlQuery q(d);
    // Before the first read: with an exclusive lock SQLite keeps the log's index in memory.
    q.exec(QStringLiteral("pragma locking_mode=exclusive"));
    const bool read = q.exec(QStringLiteral("select count(*) from sqlite_master")) && q.next();
    q.finish();
    if (read && !schema::missing(d).isEmpty()) {
        r.ok = true;
        return r;
    }
    if (!read || !q.exec(QStringLiteral("pragma journal_mode=delete")) || !q.next() ||
        q.value(0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
        const QSqlError e = q.lastError();
        const int code = e.nativeErrorCode().toInt() & 0xFF;
        r.damaged = code == 11 || code == 26;
        const QString why = code == 5 || code == 6 ? QStringLiteral("%1 正被另一个程序使用")
                            : code == 13           ? QStringLiteral("磁盘已满，无法把日志写进 %1")
                            : r.damaged            ? QStringLiteral("%1 已损坏或不是题库文件")
                                                   : QStringLiteral("无法把日志写进 %1");
        r.error = why.arg(fileName(dbPath)) +
                  (e.databaseText().isEmpty() ? QString() : QLatin1Char('\n') + e.databaseText());
        return r;
    }
    q.finish();
    r.ok = true;
    return r;
}

} // namespace bankfile
