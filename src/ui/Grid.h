#pragma once

#include <QColor>
#include <QTableView>
#include <QVariant>

class GridModel;

// The program's grid. Rows are counted as the windows count them: row 0 is the heading row
// (shown as the table's header, so it stays in view while scrolling), data rows start at 1.
// Column 0 is the grid's first column, like any other; a window hides it by giving it width 0.
//
// The cells live in a model of the grid's own, one text per cell, so a grid of a hundred thousand
// rows costs its texts and little more. Rows are selected whole; the rows are never sorted.
class Grid : public QTableView {
    Q_OBJECT
  public:
    explicit Grid(QWidget* parent = nullptr);
    ~Grid() override;

    int gridRowCount() const;
    void setGridRowCount(int rows);
    int gridColumnCount() const;
    void setGridColumnCount(int columns);
    void appendRow();
    void insertGridRow(int row);
    void removeGridRow(int row);

    // Rows appended between beginFill() and endFill() reach the view as one insertion at
    // endFill(), so a grid filled row by row stays quick however many rows it gets. Until then the
    // view does not show them (they are counted, read and written as usual). Calls nest.
    void beginFill();
    void endFill();
    // Room for this many data rows in all, so a long fill does not copy the grid as it grows.
    void reserveRows(int dataRows);

    // Texts as given; integers in plain decimal; reals with up to 13 significant digits and
    // no trailing zeros.
    void setCell(int row, int column, const QVariant& value);
    void setCell(int row, int column, QString text);
    QString cellText(int row, int column) const;
    static QString formatValue(const QVariant& value);

    // Width 0 hides the column (it is skipped when moving through the grid); a width above 0
    // shows it again.
    void setGridColumnWidth(int column, int width);
    int gridColumnWidth(int column) const;

    // Ranges are clipped to the grid; the heading row takes no alignment or colour.
    void setRangeAlignment(int r1, int c1, int r2, int c2, Qt::Alignment alignment);
    void setRangeBackground(int r1, int c1, int r2, int c2, const QColor& colour);
    QColor cellBackground(int row, int column) const;
    Qt::Alignment cellAlignment(int row, int column) const;

    // Tick cells.
    void setCheckColumn(int column);
    bool cellChecked(int row, int column) const;
    void setCellChecked(int row, int column, bool checked);
    // Whether the user may edit cells of a column (tick cells stay tickable regardless).
    void setColumnEditable(int column, bool editable);
    // What the user may do with a data cell (select, tick, edit).
    Qt::ItemFlags cellFlags(int row, int column) const;

    // First and last selected data row in grid numbering; {-1, -1} when nothing is selected.
    QPair<int, int> selectedRowRange() const;
    // Adds data rows first..last (grid numbering) to the selection.
    void selectGridRows(int first, int last);
    int currentGridRow() const;
    // The column of the current cell; -1 when there is none.
    int currentColumn() const;
    void setCurrentGridCell(int row, int column);

    // The column whose text heads each data row (a screen reader says it for the row); -1 for none.
    void setRowHeadingColumn(int column);
    // A data row as a screen reader is told it: "heading text" for each shown cell with text,
    // joined by "，"; empty for a row beyond the grid.
    QString rowInWords(int row) const;

  signals:
    void gridRowDoubleClicked(int row);
    void gridCurrentCellChanged(int row, int column);

  private:
    GridModel* m_model;
};
