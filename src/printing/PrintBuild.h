#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class Grid;
class PrintTable;

// The width a printed column has unless the user gives it another, in 0.1 mm.
constexpr int kDefaultPrintColumnWidth = 280;

// One source column chosen for printing, in print order.
struct PrintColumn {
    int source = 0; // column number in the source grid
    QString heading;
    int width = kDefaultPrintColumnWidth; // 0.1 mm
};

// What the print-settings window hands to the table build.
struct PrintJob {
    QString title;
    QString titleFont = QStringLiteral("黑体,22"); // "name,size in points"
    QList<PrintColumn> columns;
    bool serialColumn = false;
    QString fontSize; // heading and data rows; empty keeps the table's own
    int lineStyle = 1;
    int paper = 0;       // PageSettings::paper
    int orientation = 0; // PageSettings::orientation
    QString rowsPerPage; // empty: break by height
    // The source's last row sums up the others (an answer card's total) and gets no serial number.
    bool lastRowSummary = true;
};

struct TitleFont {
    QString name;
    int points = 22;
};

// "name,size": empty text gives 黑体 22; text without a comma is all name with size 22; a size that
// is not a positive number gives 22, and one above 4000 gives 4000.
TitleFont parseTitleFont(const QString& text);

// Builds the print table of a source grid (row 0 headings, rows 1.. data): the title in row 3, the
// headings in row 5 and one row per data row below, the first five rows repeated on every page.
// A summary last row gets no serial number. A table wider than the chosen page's printable width
// is scaled to it. False when the template image is refused; the table is then unchanged.
bool buildPrintTable(const PrintJob& job, const Grid& source, PrintTable& table,
                     const QByteArray& templateImage);

// Lines of each line style of the print-settings window.
void applyLineStyle(PrintTable& table, int lineStyle, int dataRows);
