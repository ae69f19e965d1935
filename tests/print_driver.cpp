// Opens the print path as a user meets it, for screenshots and hand checks (never part of the
// test run):
//   print_driver preview [WIDTH]    the skinned program's print preview of a 40-row wrong-answer
//                                   list, WIDTH pixels wide when given
//   print_driver pdf OUT.pdf        the same list written as a PDF
//   print_driver card OUT.pdf [PAPER [ORIENTATION]]
//                                   an answer card with all its columns, as the marks window hands
//                                   it over, written as a PDF (PAPER 1..8 as the settings window
//                                   numbers them, default 2 = A4; ORIENTATION 0 portrait, 1 landscape)
//   print_driver settings DIR [export]
//                                   the main window over the bank in DIR with the practice
//                                   window's print-settings window open (and its export asking
//                                   where to save)
#include "app/MainWindow.h"
#include "app/Skin.h"
#include "printing/PrintBuild.h"
#include "printing/PrintPreview.h"
#include "printing/PrintTable.h"
#include "ui/Grid.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

namespace {

// Forty wrongly answered questions, some long enough to wrap over many lines.
Grid* wrongAnswers() {
    auto* grid = new Grid;
    grid->setGridColumnCount(4);
    grid->setGridRowCount(1);
    const char* headings[] = {"题号", "题目", "标准答案", "答案"};
    for (int c = 0; c < 4; ++c)
        grid->setCell(0, c, QString::fromUtf8(headings[c]));
    const QString clause =
        QStringLiteral("企业对外提供的财务会计报告应当真实、完整地反映其财务状况、经营成果和现金流量，");
    for (int r = 1; r <= 40; ++r) {
        grid->appendRow();
        grid->setCell(r, 0, r);
        grid->setCell(r, 1,
                      QStringLiteral("第%1题：").arg(r) + clause.repeated(1 + r % 4) +
                          QStringLiteral("下列说法正确的是（  ）。A.甲 B.乙 C.丙 D.丁"));
        grid->setCell(r, 2, QStringLiteral("ABD"));
        grid->setCell(r, 3, QStringLiteral("AC"));
    }
    return grid;
}

PrintTable wrongAnswerTable() {
    PrintJob job;
    job.title = QStringLiteral("错题表");
    job.fontSize = QStringLiteral("30");
    job.serialColumn = true;
    job.paper = 2;
    job.orientation = 1;
    Grid* source = wrongAnswers();
    for (int c = 1; c < 4; ++c)
        job.columns.append({c, source->cellText(0, c)});
    PrintTable table;
    buildPrintTable(job, *source, table, PrintTable::templateImage());
    delete source;
    return table;
}

// An answer card of 24 answers by candidate S-3001, with its total row.
Grid* answerCard() {
    auto* grid = new Grid;
    grid->setGridColumnCount(9);
    grid->setGridRowCount(1);
    const char* headings[] = {"", "题号", "题目", "标准答案", "考生答案", "考号", "姓名", "场次", "得分"};
    for (int c = 0; c < 9; ++c)
        grid->setCell(0, c, QString::fromUtf8(headings[c]));
    const char* questions[] = {"下列各项中，属于流动资产的是（  ）。",
                               "企业发生的下列支出中，应计入管理费用的是（  ）。",
                               "会计信息质量要求中，要求前后各期一致的是（  ）。"};
    double total = 0;
    for (int r = 1; r <= 24; ++r) {
        grid->appendRow();
        const bool right = r % 4 != 0;
        grid->setCell(r, 1, r);
        grid->setCell(r, 2, QStringLiteral("第%1题：").arg(r) + QString::fromUtf8(questions[r % 3]));
        grid->setCell(r, 3, QStringLiteral("AB"));
        grid->setCell(r, 4, right ? QStringLiteral("AB") : QStringLiteral("C"));
        grid->setCell(r, 5, QStringLiteral("S-3001"));
        grid->setCell(r, 6, QStringLiteral("张三"));
        grid->setCell(r, 7, QStringLiteral("C1"));
        if (right) {
            grid->setCell(r, 8, 2);
            total += 2;
        }
    }
    grid->appendRow();
    grid->setCell(25, 1, QStringLiteral("总分"));
    grid->setCell(25, 8, total);
    return grid;
}

// Every column of the card at the width the print settings give, 题目 wider: wider than A4 portrait.
PrintTable answerCardTable(int paper, int orientation) {
    PrintJob job;
    job.title = QStringLiteral("答题卡 S-3001 第 C1 场");
    job.fontSize = QStringLiteral("30");
    job.paper = paper;
    job.orientation = orientation;
    Grid* source = answerCard();
    for (int c = 1; c < 9; ++c)
        job.columns.append({c, source->cellText(0, c), c == 2 ? 700 : 280});
    PrintTable table;
    buildPrintTable(job, *source, table, PrintTable::templateImage());
    delete source;
    return table;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);

    if (mode == QLatin1String("pdf") && args.size() > 2)
        return printpreview::writePdf(wrongAnswerTable(), args[2]) ? 0 : 1;

    if (mode == QLatin1String("card") && args.size() > 2)
        return printpreview::writePdf(answerCardTable(args.value(3, QStringLiteral("2")).toInt(),
                                                      args.value(4, QStringLiteral("0")).toInt()),
                                      args[2])
                   ? 0
                   : 1;

    if (mode == QLatin1String("preview")) {
        applySkin();
        QPrintPreviewDialog* preview = printpreview::open(wrongAnswerTable());
        if (args.size() > 2)
            preview->resize(args[2].toInt(), preview->height());
        return QApplication::exec();
    }

    if (mode == QLatin1String("settings") && args.size() > 2) {
        MainWindow window(args[2]);
        window.move(40, 30);
        window.show();
        const bool exporting = args.value(3) == QLatin1String("export");
        QTimer::singleShot(300, &window, [&window, exporting] {
            if (auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("题目区高级选择夹")))
                tabs->setCurrentIndex(2);
            if (auto* button = window.findChild<QPushButton*>(QStringLiteral("导出按钮")))
                button->click();
            QWidget* settings = window.findChild<QWidget*>(QStringLiteral("PrintSettingsWindow"));
            if (settings && exporting)
                QTimer::singleShot(300, settings->findChild<QPushButton*>(QStringLiteral("导出按钮")),
                                   &QPushButton::click);
        });
        return QApplication::exec();
    }

    std::fputs("print_driver preview [WIDTH] | pdf OUT.pdf | card OUT.pdf [PAPER [ORIENTATION]] | "
               "settings DIR [export]\n",
               stderr);
    return 2;
}
