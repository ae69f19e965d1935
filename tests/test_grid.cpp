#include "TestSupport.h"

#include "ui/Grid.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

namespace {
// A shown grid of three columns: headings "列<c>", data rows "r<r>c<c>".
std::unique_ptr<Grid> shownGrid(int dataRows) {
    auto g = makeSource(3, dataRows);
    g->resize(400, 300);
    g->show();
    if (!QTest::qWaitForWindowExposed(g.get()))
        qWarning("grid not exposed");
    return g;
}

QStringList column(const Grid& g, int c) {
    QStringList out;
    for (int r = 1; r < g.gridRowCount(); ++r)
        out << g.cellText(r, c);
    return out;
}

QPoint cellCentre(Grid& g, int row, int column) {
    return g.visualRect(g.model()->index(row - 1, column)).center();
}
} // namespace

class GridTest : public QObject {
    Q_OBJECT
  private slots:
    void rowsAreSelectedWholeAndNeverSorted();
    void widthZeroHidesAColumnFromTheUser();
    void rowsFilledInOneGoReachTheViewOnce();
    void insertedAndRemovedRowsKeepTheirFormats();
    void headingsCellsAndWidthsOutliveColumnCountChanges();
    void ticksAreSetByTheViewAndRead();
};

void GridTest::rowsAreSelectedWholeAndNeverSorted() {
    auto g = shownGrid(4);
    g->setCell(1, 1, QStringLiteral("z"));
    g->setCell(2, 1, QStringLiteral("a"));
    QSignalSpy current(g.get(), &Grid::gridCurrentCellChanged);
    QSignalSpy doubled(g.get(), &Grid::gridRowDoubleClicked);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cellCentre(*g, 3, 1));
    QCOMPARE(g->selectedRowRange(), qMakePair(3, 3));
    QCOMPARE(g->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(g->currentGridRow(), 3);
    QVERIFY(!current.isEmpty());
    QCOMPARE(current.last().at(0).toInt(), 3);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cellCentre(*g, 2, 2));
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cellCentre(*g, 2, 2));
    QCOMPARE(doubled.size(), 1);
    QCOMPARE(doubled.last().at(0).toInt(), 2);

    g->clearSelection();
    g->selectGridRows(2, 3);
    g->selectGridRows(0, 9); // clipped to the data rows
    QCOMPARE(g->selectedRowRange(), qMakePair(1, 4));

    // A click on a heading neither sorts nor reorders.
    const QStringList before = column(*g, 1);
    QTest::mouseClick(g->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(g->horizontalHeader()->sectionViewportPosition(1) + 5, 5));
    QVERIFY(!g->isSortingEnabled());
    QCOMPARE(column(*g, 1), before);
}

void GridTest::widthZeroHidesAColumnFromTheUser() {
    auto g = shownGrid(2);
    g->setGridColumnWidth(0, 0);
    g->setGridColumnWidth(2, 90);
    QCOMPARE(g->gridColumnWidth(0), 0);
    QVERIFY(g->isColumnHidden(0));
    QCOMPARE(g->gridColumnWidth(2), 90);
    // Moving to the start of a row stops at the first shown column.
    g->setCurrentGridCell(1, 2);
    g->setFocus();
    QTest::keyClick(g.get(), Qt::Key_Home);
    QTest::keyClick(g.get(), Qt::Key_Left);
    QCOMPARE(g->currentColumn(), 1);
    g->setGridColumnWidth(0, 40);
    QVERIFY(!g->isColumnHidden(0));
    QCOMPARE(g->gridColumnWidth(0), 40);
}

void GridTest::rowsFilledInOneGoReachTheViewOnce() {
    auto g = shownGrid(1);
    QSignalSpy inserted(g->model(), &QAbstractItemModel::rowsInserted);
    g->beginFill();
    g->reserveRows(1000);
    for (int i = 0; i < 1000; ++i) {
        g->appendRow();
        g->setCell(g->gridRowCount() - 1, 1, QString::number(i));
    }
    // Read and written as usual while the view does not see them yet.
    QCOMPARE(g->gridRowCount(), 1002);
    QCOMPARE(g->cellText(1001, 1), QString("999"));
    QCOMPARE(g->model()->rowCount(), 1);
    g->setRangeBackground(1, 1, 1001, 1, Qt::gray);
    g->endFill();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted[0].at(1).toInt(), 1);
    QCOMPARE(inserted[0].at(2).toInt(), 1000);
    QCOMPARE(g->model()->rowCount(), 1001);
    QCOMPARE(g->model()->index(1000, 1).data().toString(), QString("999"));
    QCOMPARE(g->model()->index(1000, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::gray));

    // A row put between shown rows during a fill is shown at once; cutting back removes it all.
    g->beginFill();
    g->appendRow();
    g->insertGridRow(1);
    QCOMPARE(g->model()->rowCount(), 1002);
    g->setGridRowCount(1);
    QCOMPARE(g->model()->rowCount(), 0);
    g->endFill();
    QCOMPARE(g->model()->rowCount(), 0);
    QCOMPARE(g->gridRowCount(), 1);
}

void GridTest::insertedAndRemovedRowsKeepTheirFormats() {
    auto g = makeSource(3, 4);
    g->setCheckColumn(2);
    g->setRangeBackground(2, 0, 2, 2, Qt::yellow);
    g->setRangeAlignment(3, 1, 3, 1, Qt::AlignRight);
    g->setCellChecked(4, 2, true);
    g->insertGridRow(2);
    QCOMPARE(column(*g, 0), (QStringList{"r1c0", "", "r2c0", "r3c0", "r4c0"}));
    QVERIFY(!g->cellBackground(2, 0).isValid());
    QCOMPARE(g->cellBackground(3, 1), QColor(Qt::yellow));
    QCOMPARE(g->cellAlignment(4, 1), Qt::Alignment(Qt::AlignRight));
    QVERIFY(g->cellChecked(5, 2));
    g->removeGridRow(3);
    g->removeGridRow(0); // the heading row stays
    g->removeGridRow(9);
    QCOMPARE(column(*g, 0), (QStringList{"r1c0", "", "r3c0", "r4c0"}));
    QCOMPARE(g->cellAlignment(3, 1), Qt::Alignment(Qt::AlignRight));
    QVERIFY(g->cellChecked(4, 2));
    QVERIFY(!g->cellChecked(3, 2));
}

// Row 0 is the view's header, not one of its rows.
void GridTest::headingsCellsAndWidthsOutliveColumnCountChanges() {
    auto g = shownGrid(2);
    QAbstractItemModel* m = g->model();
    QCOMPARE(m->rowCount(), 2);
    g->setCell(0, 2, QStringLiteral("新"));
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QString("新"));
    QCOMPARE(m->index(0, 1).data().toString(), QString("r1c1"));
    g->setGridColumnWidth(0, 0);
    g->setGridColumnWidth(1, 55);
    g->setRangeBackground(0, 1, 2, 1, Qt::blue); // the heading row takes no colour
    QVERIFY(!g->cellBackground(0, 1).isValid());
    QCOMPARE(m->index(1, 1).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::blue));
    g->setGridColumnCount(5);
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QString("新"));
    QCOMPARE(g->cellText(2, 2), QString("r2c2"));
    QCOMPARE(g->cellBackground(2, 1), QColor(Qt::blue));
    QCOMPARE(g->gridColumnWidth(0), 0);
    QCOMPARE(g->gridColumnWidth(1), 55);
    g->setCell(1, 4, QStringLiteral("新"));
    g->setGridColumnCount(2);
    QCOMPARE(g->model()->columnCount(), 2);
    QCOMPARE(g->cellText(1, 1), QString("r1c1"));
    QCOMPARE(g->cellText(1, 4), QString());
    QCOMPARE(g->gridColumnWidth(1), 55);
}

void GridTest::ticksAreSetByTheViewAndRead() {
    auto g = makeSource(3, 2);
    g->setCheckColumn(1);
    g->setColumnEditable(2, false);
    QAbstractItemModel* m = g->model();
    QCOMPARE(m->index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!m->index(0, 2).data(Qt::CheckStateRole).isValid());
    QVERIFY(m->setData(m->index(1, 1), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(g->cellChecked(2, 1));
    QVERIFY(!g->cellChecked(1, 1));
    QVERIFY(!m->setData(m->index(1, 2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!m->setData(m->index(1, 2), QStringLiteral("改"), Qt::EditRole));
    QCOMPARE(g->cellText(2, 2), QString("r2c2"));
    QVERIFY(g->cellFlags(1, 1) & Qt::ItemIsUserCheckable);
    QVERIFY(!(g->cellFlags(1, 2) & Qt::ItemIsEditable));
    QVERIFY(g->cellFlags(1, 0) & Qt::ItemIsEditable);
}

QTEST_MAIN(GridTest)
#include "test_grid.moc"
