#include "bank/SheetFiles.h"

#include "ui/Gbk.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <zip.h>

namespace sheets {

const Sheet* Workbook::sheet(const QString& name) const {
    for (const Sheet& s : sheets)
        if (s.name.trimmed() == name)
            return &s;
    return nullptr;
}

namespace {

const QString kRelNs = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// The parts of the package (a zip file read with libzip), by their names in lower case: names
// are matched without regard to case.
class Package {
  public:
    explicit Package(const QString& path) : m_path(path) {}
    ~Package() {
        if (m_zip)
            zip_discard(m_zip);
    }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool open() {
        int error = 0;
        m_zip = zip_open(QFile::encodeName(m_path).constData(), ZIP_RDONLY, &error);
        if (!m_zip)
            return false;
        const zip_int64_t n = zip_get_num_entries(m_zip, 0);
        for (zip_int64_t i = 0; i < n; ++i)
            if (const char* name = zip_get_name(m_zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS))
                m_index.insert(QString::fromUtf8(name).toLower(), i);
        return true;
    }
    bool has(const QString& name) const { return m_index.contains(name.toLower()); }

    // The unpacked bytes of one part, never more than kMaxPartBytes.
    bool read(const QString& name, QByteArray* out, QString* error) {
        const zip_int64_t index = m_index.value(name.toLower(), -1);
        if (index < 0) {
            *error = QStringLiteral("缺少部件 %1").arg(name);
            return false;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE) &&
            st.size > zip_uint64_t(kMaxPartBytes)) {
            *error = QStringLiteral("部件 %1 过大").arg(name);
            return false;
        }
        zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!file) {
            *error = QStringLiteral("部件 %1 无法解压").arg(name);
            return false;
        }
        out->clear();
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
            if (out->size() + n > kMaxPartBytes) {
                *error = QStringLiteral("部件 %1 过大").arg(name);
                ok = false;
                break;
            }
            out->append(buffer, int(n));
        }
        zip_fclose(file);
        return ok;
    }

  private:
    QString m_path;
    zip_t* m_zip = nullptr;
    QHash<QString, zip_int64_t> m_index;
};

// "xl/" + "worksheets/sheet1.xml", "/xl/worksheets/sheet1.xml" or "../x.xml" as a part name.
QString resolvePart(const QString& base, const QString& target) {
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

struct Relationship {
    QString type;
    QString target;
};

QHash<QString, Relationship> readRelationships(const QByteArray& xml) {
    QHash<QString, Relationship> out;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("Relationship")) {
            const auto a = r.attributes();
            out.insert(
                a.value(QLatin1String("Id")).toString(),
                {a.value(QLatin1String("Type")).toString(), a.value(QLatin1String("Target")).toString()});
        }
    }
    return out;
}

// The text of a string item (<si> or <is>): its own <t>, or the <t> of each run; the phonetic
// guide (<rPh>) is not part of the text.
QString readStringItem(QXmlStreamReader& r) {
    const auto end = r.name().toString();
    QString text;
    int skip = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            if (r.name() == QLatin1String("rPh") || r.name() == QLatin1String("phoneticPr"))
                ++skip;
            else if (r.name() == QLatin1String("t") && skip == 0)
                text += r.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (r.isEndElement()) {
            if (r.name() == QLatin1String("rPh") || r.name() == QLatin1String("phoneticPr"))
                --skip;
            else if (r.name() == end)
                break;
        }
    }
    return text;
}

bool readSharedStrings(const QByteArray& xml, QStringList* out) {
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("si"))
            *out << readStringItem(r);
    }
    return !r.hasError();
}

// 0-based column of a cell reference ("C7" → 2); -1 when it is not one.
int columnOf(QStringView ref) {
    int col = 0;
    int i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        const QChar c = ref[i].toUpper();
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            return -1;
        col = col * 26 + (c.unicode() - 'A' + 1);
        if (col > kMaxColumn)
            return -1;
    }
    return i == 0 ? -1 : col - 1;
}

int rowOf(QStringView ref) {
    int i = 0;
    while (i < ref.size() && ref[i].isLetter())
        ++i;
    bool ok = false;
    const int n = ref.mid(i).toInt(&ok);
    return ok ? n : 0;
}

QVariant numberCell(const QString& v) {
    bool ok = false;
    const double d = v.trimmed().toDouble(&ok);
    return ok ? QVariant(d) : QVariant(v);
}

bool readSheet(const QByteArray& xml, const QStringList& shared, Sheet* sheet, qint64* cells,
               QString* error) {
    QXmlStreamReader r(xml);
    Row row;
    int lastRow = 0;
    int lastColumn = -1;
    auto flush = [&] {
        if (!row.cells.isEmpty())
            sheet->rows << row;
        row = Row();
    };
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QLatin1String("row")) {
            flush();
            const int n = r.attributes().value(QLatin1String("r")).toInt();
            row.number = n > lastRow ? n : lastRow + 1;
            if (row.number > kMaxRow) {
                *error = QStringLiteral("行号 %1 超出范围").arg(row.number);
                return false;
            }
            lastRow = row.number;
            lastColumn = -1;
        } else if (r.name() == QLatin1String("c")) {
            const auto attrs = r.attributes();
            const QStringView ref = attrs.value(QLatin1String("r"));
            const QString type = attrs.value(QLatin1String("t")).toString();
            int column = ref.isEmpty() ? lastColumn + 1 : columnOf(ref);
            if (column < 0 || column >= kMaxColumn) {
                *error = QStringLiteral("单元格地址 %1 无效").arg(ref.toString());
                return false;
            }
            if (row.number == 0) { // a cell outside any row element
                const int n = ref.isEmpty() ? 0 : rowOf(ref);
                row.number = n > lastRow ? n : lastRow + 1;
                if (row.number > kMaxRow) {
                    *error = QStringLiteral("行号 %1 超出范围").arg(row.number);
                    return false;
                }
                lastRow = row.number;
            }
            lastColumn = column;
            QString value;
            QString inlineText;
            bool hasValue = false, hasInline = false;
            while (!r.atEnd()) {
                r.readNext();
                if (r.isEndElement() && r.name() == QLatin1String("c"))
                    break;
                if (!r.isStartElement())
                    continue;
                if (r.name() == QLatin1String("v")) {
                    value = r.readElementText(QXmlStreamReader::IncludeChildElements);
                    hasValue = true;
                } else if (r.name() == QLatin1String("is")) {
                    inlineText = readStringItem(r);
                    hasInline = true;
                } else {
                    r.skipCurrentElement();
                }
            }
            QVariant cell;
            if (type == QLatin1String("inlineStr")) {
                if (hasInline)
                    cell = inlineText;
            } else if (!hasValue) {
                // A cell with only a style: empty.
            } else if (type == QLatin1String("s")) {
                bool ok = false;
                const int index = value.trimmed().toInt(&ok);
                if (!ok || index < 0 || index >= shared.size()) {
                    *error = QStringLiteral("单元格引用了不存在的共享字符串");
                    return false;
                }
                cell = shared[index];
            } else if (type == QLatin1String("b")) {
                cell = value.trimmed() == QLatin1String("1") || value.trimmed() == QLatin1String("true");
            } else if (type == QLatin1String("str") || type == QLatin1String("e") ||
                       type == QLatin1String("d")) {
                cell = value;
            } else {
                cell = numberCell(value);
            }
            if (cell.isValid()) {
                if (++*cells > kMaxCells) {
                    *error = QStringLiteral("单元格过多");
                    return false;
                }
                while (row.cells.size() < column)
                    row.cells << QVariant();
                if (row.cells.size() == column)
                    row.cells << cell;
                else
                    row.cells[column] = cell;
            }
        }
    }
    flush();
    if (r.hasError()) {
        *error = QStringLiteral("XML 有错：%1").arg(r.errorString());
        return false;
    }
    return true;
}

} // namespace

Workbook readXlsx(const QString& path) {
    Workbook book;
    const QString file = QFileInfo(path).fileName();
    auto fail = [&](const QString& why) {
        book.sheets.clear();
        book.error = QStringLiteral("%1 不是可以读取的 .xlsx 工作簿（%2）。").arg(file, why);
        return book;
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("找不到文件"));
    Package pkg(path);
    if (!pkg.open())
        return fail(QStringLiteral("不是 zip 压缩包"));
    QString error;
    QByteArray xml;

    // The workbook part, as the package's relationships name it.
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    if (pkg.read(QStringLiteral("_rels/.rels"), &xml, &error))
        for (const Relationship& rel : readRelationships(xml))
            if (rel.type.endsWith(QLatin1String("/officeDocument")))
                workbookPart = resolvePart(QString(), rel.target);
    const QString base = workbookPart.section(QLatin1Char('/'), 0, -2);
    if (!pkg.read(workbookPart, &xml, &error))
        return fail(error);
    QList<QPair<QString, QString>> declared; // sheet name, relationship id
    {
        QXmlStreamReader r(xml);
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == QLatin1String("sheet")) {
                const auto a = r.attributes();
                QString id = a.value(kRelNs, QLatin1String("id")).toString();
                if (id.isEmpty())
                    for (const QXmlStreamAttribute& at : a)
                        if (at.name() == QLatin1String("id"))
                            id = at.value().toString();
                declared.append({a.value(QLatin1String("name")).toString(), id});
            }
        }
        if (r.hasError())
            return fail(QStringLiteral("工作簿目录 XML 有错"));
    }
    QHash<QString, Relationship> rels;
    const QString relsPart = (base.isEmpty() ? QString() : base + QLatin1Char('/')) +
                             QStringLiteral("_rels/") + workbookPart.section(QLatin1Char('/'), -1) +
                             QStringLiteral(".rels");
    if (pkg.read(relsPart, &xml, &error))
        rels = readRelationships(xml);

    QStringList shared;
    QString sharedPart;
    for (const Relationship& rel : rels)
        if (rel.type.endsWith(QLatin1String("/sharedStrings")))
            sharedPart = resolvePart(base, rel.target);
    if (sharedPart.isEmpty() && pkg.has(base + QStringLiteral("/sharedStrings.xml")))
        sharedPart = base + QStringLiteral("/sharedStrings.xml");
    if (!sharedPart.isEmpty()) {
        if (!pkg.read(sharedPart, &xml, &error))
            return fail(error);
        if (!readSharedStrings(xml, &shared))
            return fail(QStringLiteral("共享字符串 XML 有错"));
    }

    qint64 cells = 0;
    for (int i = 0; i < declared.size(); ++i) {
        const auto& [name, id] = declared[i];
        QString part = rels.contains(id) ? resolvePart(base, rels.value(id).target)
                                         : base + QStringLiteral("/worksheets/sheet%1.xml").arg(i + 1);
        if (!pkg.has(part))
            continue; // a chart sheet or a sheet the file does not hold: nothing to read
        Sheet sheet;
        sheet.name = name;
        if (!pkg.read(part, &xml, &error))
            return fail(error);
        if (!readSheet(xml, shared, &sheet, &cells, &error))
            return fail(QStringLiteral("工作表“%1”：%2").arg(name, error));
        book.sheets << sheet;
    }
    return book;
}

bool looksUtf8(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return true;
    QStringDecoder dec(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = dec.decode(bytes);
    Q_UNUSED(text);
    return !dec.hasError();
}

Sheet parseCsv(const QByteArray& bytes, const QString& name) {
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else if (looksUtf8(bytes))
        text = QString::fromUtf8(bytes);
    else
        text = gbk::decode(bytes);

    Sheet sheet;
    sheet.name = name;
    Row row;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field had quotes: "" is an empty text, not an empty cell
    int record = 1;
    auto endField = [&] {
        row.cells << (field.isEmpty() && !wasQuoted ? QVariant() : QVariant(field));
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endField();
        bool any = false;
        for (const QVariant& c : row.cells)
            any = any || !c.isNull();
        if (any) {
            while (!row.cells.isEmpty() && row.cells.last().isNull())
                row.cells.removeLast();
            row.number = record;
            sheet.rows << row;
        }
        row = Row();
        ++record;
    };
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endRecord();
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || wasQuoted || !row.cells.isEmpty())
        endRecord();
    return sheet;
}

} // namespace sheets
