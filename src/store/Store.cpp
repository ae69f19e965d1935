#include "store/Store.h"
#include "store/Schema.h"

#include <QAtomicInt>
#include <QFileInfo>
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
}

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

Store::OpenResult Store::open(const QString& path) {
    m_path = path;
    m_open = false;
    dropPrepared();
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile()) {
        m_lastError = QStringLiteral("找不到题库文件");
        return OpenResult::Missing;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase("QSQLITE", m_connection);
    db.close();
    // mode=rw: an existing file only, never a new empty one.
    db.setDatabaseName(QStringLiteral("file:%1?mode=rw")
                           .arg(QString::fromLatin1(QUrl::toPercentEncoding(fi.absoluteFilePath(), "/"))));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    // SQLITE_CORRUPT and SQLITE_NOTADB name a damaged file; other failures (cannot open, I/O)
    // lie outside it.
    auto failure = [](const QSqlError& e) {
        const int code = e.nativeErrorCode().toInt() & 0xFF;
        return code == 11 || code == 26 ? OpenResult::NotADatabase : OpenResult::Unreadable;
    };
    if (!db.open()) {
        m_lastError = db.lastError().text();
        return failure(db.lastError());
    }
    QSqlQuery q(db);
    // A file that is not a database fails on its first read.
    if (!q.exec("select count(*) from sqlite_master") || !q.next()) {
        m_lastError = q.lastError().text();
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
    // Every answer is on disk the moment its statement returns.
    q.exec("pragma journal_mode=wal");
    q.exec("pragma synchronous=full");
    m_open = true;
    return OpenResult::Ok;
}

QSqlQuery* Store::run(Sql id, const Params& params) {
    if (!m_open) {
        m_lastError = QStringLiteral("题库没有打开");
        return nullptr;
    }
    std::unique_ptr<QSqlQuery>& q = m_prepared[id];
    if (!q) {
        q = std::make_unique<QSqlQuery>(QSqlDatabase::database(m_connection, false));
        q->setForwardOnly(true);
        if (!q->prepare(statementText(id))) {
            m_lastError = q->lastError().text();
            q.reset();
            return nullptr;
        }
    }
    for (const auto& [name, value] : params)
        q->bindValue(QLatin1Char(':') + name, value);
    if (!q->exec()) {
        m_lastError = q->lastError().text();
        q->finish();
        return nullptr;
    }
    return q.get();
}

void Store::dropPrepared() {
    m_prepared.clear();
}

RecordSet Store::query(Sql id, const Params& params) {
    QSqlQuery* q = run(id, params);
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
    QSqlQuery* q = run(id, params);
    if (!q)
        return false;
    q->finish();
    return true;
}

bool Store::appendRow(const QString& table, const Params& fields) {
    if (!m_open) {
        m_lastError = QStringLiteral("题库没有打开");
        return false;
    }
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
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.prepare(QStringLiteral("insert into \"%1\" (%2) values (%3)")
                       .arg(table, names.join(','), marks.join(',')))) {
        m_lastError = q.lastError().text();
        return false;
    }
    for (int i = 0; i < fields.size(); ++i)
        q.bindValue(i, fields[i].second);
    if (!q.exec()) {
        m_lastError = q.lastError().text();
        return false;
    }
    return true;
}

bool Store::begin() {
    if (!m_open) {
        m_lastError = QStringLiteral("题库没有打开");
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        m_lastError = db.lastError().text();
        return false;
    }
    return true;
}

bool Store::commit() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.commit()) {
        m_lastError = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

void Store::rollback() {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
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
