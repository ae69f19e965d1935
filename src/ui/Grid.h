#pragma once

#include <QColor>
#include <QTableWidget>
#include <QVariant>

// The program's grid. Rows are counted as the windows count them: row 0 is the heading row
// (shown as the table's header, so it stays in view while scrolling), data rows start at 1.
// Column 0 is the grid's first column, like any other; a window hides it by giving it width 0.
class Grid : public QTableWidget {
    Q_OBJECT
  public:
    explicit Grid(QWidget* parent = nullptr);

    int gridRowCount() const { return rowCount() + 1; }
    void setGridRowCount(int rows);
    int gridColumnCount() const { return columnCount(); }
    void setGridColumnCount(int columns);
    void appendRow();
    void insertGridRow(int row);
    void removeGridRow(int row);

    // Texts as given; integers in plain decimal; reals with up to 13 significant digits and
    // no trailing zeros.
    void setCell(int row, int column, const QVariant& value);
    QString cellText(int row, int column) const;
    static QString formatValue(const QVariant& value);

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

    // First and last selected data row in grid numbering; {-1, -1} when nothing is selected.
    QPair<int, int> selectedRowRange() const;
    int currentGridRow() const;
    void setCurrentGridCell(int row, int column);

  signals:
    void gridRowDoubleClicked(int row);
    void gridCurrentCellChanged(int row, int column);

  private:
    QTableWidgetItem* itemAt(int row, int column, bool create);
    QList<int> m_checkColumns;
    QList<int> m_readOnlyColumns;
};
