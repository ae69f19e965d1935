#include "store/Schema.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

struct ColumnDef {
    const char* table;
    const char* column;
    const char* type;         // as the program creates it in a bank file
    const char* postgresType; // as it creates it on a PostgreSQL server
    bool number;
};

// Text columns compare without regard to case, as the banks always have: COLLATE NOCASE in a bank
// file, citext on a server. Numbers stay numbers on both.
const ColumnDef kColumns[] = {
    {"试卷", "code", "text collate nocase", "citext", false},
    {"试卷", "name", "text collate nocase", "citext", false},
    {"试卷", "chouti", "numeric", "numeric", true},
    {"试卷", "paixu", "numeric", "numeric", true},
    {"试卷", "kstime", "numeric", "numeric", true},
    {"题库", "code", "text collate nocase", "citext", false},
    {"题库", "tihao", "integer", "bigint", true},
    {"题库", "question", "text collate nocase", "citext", false},
    {"题库", "pic", "text collate nocase", "citext", false},
    {"题库", "authority", "text collate nocase", "citext", false},
    {"题库", "practice", "text collate nocase default ''", "citext default ''", false},
    {"题库", "jiexi", "text collate nocase", "citext", false},
    {"题库", "score", "numeric", "numeric", true},
    // The question's type: "单选", "多选", "判断", "不定项", or empty for the type its standard answer
    // implies. Banks made before the program kept it get it on first open (addTypeColumn).
    {"题库", "tixing", "text collate nocase default ''", "citext default ''", false},
    {"评分", "code", "text collate nocase", "citext", false},
    {"评分", "tihao", "integer", "bigint", true},
    {"评分", "answer", "text collate nocase", "citext", false},
    {"评分", "student", "text collate nocase", "citext", false},
    {"评分", "xingming", "text collate nocase", "citext", false},
    {"评分", "state", "text collate nocase", "citext", false},
    // The practice history: one row per practice save. `correct` is 1 when the answer matched the
    // standard answer at the time, 0 when not; `answered` is the local time as
    // "yyyy-MM-dd HH:mm:ss", which sorts and compares as text.
    {"练习记录", "code", "text collate nocase", "citext", false},
    {"练习记录", "tihao", "integer", "bigint", true},
    {"练习记录", "answer", "text collate nocase", "citext", false},
    {"练习记录", "correct", "integer", "integer", true},
    {"练习记录", "answered", "text", "text", false},
    // Where each answered question of a paper stands in the review schedule, as its history gives
    // it: kept up to date by every practice save, rebuilt from the history when the history
    // changes otherwise. `due` is a Julian day number, null while the question was never wrong.
    {"复习计划", "code", "text collate nocase", "citext", false},
    {"复习计划", "tihao", "integer", "bigint", true},
    {"复习计划", "box", "integer", "integer", true},
    {"复习计划", "due", "integer", "bigint", true},
    {"复习计划", "answers", "integer", "integer", true},
    {"复习计划", "wrong", "integer", "integer", true},
    // How a paper marks each question type: one row per paper and type whose rule is not plain
    // 全对得分 (no row: 全对得分, so banks made before it mark as they always have). guize is the rule,
    // fenzhi the amount per option ticked (少选得分) or taken off (答错扣分), anbili 1 for 按比例,
    // baodi 1 when the type's section total is floored at zero. The checks keep rows the marking
    // can read, whatever program writes them.
    {"评分规则", "code", "text collate nocase", "citext", false},
    {"评分规则", "tixing",
     "text collate nocase check (tixing in ('单选', '多选', '判断', '不定项'))",
     "citext check (tixing in ('单选', '多选', '判断', '不定项'))", false},
    {"评分规则", "guize", "text collate nocase check (guize in ('全对得分', '少选得分', '答错扣分'))",
     "citext check (guize in ('全对得分', '少选得分', '答错扣分'))", false},
    {"评分规则", "fenzhi", "numeric check (fenzhi >= 0 and fenzhi <= 1000)",
     "numeric check (fenzhi >= 0 and fenzhi <= 1000)", true},
    {"评分规则", "anbili", "integer default 0 check (anbili in (0, 1))",
     "integer default 0 check (anbili in (0, 1))", true},
    {"评分规则", "baodi", "integer default 0 check (baodi in (0, 1))",
     "integer default 0 check (baodi in (0, 1))", true},
};

// A bank file keeps a plain index on the answers' key: banks made before every program wrote
// through the unique one may hold a key twice (see makeAnswerKeyUnique).
const char* kIndexes[] = {
    "create index if not exists 试卷_code on 试卷 (code)",
    "create index if not exists 题库_code_tihao on 题库 (code, tihao)",
    "create index if not exists 评分_key on 评分 (code, student, state, tihao)",
};

// The indexes of the tables a bank may lack: the same on a server.
const char* kAddedIndexes[] = {
    "create index if not exists 练习记录_key on 练习记录 (code, tihao, answered)",
    "create index if not exists 练习记录_time on 练习记录 (code, answered)",
    "create unique index if not exists 复习计划_key on 复习计划 (code, tihao)",
    "create index if not exists 复习计划_due on 复习计划 (code, due, box, tihao)",
    "create unique index if not exists 评分规则_key on 评分规则 (code, tixing)",
};

// One answer per paper, question, candidate and sitting: the key the saves write through.
const char* kUniqueAnswerKey =
    "create unique index if not exists 评分_唯一 on 评分 (code, student, state, tihao)";

const char* kPostgresIndexes[] = {
    "create index 试卷_code on 试卷 (code)",
    "create index 题库_code_tihao on 题库 (code, tihao)",
    "create unique index 评分_唯一 on 评分 (code, student, state, tihao)",
};

// The sittings being sat right now, one row per paper, candidate and sitting, held by the program
// that sits it (owner) on a computer (host). heartbeat: seconds since 1970 by the store's clock
// of the program's last sign of life.
const char* kClaimTable =
    "create table if not exists 在考 (code text collate nocase, student text collate nocase, "
    "state text collate nocase, owner text, host text, started integer, "
    "heartbeat integer, primary key (code, student, state))";
const char* kPostgresClaimTable =
    "create table 在考 (code citext, student citext, state citext, owner text, "
    "host text, started bigint, heartbeat bigint, primary key (code, student, state))";

// One table of the program's own. A server table names its rows with a column of its own; a bank
// file has its rowid.
QString createTable(QSqlQuery& q, const QString& table, Dialect dialect) {
    const bool server = dialect == Dialect::Postgres;
    QStringList defs;
    if (server)
        defs << QStringLiteral("rowid bigint generated by default as identity primary key");
    for (const ColumnDef& d : kColumns)
        if (table == QString::fromUtf8(d.table))
            defs << QString::fromUtf8(d.column) + QLatin1Char(' ') +
                        QString::fromUtf8(server ? d.postgresType : d.type);
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

// What a CatalogSnapshot keeps of one connection.
struct Catalog {
    bool listed = false;
    QStringList tables;
    QHash<QString, QSqlRecord> records;
};
thread_local QHash<QString, Catalog>* t_snapshot = nullptr;

QStringList tablesOf(QSqlDatabase& db) {
    if (!t_snapshot)
        return db.tables();
    Catalog& c = (*t_snapshot)[db.connectionName()];
    if (!c.listed) {
        c.tables = db.tables();
        c.listed = true;
    }
    return c.tables;
}

QSqlRecord recordOf(QSqlDatabase& db, const QString& table) {
    if (!t_snapshot)
        return db.record(table);
    Catalog& c = (*t_snapshot)[db.connectionName()];
    auto it = c.records.constFind(table);
    if (it == c.records.constEnd())
        it = c.records.insert(table, db.record(table));
    return *it;
}

// After a change to the tables: the next check reads them again.
void forgetCatalog(QSqlDatabase& db) {
    if (t_snapshot)
        t_snapshot->remove(db.connectionName());
}

// Put first in a function that changes tables: whatever way it returns, what was read is dropped.
struct ForgetCatalogAfter {
    QSqlDatabase& db;
    ~ForgetCatalogAfter() { forgetCatalog(db); }
};

// The bank's spelling of one of the program's tables; empty when it has none.
QString tableName(QSqlDatabase& db, const QString& table) {
    for (const QString& t : tablesOf(db))
        if (t.compare(table, Qt::CaseInsensitive) == 0)
            return t;
    return {};
}

bool hasIndex(QSqlDatabase& db, const QString& name) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("select count(*) from sqlite_master where type='index' and name=?"));
    q.addBindValue(name);
    return q.exec() && q.next() && q.value(0).toInt() > 0;
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

QString createTables(QSqlDatabase& db, Dialect dialect) {
    const ForgetCatalogAfter changes{db};
    QSqlQuery q(db);
    const bool server = dialect == Dialect::Postgres;
    if (server && !q.exec(QStringLiteral("create extension if not exists citext")))
        return QStringLiteral("无法启用 citext 扩展（需要在这个数据库中建立对象的权限）：%1")
            .arg(q.lastError().text());
    for (const QString& table : tables() + addedTables())
        if (const QString err = createTable(q, table, dialect); !err.isEmpty())
            return err;
    // A bank file gets the claim table with its first exam (ensureClaimTable): files stay as they
    // have always been made.
    if (server && !q.exec(QString::fromUtf8(kPostgresClaimTable)))
        return q.lastError().text();
    return {};
}

QString createIndexes(QSqlDatabase& db, Dialect dialect) {
    QSqlQuery q(db);
    for (const char* sql : kAddedIndexes)
        if (!q.exec(QString::fromUtf8(sql)))
            return q.lastError().text();
    if (dialect == Dialect::Postgres) {
        for (const char* sql : kPostgresIndexes)
            if (!q.exec(QString::fromUtf8(sql)))
                return q.lastError().text();
        return {};
    }
    for (const char* sql : kIndexes)
        if (!q.exec(QString::fromUtf8(sql)))
            return q.lastError().text();
    for (const char* sql : kAddedIndexes)
        if (!q.exec(QString::fromUtf8(sql)))
            return q.lastError().text();
    return {};
}

QString create(QSqlDatabase& db, Dialect dialect) {
    QString error = createTables(db, dialect);
    if (error.isEmpty())
        error = createIndexes(db, dialect);
    return error;
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
    return {historyTable(), planTable(), rulesTable()};
}

QString rulesTable() {
    return QStringLiteral("评分规则");
}

QString historyTable() {
    return QStringLiteral("练习记录");
}

QString planTable() {
    return QStringLiteral("复习计划");
}

QString addMissingTables(QSqlDatabase& db, Dialect dialect, QStringList* added) {
    QStringList lacking;
    for (const QString& t : addedTables())
        if (tableName(db, t).isEmpty())
            lacking << t;
    if (added)
        *added = lacking;
    if (lacking.isEmpty())
        return {};
    const ForgetCatalogAfter changes{db};
    QSqlQuery q(db);
    QString err;
    if (!q.exec(dialect == Dialect::Postgres ? QStringLiteral("begin") : QStringLiteral("begin immediate")))
        err = q.lastError().text();
    for (const QString& t : lacking)
        if (err.isEmpty())
            err = createTable(q, t, dialect);
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

QString claimTable() {
    return QStringLiteral("在考");
}

QStringList present(QSqlDatabase& db) {
    QStringList out;
    const QStringList all = tables() << claimTable();
    for (const QString& t : all)
        if (!tableName(db, t).isEmpty())
            out << t;
    return out;
}

QString ensureClaimTable(QSqlDatabase& db) {
    if (!tableName(db, claimTable()).isEmpty())
        return {};
    const ForgetCatalogAfter changes{db};
    QSqlQuery q(db);
    return q.exec(QString::fromUtf8(kClaimTable)) ? QString() : q.lastError().text();
}

bool hasUniqueAnswerKey(QSqlDatabase& db) {
    return hasIndex(db, QStringLiteral("评分_唯一"));
}

AnswerKey makeAnswerKeyUnique(QSqlDatabase& db) {
    AnswerKey key;
    if (hasIndex(db, QStringLiteral("评分_唯一"))) {
        key.unique = true;
        return key;
    }
    QSqlQuery q(db);
    auto scalar = [&](const QString& sql) { return q.exec(sql) && q.next() ? q.value(0).toLongLong() : -1; };
    const QString groups =
        QStringLiteral("select 1 from 评分 group by code, student, state, tihao having count(*) > 1");
    // Rows that are copies of another in every column: the answer card lists and marks each copy.
    const qint64 copies = scalar(
        QStringLiteral("select count(*) - (select count(*) from (select distinct code collate binary, tihao, "
                       "answer collate binary, student collate binary, xingming collate binary, "
                       "state collate binary from 评分)) from 评分"));
    const qint64 keys = scalar(QStringLiteral("select count(*) from (%1)").arg(groups));
    q.finish();
    if (copies < 0 || keys < 0) {
        key.error = q.lastError().text();
        return key;
    }
    QString err;
    auto run = [&](const QString& sql) {
        if (err.isEmpty() && !q.exec(sql))
            err = q.lastError().text();
    };
    run(QStringLiteral("begin immediate"));
    if (copies > 0)
        // Keeps the first of each set of copies.
        run(QStringLiteral("delete from 评分 where rowid not in (select min(rowid) from 评分 group by "
                           "code collate binary, tihao, answer collate binary, student collate binary, "
                           "xingming collate binary, "
                           "state collate binary)"));
    const qint64 left = copies > 0 ? scalar(QStringLiteral("select count(*) from (%1)").arg(groups)) : keys;
    if (left == 0) {
        run(QString::fromUtf8(kUniqueAnswerKey));
        run(QStringLiteral("drop index if exists 评分_key"));
    }
    run(QStringLiteral("commit"));
    if (!err.isEmpty()) {
        q.exec(QStringLiteral("rollback"));
        key.error = err;
        return key;
    }
    key.removedCopies = copies;
    key.unique = left == 0;
    key.conflictingKeys = qMax<qint64>(left, 0);
    return key;
}

QStringList columns(const QString& table) {
    QStringList out;
    for (const ColumnDef& d : kColumns)
        if (table == QString::fromUtf8(d.table))
            out << QString::fromUtf8(d.column);
    return out;
}

bool isNumber(const QString& table, const QString& column) {
    const ColumnDef* d = defOf(table, column);
    return d && d->number;
}

QStringList missing(QSqlDatabase& db) {
    QStringList out;
    for (const QString& t : tables()) {
        const QString present = tableName(db, t);
        if (present.isEmpty()) {
            out << t;
            continue;
        }
        const QSqlRecord rec = recordOf(db, present);
        for (const QString& c : columns(t))
            if (rec.indexOf(c) < 0 && !isAddedColumn(t, c))
                out << t + "." + c;
    }
    return out;
}

bool isAddedColumn(const QString& table, const QString& column) {
    return table == tables().at(1) && column == typeColumn();
}

CatalogSnapshot::CatalogSnapshot() {
    if (!t_snapshot) {
        t_snapshot = new QHash<QString, Catalog>;
        m_outermost = true;
    }
}

CatalogSnapshot::~CatalogSnapshot() {
    if (m_outermost) {
        delete t_snapshot;
        t_snapshot = nullptr;
    }
}

bool hasColumn(QSqlDatabase& db, const QString& table, const QString& column) {
    const QString present = tableName(db, table);
    return !present.isEmpty() && recordOf(db, present).indexOf(column) >= 0;
}

QString typeColumn() {
    return QStringLiteral("tixing");
}

QString fillQuestionTypes(QSqlDatabase& db, Dialect dialect) {
    // The standard answer as the answer rules store it: blanks (full-width too) out, upper case.
    const QString bare = dialect == Dialect::Postgres
                             ? QStringLiteral("upper(replace(replace(authority::text, ' ', ''), '　', ''))")
                             : QStringLiteral("upper(replace(replace(authority, ' ', ''), '　', ''))");
    const QString one = dialect == Dialect::Postgres ? QStringLiteral("%1 ~ '^[A-G]$'").arg(bare)
                                                     : QStringLiteral("%1 glob '[A-G]'").arg(bare);
    const QString several = dialect == Dialect::Postgres
                                ? QStringLiteral("%1 ~ '^[A-G][A-G]+$'").arg(bare)
                                : QStringLiteral("length(%1) > 1 and %1 not glob '*[^A-G]*'").arg(bare);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral(
                    "update 题库 set tixing = case when %1 in ('对', '错') then '判断' "
                    "when %2 then '单选' when %3 then '多选' else '' end where coalesce(tixing, '') = ''")
                    .arg(bare, one, several)))
        return q.lastError().text();
    return {};
}

QString addTypeColumn(QSqlDatabase& db, Dialect dialect, bool* added) {
    if (added)
        *added = false;
    if (hasColumn(db, tables().at(1), typeColumn()))
        return {};
    const ForgetCatalogAfter changes{db};
    QSqlQuery q(db);
    QString err;
    if (!q.exec(dialect == Dialect::Postgres ? QStringLiteral("begin") : QStringLiteral("begin immediate")))
        err = q.lastError().text();
    // Another program may have added it while this one waited for the bank.
    forgetCatalog(db);
    const bool lacking = err.isEmpty() && !hasColumn(db, tables().at(1), typeColumn());
    if (err.isEmpty() && lacking) {
        const ColumnDef* d = defOf(tables().at(1), typeColumn());
        if (!q.exec(QStringLiteral("alter table 题库 add column tixing %1")
                        .arg(QString::fromUtf8(dialect == Dialect::Postgres ? d->postgresType : d->type))))
            err = q.lastError().text();
        if (err.isEmpty())
            err = fillQuestionTypes(db, dialect);
    }
    if (err.isEmpty() && !q.exec(QStringLiteral("commit")))
        err = q.lastError().text();
    if (!err.isEmpty()) {
        q.exec(QStringLiteral("rollback"));
        return err;
    }
    if (added)
        *added = lacking;
    return {};
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
    const ForgetCatalogAfter changes{db};
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
    // The indexes of the table, and the key's unique index in place of the plain one when the
    // bank had it, came back with the table: the plain ones are added only where they are missing.
    if (err.isEmpty())
        for (const char* sql : kIndexes)
            if (err.isEmpty() &&
                !(QString::fromUtf8(sql).contains(QLatin1String("评分_key")) &&
                  hasIndex(db, QStringLiteral("评分_唯一"))) &&
                !q.exec(QString::fromUtf8(sql)))
                err = q.lastError().text();
    if (err.isEmpty() && !q.exec(QStringLiteral("commit")))
        err = q.lastError().text();
    if (!err.isEmpty())
        q.exec(QStringLiteral("rollback"));
    q.exec(QStringLiteral("pragma legacy_alter_table=off"));
    return err;
}

} // namespace schema
