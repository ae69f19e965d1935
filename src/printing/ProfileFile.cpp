#include "printing/ProfileFile.h"

#include "ui/Gbk.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == QChar(0x3000);
}

bool isComment(const QString& trimmed) {
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// The section named by a "[name]" line, or a null string when the line is not a section heading.
QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return QString();
    const int close = t.indexOf(u']');
    if (close < 0)
        return QString();
    return t.mid(1, close - 1).trimmed();
}

// Cuts text to at most maxBytes bytes of the file's encoding, never inside a character.
QString limitBytes(const QString& text, int maxBytes, bool gbk) {
    int bytes = 0;
    int i = 0;
    while (i < text.size()) {
        const char32_t cp = text.at(i).isHighSurrogate() && i + 1 < text.size()
                                ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                : text.at(i).unicode();
        const int units = cp > 0xFFFF ? 2 : 1;
        int size;
        if (cp < 0x80)
            size = 1;
        else if (gbk)
            size = cp > 0xFFFF ? 4 : 2;
        else
            size = cp < 0x800 ? 2 : cp <= 0xFFFF ? 3 : 4;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        i += units;
    }
    return text.left(i);
}

} // namespace

ProfileFile::ProfileFile(const QString& path) : m_path(path) {
    reload();
}

void ProfileFile::reload() {
    m_lines.clear();
    m_eol = QStringLiteral("\n");
    m_gbk = false;
    m_bom = false;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith(kBom)) {
        m_bom = true;
        bytes.remove(0, kBom.size());
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = gbk::decode(bytes);
        m_gbk = true;
    }
    if (text.contains(QStringLiteral("\r\n")))
        m_eol = QStringLiteral("\r\n");
    m_lines = text.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast(); // the file's final line break
    for (QString& line : m_lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
}

QString ProfileFile::trimBlanks(const QString& text) {
    int from = 0;
    int to = text.size();
    while (from < to && isBlank(text.at(from)))
        ++from;
    while (to > from && isBlank(text.at(to - 1)))
        --to;
    return text.mid(from, to - from);
}

int ProfileFile::findSection(const QString& section) const {
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString name = sectionName(m_lines.at(i));
        if (!name.isNull() && name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int ProfileFile::sectionEnd(int sectionLine) const {
    int i = sectionLine + 1;
    while (i < m_lines.size() && sectionName(m_lines.at(i)).isNull())
        ++i;
    return i;
}

int ProfileFile::findKey(int sectionLine, const QString& key) const {
    const int end = sectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i) {
        const QString& line = m_lines.at(i);
        if (isComment(line.trimmed()))
            continue;
        const int eq = line.indexOf(u'=');
        if (eq >= 0 && line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString ProfileFile::value(const QString& section, const QString& key, const QString& fallback) const {
    const int s = findSection(section);
    if (s < 0)
        return trimBlanks(fallback);
    const int k = findKey(s, key);
    if (k < 0)
        return trimBlanks(fallback);
    const QString& line = m_lines.at(k);
    return trimBlanks(limitBytes(line.mid(line.indexOf(u'=') + 1), kMaxValueBytes, m_gbk));
}

void ProfileFile::setValue(const QString& section, const QString& key, const QString& value) {
    // A line break inside a value would start a new line of the file.
    QString flat = value;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const int s = findSection(section);
    if (s < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(key + QLatin1Char('=') + flat);
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        const QString& line = m_lines.at(k);
        m_lines[k] = line.left(line.indexOf(u'=')).trimmed() + QLatin1Char('=') + flat;
        return;
    }
    // After the section's last non-blank line, so the blank line before the next section stays.
    int at = sectionEnd(s);
    while (at > s + 1 && m_lines.at(at - 1).trimmed().isEmpty())
        --at;
    m_lines.insert(at, key + QLatin1Char('=') + flat);
}

bool ProfileFile::save() const {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    if (m_bom)
        bytes += kBom;
    for (const QString& line : m_lines)
        bytes += (line + m_eol).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString ProfileFile::read(const QString& path, const QString& section, const QString& key,
                          const QString& fallback) {
    return ProfileFile(path).value(section, key, fallback);
}

bool ProfileFile::write(const QString& path, const QString& section, const QString& key,
                        const QString& value) {
    ProfileFile file(path);
    file.setValue(section, key, value);
    return file.save();
}
