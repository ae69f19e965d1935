#include "access/AccessImport.h"

#include "access/AccessReader.h"
#include "store/Schema.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <cmath>
#include <limits>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace bankimport {

namespace {

const QString kListSeparator = QStringLiteral("、");

QVariant numberFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return qint64(0);
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (ok)
        return n;
    const double d = t.toDouble(&ok);
    if (ok && std::isfinite(d))
        return d;
    return text;
}

// Days since 1899-12-30, the way Access counts dates.
double serialOf(const QDateTime& dt) {
    const qint64 days = QDate(1899, 12, 30).daysTo(dt.date());
    const double fraction = dt.time().msecsSinceStartOfDay() / 86400000.0;
    return days < 0 ? double(days) - fraction : double(days) + fraction;
}

QString textOf(const QDateTime& dt) {
    return dt.toString(dt.time().msecsSinceStartOfDay() == 0 ? QStringLiteral("yyyy-MM-dd")
                                                             : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QAtomicInt g_connections;

// Removes the temporary file (and any journal SQLite left) unless the import got through.
struct TempFileGuard {
    QString path;
    ~TempFileGuard() {
        if (path.isEmpty())
            return;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(suffix));
    }
};

// The file's bytes are on disk before it takes the bank's name, so a power cut never leaves a
// half-written ks.db.
bool syncToDisk(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#else
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.flush();
#endif
}

void syncFolder(const QString& dir) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(dir);
#endif
}

QString findCaseless(const QStringList& names, const QString& wanted) {
    for (const QString& n : names)
        if (n.compare(wanted, Qt::CaseInsensitive) == 0)
            return n;
    return QString();
}

} // namespace

QVariant convert(const QVariant& value, Target target) {
    if (value.isNull() || !value.isValid())
        return target == Target::Text ? QVariant(QString(QLatin1String(""))) : QVariant(qint64(0));
    switch (value.typeId()) {
    case QMetaType::Bool:
        return target == Target::Text ? QVariant(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"))
                                      : QVariant(qint64(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return target == Target::Text ? QVariant(QString::number(value.toLongLong()))
                                      : QVariant(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        if (target == Target::Text)
            return QString::number(value.toULongLong());
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            return value.toDouble();
        return value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return target == Target::Text ? QVariant(QString(QLatin1String(""))) : QVariant(qint64(0));
        return target == Target::Text ? QVariant(QString::number(d, 'g', 15)) : QVariant(d);
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return target == Target::Text ? QVariant(QString(QLatin1String(""))) : QVariant(qint64(0));
        return target == Target::Text ? QVariant(textOf(dt)) : QVariant(serialOf(dt));
    }
    case QMetaType::QDate: {
        const QDateTime dt(value.toDate(), QTime(0, 0), Qt::UTC);
        return convert(dt, target);
    }
    case QMetaType::QByteArray: {
        const QString text = QString::fromUtf8(value.toByteArray());
        return target == Target::Text ? QVariant(text) : numberFromText(text);
    }
    default: {
        const QString text = value.toString();
        return target == Target::Text ? QVariant(text) : numberFromText(text);
    }
    }
}

QString plan(TableSource& source, const QString& sourceName, QList<TablePlan>* out) {
    QStringList missingTables;
    QStringList problems;
    QList<TablePlan> plans;
    const QStringList present = source.tables();
    for (const QString& table : schema::tables() + schema::addedTables()) {
        const QString sourceTable = findCaseless(present, table);
        // A table the program adds itself (the practice history) may be missing: it starts empty.
        if (sourceTable.isEmpty()) {
            if (!schema::addedTables().contains(table))
                missingTables << table;
            continue;
        }
        QStringList sourceColumns;
        for (const SourceColumn& c : source.columns(sourceTable))
            sourceColumns << c.name;
        TablePlan p{table, sourceTable, {}, {}, {}};
        QStringList missingColumns;
        for (const QString& column : schema::columns(table)) {
            int at = -1;
            for (int i = 0; i < sourceColumns.size() && at < 0; ++i)
                if (sourceColumns[i].compare(column, Qt::CaseInsensitive) == 0)
                    at = i;
            if (at < 0 && schema::isAddedColumn(table, column)) {
                p.added << column;
                continue;
            }
            if (at < 0)
                missingColumns << column;
            p.columns << column;
            p.sourceColumns << at;
        }
        if (!missingColumns.isEmpty())
            problems << QStringLiteral("%1 的表 %2 缺少列：%3")
                            .arg(sourceName, table, missingColumns.join(kListSeparator));
        plans << p;
    }
    if (!missingTables.isEmpty())
        problems.prepend(
            QStringLiteral("%1 中缺少表：%2").arg(sourceName, missingTables.join(kListSeparator)));
    if (out)
        *out = problems.isEmpty() ? plans : QList<TablePlan>();
    return problems.join(QLatin1Char('\n'));
}

ImportResult importBank(TableSource& source, const QString& dbPath, const QString& sourceName,
                        const Progress& progress) {
    ImportResult result;
    QList<TablePlan> plans;
    result.error = plan(source, sourceName, &plans);
    if (!result.error.isEmpty())
        return result;

    const QFileInfo target(dbPath);
    const QString targetName = target.fileName();
    if (target.exists() || target.isSymLink()) {
        result.error = QStringLiteral("%1 已存在，导入不会覆盖它。").arg(targetName);
        return result;
    }
    const QDir folder = target.absoluteDir();
    if (!folder.exists()) {
        result.error = QStringLiteral("无法写入 %1：文件夹 %2 不存在。")
                           .arg(targetName, QDir::toNativeSeparators(folder.absolutePath()));
        return result;
    }

    // The temporary file sits in the same folder so that taking the bank's name is a rename.
    TempFileGuard guard;
    {
        QTemporaryFile tmp(folder.filePath(QStringLiteral(".%1.import-XXXXXX").arg(targetName)));
        tmp.setAutoRemove(false);
        if (!tmp.open()) {
            result.error = QStringLiteral("无法在文件夹 %1 中写入文件：%2")
                               .arg(QDir::toNativeSeparators(folder.absolutePath()), tmp.errorString());
            return result;
        }
        guard.path = tmp.fileName();
    }

    qint64 total = 0;
    for (const TablePlan& p : plans) {
        const qint64 n = source.rowCount(p.sourceTable);
        total = (n < 0 || total < 0) ? -1 : total + n;
    }

    const QString connection = QStringLiteral("bankimport-%1").arg(g_connections.fetchAndAddRelaxed(1));
    bool written = false;
    QStringList indexes;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(guard.path);
        auto fail = [&](const QString& text) {
            result.error = text;
            if (db.isOpen())
                db.rollback();
        };
        if (!db.open()) {
            fail(QStringLiteral("无法创建题库文件 %1：%2").arg(targetName, db.lastError().text()));
        } else {
            QSqlQuery pragma(db);
            // A fresh file that is thrown away on failure needs no rollback journal.
            pragma.exec(QStringLiteral("pragma journal_mode=off"));
            pragma.exec(QStringLiteral("pragma synchronous=off"));
            const QString schemaError = schema::create(db);
            if (!schemaError.isEmpty())
                fail(QStringLiteral("无法创建题库文件 %1：%2").arg(targetName, schemaError));
            else if (!db.transaction())
                fail(QStringLiteral("无法写入题库文件 %1：%2").arg(targetName, db.lastError().text()));
            // The indexes are built once after the rows are in, which is quicker than keeping them
            // up to date row by row.
            if (result.error.isEmpty() &&
                pragma.exec(QStringLiteral("select name, sql from sqlite_master where "
                                           "type = 'index' and sql is not null"))) {
                QStringList names;
                while (pragma.next()) {
                    names << pragma.value(0).toString();
                    indexes << pragma.value(1).toString();
                }
                pragma.finish();
                for (const QString& name : names)
                    if (!pragma.exec(QStringLiteral("drop index \"%1\"").arg(name)))
                        fail(QStringLiteral("无法写入题库文件 %1：%2")
                                 .arg(targetName, pragma.lastError().text()));
            }
        }

        qint64 done = 0;
        for (const TablePlan& p : plans) {
            if (!result.error.isEmpty())
                break;
            // Text columns get text, the others numbers: as the bank's schema declares them.
            QList<Target> targets;
            {
                QSqlQuery info(db);
                QHash<QString, QString> declared;
                if (info.exec(QStringLiteral("pragma table_info(\"%1\")").arg(p.table)))
                    while (info.next())
                        declared.insert(info.value(1).toString().toLower(),
                                        info.value(2).toString().toLower());
                for (const QString& c : p.columns)
                    targets << (declared.value(c.toLower()).startsWith(QLatin1String("text"))
                                    ? Target::Text
                                    : Target::Number);
            }
            QStringList marks;
            for (int i = 0; i < p.columns.size(); ++i)
                marks << QStringLiteral("?");
            QSqlQuery insert(db);
            if (!insert.prepare(QStringLiteral("insert into %1 (%2) values (%3)")
                                    .arg(p.table, p.columns.join(QStringLiteral(", ")),
                                         marks.join(QStringLiteral(", "))))) {
                fail(QStringLiteral("无法写入题库文件 %1：%2").arg(targetName, insert.lastError().text()));
                break;
            }
            qint64 rows = 0;
            QString writeError;
            bool cancelled = false;
            QString readError;
            const bool complete = source.readRows(
                p.sourceTable, p.sourceColumns,
                [&](const QVariantList& values) {
                    for (int i = 0; i < targets.size(); ++i)
                        insert.bindValue(i, convert(values.value(i), targets[i]));
                    if (!insert.exec()) {
                        writeError = insert.lastError().text();
                        return false;
                    }
                    ++rows;
                    ++done;
                    if (progress && done % 256 == 0 && !progress(done, total)) {
                        cancelled = true;
                        return false;
                    }
                    return true;
                },
                &readError);
            if (!complete) {
                if (cancelled) {
                    result.cancelled = true;
                    fail(QStringLiteral("已取消导入 %1，没有创建 %2。").arg(sourceName, targetName));
                } else if (!writeError.isEmpty()) {
                    fail(QStringLiteral("写入题库文件 %1 的表 %2 时出错：%3")
                             .arg(targetName, p.table, writeError));
                } else {
                    fail(QStringLiteral("读取 %1 的表 %2 时出错（第 %3 行之后）：%4")
                             .arg(sourceName, p.sourceTable)
                             .arg(rows)
                             .arg(readError.isEmpty() ? QStringLiteral("读取中断") : readError));
                }
                break;
            }
            result.counts << TableCount{p.table, rows};
            if (p.added.contains(schema::typeColumn()))
                if (const QString error = schema::fillQuestionTypes(db); !error.isEmpty())
                    fail(
                        QStringLiteral("写入题库文件 %1 的表 %2 时出错：%3").arg(targetName, p.table, error));
        }
        if (result.error.isEmpty()) {
            QSqlQuery index(db);
            for (const QString& sql : indexes)
                if (result.error.isEmpty() && !index.exec(sql))
                    fail(QStringLiteral("无法写入题库文件 %1：%2").arg(targetName, index.lastError().text()));
        }
        if (result.error.isEmpty()) {
            if (!db.commit())
                fail(QStringLiteral("无法写入题库文件 %1：%2").arg(targetName, db.lastError().text()));
            else
                written = true;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!written) {
        result.counts.clear();
        return result;
    }
    if (!syncToDisk(guard.path)) {
        result.error = QStringLiteral("无法写入题库文件 %1：写入磁盘失败。").arg(targetName);
        result.counts.clear();
        return result;
    }
    // rename never replaces an existing file: a ks.db that appeared meanwhile is left alone.
    if (!QFile::rename(guard.path, dbPath)) {
        result.error = QFileInfo::exists(dbPath)
                           ? QStringLiteral("%1 已存在，导入不会覆盖它。").arg(targetName)
                           : QStringLiteral("无法把导入的题库命名为 %1。").arg(targetName);
        result.counts.clear();
        return result;
    }
    guard.path.clear();
    syncFolder(folder.absolutePath());
    if (progress)
        progress(total < 0 ? -1 : total, total);
    result.ok = true;
    return result;
}

std::unique_ptr<TableSource> openAccessFile(const QString& path, QString* error) {
    const QString name = QFileInfo(path).fileName();
    auto reader = std::make_unique<AccessReader>();
    switch (reader->open(path)) {
    case AccessReader::OpenResult::Ok:
        return reader;
    case AccessReader::OpenResult::Missing:
        if (error)
            *error = QStringLiteral("找不到文件 %1。").arg(name);
        return nullptr;
    case AccessReader::OpenResult::NotAccess:
        if (error)
            *error = QStringLiteral("%1 不是可读取的 Access 数据库文件（Jet 3 / Jet 4），无法从中导入题库。")
                         .arg(name);
        return nullptr;
    }
    return nullptr;
}

ImportResult importFile(const QString& path, const QString& dbPath, const Progress& progress,
                        const SourceOpener& opener) {
    ImportResult result;
    std::unique_ptr<TableSource> source =
        opener ? opener(path, &result.error) : openAccessFile(path, &result.error);
    if (!source) {
        if (result.error.isEmpty())
            result.error = QStringLiteral("无法读取 %1。").arg(QFileInfo(path).fileName());
        return result;
    }
    return importBank(*source, dbPath, QFileInfo(path).fileName(), progress);
}

} // namespace bankimport
