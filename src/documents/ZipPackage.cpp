#include "documents/ZipPackage.h"

#include <QStringList>
#include <cstdio>

#include <zip.h>

namespace documents {

namespace {
// More entries than any Word document has; the index of a hostile archive stays small.
constexpr qint64 kMaxEntries = 50000;
} // namespace

ZipReader::ZipReader(const QByteArray& bytes, qint64 unpackBudget) : m_bytes(bytes), m_budget(unpackBudget) {}

ZipReader::~ZipReader() {
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipReader::open(QString* error) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* src = zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &ze);
    if (src)
        m_zip = zip_open_from_source(src, ZIP_RDONLY, &ze);
    if (!m_zip) {
        if (src)
            zip_source_free(src);
        zip_error_fini(&ze);
        *error = QStringLiteral("文件已损坏，不能作为压缩包打开");
        return false;
    }
    zip_error_fini(&ze);
    const zip_int64_t n = zip_get_num_entries(m_zip, 0);
    if (n > kMaxEntries) {
        *error = QStringLiteral("压缩包里有 %1 个部件，多得不像一份文档").arg(n);
        return false;
    }
    for (zip_int64_t i = 0; i < n; ++i)
        if (const char* name = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS))
            m_index.insert(QString::fromUtf8(name).toLower(), i);
    return true;
}

bool ZipReader::has(const QString& name) const {
    return m_index.contains(name.toLower());
}

bool ZipReader::read(const QString& name, qint64 maxBytes, QByteArray* out, QString* error) {
    m_overBudget = false;
    out->clear();
    const qint64 index = m_index.value(name.toLower(), -1);
    if (!m_zip || index < 0) {
        *error = QStringLiteral("缺少部件 %1").arg(name);
        return false;
    }
    const qint64 limit = std::min(maxBytes, m_budget);
    auto tooLarge = [&] {
        m_overBudget = limit == m_budget && m_budget < maxBytes;
        *error = m_overBudget
                     ? QStringLiteral("解压后的内容超过 %1 MB 的上限").arg(m_budget / (1024 * 1024) + 1)
                     : QStringLiteral("部件 %1 过大").arg(name);
        out->clear();
        return false;
    };
    zip_stat_t st;
    zip_stat_init(&st);
    // The size the archive claims is only a first check: the bytes unpacked are counted below.
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
        st.size > zip_uint64_t(limit))
        return tooLarge();
    zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        *error = QStringLiteral("部件 %1 无法解压").arg(name);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            *error = QStringLiteral("部件 %1 已损坏").arg(name);
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (out->size() + n > limit) {
            ok = tooLarge();
            break;
        }
        out->append(buffer, qsizetype(n));
    }
    zip_fclose(file);
    if (!ok) {
        out->clear();
        return false;
    }
    m_budget -= out->size();
    return true;
}

QByteArray zipParts(const QList<QPair<QString, QByteArray>>& parts, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &ze);
    if (!buffer) {
        zip_error_fini(&ze);
        return fail(QStringLiteral("无法在内存中建立压缩包"));
    }
    zip_source_keep(buffer); // it holds the archive after zip_close
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &ze);
    zip_error_fini(&ze);
    if (!z) {
        zip_source_free(buffer);
        zip_source_free(buffer);
        return fail(QStringLiteral("无法在内存中建立压缩包"));
    }
    for (const auto& [name, bytes] : parts) {
        zip_source_t* src = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!src || zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) < 0) {
            if (src)
                zip_source_free(src);
            zip_discard(z);
            zip_source_free(buffer);
            return fail(QStringLiteral("无法写入部件 %1").arg(name));
        }
    }
    // The parts' buffers are read here, while they are still alive.
    if (zip_close(z) != 0) {
        zip_discard(z);
        zip_source_free(buffer);
        return fail(QStringLiteral("无法完成压缩包"));
    }
    QByteArray out;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(buffer, &st) == 0 && (st.valid & ZIP_STAT_SIZE) && zip_source_open(buffer) == 0) {
        out.resize(qsizetype(st.size));
        const zip_int64_t n = zip_source_read(buffer, out.data(), st.size);
        zip_source_close(buffer);
        if (n != zip_int64_t(st.size))
            out.clear();
    }
    zip_source_free(buffer);
    return out.isEmpty() ? fail(QStringLiteral("无法读出压缩包")) : out;
}

QString resolvePartName(const QString& base, const QString& target) {
    QString t = target;
    t.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts =
        t.startsWith(QLatin1Char('/')) ? QStringList() : base.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& p : t.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".."))
            parts.isEmpty() ? void() : parts.removeLast();
        else if (p != QLatin1String("."))
            parts << p;
    }
    return parts.join(QLatin1Char('/'));
}

} // namespace documents
