#include "bank/BankWindow.h"
#include "bank/ComposeDialog.h"
#include "bank/RulesEditor.h"
#include "marking/Scoring.h"

#include "bank/BankEdits.h"
#include "bank/BankWorkbook.h"
#include "bank/ImportFiles.h"
#include "bank/DocumentImport.h"
#include "bank/ImportPreview.h"
#include "questions/QuestionText.h"
#include "shell/AppState.h"
#include "shell/WorkHost.h"
#include "access/ChildImport.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "ui/ModalLoops.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>

namespace {

// "、12 条练习记录" when the tables carry a practice history.
QString historyCount(const bank::Tables& tables) {
    return tables.history.isEmpty() ? QString()
                                    : QStringLiteral("、%1 条练习记录").arg(tables.history.size());
}

std::function<void(BankEditor&)> g_editorDriver;
std::function<QString(QWidget*)> g_pictureChooser;
std::function<QString(QWidget*, bool)> g_workbookChooser;

constexpr int kButtonWidth = 80;
// Inside the paper and question boxes: the lists and buttons start below the title, and end this
// far above the lower edge.
constexpr int kListTop = 22;
constexpr int kBoxBottom = 8;

QTreeWidget* makeList(QWidget* parent, const QString& name, const QStringList& headings,
                      const QList<int>& widths) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setHeaderLabels(headings);
    for (int i = 0; i < widths.size(); ++i)
        list->setColumnWidth(i, widths[i]);
    // The text column takes the room the others leave.
    list->header()->setStretchLastSection(false);
    list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    return list;
}

QLabel* caption(QWidget* parent, const QString& text, QRect place) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(place);
    return l;
}

QString numberText(const QVariant& v) {
    return bank::cellText(v.typeId() == QMetaType::QString ? v : QVariant(v.toDouble()));
}

QString oneLine(const QString& text, int chars) {
    QString t = text.simplified();
    return t.size() > chars ? t.left(chars) + QStringLiteral("…") : t;
}

} // namespace

// ---- the editors ----

BankEditor::BankEditor(QWidget* parent, Save save) : QDialog(parent), m_save(std::move(save)) {}

void BankEditor::addButtons(int top) {
    确定按钮 =
        makeButton(this, QStringLiteral("确定按钮"), QStringLiteral("确定"), {width() - 180, top, 80, 26});
    取消按钮 =
        makeButton(this, QStringLiteral("取消按钮"), QStringLiteral("取消"), {width() - 90, top, 80, 26});
    确定按钮->setDefault(true);
    connect(确定按钮, &QPushButton::clicked, this, &BankEditor::accept);
    connect(取消按钮, &QPushButton::clicked, this, &BankEditor::reject);
}

void BankEditor::setTestDriver(std::function<void(BankEditor&)> driver) {
    g_editorDriver = std::move(driver);
}

bool BankEditor::run() {
    if (g_editorDriver) {
        g_editorDriver(*this);
        return result() == QDialog::Accepted;
    }
    ModalLoops::Guard loop;
    return exec() == QDialog::Accepted;
}

void BankEditor::accept() {
    const QString refused = m_save ? m_save() : QString();
    if (!refused.isEmpty()) {
        MessageBox::warn(this, refused);
        return;
    }
    QDialog::accept();
}

PaperEditor::PaperEditor(QWidget* parent, Save save) : BankEditor(parent, std::move(save)) {
    setObjectName(QStringLiteral("试卷编辑窗口"));
    setWindowTitle(QStringLiteral("试卷"));
    setFixedSize(400, 380);
    caption(this, QStringLiteral("试卷编码"), {16, 16, 80, 24});
    试卷编码编辑框 = makeEdit(this, QStringLiteral("试卷编码编辑框"), {100, 16, 280, 24});
    caption(this, QStringLiteral("试卷名称"), {16, 50, 80, 24});
    试卷名称编辑框 = makeEdit(this, QStringLiteral("试卷名称编辑框"), {100, 50, 280, 24});
    caption(this, QStringLiteral("抽题"), {16, 84, 80, 24});
    抽题编辑框 = new QSpinBox(this);
    抽题编辑框->setObjectName(QStringLiteral("抽题编辑框"));
    抽题编辑框->setGeometry(100, 84, 100, 24);
    抽题编辑框->setRange(0, 1000000);
    抽题编辑框->setSuffix(QStringLiteral(" 题"));
    caption(this, QStringLiteral("排序"), {16, 118, 80, 24});
    排序组合框 = new QComboBox(this);
    排序组合框->setObjectName(QStringLiteral("排序组合框"));
    排序组合框->setGeometry(100, 118, 100, 24);
    排序组合框->addItems({QStringLiteral("顺序"), QStringLiteral("随机")});
    caption(this, QStringLiteral("考试时间"), {16, 152, 80, 24});
    考试时间编辑框 = new QSpinBox(this);
    考试时间编辑框->setObjectName(QStringLiteral("考试时间编辑框"));
    考试时间编辑框->setGeometry(100, 152, 100, 24);
    考试时间编辑框->setRange(0, 100000);
    考试时间编辑框->setSuffix(QStringLiteral(" 分钟"));
    考试用卷复选框 = new QCheckBox(QStringLiteral("考试用卷"), this);
    考试用卷复选框->setObjectName(QStringLiteral("考试用卷复选框"));
    考试用卷复选框->setGeometry(220, 118, 160, 24);
    考试用卷复选框->setToolTip(QStringLiteral("考生在老师公布答案之前看不到这份试卷的标准答案和解析"));
    考试用卷复选框->hide();
    评分规则编辑 = new RulesEditor(this);
    评分规则编辑->setGeometry(12, 184, 376, 148);
    addButtons(340);
    setPaper({QString(), QString(), qint64(10), qint64(1), qint64(60)});
}

void PaperEditor::setPaper(const bank::Paper& p) {
    试卷编码编辑框->setText(p.code);
    试卷名称编辑框->setText(p.name);
    抽题编辑框->setValue(int(std::clamp<qint64>(p.chouti.toLongLong(), 0, 1000000)));
    m_paixu = p.paixu;
    排序组合框->setCurrentIndex(bank::orderText(p.paixu) == QStringLiteral("顺序") ? 0 : 1);
    考试时间编辑框->setValue(int(std::clamp<qint64>(p.kstime.toLongLong(), 0, 100000)));
}

bank::Paper PaperEditor::paper() const {
    const bool inOrder = 排序组合框->currentIndex() == 0;
    // A Yes stored as -1 stays -1 while it still says 顺序.
    const QVariant paixu = bank::orderText(m_paixu) == 排序组合框->currentText() && !m_paixu.isNull()
                               ? m_paixu
                               : QVariant(qint64(inOrder ? 1 : 0));
    return {试卷编码编辑框->text().trimmed(), 试卷名称编辑框->text().trimmed(), qint64(抽题编辑框->value()),
            paixu, qint64(考试时间编辑框->value())};
}

QuestionEditor::QuestionEditor(QWidget* parent, const QString& bankDir, Save save)
    : BankEditor(parent, std::move(save)), m_bankDir(bankDir) {
    setObjectName(QStringLiteral("题目编辑窗口"));
    setWindowTitle(QStringLiteral("题目"));
    setFixedSize(720, 540);
    caption(this, QStringLiteral("题号"), {16, 16, 40, 24});
    题号编辑框 = new QSpinBox(this);
    题号编辑框->setObjectName(QStringLiteral("题号编辑框"));
    题号编辑框->setGeometry(60, 16, 90, 24);
    题号编辑框->setRange(1, 1000000);
    caption(this, QStringLiteral("标准答案"), {170, 16, 60, 24});
    标准答案编辑框 = makeEdit(this, QStringLiteral("标准答案编辑框"), {234, 16, 120, 24});
    标准答案编辑框->setPlaceholderText(QStringLiteral("如 AC、对、错"));
    caption(this, QStringLiteral("分值"), {374, 16, 40, 24});
    分值编辑框 = makeEdit(this, QStringLiteral("分值编辑框"), {418, 16, 80, 24});
    caption(this, QStringLiteral("题型"), {518, 16, 40, 24});
    题型组合框 = new QComboBox(this);
    题型组合框->setObjectName(QStringLiteral("题型组合框"));
    题型组合框->setGeometry(562, 16, 142, 24);
    题型组合框->addItem(QStringLiteral("按答案"), QString());
    for (const QString& type : bank::questionTypes())
        题型组合框->addItem(type, type);
    题型组合框->setToolTip(QStringLiteral("“按答案”：一个字母为单选，几个字母为多选，对或错为判断"));
    caption(this, QStringLiteral("题目（题干和选项 A、B、C…）"), {16, 48, 400, 20});
    题目超级编辑框 = new QPlainTextEdit(this);
    题目超级编辑框->setObjectName(QStringLiteral("题目超级编辑框"));
    题目超级编辑框->setGeometry(16, 70, 440, 200);
    caption(this, QStringLiteral("解析"), {16, 278, 200, 20});
    解析超级编辑框 = new QPlainTextEdit(this);
    解析超级编辑框->setObjectName(QStringLiteral("解析超级编辑框"));
    解析超级编辑框->setGeometry(16, 300, 440, 190);
    caption(this, QStringLiteral("图片"), {472, 48, 200, 20});
    图片编辑框 = makeEdit(this, QStringLiteral("图片编辑框"), {472, 70, 232, 24});
    图片编辑框->setReadOnly(true);
    选择图片按钮 =
        makeButton(this, QStringLiteral("选择图片按钮"), QStringLiteral("选择图片…"), {472, 100, 110, 26});
    清除图片按钮 =
        makeButton(this, QStringLiteral("清除图片按钮"), QStringLiteral("清除图片"), {594, 100, 110, 26});
    图片框1 = new QLabel(this);
    图片框1->setObjectName(QStringLiteral("图片框1"));
    图片框1->setGeometry(472, 134, 232, 356);
    图片框1->setAlignment(Qt::AlignCenter);
    图片框1->setFrameShape(QFrame::StyledPanel);
    addButtons(502);
    connect(选择图片按钮, &QPushButton::clicked, this, &QuestionEditor::choosePicture);
    connect(清除图片按钮, &QPushButton::clicked, this, &QuestionEditor::clearPicture);
}

void QuestionEditor::setPictureChooser(std::function<QString(QWidget*)> chooser) {
    g_pictureChooser = std::move(chooser);
}

void QuestionEditor::setQuestion(const bank::Question& q) {
    题号编辑框->setValue(int(std::clamp<qint64>(q.tihao.toLongLong(), 1, 1000000)));
    标准答案编辑框->setText(q.authority);
    分值编辑框->setText(q.score.isNull() ? QString() : numberText(q.score));
    // A type the list does not hold (typed into the bank by another tool) is shown as it is.
    int type = 题型组合框->findData(q.tixing.trimmed());
    if (type < 0) {
        题型组合框->addItem(q.tixing, q.tixing);
        type = 题型组合框->count() - 1;
    }
    题型组合框->setCurrentIndex(type);
    题目超级编辑框->setPlainText(q.question);
    解析超级编辑框->setPlainText(q.jiexi);
    m_practice = q.practice;
    m_pic = q.pic;
    m_chosenFile.clear();
    图片编辑框->setText(m_pic);
    showPreview(picturePath(m_bankDir, m_pic));
}

bank::Question QuestionEditor::question() const {
    const QVariant score = bank::cellNumber(分值编辑框->text());
    return {QString(),
            qint64(题号编辑框->value()),
            题目超级编辑框->toPlainText(),
            m_pic,
            bank::standardAnswer(标准答案编辑框->text()),
            m_practice,
            解析超级编辑框->toPlainText(),
            score,
            题型组合框->currentData().toString()};
}

QString QuestionEditor::markProblem() const {
    if (!分值编辑框->text().trimmed().isEmpty() && bank::cellNumber(分值编辑框->text()).isNull())
        return QStringLiteral("分值必须是数字，例如 1 或 0.5");
    return {};
}

void QuestionEditor::choosePicture() {
    QString file;
    if (g_pictureChooser) {
        file = g_pictureChooser(this);
    } else {
        ModalLoops::Guard loop;
        file =
            QFileDialog::getOpenFileName(this, QStringLiteral("选择图片"), QString(),
                                         QStringLiteral("图片 (*.png *.jpg *.jpeg *.bmp *.gif *.ico *.cur)"));
    }
    if (file.isEmpty())
        return;
    QImageReader reader(file);
    if (!reader.canRead()) {
        MessageBox::warn(this, QStringLiteral("%1 不是能显示的图片（PNG、JPEG、BMP、GIF、ICO、CUR）。")
                                   .arg(QFileInfo(file).fileName()));
        return;
    }
    m_chosenFile = file;
    图片编辑框->setText(QFileInfo(file).fileName());
    showPreview(file);
}

void QuestionEditor::clearPicture() {
    m_pic.clear();
    m_chosenFile.clear();
    图片编辑框->clear();
    showPreview(QString());
}

void QuestionEditor::showPreview(const QString& file) {
    图片框1->clear();
    if (file.isEmpty())
        return;
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        图片框1->setText(QStringLiteral("（图片无法显示）"));
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    if (pixmap.width() > 图片框1->width() - 4 || pixmap.height() > 图片框1->height() - 4)
        pixmap = pixmap.scaled(图片框1->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    图片框1->setPixmap(pixmap);
}

// ---- the window ----

BankWindow::BankWindow(AppState& app, WorkHost& host, QWidget* parent)
    : WorkWindow(app, host, Kind::Bank, parent) {
    setObjectName(QStringLiteral("题库窗口"));
    setWindowTitle(QStringLiteral("题库"));
    resize(800, 500);

    试卷分组框 = new QGroupBox(QStringLiteral("试卷"), this);
    试卷分组框->setObjectName(QStringLiteral("试卷分组框"));
    试卷列表框 = makeList(试卷分组框, QStringLiteral("试卷列表框"),
                          {QStringLiteral("编码"), QStringLiteral("名称"), QStringLiteral("题数"),
                           QStringLiteral("排序"), QStringLiteral("考试时间")},
                          {90, 300, 60, 60, 80});
    添加试卷按钮 = makeButton(试卷分组框, QStringLiteral("添加试卷按钮"), QStringLiteral("添加…"));
    修改试卷按钮 = makeButton(试卷分组框, QStringLiteral("修改试卷按钮"), QStringLiteral("修改…"));
    删除试卷按钮 = makeButton(试卷分组框, QStringLiteral("删除试卷按钮"), QStringLiteral("删除"));
    组卷按钮 = makeButton(试卷分组框, QStringLiteral("组卷按钮"), QStringLiteral("组卷…"));
    组卷按钮->setToolTip(QStringLiteral("从题库的试卷中随机抽题，组成一份新试卷"));
    导入按钮 = makeButton(试卷分组框, QStringLiteral("导入按钮"), QStringLiteral("导入…"));
    导出按钮 = makeButton(试卷分组框, QStringLiteral("导出按钮"), QStringLiteral("导出…"));
    导入按钮->setToolTip(QStringLiteral("把工作簿（.xlsx）、Word 文档、文本试卷、Moodle XML 或 GIFT 中的试卷加入题库"));
    导出按钮->setToolTip(QStringLiteral("把题库写成工作簿（.xlsx），或把一套试卷（或整个题库）写成文本、Word 文档或 Moodle XML"));

    题目分组框 = new QGroupBox(QStringLiteral("题目"), this);
    题目分组框->setObjectName(QStringLiteral("题目分组框"));
    题目列表框 = makeList(题目分组框, QStringLiteral("题目列表框"),
                          {QStringLiteral("题号"), QStringLiteral("题目"), QStringLiteral("题型"),
                           QStringLiteral("标准答案"), QStringLiteral("分值"), QStringLiteral("图片")},
                          {50, 400, 60, 70, 50, 100});
    添加题目按钮 = makeButton(题目分组框, QStringLiteral("添加题目按钮"), QStringLiteral("添加…"));
    修改题目按钮 = makeButton(题目分组框, QStringLiteral("修改题目按钮"), QStringLiteral("修改…"));
    删除题目按钮 = makeButton(题目分组框, QStringLiteral("删除题目按钮"), QStringLiteral("删除"));
    重新编号按钮 = makeButton(题目分组框, QStringLiteral("重新编号按钮"), QStringLiteral("重新编号"));
    重新编号按钮->setToolTip(QStringLiteral("按现在的次序把题号改为 1、2、3……"));

    connect(试卷列表框, &QTreeWidget::currentItemChanged, this, [this] { refreshQuestions(); });
    connect(试卷列表框, &QTreeWidget::itemDoubleClicked, this, &BankWindow::editPaper);
    connect(题目列表框, &QTreeWidget::itemDoubleClicked, this, &BankWindow::editQuestion);
    connect(添加试卷按钮, &QPushButton::clicked, this, &BankWindow::addPaper);
    connect(修改试卷按钮, &QPushButton::clicked, this, &BankWindow::editPaper);
    connect(删除试卷按钮, &QPushButton::clicked, this, &BankWindow::deletePaper);
    connect(组卷按钮, &QPushButton::clicked, this, [this] {
        if (!requireBank())
            return;
        ComposeDialog dialog(this, m_app.store);
        if (dialog.run())
            refreshPapers(dialog.madeCode());
    });
    connect(导入按钮, &QPushButton::clicked, this, &BankWindow::importWorkbook);
    connect(导出按钮, &QPushButton::clicked, this, &BankWindow::exportWorkbook);
    connect(添加题目按钮, &QPushButton::clicked, this, &BankWindow::addQuestion);
    connect(修改题目按钮, &QPushButton::clicked, this, &BankWindow::editQuestion);
    connect(删除题目按钮, &QPushButton::clicked, this, &BankWindow::deleteQuestion);
    connect(重新编号按钮, &QPushButton::clicked, this, &BankWindow::renumber);
}

void BankWindow::setWorkbookChooser(std::function<QString(QWidget*, bool)> chooser) {
    g_workbookChooser = std::move(chooser);
}

void BankWindow::setUp() {
    m_app.currentWorkWindow = this;
    m_host.placeAndLayout(*this);
    refreshPapers();
}

// A column of buttons beside a list: `top` of them from the box's title down, `bottom` of them
// from its lower edge up. The height a box needs for them, with buttons `h` high and `gap` apart.
static int buttonColumnHeight(int top, int bottom, int h, int gap) {
    return kListTop + (top + bottom) * h + (top + bottom - 1) * gap + kBoxBottom;
}

void BankWindow::layoutControls(int W, int H) {
    if (!题目列表框)
        return;
    const int groupWidth = qMax(300, W - 20);
    const int room = H - 24;
    // Where the window is short (the smallest main window), the buttons close up so that every one
    // stays whole and apart from the others.
    int h = 22, gap = 2;
    for (const auto& [height, apart] : {std::pair{26, 6}, std::pair{24, 4}})
        if (room >= buttonColumnHeight(3, 3, height, apart) + buttonColumnHeight(3, 1, height, apart) + 8) {
            h = height, gap = apart;
            break;
        }
    const int papersHeight = qMax(buttonColumnHeight(3, 3, h, gap), room * 2 / 5);
    const int questionsHeight = qMax(buttonColumnHeight(3, 1, h, gap), room - papersHeight);
    const int listWidth = groupWidth - kButtonWidth - 26;
    试卷分组框->setGeometry(10, 8, groupWidth, papersHeight);
    试卷列表框->setGeometry(8, kListTop, listWidth, papersHeight - 30);
    题目分组框->setGeometry(10, 16 + papersHeight, groupWidth, questionsHeight);
    题目列表框->setGeometry(8, kListTop, listWidth, questionsHeight - 30);
    const int x = listWidth + 16;
    auto column = [&](const QList<QPushButton*>& top, const QList<QPushButton*>& bottom, int boxHeight) {
        int y = kListTop;
        for (QPushButton* b : top) {
            b->setGeometry(x, y, kButtonWidth, h);
            y += h + gap;
        }
        y = boxHeight - kBoxBottom - h;
        for (auto b = bottom.rbegin(); b != bottom.rend(); ++b) {
            (*b)->setGeometry(x, y, kButtonWidth, h);
            y -= h + gap;
        }
    };
    column({添加试卷按钮, 修改试卷按钮, 删除试卷按钮}, {组卷按钮, 导入按钮, 导出按钮}, papersHeight);
    column({添加题目按钮, 修改题目按钮, 删除题目按钮}, {重新编号按钮}, questionsHeight);
}

// The bank window chooses its papers in its own list; a choice from elsewhere selects it there.
void BankWindow::receivePaper(const QString& code, const QString&) {
    refreshPapers(code);
}

QString BankWindow::currentCode() const {
    const QTreeWidgetItem* item = 试卷列表框->currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

std::optional<qint64> BankWindow::currentNumber() const {
    const QTreeWidgetItem* item = 题目列表框->currentItem();
    if (!item)
        return std::nullopt;
    return item->data(0, Qt::UserRole).toLongLong();
}

void BankWindow::refreshPapers(const QString& select) {
    const QString keep = select.isEmpty() ? currentCode() : select;
    QSignalBlocker block(试卷列表框);
    试卷列表框->clear();
    QTreeWidgetItem* chosen = nullptr;
    for (const bank::PaperSummary& s : bank::listPapers(m_app.store)) {
        auto* item =
            new QTreeWidgetItem(试卷列表框, {s.paper.code, s.paper.name, QString::number(s.questions),
                                             bank::orderText(s.paper.paixu),
                                             QStringLiteral("%1 分钟").arg(numberText(s.paper.kstime))});
        item->setData(0, Qt::UserRole, s.paper.code);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!chosen && !keep.isEmpty() && bank::codeKey(s.paper.code) == bank::codeKey(keep))
            chosen = item;
    }
    if (!chosen)
        chosen = 试卷列表框->topLevelItem(0);
    试卷列表框->setCurrentItem(chosen);
    refreshQuestions();
}

void BankWindow::refreshQuestions(std::optional<qint64> select) {
    const std::optional<qint64> keep = select ? select : currentNumber();
    题目列表框->clear();
    const QString code = currentCode();
    题目分组框->setTitle(code.isEmpty()
                             ? QStringLiteral("题目")
                             : QStringLiteral("题目 — 试卷 %1").arg(试卷列表框->currentItem()->text(1)));
    if (code.isEmpty())
        return;
    QTreeWidgetItem* chosen = nullptr;
    for (const bank::Question& q : bank::listQuestions(m_app.store, code)) {
        const qint64 n = q.tihao.toLongLong();
        // A question without a type of its own shows the one its answer implies, in brackets.
        const QString type = q.tixing.trimmed().isEmpty() && !bank::typeOf(q).isEmpty()
                                 ? QStringLiteral("（%1）").arg(bank::typeOf(q))
                                 : q.tixing;
        auto* item = new QTreeWidgetItem(题目列表框, {QString::number(n), oneLine(q.question, 80), type,
                                                      q.authority, numberText(q.score), q.pic});
        item->setData(0, Qt::UserRole, n);
        if (q.tixing.trimmed().isEmpty())
            item->setToolTip(2, QStringLiteral("没有指定题型，按标准答案判断"));
        if (!chosen && keep && *keep == n)
            chosen = item;
    }
    if (chosen)
        题目列表框->setCurrentItem(chosen);
}

bool BankWindow::requireBank() {
    if (m_app.store.isOpen())
        return true;
    MessageBox::warn(this, QStringLiteral("没有打开题库，无法编辑。"));
    return false;
}

QString BankWindow::examBlocks(const QString& code, const QString& what) const {
    const QString running = m_host.examPaperInProgress();
    if (running.isEmpty() || bank::codeKey(running) != bank::codeKey(code))
        return {};
    return QStringLiteral("试卷“%1”正在考试，考试结束后才能%2。").arg(code, what);
}

bool BankWindow::paperFree(const QString& code, const QString& what) {
    const QString blocked = examBlocks(code, what);
    if (!blocked.isEmpty())
        MessageBox::warn(this, blocked);
    return blocked.isEmpty();
}

void BankWindow::addPaper() {
    if (!requireBank())
        return;
    PaperEditor* editor = nullptr;
    const bool examPapers = seat::keepsExamPapers(m_app.store);
    PaperEditor dialog(this, [&] {
        if (const QString error = bank::addPaper(m_app.store, editor->paper()); !error.isEmpty())
            return error;
        if (examPapers)
            if (const QString error =
                    seat::setExamOnly(m_app.store, editor->paper().code, editor->考试用卷复选框->isChecked());
                !error.isEmpty())
                return error;
        return saveRules(editor->paper().code, editor->评分规则编辑->rules());
    });
    editor = &dialog;
    dialog.考试用卷复选框->setVisible(examPapers);
    if (dialog.run())
        refreshPapers(dialog.paper().code);
}

QString BankWindow::saveRules(const QString& code, const documents::ScoringRules& rules) {
    if (!m_app.store.keepsRules() && !rules.isPlain())
        return QStringLiteral("试卷已保存，但这个题库不能保存评分规则，各类题按全对得分评分。");
    if (!m_app.store.inTransaction([&] { return scoring::writeRules(m_app.store, code, rules); }))
        return QStringLiteral("试卷已保存，评分规则没有保存：%1").arg(m_app.store.lastError());
    return {};
}

void BankWindow::editPaper() {
    const QString code = currentCode();
    if (code.isEmpty() || !requireBank())
        return;
    const std::optional<bank::Paper> stored = bank::paperByCode(m_app.store, code);
    if (!stored)
        return;
    const bool examPapers = seat::keepsExamPapers(m_app.store);
    PaperEditor* editor = nullptr;
    PaperEditor dialog(this, [&]() -> QString {
        const bank::Paper p = editor->paper();
        if (p.code != code)
            if (const QString blocked = examBlocks(code, QStringLiteral("改变它的编码")); !blocked.isEmpty())
                return blocked;
        if (const QString error = bank::updatePaper(m_app.store, code, p); !error.isEmpty())
            return error;
        if (examPapers)
            if (const QString error = seat::setExamOnly(m_app.store, p.code, editor->考试用卷复选框->isChecked());
                !error.isEmpty())
                return error;
        return saveRules(p.code, editor->评分规则编辑->rules());
    });
    editor = &dialog;
    dialog.setPaper(*stored);
    dialog.考试用卷复选框->setVisible(examPapers);
    dialog.考试用卷复选框->setChecked(seat::examOnly(m_app.store, code));
    dialog.评分规则编辑->setRules(scoring::readRules(m_app.store, code));
    if (dialog.run())
        refreshPapers(dialog.paper().code);
}

void BankWindow::deletePaper() {
    const QString code = currentCode();
    if (code.isEmpty() || !requireBank() || !paperFree(code, QStringLiteral("删除它")))
        return;
    const bank::PaperContents c = bank::paperContents(m_app.store, code);
    const QString name = 试卷列表框->currentItem()->text(1);
    if (!MessageBox::ask(
            this, QStringLiteral("删除试卷“%1”（编码 %2）吗？\n它的 %3 道题目和 %4 条考试答案也会一起删除，"
                                 "共 %5 行，删除后不能恢复。")
                      .arg(name, code)
                      .arg(c.questions)
                      .arg(c.answers)
                      .arg(1 + c.questions + c.answers)))
        return;
    if (const QString error = bank::deletePaper(m_app.store, code); !error.isEmpty())
        MessageBox::warn(this, error);
    refreshPapers();
}

bool BankWindow::editQuestionDialog(const bank::Question& start, std::optional<qint64> oldNumber) {
    const QString code = start.code;
    QuestionEditor* editor = nullptr;
    QuestionEditor dialog(this, m_app.programDir, [&]() -> QString {
        if (const QString p = editor->markProblem(); !p.isEmpty())
            return p;
        bank::Question q = editor->question();
        q.code = code;
        if (oldNumber && q.tihao.toLongLong() != *oldNumber)
            if (const QString blocked = examBlocks(code, QStringLiteral("改变题号")); !blocked.isEmpty())
                return blocked;
        QString copied;
        if (!editor->chosenPicture().isEmpty()) {
            QString error;
            q.pic = bank::placePicture(m_app.programDir, editor->chosenPicture(), &copied, &error);
            if (q.pic.isEmpty())
                return error;
        }
        const QString error =
            oldNumber ? bank::updateQuestion(m_app.store, *oldNumber, q) : bank::addQuestion(m_app.store, q);
        // The picture goes with a question that was not saved.
        if (!error.isEmpty() && !copied.isEmpty())
            QFile::remove(copied);
        return error;
    });
    editor = &dialog;
    dialog.setQuestion(start);
    if (!dialog.run())
        return false;
    refreshPapers();
    refreshQuestions(dialog.question().tihao.toLongLong());
    return true;
}

void BankWindow::addQuestion() {
    const QString code = currentCode();
    if (!requireBank())
        return;
    if (code.isEmpty()) {
        MessageBox::info(this, QStringLiteral("请先添加或选择一套试卷。"));
        return;
    }
    // The next number after the last one.
    qint64 next = 1;
    for (int i = 0; i < 题目列表框->topLevelItemCount(); ++i)
        next = qMax(next, 题目列表框->topLevelItem(i)->data(0, Qt::UserRole).toLongLong() + 1);
    bank::Question q;
    q.code = code;
    q.tihao = next;
    q.score = qint64(1);
    editQuestionDialog(q, std::nullopt);
}

void BankWindow::editQuestion() {
    const QString code = currentCode();
    const std::optional<qint64> n = currentNumber();
    if (code.isEmpty() || !n || !requireBank())
        return;
    if (const std::optional<bank::Question> stored = bank::questionByNumber(m_app.store, code, *n))
        editQuestionDialog(*stored, *n);
}

void BankWindow::deleteQuestion() {
    const QString code = currentCode();
    const std::optional<qint64> n = currentNumber();
    if (code.isEmpty() || !n || !requireBank() || !paperFree(code, QStringLiteral("删除它的题目")))
        return;
    const qint64 answers = bank::questionAnswerCount(m_app.store, code, *n);
    QString text = QStringLiteral("删除第 %1 题吗？删除后不能恢复。").arg(*n);
    if (answers > 0)
        text += QStringLiteral("\n它的 %1 条考试答案也会一起删除。").arg(answers);
    if (!MessageBox::ask(this, text))
        return;
    if (const QString error = bank::deleteQuestion(m_app.store, code, *n); !error.isEmpty())
        MessageBox::warn(this, error);
    refreshPapers();
}

void BankWindow::renumber() {
    const QString code = currentCode();
    if (code.isEmpty() || !requireBank() || !paperFree(code, QStringLiteral("重新编号")))
        return;
    int changed = 0;
    if (const QString error = bank::renumber(m_app.store, code, &changed); !error.isEmpty()) {
        MessageBox::warn(this, error);
        return;
    }
    refreshQuestions();
    MessageBox::info(
        this, changed == 0
                  ? QStringLiteral("题号已经是 1、2、3……，没有改动。")
                  : QStringLiteral("已重新编号：%1 道题的题号改变了，考试答案随题目一起改。").arg(changed));
}

// The file is read by the import tool in a child process under limits, into a bank file of its
// own: a damaged or hostile file ends in a message, and 取消 stops the reading at once.
std::optional<bank::Tables> BankWindow::readInChild(const QString& file) {
    const QString name = QFileInfo(file).fileName();
    QTemporaryDir work;
    if (!work.isValid()) {
        MessageBox::warn(this, QStringLiteral("无法建立临时文件夹，没有导入任何内容。"));
        return std::nullopt;
    }
    ReadingProgress progress(this, name);
    const QString db = work.filePath(QStringLiteral("ks.db"));
    const bankimport::ImportResult made = bankimport::importInChild(
        bankimport::importTool(), file, db, [&](qint64 done, qint64 total) { return progress.carryOn(done, total); },
        bankimport::importLimits());
    progress.close();
    if (made.cancelled) {
        MessageBox::info(this, QStringLiteral("已取消导入 %1，没有导入任何内容。").arg(name));
        return std::nullopt;
    }
    if (!made.ok) {
        // The first lines of a long list of bad rows, and how many more there are.
        QStringList lines = made.error.split(QLatin1Char('\n'));
        static const QRegularExpression more(QStringLiteral("^……另有 (\\d+) 处问题。$"));
        const QRegularExpressionMatch m = more.match(lines.last());
        const qint64 beyond = m.hasMatch() ? m.captured(1).toLongLong() : 0;
        if (m.hasMatch())
            lines.removeLast();
        const qint64 all = lines.size() + beyond;
        lines = lines.mid(0, 20);
        if (all > lines.size())
            lines << QStringLiteral("……另有 %1 处问题。").arg(all - lines.size());
        MessageBox::warn(this,
                         QStringLiteral("%1 中有问题，没有导入任何内容：\n%2").arg(name, lines.join('\n')));
        return std::nullopt;
    }
    Store read;
    if (read.open(db) != Store::OpenResult::Ok) {
        MessageBox::warn(
            this,
            QStringLiteral("无法读取从 %1 导入的内容：%2\n没有导入任何内容。").arg(name, read.lastError()));
        return std::nullopt;
    }
    return bank::readAll(read);
}

void BankWindow::importWorkbook() {
    if (!requireBank())
        return;
    QString file;
    if (g_workbookChooser) {
        file = g_workbookChooser(this, false);
    } else {
        ModalLoops::Guard loop;
        file = QFileDialog::getOpenFileName(this, QStringLiteral("导入"), QString(), bankbook::fileFilter());
    }
    if (file.isEmpty())
        return;
    if (bankbook::isDocument(file)) {
        if (const std::optional<QString> code = importDocumentFile(this, m_app.store, m_app.programDir, file))
            refreshPapers(*code);
        return;
    }
    const QString name = QFileInfo(file).fileName();
    const std::optional<bank::Tables> imported = readInChild(file);
    if (!imported)
        return;
    const bank::Tables& tables = *imported;
    const QStringList existing = bank::existingCodes(m_app.store, tables);
    if (!existing.isEmpty()) {
        for (const QString& code : existing)
            if (!paperFree(code, QStringLiteral("替换它")))
                return;
        if (!MessageBox::ask(this, QStringLiteral("题库中已经有编码为 %1 的试卷。\n用 %2 中的试卷替换它们吗？"
                                                  "原有的题目和考试答案会被删除。\n选“否”则什么也不导入。")
                                       .arg(existing.join(QStringLiteral("、")), name))) {
            MessageBox::info(this, QStringLiteral("没有导入任何内容。"));
            return;
        }
    }
    if (const QString error = bank::addTables(m_app.store, tables, true); !error.isEmpty()) {
        MessageBox::warn(this, error);
        return;
    }
    refreshPapers(tables.papers.isEmpty() ? QString() : tables.papers.first().code);
    QString done = QStringLiteral("已从 %1 导入 %2 套试卷、%3 道题目、%4 条考试答案%5。")
                       .arg(name)
                       .arg(tables.papers.size())
                       .arg(tables.questions.size())
                       .arg(tables.answers.size())
                       .arg(historyCount(tables));
    const QStringList missing = bankbook::missingPictures(tables, m_app.programDir);
    if (!missing.isEmpty())
        done += QStringLiteral("\n其中 %1 道题的图片在 %2 中没有找到，请把这些图片复制到那里：\n%3")
                    .arg(missing.size())
                    .arg(QDir::toNativeSeparators(QDir(m_app.programDir).filePath(QStringLiteral("pic"))),
                         missing.mid(0, 5).join(QLatin1Char('\n')) +
                             (missing.size() > 5 ? QStringLiteral("\n……") : QString()));
    MessageBox::info(this, done);
}

void BankWindow::exportWorkbook() {
    if (!requireBank())
        return;
    QString file;
    if (g_workbookChooser) {
        file = g_workbookChooser(this, true);
    } else {
        ModalLoops::Guard loop;
        QString format;
        file = QFileDialog::getSaveFileName(this, QStringLiteral("导出"),
                                            QDir(m_app.programDir).filePath(QStringLiteral("题库.xlsx")),
                                            QStringLiteral("工作簿 (*.xlsx);;文本试卷 (*.txt);;Word 文档 (*.docx);;"
                                                           "Moodle XML (*.xml)"),
                                            &format);
        const QString suffix = format.section(QLatin1Char('.'), -1).chopped(1);
        if (!file.isEmpty() && !file.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive) &&
            !docimport::isDocumentFormat(file) && !file.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
            file += QLatin1Char('.') + suffix;
    }
    if (file.isEmpty())
        return;
    if (docimport::isDocumentFormat(file)) {
        const QString code = currentCode();
        const int which = code.isEmpty() ? 1
                                         : MessageBox::choose(this, QStringLiteral("导出哪些试卷？"),
                                                              {QStringLiteral("所选试卷（编码 %1）").arg(code),
                                                               QStringLiteral("整个题库"), QStringLiteral("取消")});
        if (which < 2)
            exportDocumentFile(this, m_app.store, m_app.programDir, file, which == 0 ? code : QString());
        return;
    }
    if (!file.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        file += QStringLiteral(".xlsx");
    const bank::Tables tables = bank::readAll(m_app.store);
    // The file dialog has asked before replacing a file.
    if (const QString error = bankbook::writeWorkbook(file, tables, true); !error.isEmpty()) {
        MessageBox::warn(this, error);
        return;
    }
    MessageBox::info(this, QStringLiteral("已导出到 %1：%2 套试卷、%3 道题目、%4 条考试答案%5。")
                               .arg(QDir::toNativeSeparators(file))
                               .arg(tables.papers.size())
                               .arg(tables.questions.size())
                               .arg(tables.answers.size())
                               .arg(historyCount(tables)));
}
