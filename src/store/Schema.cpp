#include "store/Schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

struct ColumnDef {
    const char* table;
    const char* column;
    const char* type; // as the program creates it
    bool number;
};

// Text columns compare without regard to case, as the banks always have.
const ColumnDef kColumns[] = {
    {"试卷", "code", "text collate nocase", false},
    {"试卷", "name", "text collate nocase", false},
    {"试卷", "chouti", "numeric", true},
    {"试卷", "paixu", "numeric", true},
    {"试卷", "kstime", "numeric", true},
    {"题库", "code", "text collate nocase", false},
    {"题库", "tihao", "integer", true},
    {"题库", "question", "text collate nocase", false},
    {"题库", "pic", "text collate nocase", false},
    {"题库", "authority", "text collate nocase", false},
    {"题库", "practice", "text collate nocase default ''", false},
    {"题库", "jiexi", "text collate nocase", false},
    {"题库", "score", "numeric", true},
    {"评分", "code", "text collate nocase", false},
    {"评分", "tihao", "integer", true},
    {"评分", "answer", "text collate nocase", false},
    {"评分", "student", "text collate nocase", false},
    {"评分", "xingming", "text collate nocase", false},
    {"评分", "state", "text collate nocase", false},
    // The practice history: one row per practice save. `correct` is 1 when the answer matched the
    // standard answer at the time, 0 when not; `answered` is the local time as
    // "yyyy-MM-dd HH:mm:ss", which sorts and compares as text.
    {"练习记录", "code", "text collate nocase", false},
    {"练习记录", "tihao", "integer", true},
    {"练习记录", "answer", "text collate nocase", false},
    {"练习记录", "correct", "integer", true},
    {"练习记录", "answered", "text", false},
    // Where each answered question of a paper stands in the review schedule, as its history gives
    // it: kept up to date by every practice save, rebuilt from the history when the history
    // changes otherwise. `due` is a Julian day number, null while the question was never wrong.
    {"复习计划", "code", "text collate nocase", false},
    {"复习计划", "tihao", "integer", true},
    {"复习计划", "box", "integer", true},
    {"复习计划", "due", "integer", true},
    {"复习计划", "answers", "integer", true},
    {"复习计划", "wrong", "integer", true},
};

const char* kIndexes[] = {
    "create index if not exists 试卷_code on 试卷 (code)",
    "create index if not exists 题库_code_tihao on 题库 (code, tihao)",
    "create index if not exists 评分_key on 评分 (code, student, state, tihao)",
};

// The indexes of the tables a bank may lack.
const char* kAddedIndexes[] = {
    "create index if not exists 练习记录_key on 练习记录 (code, tihao, answered)",
    "create index if not exists 练习记录_time on 练习记录 (code, answered)",
    "create unique index if not exists 复习计划_key on 复习计划 (code, tihao)",
    "create index if not exists 复习计划_due on 复习计划 (code, due, box, tihao)",
};

QString createTable(QSqlQuery& q, const QString& table) {
    QStringList defs;
    for (const ColumnDef& d : kColumns)
        if (table == QString::fromUtf8(d.table))
            defs << QString::fromUtf8(d.column) + QLatin1Char(' ') + QString::fromUtf8(d.type);
    if (!q.exec(QStringLiteral("create table %1 (%2)").arg(table, defs.join(QStringLiteral(", ")))))
        return q.lastError().text();
    return {};
}

const ColumnDef* defOf(const QString& table, const QString& column) {
    for (const ColumnDef& d : kColumns)
        if (table == QString::fromUtf8(d.table) &&
            column.compare(QLatin1String(d.column), Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

QString quoted(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// SQLite's rules for the affinity of a declared type.
enum class Affinity { Integer, Text, Blob, Real, Numeric };
Affinity affinityOf(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return Affinity::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (t.contains(QLatin1String("BLOB")) || t.trimmed().isEmpty())
        return Affinity::Blob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

bool fits(const ColumnDef& def, const QString& declared) {
    const Affinity a = affinityOf(declared);
    return def.number ? (a == Affinity::Integer || a == Affinity::Real || a == Affinity::Numeric)
                      : a == Affinity::Text;
}

// The bank's spelling of one of the program's tables; empty when it has none.
QString tableName(QSqlDatabase& db, const QString& table) {
    for (const QString& t : db.tables())
        if (t.compare(table, Qt::CaseInsensitive) == 0)
            return t;
    return {};
}

struct SourceColumn {
    QString name;
    QString type;
    bool notNull = false;
    QString defaultValue; // as SQL text
    int primaryKey = 0;   // position in the primary key, 0 when not part of it
};

QList<SourceColumn> tableInfo(QSqlDatabase& db, const QString& table) {
    QList<SourceColumn> out;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("pragma table_info(%1)").arg(quoted(table))))
        return out;
    while (q.next())
        out << SourceColumn{q.value(1).toString(), q.value(2).toString(), q.value(3).toInt() != 0,
                            q.value(4).isNull() ? QString() : q.value(4).toString(), q.value(5).toInt()};
    return out;
}

// Rebuilds one table inside the caller's transaction.
QString rebuild(QSqlDatabase& db, const QString& program, const QString& table) {
    QSqlQuery q(db);
    auto run = [&](const QString& sql) {
        if (q.exec(sql))
            return QString();
        return q.lastError().text();
    };
    const QList<SourceColumn> columns = tableInfo(db, table);
    QStringList keep; // indexes and triggers, dropped with the table
    QString createSql;
    q.prepare(QStringLiteral("select type, sql from sqlite_master where tbl_name = ? and sql is not null"));
    q.addBindValue(table);
    if (!q.exec())
        return q.lastError().text();
    while (q.next()) {
        if (q.value(0).toString() == QLatin1String("table"))
            createSql = q.value(1).toString();
        else
            keep << q.value(1).toString();
    }
    q.finish();
    const bool withoutRowid = createSql.contains(QLatin1String("without rowid"), Qt::CaseInsensitive);

    QStringList defs, names, keyColumns;
    for (const SourceColumn& c : columns)
        if (c.primaryKey > 0)
            keyColumns << c.name;
    bool rowidAlias = false;
    for (const SourceColumn& c : columns) {
        QString def = quoted(c.name) + QLatin1Char(' ');
        if (const ColumnDef* d = defOf(program, c.name)) {
            // "integer primary key" would make the column the rowid.
            const bool key = keyColumns.size() == 1 && c.primaryKey > 0;
            def += key && QLatin1String(d->type) == QLatin1String("integer") ? QStringLiteral("int")
                                                                             : QString::fromUtf8(d->type);
        } else {
            def += c.type;
            if (c.notNull)
                def += QStringLiteral(" not null");
            if (!c.defaultValue.isEmpty())
                def += QStringLiteral(" default ") + c.defaultValue;
        }
        if (keyColumns.size() == 1 && c.primaryKey > 0) {
            def += QStringLiteral(" primary key");
            rowidAlias = !withoutRowid && c.type.compare(QLatin1String("integer"), Qt::CaseInsensitive) == 0;
        }
        defs << def;
        names << quoted(c.name);
    }
    if (keyColumns.size() > 1) {
        QStringList k;
        for (const QString& c : keyColumns)
            k << quoted(c);
        defs << QStringLiteral("primary key (%1)").arg(k.join(QStringLiteral(", ")));
    }
    const QString fresh = table + QStringLiteral("__新类型");
    const QString list = names.join(QStringLiteral(", "));
    const QString rowid = withoutRowid || rowidAlias ? QString() : QStringLiteral("rowid, ");
    QString err = run(QStringLiteral("create table %1 (%2)%3")
                          .arg(quoted(fresh), defs.join(QStringLiteral(", ")),
                               withoutRowid ? QStringLiteral(" without rowid") : QString()));
    if (err.isEmpty())
        err = run(QStringLiteral("insert into %1 (%2%3) select %2%3 from %4")
                      .arg(quoted(fresh), rowid, list, quoted(table)));
    if (!err.isEmpty())
        return err;
    auto count = [&](const QString& t) {
        return q.exec(QStringLiteral("select count(*) from %1").arg(quoted(t))) && q.next()
                   ? q.value(0).toLongLong()
                   : -1;
    };
    const qint64 before = count(table), after = count(fresh);
    q.finish();
    if (before < 0 || before != after)
        return QStringLiteral("行数不一致");
    err = run(QStringLiteral("drop table %1").arg(quoted(table)));
    if (err.isEmpty())
        err = run(QStringLiteral("alter table %1 rename to %2").arg(quoted(fresh), quoted(table)));
    for (const QString& sql : keep)
        if (err.isEmpty())
            err = run(sql);
    return err;
}

} // namespace

namespace schema {

QString create(QSqlDatabase& db) {
    QSqlQuery q(db);
    for (const QString& table : tables() + addedTables())
        if (const QString err = createTable(q, table); !err.isEmpty())
            return err;
    for (const char* sql : kIndexes)
        if (!q.exec(QString::fromUtf8(sql)))
            return q.lastError().text();
    for (const char* sql : kAddedIndexes)
        if (!q.exec(QString::fromUtf8(sql)))
            return q.lastError().text();
    return {};
}

QString createBankFile(const QString& path) {
    static QAtomicInt connections;
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        return QStringLiteral("%1 已存在，不会覆盖它。").arg(target.fileName());
    // Built under another name and renamed, so a half-made bank never carries the bank's name.
    const QString tmp = target.absoluteDir().filePath(QStringLiteral(".%1.new").arg(target.fileName()));
    QFile::remove(tmp);
    const QString connection = QStringLiteral("schema-create-%1").arg(connections.fetchAndAddRelaxed(1));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(tmp);
        if (!db.open())
            error = db.lastError().text();
        else
            error = create(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (error.isEmpty() && !QFile::rename(tmp, path))
        error = QStringLiteral("无法命名为 %1").arg(target.fileName());
    if (!error.isEmpty()) {
        QFile::remove(tmp);
        QFile::remove(tmp + QStringLiteral("-journal"));
        return QStringLiteral("无法建立题库文件 %1：%2").arg(target.fileName(), error);
    }
    return {};
}

QStringList tables() {
    return {QStringLiteral("试卷"), QStringLiteral("题库"), QStringLiteral("评分")};
}

QStringList addedTables() {
    return {historyTable(), planTable()};
}

QString historyTable() {
    return QStringLiteral("练习记录");
}

QString planTable() {
    return QStringLiteral("复习计划");
}

QString addMissingTables(QSqlDatabase& db, QStringList* added) {
    QStringList lacking;
    for (const QString& t : addedTables())
        if (tableName(db, t).isEmpty())
            lacking << t;
    if (added)
        *added = lacking;
    if (lacking.isEmpty())
        return {};
    QSqlQuery q(db);
    QString err;
    if (!q.exec(QStringLiteral("begin immediate")))
        err = q.lastError().text();
    for (const QString& t : lacking)
        if (err.isEmpty())
            err = createTable(q, t);
    for (const char* sql : kAddedIndexes)
        if (err.isEmpty() && !q.exec(QString::fromUtf8(sql)))
            err = q.lastError().text();
    if (err.isEmpty() && !q.exec(QStringLiteral("commit")))
        err = q.lastError().text();
    if (!err.isEmpty()) {
        q.exec(QStringLiteral("rollback"));
        if (added)
            added->clear();
    }
    return err;
}

bool hasTable(QSqlDatabase& db, const QString& table) {
    return !tableName(db, table).isEmpty();
}

QStringList columns(const QString& table) {
    QStringList out;
    for (const ColumnDef& d : kColumns)
        if (table == QString::fromUtf8(d.table))
            out << QString::fromUtf8(d.column);
    return out;
}

QStringList missing(QSqlDatabase& db) {
    QStringList out;
    for (const QString& t : tables()) {
        const QString present = tableName(db, t);
        if (present.isEmpty()) {
            out << t;
            continue;
        }
        const QSqlRecord rec = db.record(present);
        for (const QString& c : columns(t))
            if (rec.indexOf(c) < 0)
                out << t + "." + c;
    }
    return out;
}

QStringList mistyped(QSqlDatabase& db) {
    QStringList out;
    for (const QString& t : tables()) {
        const QString present = tableName(db, t);
        if (present.isEmpty())
            continue;
        for (const SourceColumn& c : tableInfo(db, present))
            if (const ColumnDef* d = defOf(t, c.name); d && !fits(*d, c.type))
                out << t + QLatin1Char('.') + QString::fromUtf8(d->column);
    }
    return out;
}

QString retype(QSqlDatabase& db) {
    const QStringList wrong = mistyped(db);
    if (wrong.isEmpty())
        return {};
    QSqlQuery q(db);
    // The old table is dropped before the new one takes its name: views and triggers that name it
    // must not stop the rename.
    q.exec(QStringLiteral("pragma legacy_alter_table=on"));
    QString err;
    if (!q.exec(QStringLiteral("begin immediate")))
        err = q.lastError().text();
    for (const QString& t : tables()) {
        if (!err.isEmpty())
            break;
        bool needed = false;
        for (const QString& w : wrong)
            needed = needed || w.startsWith(t + QLatin1Char('.'));
        if (needed)
            err = rebuild(db, t, tableName(db, t));
    }
    if (err.isEmpty())
        for (const char* sql : kIndexes)
            if (err.isEmpty() && !q.exec(QString::fromUtf8(sql)))
                err = q.lastError().text();
    if (err.isEmpty() && !q.exec(QStringLiteral("commit")))
        err = q.lastError().text();
    if (!err.isEmpty())
        q.exec(QStringLiteral("rollback"));
    q.exec(QStringLiteral("pragma legacy_alter_table=off"));
    return err;
}

} // namespace schema
