#include "answering/AnswerText.h"

#include "ui/Gbk.h"

namespace answer {

namespace {
inline bool isLead(char c) {
    return quint8(c) >= 0x80;
}
inline int charLength(const QByteArray& s, int i) {
    return isLead(s[i]) && i + 1 < s.size() ? 2 : 1;
}
inline char upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}
inline bool isSpaceAt(const QByteArray& s, int i, int len) {
    return (len == 1 && s[i] == ' ') || (len == 2 && quint8(s[i]) == 0xA1 && quint8(s[i + 1]) == 0xA1);
}

bool matchAt(const QByteArray& text, int i, const QByteArray& what) {
    if (i + what.size() > text.size())
        return false;
    for (int k = 0; k < what.size(); ++k)
        if (upper(text[i + k]) != upper(what[k]))
            return false;
    return true;
}
} // namespace

QByteArray normalise(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size();) {
        const int len = charLength(text, i);
        if (!isSpaceAt(text, i, len)) {
            if (len == 1)
                out += upper(text[i]);
            else
                out += text.mid(i, len);
        }
        i += len;
    }
    return out;
}

QByteArray strip(const QByteArray& text) {
    // Character starts, so a trailing full-width blank is told from a trail byte.
    int first = -1, end = 0;
    for (int i = 0; i < text.size();) {
        const int len = charLength(text, i);
        if (!isSpaceAt(text, i, len)) {
            if (first < 0)
                first = i;
            end = i + len;
        }
        i += len;
    }
    return first < 0 ? QByteArray() : text.mid(first, end - first);
}

int find(const QByteArray& text, const QByteArray& what) {
    if (what.isEmpty())
        return -1;
    for (int i = 0; i < text.size(); i += charLength(text, i))
        if (matchAt(text, i, what))
            return i + 1;
    return -1;
}

QByteArray removeAll(const QByteArray& text, const QByteArray& what) {
    if (what.isEmpty())
        return text;
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size();) {
        if (matchAt(text, i, what)) {
            i += what.size();
            continue;
        }
        const int len = charLength(text, i);
        out += text.mid(i, len);
        i += len;
    }
    return out;
}

bool sameOptions(const QByteArray& given, const QByteArray& standard) {
    if (given.size() != standard.size())
        return false;
    bool all = true;
    for (int k = 0; k < standard.size(); ++k)
        if (find(given, QByteArray::fromRawData(standard.constData() + k, 1)) < 0)
            all = false;
    return all;
}

bool matches(const QByteArray& given, const QByteArray& standard) {
    return given == standard || sameOptions(given, standard);
}

QString normalise(const QString& text) {
    return gbk::decode(normalise(gbk::encode(text)));
}
QString strip(const QString& text) {
    return gbk::decode(strip(gbk::encode(text)));
}
namespace {
// Option letters are ASCII, whose GBK bytes are the characters themselves: no converter needed.
QByteArray toGbk(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return gbk::encode(text);
    return text.toLatin1();
}
} // namespace

bool matches(const QString& given, const QString& standard) {
    return given == standard || matches(toGbk(given), toGbk(standard));
}
bool sameOptions(const QString& given, const QString& standard) {
    return sameOptions(toGbk(given), toGbk(standard));
}

QString toggle(const QString& text, const QString& option, bool ticked) {
    const QByteArray t = gbk::encode(text), o = gbk::encode(option);
    if (ticked)
        return find(t, o) < 0 ? text + option : text;
    return gbk::decode(removeAll(t, o));
}

} // namespace answer
