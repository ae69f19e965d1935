#include "TestSupport.h"

#include "app/MainWindow.h"
#include "answering/PracticeWindow.h"
#include "app/Skin.h"
#include "printing/PrintHandOver.h"
#include "printing/PrintPreview.h"
#include "printing/PrintSettingsWindow.h"
#include "printing/ProfileFile.h"
#include "printing/SpreadsheetExport.h"
#include "shell/AppState.h"
#include "ui/FileChooser.h"
#include "ui/FontChooser.h"
#include "ui/Gbk.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QXmlStreamReader>
#include <memory>

namespace {

const QString kSection = QStringLiteral("高级表格打印");

// A program folder, the program-wide state and a source grid of the test's own.
struct Fixture {
    QTemporaryDir dir;
    AppState app;
    std::unique_ptr<Grid> source;
    QList<QPointer<QWidget>> opened;

    explicit Fixture(int columns = 4, int dataRows = 3) : source(makeSource(columns, dataRows)) {
        app.programDir = dir.path();
    }
    ~Fixture() {
        for (const QPointer<QWidget>& w : opened)
            delete w.data();
        if (QWidget* preview = printpreview::findOpen())
            delete preview;
    }
    PrintSettingsWindow* open(QWidget* caller = nullptr, const QStringList& exportName = {}) {
        openPrintSettings(app, caller, source.get(), QStringLiteral("练习.ini"),
                          QStringLiteral("自由打印导出"), QString(), exportName);
        attachSpreadsheet(app, nullptr, source.get(), QStringLiteral("练习.ini"));
        opened << app.print.settingsWindow;
        return qobject_cast<PrintSettingsWindow*>(app.print.settingsWindow.data());
    }
    QString ini() const { return dir.filePath(QStringLiteral("练习.ini")); }
    QString value(const QString& key) const {
        return ProfileFile::read(ini(), kSection, key, QStringLiteral("<无>"));
    }
    void writeIni(const QByteArray& bytes) const {
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray iniBytes() const {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The column list as "列号:tick:列名" per data row.
QStringList listed(PrintSettingsWindow* w) {
    QStringList rows;
    Grid* g = w->导出高级表格;
    for (int r = 1; r < g->gridRowCount(); ++r)
        rows << QStringLiteral("%1:%2:%3")
                    .arg(g->cellText(r, 0), g->cellChecked(r, 1) ? QStringLiteral("✓") : QStringLiteral("-"),
                         g->cellText(r, 2));
    return rows;
}

QStringList sectionKeys(const QByteArray& ini) {
    QStringList keys;
    bool inSection = false;
    for (const QString& line : QString::fromUtf8(ini).split(u'\n')) {
        if (line.startsWith(u'['))
            inSection = line.trimmed() == QLatin1Char('[') + kSection + QLatin1Char(']');
        else if (inSection && line.contains(u'='))
            keys << line.left(line.indexOf(u'='));
    }
    return keys;
}

QByteArray unzipEntry(const QString& archive, const QString& entry) {
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, entry});
    if (!p.waitForFinished(30000))
        return QByteArray();
    return p.readAllStandardOutput();
}

// The first worksheet's cells by lower-case address: its text, and "#" before a number.
QMap<QString, QString> readSheet(const QString& xlsx) {
    QStringList shared;
    QXmlStreamReader strings(unzipEntry(xlsx, QStringLiteral("xl/sharedStrings.xml")));
    while (!strings.atEnd()) {
        strings.readNext();
        if (strings.isStartElement() && strings.name() == QLatin1String("si"))
            shared << QString();
        else if (strings.isStartElement() && strings.name() == QLatin1String("t"))
            shared.last() += strings.readElementText();
    }
    QMap<QString, QString> cells;
    QXmlStreamReader sheet(unzipEntry(xlsx, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString address;
    bool number = false;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (sheet.isStartElement() && sheet.name() == QLatin1String("c")) {
            address = sheet.attributes().value(QLatin1String("r")).toString().toLower();
            number = sheet.attributes().value(QLatin1String("t")).isEmpty();
        } else if (sheet.isStartElement() && sheet.name() == QLatin1String("v")) {
            const QString v = sheet.readElementText();
            cells.insert(address, number ? QLatin1Char('#') + v : shared.value(v.toInt()));
        }
    }
    return cells;
}

// The export's start folder when none is remembered.
QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// The sizes Qt gives the buttons of a print preview's toolbar, and whether each lies whole inside
// the toolbar, at the preview's own size and at 1024 pixels wide.
struct ToolbarLook {
    QList<QSize> sizes;
    bool allShown = true;
};

ToolbarLook previewToolbar() {
    ToolbarLook look;
    PrintTable table;
    table.loadTemplate(PrintTable::templateImage());
    QPointer<QPrintPreviewDialog> preview = printpreview::open(table);
    QToolBar* toolbar = preview->findChild<QToolBar*>();
    for (int width : {preview->width(), 1024}) {
        preview->resize(width, preview->height());
        QTest::qWait(50);
        const QToolButton* more = toolbar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        look.allShown = look.allShown && !(more && more->isVisible());
        for (QAction* action : toolbar->actions()) {
            if (action->isSeparator())
                continue;
            const QWidget* button = toolbar->widgetForAction(action);
            look.allShown = look.allShown && button && button->isVisible() &&
                            toolbar->rect().contains(button->geometry());
            if (button && width == 1024)
                look.sizes << button->sizeHint();
        }
    }
    delete preview.data();
    return look;
}

} // namespace

class PrintSettingsWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void opensWithDefaultsWhenThereAreNoSettings();
    void printFieldsChooseAndOrderTheColumns();
    void savedSettingsComeBackOnOpening();
    void untickedSaveWritesOnlyThatChoice();
    void settingsFileKeepsEverythingElse();
    void settingsFileValuesAreTrimmedAndLimited();
    void handWrittenGbkSettingsAreRead();
    void columnListMovesTicksAndRestores();
    void opensCentredOverItsCaller();
    void titleFontComesFromTheFontDialog();
    void previewOpensAndTheWindowFollowsIt();
    void previewNeedsAColumnAndATemplate();
    void columnLettersAsASpreadsheetNamesThem();
    void exportWritesTheChosenColumnsInOrder();
    void exportWritesNumbersAsNumbers();
    void exportAsksWhereAndRemembersTheFolder();
    void exportReportsWhatFailed();
    void skinLeavesQtDialogsAlone();
    void oneSettingsWindowAtATime();
    void numberBoxesTakeDigitsOnly();
    void columnWidthsAreKeptAndPrinted();
    void tableMuchWiderThanItsPaperIsToldBeforePrinting();
    void exportTellsWhereTheFileWent();
    void wrongAnswerListPrintsItsNumbers();
};

void PrintSettingsWindowTest::init() {
    useRecordingDialogs();
    spreadsheet::rememberFolder(QString());
    PrintSettingsWindow::setTemplateImage(std::nullopt);
    spreadsheet::setOpener([](const QString&) { return true; });
}

void PrintSettingsWindowTest::cleanup() {
    qApp->setStyleSheet(QString());
    spreadsheet::setOpener(nullptr);
    PrintSettingsWindow::setTemplateImage(std::nullopt);
}

void PrintSettingsWindowTest::opensWithDefaultsWhenThereAreNoSettings() {
    Fixture f;
    PrintSettingsWindow* w = f.open();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("自由打印导出"));
    QCOMPARE(w->标题编辑框->text(), QString());
    QCOMPARE(w->字体编辑框->text(), QStringLiteral("黑体,22"));
    QCOMPARE(w->纸型组合框->currentText(), QStringLiteral("A4纸"));
    QCOMPARE(w->纸型组合框->currentData().toInt(), 2);
    QCOMPARE(w->纸型组合框->itemData(7).toInt(), 8);
    QVERIFY(!w->纸型组合框->isEditable());
    QCOMPARE(w->打印方向组合框->currentText(), QStringLiteral("横向"));
    QCOMPARE(w->打印方向组合框->currentData().toInt(), 1);
    QCOMPARE(w->行数编辑框->text(), QString());
    QVERIFY(w->线型1->isChecked());
    QCOMPARE(w->字体大小->text(), QString());
    QVERIFY(!w->序号->isChecked());
    QVERIFY(!w->保存配置选择框->isChecked());
    QVERIFY(!w->标签7->isVisible());
    QVERIFY(!w->时钟2->isActive());
    QCOMPARE(listed(w), (QStringList{"1:✓:列1", "2:✓:列2", "3:✓:列3"}));
    QVERIFY(w->全选选择框->isChecked());
    Grid* g = w->导出高级表格;
    QCOMPARE(g->cellText(0, 0) + g->cellText(0, 1) + g->cellText(0, 2), QStringLiteral("列号选择列名"));
    QCOMPARE(g->gridColumnWidth(0), 0);
    QCOMPARE(g->gridColumnWidth(1), 30);
    QCOMPARE(g->gridColumnWidth(2), 80);
    QVERIFY(!(g->cellFlags(1, 2) & Qt::ItemIsEditable));
    QVERIFY(g->cellFlags(1, 1) & Qt::ItemIsUserCheckable);
    QVERIFY(!QFile::exists(f.ini())); // opening writes nothing
}

void PrintSettingsWindowTest::printFieldsChooseAndOrderTheColumns() {
    Fixture f;
    f.writeIni("[高级表格打印]\n打印字段=3,1\n");
    QCOMPARE(listed(f.open()), (QStringList{"3:✓:列3", "1:✓:列1"}));

    // Unknown items add nothing; an item listed twice is listed twice.
    f.writeIni("[高级表格打印]\n打印字段=2,9,x,0,2\n");
    QCOMPARE(listed(f.open()), (QStringList{"2:✓:列2", "2:✓:列2"}));

    // Empty keeps every column.
    f.writeIni("[高级表格打印]\n打印字段=\n");
    QCOMPARE(listed(f.open()).size(), 3);
}

void PrintSettingsWindowTest::savedSettingsComeBackOnOpening() {
    Fixture f;
    PrintSettingsWindow* w = f.open();
    w->标题编辑框->setText(QStringLiteral("　会计基础 ")); // full-width blank before, ASCII blank after
    w->字体编辑框->setText(QStringLiteral("宋体,16"));
    w->纸型组合框->setCurrentIndex(4);
    w->打印方向组合框->setCurrentIndex(0);
    w->行数编辑框->setText(QStringLiteral("25"));
    w->线型3->setChecked(true);
    w->字体大小->setText(QStringLiteral("36"));
    w->序号->setChecked(true);
    w->导出高级表格->setCurrentGridCell(3, 2);
    w->上移按钮->click(); // 1, 3, 2
    w->导出高级表格->setCellChecked(1, 1, false);
    QPointer<PrintSettingsWindow> alive(w);
    w->保存配置按钮->click();
    QTRY_VERIFY(!alive);

    QCOMPARE(sectionKeys(f.iniBytes()), (QStringList{"标题", "打印字段", "字体", "纸型", "打印方向", "行数",
                                                     "线型", "字体大小", "是否序号", "列宽", "保存配置"}));
    QCOMPARE(f.value("列宽"), QStringLiteral("1:28,3:28,2:28")); // every listed column, ticked or not
    QVERIFY(f.iniBytes().contains("标题=会计基础\n"));
    QCOMPARE(f.value("打印字段"), QStringLiteral("3,2"));
    QCOMPARE(f.value("纸型"), QStringLiteral("4"));
    QCOMPARE(f.value("打印方向"), QStringLiteral("0"));
    QCOMPARE(f.value("线型"), QStringLiteral("3"));
    QCOMPARE(f.value("是否序号"), QStringLiteral("真"));
    QCOMPARE(f.value("保存配置"), QStringLiteral("真"));

    w = f.open();
    QCOMPARE(w->标题编辑框->text(), QStringLiteral("会计基础"));
    QCOMPARE(w->字体编辑框->text(), QStringLiteral("宋体,16"));
    QCOMPARE(w->纸型组合框->currentText(), QStringLiteral("B5纸"));
    QCOMPARE(w->打印方向组合框->currentText(), QStringLiteral("纵向"));
    QCOMPARE(w->行数编辑框->text(), QStringLiteral("25"));
    QVERIFY(w->线型3->isChecked());
    QCOMPARE(w->字体大小->text(), QStringLiteral("36"));
    QVERIFY(w->序号->isChecked());
    QVERIFY(w->保存配置选择框->isChecked());
    QCOMPARE(listed(w), (QStringList{"3:✓:列3", "2:✓:列2"}));

    // Values that are not numbers, or out of range, choose the first item and the first style.
    f.writeIni("[高级表格打印]\n纸型=abc\n打印方向=7\n线型=9\n是否序号=1\n");
    w = f.open();
    QCOMPARE(w->纸型组合框->currentIndex(), 0);
    QCOMPARE(w->打印方向组合框->currentIndex(), 0);
    QVERIFY(w->线型1->isChecked());
    QVERIFY(!w->序号->isChecked());
}

void PrintSettingsWindowTest::untickedSaveWritesOnlyThatChoice() {
    Fixture f;
    f.writeIni("; 打印设置\n[高级表格打印]\n标题=旧标题\n打印字段=2\n保存配置=真\n\n[其他]\n甲=乙\n");
    PrintSettingsWindow* w = f.open();
    QCOMPARE(w->标题编辑框->text(), QStringLiteral("旧标题"));
    QVERIFY(w->保存配置选择框->isChecked());
    w->保存配置选择框->setChecked(false);
    w->标题编辑框->setText(QStringLiteral("新标题"));
    w->全选选择框->setChecked(true);
    w->全选选择框->setChecked(false); // nothing chosen: the preview stops after saving
    w->打印按钮->click();
    QCOMPARE(
        f.iniBytes(),
        QByteArray("; 打印设置\n[高级表格打印]\n标题=旧标题\n打印字段=2\n保存配置=假\n\n[其他]\n甲=乙\n"));

    w = f.open();
    QCOMPARE(w->标题编辑框->text(), QStringLiteral("旧标题"));
    QVERIFY(!w->保存配置选择框->isChecked());
    QCOMPARE(listed(w), QStringList{"2:✓:列2"});
}

void PrintSettingsWindowTest::settingsFileKeepsEverythingElse() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("评分.ini"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "\xEF\xBB\xBF; comment\r\n[Other]\r\nA = 1\r\n\r\n[高级表格打印]\r\n标题=x\r\n# note\r\n\r\n"
            "[Last]\r\nB=2\r\n");
    }
    QVERIFY(ProfileFile::write(path, kSection, QStringLiteral("标题"), QStringLiteral("新")));
    QVERIFY(ProfileFile::write(path, kSection, QStringLiteral("行数"), QStringLiteral("20")));
    QVERIFY(ProfileFile::write(path, QStringLiteral("new"), QStringLiteral("k"), QStringLiteral("v\nw")));
    QVERIFY(ProfileFile::write(path, QStringLiteral("other"), QStringLiteral("a"), QStringLiteral("3")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("\xEF\xBB\xBF; comment\r\n[Other]\r\nA=3\r\n\r\n[高级表格打印]\r\n标题=新\r\n"
                        "# note\r\n行数=20\r\n\r\n[Last]\r\nB=2\r\n\r\n[new]\r\nk=v w\r\n"));
    QCOMPARE(ProfileFile::read(path, QStringLiteral("OTHER"), QStringLiteral("a")), QStringLiteral("3"));
    QCOMPARE(ProfileFile::read(path, QStringLiteral("Last"), QStringLiteral("missing"), QStringLiteral(" 1")),
             QStringLiteral("1"));

    // A new file is created; a file that cannot be written is left alone and reported as such.
    const QString fresh = dir.filePath(QStringLiteral("新.ini"));
    QVERIFY(ProfileFile::write(fresh, kSection, QStringLiteral("标题"), QStringLiteral("甲")));
    QCOMPARE(ProfileFile::read(fresh, kSection, QStringLiteral("标题")), QStringLiteral("甲"));
    QVERIFY(!ProfileFile::write(dir.filePath(QStringLiteral("no/such/dir.ini")), kSection,
                                QStringLiteral("k"), QStringLiteral("v")));
}

void PrintSettingsWindowTest::settingsFileValuesAreTrimmedAndLimited() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[s]\n");
    file.write(QStringLiteral("a=　 值 　\t\n").toUtf8());
    file.write("long=" + QByteArray(20000, 'x') + "\n");
    file.write(("wide=" + QString(6000, QChar(0x4E2D)) + "\n").toUtf8());
    file.close();
    QCOMPARE(ProfileFile::read(path, QStringLiteral("s"), QStringLiteral("a")), QStringLiteral("值"));
    QCOMPARE(ProfileFile::read(path, QStringLiteral("s"), QStringLiteral("long")).size(), 10240);
    // Three bytes a letter: no letter is cut in half.
    QCOMPARE(ProfileFile::read(path, QStringLiteral("s"), QStringLiteral("wide")).size(), 10240 / 3);
}

void PrintSettingsWindowTest::handWrittenGbkSettingsAreRead() {
    Fixture f;
    f.writeIni(gbk::encode(
        QStringLiteral("[高级表格打印]\r\n标题=　会计错题 \r\n字体=宋体,12\r\n线型=4\r\n是否序号=真\r\n"
                       "打印字段=2,3\r\n")));
    QVERIFY(!f.iniBytes().contains(QStringLiteral("会计").toUtf8())); // really GBK bytes
    PrintSettingsWindow* w = f.open();
    QCOMPARE(w->标题编辑框->text(), QStringLiteral("会计错题"));
    QCOMPARE(w->字体编辑框->text(), QStringLiteral("宋体,12"));
    QVERIFY(w->线型4->isChecked());
    QVERIFY(w->序号->isChecked());
    QCOMPARE(listed(w), (QStringList{"2:✓:列2", "3:✓:列3"}));

    // Written back as UTF-8 with every line kept.
    QVERIFY(ProfileFile::write(f.ini(), kSection, QStringLiteral("行数"), QStringLiteral("9")));
    QCOMPARE(QString::fromUtf8(f.iniBytes()),
             QStringLiteral("[高级表格打印]\r\n标题=　会计错题 \r\n字体=宋体,12\r\n线型=4\r\n是否序号=真\r\n"
                            "打印字段=2,3\r\n行数=9\r\n"));
}

void PrintSettingsWindowTest::columnListMovesTicksAndRestores() {
    Fixture f;
    PrintSettingsWindow* w = f.open();
    Grid* g = w->导出高级表格;
    const QStringList start{"1:✓:列1", "2:✓:列2", "3:✓:列3"};
    g->setCurrentGridCell(1, 2);
    w->上移按钮->click();
    QCOMPARE(listed(w), start);
    g->setCurrentGridCell(3, 1);
    w->下移按钮->click();
    QCOMPARE(listed(w), start);

    g->setCellChecked(2, 1, false);
    QVERIFY(!w->全选选择框->isChecked()); // follows the ticks, and changes none of them
    QCOMPARE(g->cellChecked(1, 1) + g->cellChecked(3, 1), 2);
    g->setCurrentGridCell(2, 2);
    w->上移按钮->click();
    QCOMPARE(listed(w), (QStringList{"2:-:列2", "1:✓:列1", "3:✓:列3"}));
    QCOMPARE(g->currentGridRow(), 1);
    QCOMPARE(g->currentColumn(), 2);
    w->下移按钮->click();
    w->下移按钮->click();
    QCOMPARE(listed(w), (QStringList{"1:✓:列1", "3:✓:列3", "2:-:列2"}));
    QCOMPARE(g->currentGridRow(), 3);

    w->全选选择框->setChecked(true);
    QCOMPARE(listed(w), (QStringList{"1:✓:列1", "3:✓:列3", "2:✓:列2"}));
    QVERIFY(w->全选选择框->isChecked());
    w->全选选择框->setChecked(false);
    QCOMPARE(listed(w), (QStringList{"1:-:列1", "3:-:列3", "2:-:列2"}));
    QVERIFY(w->chosenColumns().isEmpty());
    for (int r = 1; r <= 3; ++r) {
        QVERIFY(!w->全选选择框->isChecked());
        g->setCellChecked(r, 1, true); // ticked one by one: the last tick ticks "全选"
    }
    QVERIFY(w->全选选择框->isChecked());

    g->setCellChecked(1, 1, false);
    w->复原按钮->click();
    QCOMPARE(listed(w), start);
    QVERIFY(w->全选选择框->isChecked());
}

void PrintSettingsWindowTest::opensCentredOverItsCaller() {
    Fixture f;
    QWidget caller;
    caller.setGeometry(150, 60, 600, 500);
    caller.show();
    PrintSettingsWindow* w = f.open(&caller);
    // Within the width of a window frame, which the window system adds.
    QVERIFY((w->geometry().center() - caller.geometry().center()).manhattanLength() <= 6);
    // Near the screen's edge it stays on the screen, title bar first.
    const QRect screen = caller.screen()->availableGeometry();
    caller.setGeometry(screen.right() - 100, screen.top(), 100, 80);
    w = f.open(&caller);
    QVERIFY(screen.contains(w->frameGeometry()));
}

void PrintSettingsWindowTest::titleFontComesFromTheFontDialog() {
    Fixture f;
    PrintSettingsWindow* w = f.open();
    QFont chosen(QStringLiteral("WenQuanYi Zen Hei"));
    chosen.setPointSize(16);
    FontChooser::preset(FontChooser::Choice{chosen, QColor()});
    w->按钮3->click();
    QCOMPARE(w->字体编辑框->text(), QStringLiteral("WenQuanYi Zen Hei,16"));
    FontChooser::preset(std::nullopt); // cancelled
    w->按钮3->click();
    QCOMPARE(w->字体编辑框->text(), QStringLiteral("WenQuanYi Zen Hei,16"));
}

void PrintSettingsWindowTest::previewOpensAndTheWindowFollowsIt() {
    Fixture f(5, 4);
    PrintSettingsWindow* w = f.open();
    w->标题编辑框->setText(QStringLiteral(" 错题表 "));
    w->序号->setChecked(true);
    w->字体大小->setText(QStringLiteral("30"));
    w->导出高级表格->setCellChecked(2, 1, false);
    QPointer<PrintSettingsWindow> alive(w);
    w->打印按钮->click();

    QVERIFY(MessageBox::shown().isEmpty());
    QVERIFY(alive);
    QCOMPARE(w->windowTitle(), QStringLiteral("错题表"));
    QVERIFY(!w->isVisible());
    QVERIFY(!w->标签7->isVisible());
    QVERIFY(w->lastTable().has_value());
    const PrintTable& t = *w->lastTable();
    QCOMPARE(t.text(3, 2), QStringLiteral("错题表"));
    QCOMPARE(t.text(5, 3), QStringLiteral("列1"));
    QCOMPARE(t.text(5, 4), QStringLiteral("列3"));
    QCOMPARE(t.text(9, 2), QString()); // the last row has no serial number
    QCOMPARE(t.pageSettings().orientation, 1);
    QCOMPARE(t.pageSettings().paper, 2);

    QWidget* preview = printpreview::findOpen();
    QVERIFY(preview);
    QCOMPARE(preview->windowTitle(), QStringLiteral("打印预览"));
    QVERIFY(w->时钟2->isActive());
    QCOMPARE(w->时钟2->interval(), 200);

    // The window waits while the preview is open, and closes once it has gone.
    QTest::qWait(500);
    QVERIFY(alive);
    preview->close();
    QTRY_VERIFY_WITH_TIMEOUT(!alive, 3000);
}

void PrintSettingsWindowTest::previewNeedsAColumnAndATemplate() {
    Fixture f;
    PrintSettingsWindow* w = f.open();
    w->全选选择框->setChecked(true);
    w->全选选择框->setChecked(false);
    w->打印按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].title, QStringLiteral("温馨提示"));
    QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("当前没有可打印的内容，请选择要打印的列。"));
    QVERIFY(MessageBox::shown()[0].icon == MessageBox::Icon::Information);
    QVERIFY(MessageBox::shown()[0].buttons == MessageBox::Buttons::Ok);
    QVERIFY(w->isVisible());
    QVERIFY(!w->标签7->isVisible());
    QVERIFY(!printpreview::findOpen());

    MessageBox::clear();
    QByteArray damaged = PrintTable::templateImage();
    damaged[8] = 9; // row count
    PrintSettingsWindow::setTemplateImage(damaged);
    w->全选选择框->setChecked(true);
    w->打印按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].title, QStringLiteral("失败"));
    QCOMPARE(MessageBox::shown()[0].text, QStringLiteral("读取打印模板失败。"));
    QVERIFY(MessageBox::shown()[0].icon == MessageBox::Icon::Critical);
    QVERIFY(w->isVisible());
    QVERIFY(!printpreview::findOpen());
    QVERIFY(!w->lastTable().has_value());
}

void PrintSettingsWindowTest::columnLettersAsASpreadsheetNamesThem() {
    const QList<QPair<int, QString>> names{{1, "a"},   {3, "c"},   {26, "z"},   {27, "aa"},
                                           {52, "az"}, {53, "ba"}, {702, "zz"}, {703, "aaa"}};
    for (const auto& [column, name] : names)
        QCOMPARE(spreadsheet::columnName(column), name);
    QCOMPARE(spreadsheet::cellAddress(3, 4), QStringLiteral("c4"));
    QCOMPARE(spreadsheet::cellAddress(27, 1), QStringLiteral("aa1"));
}

void PrintSettingsWindowTest::exportWritesTheChosenColumnsInOrder() {
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("unzip is not installed");
    Fixture f(31, 2); // source columns 1..30 are offered
    f.source->setCell(2, 30, QStringLiteral("合计 <A&B>"));
    PrintSettingsWindow* w = f.open();
    w->导出高级表格->setCellChecked(1, 1, false); // column 1 is left out
    w->导出高级表格->setCurrentGridCell(30, 0);
    w->上移按钮->click(); // 30 before 29
    QString opened;
    spreadsheet::setOpener([&opened](const QString& path) {
        opened = path;
        return true;
    });
    const QString path = f.dir.filePath(QStringLiteral("错题.xlsx"));
    FileChooser::preset(path);
    QPointer<PrintSettingsWindow> alive(w);
    w->导出按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].text,
             QStringLiteral("已导出到 %1，并已交给电子表格程序打开。").arg(path));
    QTRY_VERIFY(!alive);
    QCOMPARE(opened, path);

    const QMap<QString, QString> cells = readSheet(path);
    QCOMPARE(cells.value("a1"), QStringLiteral("列2"));
    QCOMPARE(cells.value("z1"), QStringLiteral("列27"));
    QCOMPARE(cells.value("aa1"), QStringLiteral("列28")); // the 27th exported column
    QCOMPARE(cells.value("ab2"), QStringLiteral("r1c30"));
    QCOMPARE(cells.value("ab3"), QStringLiteral("合计 <A&B>"));
    QCOMPARE(cells.value("ac3"), QStringLiteral("r2c29"));
    QCOMPARE(cells.size(), 3 * 29);                      // no serial column, nothing from column 0 or 1
    QCOMPARE(f.value("保存配置"), QStringLiteral("假")); // the export saved first
}

void PrintSettingsWindowTest::exportWritesNumbersAsNumbers() {
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("unzip is not installed");
    // An answer card: question numbers, candidate numbers (one with a leading zero), marks, a total.
    Fixture f(4, 3);
    const QVariantList rows[] = {{1, "007", 1}, {2, "3001", 0.5}, {"总分", "", 1.5}};
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
            f.source->setCell(r, c, rows[r - 1][c - 1]);
    f.source->setCell(0, 3, QStringLiteral("12"));
    const QString path = f.dir.filePath(QStringLiteral("答题卡.xlsx"));
    FileChooser::preset(path);
    f.open(nullptr, {"答题卡", "S", "3001", "C1"})->导出按钮->click();
    QCOMPARE(FileChooser::lastSuggestion(),
             QDir(documentsFolder()).filePath(QStringLiteral("答题卡-S-3001-C1.xlsx")));
    const QMap<QString, QString> cells = readSheet(path);
    QStringList shown;
    for (auto it = cells.cbegin(); it != cells.cend(); ++it)
        shown << it.key() + u'=' + it.value();
    QCOMPARE(shown.join(u' '), QStringLiteral("a1=列1 a2=#1 a3=#2 a4=总分 b1=列2 b2=007 b3=#3001 c1=12 "
                                              "c2=#1 c3=#0.5 c4=#1.5"));
    QVERIFY(unzipEntry(path, QStringLiteral("xl/worksheets/sheet1.xml")).contains(R"(ySplit="1")"));

    for (const char* number : {"0", "-12.25", "123456789012345"})
        QVERIFY2(spreadsheet::numericCell(QString::fromUtf8(number)), number);
    for (const char* text : {"", "1.50", "+1", " 1", "1e5", "1,000", "1234567890123456", "-0", ".5"})
        QVERIFY2(!spreadsheet::numericCell(QString::fromUtf8(text)), text);
    QCOMPARE(spreadsheet::defaultFileName({"答题卡", "", " 第1场 "}), QStringLiteral("答题卡-第1场.xlsx"));
    QCOMPARE(spreadsheet::defaultFileName({"错题", "a/b\\c:d*e?f"}), QStringLiteral("错题-a_b_c_d_e_f.xlsx"));
    QCOMPARE(spreadsheet::defaultFileName({}), QStringLiteral("导出.xlsx"));
}

void PrintSettingsWindowTest::exportAsksWhereAndRemembersTheFolder() {
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("unzip is not installed");
    Fixture f;
    // Cancelled: nothing is written or opened, and the window stays.
    PrintSettingsWindow* w = f.open();
    FileChooser::preset(std::nullopt);
    w->导出按钮->click();
    QVERIFY(MessageBox::shown().isEmpty() && w->isVisible());
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{"练习.ini"});

    // A name typed without its suffix gets it; a file already there is replaced by a whole new one,
    // and the next export starts in its folder while that is there.
    const QString path = f.dir.filePath(QStringLiteral("第一次.xlsx"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    FileChooser::preset(f.dir.filePath(QStringLiteral("第一次")));
    w->导出按钮->click();
    QCOMPARE(readSheet(path).value("a1"), QStringLiteral("列1"));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // and 练习.ini
    FileChooser::preset(std::nullopt);
    f.open()->导出按钮->click();
    QCOMPARE(FileChooser::lastSuggestion(), f.dir.filePath(QStringLiteral("导出.xlsx")));
}

void PrintSettingsWindowTest::exportReportsWhatFailed() {
    Fixture f;
    PrintSettingsWindow* w = f.open();
    spreadsheet::setOpener([](const QString&) { return false; });
    QPointer<PrintSettingsWindow> alive(w);
    const QString path = f.dir.filePath(QStringLiteral("导出.xlsx"));
    FileChooser::preset(path);
    w->导出按钮->click();
    // Nothing opens it: one message says where it is.
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].text,
             QStringLiteral("已导出到 %1，但无法用电子表格程序打开它：系统里没有能打开 .xlsx 文件的程序。")
                 .arg(path));
    QVERIFY(MessageBox::shown()[0].icon == MessageBox::Icon::Warning);
    QVERIFY(QFile::exists(path));
    QTRY_VERIFY(!alive);

    // A folder that is not there: said so, nothing is written, and the window stays for another try.
    MessageBox::clear();
    w = f.open();
    FileChooser::preset(f.dir.filePath(QStringLiteral("没有/导出.xlsx")));
    w->导出按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].title, QStringLiteral("失败"));
    QVERIFY(MessageBox::shown()[0].text.startsWith(QStringLiteral("导出失败：")));
    QVERIFY(w->isVisible());
    QCOMPARE(FileChooser::lastSuggestion(), path); // the folder of the last export

    // The source grid went away while the window was open.
    MessageBox::clear();
    f.source.reset();
    alive = w;
    w->打印按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QTRY_VERIFY(!alive);
}

void PrintSettingsWindowTest::skinLeavesQtDialogsAlone() {
    // The program's window puts its skin on: its own toolbar takes it, the preview's keeps Qt's look
    // (measured against the same program-wide font without the style sheet).
    const QFont font = QApplication::font();
    TestBank bank;
    auto main = std::make_unique<MainWindow>(bank.dir());
    main->show();
    QVERIFY(!qApp->styleSheet().isEmpty());
    for (QAction* action : main->startToolbar()->actions())
        QVERIFY(main->startToolbar()->widgetForAction(action)->sizeHint().width() >= 56);
    const ToolbarLook skinned = previewToolbar();
    main.reset();
    qApp->setStyleSheet(QString());
    const ToolbarLook plain = previewToolbar();
    QApplication::setFont(font);

    QVERIFY(plain.sizes.size() >= 15);
    QVERIFY(skinned.allShown);
    QCOMPARE(skinned.sizes, plain.sizes);
}

void PrintSettingsWindowTest::oneSettingsWindowAtATime() {
    Fixture f;
    QPointer<PrintSettingsWindow> first = f.open();
    QPointer<PrintSettingsWindow> second = f.open();
    QVERIFY(second && second != first);
    QTRY_VERIFY(!first);
    QCOMPARE(f.app.print.settingsWindow.data(), second.data());
    QCOMPARE(f.app.print.caption, QStringLiteral("自由打印导出"));
    QCOMPARE(second->settingsPath(), QDir(f.dir.path()).filePath(QStringLiteral("练习.ini")));

    // The spreadsheet hand-over points at another grid and file; the same window comes up.
    auto other = makeSource(3, 1);
    second->hide();
    attachSpreadsheet(f.app, nullptr, other.get(), QStringLiteral("评分.ini"));
    QVERIFY(second->isVisible());
    QCOMPARE(f.app.print.sourceGrid.data(), other.get());
    QCOMPARE(second->settingsPath(), QDir(f.dir.path()).filePath(QStringLiteral("评分.ini")));
}

void PrintSettingsWindowTest::numberBoxesTakeDigitsOnly() {
    Fixture f;
    PrintSettingsWindow* w = f.open();
    // The two controls that keep the settings say what each does.
    QCOMPARE(w->保存配置选择框->text() + w->保存配置按钮->text(), QStringLiteral("记住这些设置保存并关闭"));

    // A letter typed into a number box or a column width is refused, and told once the key is
    // done with (once for keys refused in a row).
    const QString rowsOnly = QStringLiteral("“每页行数”只能填写数字，也可以空着（按纸张高度分页）。");
    QTest::keyClicks(w->行数编辑框, "2a-0");
    QCOMPARE(w->行数编辑框->text(), QStringLiteral("20"));
    QTRY_COMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].text, rowsOnly);
    Grid* g = w->导出高级表格;
    QCOMPARE(g->cellText(0, 3) + g->cellText(2, 3), QStringLiteral("列宽(毫米)28"));
    g->edit(g->model()->index(1, 3));
    auto* editor = g->findChild<QLineEdit*>(QStringLiteral("列宽编辑框"));
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "4m5");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(g->cellText(2, 3), QStringLiteral("45"));
    QTRY_COMPARE(MessageBox::shown().size(), 2);
    QCOMPARE(MessageBox::shown()[1].text, QStringLiteral("“列宽”只能填写数字，单位是毫米（1 到 999）。"));
    QVERIFY(!(g->cellFlags(1, 2) & Qt::ItemIsEditable)); // the names stay as they are
    delete w;

    // Letters from the settings file: each action says so and does nothing, the box ready to mend.
    f.writeIni("[高级表格打印]\n行数=二十\n字体大小=30号\n保存配置=真\n");
    const QByteArray before = f.iniBytes();
    FileChooser::preset(f.dir.filePath(QStringLiteral("导出.xlsx")));
    w = f.open();
    QApplication::setActiveWindow(w);
    for (QPushButton* action : {w->打印按钮, w->导出按钮, w->保存配置按钮}) {
        MessageBox::clear();
        action->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown()[0].text, rowsOnly);
        QVERIFY(w->isVisible() && !printpreview::findOpen());
        QCOMPARE(f.iniBytes(), before);
    }
    QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("导出.xlsx"))));
    QTRY_COMPARE(QApplication::focusWidget(), w->行数编辑框);
    QCOMPARE(w->行数编辑框->selectedText(), QStringLiteral("二十"));
    w->行数编辑框->clear(); // empty is allowed
    MessageBox::clear();
    w->保存配置按钮->click();
    QCOMPARE(MessageBox::shown()[0].text,
             QStringLiteral("“字体大小”只能填写数字，也可以空着（用表格本来的字号）。"));
    w->字体大小->setText(QStringLiteral("36"));
    w->保存配置按钮->click();
    QCOMPARE(f.value("字体大小") + f.value("保存配置"), QStringLiteral("36真")); // the keys keep their names
}

void PrintSettingsWindowTest::columnWidthsAreKeptAndPrinted() {
    Fixture f(5, 3);
    PrintSettingsWindow* w = f.open();
    w->导出高级表格->setCell(3, 3, QStringLiteral("60"));
    w->导出高级表格->setCellChecked(2, 1, false);
    w->保存配置按钮->click();
    QCOMPARE(f.value("打印字段") + u' ' + f.value("列宽"), QStringLiteral("1,3,4 1:28,2:28,3:60,4:28"));

    // They come back with their columns, in the saved order, and are printed (in 0.1 mm; the serial
    // column has its own 12 mm). Widths that are no whole millimetres from 1 to 999 stay 28.
    f.writeIni("[高级表格打印]\n打印字段=3,1,4\n列宽=1:12,3:60,4:0,4:x,x:7\n");
    w = f.open();
    QCOMPARE(listed(w), (QStringList{"3:✓:列3", "1:✓:列1", "4:✓:列4"}));
    w->序号->setChecked(true);
    w->打印按钮->click();
    QVERIFY(MessageBox::shown().isEmpty());
    const PrintTable& t = *w->lastTable();
    QCOMPARE(QList<int>({t.columnWidth(2), t.columnWidth(3), t.columnWidth(4), t.columnWidth(5)}),
             QList<int>({120, 600, 120, 280}));
    delete printpreview::findOpen();
}

void PrintSettingsWindowTest::tableMuchWiderThanItsPaperIsToldBeforePrinting() {
    Fixture f(9, 3);
    // Eight columns of 28 mm on A4 landscape (272 mm to print on) fit: nothing said.
    f.open()->打印按钮->click();
    QVERIFY(MessageBox::shown().isEmpty());
    delete printpreview::findOpen();

    // On 32K paper (72 mm) the table shrinks to a third: said before the preview, which opens.
    PrintSettingsWindow* w = f.open();
    w->纸型组合框->setCurrentIndex(7);
    w->打印方向组合框->setCurrentIndex(0);
    w->打印按钮->click();
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].text,
             QStringLiteral(
                 "所选的列共宽 224 毫米，比纸张能打印的宽度 72 毫米宽，表格将缩小到 32% 打印，字会很小。\n"
                 "少选几列、改小列宽，或改用横向、更大的纸，可以打印得大一些。"));
    QCOMPARE(w->lastTable()->pageSettings().scale, -1);
    QVERIFY(printpreview::findOpen());
    delete printpreview::findOpen();
}

void PrintSettingsWindowTest::exportTellsWhereTheFileWent() {
    // The desktop's opener is a script on the PATH that notes what it was given and ends as told.
    Fixture f;
    spreadsheet::setOpener(nullptr);
    const QString given = f.dir.filePath(QStringLiteral("given.txt"));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(f.dir.path()) + ":" + oldPath);
    auto exportWith = [&](const QByteArray& ending, const QString& name) {
        QFile script(f.dir.filePath(QStringLiteral("xdg-open")));
        if (!script.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + QFile::encodeName(given) + "'\n" + ending + "\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        FileChooser::preset(f.dir.filePath(name));
        MessageBox::clear();
        f.open()->导出按钮->click();
        return f.dir.filePath(name);
    };
    const QString opened = QStringLiteral("已导出到 %1，并已交给电子表格程序打开。");
    const QString nothing = QStringLiteral("系统里没有能打开 .xlsx 文件的程序");

    // Opened: where the file is is said all the same.
    QString path = exportWith("exit 0", QStringLiteral("开了.xlsx"));
    QCOMPARE(MessageBox::shown().size(), 1);
    QCOMPARE(MessageBox::shown()[0].text, opened.arg(path));
    QFile note(given);
    QVERIFY(note.open(QIODevice::ReadOnly));
    QCOMPARE(QFile::decodeName(note.readAll()), path);

    // No program for the file: the opener fails at once, and that is told with the file's place.
    path = exportWith("exit 3", QStringLiteral("没开.xlsx"));
    QCOMPARE(MessageBox::shown()[0].text,
             QStringLiteral("已导出到 %1，但无法用电子表格程序打开它：%2。").arg(path, nothing));
    QVERIFY(QFile::exists(path));

    // An opener that fails after the moment it is watched for is told when it does.
    path = exportWith("sleep 2; exit 4", QStringLiteral("后来没开.xlsx"));
    QCOMPARE(MessageBox::shown()[0].text, opened.arg(path));
    QTRY_COMPARE_WITH_TIMEOUT(MessageBox::shown().size(), 2, 10000);
    QCOMPARE(MessageBox::shown()[1].text,
             QStringLiteral("无法用电子表格程序打开 %1：%2。文件已经保存在那里。").arg(path, nothing));
    qputenv("PATH", oldPath);
}

void PrintSettingsWindowTest::wrongAnswerListPrintsItsNumbers() {
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("unzip is not installed");
    TestBank bank;
    bank.addPaper("1", "Dalmora", 3, true, 10);
    for (int n = 1; n <= 3; ++n)
        bank.addQuestion("1", n, QStringLiteral("题%1 A.甲 B.乙").arg(n), n == 2 ? "B" : "A", 1, QString(),
                         "B");
    MainWindow main(bank.dir());
    PracticeWindow* p = main.practiceWindow();
    p->findChild<QTabWidget*>(QStringLiteral("题目区高级选择夹"))->setCurrentIndex(2);
    auto settings = [&] {
        p->导出按钮->click();
        return qobject_cast<PrintSettingsWindow*>(main.app().print.settingsWindow.data());
    };
    // 题号 is offered first; printed with serial numbers, the last wrong answer is numbered too.
    PrintSettingsWindow* w = settings();
    QCOMPARE(listed(w), (QStringList{"0:✓:题号", "1:✓:题目", "2:✓:标准答案", "3:✓:答案"}));
    w->序号->setChecked(true);
    w->打印按钮->click();
    const PrintTable& t = *w->lastTable();
    QCOMPARE(t.text(5, 3) + t.text(6, 3) + t.text(7, 3) + t.text(6, 2) + t.text(7, 2),
             QStringLiteral("题号1312"));
    delete printpreview::findOpen();

    // Exported: 题号 in the first column, as numbers.
    const QString path = QDir(bank.dir()).filePath(QStringLiteral("错题.xlsx"));
    FileChooser::preset(path);
    settings()->导出按钮->click();
    const QMap<QString, QString> cells = readSheet(path);
    QCOMPARE(cells.value("a1") + cells.value("a2") + cells.value("a3"), QStringLiteral("题号#1#3"));

    // Settings saved before 题号 was offered list it, unticked, at the top.
    QVERIFY(ProfileFile::write(QDir(bank.dir()).filePath(QStringLiteral("练习.ini")), kSection,
                               QStringLiteral("打印字段"), QStringLiteral("1,3")));
    QCOMPARE(listed(settings()), (QStringList{"0:-:题号", "1:✓:题目", "3:✓:答案"}));
}

QTEST_MAIN(PrintSettingsWindowTest)
#include "test_printing_window.moc"
