#include "documents/PaperWriter.h"

#include "documents/ChineseLayout.h"
#include "documents/ZipPackage.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QMap>
#include <QSet>
#include <QXmlStreamWriter>
#include <cmath>

namespace documents {

namespace {

// One paragraph of the written paper.
struct Line {
    enum Style { Title, Heading, Body, Gap };
    Style style = Body;
    QString text;
    QList<Picture> pictures;       // after the line
    int paper = -1, question = -1; // the question it belongs to
    bool start = false;            // the question's numbered line
};

QString markText(double v) {
    QString s = QString::number(v, 'f', 6);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

bool sameMark(const std::optional<double>& a, const std::optional<double>& b) {
    return a.has_value() == b.has_value() && (!a || std::fabs(*a - *b) < 1e-9);
}

QString sectionName(Type type) {
    switch (type) {
    case Type::Single:
        return QStringLiteral("单项选择题");
    case Type::Multiple:
        return QStringLiteral("多项选择题");
    case Type::TrueFalse:
        return QStringLiteral("判断题");
    case Type::Indefinite:
        return QStringLiteral("不定项选择题");
    case Type::None:
        break;
    }
    return QStringLiteral("选择题"); // read back as questions typed by their answers
}

// The lines of a text as written: trimmed, blank ones left out.
QStringList textLines(const QString& text) {
    QStringList out;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            out << line.trimmed();
    return out;
}

// Each line of a text after the first as a line of its own; or all on one line (flat) where
// lines of their own would be read as something else.
void addLines(QList<Line>& out, const QString& first, const QString& text, bool flat) {
    const QStringList lines = textLines(text);
    if (flat || lines.isEmpty()) {
        out.append({Line::Body, first + lines.join(QLatin1Char(' ')), {}});
        return;
    }
    out.append({Line::Body, first + lines.first(), {}});
    for (int i = 1; i < lines.size(); ++i)
        out.append({Line::Body, lines[i], {}});
}

using Flat = QSet<QPair<int, int>>; // (paper, question) written with one-line texts

QList<Line> layout(const Document& doc, const Flat& flats = {}) {
    QList<Line> out;
    const bool several = doc.papers.size() > 1;
    for (int pi = 0; pi < doc.papers.size(); ++pi) {
        const Paper& paper = doc.papers[pi];
        QString title = paper.name.trimmed();
        // A name that could be read as a question or a heading keeps the paper mark.
        if (several || (!title.isEmpty() && !readsAsText(title)))
            title = QStringLiteral("【试卷】") + title;
        if (paper.minutes)
            title += QStringLiteral("　考试时间：%1分钟").arg(*paper.minutes);
        if (!title.isEmpty())
            out.append({Line::Title, title, {}});
        int section = 0;
        const QList<Question>& qs = paper.questions;
        for (int i = 0; i < qs.size();) {
            const Type type = effectiveType(qs[i]);
            int end = i + 1;
            while (end < qs.size() && effectiveType(qs[end]) == type && sameMark(qs[end].mark, qs[i].mark) &&
                   !(qs[end].material.trimmed().isEmpty() && !qs[end - 1].material.trimmed().isEmpty()))
                ++end;
            const int count = end - i;
            QString heading = QStringLiteral("%1、%2").arg(chineseNumeral(++section), sectionName(type));
            heading += qs[i].mark ? QStringLiteral("（本类题共%1小题，每小题%2分，共%3分")
                                        .arg(count)
                                        .arg(markText(*qs[i].mark), markText(*qs[i].mark * count))
                                  : QStringLiteral("（本类题共%1小题").arg(count);
            // The paper's marking of the type, in the words the reader takes from a heading.
            if (type != Type::None)
                if (const QString rule = headingPhrase(paper.rules.of(type)); !rule.isEmpty())
                    heading += QStringLiteral("，") + rule;
            heading += QStringLiteral("）");
            out.append({Line::Gap, {}, {}});
            out.append({Line::Heading, heading, {}});
            for (int k = i; k < end; ++k) {
                const Question& q = qs[k];
                const bool flat = flats.contains({pi, k});
                const QString material = q.material.trimmed();
                const qsizetype first = out.size();
                if (!material.isEmpty() && (k == i || material != qs[k - 1].material.trimmed()))
                    addLines(out, QStringLiteral("【资料】"), material, flat);
                const qsizetype start = out.size();
                addLines(out, QStringLiteral("%1．").arg(k + 1), q.stem, flat);
                out.last().pictures = q.pictures;
                for (int o = 0; o < q.options.size(); ++o)
                    out.append({Line::Body,
                                QStringLiteral("%1．%2")
                                    .arg(QChar(char16_t(u'A' + o)))
                                    .arg(q.options[o].simplified()),
                                {}});
                if (!q.answer.isEmpty())
                    out.append({Line::Body,
                                QStringLiteral("【答案】") +
                                    (q.answer == QStringLiteral("对")   ? QStringLiteral("√")
                                     : q.answer == QStringLiteral("错") ? QStringLiteral("×")
                                                                        : q.answer),
                                {}});
                if (!q.explanation.trimmed().isEmpty())
                    addLines(out, QStringLiteral("【解析】"), q.explanation, flat);
                for (qsizetype l = first; l < out.size(); ++l)
                    out[l].paper = pi, out[l].question = k;
                out[start].start = true;
                out.append({Line::Gap, {}, {}});
            }
            i = end;
        }
        out.append({Line::Gap, {}, {}});
    }
    return out;
}

// The questions of the layout that are not read back as written (matched by the line each
// starts on) and could be by putting their texts on one line each.
Flat misread(const Document& doc, const QList<Line>& lines) {
    QList<Paragraph> paragraphs;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].style != Line::Gap)
            paragraphs.append({i + 1, lines[i].text, false, 0, {}, {}});
    const Document back = readLayout(paragraphs, QStringLiteral("卷"));
    QHash<int, const Question*> readAt; // by the index of its first line
    for (const Paper& p : back.papers)
        for (const Question& q : p.questions)
            readAt.insert(q.line - 1, &q);
    auto several = [](const Question& w) {
        return textLines(w.stem).size() > 1 || textLines(w.explanation).size() > 1 ||
               textLines(w.material).size() > 1;
    };
    Flat out;
    for (int l = 0; l < lines.size(); ++l) {
        if (lines[l].question < 0)
            continue;
        const Question& w = doc.papers[lines[l].paper].questions[lines[l].question];
        const Question* r = readAt.value(l);
        bool wrong = false;
        if (lines[l].start)
            wrong = !r || r->options.size() != w.options.size() ||
                    r->stem != textLines(w.stem).join(QLatin1Char('\n')) ||
                    r->explanation != textLines(w.explanation).join(QLatin1Char('\n')) ||
                    r->material != textLines(w.material).join(QLatin1Char('\n'));
        else
            wrong = r != nullptr; // a line of the question read as a question of its own
        if (wrong && several(w))
            out.insert({lines[l].paper, lines[l].question});
    }
    return out;
}

// The layout, with the texts of the questions that would not be read back as written (a line of
// a stem or an explanation that reads as a question number, an option…) put on one line each.
QList<Line> readableLayout(const Document& doc) {
    Flat flat;
    QList<Line> lines = layout(doc);
    for (int round = 0; round < 3; ++round) {
        const Flat more = misread(doc, lines) - flat;
        if (more.isEmpty())
            break;
        flat += more;
        lines = layout(doc, flat);
    }
    return lines;
}

// ---- .docx ----

struct ImageKind {
    const char* extension;
    const char* contentType;
};

// What Word can show, told from the bytes; nullptr for anything else (left out).
const ImageKind* imageKind(const QByteArray& b) {
    static const ImageKind png{"png", "image/png"}, jpeg{"jpeg", "image/jpeg"}, gif{"gif", "image/gif"},
        bmp{"bmp", "image/bmp"}, tiff{"tiff", "image/tiff"}, emf{"emf", "image/x-emf"},
        wmf{"wmf", "image/x-wmf"};
    if (b.startsWith("\x89PNG"))
        return &png;
    if (b.startsWith("\xFF\xD8\xFF"))
        return &jpeg;
    if (b.startsWith("GIF8"))
        return &gif;
    if (b.startsWith("BM"))
        return &bmp;
    if (b.startsWith("II*") || b.startsWith("MM\0*"))
        return &tiff;
    if (b.size() > 44 && b.startsWith(QByteArray("\x01\0\0\0", 4)) && b.mid(40, 4) == " EMF")
        return &emf;
    if (b.startsWith("\xD7\xCD\xC6\x9A"))
        return &wmf;
    return nullptr;
}

// Characters XML 1.0 cannot hold are left out.
QString xmlSafe(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (!c.isSurrogate() && (c.unicode() >= 0x20 || c == QLatin1Char('\t')) &&
                   c.unicode() != 0xFFFE && c.unicode() != 0xFFFF) {
            out += c;
        }
    }
    return out;
}

const char* const kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

class DocxWriter {
  public:
    QByteArray write(const Document& doc, QString* error) {
        const QByteArray body = document(readableLayout(doc));
        QList<QPair<QString, QByteArray>> parts{
            {QStringLiteral("[Content_Types].xml"), contentTypes()},
            {QStringLiteral("_rels/.rels"), packageRels()},
            {QStringLiteral("word/document.xml"), body},
            {QStringLiteral("word/styles.xml"), styles()},
            {QStringLiteral("word/_rels/document.xml.rels"), documentRels()}};
        for (const Media& m : std::as_const(m_media))
            parts.append({QStringLiteral("word/") + m.target, m.bytes});
        return zipParts(parts, error);
    }

  private:
    struct Media {
        QString id;
        QString target; // media/image1.png
        QByteArray bytes;
    };

    QByteArray document(const QList<Line>& lines) {
        QByteArray out;
        QXmlStreamWriter w(&out);
        w.writeStartDocument(QStringLiteral("1.0"), true);
        w.writeStartElement(QStringLiteral("w:document"));
        w.writeAttribute(QStringLiteral("xmlns:w"), QLatin1String(kW));
        w.writeAttribute(
            QStringLiteral("xmlns:r"),
            QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships"));
        w.writeAttribute(
            QStringLiteral("xmlns:wp"),
            QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"));
        w.writeAttribute(QStringLiteral("xmlns:a"),
                         QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main"));
        w.writeAttribute(QStringLiteral("xmlns:pic"),
                         QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture"));
        w.writeStartElement(QStringLiteral("w:body"));
        for (const Line& line : lines) {
            if (line.style == Line::Gap) {
                w.writeEmptyElement(QStringLiteral("w:p"));
                continue;
            }
            w.writeStartElement(QStringLiteral("w:p"));
            if (line.style != Line::Body) {
                w.writeStartElement(QStringLiteral("w:pPr"));
                w.writeEmptyElement(QStringLiteral("w:pStyle"));
                w.writeAttribute(QStringLiteral("w:val"), line.style == Line::Title
                                                              ? QStringLiteral("Title")
                                                              : QStringLiteral("Heading1"));
                w.writeEndElement();
            }
            runs(w, xmlSafe(line.text));
            w.writeEndElement();
            for (const Picture& picture : line.pictures)
                drawing(w, picture);
        }
        // A4, with Word's usual margins.
        w.writeStartElement(QStringLiteral("w:sectPr"));
        w.writeEmptyElement(QStringLiteral("w:pgSz"));
        w.writeAttribute(QStringLiteral("w:w"), QStringLiteral("11906"));
        w.writeAttribute(QStringLiteral("w:h"), QStringLiteral("16838"));
        w.writeEmptyElement(QStringLiteral("w:pgMar"));
        for (const auto& [name, value] : {std::pair{"w:top", "1440"},
                                          {"w:right", "1800"},
                                          {"w:bottom", "1440"},
                                          {"w:left", "1800"},
                                          {"w:header", "851"},
                                          {"w:footer", "992"},
                                          {"w:gutter", "0"}})
            w.writeAttribute(QLatin1String(name), QLatin1String(value));
        w.writeEndElement();
        w.writeEndElement(); // body
        w.writeEndElement(); // document
        w.writeEndDocument();
        return out;
    }

    static void runs(QXmlStreamWriter& w, const QString& text) {
        w.writeStartElement(QStringLiteral("w:r"));
        const QStringList pieces = text.split(QLatin1Char('\t'));
        for (int i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                w.writeEmptyElement(QStringLiteral("w:tab"));
            if (pieces[i].isEmpty())
                continue;
            w.writeStartElement(QStringLiteral("w:t"));
            w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            w.writeCharacters(pieces[i]);
            w.writeEndElement();
        }
        w.writeEndElement();
    }

    // A picture in a paragraph of its own, as wide as it is (at 96 dpi) up to the text width.
    void drawing(QXmlStreamWriter& w, const Picture& picture) {
        const ImageKind* kind = imageKind(picture.bytes);
        if (!kind)
            return;
        QString id = m_mediaByBytes.value(picture.bytes);
        if (id.isEmpty()) {
            id = QStringLiteral("rIdImage%1").arg(m_media.size() + 1);
            m_media.append({id,
                            QStringLiteral("media/image%1.%2")
                                .arg(m_media.size() + 1)
                                .arg(QLatin1String(kind->extension)),
                            picture.bytes});
            m_mediaByBytes.insert(picture.bytes, id);
            m_kinds.insert(QLatin1String(kind->extension), QLatin1String(kind->contentType));
        }
        QByteArray bytes = picture.bytes;
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        QSize size = reader.size();
        if (!size.isValid() || size.isEmpty())
            size = QSize(320, 240);
        constexpr qint64 emuPerPixel = 9525, widest = 5400000; // 15 cm
        qint64 cx = size.width() * emuPerPixel, cy = size.height() * emuPerPixel;
        if (cx > widest) {
            cy = cy * widest / cx;
            cx = widest;
        }
        const int n = ++m_drawings;
        auto empty = [&](const char* name, std::initializer_list<std::pair<const char*, QString>> attrs) {
            w.writeEmptyElement(QLatin1String(name));
            for (const auto& [a, v] : attrs)
                w.writeAttribute(QLatin1String(a), v);
        };
        auto start = [&](const char* name,
                         std::initializer_list<std::pair<const char*, QString>> attrs = {}) {
            w.writeStartElement(QLatin1String(name));
            for (const auto& [a, v] : attrs)
                w.writeAttribute(QLatin1String(a), v);
        };
        const QString zero = QStringLiteral("0");
        start("w:p");
        start("w:r");
        start("w:drawing");
        start("wp:inline", {{"distT", zero}, {"distB", zero}, {"distL", zero}, {"distR", zero}});
        empty("wp:extent", {{"cx", QString::number(cx)}, {"cy", QString::number(cy)}});
        empty("wp:effectExtent", {{"l", zero}, {"t", zero}, {"r", zero}, {"b", zero}});
        empty("wp:docPr", {{"id", QString::number(n)}, {"name", QStringLiteral("图片 %1").arg(n)}});
        start("wp:cNvGraphicFramePr");
        empty("a:graphicFrameLocks", {{"noChangeAspect", QStringLiteral("1")}});
        w.writeEndElement();
        start("a:graphic");
        start("a:graphicData",
              {{"uri", QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture")}});
        start("pic:pic");
        start("pic:nvPicPr");
        empty("pic:cNvPr", {{"id", QString::number(n)}, {"name", QStringLiteral("image%1").arg(n)}});
        empty("pic:cNvPicPr", {});
        w.writeEndElement();
        start("pic:blipFill");
        empty("a:blip", {{"r:embed", id}});
        start("a:stretch");
        empty("a:fillRect", {});
        w.writeEndElement();
        w.writeEndElement();
        start("pic:spPr");
        start("a:xfrm");
        empty("a:off", {{"x", zero}, {"y", zero}});
        empty("a:ext", {{"cx", QString::number(cx)}, {"cy", QString::number(cy)}});
        w.writeEndElement();
        start("a:prstGeom", {{"prst", QStringLiteral("rect")}});
        empty("a:avLst", {});
        w.writeEndElement();
        w.writeEndElement(); // spPr
        w.writeEndElement(); // pic
        w.writeEndElement(); // graphicData
        w.writeEndElement(); // graphic
        w.writeEndElement(); // inline
        w.writeEndElement(); // drawing
        w.writeEndElement(); // r
        w.writeEndElement(); // p
    }

    QByteArray contentTypes() const {
        QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                         "<Default Extension=\"rels\" "
                         "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
        for (auto it = m_kinds.cbegin(); it != m_kinds.cend(); ++it)
            out += "<Default Extension=\"" + it.key().toLatin1() + "\" ContentType=\"" +
                   it.value().toLatin1() + "\"/>";
        out += "<Override PartName=\"/word/document.xml\" "
               "ContentType=\"application/"
               "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
               "<Override PartName=\"/word/styles.xml\" "
               "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
               "</Types>";
        return out;
    }

    static QByteArray packageRels() {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
               "Target=\"word/document.xml\"/></Relationships>";
    }

    QByteArray documentRels() const {
        QByteArray out =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rIdStyles\" "
            "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
            "Target=\"styles.xml\"/>";
        for (const Media& m : m_media)
            out += "<Relationship Id=\"" + m.id.toLatin1() +
                   "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
                   "Target=\"" +
                   m.target.toLatin1() + "\"/>";
        out += "</Relationships>";
        return out;
    }

    // 宋体 10.5 pt for the text; the title centred and large, headings bold.
    static QByteArray styles() {
        return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                   "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                   "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Times New Roman\" "
                   "w:hAnsi=\"Times New Roman\" w:eastAsia=\"宋体\"/><w:sz w:val=\"21\"/><w:szCs "
                   "w:val=\"21\"/>"
                   "<w:lang w:val=\"en-US\" w:eastAsia=\"zh-CN\"/></w:rPr></w:rPrDefault>"
                   "<w:pPrDefault><w:pPr><w:spacing w:after=\"0\" w:line=\"300\" "
                   "w:lineRule=\"auto\"/></w:pPr>"
                   "</w:pPrDefault></w:docDefaults>"
                   "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name "
                   "w:val=\"Normal\"/>"
                   "</w:style>"
                   "<w:style w:type=\"paragraph\" w:styleId=\"Title\"><w:name w:val=\"Title\"/>"
                   "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:pPr><w:jc w:val=\"center\"/>"
                   "<w:spacing w:after=\"240\"/></w:pPr><w:rPr><w:rFonts w:eastAsia=\"黑体\"/><w:b/>"
                   "<w:sz w:val=\"32\"/><w:szCs w:val=\"32\"/></w:rPr></w:style>"
                   "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>"
                   "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:pPr><w:keepNext/>"
                   "<w:spacing w:before=\"120\" w:after=\"120\"/><w:outlineLvl w:val=\"0\"/></w:pPr>"
                   "<w:rPr><w:rFonts w:eastAsia=\"黑体\"/><w:b/><w:sz w:val=\"24\"/><w:szCs "
                   "w:val=\"24\"/></w:rPr>"
                   "</w:style></w:styles>")
            .toUtf8();
    }

    QList<Media> m_media;
    QHash<QByteArray, QString> m_mediaByBytes;
    QMap<QString, QString> m_kinds; // extension → content type
    int m_drawings = 0;
};

} // namespace

QByteArray writeTextPaper(const Document& doc) {
    QString text;
    bool gap = true; // no blank line at the very start, nor two in a row
    for (const Line& line : readableLayout(doc)) {
        if (line.style == Line::Gap) {
            if (!gap)
                text += QStringLiteral("\r\n");
            gap = true;
            continue;
        }
        QString one = line.text;
        one.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text += one + QStringLiteral("\r\n");
        gap = false;
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray writeDocxPaper(const Document& doc, QString* error) {
    DocxWriter writer;
    return writer.write(doc, error);
}

} // namespace documents
