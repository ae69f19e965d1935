#include "printing/PrintTable.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>
#include <array>
#include <cmath>

namespace {

// The template image: little-endian 16-bit fields, then the row heights and column widths from
// byte 40, then an FNV-1a checksum of everything before it.
//   0 "SDTW"   4 version 1   6 image size   8 rows   10 columns   12 fixed rows   14 paper
//   16 orientation   18/20/22/24 margins left/top/right/bottom   26 page-number position
//   28 scale (signed)   30 rows per page   40.. heights and widths   196 checksum (32-bit)
constexpr int kImageSize = 200;
constexpr int kSizesAt = 40;
constexpr int kChecksumAt = 196;
constexpr int kVersion = 1;
constexpr int kLongestLength = 20000; // 2 m: anything longer is a damaged image

template <typename Byte> constexpr quint32 checksum(Byte byteAt, int count) {
    quint32 h = 2166136261u;
    for (int i = 0; i < count; ++i) {
        h ^= byteAt(i);
        h *= 16777619u;
    }
    return h;
}

constexpr std::array<unsigned char, kImageSize> makeTemplate() {
    std::array<unsigned char, kImageSize> b{};
    auto put = [&b](int at, int v) {
        b[at] = static_cast<unsigned char>(v & 0xFF);
        b[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    };
    b[0] = 'S';
    b[1] = 'D';
    b[2] = 'T';
    b[3] = 'W';
    put(4, kVersion);
    put(6, kImageSize);
    put(8, 5);    // rows
    put(10, 1);   // columns
    put(12, 0);   // fixed rows
    put(14, 0);   // paper not chosen
    put(16, 0);   // portrait
    put(18, 230); // margins
    put(20, 230);
    put(22, 230);
    put(24, 230);
    put(26, 0);   // no page numbers
    put(28, 100); // scale
    put(30, 0);   // rows per page: by height
    const int heights[] = {25, 25, 153, 25, 59};
    for (int i = 0; i < 5; ++i)
        put(kSizesAt + 2 * i, heights[i]);
    put(kSizesAt + 10, 1); // column width
    const quint32 sum = checksum([&b](int i) { return b[i]; }, kChecksumAt);
    for (int i = 0; i < 4; ++i)
        b[kChecksumAt + i] = static_cast<unsigned char>((sum >> (8 * i)) & 0xFF);
    return b;
}

constexpr auto kTemplate = makeTemplate();

// Device pixels per 0.1 mm of a PDF (and of the preview's printer): 1200 dots per inch.
constexpr double kPdfFactor = 1200 / 254.0;
// Room between a cell's text and its lines, in 0.1 mm before scaling: beside and above/below.
constexpr double kPaddingX = 10;
constexpr double kPaddingY = 5;

// Where in its box a cell's text goes: 0 start, 1 middle, 2 end; across and down.
int alignAcross(int code) {
    return code >= 1 && code <= 9 ? (code - 1) % 3 : 0;
}
int alignDown(int code) {
    return code >= 1 && code <= 9 ? (code - 1) / 3 : 1;
}

// A cell's text broken into the lines it prints as, in device pixels.
struct CellLines {
    QFont font;
    QStringList lines;
    QList<double> widths;
    double lineHeight = 0;
    double ascent = 0;
    double height() const { return lines.size() * lineHeight; }
};

QFont cellFont(const PrintTable::Cell& cell, double pixelSize) {
    QFont font(PrintTable::printFace(cell.font));
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setBold(cell.style & PrintTable::Bold);
    font.setItalic(cell.style & PrintTable::Italic);
    font.setUnderline(cell.style & PrintTable::Underline);
    font.setStrikeOut(cell.style & PrintTable::StrikeOut);
    return font;
}

// Text that fits stays on one line; longer text wraps at word boundaries, Chinese between any two
// letters, and a line break in the text starts a new line.
CellLines wrapCell(const PrintTable::Cell& cell, double widthPx, double fontPx, const QPaintDevice* device) {
    CellLines out;
    out.font = cellFont(cell, fontPx);
    QString text = cell.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(text, out.font, const_cast<QPaintDevice*>(device));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(qMax(1.0, widthPx));
        QString piece = text.mid(line.textStart(), line.textLength());
        while (!piece.isEmpty() && (piece.back() == QChar::LineSeparator || piece.back().isSpace()))
            piece.chop(1);
        out.lines << piece;
        out.widths << line.naturalTextWidth();
        if (out.lineHeight == 0) {
            out.lineHeight = line.height();
            out.ascent = line.ascent();
        }
    }
    layout.endLayout();
    return out;
}

// The last line kept of a cut text: as much of it as fits before "…".
QString endWithEllipsis(const QString& line, const QFont& font, const QPaintDevice* device, double widthPx) {
    const QFontMetricsF metrics(font, const_cast<QPaintDevice*>(device));
    const QString ellipsis(QChar(0x2026));
    QString kept = line;
    while (!kept.isEmpty() && metrics.horizontalAdvance(kept + ellipsis) > widthPx) {
        kept.chop(kept.size() >= 2 && kept.back().isLowSurrogate() ? 2 : 1);
        while (!kept.isEmpty() && kept.back().isSpace())
            kept.chop(1);
    }
    return kept + ellipsis;
}

} // namespace

QByteArray PrintTable::templateImage() {
    return QByteArray(reinterpret_cast<const char*>(kTemplate.data()), kImageSize);
}

bool PrintTable::loadTemplate(const QByteArray& image) {
    if (image.size() != kImageSize || !image.startsWith("SDTW"))
        return false;
    auto u16 = [&image](int at) { return int(uchar(image.at(at)) | (uchar(image.at(at + 1)) << 8)); };
    quint32 stored = 0;
    for (int i = 0; i < 4; ++i)
        stored |= quint32(uchar(image.at(kChecksumAt + i))) << (8 * i);
    if (stored != checksum([&image](int i) { return uchar(image.at(i)); }, kChecksumAt))
        return false;
    if (u16(4) != kVersion || u16(6) != kImageSize)
        return false;
    const int rows = u16(8);
    const int columns = u16(10);
    if (rows < 1 || columns < 1 || kSizesAt + 2 * (rows + columns) > kChecksumAt)
        return false;
    PageSettings page;
    page.paper = u16(14);
    page.orientation = u16(16);
    page.left = u16(18);
    page.top = u16(20);
    page.right = u16(22);
    page.bottom = u16(24);
    page.pageNumber = u16(26);
    page.scale = qint16(u16(28));
    page.rowsPerPage = u16(30);
    const int fixed = u16(12);
    if (fixed > rows || page.paper > 8 || page.orientation > 1 || page.pageNumber > 5 || page.scale < -2 ||
        page.scale > 1000)
        return false;
    for (int m : {page.left, page.top, page.right, page.bottom})
        if (m > kLongestLength)
            return false;
    QVector<int> heights(rows);
    QVector<int> widths(columns);
    for (int i = 0; i < rows; ++i)
        heights[i] = u16(kSizesAt + 2 * i);
    for (int i = 0; i < columns; ++i)
        widths[i] = u16(kSizesAt + 2 * (rows + i));
    for (int v : heights + widths)
        if (v > kLongestLength)
            return false;

    m_heights = heights;
    m_widths = widths;
    m_cells = QVector<Cell>(rows * columns);
    m_above = QVector<bool>((rows + 1) * columns, false);
    m_leftOf = QVector<bool>(rows * (columns + 1), false);
    m_merges.clear();
    m_fixedRows = fixed;
    m_page = page;
    return true;
}

bool PrintTable::valid(int row, int column) const {
    return row >= 1 && row <= rowCount() && column >= 1 && column <= columnCount();
}

void PrintTable::insertColumns(int at, int count) {
    const int columns = columnCount();
    if (count <= 0 || at < 1 || at > columns + 1)
        return;
    const int rows = rowCount();
    const int newColumns = columns + count;
    QVector<Cell> cells(rows * newColumns);
    QVector<bool> above((rows + 1) * newColumns, false);
    QVector<bool> leftOf(rows * (newColumns + 1), false);
    auto moved = [at, count](int c) { return c >= at ? c + count : c; };
    for (int r = 1; r <= rows + 1; ++r)
        for (int c = 1; c <= columns; ++c) {
            if (r <= rows)
                cells[(r - 1) * newColumns + moved(c) - 1] = m_cells[index(r, c)];
            above[(r - 1) * newColumns + moved(c) - 1] = m_above[(r - 1) * columns + c - 1];
        }
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= columns + 1; ++c)
            leftOf[(r - 1) * (newColumns + 1) + moved(c) - 1] = m_leftOf[(r - 1) * (columns + 1) + c - 1];
    for (QRect& m : m_merges) {
        if (m.left() >= at)
            m.translate(count, 0);
        else if (m.right() >= at)
            m.setWidth(m.width() + count); // the new columns fall inside the block
    }
    m_widths.insert(at - 1, count, kDefaultColumnWidth);
    m_cells = cells;
    m_above = above;
    m_leftOf = leftOf;
}

void PrintTable::appendRow() {
    const int columns = columnCount();
    m_heights.append(kDefaultRowHeight);
    m_cells.resize(rowCount() * columns);
    m_above.resize((rowCount() + 1) * columns);
    m_leftOf.resize(rowCount() * (columns + 1));
    // The line below the old last row now lies between it and the new row; the new bottom edge
    // starts without lines.
    for (int c = 0; c < columns; ++c)
        m_above[rowCount() * columns + c] = false;
    for (int c = 0; c <= columns; ++c)
        m_leftOf[(rowCount() - 1) * (columns + 1) + c] = false;
}

template <typename F> void PrintTable::forBlock(int row, int column, int rows, int columns, F f) {
    const int r2 = qMin(rowCount(), row + rows - 1);
    const int c2 = qMin(columnCount(), column + columns - 1);
    for (int r = qMax(1, row); r <= r2; ++r)
        for (int c = qMax(1, column); c <= c2; ++c)
            f(m_cells[index(r, c)]);
}

void PrintTable::merge(int row, int column, int rows, int columns) {
    const int r1 = qMax(1, row);
    const int c1 = qMax(1, column);
    const int r2 = qMin(rowCount(), row + rows - 1);
    const int c2 = qMin(columnCount(), column + columns - 1);
    if (r2 < r1 || c2 < c1)
        return;
    const QRect block(QPoint(c1, r1), QPoint(c2, r2));
    m_merges.removeIf([&block](const QRect& m) { return m.intersects(block); });
    if (block.width() > 1 || block.height() > 1)
        m_merges.append(block);
}

QRect PrintTable::mergeAt(int row, int column) const {
    for (const QRect& m : m_merges)
        if (m.contains(column, row))
            return m;
    return QRect();
}

void PrintTable::setText(int row, int column, const QString& text) {
    if (valid(row, column))
        m_cells[index(row, column)].text = text;
}

QString PrintTable::text(int row, int column) const {
    return valid(row, column) ? m_cells[index(row, column)].text : QString();
}

const PrintTable::Cell& PrintTable::cell(int row, int column) const {
    static const Cell empty;
    return valid(row, column) ? m_cells[index(row, column)] : empty;
}

void PrintTable::setRowHeight(int row, int count, int height) {
    for (int r = qMax(1, row); r <= qMin(rowCount(), row + count - 1); ++r)
        m_heights[r - 1] = qBound(0, height, kLongestLength);
}

int PrintTable::rowHeight(int row) const {
    return row >= 1 && row <= rowCount() ? m_heights[row - 1] : 0;
}

void PrintTable::setColumnWidth(int column, int count, int width) {
    for (int c = qMax(1, column); c <= qMin(columnCount(), column + count - 1); ++c)
        m_widths[c - 1] = qBound(0, width, kLongestLength);
}

int PrintTable::columnWidth(int column) const {
    return column >= 1 && column <= columnCount() ? m_widths[column - 1] : 0;
}

int PrintTable::tableWidth() const {
    int sum = 0;
    for (int w : m_widths)
        sum += w;
    return sum;
}

void PrintTable::setFontName(int row, int column, int rows, int columns, const QString& name) {
    forBlock(row, column, rows, columns, [&name](Cell& c) { c.font = name; });
}

void PrintTable::setFontSize(int row, int column, int rows, int columns, int size) {
    forBlock(row, column, rows, columns, [size](Cell& c) { c.fontSize = qBound(1, size, kLongestLength); });
}

void PrintTable::setFontStyle(int row, int column, int rows, int columns, int style) {
    forBlock(row, column, rows, columns, [style](Cell& c) { c.style = style & 15; });
}

void PrintTable::setAlignment(int row, int column, int rows, int columns, int alignment) {
    if (alignment < 1 || alignment > 9)
        return;
    forBlock(row, column, rows, columns, [alignment](Cell& c) { c.alignment = alignment; });
}

void PrintTable::setLines(int row, int column, int rows, int columns, int lines) {
    const int columnsNow = columnCount();
    const int r1 = qMax(1, row);
    const int c1 = qMax(1, column);
    const int r2 = qMin(rowCount(), row + rows - 1);
    const int c2 = qMin(columnsNow, column + columns - 1);
    if (r2 < r1 || c2 < c1)
        return;
    auto above = [&](int r, int c) { m_above[(r - 1) * columnsNow + c - 1] = true; };
    auto leftOf = [&](int r, int c) { m_leftOf[(r - 1) * (columnsNow + 1) + c - 1] = true; };
    for (int c = c1; c <= c2; ++c) {
        if (lines & TopEdge)
            above(r1, c);
        if (lines & BottomEdge)
            above(r2 + 1, c);
        if (lines & InnerHorizontal)
            for (int r = r1 + 1; r <= r2; ++r)
                above(r, c);
    }
    for (int r = r1; r <= r2; ++r) {
        if (lines & LeftEdge)
            leftOf(r, c1);
        if (lines & RightEdge)
            leftOf(r, c2 + 1);
        if (lines & InnerVertical)
            for (int c = c1 + 1; c <= c2; ++c)
                leftOf(r, c);
    }
}

bool PrintTable::lineAbove(int row, int column) const {
    if (row < 1 || row > rowCount() + 1 || column < 1 || column > columnCount())
        return false;
    return m_above[(row - 1) * columnCount() + column - 1];
}

bool PrintTable::lineLeftOf(int row, int column) const {
    if (row < 1 || row > rowCount() || column < 1 || column > columnCount() + 1)
        return false;
    return m_leftOf[(row - 1) * (columnCount() + 1) + column - 1];
}

void PrintTable::setFixedRows(int count) {
    m_fixedRows = qBound(0, count, rowCount());
}

QPageSize PrintTable::pageSize(int paper) {
    switch (paper) {
    case 1:
        return QPageSize(QPageSize::A3);
    case 3:
        return QPageSize(QPageSize::A5);
    case 4:
        return QPageSize(QPageSize::JisB4);
    case 5:
        return QPageSize(QPageSize::JisB5);
    case 6:
        return QPageSize(QPageSize::Quarto);
    case 7:
        return QPageSize(QPageSize::Prc16K);
    case 8:
        return QPageSize(QPageSize::Prc32K);
    default:
        return QPageSize(QPageSize::A4);
    }
}

QSize PrintTable::paperSize(int paper, int orientation) {
    const QSizeF mm = pageSize(paper).size(QPageSize::Millimeter);
    const QSize size(qRound(mm.width() * 10), qRound(mm.height() * 10));
    return orientation == 1 ? size.transposed() : size;
}

int PrintTable::pageWidth() const {
    return paperSize(m_page.paper, m_page.orientation).width() - m_page.left - m_page.right;
}

double PrintTable::scaleFactor(double printableWidth) const {
    const int width = tableWidth();
    if (m_page.scale == -1 || m_page.scale == -2) {
        if (width <= 0 || printableWidth <= 0)
            return 1.0;
        const double fit = printableWidth / width;
        return m_page.scale == -1 ? fit : qMin(1.0, fit);
    }
    const double chosen = m_page.scale == 0 ? 1.0 : qBound(20, m_page.scale, 1000) / 100.0;
    // Whatever the scale, the table never runs past the right edge of the paper it is printed on
    // (the preview's page setup may give it narrower paper than it was built for).
    if (width > 0 && printableWidth > 0 && width * chosen > printableWidth)
        return printableWidth / width;
    return chosen;
}

QVector<double> PrintTable::layoutRows(const QSizeF& paper, double factor, const QPaintDevice* device) const {
    const double scale = scaleFactor(paper.width() - m_page.left - m_page.right);
    const double padX = kPaddingX * scale;
    const double padY = kPaddingY * scale;
    QVector<double> heights(rowCount());
    for (int r = 1; r <= rowCount(); ++r) {
        double h = rowHeight(r) * scale;
        for (int c = 1; c <= columnCount(); ++c) {
            const Cell& cell = m_cells[index(r, c)];
            if (cell.text.isEmpty())
                continue;
            double width = columnWidth(c) * scale;
            const QRect m = mergeAt(r, c);
            if (!m.isEmpty()) {
                // A block grows its row only when it lies in that one row.
                if (m.left() != c || m.top() != r || m.height() > 1)
                    continue;
                width = 0;
                for (int cc = m.left(); cc <= m.right(); ++cc)
                    width += columnWidth(cc) * scale;
            }
            if (width <= 2 * padX)
                continue;
            const CellLines text =
                wrapCell(cell, (width - 2 * padX) * factor, cell.fontSize * scale * factor, device);
            h = qMax(h, text.height() / factor + 2 * padY);
        }
        heights[r - 1] = h;
    }
    // Every row must fit on a page: the fixed rows take at most half of it, a row the rest.
    const double available = qMax(1.0, paper.height() - m_page.top - m_page.bottom);
    double fixedHeight = 0;
    for (int r = 1; r <= m_fixedRows; ++r) {
        heights[r - 1] = qMin(heights[r - 1], qMax(0.0, available / 2 - fixedHeight));
        fixedHeight += heights[r - 1];
    }
    for (int r = m_fixedRows + 1; r <= rowCount(); ++r)
        heights[r - 1] = qMin(heights[r - 1], available - fixedHeight);
    return heights;
}

QVector<double> PrintTable::printedRowHeights(const QSizeF& paper) const {
    return layoutRows(paper, kPdfFactor, nullptr);
}

QList<QList<int>> PrintTable::paginate(const QSizeF& paper) const {
    return paginate(paper, printedRowHeights(paper));
}

QList<QList<int>> PrintTable::paginate(const QSizeF& paper, const QVector<double>& heights) const {
    const double available = paper.height() - m_page.top - m_page.bottom;
    double fixedHeight = 0;
    for (int r = 1; r <= m_fixedRows; ++r)
        fixedHeight += heights[r - 1];
    QList<QList<int>> pages{{}};
    double y = fixedHeight;
    for (int r = m_fixedRows + 1; r <= rowCount(); ++r) {
        const double h = heights[r - 1];
        const int onPage = pages.last().size();
        const bool full = m_page.rowsPerPage > 0 && onPage >= m_page.rowsPerPage;
        // A little slack, so that a row made exactly as tall as the room left is not moved on.
        if (onPage > 0 && (full || y + h > available + 1e-6)) {
            pages.append(QList<int>());
            y = fixedHeight;
        }
        pages.last().append(r);
        y += h;
    }
    return pages;
}

void PrintTable::applyPageLayout(QPrinter& printer) const {
    const QPageLayout::Orientation orientation =
        m_page.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait;
    printer.setFullPage(true);
    if (!printer.setPageLayout(QPageLayout(pageSize(m_page.paper), orientation, QMarginsF(0, 0, 0, 0)))) {
        printer.setPageSize(pageSize(m_page.paper));
        printer.setPageOrientation(orientation);
    }
}

QString PrintTable::printFace(const QString& name) {
    static QHash<QString, QString> known;
    const auto found = known.constFind(name);
    if (found != known.constEnd())
        return found.value();
    QString face = name;
    const QStringList families = QFontDatabase::families();
    if (!families.contains(name, Qt::CaseInsensitive)) {
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        face = chinese.contains(QStringLiteral("WenQuanYi Zen Hei")) ? QStringLiteral("WenQuanYi Zen Hei")
               : chinese.isEmpty()                                   ? name
                                                                     : chinese.first();
    }
    known.insert(name, face);
    return face;
}

void PrintTable::paintRows(QPainter& p, const QList<int>& rows, const QVector<double>& heights, double top,
                           double left, double factor, double scale, const QRectF& clip) const {
    const int columns = columnCount();
    QVector<double> x(columns + 1);
    x[0] = left;
    for (int c = 1; c <= columns; ++c)
        x[c] = x[c - 1] + columnWidth(c) * scale;
    QVector<double> y(rows.size() + 1);
    y[0] = top;
    for (int i = 0; i < rows.size(); ++i)
        y[i + 1] = y[i] + heights[rows[i] - 1];
    auto dev = [factor](double v) { return v * factor; };
    // The painted position of a table row on this page, or -1.
    auto slot = [&rows](int row) { return rows.indexOf(row); };

    p.save();
    p.setClipRect(QRectF(dev(clip.left()), dev(clip.top()), dev(clip.width()), dev(clip.height())));
    const double padX = kPaddingX * scale;
    const double padY = kPaddingY * scale;
    const QPaintDevice* device = p.device();
    for (int i = 0; i < rows.size(); ++i) {
        const int r = rows[i];
        for (int c = 1; c <= columns; ++c) {
            const QRect m = mergeAt(r, c);
            QRectF area(x[c - 1], y[i], x[c] - x[c - 1], y[i + 1] - y[i]);
            if (!m.isEmpty()) {
                if (m.left() != c || m.top() != r)
                    continue; // painted with the block's first cell
                area.setRight(x[m.right()]);
                double bottom = y[i + 1];
                for (int rr = r + 1; rr <= m.bottom(); ++rr) {
                    const int s = slot(rr);
                    if (s > i)
                        bottom = y[s + 1];
                }
                area.setBottom(bottom);
            }
            const Cell& cell = m_cells[index(r, c)];
            if (cell.text.isEmpty() || area.width() <= 2 * padX || area.height() <= 0)
                continue;
            const double boxWidth = dev(area.width() - 2 * padX);
            const CellLines text = wrapCell(cell, boxWidth, dev(cell.fontSize * scale), device);
            if (text.lines.isEmpty() || text.lineHeight <= 0)
                continue;
            // Whole lines only: those that fit inside the padding, or else inside the cell itself.
            double boxTop = dev(area.top() + padY);
            double boxHeight = dev(area.height() - 2 * padY);
            if (boxHeight < text.lineHeight) {
                boxTop = dev(area.top());
                boxHeight = dev(area.height());
            }
            const int fit = int(std::floor(boxHeight / text.lineHeight + 1e-6));
            if (fit <= 0)
                continue;
            QStringList lines = text.lines;
            QList<double> widths = text.widths;
            const bool cut = lines.size() > fit;
            if (cut) {
                lines = lines.mid(0, fit);
                widths = widths.mid(0, fit);
                lines.last() = endWithEllipsis(lines.last(), text.font, device, boxWidth);
                widths.last() = QFontMetricsF(text.font, const_cast<QPaintDevice*>(device))
                                    .horizontalAdvance(lines.last());
            }
            const double blockHeight = lines.size() * text.lineHeight;
            // A cut text starts at the top, so its beginning is read.
            const int down = cut ? 0 : alignDown(cell.alignment);
            const double firstTop = boxTop + (boxHeight - blockHeight) * down / 2.0;
            const int across = alignAcross(cell.alignment);
            p.setFont(text.font);
            p.setPen(Qt::black);
            for (int k = 0; k < lines.size(); ++k) {
                const double lineX = dev(area.left() + padX) + qMax(0.0, boxWidth - widths[k]) * across / 2.0;
                p.drawText(QPointF(lineX, firstTop + k * text.lineHeight + text.ascent), lines[k]);
            }
        }
    }

    QPen pen(Qt::black);
    pen.setWidthF(dev(2)); // 0.2 mm, whatever the scale
    p.setPen(pen);
    auto insideBlockAcross = [this](int upper, int lower, int c) {
        const QRect m = mergeAt(lower, c);
        return !m.isEmpty() && m.contains(c, upper);
    };
    for (int i = 0; i <= rows.size(); ++i) {
        // The line above painted row i (i == rows.size(): below the last one). Between two rows
        // that are not neighbours in the table (across a page break) either's line counts.
        for (int c = 1; c <= columns; ++c) {
            bool line;
            if (i == 0)
                line = lineAbove(rows[0], c);
            else if (i == rows.size())
                line = lineAbove(rows[i - 1] + 1, c);
            else if (rows[i] == rows[i - 1] + 1)
                line = lineAbove(rows[i], c) && !insideBlockAcross(rows[i - 1], rows[i], c);
            else
                line = lineAbove(rows[i - 1] + 1, c) || lineAbove(rows[i], c);
            if (line)
                p.drawLine(QPointF(dev(x[c - 1]), dev(y[i])), QPointF(dev(x[c]), dev(y[i])));
        }
    }
    for (int i = 0; i < rows.size(); ++i) {
        for (int c = 1; c <= columns + 1; ++c) {
            if (!lineLeftOf(rows[i], c))
                continue;
            const QRect m = mergeAt(rows[i], c);
            if (!m.isEmpty() && m.left() < c)
                continue; // inside a merged block
            p.drawLine(QPointF(dev(x[c - 1]), dev(y[i])), QPointF(dev(x[c - 1]), dev(y[i + 1])));
        }
    }
    p.restore();
}

bool PrintTable::paint(QPrinter* printer) const {
    if (!printer || rowCount() == 0)
        return false;
    QPainter p;
    if (!p.begin(printer))
        return false;
    // Device pixels per 0.1 mm; the painter works in device pixels so text is laid out at the
    // printer's own resolution.
    const double factor = printer->resolution() / 254.0;
    const QRectF paperMm = printer->paperRect(QPrinter::Millimeter);
    const QSizeF paper(paperMm.width() * 10, paperMm.height() * 10);
    const double scale = scaleFactor(paper.width() - m_page.left - m_page.right);
    const QVector<double> heights = layoutRows(paper, factor, printer);
    const QList<QList<int>> pages = paginate(paper, heights);
    QList<int> fixed;
    for (int r = 1; r <= m_fixedRows; ++r)
        fixed.append(r);
    const QRectF printable(m_page.left, m_page.top, paper.width() - m_page.left - m_page.right,
                           paper.height() - m_page.top - m_page.bottom);

    for (int n = 0; n < pages.size(); ++n) {
        if (n > 0 && !printer->newPage()) {
            p.end();
            return false;
        }
        paintRows(p, fixed + pages[n], heights, m_page.top, m_page.left, factor, scale, printable);
        if (m_page.pageNumber >= 1 && m_page.pageNumber <= 5) {
            QFont font(printFace(QStringLiteral("宋体")));
            font.setPixelSize(qMax(1, qRound(30 * factor)));
            p.setFont(font);
            p.setPen(Qt::black);
            const bool onTop = m_page.pageNumber <= 3;
            const QRectF band =
                onTop ? QRectF(printable.left(), 0, printable.width(), m_page.top)
                      : QRectF(printable.left(), printable.bottom(), printable.width(), m_page.bottom);
            const int at = onTop ? m_page.pageNumber : m_page.pageNumber - 3;
            const Qt::Alignment h = at == 1 ? Qt::AlignLeft : at == 2 ? Qt::AlignHCenter : Qt::AlignRight;
            p.drawText(QRectF(band.left() * factor, band.top() * factor, band.width() * factor,
                              band.height() * factor),
                       int(h | Qt::AlignVCenter), QStringLiteral("第 %1 页").arg(n + 1));
        }
    }
    return p.end();
}
