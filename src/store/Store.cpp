#include "store/Store.h"
#include "store/BankFile.h"
#include "store/JournalVfs.h"
#include "store/Schema.h"

#include <QAtomicInt>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QRegularExpression>
#include <QUrl>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace valueread {

namespace {
// The longest leading number of a text: optional blanks, a sign, digits, and for a real a
// fraction and an exponent ("1e-05" is 0.00001, not 1).
QString leadingNumber(const QString& s, bool allowFraction) {
    int i = 0;
    while (i < s.size() && s[i].isSpace())
        ++i;
    const int start = i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i;
    if (allowFraction && i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
    }
    if (allowFraction && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        int k = i + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-'))
            ++k;
        if (k < s.size() && s[k] >= '0' && s[k] <= '9') {
            while (k < s.size() && s[k] >= '0' && s[k] <= '9')
                ++k;
            i = k;
        }
    }
    return s.mid(start, i - start);
}

bool isNumeric(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}
} // namespace

QString text(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return {};
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}

double number(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return 0;
    if (isNumeric(v))
        return v.toDouble();
    bool ok = false;
    const double d = leadingNumber(v.toString(), true).toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0;
}

qint64 integer(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return 0;
    if (isNumeric(v)) {
        const double d = std::trunc(v.toDouble());
        if (!std::isfinite(d) || std::fabs(d) > 9.0e18)
            return 0;
        return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float ? qint64(d) : v.toLongLong();
    }
    bool ok = false;
    const qint64 n = leadingNumber(v.toString(), false).toLongLong(&ok);
    return ok ? n : 0;
}

bool flag(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return false;
    if (isNumeric(v))
        return std::fabs(v.toDouble()) > 1e-7;
    const QString s = v.toString().trimmed();
    if (s.compare("true", Qt::CaseInsensitive) == 0 || s.compare("yes", Qt::CaseInsensitive) == 0 ||
        s.compare("on", Qt::CaseInsensitive) == 0)
        return true;
    return std::fabs(number(v)) > 1e-7;
}

} // namespace valueread

RecordSet::RecordSet(QStringList columns, std::vector<QVariantList> rows)
    : m_columns(std::move(columns)), m_rows(std::move(rows)) {}

QVariant RecordSet::value(const QString& name) const {
    if (atEnd())
        return {};
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return m_rows[m_pos].value(i);
    return {};
}

QVariant RecordSet::value(int position) const {
    if (atEnd() || position < 1 || position > m_columns.size())
        return {};
    return m_rows[m_pos].value(position - 1);
}

namespace {
QAtomicInt g_connectionCounter;

// A SQLite failure as the user reads it: the reason in Chinese, SQLite's own words on a second line.
QString describe(const QSqlError& e) {
    QString reason;
    switch (e.nativeErrorCode().toInt() & 0xFF) {
    case 3: // SQLITE_PERM
        reason = QStringLiteral("没有权限");
        break;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        reason = QStringLiteral("题库正被另一个程序使用，请稍后再试");
        break;
    case 7: // SQLITE_NOMEM
        reason = QStringLiteral("内存不足");
        break;
    case 8: // SQLITE_READONLY
        reason = QStringLiteral("题库文件只能读取，不能写入");
        break;
    case 10: // SQLITE_IOERR
        reason = QStringLiteral("读写磁盘时出错（磁盘可能已满、已被拔出或已损坏）");
        break;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        reason = QStringLiteral("题库文件已损坏或不是题库文件");
        break;
    case 13: // SQLITE_FULL
        reason = QStringLiteral("磁盘已满");
        break;
    case 14: // SQLITE_CANTOPEN
        reason = QStringLiteral("无法打开题库文件或它旁边的日志文件");
        break;
    case 19: // SQLITE_CONSTRAINT
        reason = QStringLiteral("与题库中已有的行重复");
        break;
    default:
        reason = QStringLiteral("题库出错");
        break;
    }
    const QString detail = e.databaseText().trimmed();
    return detail.isEmpty() ? reason : reason + QLatin1Char('\n') + detail;
}

struct ServerFailure {
    QString text;
    bool connection = false; // the connection failed: the statement never ran
};

// The server did not answer a connection attempt within its time limit (connect_timeout).
bool ranOutOfTime(const QSqlError& e) {
    return (e.databaseText() + e.driverText()).contains(QLatin1String("timeout expired"));
}

// Opens the first connection of a server bank. An attempt that ran out of time is made once more:
// when a whole hall starts the program at the same moment the server can take longer than the time
// limit to let everyone in, and the second attempt comes when most are in; a server that is gone
// costs one time limit more, at the start only.
bool openServerConnection(QSqlDatabase& db) {
    if (db.open())
        return true;
    if (!ranOutOfTime(db.lastError()))
        return false;
    db.close();
    return db.open();
}

// A PostgreSQL failure as the user reads it: the reason in Chinese, the server's first line of
// English on a second line. `connected`: whether the connection still stands after the failure.
ServerFailure describeServer(const QSqlError& e, bool connected) {
    const QString code = e.nativeErrorCode();
    QString detail;
    for (const QString& line : (e.databaseText().isEmpty() ? e.driverText() : e.databaseText()).split('\n'))
        if (detail.isEmpty() && !line.trimmed().isEmpty())
            detail = line.trimmed();
    detail.remove(QRegularExpression(QStringLiteral("^(ERROR|FATAL|错误|致命错误):\\s*")));
    const QString lower = detail.toLower();
    ServerFailure f;
    QString reason;
    if (code.startsWith(QLatin1String("28")) || lower.contains(QLatin1String("authentication failed")) ||
        lower.contains(QLatin1String("no password supplied")))
        reason = QStringLiteral("题库服务器拒绝登录（用户名或密码不对，或不许这台电脑登录）");
    else if (code == QLatin1String("3D000") ||
             (lower.contains(QLatin1String("database")) && lower.contains(QLatin1String("does not exist"))))
        reason = QStringLiteral("题库服务器上没有这个数据库");
    else if (code == QLatin1String("53300") || lower.contains(QLatin1String("too many clients")) ||
             lower.contains(QLatin1String("connection slots")))
        reason = QStringLiteral("题库服务器的连接数已满，请稍后再试");
    else if (!connected || code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") ||
             code == QLatin1String("57P02") || code == QLatin1String("57P03")) {
        reason = QStringLiteral("无法连接题库服务器（服务器可能已关闭或正在重新启动，或网络已断开）");
        f.connection = true;
    } else if (code == QLatin1String("23505"))
        reason = QStringLiteral("与题库中已有的行重复");
    else if (code.startsWith(QLatin1String("22")) || code == QLatin1String("42804"))
        reason = QStringLiteral("值的类型或大小不对");
    else if (code == QLatin1String("42P01") || code == QLatin1String("42703"))
        reason = QStringLiteral("数据库中缺少题库的表或列");
    else if (code == QLatin1String("42501"))
        reason = QStringLiteral("没有权限");
    else if (code == QLatin1String("40001") || code == QLatin1String("40P01") ||
             code == QLatin1String("55P03"))
        reason = QStringLiteral("题库正被另一台电脑修改，请再试一次");
    else if (code == QLatin1String("53100"))
        reason = QStringLiteral("题库服务器的磁盘已满");
    else
        reason = QStringLiteral("题库服务器出错");
    f.text = detail.isEmpty() ? reason : reason + QLatin1Char('\n') + detail;
    return f;
}

// The connection of this name with this driver; one of another driver gives way.
QSqlDatabase connectionWithDriver(const QString& name, const QString& driver) {
    if (QSqlDatabase::contains(name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.driverName() == driver)
                return db;
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    return QSqlDatabase::addDatabase(driver, name);
}

// Statements that may run twice with the effect of once: reads, and changes that set values
// (an answer saved through its key, a claim renewed) or delete rows. A new row without a key of
// its own is not among them.
bool isRepeatable(Sql id) {
    switch (id) {
    case Sql::SaveExamAnswer:
    case Sql::SavePractice:
    case Sql::ClearPractice:
    case Sql::UpdateExamAnswer:
    case Sql::ClearSitting:
    case Sql::DeleteAnswer:
    case Sql::FreeStaleClaims:
    case Sql::ClaimSitting:
    case Sql::RenewClaim:
    case Sql::ReleaseClaim:
        return true;
    default:
        return statementText(id).startsWith(QLatin1String("select"));
    }
}

QString uriOf(const QString& path) {
    const QString vfs = journalvfs::name();
    return QStringLiteral("file:%1?mode=rw%2")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/")),
             vfs.isEmpty() ? QString() : QStringLiteral("&vfs=") + vfs);
}
} // namespace

Store::Store()
    : m_connection(QStringLiteral("veltaro-store-%1").arg(g_connectionCounter.fetchAndAddRelaxed(1))) {}

Store::~Store() {
    dropPrepared();
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString Store::prepareFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    // A file beside the bank that does not belong to it is renamed and the user told; one that
    // cannot be renamed stays, and the bank is read from a copy without it.
    auto keepAside = [this](const QString& file, const QString& found) {
        const QString aside = m_readOnly ? QString() : bankfile::setAside(file);
        if (!aside.isEmpty()) {
            m_notices << found + QStringLiteral("为了不让它改动现在的题库，程序没有使用它，已把它改名为 %1。")
                                     .arg(QFileInfo(aside).fileName());
            return;
        }
        m_notices << found + QStringLiteral("程序没有使用它，它留在原处。");
        if (!m_readOnly) {
            m_readOnly = true;
            m_readOnlyReason =
                QStringLiteral("无法把不属于它的日志文件 %1 改名").arg(QFileInfo(file).fileName());
        }
    };
    const QString wal = path + QStringLiteral("-wal");
    // Another program has the bank open right now: what lies beside it is its own.
    const bool inUse = bankfile::lockedByAnotherProcess(path);
    bool keepWal = false;
    if (QFileInfo(wal).isFile()) {
        const bankfile::WalLog log = bankfile::readWal(wal);
        if (inUse) {
            keepWal = true;
        } else if (log.committedFrames == 0) {
            // It holds nothing SQLite would put into the bank.
            if (!m_readOnly)
                QFile::remove(wal);
        } else if (const bankfile::Verdict v = bankfile::judgeWal(path, wal); v.belongs) {
            keepWal = true;
        } else if (v.notABank) {
            // Not a question bank: neither it nor its log is touched.
            m_lastError = v.why;
            m_notABank = true;
            return {};
        } else {
            keepAside(
                wal, QStringLiteral("在 %1 旁边有一个程序上次没来得及写进题库的日志文件 %2，但它不属于现在的 "
                                    "%1（%3，%1 可能被换成了另一个题库）。")
                         .arg(name, QFileInfo(wal).fileName(), v.why));
        }
    }
    // The journal the program keeps between changes lies beside the bank; only a hot one (a change
    // was cut off) is rolled back, and only into the bank it belongs to.
    const QString journal = path + QStringLiteral("-journal");
    bool keepJournal = QFileInfo(journal).isFile();
    if (keepJournal && !inUse) {
        if (const bankfile::Verdict v = bankfile::judgeJournal(path, journal); !v.belongs) {
            keepAside(journal, QStringLiteral(
                                   "在 %1 旁边有一个程序上次保存到一半时留下的日志文件 %2，但它不属于现在的 "
                                   "%1（%3，%1 可能被换成了另一个题库）。")
                                   .arg(name, QFileInfo(journal).fileName(), v.why));
            keepJournal = false;
        } else if (!m_readOnly && !bankfile::readJournal(journal).hot && !QFileInfo(journal).isWritable()) {
            // A journal that holds nothing and cannot be written (copied from a read-only disk)
            // would make every save fail: it goes, and the next save makes a new one.
            QFile::remove(journal);
        }
    }
    QString work = path;
    if (m_readOnly) {
        // Reading straight from a file that cannot be written would need SQLite's shared-memory
        // file beside it, and the log could neither be put in nor kept aside: read a private copy.
        m_copy = std::make_unique<QTemporaryDir>();
        work = m_copy->filePath(QStringLiteral("ks.db"));
        // A journal left by a change that was cut off is rolled back in the copy.
        if (!m_copy->isValid() || !QFile::copy(path, work) ||
            (keepWal && !QFile::copy(wal, work + QStringLiteral("-wal"))) ||
            (keepJournal && !QFile::copy(journal, work + QStringLiteral("-journal")))) {
            m_lastError = QStringLiteral("%1 只能读取，而临时文件夹中放不下它的副本").arg(name);
            return {};
        }
        QFile::setPermissions(work, QFile::ReadOwner | QFile::WriteOwner);
    } else if (inUse) {
        m_sharedWithOthers = true;
        return work;
    }
    if (keepWal || bankfile::readHeader(work).walMode) {
        const bankfile::Repair repair = bankfile::makeSelfContained(work);
        if (!repair.ok) {
            m_lastError = repair.error;
            m_damaged = repair.damaged;
            return {};
        }
    }
    // The shared-memory file of a log holds no data: one left behind (perhaps read-only) goes.
    if (!m_readOnly && !QFileInfo::exists(wal) && QFileInfo(path + QStringLiteral("-shm")).isFile())
        QFile::remove(path + QStringLiteral("-shm"));
    return work;
}

void Store::resetState(const QString& where) {
    m_path = where;
    m_open = false;
    m_readOnly = false;
    m_sharedWithOthers = m_notABank = m_damaged = false;
    m_keepsHistory = m_keepsTypes = m_keepsRules = false;
    m_uniqueAnswers = m_claims = m_connectionLost = m_inTransaction = m_preparedForExams = false;
    m_changedRows = 0;
    m_sinceUnanswered.invalidate();
    m_readOnlyReason.clear();
    m_notices.clear();
    dropPrepared();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
    m_copy.reset();
}

Store::OpenResult Store::openServer(const QString& uri, const QString& password) {
    m_server = ServerAddress::parse(uri);
    resetState(m_server.ok() ? m_server.shownUri() : uri);
    m_dialect = Dialect::Postgres;
    m_passwordWanted = false;
    if (!m_server.ok()) {
        m_lastError = m_server.error;
        return OpenResult::Unreadable;
    }
    bool passwordInUri = !m_server.password.isEmpty();
    for (const auto& [key, value] : m_server.parameters)
        passwordInUri = passwordInUri || key.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0;
    if (passwordInUri) {
        m_lastError = QStringLiteral("题库地址中写有密码，程序不使用这样的地址：密码会留在设置文件或命令行中，"
                                     "别人也能看到。请把地址中的密码删去，把它写进 ~/.pgpass（Windows 上是 "
                                     "%APPDATA%\\postgresql\\pgpass.conf，格式为 服务器:端口:数据库:用户:密码，"
                                     "文件只许本人读取），或在程序要求时在登录窗口中输入");
        return OpenResult::Unreadable;
    }
    m_server.password = password;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        m_lastError = QStringLiteral("缺少 Qt 的 PostgreSQL 驱动（Debian 软件包 libqt6sql6-psql）");
        return OpenResult::Unreadable;
    }
    QSqlDatabase db = connectionWithDriver(m_connection, QStringLiteral("QPSQL"));
    m_server.configure(db);
    if (!openServerConnection(db)) {
        m_lastError = describeServer(db.lastError(), false).text;
        const QString said = db.lastError().databaseText() + db.lastError().driverText();
        m_passwordWanted = said.contains(QLatin1String("no password supplied")) ||
                           said.contains(QLatin1String("password authentication failed")) ||
                           db.lastError().nativeErrorCode() == QLatin1String("28P01");
        m_connectionLost = true;
        return OpenResult::Unreadable;
    }
    if (!m_idle) {
        m_idle = std::make_unique<QTimer>();
        m_idle->setSingleShot(true);
        m_idle->callOnTimeout([this] { closeIfIdle(); });
    }
    m_idle->setInterval(idleSeconds() * 1000);
    m_idle->start();
    // The checks below read the server's catalogue once.
    const schema::CatalogSnapshot catalog;
    if (const QStringList missing = schema::missing(db); !missing.isEmpty()) {
        m_lastError = missing.join(QStringLiteral(", "));
        db.close();
        return OpenResult::MissingTables;
    }
    // A bank put on the server before the program kept a practice history gets its tables, as a
    // bank file does.
    QStringList added;
    const QString historyError = schema::addMissingTables(db, Dialect::Postgres, &added);
    m_keepsHistory =
        schema::hasTable(db, schema::historyTable()) && schema::hasTable(db, schema::planTable());
    m_keepsRules = schema::hasTable(db, schema::rulesTable());
    if (!historyError.isEmpty())
        m_notices << QStringLiteral("无法在 %1 中建立练习记录表或评分规则表，练习答案照常保存，但可能不记入"
                                    "练习记录（错题复习和统计无法使用），各试卷按全对得分评分。\n%2")
                         .arg(displayName(), historyError);
    addTypes(db);
    m_uniqueAnswers = true;
    m_claims = schema::present(db).contains(schema::claimTable());
    m_open = true;
    return OpenResult::Ok;
}

QString Store::displayName() const {
    if (m_dialect == Dialect::Postgres)
        return QStringLiteral("题库服务器 %1").arg(m_server.shortName());
    return QStringLiteral("题库文件 %1").arg(QFileInfo(m_path).fileName());
}

QString Store::fullName() const {
    return m_dialect == Dialect::Postgres ? m_server.shownUri()
                                          : QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
}

Store::OpenResult Store::open(const QString& path) {
    resetState(path);
    m_dialect = Dialect::Sqlite;
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile()) {
        m_lastError = QStringLiteral("找不到题库文件");
        return OpenResult::Missing;
    }
    m_lastError = bankfile::whyNotReadable(path);
    if (!m_lastError.isEmpty())
        return OpenResult::Unreadable;
    // Not a SQLite file at all: nothing here is touched, not even a log beside it.
    if (!bankfile::readHeader(path).sqlite) {
        m_lastError = QStringLiteral("不是 SQLite 数据库文件");
        return OpenResult::NotADatabase;
    }
    m_readOnlyReason = bankfile::whyNotWritable(path);
    m_readOnly = !m_readOnlyReason.isEmpty();
    const QString work = prepareFile(path);
    if (work.isEmpty())
        return m_notABank  ? OpenResult::MissingTables
               : m_damaged ? OpenResult::NotADatabase
                           : OpenResult::Unreadable;

    QSqlDatabase db = connectionWithDriver(m_connection, QStringLiteral("QSQLITE"));
    // mode=rw: an existing file only, never a new empty one.
    db.setDatabaseName(uriOf(work));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    // SQLITE_CORRUPT and SQLITE_NOTADB name a damaged file; other failures (cannot open, I/O)
    // lie outside it.
    auto failure = [](const QSqlError& e) {
        const int code = e.nativeErrorCode().toInt() & 0xFF;
        return code == 11 || code == 26 ? OpenResult::NotADatabase : OpenResult::Unreadable;
    };
    if (!db.open()) {
        m_lastError = describe(db.lastError());
        return failure(db.lastError());
    }
    QSqlQuery q(db);
    // A file that is not a database fails on its first read.
    if (!q.exec("select count(*) from sqlite_master") || !q.next()) {
        m_lastError = describe(q.lastError());
        const OpenResult result = failure(q.lastError());
        q.finish();
        db.close();
        return result;
    }
    q.finish();
    if (!schema::missing(db).isEmpty()) {
        m_lastError = schema::missing(db).join(", ");
        db.close();
        return OpenResult::MissingTables;
    }
    // The rollback journal stays beside the bank between changes. A change syncs three times: the
    // journal before the bank is touched, the bank, and the journal's header zeroed after that (so
    // it is never taken for a change cut off): ks.db alone holds every change the moment it
    // returns, and neither a kill nor a power cut can undo it. Kept, the journal needs no sync of
    // its folder per change (JournalVfs). synchronous=full would sync the journal once more before
    // writing its record count; the record checksums, whose seed is new in every header, already
    // tell the records of this change from anything else in the file. After a large change the
    // journal shrinks back to a megabyte.
    q.exec("pragma journal_mode=persist");
    q.exec("pragma synchronous=normal");
    q.exec("pragma journal_size_limit=1048576");
    // Not while another program has the bank open: the change would wait for it.
    if (const QStringList wrong = m_sharedWithOthers ? QStringList() : schema::mistyped(db);
        !wrong.isEmpty()) {
        const QString name = fi.fileName();
        const QString err = schema::retype(db);
        if (err.isEmpty())
            m_notices
                << QStringLiteral(
                       "%1 中这些列的类型不是程序使用的类型（别的工具做的题库常常这样），数字会被当作文字比较"
                       "（例如第 9 题之后就到不了第 10 题）：%2。程序已把它们改为程序使用的类型，"
                       "所有的行都保留了%3。")
                       .arg(name, wrong.join(QStringLiteral("、")),
                            m_readOnly
                                ? QStringLiteral("（只改在本次使用的副本中，%1 本身没有改动）").arg(name)
                                : QString());
        else
            m_notices << QStringLiteral("%1 中这些列的类型不是程序使用的类型，数字会被当作文字比较：%2。"
                                        "程序没能改正它们，%1 没有改动。\n%3")
                             .arg(name, wrong.join(QStringLiteral("、")), err);
    }
    // A bank made before the program kept a practice history gets the history table. Only the new
    // table is written; on a read-only bank it is made in the private copy, where saves are refused
    // anyway. Should it fail, answers are still saved, only without their history.
    QStringList added;
    const QString historyError = schema::addMissingTables(db, Dialect::Sqlite, &added);
    m_keepsHistory =
        schema::hasTable(db, schema::historyTable()) && schema::hasTable(db, schema::planTable());
    m_keepsRules = schema::hasTable(db, schema::rulesTable());
    if (!historyError.isEmpty())
        m_notices << QStringLiteral("无法在 %1 中建立练习记录表或评分规则表，练习答案照常保存，但可能不记入"
                                    "练习记录（错题复习和统计无法使用），各试卷按全对得分评分。\n%2")
                         .arg(fi.fileName(), historyError);
    addTypes(db);
    m_uniqueAnswers = schema::hasUniqueAnswerKey(db);
    m_claims = !m_readOnly && schema::present(db).contains(schema::claimTable());
    m_open = true;
    return OpenResult::Ok;
}

void Store::addTypes(QSqlDatabase& db) {
    // A bank made before the program kept question types gets the column, filled from the
    // standard answers; as with the history, a read-only bank gets it in its private copy.
    const QString error = schema::addTypeColumn(db, m_dialect);
    m_keepsTypes = schema::hasColumn(db, schema::tables().at(1), schema::typeColumn());
    if (!error.isEmpty())
        m_notices << QStringLiteral("无法在 %1 中加入题型一列，题目照常使用，题型按标准答案判断，"
                                    "在题库窗口中改的题型不会保存。\n%2")
                         .arg(m_dialect == Dialect::Postgres ? displayName() : QFileInfo(m_path).fileName(),
                              error);
}

QStringList Store::prepareForExams() {
    if (!m_open || m_preparedForExams || m_dialect != Dialect::Sqlite)
        return {};
    m_preparedForExams = true;
    QStringList told;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString name = QFileInfo(m_path).fileName();
    // Not in a bank that cannot be changed, nor while another program has it open (the change
    // would wait for it): there the answers are saved as they always were.
    if (!m_readOnly && !m_sharedWithOthers && !m_inTransaction) {
        dropPrepared();
        const schema::AnswerKey key = schema::makeAnswerKeyUnique(db);
        if (key.removedCopies > 0)
            told << QStringLiteral(
                        "%1 的评分表中有 %2 行答案是另一行的重复（同一试卷、题号、考号和场次的同一个答案"
                        "保存了不止一次），答题卡上会重复列出、重复计分。程序已删去这些重复的行，"
                        "每个答案只留一行。")
                        .arg(name)
                        .arg(key.removedCopies);
        if (key.conflictingKeys > 0)
            told << QStringLiteral(
                        "%1 的评分表中有 %2 组答案的试卷、题号、考号和场次相同，而答案或姓名不同。"
                        "程序没有改动它们；在这个题库中考试保存答案时，同一组的每一行都会改成新的答案。"
                        "可以在“评分”窗口中查看这些考生的答题卡，删去不要的行。")
                        .arg(name)
                        .arg(key.conflictingKeys);
        schema::ensureClaimTable(db);
    }
    m_uniqueAnswers = schema::hasUniqueAnswerKey(db);
    m_claims = !m_readOnly && schema::present(db).contains(schema::claimTable());
    return told;
}

bool Store::refuseChange() {
    if (!m_open) {
        m_lastError = QStringLiteral("题库没有打开");
        return true;
    }
    if (m_readOnly) {
        m_lastError = QStringLiteral("题库只能读取：%1。").arg(m_readOnlyReason);
        return true;
    }
    return false;
}

QString Store::describeFailure(const QSqlError& e) {
    if (m_dialect == Dialect::Sqlite)
        return describe(e);
    const ServerFailure f = describeServer(e, QSqlDatabase::database(m_connection, false).isOpen());
    m_connectionLost = f.connection;
    return f.text;
}

int Store::idleSeconds() {
    bool ok = false;
    const int s = qEnvironmentVariableIntValue("VELTARO_IDLE_SECONDS", &ok);
    return ok && s > 0 ? s : 180;
}

bool Store::holdsConnection() const {
    return m_dialect == Dialect::Postgres && QSqlDatabase::database(m_connection, false).isOpen();
}

void Store::closeIfIdle() {
    if (m_dialect != Dialect::Postgres || !m_open)
        return;
    // A transaction keeps its connection: its work would go with it.
    if (m_inTransaction) {
        m_idle->start();
        return;
    }
    dropPrepared();
    QSqlDatabase::database(m_connection, false).close();
}

QString Store::awakeConnection() {
    reconnectIfLost();
    return m_connection;
}

bool Store::reconnectIfLost() {
    if (m_dialect != Dialect::Postgres)
        return true;
    if (m_idle)
        m_idle->start();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (db.isOpen())
        return true;
    m_connectionLost = true;
    if (m_inTransaction) {
        // The server rolled the transaction back when the connection went.
        m_lastError = QStringLiteral("与题库服务器的连接中断了，这次的改动没有保存");
        return false;
    }
    // A server that did not answer the last attempt is not asked again for a while: every attempt
    // holds the window for the whole time limit, and a save has the local journal to fall back on.
    if (m_sinceUnanswered.isValid() && m_sinceUnanswered.elapsed() < kUnansweredPauseMs) {
        m_lastError = m_unansweredError;
        return false;
    }
    dropPrepared();
    db.close();
    if (!db.open()) {
        m_lastError = describeServer(db.lastError(), false).text;
        if (ranOutOfTime(db.lastError())) {
            m_sinceUnanswered.start();
            m_unansweredError = m_lastError;
        }
        return false;
    }
    m_sinceUnanswered.invalidate();
    m_connectionLost = false;
    return true;
}

QSqlQuery* Store::runOnce(Sql id, const Params& params, bool* lost) {
    *lost = false;
    if (!m_open) {
        m_lastError = QStringLiteral("题库没有打开");
        return nullptr;
    }
    if (!reconnectIfLost()) {
        *lost = true;
        return nullptr;
    }
    const Sql used = m_keepsTypes ? id : withoutType(id);
    std::unique_ptr<QSqlQuery>& q = m_prepared[used];
    if (!q) {
        q = std::make_unique<QSqlQuery>(QSqlDatabase::database(m_connection, false));
        q->setForwardOnly(true);
        if (!q->prepare(statementText(used, m_dialect))) {
            m_lastError = describeFailure(q->lastError());
            q.reset();
            *lost = m_connectionLost;
            return nullptr;
        }
    }
    for (const auto& [name, value] : params)
        if (used == id || name != QLatin1String("tixing"))
            // PostgreSQL takes no truth value for a number: as SQLite stores it.
            q->bindValue(QLatin1Char(':') + name,
                         m_dialect == Dialect::Postgres && value.typeId() == QMetaType::Bool
                             ? QVariant(value.toBool() ? 1 : 0)
                             : value);
    if (!q->exec()) {
        m_lastError = describeFailure(q->lastError());
        q->finish();
        // The statements prepared on a connection that is gone are gone with it.
        if (m_connectionLost)
            dropPrepared();
        *lost = m_connectionLost;
        return nullptr;
    }
    m_connectionLost = false;
    return q.get();
}

QSqlQuery* Store::run(Sql id, const Params& params) {
    bool lost = false;
    QSqlQuery* q = runOnce(id, params, &lost);
    // A connection the server dropped (a restart while nobody was saving) is made again, and a
    // statement that may run twice runs once more on it; the user hears only of a server that is
    // still out of reach.
    if (!q && lost && !m_inTransaction && isRepeatable(id))
        q = runOnce(id, params, &lost);
    return q;
}

void Store::dropPrepared() {
    m_prepared.clear();
}

RecordSet Store::query(Sql id, const Params& params) {
    QSqlQuery* q = run(id, params);
    m_lastQueryOk = q != nullptr;
    if (!q)
        return {};
    const QSqlRecord rec = q->record();
    QStringList columns;
    for (int i = 0; i < rec.count(); ++i)
        columns << rec.fieldName(i);
    std::vector<QVariantList> rows;
    while (q->next()) {
        QVariantList row;
        row.reserve(rec.count());
        for (int i = 0; i < rec.count(); ++i)
            row << q->value(i);
        rows.push_back(std::move(row));
    }
    // Reading is done: the statement lets go of the database at once.
    q->finish();
    return RecordSet(std::move(columns), std::move(rows));
}

int RowReader::column(const QString& name) const {
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant RowReader::value(int column) const {
    return column >= 0 && column < m_columns.size() ? m_query.value(column) : QVariant();
}

bool Store::forEachRow(Sql id, const Params& params, const std::function<void(const RowReader&)>& row) {
    QSqlQuery* q = run(id, params);
    if (!q)
        return false;
    const QSqlRecord rec = q->record();
    QStringList columns;
    for (int i = 0; i < rec.count(); ++i)
        columns << rec.fieldName(i);
    const RowReader reader(*q, std::move(columns));
    while (q->next())
        row(reader);
    q->finish();
    return true;
}

bool Store::execute(Sql id, const Params& params) {
    m_changedRows = 0;
    if (refuseChange())
        return false;
    QSqlQuery* q = run(id, params);
    if (!q)
        return false;
    m_changedRows = q->numRowsAffected();
    q->finish();
    return true;
}

bool Store::appendRow(const QString& table, const Params& fields) {
    if (refuseChange())
        return false;
    const QStringList known = schema::columns(table);
    if (known.isEmpty() || fields.isEmpty()) {
        m_lastError = QStringLiteral("题库中没有这个表");
        return false;
    }
    QStringList names, marks;
    for (const auto& f : fields) {
        if (!known.contains(f.first)) {
            m_lastError = QStringLiteral("题库中没有这一列：%1").arg(f.first);
            return false;
        }
        names << QLatin1Char('"') + f.first + QLatin1Char('"');
        marks << QStringLiteral("?");
    }
    if (!reconnectIfLost())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(QStringLiteral("insert into \"%1\" (%2) values (%3)")
                       .arg(table, names.join(','), marks.join(',')))) {
        m_lastError = describeFailure(q.lastError());
        return false;
    }
    for (int i = 0; i < fields.size(); ++i) {
        const QVariant& v = fields[i].second;
        q.bindValue(i, m_dialect == Dialect::Postgres && v.typeId() == QMetaType::Bool
                           ? QVariant(v.toBool() ? 1 : 0)
                           : v);
    }
    if (!q.exec()) {
        m_lastError = describeFailure(q.lastError());
        return false;
    }
    m_connectionLost = false;
    return true;
}

bool Store::begin() {
    if (refuseChange() || !reconnectIfLost())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        m_lastError = describeFailure(db.lastError());
        return false;
    }
    m_inTransaction = true;
    return true;
}

bool Store::commit() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    m_inTransaction = false;
    if (!db.commit()) {
        m_lastError = describeFailure(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

void Store::rollback() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    m_inTransaction = false;
    db.rollback();
}

bool Store::inTransaction(const std::function<bool()>& work) {
    if (!begin())
        return false;
    bool done = false;
    try {
        done = work();
    } catch (...) {
        rollback();
        throw;
    }
    if (!done) {
        // The failure the work met is the one to report, not the rollback's.
        const QString why = m_lastError;
        rollback();
        m_lastError = why;
        return false;
    }
    return commit();
}

QString Store::containsPattern(const QString& text) {
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (const QChar c : text) {
        if (c == '\\' || c == '%' || c == '_')
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}
