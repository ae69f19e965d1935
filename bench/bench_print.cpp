// Printing and exporting a wrong-answer list of 1,000 questions, one to four sentences long: the
// median time to build the print table, to lay it out into pages (every cell's text wrapped and
// measured), to write it as a PDF, and to export it as a spreadsheet.
#include "printing/PrintBuild.h"
#include "printing/PrintPreview.h"
#include "printing/PrintTable.h"
#include "printing/SpreadsheetExport.h"
#include "ui/Grid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int kRows = 1000;
constexpr int kRuns = 5;

double medianMs(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[kRuns / 2];
}
} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Grid source;
    source.setGridColumnCount(4);
    source.setGridRowCount(1);
    const char* headings[] = {"题号", "题目", "标准答案", "答案"};
    for (int c = 0; c < 4; ++c)
        source.setCell(0, c, QString::fromUtf8(headings[c]));
    const QString sentence = QStringLiteral("下列各项中，应当计入产品成本的是哪些费用？");
    for (int r = 1; r <= kRows; ++r) {
        source.appendRow();
        source.setCell(r, 0, r);
        source.setCell(r, 1, QStringLiteral("第%1题：").arg(r) + sentence.repeated(1 + r % 4));
        source.setCell(r, 2, QStringLiteral("ABD"));
        source.setCell(r, 3, QStringLiteral("AC"));
    }
    PrintJob job;
    job.title = QStringLiteral("错题表");
    job.fontSize = QStringLiteral("30");
    job.serialColumn = true;
    job.paper = 2;
    job.orientation = 1;
    for (int c = 1; c < 4; ++c)
        job.columns.append({c, source.cellText(0, c)});

    PrintTable table;
    const double build = medianMs([&] { buildPrintTable(job, source, table, PrintTable::templateImage()); });
    int pages = 0;
    const double layout = medianMs([&] { pages = table.paginate(PrintTable::paperSize(2, 1)).size(); });
    QTemporaryDir dir;
    const double pdf =
        medianMs([&] { printpreview::writePdf(table, dir.filePath(QStringLiteral("t.pdf"))); });
    const double xlsx = medianMs([&] {
        spreadsheet::exportGrid(source, {0, 1, 2, 3}, dir.filePath(QStringLiteral("t.xlsx")));
    });
    std::printf("%d rows, %d pages (A4 landscape), median of %d runs:\n", kRows, pages, kRuns);
    std::printf("  build print table  %8.1f ms\n  lay out pages      %8.1f ms\n", build, layout);
    std::printf("  write PDF          %8.1f ms\n  export .xlsx       %8.1f ms\n", pdf, xlsx);
    return 0;
}
