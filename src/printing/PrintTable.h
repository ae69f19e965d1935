#pragma once

#include <QByteArray>
#include <QList>
#include <QPageSize>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

class QPaintDevice;
class QPainter;
class QPrinter;

// How a print table goes onto paper. Lengths are in 0.1 mm.
struct PageSettings {
    // 1 A3, 2 A4, 3 A5, 4 B4 (JIS), 5 B5 (JIS), 6 quarto (四开), 7 PRC 16K (十六开, 146×215 mm),
    // 8 PRC 32K (三十二开, 97×151 mm); 0 = none chosen, printed on A4.
    int paper = 0;
    int orientation = 0; // 0 portrait, 1 landscape
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    // Where "第 %d 页" goes: 0 nowhere, 1 top left, 2 top centre, 3 top right, 4 bottom left,
    // 5 bottom centre.
    int pageNumber = 0;
    // 0: pages break by height; n > 0: a new page after every n rows that follow the fixed rows
    // (and earlier when the next row would not fit).
    int rowsPerPage = 0;
    // Percent: 0 means 100, 1..19 mean 20, at most 1000; -1 scales the table to the printable
    // width (up or down), -2 shrinks it to that width only when it is wider. A table is never
    // printed wider than the printable width.
    int scale = 100;
};

// A table laid out for printing: cells addressed by 1-based row and column, row heights, column
// widths and line positions in 0.1 mm. A cell's font size is the height of its letters (the em
// height) in 0.1 mm, so a size of 35 prints at about 10 points; 5 × a point size prints a font
// about 1.4 times its point size, which the print title uses to stand out.
//
// On paper a row is at least its own height and grows to hold the wrapped text of its cells; a
// page break never falls inside a row. A row is never taller than a page leaves room for (the fixed
// rows together at most half of it): a cell whose text is taller still is cut after its last whole
// line, which ends with "…".
class PrintTable {
  public:
    enum Style { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
    // Line sets for setLines(): the edges of a block and the lines inside it.
    enum Lines {
        LeftEdge = 1,
        TopEdge = 2,
        RightEdge = 4,
        BottomEdge = 8,
        InnerHorizontal = 16,
        InnerVertical = 32
    };

    struct Cell {
        QString text;
        QString font = QStringLiteral("宋体");
        int fontSize = 35;
        int style = 0;
        // 1 top left, 2 top centre, 3 top right, 4 middle left, 5 centre, 6 middle right,
        // 7 bottom left, 8 bottom centre, 9 bottom right.
        int alignment = 4;
    };

    static constexpr int kDefaultRowHeight = 50;
    static constexpr int kDefaultColumnWidth = 200;

    // The built-in template: five empty rows (heights 25, 25, 153, 25, 59) of one column of width 1,
    // no fixed rows, paper not chosen, portrait, margins 23 mm, no page numbers, scale 100.
    static QByteArray templateImage();
    // Replaces the whole table by the one in a template image; false (table unchanged) when the
    // image is damaged or not a template.
    bool loadTemplate(const QByteArray& image);

    int rowCount() const { return m_heights.size(); }
    int columnCount() const { return m_widths.size(); }
    // Inserts count empty columns before column at (at = columnCount() + 1 appends).
    void insertColumns(int at, int count);
    void appendRow();

    // Blocks are given by their first row and column and their size; parts outside the table are
    // cut off.
    void merge(int row, int column, int rows, int columns);
    // The merged block a cell lies in, or an empty rect; x/y are the first column/row.
    QRect mergeAt(int row, int column) const;

    void setText(int row, int column, const QString& text);
    QString text(int row, int column) const;
    const Cell& cell(int row, int column) const;

    void setRowHeight(int row, int count, int height);
    int rowHeight(int row) const;
    void setColumnWidth(int column, int count, int width);
    int columnWidth(int column) const;
    int tableWidth() const;

    void setFontName(int row, int column, int rows, int columns, const QString& name);
    void setFontSize(int row, int column, int rows, int columns, int size);
    void setFontStyle(int row, int column, int rows, int columns, int style);
    void setAlignment(int row, int column, int rows, int columns, int alignment);
    // Adds lines (a set of Lines bits) to a block; lines already drawn stay.
    void setLines(int row, int column, int rows, int columns, int lines);
    // The line above row (row = rowCount() + 1: below the last row) in a column, and the line left
    // of column (column = columnCount() + 1: right of the last column) in a row.
    bool lineAbove(int row, int column) const;
    bool lineLeftOf(int row, int column) const;

    // The first count rows are printed at the top of every page.
    void setFixedRows(int count);
    int fixedRows() const { return m_fixedRows; }

    PageSettings pageSettings() const { return m_page; }
    void setPageSettings(const PageSettings& settings) { m_page = settings; }
    // The printable width for the page settings held now: paper width less both side margins.
    int pageWidth() const;

    static QPageSize pageSize(int paper);
    // Paper size in 0.1 mm, turned for landscape.
    static QSize paperSize(int paper, int orientation);
    // The factor the table prints at on a page whose printable width is given: the scale of the
    // page settings, and never more than fits the table into that width.
    double scaleFactor(double printableWidth) const;
    // The rows that follow the fixed rows, page by page, for paper of the given size (0.1 mm).
    // There is always at least one page.
    QList<QList<int>> paginate(const QSizeF& paper) const;
    // The height of each row (index row - 1) as printed on paper of the given size, in 0.1 mm of
    // the paper (after scaling).
    QVector<double> printedRowHeights(const QSizeF& paper) const;

    // Gives the printer this table's paper and orientation; margins are kept by the painting.
    void applyPageLayout(QPrinter& printer) const;
    // Paints every page onto the printer (preview, PDF or paper); false when painting could not
    // start.
    bool paint(QPrinter* printer) const;

    // The installed face that prints a font name: the name itself when installed, otherwise a face
    // that has Chinese letters (Windows names such as 黑体 and 宋体 are not installed on Linux).
    static QString printFace(const QString& name);

  private:
    int index(int row, int column) const { return (row - 1) * columnCount() + (column - 1); }
    bool valid(int row, int column) const;
    template <typename F> void forBlock(int row, int column, int rows, int columns, F f);
    // Row heights on paper measured for a device (nullptr: the resolution of a PDF).
    QVector<double> layoutRows(const QSizeF& paper, double factor, const QPaintDevice* device) const;
    QList<QList<int>> paginate(const QSizeF& paper, const QVector<double>& heights) const;
    void paintRows(QPainter& p, const QList<int>& rows, const QVector<double>& heights, double top,
                   double left, double factor, double scale, const QRectF& clip) const;

    QVector<int> m_heights;
    QVector<int> m_widths;
    QVector<Cell> m_cells;
    // m_above[(row - 1) * columns + column - 1], row 1..rowCount() + 1.
    QVector<bool> m_above;
    // m_leftOf[(row - 1) * (columns + 1) + column - 1], column 1..columnCount() + 1.
    QVector<bool> m_leftOf;
    QList<QRect> m_merges;
    int m_fixedRows = 0;
    PageSettings m_page;
};
