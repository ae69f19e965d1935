#include "printing/PrintSettingsWindow.h"

#include "shell/AppState.h"
#include "printing/PrintPreview.h"
#include "printing/ProfileFile.h"
#include "printing/SpreadsheetExport.h"
#include "ui/FileChooser.h"
#include "ui/FontChooser.h"
#include "ui/Grid.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

std::optional<QByteArray> g_templateImage;

// Restores the cursor however the build ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// A small table of four columns and four rows (the first one the headings) drawn in a line style.
QPixmap lineStylePicture(int style) {
    const int cols = 4, rows = 4, cw = 20, rh = 10, x0 = 8, y0 = 8;
    QPixmap pixmap(96, 56);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.fillRect(x0, y0, cols * cw, rh, QColor(225, 225, 225));
    p.setPen(QPen(Qt::black, 1));
    const int right = x0 + cols * cw;
    auto hline = [&](int r) { p.drawLine(x0, y0 + r * rh, right, y0 + r * rh); };
    auto vline = [&](int c, int fromRow, int toRow) {
        p.drawLine(x0 + c * cw, y0 + fromRow * rh, x0 + c * cw, y0 + toRow * rh);
    };
    p.drawRect(x0, y0, cols * cw, rows * rh); // every style frames the table
    hline(1);                                 // and the headings
    switch (style) {
    case 1:
        for (int r = 2; r < rows; ++r)
            hline(r);
        for (int c = 1; c < cols; ++c)
            vline(c, 0, rows);
        break;
    case 3:
        for (int r = 2; r < rows; ++r)
            hline(r);
        break;
    case 4:
        for (int c = 1; c < cols; ++c)
            vline(c, 0, rows);
        break;
    default:
        break;
    }
    return pixmap;
}

int indexFromSetting(const QString& value, int count) {
    bool ok = false;
    const int i = value.trimmed().toInt(&ok);
    return ok && i >= 0 && i < count ? i : 0;
}

const QString kYes = QStringLiteral("真");
const QString kNo = QStringLiteral("假");

// The column list: 列号 (hidden), 选择, 列名 and the printed width in millimetres.
constexpr int kWidthColumn = 3;
constexpr int kMaxWidthMm = 999;
// A table scaled below this to fit its paper prints letters too small to read comfortably.
constexpr double kSmallPrint = 0.6;

bool digitsOnly(const QString& text) {
    for (const QChar ch : text)
        if (ch < u'0' || ch > u'9')
            return false;
    return true;
}

// Number boxes take digits only; anything else typed or pasted is refused (and told).
QValidator* digitsValidator(QObject* parent, int maxDigits = -1) {
    const QString pattern =
        maxDigits > 0 ? QStringLiteral("[0-9]{0,%1}").arg(maxDigits) : QStringLiteral("[0-9]*");
    return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}

// A width in millimetres as the column list shows it, or nothing when the text is none.
std::optional<int> widthMm(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const int mm = t.toInt(&ok);
    if (!ok || !digitsOnly(t) || mm < 1 || mm > kMaxWidthMm)
        return std::nullopt;
    return mm;
}

// The editor of a column width: digits only, a refused key is told through refused(); an empty or
// zero width keeps the width the column had.
class WidthDelegate : public QStyledItemDelegate {
  public:
    WidthDelegate(std::function<void()> refused, QObject* parent)
        : QStyledItemDelegate(parent), m_refused(std::move(refused)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* editor = new QLineEdit(parent);
        editor->setObjectName(QStringLiteral("列宽编辑框"));
        editor->setValidator(digitsValidator(editor, 3));
        QObject::connect(editor, &QLineEdit::inputRejected, editor, m_refused);
        return editor;
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (const auto mm = widthMm(static_cast<QLineEdit*>(editor)->text()))
            model->setData(index, QString::number(*mm), Qt::EditRole);
    }

  private:
    std::function<void()> m_refused;
};

} // namespace

void PrintSettingsWindow::setTemplateImage(std::optional<QByteArray> image) {
    g_templateImage = std::move(image);
}

PrintSettingsWindow::PrintSettingsWindow(AppState& app, QWidget* parent)
    : QWidget(parent, Qt::Window), m_app(app) {
    setObjectName(QStringLiteral("PrintSettingsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("自由打印"));
    buildControls();

    setWindowTitle(m_app.print.caption);
    fillColumns();
    loadSettings();
}

PrintSettingsWindow::~PrintSettingsWindow() {
    // The column list empties itself as it goes, after "全选" may have gone.
    导出高级表格->model()->disconnect(this);
}

void PrintSettingsWindow::buildControls() {
    setFixedSize(560, 460);
    auto label = [this](QLabel*& member, const char* name, const QString& text, QRect at,
                        QWidget* parent = nullptr) {
        member = new QLabel(text, parent ? parent : this);
        member->setObjectName(QString::fromUtf8(name));
        member->setGeometry(at);
    };
    auto edit = [this](QLineEdit*& member, const char* name, const QString& text, QRect at) {
        member = new QLineEdit(text, this);
        member->setObjectName(QString::fromUtf8(name));
        member->setGeometry(at);
    };
    auto button = [](QPushButton*& member, const char* name, const QString& text, QRect at, QWidget* parent) {
        member = new QPushButton(text, parent);
        member->setObjectName(QString::fromUtf8(name));
        member->setGeometry(at);
    };
    auto tick = [](QCheckBox*& member, const char* name, const QString& text, QRect at, QWidget* parent) {
        member = new QCheckBox(text, parent);
        member->setObjectName(QString::fromUtf8(name));
        member->setGeometry(at);
    };

    label(标签1, "标签1", QStringLiteral("打印标题"), QRect(12, 14, 60, 22));
    edit(标题编辑框, "标题编辑框", QString(), QRect(78, 12, 212, 24));
    label(标签5, "标签5", QStringLiteral("标题字体"), QRect(12, 46, 60, 22));
    edit(字体编辑框, "字体编辑框", QStringLiteral("黑体,22"), QRect(78, 44, 170, 24));
    button(按钮3, "按钮3", QStringLiteral(">>"), QRect(252, 44, 38, 24), this);

    label(标签2, "标签2", QStringLiteral("打印纸型"), QRect(12, 78, 60, 22));
    纸型组合框 = new QComboBox(this);
    纸型组合框->setObjectName(QStringLiteral("纸型组合框"));
    纸型组合框->setGeometry(78, 76, 110, 24);
    // The settings file keeps the position in these lists, so their order stays.
    const char* papers[] = {"A3纸", "A4纸", "A5纸", "B4纸", "B5纸", "四开", "十六开", "三十二开"};
    for (int i = 0; i < 8; ++i)
        纸型组合框->addItem(QString::fromUtf8(papers[i]), i + 1);

    label(标签4, "标签4", QStringLiteral("打印方向"), QRect(12, 110, 60, 22));
    打印方向组合框 = new QComboBox(this);
    打印方向组合框->setObjectName(QStringLiteral("打印方向组合框"));
    打印方向组合框->setGeometry(78, 108, 110, 24);
    打印方向组合框->addItem(QStringLiteral("纵向"), 0);
    打印方向组合框->addItem(QStringLiteral("横向"), 1);

    label(标签3, "标签3", QStringLiteral("每页行数"), QRect(12, 142, 60, 22));
    edit(行数编辑框, "行数编辑框", QString(), QRect(78, 140, 110, 24));
    行数编辑框->setValidator(digitsValidator(行数编辑框));
    label(标签14, "标签14", QStringLiteral("(可为空)"), QRect(194, 142, 90, 22));
    label(标签6, "标签6", QStringLiteral("字体大小:"), QRect(12, 174, 62, 22));
    edit(字体大小, "字体大小", QStringLiteral("30"), QRect(78, 172, 110, 24));
    字体大小->setValidator(digitsValidator(字体大小));
    // A letter typed into a number box is refused with a word why, told once the key is done with.
    connect(行数编辑框, &QLineEdit::inputRejected, this, [this] { tellNumbersOnly(行数编辑框); });
    connect(字体大小, &QLineEdit::inputRejected, this, [this] { tellNumbersOnly(字体大小); });

    分组框2 = new QGroupBox(QStringLiteral("线条类别:"), this);
    分组框2->setObjectName(QStringLiteral("分组框2"));
    分组框2->setGeometry(10, 204, 280, 150);
    QRadioButton** radios[] = {&线型1, &线型2, &线型3, &线型4};
    QLabel** pictures[] = {&图片框1, &图片框2, &图片框3, &图片框4};
    for (int i = 0; i < 4; ++i) {
        const int x = 10 + (i % 2) * 135;
        const int y = 22 + (i / 2) * 62;
        QRadioButton* radio = new QRadioButton(分组框2);
        radio->setObjectName(QStringLiteral("线型%1").arg(i + 1));
        radio->setGeometry(x, y + 18, 20, 20);
        *radios[i] = radio;
        QLabel* picture = new QLabel(分组框2);
        picture->setObjectName(QStringLiteral("图片框%1").arg(i + 1));
        picture->setGeometry(x + 24, y, 96, 56);
        picture->setPixmap(lineStylePicture(i + 1));
        picture->installEventFilter(this); // clicking a picture chooses its style
        *pictures[i] = picture;
    }
    线型1->setChecked(true);

    tick(序号, "序号", QStringLiteral("增加序号列"), QRect(12, 362, 120, 22), this);
    // The tick box keeps the settings with every print and export; the button saves them and closes.
    tick(保存配置选择框, "保存配置选择框", QStringLiteral("记住这些设置"), QRect(150, 362, 140, 22), this);
    保存配置选择框->setToolTip(
        QStringLiteral("勾选后，每次打印预览或导出都把这些设置存起来，下次打开时沿用"));
    label(标签7, "标签7", QStringLiteral("正在生成打印预览>>"), QRect(12, 392, 278, 22));
    标签7->hide();

    分组框1 = new QGroupBox(QStringLiteral("打印列选择"), this);
    分组框1->setObjectName(QStringLiteral("分组框1"));
    分组框1->setGeometry(300, 10, 250, 392);
    导出高级表格 = new Grid(分组框1);
    导出高级表格->setObjectName(QStringLiteral("导出高级表格"));
    导出高级表格->setGeometry(10, 22, 230, 318);
    // Ticks toggle and widths are typed; names stay.
    导出高级表格->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                  QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    导出高级表格->setItemDelegateForColumn(kWidthColumn,
                                           new WidthDelegate([this] { tellNumbersOnly(nullptr); }, this));
    tick(全选选择框, "全选选择框", QStringLiteral("全选"), QRect(10, 352, 56, 24), 分组框1);
    button(上移按钮, "上移按钮", QStringLiteral("上移"), QRect(68, 350, 54, 28), 分组框1);
    button(下移按钮, "下移按钮", QStringLiteral("下移"), QRect(126, 350, 54, 28), 分组框1);
    button(复原按钮, "复原按钮", QStringLiteral("复原"), QRect(184, 350, 54, 28), 分组框1);

    button(保存配置按钮, "保存配置按钮", QStringLiteral("保存并关闭"), QRect(250, 418, 96, 30), this);
    保存配置按钮->setToolTip(QStringLiteral("存下这些设置（并勾选“记住这些设置”），然后关闭窗口"));
    button(打印按钮, "打印按钮", QStringLiteral("打印预览"), QRect(352, 418, 96, 30), this);
    打印按钮->setToolTip(QStringLiteral("按这些设置打印预览（Enter）"));
    button(导出按钮, "导出按钮", QStringLiteral("导出excel"), QRect(454, 418, 96, 30), this);

    时钟2 = new QTimer(this);
    时钟2->setObjectName(QStringLiteral("时钟2"));
    时钟2->setInterval(0);

    connect(按钮3, &QPushButton::clicked, this, &PrintSettingsWindow::chooseTitleFont);
    connect(全选选择框, &QCheckBox::toggled, this, &PrintSettingsWindow::tickAll);
    connect(上移按钮, &QPushButton::clicked, this, &PrintSettingsWindow::moveUp);
    connect(下移按钮, &QPushButton::clicked, this, &PrintSettingsWindow::moveDown);
    connect(复原按钮, &QPushButton::clicked, this, &PrintSettingsWindow::fillColumns);
    connect(保存配置按钮, &QPushButton::clicked, this, &PrintSettingsWindow::saveAndClose);
    connect(打印按钮, &QPushButton::clicked, this, &PrintSettingsWindow::printPreview);
    connect(导出按钮, &QPushButton::clicked, this, &PrintSettingsWindow::exportSheet);
    connect(时钟2, &QTimer::timeout, this, &PrintSettingsWindow::watchPreview);
    // "全选" shows whether every column is ticked, whoever changed the ticks.
    QAbstractItemModel* list = 导出高级表格->model();
    connect(list, &QAbstractItemModel::dataChanged, this, &PrintSettingsWindow::showWhetherAllTicked);
    connect(list, &QAbstractItemModel::rowsInserted, this, &PrintSettingsWindow::showWhetherAllTicked);
    connect(list, &QAbstractItemModel::rowsRemoved, this, &PrintSettingsWindow::showWhetherAllTicked);
    connect(list, &QAbstractItemModel::modelReset, this, &PrintSettingsWindow::showWhetherAllTicked);
}

bool PrintSettingsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const QLabel* pictures[] = {图片框1, 图片框2, 图片框3, 图片框4};
        QRadioButton* radios[] = {线型1, 线型2, 线型3, 线型4};
        for (int i = 0; i < 4; ++i)
            if (watched == pictures[i])
                radios[i]->setChecked(true);
    }
    return QWidget::eventFilter(watched, event);
}

void PrintSettingsWindow::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        close();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
        // A button that has the keyboard is pressed itself.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused ? focused : 打印按钮)->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString PrintSettingsWindow::settingsPath() const {
    return QDir(m_app.programDir).filePath(m_app.print.settingsFile);
}

void PrintSettingsWindow::appendColumnRow(int sourceColumn, const QString& heading, bool ticked, int at) {
    const int r = at > 0 ? at : 导出高级表格->gridRowCount();
    导出高级表格->insertGridRow(r);
    导出高级表格->setCell(r, 0, QString::number(sourceColumn));
    导出高级表格->setCellChecked(r, 1, ticked);
    导出高级表格->setCell(r, 2, heading);
    导出高级表格->setCell(r, kWidthColumn, QString::number(kDefaultPrintColumnWidth / 10));
}

void PrintSettingsWindow::fillColumns() {
    Grid* g = 导出高级表格;
    g->setGridColumnCount(4);
    g->setGridRowCount(1);
    const int widths[] = {0, 30, 80, 76};
    const char* headings[] = {"列号", "选择", "列名", "列宽(毫米)"};
    for (int c = 0; c < 4; ++c) {
        g->setGridColumnWidth(c, widths[c]);
        g->setCell(0, c, QString::fromUtf8(headings[c]));
    }
    g->setCheckColumn(1);
    g->setColumnEditable(0, false);
    g->setColumnEditable(2, false); // ticks toggle, names stay
    if (const Grid* source = m_app.print.sourceGrid)
        for (int j = firstOfferedColumn(); j < source->gridColumnCount(); ++j)
            appendColumnRow(j, source->cellText(0, j));
}

void PrintSettingsWindow::loadSettings() {
    const ProfileFile file(settingsPath());
    const QString section = QString::fromUtf8(kSection);
    auto value = [&](const char* key, const char* fallback) {
        return file.value(section, QString::fromUtf8(key), QString::fromUtf8(fallback));
    };
    标题编辑框->setText(value("标题", ""));
    字体编辑框->setText(value("字体", "黑体,22"));
    纸型组合框->setCurrentIndex(indexFromSetting(value("纸型", " 1"), 纸型组合框->count()));
    打印方向组合框->setCurrentIndex(indexFromSetting(value("打印方向", "1"), 打印方向组合框->count()));
    // What the file holds is shown as it is; a text that is no number is told when it is used.
    {
        const QSignalBlocker quietRows(行数编辑框);
        行数编辑框->setText(value("行数", ""));
    }
    const QString style = value("线型", "1");
    QRadioButton* radios[] = {线型1, 线型2, 线型3, 线型4};
    int chosen = 0;
    for (int i = 1; i < 4; ++i)
        if (style == QString::number(i + 1))
            chosen = i;
    radios[chosen]->setChecked(true);
    {
        const QSignalBlocker quietSize(字体大小);
        字体大小->setText(value("字体大小", ""));
    }
    序号->setChecked(value("是否序号", "假") == kYes);
    保存配置选择框->setChecked(value("保存配置", "假") == kYes);

    const QString fields = value("打印字段", "");
    const Grid* source = m_app.print.sourceGrid;
    if (!fields.isEmpty()) {
        导出高级表格->setGridRowCount(1);
        const QStringList items = fields.split(u',');
        for (const QString& item : items)
            for (int j = firstOfferedColumn(); source && j < source->gridColumnCount(); ++j)
                if (item == QString::number(j))
                    appendColumnRow(j, source->cellText(0, j));
        // Settings saved before column 0 was offered never name it: it is listed at the top, unticked.
        if (source && firstOfferedColumn() == 0 && !items.contains(QStringLiteral("0")) &&
            source->gridColumnCount() > 0)
            appendColumnRow(0, source->cellText(0, 0), false, 1);
    }

    // "列号:毫米" for each column of the list; columns not named keep the usual width.
    for (const QString& pair : value("列宽", "").split(u',', Qt::SkipEmptyParts)) {
        const QString column = pair.section(u':', 0, 0).trimmed();
        const auto mm = widthMm(pair.section(u':', 1));
        for (int r = 1; mm && r < 导出高级表格->gridRowCount(); ++r)
            if (导出高级表格->cellText(r, 0) == column)
                导出高级表格->setCell(r, kWidthColumn, QString::number(*mm));
    }
}

int PrintSettingsWindow::firstOfferedColumn() const {
    return qMax(0, m_app.print.shape.firstColumn);
}

void PrintSettingsWindow::tellNumbersOnly(QLineEdit* box) {
    // Told after the key that was refused is done with, and once for keys refused in a row.
    if (m_tellingNumbers)
        return;
    m_tellingNumbers = true;
    QMetaObject::invokeMethod(
        this,
        [this, forBox = box != nullptr, box = QPointer<QLineEdit>(box)] {
            m_tellingNumbers = false;
            // A key refused leaves the box as it was. A text that is no number set from elsewhere
            // (the settings file) stays, and is told when it is used.
            if (forBox && (!box || !box->hasAcceptableInput()))
                return;
            MessageBox::show(this, QStringLiteral("温馨提示"), numbersOnlyText(box),
                             MessageBox::Icon::Information, MessageBox::Buttons::Ok);
            if (box)
                box->setFocus();
        },
        Qt::QueuedConnection);
}

QString PrintSettingsWindow::numbersOnlyText(const QLineEdit* box) const {
    if (box == 行数编辑框)
        return QStringLiteral("“每页行数”只能填写数字，也可以空着（按纸张高度分页）。");
    if (box == 字体大小)
        return QStringLiteral("“字体大小”只能填写数字，也可以空着（用表格本来的字号）。");
    return QStringLiteral("“列宽”只能填写数字，单位是毫米（1 到 %1）。").arg(kMaxWidthMm);
}

bool PrintSettingsWindow::numbersAcceptable() {
    for (QLineEdit* box : {行数编辑框, 字体大小}) {
        if (digitsOnly(box->text().trimmed()))
            continue;
        MessageBox::show(this, QStringLiteral("温馨提示"), numbersOnlyText(box),
                         MessageBox::Icon::Information, MessageBox::Buttons::Ok);
        box->setFocus();
        box->selectAll();
        return false;
    }
    return true;
}

int PrintSettingsWindow::selectedLineStyle() const {
    const QRadioButton* radios[] = {线型1, 线型2, 线型3, 线型4};
    for (int i = 0; i < 4; ++i)
        if (radios[i]->isChecked())
            return i + 1;
    return 1;
}

bool PrintSettingsWindow::saveSettings() {
    const QString path = settingsPath();
    const QString section = QString::fromUtf8(kSection);
    bool written = true;
    auto write = [&](const char* key, const QString& value) {
        // After the first failure the rest would fail the same way.
        if (written && !ProfileFile::write(path, section, QString::fromUtf8(key), value))
            written = false;
    };
    auto told = [&] {
        if (!written)
            MessageBox::warn(
                this,
                QStringLiteral("打印设置没有保存：无法写入文件 %1。").arg(QDir::toNativeSeparators(path)));
        return written;
    };
    if (!保存配置选择框->isChecked()) {
        write("保存配置", kNo);
        return told();
    }
    write("标题", 标题编辑框->text().trimmed());
    QStringList fields;
    for (int r = 1; r < 导出高级表格->gridRowCount(); ++r)
        if (导出高级表格->cellChecked(r, 1))
            fields << 导出高级表格->cellText(r, 0);
    write("打印字段", fields.join(u','));
    write("字体", 字体编辑框->text().trimmed());
    write("纸型", QString::number(纸型组合框->currentIndex()));
    write("打印方向", QString::number(打印方向组合框->currentIndex()));
    write("行数", 行数编辑框->text().trimmed());
    write("线型", QString::number(selectedLineStyle()));
    write("字体大小", 字体大小->text().trimmed());
    write("是否序号", 序号->isChecked() ? kYes : kNo);
    QStringList widths;
    for (int r = 1; r < 导出高级表格->gridRowCount(); ++r)
        widths << 导出高级表格->cellText(r, 0) + u':' + 导出高级表格->cellText(r, kWidthColumn);
    write("列宽", widths.join(u','));
    write("保存配置", kYes);
    return told();
}

void PrintSettingsWindow::saveAndClose() {
    if (!numbersAcceptable())
        return;
    保存配置选择框->setChecked(true);
    // Stays open when the settings could not be kept, so nothing looks saved that is not.
    if (saveSettings())
        close();
}

QList<PrintColumn> PrintSettingsWindow::chosenColumns() const {
    QList<PrintColumn> chosen;
    for (int r = 1; r < 导出高级表格->gridRowCount(); ++r)
        if (导出高级表格->cellChecked(r, 1))
            chosen.append(
                {导出高级表格->cellText(r, 0).toInt(), 导出高级表格->cellText(r, 2),
                 widthMm(导出高级表格->cellText(r, kWidthColumn)).value_or(kDefaultPrintColumnWidth / 10) *
                     10});
    return chosen;
}

bool PrintSettingsWindow::sourceAvailable() {
    if (m_app.print.sourceGrid)
        return true;
    MessageBox::show(this, QStringLiteral("温馨提示"),
                     QStringLiteral("要打印的表格已经关闭，无法打印或导出。"), MessageBox::Icon::Information,
                     MessageBox::Buttons::Ok);
    close();
    return false;
}

void PrintSettingsWindow::printPreview() {
    if (!numbersAcceptable())
        return;
    saveSettings();
    if (!sourceAvailable())
        return;
    std::optional<WaitCursor> wait(std::in_place);
    标签7->show();
    QCoreApplication::processEvents();
    auto stop = [this] { 标签7->hide(); };

    PrintJob job;
    job.columns = chosenColumns();
    if (job.columns.isEmpty()) {
        wait.reset();
        MessageBox::show(this, QStringLiteral("温馨提示"),
                         QStringLiteral("当前没有可打印的内容，请选择要打印的列。"),
                         MessageBox::Icon::Information, MessageBox::Buttons::Ok);
        stop();
        return;
    }
    job.title = 标题编辑框->text().trimmed();
    setWindowTitle(job.title);
    job.titleFont = 字体编辑框->text();
    job.serialColumn = 序号->isChecked();
    job.fontSize = 字体大小->text();
    job.lineStyle = selectedLineStyle();
    job.paper = 纸型组合框->currentData().toInt();
    job.orientation = 打印方向组合框->currentData().toInt();
    job.rowsPerPage = 行数编辑框->text();
    job.lastRowSummary = m_app.print.shape.lastRowSummary;

    const Grid* source = m_app.print.sourceGrid;
    PrintTable table;
    if (!source ||
        !buildPrintTable(job, *source, table, g_templateImage.value_or(PrintTable::templateImage()))) {
        wait.reset();
        MessageBox::show(this, QStringLiteral("失败"), QStringLiteral("读取打印模板失败。"),
                         MessageBox::Icon::Critical, MessageBox::Buttons::Ok);
        stop();
        return;
    }
    m_lastTable = table;
    stop();
    // Scaled down to fit the paper so far that the letters get small: said before it is printed.
    const double fit = table.scaleFactor(table.pageWidth());
    if (fit < kSmallPrint) {
        wait.reset();
        MessageBox::show(
            this, QStringLiteral("温馨提示"),
            QStringLiteral("所选的列共宽 %1 毫米，比纸张能打印的宽度 %2 毫米宽，表格将缩小到 %3% "
                           "打印，字会很小。\n少选几列、改小列宽，或改用横向、更大的纸，可以打印得大一些。")
                .arg(table.tableWidth() / 10)
                .arg(table.pageWidth() / 10)
                .arg(qRound(fit * 100)),
            MessageBox::Icon::Information, MessageBox::Buttons::Ok);
        wait.emplace();
    }
    hide();
    printpreview::open(table);
    wait.reset();
    m_preview = printpreview::findOpen();
    时钟2->start(200);
}

void PrintSettingsWindow::watchPreview() {
    if (m_preview) {
        m_preview = printpreview::findOpen();
        return;
    }
    时钟2->stop();
    close();
}

void PrintSettingsWindow::exportSheet() {
    if (!numbersAcceptable())
        return;
    saveSettings();
    if (!sourceAvailable())
        return;
    const QString suggestion =
        QDir(spreadsheet::startFolder()).filePath(spreadsheet::defaultFileName(m_app.print.exportName));
    QPointer<PrintSettingsWindow> self(this);
    const std::optional<QString> chosen =
        FileChooser::saveFile(this, QStringLiteral("导出"), suggestion,
                              QStringLiteral("Excel 工作簿 (*.xlsx)"), QStringLiteral("xlsx"));
    if (!self || !chosen || chosen->isEmpty())
        return; // cancelled: nothing is written and the window stays
    if (!sourceAvailable())
        return;
    QString path = *chosen;
    if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += QLatin1String(".xlsx");

    QList<int> columns;
    for (const PrintColumn& c : chosenColumns())
        columns << c.source;
    spreadsheet::Result result;
    {
        WaitCursor wait;
        result = spreadsheet::exportGrid(*m_app.print.sourceGrid, columns, path);
    }
    if (!result.written) {
        MessageBox::show(this, QStringLiteral("失败"), QStringLiteral("导出失败：%1").arg(result.error),
                         MessageBox::Icon::Critical, MessageBox::Buttons::Ok);
        return; // the window stays so the export can be tried again
    }
    spreadsheet::rememberFolder(QFileInfo(path).absolutePath());
    // Where the file went is always told, in one message with what else there is to know.
    const QString where = QDir::toNativeSeparators(result.path);
    QPointer<QWidget> caller = m_app.print.sourceWindow;
    spreadsheet::Opening opening;
    {
        WaitCursor wait;
        opening = spreadsheet::openWithDefaultProgram(result.path, [caller, where](const QString& error) {
            MessageBox::show(
                caller, QStringLiteral("温馨提示"),
                QStringLiteral("无法用电子表格程序打开 %1：%2。文件已经保存在那里。").arg(where, error),
                MessageBox::Icon::Warning, MessageBox::Buttons::Ok);
        });
    }
    QStringList told;
    told << (opening.started
                 ? QStringLiteral("已导出到 %1，并已交给电子表格程序打开。").arg(where)
                 : QStringLiteral("已导出到 %1，但无法用电子表格程序打开它：%2。").arg(where, opening.error));
    if (result.cutCells > 0)
        told << QStringLiteral("有 %1 个单元格超过 %2 个字符，已截断后导出。")
                    .arg(result.cutCells)
                    .arg(spreadsheet::kMaxCellChars);
    const bool allWell = opening.started && result.cutCells == 0;
    if (self)
        MessageBox::show(this, QStringLiteral("温馨提示"), told.join(u'\n'),
                         allWell ? MessageBox::Icon::Information : MessageBox::Icon::Warning,
                         MessageBox::Buttons::Ok);
    if (self)
        close();
}

void PrintSettingsWindow::swapRows(int a, int b) {
    Grid* g = 导出高级表格;
    for (int c : {0, 2}) {
        const QString t = g->cellText(a, c);
        g->setCell(a, c, g->cellText(b, c));
        g->setCell(b, c, t);
    }
    const bool ticked = g->cellChecked(a, 1);
    g->setCellChecked(a, 1, g->cellChecked(b, 1));
    g->setCellChecked(b, 1, ticked);
}

void PrintSettingsWindow::moveUp() {
    const int r = 导出高级表格->currentGridRow();
    if (r <= 1)
        return;
    const int column = qMax(0, 导出高级表格->currentColumn());
    swapRows(r, r - 1);
    导出高级表格->setCurrentGridCell(r - 1, column);
}

void PrintSettingsWindow::moveDown() {
    const int r = 导出高级表格->currentGridRow();
    if (r < 1 || r >= 导出高级表格->gridRowCount() - 1)
        return;
    const int column = qMax(0, 导出高级表格->currentColumn());
    swapRows(r, r + 1);
    导出高级表格->setCurrentGridCell(r + 1, column);
}

void PrintSettingsWindow::tickAll(bool ticked) {
    {
        const QScopedValueRollback<bool> ticking(m_tickingAll, true);
        for (int r = 1; r < 导出高级表格->gridRowCount(); ++r)
            导出高级表格->setCellChecked(r, 1, ticked);
    }
    showWhetherAllTicked();
}

void PrintSettingsWindow::showWhetherAllTicked() {
    if (m_tickingAll)
        return;
    const Grid* g = 导出高级表格;
    bool all = g->gridRowCount() > 1;
    for (int r = 1; all && r < g->gridRowCount(); ++r)
        all = g->cellChecked(r, 1);
    const QSignalBlocker quiet(全选选择框); // showing is not choosing: the ticks stay as they are
    全选选择框->setChecked(all);
}

void PrintSettingsWindow::chooseTitleFont() {
    const TitleFont current = parseTitleFont(字体编辑框->text());
    QFont initial(current.name);
    initial.setPointSize(current.points);
    const auto choice = FontChooser::choose(this, initial, QColor());
    if (!choice)
        return;
    const int points = qRound(choice->font.pointSizeF());
    字体编辑框->setText(choice->font.family() + QLatin1Char(',') + QString::number(points > 0 ? points : 22));
}
