#include "access/AccessReader.h"

// glib first: mdbtools.h includes it inside its extern "C" block.
#include <glib.h>
#include <mdbtools.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

struct AccessReader::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle() {
        if (mdb)
            mdb_close(mdb);
    }
};

namespace {

// Jet files begin with 00 01 00 00 and a format name at offset 4.
bool hasAccessSignature(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(20);
    if (head.size() < 20 || head[0] != 0 || head[1] != 1 || head[2] != 0 || head[3] != 0)
        return false;
    const QByteArray name = head.mid(4, 15);
    return name == "Standard Jet DB" || name == "Standard ACE DB";
}

const char* jet3Charset(int codePage) {
    switch (codePage) {
    case 874:
        return "WINDOWS-874";
    case 932:
        return "SHIFT-JIS";
    case 936:
        return "WINDOWS-936";
    case 950:
        return "BIG-5";
    case 1250:
        return "WINDOWS-1250";
    case 1251:
        return "WINDOWS-1251";
    case 1253:
        return "WINDOWS-1253";
    case 1254:
        return "WINDOWS-1254";
    case 1255:
        return "WINDOWS-1255";
    case 1256:
        return "WINDOWS-1256";
    case 1257:
        return "WINDOWS-1257";
    case 1258:
        return "WINDOWS-1258";
    default:
        return "WINDOWS-1252";
    }
}

// libmdb converts text to the charset named in MDBICONV (UTF-8 when unset). The program wants
// UTF-8 whatever the environment says, so a different target is replaced after opening.
void makeTextUtf8(MdbHandle* mdb) {
    const char* target = std::getenv("MDBICONV");
    if (!target || !*target || g_ascii_strcasecmp(target, "UTF-8") == 0 ||
        g_ascii_strcasecmp(target, "UTF8") == 0)
        return;
    const char* from = "UCS-2LE";
    if (mdb->f->jet_version == MDB_VER_JET3) {
        const char* env = std::getenv("MDB_JET3_CHARSET");
        from = env && *env ? env : jet3Charset(mdb->f->code_page);
    }
    iconv_t in = iconv_open("UTF-8", from);
    iconv_t out = iconv_open(from, "UTF-8");
    if (in == iconv_t(-1) || out == iconv_t(-1)) {
        if (in != iconv_t(-1))
            iconv_close(in);
        if (out != iconv_t(-1))
            iconv_close(out);
        return;
    }
    mdb_iconv_close(mdb);
    mdb->iconv_in = in;
    mdb->iconv_out = out;
}

ValueKind kindOf(int type) {
    switch (type) {
    case MDB_BOOL:
        return ValueKind::Boolean;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return ValueKind::Integer;
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return ValueKind::Real;
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID:
        return ValueKind::Text;
    case MDB_DATETIME:
        return ValueKind::DateTime;
    case MDB_BINARY:
        return ValueKind::Binary;
    default:
        return ValueKind::Unsupported;
    }
}

QString typeName(int type) {
    switch (type) {
    case MDB_BOOL:
        return QStringLiteral("Boolean");
    case MDB_BYTE:
        return QStringLiteral("Byte");
    case MDB_INT:
        return QStringLiteral("Integer");
    case MDB_LONGINT:
        return QStringLiteral("Long Integer");
    case MDB_MONEY:
        return QStringLiteral("Currency");
    case MDB_FLOAT:
        return QStringLiteral("Single");
    case MDB_DOUBLE:
        return QStringLiteral("Double");
    case MDB_DATETIME:
        return QStringLiteral("DateTime");
    case MDB_BINARY:
        return QStringLiteral("Binary");
    case MDB_TEXT:
        return QStringLiteral("Text");
    case MDB_OLE:
        return QStringLiteral("OLE");
    case MDB_MEMO:
        return QStringLiteral("Memo/Hyperlink");
    case MDB_REPID:
        return QStringLiteral("Replication ID");
    case MDB_NUMERIC:
        return QStringLiteral("Numeric");
    case MDB_COMPLEX:
        return QStringLiteral("Complex");
    default:
        return QStringLiteral("Type %1").arg(type);
    }
}

// A Single keeps the digits it was typed with: 0.1 reads as 0.1, not 0.100000001490116.
double widen(float f) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, f);
    double d = f;
    std::from_chars(buf, r.ptr, d);
    return d;
}

// Days since 1899-12-30; the fraction is the time of day (taken unsigned before that date).
QDateTime fromSerial(double serial) {
    if (!std::isfinite(serial) || serial < -657434.0 || serial >= 2958466.0)
        return {};
    double days = std::trunc(serial);
    qint64 ms = std::llround(std::fabs(serial - days) * 86400000.0);
    if (ms >= 86400000) {
        ms = 0;
        days += 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(qint64(days));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)), Qt::UTC);
}

// Frees a string libmdb allocated.
struct LibString {
    char* s;
    ~LibString() { g_free(s); }
};

} // namespace

AccessReader::AccessReader() = default;

AccessReader::~AccessReader() {
    close();
}

void AccessReader::close() {
    m_handle.reset();
    m_format = Format::Unknown;
    m_tables.clear();
    m_columns.clear();
    m_rowCounts.clear();
}

bool AccessReader::isOpen() const {
    return m_handle != nullptr;
}

QString AccessReader::formatName() const {
    switch (m_format) {
    case Format::Jet3:
        return QStringLiteral("Jet 3");
    case Format::Jet4:
        return QStringLiteral("Jet 4");
    case Format::Ace:
        return QStringLiteral("ACE");
    case Format::Unknown:
        break;
    }
    return QString();
}

AccessReader::OpenResult AccessReader::open(const QString& path) {
    close();
    const QFileInfo fi(path);
    if (!fi.exists() || !fi.isFile()) {
        m_lastError = QStringLiteral("%1: no such file").arg(path);
        return OpenResult::Missing;
    }
    if (!hasAccessSignature(path)) {
        m_lastError = QStringLiteral("%1: not an Access database").arg(path);
        return OpenResult::NotAccess;
    }
    // MDB_NOFLAGS: read-only; libmdb never writes to the file.
    MdbHandle* mdb = mdb_open(QFile::encodeName(fi.absoluteFilePath()).constData(), MDB_NOFLAGS);
    if (!mdb) {
        m_lastError = QStringLiteral("%1: libmdb cannot read this file").arg(path);
        return OpenResult::NotAccess;
    }
    auto handle = std::make_unique<Handle>();
    handle->mdb = mdb;
    switch (mdb->f->jet_version) {
    case MDB_VER_JET3:
        m_format = Format::Jet3;
        break;
    case MDB_VER_JET4:
        m_format = Format::Jet4;
        break;
    default:
        m_format = Format::Ace;
        break;
    }
    makeTextUtf8(mdb);
    // Every object of the catalogue, so that its count can be held against the rows the
    // catalogue table says it has: a damaged file loses tables from it without a word.
    if (!mdb_read_catalog(mdb, MDB_ANY) || !mdb->catalog) {
        m_format = Format::Unknown;
        m_lastError = QStringLiteral("%1: the table catalogue cannot be read").arg(path);
        return OpenResult::NotAccess;
    }
    m_catalogueRead = mdb->catalog->len;
    m_catalogueRows = -1;
    {
        // The catalogue table (MSysObjects) has its definition on page 2.
        MdbCatalogEntry entry{};
        entry.mdb = mdb;
        entry.object_type = MDB_TABLE;
        entry.table_pg = 2;
        std::strncpy(entry.object_name, "MSysObjects", sizeof entry.object_name - 1);
        if (MdbTableDef* def = mdb_read_table(&entry)) {
            m_catalogueRows = qint64(def->num_rows);
            mdb_free_tabledef(def);
        }
    }
    for (unsigned i = 0; i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            m_tables << QString::fromUtf8(entry->object_name);
    }
    m_handle = std::move(handle);
    m_lastError.clear();
    return OpenResult::Ok;
}

QStringList AccessReader::tables() {
    return m_tables;
}

namespace {
MdbCatalogEntry* findEntry(MdbHandle* mdb, const QString& table) {
    const QByteArray name = table.toUtf8();
    for (unsigned i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && name == entry->object_name)
            return entry;
    }
    return nullptr;
}

struct TableDef {
    MdbTableDef* def = nullptr;
    explicit TableDef(MdbCatalogEntry* entry) {
        def = entry ? mdb_read_table(entry) : nullptr;
        if (def && !mdb_read_columns(def)) {
            mdb_free_tabledef(def);
            def = nullptr;
        }
    }
    ~TableDef() {
        if (def)
            mdb_free_tabledef(def);
    }
    TableDef(const TableDef&) = delete;
    TableDef& operator=(const TableDef&) = delete;
};
} // namespace

QList<SourceColumn> AccessReader::columns(const QString& table) {
    if (!m_handle || !m_tables.contains(table))
        return {};
    const auto cached = m_columns.constFind(table);
    if (cached != m_columns.constEnd())
        return *cached;
    TableDef t(findEntry(m_handle->mdb, table));
    QList<SourceColumn> out;
    if (t.def) {
        for (unsigned i = 0; i < t.def->num_cols; ++i) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t.def->columns, i));
            out << SourceColumn{QString::fromUtf8(col->name), kindOf(col->col_type), typeName(col->col_type)};
        }
        m_rowCounts.insert(table, qint64(t.def->num_rows));
    }
    m_columns.insert(table, out);
    return out;
}

qint64 AccessReader::rowCount(const QString& table) {
    if (!m_handle || !m_tables.contains(table))
        return -1;
    if (!m_rowCounts.contains(table))
        columns(table);
    return m_rowCounts.value(table, -1);
}

bool AccessReader::readRows(const QString& table, const QList<int>& wanted, const RowSink& sink,
                            QString* error) {
    QString ignored;
    QString& err = error ? *error : ignored;
    err.clear();
    if (!m_handle) {
        err = QStringLiteral("文件没有打开");
        return false;
    }
    MdbHandle* mdb = m_handle->mdb;
    TableDef t(m_tables.contains(table) ? findEntry(mdb, table) : nullptr);
    if (!t.def) {
        err = QStringLiteral("表 %1 的定义无法读取").arg(table);
        return false;
    }

    // Nothing is bound: libmdb then only records where each value lies in the row, and every value
    // is decoded from the row page after the fetch. Only the columns asked for are decoded, each
    // once however often it is asked for.
    std::vector<MdbColumn*> used;
    std::vector<int> slotOf;
    QHash<int, int> byColumn;
    for (int index : wanted) {
        if (index < 0 || index >= int(t.def->num_cols)) {
            err = QStringLiteral("表 %1 没有第 %2 列").arg(table).arg(index + 1);
            return false;
        }
        if (!byColumn.contains(index)) {
            byColumn.insert(index, int(used.size()));
            used.push_back(static_cast<MdbColumn*>(g_ptr_array_index(t.def->columns, index)));
        }
        slotOf.push_back(byColumn.value(index));
    }

    const unsigned char* page = mdb->pg_buf;
    const int pageSize = int(mdb->fmt->pg_size);
    auto raw = [&](const MdbColumn* col, int size) -> const unsigned char* {
        const int start = col->cur_value_start;
        if (col->cur_value_len < size || start < 0 || start + size > pageSize)
            return nullptr;
        return page + start;
    };
    std::vector<char> text;

    mdb_rewind_table(t.def);
    qint64 rows = 0;
    QVariantList values;
    std::vector<QVariant> decoded(used.size());
    while (mdb_fetch_row(t.def)) {
        for (size_t i = 0; i < used.size(); ++i) {
            MdbColumn* col = used[i];
            QVariant v;
            const unsigned char* p = nullptr;
            switch (col->col_type) {
            case MDB_BOOL:
                // A Yes/No value lives in the row's null bitmap: a set bit (reported as "not null",
                // i.e. cur_value_len 0) is Yes.
                v = col->cur_value_len == 0;
                break;
            case MDB_BYTE:
                if ((p = raw(col, 1)))
                    v = qint64(p[0]);
                break;
            case MDB_INT:
                if ((p = raw(col, 2)))
                    v = qint64(qFromLittleEndian<qint16>(p));
                break;
            case MDB_LONGINT:
                if ((p = raw(col, 4)))
                    v = qint64(qFromLittleEndian<qint32>(p));
                break;
            case MDB_MONEY:
                if ((p = raw(col, 8)))
                    v = double(qFromLittleEndian<qint64>(p)) / 10000.0;
                break;
            case MDB_FLOAT:
                if ((p = raw(col, 4)))
                    v = widen(qFromLittleEndian<float>(p));
                break;
            case MDB_DOUBLE:
                if ((p = raw(col, 8)))
                    v = qFromLittleEndian<double>(p);
                break;
            case MDB_DATETIME:
                if ((p = raw(col, 8))) {
                    const QDateTime dt = fromSerial(qFromLittleEndian<double>(p));
                    if (dt.isValid())
                        v = dt;
                }
                break;
            case MDB_BINARY:
                if (col->cur_value_len > 0 && (p = raw(col, col->cur_value_len)))
                    v = QByteArray(reinterpret_cast<const char*>(p), col->cur_value_len);
                break;
            case MDB_NUMERIC:
                if (raw(col, 17)) {
                    const LibString str{
                        mdb_numeric_to_string(mdb, col->cur_value_start, col->col_scale, col->col_prec)};
                    bool ok = false;
                    const double d = QByteArray(str.s).toDouble(&ok);
                    if (ok)
                        v = d;
                }
                break;
            case MDB_REPID:
                if (raw(col, 16)) {
                    const LibString str{mdb_uuid_to_string(page, col->cur_value_start)};
                    v = QString::fromLatin1(str.s);
                }
                break;
            case MDB_TEXT:
                // libmdb cannot tell an empty text from a missing one; both read as NULL.
                if (col->cur_value_len > 0 && (p = raw(col, col->cur_value_len))) {
                    // Any code unit becomes at most three UTF-8 bytes.
                    text.resize(size_t(col->cur_value_len) * 3 + 8);
                    const int n = mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(p),
                                                    size_t(col->cur_value_len), text.data(), text.size());
                    v = QString::fromUtf8(text.data(), qMax(0, n));
                }
                break;
            case MDB_MEMO:
                if ((p = raw(col, MDB_MEMO_OVERHEAD))) {
                    // The memo header gives its stored length; libmdb converts into a buffer of
                    // bind_size bytes, so that is sized to the value: never cut short.
                    const quint32 header = qFromLittleEndian<quint32>(p);
                    const qint64 stored = (header & 0x80000000u)
                                              ? qint64(col->cur_value_len - MDB_MEMO_OVERHEAD)
                                              : qint64(header & 0x3fffffffu);
                    const qint64 need = stored * 3 + 64;
                    if (need > kMaxTextBytes) {
                        err = QStringLiteral("第 %1 行的列 %2：一段 %3 字节的文字超过了允许的长度")
                                  .arg(rows + 1)
                                  .arg(QString::fromUtf8(col->name))
                                  .arg(stored);
                        return false;
                    }
                    const size_t room = size_t(qMax<qint64>(need, 1024));
                    mdb_set_bind_size(mdb, room);
                    const LibString str{mdb_col_to_string(mdb, mdb->pg_buf, col->cur_value_start, MDB_MEMO,
                                                          col->cur_value_len)};
                    const size_t length = str.s ? std::strlen(str.s) : 0;
                    if (length + 8 >= room) { // the header understated the text: it may be cut short
                        err = QStringLiteral("第 %1 行的列 %2：文字记下的长度有误")
                                  .arg(rows + 1)
                                  .arg(QString::fromUtf8(col->name));
                        return false;
                    }
                    if (str.s)
                        v = QString::fromUtf8(str.s, qsizetype(length));
                }
                break;
            default:
                break;
            }
            decoded[i] = std::move(v);
        }
        values.clear();
        for (int slot : slotOf)
            values << decoded[size_t(slot)];
        ++rows;
        // Pages that lead back to each other would give rows for ever.
        if (rows > 2 * qint64(t.def->num_rows) + kExtraRows) {
            err = QStringLiteral("表 %1 读出的行远多于表中记有的 %2 行").arg(table).arg(t.def->num_rows);
            return false;
        }
        if (!sink(values))
            return false;
    }
    // libmdb ends a scan quietly when it cannot read a page; a short count means a damaged file.
    if (rows < qint64(t.def->num_rows)) {
        err =
            QStringLiteral("表 %1 只读出了 %2 行，表中记有 %3 行").arg(table).arg(rows).arg(t.def->num_rows);
        return false;
    }
    return true;
}
