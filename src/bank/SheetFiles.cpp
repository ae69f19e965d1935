#include "bank/SheetFiles.h"

#include "documents/ZipPackage.h"
#include "ui/Gbk.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <limits>
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

// What kept things cost in memory, roughly as the allocator sees them.
constexpr qint64 kSlotBytes = qint64(sizeof(QVariant));
constexpr qint64 kRowBytes = qint64(sizeof(Row)) + 32;
constexpr qint64 kChunkBytes = 64 * 1024;

qint64 textBytes(const QString& text) {
    return text.isEmpty() ? 0 : 2 * qint64(text.size()) + 32;
}

QString megabytes(qint64 bytes) {
    return QString::number(bytes / (1024 * 1024));
}

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
    zip_int64_t index(const QString& name) const { return m_index.value(name.toLower(), -1); }
    // The unpacked size the package gives for a part (it may lie; used for progress and an early
    // refusal only); -1 when it gives none.
    qint64 size(const QString& name) const {
        zip_stat_t st;
        zip_stat_init(&st);
        const zip_int64_t i = index(name);
        if (i < 0 || zip_stat_index(m_zip, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return -1;
        return st.size > zip_uint64_t(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                                          : qint64(st.size);
    }
    zip_t* zip() const { return m_zip; }

  private:
    QString m_path;
    zip_t* m_zip = nullptr;
    QHash<QString, zip_int64_t> m_index;
};

// One part's XML, read as it is unpacked, a piece at a time: the part is never held whole.
// Nesting deeper than the limit, or markup that gives no token for longer than the limit, stops
// the read; so does every limit of the budget.
class PartXml {
  public:
    PartXml(const Package& pkg, const QString& name, Budget& budget) : m_name(name), m_budget(budget) {
        const zip_int64_t index = pkg.index(name);
        if (index < 0) {
            m_error = QStringLiteral("缺少部件 %1").arg(name);
            return;
        }
        if (pkg.size(name) > budget.limits().partBytes) {
            m_error = QStringLiteral("部件 %1 过大").arg(name);
            return;
        }
        m_file = zip_fopen_index(pkg.zip(), zip_uint64_t(index), 0);
        if (!m_file)
            m_error = QStringLiteral("部件 %1 无法解压").arg(name);
    }
    ~PartXml() {
        if (m_file)
            zip_fclose(m_file);
    }
    PartXml(const PartXml&) = delete;
    PartXml& operator=(const PartXml&) = delete;

    QXmlStreamReader& xml() { return m_xml; }
    bool isStart(QLatin1String name) const { return m_xml.isStartElement() && m_xml.name() == name; }
    bool isEnd(QLatin1String name) const { return m_xml.isEndElement() && m_xml.name() == name; }

    // The next token; false at the end of the part and when the read stopped (see error()).
    bool next() {
        if (m_done || !m_error.isEmpty() || m_budget.failed())
            return false;
        for (;;) {
            const QXmlStreamReader::TokenType t = m_xml.readNext();
            if (t == QXmlStreamReader::Invalid) {
                if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && !m_eof) {
                    if (!feed())
                        return false;
                    continue;
                }
                m_error = m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError
                              ? QStringLiteral("XML 有错：内容不完整")
                              : QStringLiteral("XML 有错：%1").arg(m_xml.errorString());
                return false;
            }
            m_sinceToken = 0;
            if (t == QXmlStreamReader::StartElement && ++m_depth > m_budget.limits().depth) {
                m_error = QStringLiteral("XML 嵌套超过 %1 层").arg(m_budget.limits().depth);
                return false;
            }
            if (t == QXmlStreamReader::EndElement)
                --m_depth;
            if (t == QXmlStreamReader::EndDocument) {
                m_done = true;
                return false;
            }
            return true;
        }
    }

    // The text inside the current start element and all elements in it; the read is left on its
    // end element.
    QString text() {
        QString out;
        for (int depth = 1; depth > 0 && next();) {
            if (m_xml.isStartElement())
                ++depth;
            else if (m_xml.isEndElement())
                --depth;
            else if (m_xml.isCharacters()) {
                out += m_xml.text();
                if (2 * qint64(out.size()) > m_budget.limits().pieceBytes) {
                    m_error = QStringLiteral("一个单元格的文字过长");
                    break;
                }
            }
        }
        return out;
    }

    // Past the end of the current start element.
    void skip() {
        for (int depth = 1; depth > 0 && next();) {
            if (m_xml.isStartElement())
                ++depth;
            else if (m_xml.isEndElement())
                --depth;
        }
    }

    bool ok() const { return m_error.isEmpty() && !m_budget.failed(); }
    // Why the read stopped early; empty when it reached the end of the part.
    QString error() const { return m_budget.failed() ? m_budget.error() : m_error; }

  private:
    bool feed() {
        char buffer[kChunkBytes];
        const zip_int64_t n = zip_fread(m_file, buffer, sizeof buffer);
        if (n < 0) {
            m_error = QStringLiteral("部件 %1 已损坏").arg(m_name);
            return false;
        }
        if (n == 0) {
            m_eof = true;
            return true;
        }
        m_partRead += n;
        m_sinceToken += n;
        if (m_partRead > m_budget.limits().partBytes) {
            m_error = QStringLiteral("部件 %1 过大").arg(m_name);
            return false;
        }
        if (m_sinceToken > m_budget.limits().pieceBytes) {
            m_error = QStringLiteral("部件 %1 中有一段内容过长").arg(m_name);
            return false;
        }
        if (!m_budget.read(n))
            return false;
        m_xml.addData(QByteArray(buffer, qsizetype(n)));
        return true;
    }

    QString m_name;
    Budget& m_budget;
    zip_file_t* m_file = nullptr;
    QXmlStreamReader m_xml;
    QString m_error;
    qint64 m_partRead = 0;
    qint64 m_sinceToken = 0;
    int m_depth = 0;
    bool m_eof = false;
    bool m_done = false;
};

struct Relationship {
    QString type;
    QString target;
};

QHash<QString, Relationship> readRelationships(PartXml& x) {
    QHash<QString, Relationship> out;
    while (x.next()) {
        if (x.isStart(QLatin1String("Relationship"))) {
            const auto a = x.xml().attributes();
            out.insert(
                a.value(QLatin1String("Id")).toString(),
                {a.value(QLatin1String("Type")).toString(), a.value(QLatin1String("Target")).toString()});
        }
    }
    return out;
}

// The text of a string item (<si> or <is>): its own <t>, or the <t> of each run; the phonetic
// guide (<rPh>) is not part of the text.
QString readStringItem(PartXml& x) {
    const QString end = x.xml().name().toString();
    QString text;
    int skip = 0;
    while (x.next()) {
        QXmlStreamReader& r = x.xml();
        if (r.isStartElement()) {
            if (r.name() == QLatin1String("rPh") || r.name() == QLatin1String("phoneticPr"))
                ++skip;
            else if (r.name() == QLatin1String("t") && skip == 0)
                text += x.text();
        } else if (r.isEndElement()) {
            if (r.name() == QLatin1String("rPh") || r.name() == QLatin1String("phoneticPr"))
                --skip;
            else if (r.name() == end)
                break;
        }
    }
    return text;
}

void readSharedStrings(PartXml& x, QStringList* out, Budget& budget) {
    while (x.next()) {
        if (x.isStart(QLatin1String("si"))) {
            const QString text = readStringItem(x);
            if (!budget.keep(qint64(sizeof(QString)) + textBytes(text)))
                return;
            *out << text;
        }
    }
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

bool readSheet(PartXml& x, const QStringList& shared, Sheet* sheet, Budget& budget, QString* error) {
    Row row;
    int lastRow = 0;
    int lastColumn = -1;
    auto flush = [&] {
        if (!row.cells.isEmpty() && budget.keepRow())
            sheet->rows << row;
        row = Row();
    };
    while (x.next()) {
        QXmlStreamReader& r = x.xml();
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
            const QString ref = attrs.value(QLatin1String("r")).toString();
            const QString type = attrs.value(QLatin1String("t")).toString();
            int column = ref.isEmpty() ? lastColumn + 1 : columnOf(ref);
            if (column < 0 || column >= kMaxColumn) {
                *error = QStringLiteral("单元格地址 %1 无效").arg(ref.left(20));
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
            while (x.next()) {
                if (x.isEnd(QLatin1String("c")))
                    break;
                if (!r.isStartElement())
                    continue;
                if (r.name() == QLatin1String("v")) {
                    value = x.text();
                    hasValue = true;
                } else if (r.name() == QLatin1String("is")) {
                    inlineText = readStringItem(x);
                    hasInline = true;
                } else {
                    x.skip();
                }
            }
            if (!x.ok())
                break;
            QVariant cell;
            bool ownText = true; // a shared string's text is charged once, with the table
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
                ownText = false;
            } else if (type == QLatin1String("b")) {
                cell = value.trimmed() == QLatin1String("1") || value.trimmed() == QLatin1String("true");
            } else if (type == QLatin1String("str") || type == QLatin1String("e") ||
                       type == QLatin1String("d")) {
                cell = value;
            } else {
                cell = numberCell(value);
            }
            if (cell.isValid()) {
                if (!budget.countCell())
                    break;
                if (row.cells.size() < column && !budget.keepSlots(column - row.cells.size()))
                    break;
                while (row.cells.size() < column)
                    row.cells << QVariant();
                if (row.cells.size() == column) {
                    if (!(ownText ? budget.keepCell(cell) : budget.keepSlots(1)))
                        break;
                    row.cells << cell;
                } else {
                    if (ownText &&
                        !budget.keep(cell.typeId() == QMetaType::QString ? textBytes(cell.toString()) : 0))
                        break;
                    row.cells[column] = cell;
                }
            }
        }
    }
    flush();
    if (!x.ok()) {
        *error = x.error();
        return false;
    }
    return true;
}

// Decodes a CSV file's text a piece at a time: UTF-8 (cut only between characters) or GBK.
class CsvDecoder {
  public:
    explicit CsvDecoder(bool utf8)
        : m_utf8(utf8), m_gbk("GBK"), m_fallback(QStringDecoder::Utf8, QStringConverter::Flag::Stateless) {}
    QString decode(QByteArrayView bytes, bool last) {
        if (!m_utf8 && m_gbk.isValid())
            return m_gbk.decode(bytes);
        QByteArray all = m_carry + bytes.toByteArray();
        m_carry.clear();
        if (!last) {
            const qsizetype cut = completeUtf8(all);
            m_carry = all.mid(cut);
            all.truncate(cut);
        }
        return m_fallback.decode(all);
    }

    // The bytes up to the last whole UTF-8 sequence.
    static qsizetype completeUtf8(const QByteArray& b) {
        const qsizetype n = b.size();
        for (qsizetype back = 1; back <= 4 && back <= n; ++back) {
            const uchar c = uchar(b[n - back]);
            if ((c & 0xC0) == 0x80)
                continue; // a continuation byte: look further back
            const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            return length > back ? n - back : n;
        }
        return n;
    }

  private:
    bool m_utf8;
    QStringDecoder m_gbk;
    QStringDecoder m_fallback;
    QByteArray m_carry;
};

// RFC 4180 records, fed a piece of text at a time.
class CsvParser {
  public:
    CsvParser(const QString& name, Budget* budget) : m_budget(budget) { m_sheet.name = name; }

    bool feed(QStringView text) {
        for (const QChar c : text) {
            if (m_afterCr) {
                m_afterCr = false;
                if (c == QLatin1Char('\n'))
                    continue;
            }
            if (m_quoteInQuoted) {
                m_quoteInQuoted = false;
                if (c == QLatin1Char('"')) {
                    m_field += QLatin1Char('"');
                    continue;
                }
                m_quoted = false;
            }
            if (m_quoted) {
                if (c == QLatin1Char('"'))
                    m_quoteInQuoted = true;
                else
                    m_field += c;
            } else if (c == QLatin1Char('"') && m_field.isEmpty()) {
                m_quoted = true;
                m_wasQuoted = true;
            } else if (c == QLatin1Char(',')) {
                if (!endField())
                    return false;
            } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
                m_afterCr = c == QLatin1Char('\r');
                if (!endRecord())
                    return false;
            } else {
                m_field += c;
            }
        }
        // A field that never ends is kept memory as well.
        if (m_budget && m_budget->kept() + textBytes(m_field) > m_budget->limits().keptBytes)
            return m_budget->keep(textBytes(m_field)); // over: says why
        return true;
    }

    bool finish() {
        if (m_quoteInQuoted) {
            m_quoteInQuoted = false;
            m_quoted = false;
        }
        if (!m_field.isEmpty() || m_wasQuoted || !m_row.cells.isEmpty())
            return endRecord();
        return true;
    }

    Sheet take() { return std::move(m_sheet); }

  private:
    bool endField() {
        const QVariant cell = m_field.isEmpty() && !m_wasQuoted ? QVariant() : QVariant(m_field);
        if (m_budget && !m_budget->keepCell(cell))
            return false;
        m_row.cells << cell;
        m_field.clear();
        m_wasQuoted = false;
        return true;
    }

    bool endRecord() {
        if (!endField())
            return false;
        bool any = false;
        for (const QVariant& c : m_row.cells)
            any = any || !c.isNull();
        qint64 dropped = 0;
        if (any) {
            while (!m_row.cells.isEmpty() && m_row.cells.last().isNull()) {
                m_row.cells.removeLast();
                ++dropped;
            }
            m_row.number = m_record;
            if (m_budget && !m_budget->keepRow())
                return false;
            m_sheet.rows << m_row;
        } else {
            dropped = m_row.cells.size();
        }
        if (m_budget)
            m_budget->keep(-dropped * kSlotBytes);
        m_row = Row();
        ++m_record;
        return true;
    }

    Budget* m_budget;
    Sheet m_sheet;
    Row m_row;
    QString m_field;
    bool m_quoted = false;        // inside a quoted field
    bool m_quoteInQuoted = false; // a quote inside a quoted field: doubled, or the field's end
    bool m_wasQuoted = false;     // the field had quotes: "" is an empty text, not an empty cell
    bool m_afterCr = false;       // a CR ended the record: an LF right after it belongs to it
    int m_record = 1;
};

} // namespace

Budget::Budget(const ReadLimits& limits, ReadProgress progress)
    : m_limits(limits), m_progress(std::move(progress)) {}

bool Budget::fail(const QString& why) {
    if (m_error.isEmpty())
        m_error = why;
    return false;
}

bool Budget::keep(qint64 bytes) {
    if (failed())
        return false;
    m_kept += bytes;
    if (m_kept > m_limits.keptBytes)
        return fail(QStringLiteral("内容太多：读入内存的单元格和文字超过了 %1 MB")
                        .arg(megabytes(m_limits.keptBytes)));
    return true;
}

bool Budget::keepCell(const QVariant& cell) {
    return keep(kSlotBytes + (cell.typeId() == QMetaType::QString ? textBytes(cell.toString()) : 0));
}

bool Budget::keepSlots(qint64 count) {
    return keep(count * kSlotBytes);
}

bool Budget::keepRow() {
    return keep(kRowBytes);
}

bool Budget::countCell() {
    if (failed())
        return false;
    if (++m_cells > m_limits.cells)
        return fail(QStringLiteral("单元格过多（最多 %1 个）").arg(m_limits.cells));
    return true;
}

bool Budget::read(qint64 bytes) {
    if (failed())
        return false;
    m_read += bytes;
    if (m_read > m_limits.unpackedBytes)
        return fail(QStringLiteral("解压后的内容超过了 %1 MB").arg(megabytes(m_limits.unpackedBytes)));
    if (m_progress && !m_progress(m_read, m_expected)) {
        m_cancelled = true;
        return fail(QStringLiteral("已取消"));
    }
    return true;
}

Workbook readXlsx(const QString& path) {
    Budget budget;
    return readXlsx(path, budget);
}

Workbook readXlsx(const QString& path, Budget& budget, const QStringList& wanted) {
    Workbook book;
    const QString file = QFileInfo(path).fileName();
    auto fail = [&](const QString& why) {
        book.sheets.clear();
        if (budget.cancelled())
            book.error = QStringLiteral("已取消读取 %1。").arg(file);
        else if (budget.failed())
            book.error = QStringLiteral("%1 太大，无法读取（%2）。").arg(file, budget.error());
        else
            book.error = QStringLiteral("%1 不是可以读取的 .xlsx 工作簿（%2）。").arg(file, why);
        return book;
    };
    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("找不到文件"));
    Package pkg(path);
    if (!pkg.open())
        return fail(QStringLiteral("不是 zip 压缩包"));

    // The workbook part, as the package's relationships name it.
    QString workbookPart = QStringLiteral("xl/workbook.xml");
    if (pkg.has(QStringLiteral("_rels/.rels"))) {
        PartXml x(pkg, QStringLiteral("_rels/.rels"), budget);
        for (const Relationship& rel : readRelationships(x))
            if (rel.type.endsWith(QLatin1String("/officeDocument")))
                workbookPart = documents::resolvePartName(QString(), rel.target);
        if (budget.failed())
            return fail(budget.error());
    }
    const QString base = workbookPart.section(QLatin1Char('/'), 0, -2);
    QList<QPair<QString, QString>> declared; // sheet name, relationship id
    {
        PartXml x(pkg, workbookPart, budget);
        while (x.next()) {
            if (x.isStart(QLatin1String("sheet"))) {
                const auto a = x.xml().attributes();
                QString id = a.value(kRelNs, QLatin1String("id")).toString();
                if (id.isEmpty())
                    for (const QXmlStreamAttribute& at : a)
                        if (at.name() == QLatin1String("id"))
                            id = at.value().toString();
                if (!budget.keep(qint64(sizeof(declared[0])) + textBytes(id) + 64))
                    break;
                declared.append({a.value(QLatin1String("name")).toString(), id});
            }
        }
        if (!x.ok())
            return fail(x.error().startsWith(QLatin1String("XML 有错"))
                            ? QStringLiteral("工作簿目录 XML 有错")
                            : QStringLiteral("工作簿目录：%1").arg(x.error()));
    }
    QHash<QString, Relationship> rels;
    const QString relsPart = (base.isEmpty() ? QString() : base + QLatin1Char('/')) +
                             QStringLiteral("_rels/") + workbookPart.section(QLatin1Char('/'), -1) +
                             QStringLiteral(".rels");
    if (pkg.has(relsPart)) {
        PartXml x(pkg, relsPart, budget);
        rels = readRelationships(x);
        if (budget.failed())
            return fail(budget.error());
    }

    // The sheets to read, and what reading them will unpack (for progress).
    struct SheetPart {
        QString name, part;
    };
    QList<SheetPart> toRead;
    QStringList found;
    for (int i = 0; i < declared.size(); ++i) {
        const auto& [name, id] = declared[i];
        if (!wanted.isEmpty() && (!wanted.contains(name.trimmed()) || found.contains(name.trimmed())))
            continue;
        const QString part = rels.contains(id) ? documents::resolvePartName(base, rels.value(id).target)
                                               : base + QStringLiteral("/worksheets/sheet%1.xml").arg(i + 1);
        if (!pkg.has(part))
            continue; // a chart sheet or a sheet the file does not hold: nothing to read
        toRead << SheetPart{name, part};
        found << name.trimmed();
    }
    QString sharedPart;
    for (const Relationship& rel : rels)
        if (rel.type.endsWith(QLatin1String("/sharedStrings")))
            sharedPart = documents::resolvePartName(base, rel.target);
    if (sharedPart.isEmpty() && pkg.has(base + QStringLiteral("/sharedStrings.xml")))
        sharedPart = base + QStringLiteral("/sharedStrings.xml");
    qint64 expected = budget.unpacked() + qMax<qint64>(0, pkg.size(sharedPart));
    for (const SheetPart& s : toRead)
        expected += qMax<qint64>(0, pkg.size(s.part));
    budget.expect(expected);

    QStringList shared;
    if (!sharedPart.isEmpty()) {
        PartXml x(pkg, sharedPart, budget);
        readSharedStrings(x, &shared, budget);
        if (!x.ok())
            return fail(x.error().startsWith(QLatin1String("XML 有错"))
                            ? QStringLiteral("共享字符串 XML 有错")
                            : QStringLiteral("共享字符串：%1").arg(x.error()));
    }

    for (const SheetPart& s : toRead) {
        Sheet sheet;
        sheet.name = s.name;
        PartXml x(pkg, s.part, budget);
        QString error;
        if (!readSheet(x, shared, &sheet, budget, &error))
            return fail(QStringLiteral("工作表“%1”：%2").arg(s.name, error));
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
    CsvParser parser(name, nullptr);
    parser.feed(text);
    parser.finish();
    return parser.take();
}

bool readCsv(const QString& path, const QString& name, Budget& budget, Sheet* out) {
    const QString file = QFileInfo(path).fileName();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return budget.fail(QStringLiteral("无法读取 %1").arg(file));
    if (f.size() > budget.limits().partBytes)
        return budget.fail(QStringLiteral("%1 超过了 %2 MB").arg(file, megabytes(budget.limits().partBytes)));
    budget.expect(budget.unpacked() + f.size());
    // UTF-8 when it has the mark or decodes cleanly through, otherwise GBK: one pass to tell.
    bool utf8 = f.peek(3) == QByteArray("\xEF\xBB\xBF");
    if (!utf8) {
        QStringDecoder check(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        QByteArray carry;
        utf8 = true;
        while (utf8 && !f.atEnd()) {
            QByteArray chunk = carry + f.read(kChunkBytes);
            const bool last = f.atEnd();
            const qsizetype cut = last ? chunk.size() : CsvDecoder::completeUtf8(chunk);
            carry = chunk.mid(cut);
            chunk.truncate(cut);
            const QString ignored = check.decode(chunk);
            Q_UNUSED(ignored);
            utf8 = !check.hasError();
        }
        if (f.error() != QFileDevice::NoError || !f.seek(0))
            return budget.fail(QStringLiteral("无法读取 %1").arg(file));
    } else {
        f.read(3);
        if (!budget.read(3))
            return false;
    }
    CsvDecoder decoder(utf8);
    CsvParser parser(name, &budget);
    while (!f.atEnd()) {
        const QByteArray chunk = f.read(kChunkBytes);
        if (chunk.isEmpty() || !budget.read(chunk.size()))
            break;
        if (!parser.feed(decoder.decode(chunk, f.atEnd())))
            return false;
    }
    if (f.error() != QFileDevice::NoError)
        return budget.fail(QStringLiteral("无法读取 %1").arg(file));
    if (budget.failed() || !parser.finish())
        return false;
    *out = parser.take();
    return true;
}

} // namespace sheets
