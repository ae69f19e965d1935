#include "TestSupport.h"

#include "printing/PrintBuild.h"
#include "printing/PrintPreview.h"
#include "printing/PrintTable.h"
#include "ui/Grid.h"

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <memory>

namespace {

PrintJob jobFor(const Grid& source, int chosen) {
    PrintJob job;
    job.title = QStringLiteral("错题打印");
    job.fontSize = QStringLiteral("30");
    for (int c = 1; c <= chosen; ++c)
        job.columns.append({c, source.cellText(0, c)});
    return job;
}

PrintTable built(const PrintJob& job, const Grid& source) {
    PrintTable table;
    if (!buildPrintTable(job, source, table, PrintTable::templateImage()))
        qWarning("build refused the built-in template");
    return table;
}

// The words pdftotext finds on each page of a PDF, with their boxes in points.
struct PdfWord {
    QRectF box;
    QString text;
};
struct PdfPage {
    QSizeF size;
    QList<PdfWord> words;
};

QList<PdfPage> pdfWords(const QString& path) {
    QList<PdfPage> pages;
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), path,
                        QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return pages;
    QXmlStreamReader xml(p.readAllStandardOutput());
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        auto number = [&a](const char* name) { return a.value(QLatin1String(name)).toDouble(); };
        if (xml.name() == QLatin1String("page")) {
            pages.append({QSizeF(number("width"), number("height")), {}});
        } else if (xml.name() == QLatin1String("word") && !pages.isEmpty()) {
            const QRectF box(QPointF(number("xMin"), number("yMin")),
                             QPointF(number("xMax"), number("yMax")));
            pages.last().words.append({box, xml.readElementText()});
        }
    }
    return pages;
}

// Every line printed whole: no two words on a page share ink. Returns all the text without blanks
// (empty when two words overlap).
QString wholeLinesText(const QList<PdfPage>& pages) {
    QString all;
    for (const PdfPage& page : pages)
        for (int i = 0; i < page.words.size(); ++i) {
            for (int j = i + 1; j < page.words.size(); ++j) {
                const QRectF both = page.words[i].box.intersected(page.words[j].box);
                if (both.width() > 0.5 && both.height() > 1.0) {
                    qWarning("\"%s\" overlaps \"%s\"", qPrintable(page.words[i].text),
                             qPrintable(page.words[j].text));
                    return QString();
                }
            }
            all += page.words[i].text;
        }
    return all;
}

// Page 1 of a PDF as pdftoppm renders it, in grey, at dpi dots per inch.
QImage renderFirstPage(const QString& pdf, int dpi) {
    const QString out = pdf + QStringLiteral("-page");
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftoppm")),
            {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
             QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-png"),
             QStringLiteral("-singlefile"), pdf, out});
    if (!p.waitForFinished(60000))
        return QImage();
    return QImage(out + QStringLiteral(".png"));
}

int pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = f.readAll();
    return pdf.count("/Type /Page") - pdf.count("/Type /Pages");
}

} // namespace

class PrintTableTest : public QObject {
    Q_OBJECT
  private slots:
    void templateLoadsItsPageAndRows();
    void damagedTemplateImagesAreRefused();
    void insertedColumnsKeepCellsAndBlocks();
    void linesOfABlockAreCutAtTheTableEdge();
    void tableOfChosenColumnsWithSerialNumbers();
    void tableWithoutSerialNumbersOrFontSize();
    void wideTablesAreScaledToThePage();
    void titleFontFromItsText_data();
    void titleFontFromItsText();
    void lineStylesRuleTheRightLines();
    void scaleSettings();
    void pagesBreakByRowCountOrHeight();
    void pdfHasOnePagePerTwentyRows();
    void pdfHoldsTheChineseTextAsText();
    void rowsGrowAndPagesBreakBetweenThem();
    void pdfOfLongQuestionsShowsEveryLineWhole();
    void wideAnswerCardFitsItsPaper_data();
    void wideAnswerCardFitsItsPaper();
};

void PrintTableTest::templateLoadsItsPageAndRows() {
    const QByteArray image = PrintTable::templateImage();
    QCOMPARE(image.size(), 200);
    QVERIFY(image.startsWith("SDTW"));
    PrintTable t;
    QVERIFY(t.loadTemplate(image));
    QCOMPARE(t.rowCount(), 5);
    QCOMPARE(t.columnCount(), 1);
    QCOMPARE(t.fixedRows(), 0);
    const int heights[] = {25, 25, 153, 25, 59};
    for (int r = 1; r <= 5; ++r)
        QCOMPARE(t.rowHeight(r), heights[r - 1]);
    QCOMPARE(t.columnWidth(1), 1);
    const PageSettings p = t.pageSettings();
    QCOMPARE(p.paper, 0);
    QCOMPARE(p.orientation, 0);
    QCOMPARE(p.left + p.top + p.right + p.bottom, 4 * 230);
    QCOMPARE(p.pageNumber, 0);
    QCOMPARE(p.scale, 100);
    QCOMPARE(p.rowsPerPage, 0);
    // No paper chosen prints on A4 portrait: 210 mm less two 23 mm margins.
    QCOMPARE(t.pageWidth(), 1640);
}

void PrintTableTest::damagedTemplateImagesAreRefused() {
    const QByteArray good = PrintTable::templateImage();
    QList<QByteArray> bad;
    bad << QByteArray() << good.left(199) << good + '\0';
    QByteArray magic = good;
    magic[0] = 'X';
    QByteArray height = good;
    height[40] = char(height[40] + 1); // a row height, caught by the checksum
    QByteArray sum = good;
    sum[199] = char(~sum[199]);
    bad << magic << height << sum;

    PrintTable t;
    QVERIFY(t.loadTemplate(good));
    t.insertColumns(1, 2);
    t.setText(1, 1, QStringLiteral("保留"));
    for (const QByteArray& image : bad) {
        QVERIFY(!t.loadTemplate(image));
        // A refused image leaves the table as it was.
        QCOMPARE(t.columnCount(), 3);
        QCOMPARE(t.text(1, 1), QStringLiteral("保留"));
    }
}

void PrintTableTest::insertedColumnsKeepCellsAndBlocks() {
    PrintTable t;
    QVERIFY(t.loadTemplate(PrintTable::templateImage()));
    t.insertColumns(2, 3); // after the template's column: columns 2..4
    t.setText(2, 2, QStringLiteral("乙"));
    t.setText(2, 1, QStringLiteral("甲"));
    t.merge(3, 2, 1, 2);
    t.setLines(4, 1, 1, 4, 63);
    t.insertColumns(1, 1);
    QCOMPARE(t.columnCount(), 5);
    QCOMPARE(t.text(2, 2), QStringLiteral("甲"));
    QCOMPARE(t.text(2, 3), QStringLiteral("乙"));
    QCOMPARE(t.columnWidth(2), 1);
    QCOMPARE(t.mergeAt(3, 4), QRect(QPoint(3, 3), QPoint(4, 3)));
    QVERIFY(t.lineAbove(4, 2) && t.lineLeftOf(4, 3) && t.lineLeftOf(4, 6));
    QVERIFY(!t.lineAbove(4, 1));
    // Out-of-table addresses change nothing and read empty.
    t.setText(0, 1, QStringLiteral("x"));
    t.setText(9, 9, QStringLiteral("x"));
    QCOMPARE(t.text(9, 9), QString());
    t.appendRow();
    QCOMPARE(t.rowCount(), 6);
    QVERIFY(t.lineAbove(5, 2)); // the old bottom line now lies above row 5
    QVERIFY(!t.lineAbove(7, 2));
}

void PrintTableTest::linesOfABlockAreCutAtTheTableEdge() {
    PrintTable t;
    QVERIFY(t.loadTemplate(PrintTable::templateImage()));
    t.insertColumns(1, 2); // three columns
    t.setLines(2, 2, 10, 10,
               PrintTable::LeftEdge | PrintTable::TopEdge | PrintTable::RightEdge | PrintTable::BottomEdge);
    QVERIFY(t.lineAbove(2, 2) && t.lineAbove(2, 3));
    QVERIFY(t.lineAbove(6, 3));  // the bottom edge lands below the last row
    QVERIFY(t.lineLeftOf(5, 4)); // the right edge lands right of the last column
    QVERIFY(!t.lineAbove(3, 2));
    QVERIFY(!t.lineLeftOf(3, 3));
}

void PrintTableTest::tableOfChosenColumnsWithSerialNumbers() {
    auto source = makeSource(5, 3);
    PrintJob job = jobFor(*source, 0);
    job.columns = {{4, QStringLiteral("列4")}, {1, QStringLiteral("列1")}, {2, QStringLiteral("列2")}};
    job.serialColumn = true;
    job.lineStyle = 1;
    job.paper = 3;
    job.orientation = 1;
    job.rowsPerPage = QStringLiteral(" 20 ");
    const PrintTable t = built(job, *source);

    QCOMPARE(t.columnCount(), 5);
    QCOMPARE(t.rowCount(), 8);
    const int widths[] = {1, 120, 280, 280, 280};
    for (int c = 1; c <= 5; ++c)
        QCOMPARE(t.columnWidth(c), widths[c - 1]);
    QCOMPARE(t.text(3, 2), QStringLiteral("错题打印"));
    QCOMPARE(t.mergeAt(3, 5), QRect(QPoint(2, 3), QPoint(5, 3)));
    QCOMPARE(t.cell(3, 2).style, int(PrintTable::Bold));
    QCOMPARE(t.cell(3, 2).alignment, 5);
    const QStringList headings{QStringLiteral("序号"), QStringLiteral("列4"), QStringLiteral("列1"),
                               QStringLiteral("列2")};
    for (int c = 2; c <= 5; ++c)
        QCOMPARE(t.text(5, c), headings[c - 2]);
    // Serial numbers on every data row but the last (an answer card's total row).
    QCOMPARE(t.text(6, 2), QStringLiteral("1"));
    QCOMPARE(t.text(7, 2), QStringLiteral("2"));
    QCOMPARE(t.text(8, 2), QString());
    QCOMPARE(t.text(6, 3), QStringLiteral("r1c4"));
    QCOMPARE(t.text(8, 4), QStringLiteral("r3c1"));
    QCOMPARE(t.text(7, 5), QStringLiteral("r2c2"));
    for (int r = 5; r <= 8; ++r)
        QCOMPARE(t.rowHeight(r), 80);
    QCOMPARE(t.fixedRows(), 5);
    QCOMPARE(t.cell(8, 5).fontSize, 30);
    QCOMPARE(t.cell(8, 5).alignment, 5);
    const PageSettings p = t.pageSettings();
    QCOMPARE(p.paper, 3);
    QCOMPARE(p.orientation, 1);
    QCOMPARE(p.left, 150);
    QCOMPARE(p.top, 100);
    QCOMPARE(p.right, 100);
    QCOMPARE(p.bottom, 100);
    QCOMPARE(p.pageNumber, 5);
    QCOMPARE(p.rowsPerPage, 20);
    QCOMPARE(p.scale, 100);
}

void PrintTableTest::tableWithoutSerialNumbersOrFontSize() {
    auto source = makeSource(3, 2);
    PrintJob job = jobFor(*source, 2);
    job.fontSize.clear();
    const PrintTable t = built(job, *source);
    QCOMPARE(t.columnCount(), 3);
    QCOMPARE(t.text(5, 2), QStringLiteral("列1"));
    QCOMPARE(t.text(7, 3), QStringLiteral("r2c2"));
    QCOMPARE(t.columnWidth(3), 280);
    const PrintTable::Cell plain;
    QCOMPARE(t.cell(7, 3).fontSize, plain.fontSize);
    QCOMPARE(t.cell(7, 3).alignment, plain.alignment);
    QCOMPARE(t.pageSettings().rowsPerPage, 0);
}

void PrintTableTest::wideTablesAreScaledToThePage() {
    auto source = makeSource(11, 2);
    // Measured against the chosen paper less the margins of 15 and 10 mm.
    auto scale = [&](int columns, int paper, int orientation, bool serial = false) {
        PrintJob job = jobFor(*source, columns);
        job.paper = paper;
        job.orientation = orientation;
        job.serialColumn = serial;
        return built(job, *source).pageSettings().scale;
    };
    QCOMPARE(scale(6, 2, 0), 100);      // A4 portrait: 1680 of 1850
    QCOMPARE(scale(7, 2, 0), -1);       // 1960
    QCOMPARE(scale(9, 2, 1), 100);      // A4 landscape: 2520 of 2720
    QCOMPARE(scale(2, 8, 0), 100);      // 32K portrait: 560 of 720
    QCOMPARE(scale(3, 8, 0), -1);       // 840
    QCOMPARE(scale(4, 3, 0, true), -1); // A5 portrait: 1120 and the serial column's 120 of 1230
}

void PrintTableTest::titleFontFromItsText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("size");
    QTest::newRow("name and size") << "宋体,12"
                                   << "宋体" << 60;
    QTest::newRow("empty") << ""
                           << "黑体" << 110;
    QTest::newRow("no comma") << "楷体"
                              << "楷体" << 110;
    QTest::newRow("size not a number") << "Arial,big"
                                       << "Arial" << 110;
}

void PrintTableTest::titleFontFromItsText() {
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(int, size);
    auto source = makeSource(3, 1);
    PrintJob job = jobFor(*source, 2);
    job.titleFont = text;
    const PrintTable t = built(job, *source);
    for (int c = 1; c <= t.columnCount(); ++c) {
        QCOMPARE(t.cell(3, c).font, name);
        QCOMPARE(t.cell(3, c).fontSize, size);
    }
}

void PrintTableTest::lineStylesRuleTheRightLines() {
    auto source = makeSource(4, 3); // rows 5 (headings) .. 8, columns 2..4
    auto table = [&](int style) {
        PrintJob job = jobFor(*source, 3);
        job.lineStyle = style;
        return built(job, *source);
    };
    const PrintTable all = table(1);
    for (int r = 5; r <= 9; ++r)
        for (int c = 2; c <= 4; ++c)
            QVERIFY(all.lineAbove(r, c));
    QVERIFY(all.lineLeftOf(7, 3) && all.lineLeftOf(7, 5));
    QVERIFY(!all.lineAbove(4, 2) && !all.lineLeftOf(6, 1));

    const PrintTable frames = table(2);
    QVERIFY(frames.lineAbove(5, 3) && frames.lineAbove(6, 3) && frames.lineAbove(9, 3));
    QVERIFY(!frames.lineAbove(7, 3));
    QVERIFY(frames.lineLeftOf(7, 2) && frames.lineLeftOf(7, 5));
    QVERIFY(!frames.lineLeftOf(5, 3) && !frames.lineLeftOf(7, 3));

    const PrintTable rowLines = table(3);
    QVERIFY(rowLines.lineAbove(7, 3) && rowLines.lineAbove(9, 3));
    QVERIFY(!rowLines.lineLeftOf(7, 3) && rowLines.lineLeftOf(7, 5));

    const PrintTable columnLines = table(4);
    QVERIFY(columnLines.lineAbove(5, 3) && columnLines.lineAbove(6, 3) && columnLines.lineAbove(9, 3));
    QVERIFY(!columnLines.lineAbove(7, 3) && !columnLines.lineAbove(8, 3));
    QVERIFY(columnLines.lineLeftOf(5, 3) && columnLines.lineLeftOf(7, 3) && columnLines.lineLeftOf(8, 5));
}

void PrintTableTest::scaleSettings() {
    PrintTable t;
    QVERIFY(t.loadTemplate(PrintTable::templateImage()));
    t.setColumnWidth(1, 1, 2000);
    PageSettings p = t.pageSettings();
    auto factor = [&](int scale, double width) {
        p.scale = scale;
        t.setPageSettings(p);
        return t.scaleFactor(width);
    };
    QCOMPARE(factor(0, 4000), 1.0);
    QCOMPARE(factor(150, 4000), 1.5);
    QCOMPARE(factor(5, 1000), 0.2);
    QCOMPARE(factor(5000, 40000), 10.0);
    // Whatever the scale, never wider than the paper it is printed on.
    QCOMPARE(factor(100, 1000), 0.5);
    QCOMPARE(factor(150, 2000), 1.0);
    QCOMPARE(factor(-1, 1000), 0.5);
    QCOMPARE(factor(-1, 4000), 2.0);
    QCOMPARE(factor(-2, 1000), 0.5);
    QCOMPARE(factor(-2, 4000), 1.0);
    // 十六开 and 三十二开 are the Chinese 16K and 32K sizes.
    QCOMPARE(PrintTable::paperSize(7, 0), QSize(1460, 2150));
    QCOMPARE(PrintTable::paperSize(8, 1), QSize(1510, 970));
    QCOMPARE(PrintTable::paperSize(0, 0), QSize(2100, 2970));
    QCOMPARE(PrintTable::paperSize(1, 1), QSize(4200, 2970));
}

void PrintTableTest::pagesBreakByRowCountOrHeight() {
    auto source = makeSource(3, 45);
    PrintJob job = jobFor(*source, 2);
    job.orientation = 0;
    job.rowsPerPage = QStringLiteral("20");
    const PrintTable counted = built(job, *source);
    const auto pages = counted.paginate(QSizeF(2100, 2970));
    QCOMPARE(pages.size(), 3);
    QCOMPARE(pages[0].size(), 20);
    QCOMPARE(pages[1].size(), 20);
    QCOMPARE(pages[2].size(), 5);
    QCOMPARE(pages[0].first(), 6);
    QCOMPARE(pages[2].last(), 50);

    // By height: 2970 - 200 margins - 308 fixed rows leaves room for 30 rows of 80.
    job.rowsPerPage.clear();
    const auto byHeight = built(job, *source).paginate(QSizeF(2100, 2970));
    QCOMPARE(byHeight.size(), 2);
    QCOMPARE(byHeight[0].size(), 30);
    QCOMPARE(byHeight[1].size(), 15);

    // Forty rows that do not fit on a landscape page still break by height.
    job.rowsPerPage = QStringLiteral("40");
    const auto landscape = built(job, *source).paginate(QSizeF(2970, 2100));
    QCOMPARE(landscape[0].size(), (2100 - 200 - 308) / 80);

    // A table without data rows still prints its headings on one page.
    auto empty = makeSource(3, 0);
    QCOMPARE(built(jobFor(*empty, 2), *empty).paginate(QSizeF(2100, 2970)).size(), 1);
}

void PrintTableTest::pdfHasOnePagePerTwentyRows() {
    auto source = makeSource(4, 45);
    PrintJob job = jobFor(*source, 3);
    job.serialColumn = true;
    job.orientation = 0;
    job.rowsPerPage = QStringLiteral("20");
    const PrintTable t = built(job, *source);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("表.pdf"));
    QVERIFY(printpreview::writePdf(t, path));
    QCOMPARE(pdfPages(path), 3);

    job.rowsPerPage.clear();
    QVERIFY(printpreview::writePdf(built(job, *source), path));
    QCOMPARE(pdfPages(path), 2);
}

void PrintTableTest::pdfHoldsTheChineseTextAsText() {
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    auto source = makeSource(3, 3);
    source->setCell(1, 1, QStringLiteral("借贷记账法"));
    PrintJob job = jobFor(*source, 2);
    job.title = QStringLiteral("会计基础错题");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.pdf"));
    QVERIFY(printpreview::writePdf(built(job, *source), path));
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(30000));
    // The title wraps in its two columns; the extracted text loses line breaks and blanks.
    const QString text =
        QString::fromUtf8(p.readAllStandardOutput()).remove(QRegularExpression(QStringLiteral("\\s")));
    QVERIFY2(text.contains(QStringLiteral("会计基础错题")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("借贷记账法")));
    QVERIFY(text.contains(QStringLiteral("列1")));
    QVERIFY(text.contains(QStringLiteral("第1页")));
}

void PrintTableTest::rowsGrowAndPagesBreakBetweenThem() {
    auto source = makeSource(3, 60);
    const QString sentence = QStringLiteral("借贷记账法以借和贷作为记账符号。");
    source->setCell(2, 1, sentence.repeated(3));                       // wraps in its column
    source->setCell(3, 1, QStringLiteral("第一行\n第二行\r\n第三行")); // breaks lines itself
    for (int r = 4; r <= 60; r += 3)
        source->setCell(r, 2, sentence.repeated(1 + r % 5));
    PrintJob job = jobFor(*source, 2);
    const QSizeF paper(2100, 2970);
    const PrintTable t = built(job, *source);
    const QVector<double> h = t.printedRowHeights(paper);
    // The template rows, the headings and a short row keep their heights, the least ones.
    for (int r : {1, 2, 3, 4, 5, 6})
        QCOMPARE(h[r - 1], double(t.rowHeight(r)));
    // A 30 (3 mm) font takes some 3.8 mm a line; 28 mm of column less 2 mm padding holds 8 letters.
    QVERIFY2(h[6] > 6 * 38 && h[6] < 8 * 38, qPrintable(QString::number(h[6])));
    QVERIFY2(h[7] > 3 * 38 && h[7] < 4 * 38, qPrintable(QString::number(h[7])));

    // Every page holds whole rows that fit under the repeated heading rows, also with rows counted.
    for (const QString& perPage : {QString(), QStringLiteral("20")}) {
        job.rowsPerPage = perPage;
        const PrintTable counted = built(job, *source);
        const double fixed = h[0] + h[1] + h[2] + h[3] + h[4];
        int next = 6;
        const auto pages = counted.paginate(paper);
        for (const QList<int>& rows : pages) {
            double used = fixed;
            for (int r : rows) {
                QCOMPARE(r, next++);
                used += h[r - 1];
            }
            QVERIFY(used <= paper.height() - 200 + 1e-6);
            QVERIFY(rows.size() <= (perPage.isEmpty() ? 60 : 20));
        }
        QCOMPARE(next, t.rowCount() + 1);
        QVERIFY(pages.size() > 3); // more than rows of 80 would take
    }
}

void PrintTableTest::pdfOfLongQuestionsShowsEveryLineWhole() {
    // A wrong-answer list of 40 long questions, as the practice window hands it over; one of them
    // is taller than a page.
    auto source = makeSource(4, 40);
    QStringList questions;
    for (int r = 1; r <= 40; ++r) {
        questions << QStringLiteral("第%1题：下列各项中，应当计入产品成本的是哪些费用？")
                         .arg(r)
                         .repeated(1 + r % 3);
        source->setCell(r, 1, questions.last());
    }
    const QString huge = QStringLiteral("很长的一题。").repeated(500);
    source->setCell(20, 1, huge);
    PrintJob job = jobFor(*source, 3);
    job.serialColumn = true;
    job.paper = 2;
    job.orientation = 1;
    const PrintTable t = built(job, *source);
    const QSizeF paper = PrintTable::paperSize(2, 1);
    const QVector<double> h = t.printedRowHeights(paper);
    QCOMPARE(h[24], paper.height() - 200 - (h[0] + h[1] + h[2] + h[3] + h[4])); // all a page has room for
    // A title too tall for half a page leaves the rest of the page to the rows.
    job.titleFont = QStringLiteral("黑体,400");
    job.title = QStringLiteral("很长的标题").repeated(20);
    const QVector<double> titled = built(job, *source).printedRowHeights(paper);
    QVERIFY(titled[0] + titled[1] + titled[2] + titled[3] + titled[4] <= (paper.height() - 200) / 2 + 1e-6);

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("错题.pdf"));
    QVERIFY(printpreview::writePdf(t, path));
    const QString text = wholeLinesText(pdfWords(path));
    questions[19] = huge.left(text.indexOf(QChar(0x2026)) - text.indexOf(QStringLiteral("很长的一题")));
    QVERIFY(questions[19].size() > 200 && questions[19].size() < huge.size() / 2);
    QVERIFY(text.contains(questions[19] + QChar(0x2026))); // cut after a whole line, ending in "…"
    int at = 0;
    for (const QString& q : questions) { // every question whole, in order
        at = text.indexOf(q, at);
        QVERIFY2(at >= 0, qPrintable(q));
    }
}

void PrintTableTest::wideAnswerCardFitsItsPaper_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("printedOn"); // the printer's paper, when not the chosen one
    QTest::newRow("A4 portrait, every column") << 2 << 0 << 8 << 0;
    QTest::newRow("32K portrait, four columns") << 8 << 0 << 4 << 0;
    QTest::newRow("A5 portrait, five columns") << 3 << 0 << 5 << 0;
    QTest::newRow("A4 landscape printed on 32K") << 2 << 1 << 5 << 8;
}

void PrintTableTest::wideAnswerCardFitsItsPaper() {
    QFETCH(int, paper);
    QFETCH(int, orientation);
    QFETCH(int, columns);
    QFETCH(int, printedOn);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        QSKIP("pdftotext and pdftoppm (poppler-utils) are not installed");
    // The last columns of a card (column 8 its marks); all of them with 题目 (column 2) wider.
    auto card = makeSource(9, 6);
    PrintJob job = jobFor(*card, 0);
    for (int c = 9 - columns; c <= 8; ++c)
        job.columns.append({c, card->cellText(0, c), c == 2 ? 600 : 280});
    job.paper = paper;
    job.orientation = orientation;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("答题卡.pdf"));
    const PrintTable table = built(job, *card);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    table.applyPageLayout(printer);
    if (printedOn > 0) { // the preview's page setup gave the printer other paper
        printer.setPageSize(PrintTable::pageSize(printedOn));
        printer.setPageOrientation(QPageLayout::Portrait);
        paper = printedOn;
        orientation = 0;
    }
    QVERIFY(table.paint(&printer));

    // Every word ends inside the paper less its right margin of 10 mm; the last column is there.
    const double rightEdge = (PrintTable::paperSize(paper, orientation).width() - 100) / 254.0 * 72;
    QString text;
    for (const PdfPage& page : pdfWords(path))
        for (const PdfWord& word : page.words) {
            QVERIFY2(word.box.right() <= rightEdge + 0.5, qPrintable(word.text));
            text += word.text;
        }
    QVERIFY(text.contains(QStringLiteral("列8")) && text.contains(QStringLiteral("r6c8")));

    // The table's right-hand line is drawn inside the margin, down all seven rows (at least 8 mm
    // each, scaled): a line thinner than a dot greys one or two columns of dots.
    const int dpi = 100;
    const QImage page = renderFirstPage(path, dpi);
    QVERIFY(!page.isNull());
    auto inked = [&page](int x, int y) { return qGray(page.pixel(x, y)) < 224; };
    int right = page.width() - 1;
    auto columnInked = [&](int x) {
        for (int y = 0; y < page.height(); ++y)
            if (inked(x, y))
                return true;
        return false;
    };
    while (right > 0 && !columnInked(right))
        --right;
    QVERIFY2(right > page.width() / 2 && right <= rightEdge / 72 * dpi + 1,
             qPrintable(QString::number(right)));
    int ink = 0;
    for (int y = 0; y < page.height(); ++y)
        ink += inked(right, y) || inked(right - 1, y) ? 1 : 0;
    const double scaled = table.scaleFactor(PrintTable::paperSize(paper, orientation).width() - 250);
    QVERIFY2(ink >= 7 * 80 * scaled / 254 * dpi * 0.9, qPrintable(QStringLiteral("%1 dots").arg(ink)));
}

QTEST_MAIN(PrintTableTest)
#include "test_printing_table.moc"
