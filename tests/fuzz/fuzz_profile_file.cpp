// The settings-file reader over arbitrary file contents: every key read keeps the rules (no
// surrounding blanks, within the longest value), and writing one key changes no other key.
#include "FuzzCheck.h"

#include "printing/ProfileFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> g_dir;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == QChar(0x3000);
}

struct Key {
    QString section, key;
};

// The sections and keys the file names, found the way a person reading it would.
QList<Key> keysOf(const QByteArray& bytes) {
    QList<Key> out;
    QString section;
    bool inSection = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[') && line.contains(u']')) {
            section = line.mid(1, line.indexOf(u']') - 1).trimmed();
            inSection = true;
        } else if (inSection && line.contains(u'=') && !line.startsWith(u';') && !line.startsWith(u'#')) {
            out.append({section, line.left(line.indexOf(u'=')).trimmed()});
        }
        if (out.size() >= 32)
            break;
    }
    out.append({QStringLiteral("打印"), QStringLiteral("标题")});
    out.append({QString(), QString()});
    return out;
}

void checkValue(const QString& v) {
    FUZZ_CHECK(v.isEmpty() || (!isBlank(v.front()) && !isBlank(v.back())));
    // At most kMaxValueBytes bytes, and every character takes at least one.
    FUZZ_CHECK(v.size() <= ProfileFile::kMaxValueBytes);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    g_dir = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = g_dir->filePath(QStringLiteral("练习.ini"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(bytes) == bytes.size());
    }
    const QList<Key> keys = keysOf(bytes);
    ProfileFile file(path);
    QStringList before;
    for (const Key& k : keys) {
        const QString v = file.value(k.section, k.key, QStringLiteral(" 缺省 "));
        checkValue(v);
        before << v;
        FUZZ_CHECK(ProfileFile::read(path, k.section, k.key, QStringLiteral(" 缺省 ")) == v);
    }

    // One new key: read back as written, every other key as it was (short values only: a file
    // read as GBK is written as UTF-8, where a long value may take more bytes than are read).
    const QString section = keys.size() > 2 ? keys.first().section : QStringLiteral("打印");
    const QString key = QStringLiteral("新键\u4E00");
    if (file.value(section, key, QStringLiteral("\x01")) != QStringLiteral("\x01"))
        return 0;
    file.setValue(section, key, QStringLiteral("  值=1;#[x]\r\n二  "));
    FUZZ_CHECK(file.save());
    file.reload();
    FUZZ_CHECK(file.value(section, key) == QStringLiteral("值=1;#[x]  二"));
    for (int i = 0; i < keys.size(); ++i)
        if (before[i].size() < 1000 && !keys[i].key.isEmpty() &&
            keys[i].key.compare(key, Qt::CaseInsensitive))
            FUZZ_CHECK(file.value(keys[i].section, keys[i].key, QStringLiteral(" 缺省 ")) == before[i]);
    return 0;
}
