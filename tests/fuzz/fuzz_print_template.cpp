// The print-template loader: the first 200 bytes stand for a template image (its checksum made
// right half of the time, so the checks behind it are reached), the rest for edits of the loaded
// table, which is then paginated for every paper and sometimes painted.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "printing/PrintTable.h"

#include <QGuiApplication>
#include <QPrinter>
#include <QTemporaryDir>
#include <memory>

namespace {

constexpr int kImageSize = 200;
constexpr int kChecksumAt = 196;

void setChecksum(QByteArray& image) {
    quint32 h = 2166136261u;
    for (int i = 0; i < kChecksumAt; ++i) {
        h ^= uchar(image[i]);
        h *= 16777619u;
    }
    for (int i = 0; i < 4; ++i)
        image[kChecksumAt + i] = char((h >> (8 * i)) & 0xFF);
}

void checkPages(const PrintTable& table, const QSizeF& paper) {
    const QList<QList<int>> pages = table.paginate(paper);
    FUZZ_CHECK(!pages.isEmpty());
    int next = table.fixedRows() + 1;
    for (const QList<int>& page : pages)
        for (int row : page)
            FUZZ_CHECK(row == next++);
    FUZZ_CHECK(next == table.rowCount() + 1);
}

std::unique_ptr<QTemporaryDir> g_dir;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    g_dir = std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const bool fixChecksum = in.byte() & 1;
    QByteArray image = PrintTable::templateImage();
    const QByteArray given = in.bytes(kImageSize);
    image.replace(0, given.size(), given);
    if (fixChecksum)
        setChecksum(image);

    PrintTable table;
    const int rowsBefore = table.rowCount(), columnsBefore = table.columnCount();
    if (!table.loadTemplate(image)) {
        FUZZ_CHECK(table.rowCount() == rowsBefore && table.columnCount() == columnsBefore);
        FUZZ_CHECK(table.loadTemplate(PrintTable::templateImage()));
    }
    FUZZ_CHECK(table.rowCount() >= 1 && table.columnCount() >= 1);
    FUZZ_CHECK(table.fixedRows() >= 0 && table.fixedRows() <= table.rowCount());

    // Edits, with positions and sizes inside and outside the table.
    for (int step = 0; step < 24 && !in.atEnd(); ++step) {
        const int r = in.below(12) - 2, c = in.below(12) - 2, h = in.below(8) - 2, w = in.below(8) - 2;
        switch (in.below(12)) {
        case 0:
            if (table.rowCount() < 200)
                table.appendRow();
            break;
        case 1:
            if (table.columnCount() < 60)
                table.insertColumns(c, w);
            break;
        case 2:
            table.merge(r, c, h, w);
            break;
        case 3:
            table.setLines(r, c, h, w, in.below(64));
            break;
        case 4:
            table.setText(r, c, in.text(40));
            break;
        case 5:
            table.setRowHeight(r, h, in.int16());
            break;
        case 6:
            table.setColumnWidth(c, w, in.int16());
            break;
        case 7:
            table.setFontSize(r, c, h, w, in.int16());
            break;
        case 8:
            table.setFontStyle(r, c, h, w, in.byte());
            table.setAlignment(r, c, h, w, in.below(12) - 1);
            break;
        case 9:
            table.setFixedRows(in.below(12) - 2);
            break;
        case 10: {
            PageSettings s = table.pageSettings();
            s.paper = in.below(11) - 1;
            s.orientation = in.below(3);
            s.left = in.int16();
            s.right = in.int16();
            s.top = in.int16();
            s.bottom = in.int16();
            s.rowsPerPage = in.below(6) - 1;
            s.scale = in.int16();
            table.setPageSettings(s);
            break;
        }
        default:
            table.setFontName(r, c, h, w, in.text(12));
            break;
        }
        FUZZ_CHECK(table.fixedRows() <= table.rowCount());
        const QRect m = table.mergeAt(qMax(1, r), qMax(1, c));
        FUZZ_CHECK(m.isNull() || (m.left() >= 1 && m.top() >= 1 && m.right() <= table.columnCount() &&
                                  m.bottom() <= table.rowCount()));
    }
    for (int r = 0; r <= table.rowCount() + 1; ++r)
        for (int c = 0; c <= table.columnCount() + 1; ++c) {
            table.text(r, c);
            table.lineAbove(r, c);
            table.lineLeftOf(r, c);
        }
    for (int paper = 0; paper <= 8; ++paper)
        for (int orientation = 0; orientation <= 1; ++orientation)
            checkPages(table, PrintTable::paperSize(paper, orientation));
    checkPages(table, QSizeF(1, 1));
    checkPages(table, QSizeF(0, -5));
    const double f = table.scaleFactor(table.pageWidth());
    FUZZ_CHECK(f == f && f > 0);

    // Painting is slow: one input in sixteen, on small tables.
    if (in.byte() % 16 == 0 && table.rowCount() <= 20 && table.columnCount() <= 20) {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(g_dir->filePath(QStringLiteral("print.pdf")));
        table.applyPageLayout(printer);
        table.paint(&printer);
    }
    return 0;
}
