#include "ui/Grid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <vector>

// Everything a cell carries besides its text, in 8 bytes.
struct GridCellFormat {
    QRgb background = 0;
    quint16 alignment = 0;
    quint8 bits = 0;
    quint8 spare = 0;
};
using CellFormat = GridCellFormat;

namespace {
constexpr quint8 kHasBackground = 1;
constexpr quint8 kChecked = 2;
} // namespace

// The grid's cells: the heading row apart, then the data rows as one block of texts, row after
// row. Formats take room only once a cell of the grid has one. Rows appended while a fill is open
// are held back from the views (rowCount() leaves them out) and announced together at its end.
class GridModel final : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_shown; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_columns;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= m_shown)
            return {};
        const std::size_t at = slot(index.row(), index.column());
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return m_cells[at];
        case Qt::BackgroundRole:
            if (!m_formats.empty() && (m_formats[at].bits & kHasBackground))
                return QColor::fromRgba(m_formats[at].background);
            return {};
        case Qt::TextAlignmentRole:
            if (!m_formats.empty() && m_formats[at].alignment)
                return int(m_formats[at].alignment);
            return {};
        case Qt::CheckStateRole:
            if (isCheckColumn(index.column()))
                return checked(index.row(), index.column()) ? Qt::Checked : Qt::Unchecked;
            return {};
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_columns)
            return m_headings[section];
        // A row's heading (what a screen reader says for the row) is the text of the row's heading
        // column, when the grid has one.
        if (orientation == Qt::Vertical && role == Qt::DisplayRole && m_rowHeading >= 0 &&
            m_rowHeading < m_columns && section >= 0 && section < m_shown)
            return m_cells[slot(section, m_rowHeading)];
        return {};
    }

    void setRowHeading(int column) { m_rowHeading = column; }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return cellFlags(index.column());
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || index.row() >= m_shown)
            return false;
        if (role == Qt::CheckStateRole && isCheckColumn(index.column())) {
            setChecked(index.row(), index.column(), value.toInt() == Qt::Checked);
            return true;
        }
        if (role == Qt::EditRole && (cellFlags(index.column()) & Qt::ItemIsEditable)) {
            setText(index.row(), index.column(), Grid::formatValue(value));
            return true;
        }
        return false;
    }

    Qt::ItemFlags cellFlags(int column) const {
        Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        if (isCheckColumn(column))
            return f | Qt::ItemIsUserCheckable;
        if (!m_readOnlyColumns.contains(column))
            f |= Qt::ItemIsEditable;
        return f;
    }

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }

    void setColumns(int columns) {
        columns = qMax(0, columns);
        if (columns == m_columns)
            return;
        const bool more = columns > m_columns;
        if (more)
            beginInsertColumns({}, m_columns, columns - 1);
        else
            beginRemoveColumns({}, columns, m_columns - 1);
        std::vector<QString> cells(std::size_t(m_rows) * columns);
        std::vector<CellFormat> formats(m_formats.empty() ? 0 : cells.size());
        const int kept = qMin(columns, m_columns);
        for (int r = 0; r < m_rows; ++r)
            for (int c = 0; c < kept; ++c) {
                cells[std::size_t(r) * columns + c] = std::move(m_cells[slot(r, c)]);
                if (!formats.empty())
                    formats[std::size_t(r) * columns + c] = m_formats[slot(r, c)];
            }
        m_cells = std::move(cells);
        m_formats = std::move(formats);
        m_headings.resize(columns);
        m_columns = columns;
        if (more)
            endInsertColumns();
        else
            endRemoveColumns();
    }

    void reserve(int rows) {
        m_cells.reserve(std::size_t(qMax(rows, m_rows)) * m_columns);
        if (!m_formats.empty())
            m_formats.reserve(m_cells.capacity());
    }

    // Rows at..at+count-1 (0-based data rows) become new empty rows.
    void insertDataRows(int at, int count) {
        if (count <= 0 || at < 0 || at > m_rows)
            return;
        // Held back only at the end of an open fill; a row put between shown rows is shown at once.
        const bool announce = m_filling == 0 || at < m_shown;
        if (announce)
            beginInsertRows({}, at, at + count - 1);
        const auto offset = std::ptrdiff_t(at) * m_columns;
        const std::size_t cells = std::size_t(count) * m_columns;
        if (at == m_rows)
            m_cells.resize(m_cells.size() + cells);
        else
            m_cells.insert(m_cells.begin() + offset, cells, QString());
        if (!m_formats.empty())
            m_formats.insert(m_formats.begin() + offset, cells, CellFormat());
        m_rows += count;
        if (announce) {
            m_shown += count;
            endInsertRows();
        }
    }

    void removeDataRows(int at, int count) {
        count = qMin(count, m_rows - at);
        if (count <= 0 || at < 0)
            return;
        const int shownPart = qMax(0, qMin(at + count, m_shown) - at);
        if (shownPart > 0)
            beginRemoveRows({}, at, at + shownPart - 1);
        const auto first = std::ptrdiff_t(at) * m_columns;
        const auto last = std::ptrdiff_t(at + count) * m_columns;
        m_cells.erase(m_cells.begin() + first, m_cells.begin() + last);
        if (!m_formats.empty())
            m_formats.erase(m_formats.begin() + first, m_formats.begin() + last);
        m_rows -= count;
        if (shownPart > 0) {
            m_shown -= shownPart;
            endRemoveRows();
        }
    }

    void beginFill() { ++m_filling; }
    void endFill() {
        if (m_filling == 0 || --m_filling > 0 || m_shown == m_rows)
            return;
        beginInsertRows({}, m_shown, m_rows - 1);
        m_shown = m_rows;
        endInsertRows();
    }

    QString heading(int column) const { return m_headings.value(column); }
    void setHeading(int column, QString text) {
        m_headings[column] = std::move(text);
        emit headerDataChanged(Qt::Horizontal, column, column);
    }

    const QString& text(int row, int column) const { return m_cells[slot(row, column)]; }
    void setText(int row, int column, QString text) {
        m_cells[slot(row, column)] = std::move(text);
        changed(row, column, row, column, {Qt::DisplayRole, Qt::EditRole});
    }

    const CellFormat* format(int row, int column) const {
        return m_formats.empty() ? nullptr : &m_formats[slot(row, column)];
    }
    // Rows r1..r2 and columns c1..c2, all inside the grid.
    template <typename Change> void changeFormats(int r1, int c1, int r2, int c2, Change change, int role) {
        if (r1 > r2 || c1 > c2)
            return;
        if (m_formats.empty()) {
            m_formats.reserve(m_cells.capacity());
            m_formats.resize(m_cells.size());
        }
        for (int r = r1; r <= r2; ++r)
            for (int c = c1; c <= c2; ++c)
                change(m_formats[slot(r, c)]);
        changed(r1, c1, r2, c2, {role});
    }

    bool isCheckColumn(int column) const { return m_checkColumns.contains(column); }
    void addCheckColumn(int column) {
        if (isCheckColumn(column))
            return;
        m_checkColumns << column;
        if (column >= 0 && column < m_columns && m_rows > 0)
            changed(0, column, m_rows - 1, column, {Qt::CheckStateRole});
    }
    bool checked(int row, int column) const {
        const CellFormat* f = format(row, column);
        return f && (f->bits & kChecked);
    }
    void setChecked(int row, int column, bool on) {
        changeFormats(
            row, column, row, column,
            [on](CellFormat& f) { f.bits = on ? (f.bits | kChecked) : (f.bits & ~kChecked); },
            Qt::CheckStateRole);
    }
    void setEditable(int column, bool editable) {
        m_readOnlyColumns.removeAll(column);
        if (!editable)
            m_readOnlyColumns << column;
    }

  private:
    std::size_t slot(int row, int column) const { return std::size_t(row) * m_columns + column; }

    // Tells the views about changed cells they show.
    void changed(int r1, int c1, int r2, int c2, const QList<int>& roles) {
        r2 = qMin(r2, m_shown - 1);
        if (r1 <= r2)
            emit dataChanged(index(r1, c1), index(r2, c2), roles);
    }

    int m_rows = 0;
    int m_shown = 0;
    int m_columns = 0;
    int m_filling = 0;
    std::vector<QString> m_cells;
    std::vector<CellFormat> m_formats;
    QList<QString> m_headings;
    QList<int> m_checkColumns;
    QList<int> m_readOnlyColumns;
    int m_rowHeading = -1;
};

Grid::Grid(QWidget* parent) : QTableView(parent), m_model(new GridModel(this)) {
    setModel(m_model);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(24);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultSectionSize(70);
    horizontalHeader()->setMinimumSectionSize(0);
    // The rows stay in the order they were read; a click on a heading never reorders them.
    setSortingEnabled(false);
    horizontalHeader()->setSortIndicatorShown(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the grid (the arrows move inside it): a grid of many rows is no focus trap.
    setTabKeyNavigation(false);
    setWordWrap(false);
    connect(this, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit gridRowDoubleClicked(index.row() + 1); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                emit gridCurrentCellChanged(current.isValid() ? current.row() + 1 : 0, current.column());
            });
}

Grid::~Grid() = default;

int Grid::gridRowCount() const {
    return m_model->rows() + 1;
}

void Grid::setGridRowCount(int rows) {
    const int wanted = qMax(0, rows - 1);
    if (wanted < m_model->rows())
        m_model->removeDataRows(wanted, m_model->rows() - wanted);
    else
        m_model->insertDataRows(m_model->rows(), wanted - m_model->rows());
}

int Grid::gridColumnCount() const {
    return m_model->columns();
}

void Grid::setGridColumnCount(int columns) {
    m_model->setColumns(columns);
}

void Grid::appendRow() {
    m_model->insertDataRows(m_model->rows(), 1);
}

void Grid::insertGridRow(int row) {
    if (row >= 1 && row <= gridRowCount())
        m_model->insertDataRows(row - 1, 1);
}

void Grid::removeGridRow(int row) {
    if (row >= 1 && row < gridRowCount())
        m_model->removeDataRows(row - 1, 1);
}

void Grid::beginFill() {
    m_model->beginFill();
}

void Grid::endFill() {
    m_model->endFill();
}

void Grid::reserveRows(int dataRows) {
    m_model->reserve(dataRows);
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

void Grid::setCell(int row, int column, const QVariant& value) {
    if (column < 0 || column >= gridColumnCount() || row < 0 || row >= gridRowCount())
        return;
    if (row == 0)
        m_model->setHeading(column, formatValue(value));
    else
        m_model->setText(row - 1, column, formatValue(value));
}

void Grid::setCell(int row, int column, QString text) {
    if (column < 0 || column >= gridColumnCount() || row < 0 || row >= gridRowCount())
        return;
    if (row == 0)
        m_model->setHeading(column, std::move(text));
    else
        m_model->setText(row - 1, column, std::move(text));
}

QString Grid::cellText(int row, int column) const {
    if (column < 0 || column >= gridColumnCount() || row < 0 || row >= gridRowCount())
        return {};
    return row == 0 ? m_model->heading(column) : m_model->text(row - 1, column);
}

void Grid::setGridColumnWidth(int column, int width) {
    if (column < 0 || column >= gridColumnCount())
        return;
    setColumnHidden(column, width <= 0);
    if (width > 0)
        setColumnWidth(column, width);
}

int Grid::gridColumnWidth(int column) const {
    return columnWidth(column);
}

void Grid::setRangeAlignment(int r1, int c1, int r2, int c2, Qt::Alignment alignment) {
    m_model->changeFormats(
        qMax(1, r1) - 1, qMax(0, c1), qMin(r2, gridRowCount() - 1) - 1, qMin(c2, gridColumnCount() - 1),
        [alignment](CellFormat& f) { f.alignment = quint16(alignment); }, Qt::TextAlignmentRole);
}

void Grid::setRangeBackground(int r1, int c1, int r2, int c2, const QColor& colour) {
    const QRgb rgba = colour.rgba();
    const bool valid = colour.isValid();
    m_model->changeFormats(
        qMax(1, r1) - 1, qMax(0, c1), qMin(r2, gridRowCount() - 1) - 1, qMin(c2, gridColumnCount() - 1),
        [rgba, valid](CellFormat& f) {
            f.background = rgba;
            f.bits = valid ? (f.bits | kHasBackground) : (f.bits & ~kHasBackground);
        },
        Qt::BackgroundRole);
}

QColor Grid::cellBackground(int row, int column) const {
    if (row < 1 || row >= gridRowCount() || column < 0 || column >= gridColumnCount())
        return {};
    const CellFormat* f = m_model->format(row - 1, column);
    return f && (f->bits & kHasBackground) ? QColor::fromRgba(f->background) : QColor();
}

Qt::Alignment Grid::cellAlignment(int row, int column) const {
    if (row < 1 || row >= gridRowCount() || column < 0 || column >= gridColumnCount())
        return {};
    const CellFormat* f = m_model->format(row - 1, column);
    return f ? Qt::Alignment(f->alignment) : Qt::Alignment();
}

void Grid::setCheckColumn(int column) {
    m_model->addCheckColumn(column);
}

bool Grid::cellChecked(int row, int column) const {
    if (row < 1 || row >= gridRowCount() || column < 0 || column >= gridColumnCount())
        return false;
    return m_model->isCheckColumn(column) && m_model->checked(row - 1, column);
}

void Grid::setCellChecked(int row, int column, bool checked) {
    if (row < 1 || row >= gridRowCount() || column < 0 || column >= gridColumnCount())
        return;
    m_model->setChecked(row - 1, column, checked);
}

void Grid::setColumnEditable(int column, bool editable) {
    m_model->setEditable(column, editable);
}

Qt::ItemFlags Grid::cellFlags(int row, int column) const {
    if (row < 1 || row >= gridRowCount() || column < 0 || column >= gridColumnCount())
        return Qt::NoItemFlags;
    return m_model->cellFlags(column);
}

QPair<int, int> Grid::selectedRowRange() const {
    int first = -1, last = -1;
    for (const QItemSelectionRange& r : selectionModel()->selection()) {
        if (first < 0 || r.top() + 1 < first)
            first = r.top() + 1;
        if (r.bottom() + 1 > last)
            last = r.bottom() + 1;
    }
    return {first, last};
}

void Grid::selectGridRows(int first, int last) {
    first = qMax(1, first);
    last = qMin(last, m_model->rowCount());
    if (first > last || gridColumnCount() == 0)
        return;
    selectionModel()->select(QItemSelection(m_model->index(first - 1, 0), m_model->index(last - 1, 0)),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

int Grid::currentGridRow() const {
    return currentIndex().isValid() ? currentIndex().row() + 1 : 0;
}

int Grid::currentColumn() const {
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void Grid::setCurrentGridCell(int row, int column) {
    if (row >= 1 && row < gridRowCount() && column >= 0 && column < gridColumnCount())
        setCurrentIndex(m_model->index(row - 1, column));
}

void Grid::setRowHeadingColumn(int column) {
    m_model->setRowHeading(column);
    emit m_model->headerDataChanged(Qt::Vertical, 0, qMax(0, m_model->rowCount() - 1));
}

QString Grid::rowInWords(int row) const {
    QStringList parts;
    if (row < 1 || row >= gridRowCount())
        return QString();
    for (int c = 0; c < gridColumnCount(); ++c) {
        const QString text = cellText(row, c).trimmed();
        if (gridColumnWidth(c) == 0 || text.isEmpty())
            continue;
        const QString heading = cellText(0, c).trimmed();
        parts << (heading.isEmpty() ? text : heading + QStringLiteral(" ") + text);
    }
    return parts.join(QStringLiteral("，"));
}
