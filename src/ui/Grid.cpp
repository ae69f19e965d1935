#include "ui/Grid.h"

#include <QHeaderView>

Grid::Grid(QWidget* parent) : QTableWidget(parent) {
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(24);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultSectionSize(70);
    horizontalHeader()->setMinimumSectionSize(0);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int r, int) { emit gridRowDoubleClicked(r + 1); });
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int r, int c, int, int) { emit gridCurrentCellChanged(r < 0 ? 0 : r + 1, c); });
}

void Grid::setGridRowCount(int rows) {
    setRowCount(qMax(0, rows - 1));
}

void Grid::setGridColumnCount(int columns) {
    setColumnCount(qMax(0, columns));
    for (int c = 0; c < columnCount(); ++c)
        if (!horizontalHeaderItem(c))
            setHorizontalHeaderItem(c, new QTableWidgetItem(QString()));
}

void Grid::appendRow() {
    insertRow(rowCount());
}

void Grid::insertGridRow(int row) {
    if (row >= 1 && row <= gridRowCount())
        insertRow(row - 1);
}

void Grid::removeGridRow(int row) {
    if (row >= 1 && row < gridRowCount())
        removeRow(row - 1);
}

QString Grid::formatValue(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (d == 0)
            return QStringLiteral("0");
        return QString::number(d, 'g', 13);
    }
    default:
        return value.toString();
    }
}

QTableWidgetItem* Grid::itemAt(int row, int column, bool create) {
    if (column < 0 || column >= columnCount() || row < 0 || row >= gridRowCount())
        return nullptr;
    if (row == 0) {
        QTableWidgetItem* h = horizontalHeaderItem(column);
        if (!h && create) {
            h = new QTableWidgetItem;
            setHorizontalHeaderItem(column, h);
        }
        return h;
    }
    QTableWidgetItem* it = item(row - 1, column);
    if (!it && create) {
        it = new QTableWidgetItem;
        if (m_readOnlyColumns.contains(column))
            it->setFlags(it->flags() & ~Qt::ItemIsEditable);
        if (m_checkColumns.contains(column)) {
            it->setFlags((it->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
            it->setCheckState(Qt::Unchecked);
        }
        setItem(row - 1, column, it);
    }
    return it;
}

void Grid::setCell(int row, int column, const QVariant& value) {
    if (QTableWidgetItem* it = itemAt(row, column, true))
        it->setText(formatValue(value));
}

QString Grid::cellText(int row, int column) const {
    QTableWidgetItem* it = const_cast<Grid*>(this)->itemAt(row, column, false);
    return it ? it->text() : QString();
}

void Grid::setGridColumnWidth(int column, int width) {
    if (column >= 0 && column < columnCount())
        setColumnWidth(column, qMax(0, width));
}

int Grid::gridColumnWidth(int column) const {
    return columnWidth(column);
}

void Grid::setRangeAlignment(int r1, int c1, int r2, int c2, Qt::Alignment alignment) {
    for (int r = qMax(1, r1); r <= qMin(r2, gridRowCount() - 1); ++r)
        for (int c = qMax(0, c1); c <= qMin(c2, columnCount() - 1); ++c)
            itemAt(r, c, true)->setTextAlignment(alignment);
}

void Grid::setRangeBackground(int r1, int c1, int r2, int c2, const QColor& colour) {
    for (int r = qMax(1, r1); r <= qMin(r2, gridRowCount() - 1); ++r)
        for (int c = qMax(0, c1); c <= qMin(c2, columnCount() - 1); ++c)
            itemAt(r, c, true)->setBackground(colour);
}

QColor Grid::cellBackground(int row, int column) const {
    QTableWidgetItem* it = const_cast<Grid*>(this)->itemAt(row, column, false);
    return it && it->background().style() != Qt::NoBrush ? it->background().color() : QColor();
}

Qt::Alignment Grid::cellAlignment(int row, int column) const {
    QTableWidgetItem* it = const_cast<Grid*>(this)->itemAt(row, column, false);
    return it ? Qt::Alignment(it->textAlignment()) : Qt::Alignment();
}

void Grid::setCheckColumn(int column) {
    if (!m_checkColumns.contains(column))
        m_checkColumns << column;
}

bool Grid::cellChecked(int row, int column) const {
    QTableWidgetItem* it = const_cast<Grid*>(this)->itemAt(row, column, false);
    return it && row > 0 && it->checkState() == Qt::Checked;
}

void Grid::setCellChecked(int row, int column, bool checked) {
    if (row < 1)
        return;
    if (QTableWidgetItem* it = itemAt(row, column, true))
        it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void Grid::setColumnEditable(int column, bool editable) {
    m_readOnlyColumns.removeAll(column);
    if (!editable)
        m_readOnlyColumns << column;
    for (int r = 1; r < gridRowCount(); ++r)
        if (QTableWidgetItem* it = itemAt(r, column, false))
            it->setFlags(editable ? it->flags() | Qt::ItemIsEditable : it->flags() & ~Qt::ItemIsEditable);
}

QPair<int, int> Grid::selectedRowRange() const {
    int first = -1, last = -1;
    for (const QTableWidgetSelectionRange& r : selectedRanges()) {
        if (first < 0 || r.topRow() + 1 < first)
            first = r.topRow() + 1;
        if (r.bottomRow() + 1 > last)
            last = r.bottomRow() + 1;
    }
    return {first, last};
}

int Grid::currentGridRow() const {
    return currentRow() < 0 ? 0 : currentRow() + 1;
}

void Grid::setCurrentGridCell(int row, int column) {
    if (row >= 1 && row < gridRowCount())
        setCurrentCell(row - 1, column);
}
