#include "printing/PrintBuild.h"

#include "printing/PrintTable.h"
#include "ui/Grid.h"

namespace {
constexpr int kTitleRow = 3;
constexpr int kHeadingRow = 5;
constexpr int kSerialWidth = 120;
constexpr int kRowHeight = 80;
// The title prints at 5 × points in 0.1 mm, which the table holds to at most 2 m.
constexpr int kMaxTitlePoints = 4000;
} // namespace

TitleFont parseTitleFont(const QString& text) {
    TitleFont font{QStringLiteral("黑体"), 22};
    const QString t = text.trimmed();
    if (t.isEmpty())
        return font;
    const int comma = t.indexOf(u',');
    if (comma < 0) {
        font.name = t;
        return font;
    }
    const QString name = t.left(comma).trimmed();
    if (!name.isEmpty())
        font.name = name;
    bool ok = false;
    const int points = t.mid(comma + 1).section(u',', 0, 0).trimmed().toInt(&ok);
    if (ok && points > 0)
        font.points = qMin(points, kMaxTitlePoints); // 5 × points must not overflow
    return font;
}

void applyLineStyle(PrintTable& table, int lineStyle, int dataRows) {
    const int rows = table.rowCount() - 4;
    const int columns = table.columnCount();
    switch (lineStyle) {
    case 2: // a frame around the headings and one around the table
        table.setLines(kHeadingRow, 2, 1, columns, 15);
        table.setLines(kHeadingRow, 2, rows, columns, 15);
        break;
    case 3: // a frame with the lines between rows
        table.setLines(kHeadingRow, 2, rows, columns, 31);
        break;
    case 4: // headings fully ruled, data rows with column lines only
        table.setLines(kHeadingRow, 2, 1, columns, 63);
        table.setLines(kHeadingRow + 1, 2, dataRows, columns, 47);
        break;
    default: // every line
        table.setLines(kHeadingRow, 2, rows, columns, 63);
        break;
    }
}

bool buildPrintTable(const PrintJob& job, const Grid& source, PrintTable& table,
                     const QByteArray& templateImage) {
    PrintTable built;
    if (!built.loadTemplate(templateImage))
        return false;
    const int n = job.columns.size() + (job.serialColumn ? 1 : 0);
    built.insertColumns(1, n); // column 1 stays an empty spacer; 2..n+1 are printed

    built.merge(kTitleRow, 2, 1, n);
    built.setText(kTitleRow, 2, job.title);
    built.setFontStyle(kTitleRow, 2, 1, n, PrintTable::Bold);
    built.setAlignment(kTitleRow, 2, 1, n, 5);

    int tableWidth = 0;
    for (int i = 1; i <= n; ++i) {
        const bool serial = job.serialColumn && i == 1;
        const PrintColumn* column = serial ? nullptr : &job.columns[i - (job.serialColumn ? 2 : 1)];
        const QString heading = column ? column->heading : QStringLiteral("序号");
        const int width = !column             ? kSerialWidth
                          : column->width > 0 ? column->width
                                              : kDefaultPrintColumnWidth;
        built.setText(kHeadingRow, i + 1, heading);
        built.setColumnWidth(i + 1, 1, width);
        tableWidth += width;
    }
    built.setRowHeight(kHeadingRow, 1, kRowHeight);

    const int dataRows = source.gridRowCount() - 1;
    int serial = 0;
    for (int j = 1; j <= dataRows; ++j) {
        built.appendRow();
        const int r = kHeadingRow + j;
        built.setRowHeight(r, 1, kRowHeight);
        const int first = job.serialColumn ? 3 : 2;
        if (job.serialColumn && (j != dataRows || !job.lastRowSummary))
            built.setText(r, 2, QString::number(++serial));
        for (int k = 0; k < job.columns.size(); ++k)
            built.setText(r, first + k, source.cellText(j, job.columns[k].source));
    }
    built.setColumnWidth(1, 1, 1);

    PageSettings page = built.pageSettings();
    page.paper = job.paper;
    page.orientation = job.orientation;
    page.left = 150;
    page.top = 100;
    page.right = 100;
    page.bottom = 100;
    page.pageNumber = 5;
    if (!job.rowsPerPage.trimmed().isEmpty())
        page.rowsPerPage = qMax(0, job.rowsPerPage.trimmed().toInt());
    built.setPageSettings(page);
    // Measured against the chosen paper: a table wider than it would be cut at the right edge.
    if (tableWidth > built.pageWidth()) {
        page.scale = -1;
        built.setPageSettings(page);
    }
    built.setFixedRows(kHeadingRow);

    applyLineStyle(built, job.lineStyle, dataRows);

    const TitleFont title = parseTitleFont(job.titleFont);
    built.setFontName(kTitleRow, 1, 1, built.columnCount(), title.name);
    built.setFontSize(kTitleRow, 1, 1, built.columnCount(), 5 * title.points);

    if (!job.fontSize.trimmed().isEmpty()) {
        // A size that is not a positive number would print nothing: the table's own size stays.
        bool sizeOk = false;
        const int fontSize = job.fontSize.trimmed().toInt(&sizeOk);
        if (sizeOk && fontSize > 0)
            built.setFontSize(kHeadingRow, 2, dataRows + 1, n, fontSize);
        built.setAlignment(kHeadingRow, 2, dataRows + 1, n, 5);
    }
    table = built;
    return true;
}
