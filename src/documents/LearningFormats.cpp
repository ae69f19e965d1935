#include "documents/LearningFormats.h"

#include <QHash>

namespace documents::learning {

namespace {

constexpr char16_t kNoBreakSpace = 0x00A0;

bool isHtmlSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f');
}

const QHash<QString, char16_t>& namedEntities() {
    static const QHash<QString, char16_t> names{
        {"amp", u'&'},      {"lt", u'<'},       {"gt", u'>'},       {"quot", u'"'},      {"apos", u'\''},
        {"nbsp", 0x00A0},   {"ensp", 0x2002},   {"emsp", 0x2003},   {"thinsp", 0x2009},  {"shy", 0x00AD},
        {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"lsquo", 0x2018},  {"rsquo", 0x2019},   {"sbquo", 0x201A},
        {"bdquo", 0x201E},  {"hellip", 0x2026}, {"mdash", 0x2014},  {"ndash", 0x2013},   {"middot", 0x00B7},
        {"bull", 0x2022},   {"times", 0x00D7},  {"divide", 0x00F7}, {"deg", 0x00B0},     {"plusmn", 0x00B1},
        {"yen", 0x00A5},    {"cent", 0x00A2},   {"pound", 0x00A3},  {"euro", 0x20AC},    {"copy", 0x00A9},
        {"reg", 0x00AE},    {"trade", 0x2122},  {"sect", 0x00A7},   {"para", 0x00B6},    {"micro", 0x00B5},
        {"laquo", 0x00AB},  {"raquo", 0x00BB},  {"le", 0x2264},     {"ge", 0x2265},      {"ne", 0x2260},
        {"asymp", 0x2248},  {"infin", 0x221E},  {"sum", 0x2211},    {"radic", 0x221A},   {"minus", 0x2212},
        {"larr", 0x2190},   {"rarr", 0x2192},   {"uarr", 0x2191},   {"darr", 0x2193},    {"harr", 0x2194},
        {"frac12", 0x00BD}, {"frac14", 0x00BC}, {"frac34", 0x00BE}, {"sup1", 0x00B9},    {"sup2", 0x00B2},
        {"sup3", 0x00B3},   {"permil", 0x2030}, {"prime", 0x2032},  {"Prime", 0x2033},   {"alpha", 0x03B1},
        {"beta", 0x03B2},   {"gamma", 0x03B3},  {"delta", 0x03B4},  {"epsilon", 0x03B5}, {"lambda", 0x03BB},
        {"mu", 0x03BC},     {"pi", 0x03C0},     {"sigma", 0x03C3},  {"theta", 0x03B8},   {"omega", 0x03C9},
        {"Delta", 0x0394},  {"Sigma", 0x03A3},  {"Omega", 0x03A9},  {"iquest", 0x00BF},  {"iexcl", 0x00A1},
    };
    return names;
}

// The character reference starting at text[at] ('&'): what it stands for, and *length its length;
// an empty text when it is none.
QString entityAt(QStringView text, qsizetype at, qsizetype* length) {
    const qsizetype end = text.mid(at, 40).indexOf(QLatin1Char(';'));
    if (end < 2)
        return {};
    const QStringView name = text.mid(at + 1, end - 1);
    *length = end + 1;
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
        const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        if (!ok)
            return {};
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString(QChar(QChar::ReplacementCharacter));
        const char32_t c = code;
        return QString::fromUcs4(&c, 1);
    }
    const auto found = namedEntities().constFind(name.toString());
    if (found == namedEntities().cend())
        return {};
    return QString(QChar(found.value()));
}

QString decodeRaw(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            qsizetype length = 0;
            const QString c = entityAt(text, i, &length);
            if (!c.isEmpty()) {
                out += c;
                i += length - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool isBlockTag(QStringView name) {
    static const QStringList blocks{"p",      "div",        "li",      "ul",     "ol",     "tr",
                                    "h1",     "h2",         "h3",      "h4",     "h5",     "h6",
                                    "table",  "blockquote", "pre",     "hr",     "dl",     "dt",
                                    "dd",     "section",    "article", "header", "footer", "address",
                                    "figure", "figcaption", "caption", "center", "form",   "fieldset"};
    for (const QString& b : blocks)
        if (name == b)
            return true;
    return false;
}

struct Tag {
    QString name; // lower case
    bool closing = false;
    bool selfClosing = false;
    QString src; // of an <img>
};

// Reads the tag starting at html[at] ('<'); returns the index after its '>', or -1 when it never
// ends.
qsizetype readTag(QStringView html, qsizetype at, Tag* tag) {
    qsizetype i = at + 1;
    if (i < html.size() && html[i] == QLatin1Char('/')) {
        tag->closing = true;
        ++i;
    }
    const qsizetype nameStart = i;
    while (i < html.size() &&
           (html[i].isLetterOrNumber() || html[i] == QLatin1Char('-') || html[i] == QLatin1Char(':')))
        ++i;
    tag->name = html.mid(nameStart, i - nameStart).toString().toLower();
    while (i < html.size()) {
        const QChar c = html[i];
        if (c == QLatin1Char('>'))
            return i + 1;
        if (c == QLatin1Char('/')) {
            tag->selfClosing = true;
            ++i;
            continue;
        }
        if (isHtmlSpace(c)) {
            ++i;
            continue;
        }
        tag->selfClosing = false;
        const qsizetype attrStart = i;
        while (i < html.size() && !isHtmlSpace(html[i]) && html[i] != QLatin1Char('=') &&
               html[i] != QLatin1Char('>') && html[i] != QLatin1Char('/'))
            ++i;
        const QString attr = html.mid(attrStart, i - attrStart).toString().toLower();
        while (i < html.size() && isHtmlSpace(html[i]))
            ++i;
        if (i >= html.size() || html[i] != QLatin1Char('='))
            continue;
        ++i;
        while (i < html.size() && isHtmlSpace(html[i]))
            ++i;
        QStringView value;
        if (i < html.size() && (html[i] == QLatin1Char('"') || html[i] == QLatin1Char('\''))) {
            const qsizetype close = html.indexOf(html[i], i + 1);
            if (close < 0) {
                // An unclosed quote: the tag ends at the next '>' instead.
                const qsizetype gt = html.indexOf(QLatin1Char('>'), i);
                return gt < 0 ? -1 : gt + 1;
            }
            value = html.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const qsizetype valueStart = i;
            while (i < html.size() && !isHtmlSpace(html[i]) && html[i] != QLatin1Char('>'))
                ++i;
            value = html.mid(valueStart, i - valueStart);
        }
        if (attr == QLatin1String("src"))
            tag->src = decodeEntities(value).trimmed();
    }
    return -1;
}

} // namespace

QString decodeEntities(QStringView text) {
    QString out = decodeRaw(text);
    out.replace(QChar(kNoBreakSpace), QLatin1Char(' '));
    return out;
}

QString htmlToText(QStringView html, QStringList* images) {
    QStringList lines;
    QString line;
    bool space = false;
    QList<int> lists; // per open list: the last item number of an <ol>, -1 for a <ul>
    auto endLine = [&](bool evenEmpty) {
        if (evenEmpty || !line.isEmpty())
            lines << line;
        line.clear();
        space = false;
    };
    auto put = [&](QStringView s) {
        if (space && !line.isEmpty())
            line += QLatin1Char(' ');
        space = false;
        line += s;
    };
    const qsizetype n = html.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = html[i];
        if (c == QLatin1Char('<') && i + 1 < n) {
            const QChar next = html[i + 1];
            if (html.mid(i, 4) == QLatin1String("<!--")) {
                const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
                i = end < 0 ? n : end + 3;
                continue;
            }
            if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
                const qsizetype end = html.indexOf(QLatin1Char('>'), i);
                i = end < 0 ? n : end + 1;
                continue;
            }
            if ((next.toLower() >= QLatin1Char('a') && next.toLower() <= QLatin1Char('z')) ||
                next == QLatin1Char('/')) {
                Tag tag;
                const qsizetype after = readTag(html, i, &tag);
                if (after < 0)
                    break; // a tag that never ends: a browser drops it and the rest with it
                i = after;
                const QString& name = tag.name;
                if (name == QLatin1String("br")) {
                    endLine(true);
                } else if (name == QLatin1String("img")) {
                    if (images && !tag.src.isEmpty())
                        *images << tag.src;
                } else if ((name == QLatin1String("script") || name == QLatin1String("style")) &&
                           !tag.closing && !tag.selfClosing) {
                    const qsizetype end = html.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
                    const qsizetype gt = end < 0 ? -1 : html.indexOf(QLatin1Char('>'), end);
                    i = gt < 0 ? n : gt + 1;
                } else if (name == QLatin1String("td") || name == QLatin1String("th")) {
                    space = true;
                } else if (isBlockTag(name)) {
                    endLine(false);
                    if (name == QLatin1String("ol") || name == QLatin1String("ul")) {
                        if (tag.closing) {
                            if (!lists.isEmpty())
                                lists.removeLast();
                        } else if (lists.size() < 64) {
                            lists << (name == QLatin1String("ol") ? 0 : -1);
                        }
                    } else if (name == QLatin1String("li") && !tag.closing) {
                        if (!lists.isEmpty() && lists.last() >= 0)
                            line = QString::number(++lists.last()) + QStringLiteral(". ");
                        else
                            line = QStringLiteral("· ");
                    }
                }
                continue;
            }
        }
        if (isHtmlSpace(c)) {
            space = true;
            ++i;
            continue;
        }
        if (c == QLatin1Char('&')) {
            qsizetype length = 0;
            const QString decoded = entityAt(html, i, &length);
            if (!decoded.isEmpty()) {
                if (decoded != QStringView(u"\u00AD"))
                    put(decoded);
                i += length;
                continue;
            }
        }
        put(html.mid(i, 1));
        ++i;
    }
    endLine(false);
    QStringList out;
    for (QString& l : lines) {
        l.replace(QChar(kNoBreakSpace), QLatin1Char(' '));
        out << l.trimmed();
    }
    while (!out.isEmpty() && out.first().isEmpty())
        out.removeFirst();
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out.join(QLatin1Char('\n'));
}

QString xmlSafe(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF)
            continue;
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r')
            continue;
        out += c;
    }
    return out;
}

QString textToHtml(const QString& text) {
    QString out;
    const QString safe = xmlSafe(text);
    out.reserve(safe.size() + safe.size() / 8);
    bool afterSpace = true; // a space at the start of a line would be dropped too
    for (const QChar c : safe) {
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'>':
            out += QStringLiteral("&gt;");
            break;
        case u'"':
            out += QStringLiteral("&quot;");
            break;
        case u'\r':
            continue;
        case u'\n':
            out += QStringLiteral("<br>");
            afterSpace = true;
            continue;
        case u' ':
        case u'\t':
            out += afterSpace ? QStringLiteral("&nbsp;") : QStringLiteral(" ");
            afterSpace = true;
            continue;
        default:
            out += c;
        }
        afterSpace = false;
    }
    return out;
}

QString categoryName(const QString& path) {
    QStringList parts;
    QString part;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path[i] != QLatin1Char('/')) {
            part += path[i];
        } else if (i + 1 < path.size() && path[i + 1] == QLatin1Char('/')) {
            part += QLatin1Char('/');
            ++i;
        } else {
            parts << part;
            part.clear();
        }
    }
    parts << part;
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        const QString p = parts[i].trimmed();
        if (p.isEmpty())
            continue;
        const bool context = p.size() > 1 && p.startsWith(QLatin1Char('$')) && p.endsWith(QLatin1Char('$'));
        if (context || (p == QLatin1String("top") && i <= 1))
            return {};
        return p;
    }
    return {};
}

QString categoryPath(const QString& paperName) {
    QString name = paperName.trimmed();
    name.replace(QLatin1Char('/'), QStringLiteral("//"));
    return QStringLiteral("$course$/top/") + name;
}

void LeftOutTally::add(const QString& kind, int line) {
    if (!m_lines.contains(kind))
        m_order << kind;
    m_lines[kind] << line;
}

QStringList LeftOutTally::lines() const {
    QStringList out;
    for (const QString& kind : m_order) {
        const QList<int>& at = m_lines.value(kind);
        QStringList numbers;
        for (int line : at) {
            if (line <= 0)
                continue;
            if (numbers.size() == 20) {
                numbers.last() += QStringLiteral(" 等");
                break;
            }
            numbers << QString::number(line);
        }
        QString text = QStringLiteral("%1（%2）%3 道").arg(typeName(kind), kind).arg(at.size());
        if (!numbers.isEmpty())
            text += QStringLiteral("：第 %1 行").arg(numbers.join(QStringLiteral("、")));
        out << text;
    }
    return out;
}

QString typeName(const QString& kind) {
    static const QHash<QString, QString> names{
        {"essay", "简答题"},
        {"shortanswer", "填空题"},
        {"matching", "匹配题"},
        {"numerical", "数值题"},
        {"multianswer", "完形填空题"},
        {"cloze", "完形填空题"},
        {"description", "说明文字"},
        {"calculated", "计算题"},
        {"calculatedsimple", "简单计算题"},
        {"calculatedmulti", "计算选择题"},
        {"ddwtos", "拖放文字题"},
        {"gapselect", "选词填空题"},
        {"ddimageortext", "拖放图片题"},
        {"ddmarker", "拖放标记题"},
        {"randomsamatch", "随机匹配题"},
        {"random", "随机题"},
        {"ordering", "排序题"},
    };
    return names.value(kind, QStringLiteral("其他题型"));
}

bool Budget::takeText(const Question& q) {
    qint64 chars = q.material.size() + q.stem.size() + q.explanation.size() + q.number.size();
    for (const QString& o : q.options)
        chars += o.size();
    if (m_textChars + chars > m_limits.maxTextChars)
        return false;
    m_textChars += chars;
    return true;
}

bool Budget::takePicture(qint64 bytes) {
    if (m_pictureBytes + bytes > m_limits.maxPictureBytes)
        return false;
    m_pictureBytes += bytes;
    return true;
}

QString fileSizeError(qint64 bytes, const Limits& limits) {
    if (bytes <= limits.maxFileBytes)
        return {};
    return QStringLiteral("文件有 %1 MB，超过可读入的 %2 MB，无法读取")
        .arg(double(bytes) / (1024 * 1024), 0, 'f', 1)
        .arg(double(limits.maxFileBytes) / (1024 * 1024), 0, 'f', 0);
}

QString textLimitReason(const Limits& limits) {
    return QStringLiteral("文件中的文字超过 %1 个字符，后面的题目没有读入").arg(limits.maxTextChars);
}

QString questionLimitReason(const Limits& limits) {
    return QStringLiteral("文件中的题目超过 %1 道，后面的题目没有读入").arg(limits.maxQuestions);
}

} // namespace documents::learning
