#include "documents/WordPaper.h"

#include "documents/ZipPackage.h"

#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <climits>

namespace documents {

namespace {

const QString kWordNs = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kStrictWordNs = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");

// QXmlStreamReader with the bounds of an untrusted file: no DTD (so no entities of its own) and
// no deeper nesting than the limits allow.
class Xml {
  public:
    Xml(const QByteArray& bytes, int maxDepth) : r(bytes), m_maxDepth(maxDepth) {}

    // The next token; false at the end or on an error (then error() says which).
    bool next() {
        if (!m_error.isEmpty() || r.atEnd())
            return false;
        r.readNext();
        switch (r.tokenType()) {
        case QXmlStreamReader::DTD:
            m_error = QStringLiteral("含有 DTD 声明");
            return false;
        case QXmlStreamReader::StartElement:
            if (++depth > m_maxDepth) {
                m_error = QStringLiteral("XML 嵌套超过 %1 层").arg(m_maxDepth);
                return false;
            }
            return true;
        case QXmlStreamReader::EndElement:
            --depth;
            return true;
        case QXmlStreamReader::Invalid:
            m_error = QStringLiteral("XML 第 %1 行第 %2 列有错").arg(r.lineNumber()).arg(r.columnNumber());
            return false;
        case QXmlStreamReader::EndDocument:
            return false;
        default:
            return true;
        }
    }
    // Passes over the element just started, with all it holds.
    void skip() {
        const int at = depth;
        while (depth >= at && next()) {
        }
    }
    // The text of the element just started (an element without children).
    QString text() {
        QString out;
        const int at = depth;
        while (next() && depth >= at)
            if (r.isCharacters())
                out += r.text();
        return out;
    }
    bool start(const char* name) const { return r.isStartElement() && r.name() == QLatin1String(name); }
    bool end(const char* name) const { return r.isEndElement() && r.name() == QLatin1String(name); }
    bool wordElement() const { return r.namespaceUri() == kWordNs || r.namespaceUri() == kStrictWordNs; }
    // An attribute by its local name, whatever its prefix ("w:val", "r:embed", "val").
    QString attr(const char* name) const {
        for (const QXmlStreamAttribute& a : r.attributes())
            if (a.name() == QLatin1String(name))
                return a.value().toString();
        return {};
    }
    QString error() const { return m_error; }

    QXmlStreamReader r;
    int depth = 0;

  private:
    int m_maxDepth;
    QString m_error;
};

// ---- automatic numbering ----

struct Level {
    int start = 1;
    QString format = QStringLiteral("decimal");
    QString text;
};

struct Num {
    QString abstractId;
    QHash<int, int> startOverride;
    QHash<int, Level> levelOverride;
};

QString romanNumeral(int v) {
    static const int values[] = {1000, 900, 500, 400, 100, 90, 50, 40, 10, 9, 5, 4, 1};
    static const char* const marks[] = {"M",  "CM", "D",  "CD", "C",  "XC", "L",
                                        "XL", "X",  "IX", "V",  "IV", "I"};
    QString out;
    for (int i = 0; i < 13 && v > 0 && v < 4000; ++i)
        while (v >= values[i])
            out += QLatin1String(marks[i]), v -= values[i];
    return out;
}

QString formatNumber(int v, const QString& format) {
    if (v <= 0 || v > 100000)
        return QString::number(v);
    if (format == QLatin1String("upperLetter") || format == QLatin1String("lowerLetter")) {
        const QChar c =
            QChar(char16_t((format == QLatin1String("upperLetter") ? u'A' : u'a') + (v - 1) % 26));
        return QString((v - 1) / 26 + 1 > 50 ? 1 : (v - 1) / 26 + 1, c);
    }
    if (format == QLatin1String("upperRoman"))
        return romanNumeral(v);
    if (format == QLatin1String("lowerRoman"))
        return romanNumeral(v).toLower();
    if (format == QLatin1String("decimalZero"))
        return v < 10 ? QStringLiteral("0%1").arg(v) : QString::number(v);
    if (format.startsWith(QLatin1String("chineseCounting")) || format == QLatin1String("japaneseCounting") ||
        format == QLatin1String("taiwaneseCounting") || format == QLatin1String("ideographDigital"))
        return chineseNumeral(v);
    if (format == QLatin1String("chineseLegalSimplified") && v <= 10)
        return QStringLiteral("壹贰叁肆伍陆柒捌玖拾")[v - 1];
    if (format == QLatin1String("ideographTraditional") && v <= 10)
        return QStringLiteral("甲乙丙丁戊己庚辛壬癸")[v - 1];
    if (format.startsWith(QLatin1String("decimalEnclosedCircle")) && v <= 20)
        return QChar(char16_t(0x2460 + v - 1));
    if (format.startsWith(QLatin1String("decimalFullWidth"))) {
        QString out = QString::number(v);
        for (QChar& c : out)
            c = QChar(char16_t(c.unicode() + 0xFEE0));
        return out;
    }
    // ⑴ and ⒈ are read as the plain forms they stand for.
    if (format == QLatin1String("decimalEnclosedParen"))
        return QStringLiteral("(%1)").arg(v);
    if (format == QLatin1String("decimalEnclosedFullstop"))
        return QStringLiteral("%1.").arg(v);
    return QString::number(v);
}

class Numbering {
  public:
    void read(const QByteArray& xml, int maxDepth) {
        Xml x(xml, maxDepth);
        while (x.next()) {
            if (x.start("abstractNum")) {
                const QString id = x.attr("abstractNumId");
                QList<Level> levels(9);
                const int at = x.depth;
                while (x.next() && x.depth >= at)
                    if (x.start("lvl")) {
                        const int ilvl = x.attr("ilvl").toInt();
                        Level level = readLevel(x);
                        if (ilvl >= 0 && ilvl < 9)
                            levels[ilvl] = level;
                    }
                m_abstracts.insert(id, levels);
            } else if (x.start("num")) {
                const QString id = x.attr("numId");
                Num num;
                const int at = x.depth;
                int ilvl = -1;
                while (x.next() && x.depth >= at) {
                    if (x.start("abstractNumId"))
                        num.abstractId = x.attr("val");
                    else if (x.start("lvlOverride"))
                        ilvl = x.attr("ilvl").toInt();
                    else if (x.start("startOverride") && ilvl >= 0 && ilvl < 9)
                        num.startOverride.insert(ilvl, x.attr("val").toInt());
                    else if (x.start("lvl") && ilvl >= 0 && ilvl < 9)
                        num.levelOverride.insert(ilvl, readLevel(x));
                }
                m_nums.insert(id, num);
            }
        }
    }

    // Whether numId numbers a paragraph at level ilvl visibly; *label is the number it shows
    // ("3.", "（1）"), empty for a bullet. Counts the paragraph as Word does.
    bool label(const QString& numId, int ilvl, QString* label) {
        label->clear();
        const auto num = m_nums.constFind(numId);
        if (numId.isEmpty() || numId == QLatin1String("0") || num == m_nums.cend())
            return false;
        const auto abstract = m_abstracts.constFind(num->abstractId);
        if (abstract == m_abstracts.cend())
            return false;
        ilvl = qBound(0, ilvl, 8);
        auto level = [&](int k) { return num->levelOverride.value(k, (*abstract)[k]); };
        auto start = [&](int k) { return num->startOverride.value(k, level(k).start); };
        // Lists made from one definition count on together unless one of them restarts.
        const QString key = num->startOverride.isEmpty() && num->levelOverride.isEmpty()
                                ? QLatin1Char('a') + num->abstractId
                                : QLatin1Char('n') + numId;
        QList<int>& counters = m_counters[key];
        if (counters.isEmpty())
            counters = QList<int>(9, INT_MIN);
        counters[ilvl] = counters[ilvl] == INT_MIN ? start(ilvl) : counters[ilvl] + 1;
        for (int k = ilvl + 1; k < 9; ++k)
            counters[k] = INT_MIN;
        const Level own = level(ilvl);
        if (own.format == QLatin1String("bullet"))
            return true;
        QString text = own.text;
        for (int k = 0; k <= ilvl; ++k) {
            const QString mark = QStringLiteral("%") + QString::number(k + 1);
            if (text.contains(mark))
                text.replace(mark, own.format == QLatin1String("none") && k == ilvl
                                       ? QString()
                                       : formatNumber(counters[k] == INT_MIN ? start(k) : counters[k],
                                                      level(k).format));
        }
        *label = text;
        return !text.trimmed().isEmpty();
    }

  private:
    static Level readLevel(Xml& x) {
        Level level;
        const int at = x.depth;
        while (x.next() && x.depth >= at) {
            if (x.start("start"))
                level.start = x.attr("val").toInt();
            else if (x.start("numFmt"))
                level.format = x.attr("val");
            else if (x.start("lvlText"))
                level.text = x.attr("val");
        }
        return level;
    }

    QHash<QString, QList<Level>> m_abstracts;
    QHash<QString, Num> m_nums;
    QHash<QString, QList<int>> m_counters;
};

// Paragraph styles that number their paragraphs (Word's "List Number"), through basedOn.
class Styles {
  public:
    void read(const QByteArray& xml, int maxDepth) {
        Xml x(xml, maxDepth);
        while (x.next()) {
            if (!x.start("style"))
                continue;
            const QString id = x.attr("styleId");
            Style s;
            const int at = x.depth;
            while (x.next() && x.depth >= at) {
                if (x.start("basedOn"))
                    s.basedOn = x.attr("val");
                else if (x.start("numId"))
                    s.numId = x.attr("val"), s.hasNumId = true;
                else if (x.start("ilvl"))
                    s.ilvl = x.attr("val").toInt();
            }
            m_styles.insert(id, s);
        }
    }
    // The numbering a style gives: *numId empty when none.
    void numbering(QString style, QString* numId, int* ilvl) const {
        for (int step = 0; step < 16 && !style.isEmpty(); ++step) {
            const auto s = m_styles.constFind(style);
            if (s == m_styles.cend())
                return;
            if (*ilvl < 0 && s->ilvl >= 0)
                *ilvl = s->ilvl;
            if (s->hasNumId) {
                *numId = s->numId;
                return;
            }
            style = s->basedOn;
        }
    }

  private:
    struct Style {
        QString basedOn;
        QString numId;
        bool hasNumId = false;
        int ilvl = -1;
    };
    QHash<QString, Style> m_styles;
};

struct Relationship {
    QString type;
    QString target;
    bool external = false;
};

QHash<QString, Relationship> readRelationships(const QByteArray& xml, int maxDepth) {
    QHash<QString, Relationship> out;
    Xml x(xml, maxDepth);
    while (x.next())
        if (x.start("Relationship"))
            out.insert(x.attr("Id"),
                       {x.attr("Type"), x.attr("Target"),
                        x.attr("TargetMode").compare(QLatin1String("External"), Qt::CaseInsensitive) == 0});
    return out;
}

QString relationshipTarget(const QHash<QString, Relationship>& rels, const char* typeEnd) {
    for (const Relationship& r : rels)
        if (r.type.endsWith(QLatin1String(typeEnd)) && !r.external)
            return r.target;
    return {};
}

// The character of a w:sym in a symbol font, where it is a tick or a cross (判断 answers).
QString symbolText(const QString& font, const QString& hex) {
    bool ok = false;
    const uint code = hex.toUInt(&ok, 16);
    if (!ok)
        return {};
    const uint low = code & 0xFF;
    const QString f = font.toLower();
    if (f.contains(QLatin1String("wingdings 2")))
        return low == 0x50 || low == 0x52   ? QStringLiteral("√")
               : low == 0x4F || low == 0x53 ? QStringLiteral("×")
                                            : QString();
    if (f.contains(QLatin1String("wingdings")))
        return low == 0xFC || low == 0xFE   ? QStringLiteral("√")
               : low == 0xFB || low == 0xFD ? QStringLiteral("×")
                                            : QString();
    if (f.contains(QLatin1String("symbol")))
        return low == 0xD6 ? QStringLiteral("√") : low == 0xB4 ? QStringLiteral("×") : QString();
    if (code >= 0x20 && code < 0xF000)
        return QChar(char16_t(code));
    return {};
}

class WordReader {
  public:
    WordReader(const QByteArray& bytes, const Limits& limits)
        : m_bytes(bytes), m_limits(limits), m_zip(bytes, limits.maxUnpackedBytes) {}

    QList<Paragraph> run(QString* error, QList<Problem>* problems) {
        QList<Paragraph> out = read(error);
        if (!error->isEmpty())
            out.clear();
        *problems = m_problems;
        return out;
    }

  private:
    QList<Paragraph> read(QString* error) {
        if (m_bytes.size() > m_limits.maxFileBytes) {
            *error = QStringLiteral("文件过大（%1 MB），最多只能读 %2 MB")
                         .arg(m_bytes.size() / (1024 * 1024))
                         .arg(m_limits.maxFileBytes / (1024 * 1024));
            return {};
        }
        if (m_bytes.startsWith("\xD0\xCF\x11\xE0")) {
            *error = QStringLiteral(
                "这是旧版 Word 文档（.doc），请先在 Word 或 LibreOffice 中另存为 .docx 再导入");
            return {};
        }
        QString why;
        if (!m_bytes.startsWith("PK") || !m_zip.open(&why)) {
            *error = QStringLiteral("不是 Word 文档（.docx）：%1")
                         .arg(why.isEmpty() ? QStringLiteral("文件不是压缩包") : why);
            return {};
        }
        QByteArray xml;
        QString main = QStringLiteral("word/document.xml");
        if (m_zip.read(QStringLiteral("_rels/.rels"), kSmallPart, &xml, &why)) {
            const QString target =
                relationshipTarget(readRelationships(xml, m_limits.maxDepth), "/officeDocument");
            if (!target.isEmpty())
                main = resolvePartName(QString(), target);
        }
        if (!m_zip.has(main)) {
            *error = QStringLiteral("不是 Word 文档（.docx）：压缩包里没有正文部件 %1").arg(main);
            return {};
        }
        m_base = main.contains(QLatin1Char('/')) ? main.left(main.lastIndexOf(QLatin1Char('/'))) : QString();
        const QString relsName = (m_base.isEmpty() ? QString() : m_base + QLatin1Char('/')) +
                                 QStringLiteral("_rels/") + main.mid(main.lastIndexOf(QLatin1Char('/')) + 1) +
                                 QStringLiteral(".rels");
        if (m_zip.read(relsName, kSmallPart, &xml, &why))
            m_rels = readRelationships(xml, m_limits.maxDepth);
        QString numbering = relationshipTarget(m_rels, "/numbering");
        QString styles = relationshipTarget(m_rels, "/styles");
        if (!numbering.isEmpty() && m_zip.read(resolvePartName(m_base, numbering), kSmallPart, &xml, &why))
            m_numbering.read(xml, m_limits.maxDepth);
        if (!styles.isEmpty() && m_zip.read(resolvePartName(m_base, styles), kSmallPart, &xml, &why))
            m_styles.read(xml, m_limits.maxDepth);
        if (m_zip.overBudget()) {
            *error = why;
            return {};
        }
        if (!m_zip.read(main, m_limits.maxUnpackedBytes, &xml, &why)) {
            *error = QStringLiteral("Word 文档的正文无法读出：%1").arg(why);
            return {};
        }
        return body(xml, error);
    }

    struct Current {
        QString text;                        // line breaks as '\n'
        QList<QPair<int, Picture>> pictures; // with the piece (between breaks) each is in
        QString style;
        QString numId;
        bool hasNumId = false;
        int ilvl = -1;
    };

    QList<Paragraph> body(const QByteArray& xml, QString* error) {
        QList<Paragraph> out;
        Xml x(xml, m_limits.maxDepth);
        Current p;
        int paragraphDepth = 0; // of the w:p being read; 0 outside one
        int number = 0;
        bool hidden = false;
        qint64 chars = 0;
        while (x.next()) {
            if (x.r.isEndElement()) {
                if (paragraphDepth && x.depth < paragraphDepth && x.end("p")) {
                    paragraphDepth = 0;
                    chars += p.text.size();
                    if (chars > m_limits.maxTextChars) {
                        m_problems.append(
                            {number, -1, -1,
                             QStringLiteral("文字超过 %1 个字符的上限，从这一段起的内容没有读入")
                                 .arg(m_limits.maxTextChars)});
                        break;
                    }
                    if (!finish(p, number, &out))
                        break;
                } else if (x.end("r")) {
                    hidden = false;
                }
                continue;
            }
            if (!x.r.isStartElement())
                continue;
            if (x.start("p") && x.wordElement()) {
                if (!paragraphDepth) {
                    paragraphDepth = x.depth;
                    p = Current();
                    ++number;
                }
                continue;
            }
            if (!paragraphDepth)
                continue;
            if (x.start("pPr")) {
                paragraphProperties(x, &p);
            } else if (x.start("rPr")) {
                hidden = hiddenRun(x);
            } else if (x.start("t")) {
                const QString t = x.text();
                if (!hidden)
                    p.text += t;
            } else if (x.start("tab") || x.start("ptab")) {
                p.text += QLatin1Char('\t');
            } else if (x.start("br") || x.start("cr")) {
                p.text += QLatin1Char('\n');
            } else if (x.start("noBreakHyphen")) {
                p.text += QLatin1Char('-');
            } else if (x.start("sym")) {
                p.text += symbolText(x.attr("font"), x.attr("char"));
            } else if (x.start("drawing") || x.start("pict") || x.start("object")) {
                pictures(x, &p, number);
            } else if (x.start("txbxContent") || x.start("Fallback") || x.start("del") ||
                       x.start("moveFrom") || x.start("delText") || x.start("instrText") ||
                       x.start("footnoteReference")) {
                x.skip();
            }
        }
        if (!x.error().isEmpty() || x.r.hasError()) {
            *error = QStringLiteral("Word 文档的正文已损坏：%1")
                         .arg(x.error().isEmpty() ? QStringLiteral("XML 第 %1 行有错").arg(x.r.lineNumber())
                                                  : x.error());
            return {};
        }
        return out;
    }

    static bool hiddenRun(Xml& x) {
        bool hidden = false;
        const int at = x.depth;
        while (x.next() && x.depth >= at)
            if (x.start("vanish") || x.start("specVanish")) {
                const QString v = x.attr("val");
                hidden = v.isEmpty() || (v != QLatin1String("0") && v != QLatin1String("false") &&
                                         v != QLatin1String("off"));
            }
        return hidden;
    }

    static void paragraphProperties(Xml& x, Current* p) {
        const int at = x.depth;
        while (x.next() && x.depth >= at) {
            if (x.start("pStyle")) {
                p->style = x.attr("val");
            } else if (x.start("numId")) {
                p->numId = x.attr("val");
                p->hasNumId = true;
            } else if (x.start("ilvl")) {
                p->ilvl = x.attr("val").toInt();
            } else if (x.start("rPr") || x.start("tabs") || x.start("sectPr")) {
                x.skip(); // the paragraph mark's look, tab stops, a section's page: nothing to read
            }
        }
    }

    // The pictures of a drawing (a:blip r:embed) or an older picture (v:imagedata r:id).
    void pictures(Xml& x, Current* p, int number) {
        const int at = x.depth;
        while (x.next() && x.depth >= at) {
            QString id;
            if (x.start("blip"))
                id = x.attr("embed");
            else if (x.start("imagedata"))
                id = x.attr("id");
            else if (x.start("txbxContent"))
                x.skip();
            if (id.isEmpty())
                continue;
            Picture picture;
            if (readPicture(id, number, &picture))
                p->pictures.append({int(p->text.count(QLatin1Char('\n'))), picture});
        }
    }

    bool readPicture(const QString& id, int number, Picture* out) {
        const auto rel = m_rels.constFind(id);
        if (rel == m_rels.cend() || rel->external)
            return false;
        const QString part = resolvePartName(m_base, rel->target);
        if (const auto seen = m_pictures.constFind(part); seen != m_pictures.cend()) {
            *out = *seen;
            return true;
        }
        QByteArray bytes;
        QString why;
        const qint64 room = m_limits.maxPictureBytes - m_pictureBytes;
        if (room <= 0 || !m_zip.read(part, room, &bytes, &why)) {
            if (m_zip.has(part))
                m_problems.append({number, -1, -1,
                                   room <= 0 || why.contains(QStringLiteral("过大")) || m_zip.overBudget()
                                       ? QStringLiteral("图片 %1 超过了图片总量的上限，没有读入").arg(part)
                                       : QStringLiteral("图片 %1 无法读出：%2").arg(part, why)});
            return false;
        }
        m_pictureBytes += bytes.size();
        *out = {part, bytes};
        m_pictures.insert(part, *out);
        return true;
    }

    // The paragraph as the layout reader takes it, split at its line breaks. False when the
    // limit on paragraphs is reached.
    bool finish(const Current& p, int number, QList<Paragraph>* out) {
        QString numId = p.numId;
        int ilvl = p.ilvl;
        if (!p.hasNumId)
            m_styles.numbering(p.style, &numId, &ilvl);
        QString label;
        const bool numbered = m_numbering.label(numId, std::max(ilvl, 0), &label);
        const QStringList pieces = p.text.split(QLatin1Char('\n'));
        for (int k = 0; k < pieces.size(); ++k) {
            Paragraph para;
            para.line = number;
            para.text = pieces[k];
            if (k == 0 && numbered) {
                para.autoNumbered = true;
                para.listLevel = std::max(ilvl, 0);
                para.listLabel = label;
            }
            for (const auto& [piece, picture] : p.pictures)
                if (piece == k)
                    para.pictures.append(picture);
            if (para.text.trimmed().isEmpty() && para.pictures.isEmpty() && !para.autoNumbered)
                continue;
            if (out->size() >= m_limits.maxParagraphs) {
                m_problems.append({number, -1, -1,
                                   QStringLiteral("文档超过 %1 段的上限，从这一段起的内容没有读入")
                                       .arg(m_limits.maxParagraphs)});
                return false;
            }
            out->append(para);
        }
        return true;
    }

    // Relationships, numbering and styles are small; a larger one is not a Word part.
    static constexpr qint64 kSmallPart = 16LL * 1024 * 1024;

    const QByteArray& m_bytes;
    Limits m_limits;
    ZipReader m_zip;
    QString m_base; // the folder of the main part ("word")
    QHash<QString, Relationship> m_rels;
    Numbering m_numbering;
    Styles m_styles;
    QHash<QString, Picture> m_pictures;
    qint64 m_pictureBytes = 0;
    QList<Problem> m_problems;
};

} // namespace

QList<Paragraph> docxParagraphs(const QByteArray& bytes, const Limits& limits, QString* error,
                                QList<Problem>* problems) {
    error->clear();
    WordReader reader(bytes, limits);
    return reader.run(error, problems);
}

Document readDocxPaper(const QByteArray& bytes, const QString& fallbackName, const Limits& limits) {
    QString error;
    QList<Problem> problems;
    const QList<Paragraph> paragraphs = docxParagraphs(bytes, limits, &error, &problems);
    Document doc;
    if (!error.isEmpty()) {
        doc.error = error;
        return doc;
    }
    doc = readLayout(paragraphs, fallbackName, limits);
    doc.problems += problems;
    return doc;
}

Document readDocxPaperFile(const QString& path, const Limits& limits) {
    Document doc;
    const QByteArray bytes = readFileWithin(path, limits, &doc.error);
    if (!doc.error.isEmpty())
        return doc;
    return readDocxPaper(bytes, QFileInfo(path).completeBaseName(), limits);
}

} // namespace documents
