#include "marking/MarksWindow.h"

#include "marking/LiveBoard.h"

#include "shell/AppState.h"
#include "shell/WorkHost.h"
#include "exam/ExamWindow.h"
#include "marking/AnswerCard.h"
#include "marking/ResultsOverview.h"
#include "printing/PrintHandOver.h"
#include "questions/PaperPicker.h"
#include "ui/Accessibility.h"
#include "ui/Charts.h"
#include "ui/Grid.h"
#include "ui/Icons.h"
#include "ui/MessageBox.h"
#include "ui/RefillCombo.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <algorithm>
#include <QLabel>
#include <QLineEdit>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>

namespace {
const QColor kNumberColumn(236, 236, 236);
constexpr int kRowHeight = 24;
} // namespace

MarksWindow::MarksWindow(AppState& app, WorkHost& host, QWidget* parent)
    : WorkWindow(app, host, Kind::Marks, parent) {
    setObjectName(QStringLiteral("评分窗口"));
    setWindowTitle(QStringLiteral("评分"));
    resize(800, 500);

    工具条1 = new QToolBar(this);
    工具条1->setObjectName(QStringLiteral("工具条1"));
    工具条1->setGeometry(0, 0, 416, 32);
    工具条1->setMovable(false);
    工具条1->setIconSize(QSize(16, 16));
    // Four compact buttons, clear of the paper button at 192.
    工具条1->setStyleSheet(QStringLiteral("QToolBar { border: none; background: transparent; }"
                                          "QToolBar QToolButton { min-width: 0px; padding: 2px 1px; }"));
    QList<ToolButton> buttons = {
        {"清空", "清空：删除本考号本场次的全部答案（删除前先询问）", QKeySequence(), "edit-clear", "clear"},
        {"导出", "导出excel：打印答题卡，或导出为电子表格", QKeySequence(Qt::CTRL | Qt::Key_E),
         "x-office-spreadsheet", "export"},
        {"评分", "评分：按所选试卷、考号和场次生成答题卡", QKeySequence(Qt::Key_F5), "tools-check-spelling",
         "marks"},
        {"汇总", "汇总：所选试卷每位考生每个场次一行，列出答题数和得分（不选场次时列出所有场次）",
         QKeySequence(Qt::Key_F6), "x-office-address-book", "overview"},
    };
    // The room's board, on a server bank only: the computers of a room share no bank file.
    if (m_app.store.dialect() == Dialect::Postgres)
        buttons.append({"考场", "考场：正在考试的场次和已交卷的场次", QKeySequence(Qt::Key_F7), "view-refresh", "overview"});
    for (QAction* a : addToolButtons(*工具条1, buttons))
        connect(a, &QAction::triggered, this, [this, a] { toolbarCommand(a->text()); });
    // The toolbar's own margins and spacing, set here: the skin's are for the start toolbar.
    工具条1->layout()->setSpacing(2);
    工具条1->layout()->setContentsMargins(0, 0, 0, 0);
    // Each button shows its icon and whole caption; the paper button and what follows it move
    // right as far as the four buttons need (at 192 when they fit before it).
    工具条1->ensurePolished();
    const int toolbarWidth = 工具条1->sizeHint().width();
    工具条1->resize(std::max(工具条1->width(), toolbarWidth), 工具条1->height());
    const int shift = std::max(0, toolbarWidth + 6 - 192);

    试卷超级按钮 = new QPushButton(QStringLiteral("请点击选择试卷"), this);
    试卷超级按钮->setObjectName(QStringLiteral("试卷超级按钮"));
    试卷超级按钮->setGeometry(192 + shift, 4, 200, 24);
    试卷超级按钮->setAutoDefault(false);
    计时标签2 = new QLabel(QStringLiteral("考号"), this);
    计时标签2->setObjectName(QStringLiteral("计时标签2"));
    计时标签2->setGeometry(407 + shift, 8, 25, 20);
    考号组合框 = new RefillCombo(this);
    考号组合框->setObjectName(QStringLiteral("考号组合框"));
    考号组合框->setGeometry(442 + shift, 8, 135, 20);
    计时标签3 = new QLabel(QStringLiteral("场次"), this);
    计时标签3->setObjectName(QStringLiteral("计时标签3"));
    计时标签3->setGeometry(589 + shift, 8, 25, 20);
    场次组合框 = new RefillCombo(this);
    场次组合框->setObjectName(QStringLiteral("场次组合框"));
    场次组合框->setGeometry(624 + shift, 8, 91, 20);
    试卷编码透明标签 = new QLabel(this);
    试卷编码透明标签->setObjectName(QStringLiteral("试卷编码透明标签"));
    试卷编码透明标签->setGeometry(0, 15, 48, 20);
    试卷编码透明标签->hide();
    // The toolbar's buttons come first, the paper button sits beside them.
    工具条1->raise();
    试卷超级按钮->raise();

    高级表格1 = new Grid(this);
    高级表格1->setObjectName(QStringLiteral("高级表格1"));
    高级表格1->setGeometry(10, 40, 774, 401);
    高级表格1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    高级表格1->viewport()->installEventFilter(this);
    汇总表格 = new Grid(this);
    汇总表格->setObjectName(QStringLiteral("汇总表格"));
    汇总表格->setGeometry(高级表格1->geometry());
    汇总表格->hide();
    汇总图表 = new TotalsChart(this);
    汇总图表->setObjectName(QStringLiteral("汇总图表"));
    汇总图表->hide();

    文件 = new QMenu(QStringLiteral("文件"), this);
    文件->setObjectName(QStringLiteral("文件"));
    删除行 = 文件->addAction(QStringLiteral("删除行"));
    删除行->setObjectName(QStringLiteral("删除行"));
    connect(删除行, &QAction::triggered, this, &MarksWindow::deleteSelectedRows);

    // What a screen reader says for the controls.
    计时标签2->setBuddy(考号组合框);
    计时标签3->setBuddy(场次组合框);
    a11y::describe(试卷超级按钮, QStringLiteral("试卷：") + 试卷超级按钮->text(), QStringLiteral("选择试卷"));
    a11y::describe(考号组合框, QStringLiteral("考号"), QStringLiteral("填写或选择考号"));
    a11y::describe(场次组合框, QStringLiteral("场次"), QStringLiteral("填写或选择场次"));
    a11y::describe(高级表格1, QStringLiteral("答题卡"),
                   QStringLiteral("每题一行：题号、题目、标准答案、考生答案和得分；方向键移动，回车读出本行，Esc 回到试卷按钮"));
    a11y::describe(汇总表格, QStringLiteral("汇总"),
                   QStringLiteral("每位考生每个场次一行；方向键移动，回车读出本行，Esc 回到试卷按钮"));
    // Each row of the card is headed by its question number, each row of the overview by its
    // student number.
    高级表格1->setRowHeadingColumn(1);
    汇总表格->setRowHeadingColumn(1);
    高级表格1->installEventFilter(this);
    汇总表格->installEventFilter(this);

    connect(试卷超级按钮, &QPushButton::clicked, this, &MarksWindow::choosePaper);
    connect(考号组合框, &RefillCombo::aboutToShowPopup, this, &MarksWindow::refillCandidates);
    connect(场次组合框, &RefillCombo::aboutToShowPopup, this, &MarksWindow::refillSittings);
    // The choices are kept for the window's next opening (not those of an unattended marking).
    connect(考号组合框, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!m_unattended)
            m_app.marksChoice.student = text;
    });
    connect(场次组合框, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        if (!m_unattended)
            m_app.marksChoice.state = text;
    });
}

void MarksWindow::setUp() {
    m_app.currentWorkWindow = this;
    Grid& grid = *高级表格1;
    grid.setGridColumnCount(9);
    grid.setGridRowCount(1);
    grid.setGridColumnWidth(0, 0);
    const char* headings[] = {"题号", "题目", "标准答案", "考生答案", "考号", "姓名", "场次", "得分"};
    for (int c = 1; c <= 8; ++c) {
        grid.setCell(0, c, QString::fromUtf8(headings[c - 1]));
        grid.setGridColumnWidth(c, 70);
    }
    // Each column's share of the grid's width, kept for every later layout.
    const int width = grid.gridColumnCount() * 70;
    grid.resize(width, grid.height());
    m_app.markShares.clear();
    for (int c = 0; c < grid.gridColumnCount(); ++c)
        m_app.markShares << double(grid.gridColumnWidth(c)) / double(width);
    appendBlankRows(height());
    m_host.placeAndLayout(*this);
    grid.setRangeBackground(1, 1, grid.gridRowCount() - 1, 1, kNumberColumn);

    // Unattended: mark the sitting just handed in, then close. A sitting that cannot be marked
    // (handed in before it started, or without a sitting) has no total: the info window never
    // shows the total of an earlier card.
    if (m_host.resultWindowOpen()) {
        m_unattended = true;
        试卷编码透明标签->setText(m_app.handIn.code);
        试卷超级按钮->setText(m_app.handIn.code);
        考号组合框->setEditText(m_app.handIn.student);
        场次组合框->setEditText(m_app.handIn.state);
        const bool marked = !m_app.handIn.code.isEmpty() && markSitting();
        close();
        m_host.showResultTotal(marked ? Grid::formatValue(m_app.lastTotal) : QString());
        return;
    }
    restoreChoice();
}

void MarksWindow::restoreChoice() {
    const MarksChoice kept = m_app.marksChoice;
    if (kept.code.isEmpty())
        return;
    // A paper deleted since is not chosen again; a renamed one shows its name of now.
    RecordSet paper = m_app.store.query(Sql::PaperByCode, {{"code", kept.code}});
    if (paper.atEnd())
        return;
    receivePaper(kept.code, paper.text("name"));
    考号组合框->setEditText(kept.student);
    场次组合框->setEditText(kept.state);
}

void MarksWindow::layoutControls(int W, int H) {
    if (!高级表格1 || !汇总表格)
        return;
    高级表格1->resize(W - 30, H - 80);
    for (int c = 0; c < 高级表格1->gridColumnCount(); ++c)
        高级表格1->setGridColumnWidth(c, int(高级表格1->width() * m_app.markShares.value(c)));
    // The overview shares the card's place with the chart of its totals: the rows above, the
    // chart below.
    const QRect place = 高级表格1->geometry();
    const int chartHeight = std::clamp(place.height() * 2 / 5, std::min(place.height() / 2, 160), 320);
    汇总表格->setGeometry(place.adjusted(0, 0, 0, -chartHeight - 6));
    汇总图表->setGeometry(place.x(), 汇总表格->geometry().bottom() + 7, place.width(), chartHeight);
    // The name widest, the candidate number next, the sitting and the counts alike.
    const double overviewShares[] = {0, 0.2, 0.24, 0.18, 0.18, 0.18};
    for (int c = 0; c < 汇总表格->gridColumnCount() && c < 6; ++c)
        汇总表格->setGridColumnWidth(c, int(汇总表格->width() * overviewShares[c]));
}

void MarksWindow::receivePaper(const QString& code, const QString& name) {
    试卷编码透明标签->setText(code);
    试卷超级按钮->setText(name);
    if (!m_unattended)
        m_app.marksChoice.code = code;
}

QString MarksWindow::paperCode() const {
    return 试卷编码透明标签->text();
}

void MarksWindow::choosePaper() {
    runPicker();
}

void MarksWindow::refillCandidates() {
    fillCandidateList(m_app.store, *考号组合框, paperCode());
}

void MarksWindow::refillSittings() {
    fillSittingList(m_app.store, *场次组合框, paperCode(), 考号组合框->currentText());
}

void MarksWindow::toolbarCommand(const QString& caption) {
    if (caption == QStringLiteral("清空"))
        clearSitting();
    else if (caption == QStringLiteral("导出"))
        exportGrid();
    else if (caption == QStringLiteral("评分"))
        markSitting();
    else if (caption == QStringLiteral("汇总"))
        showResultsOverview();
    else if (caption == QStringLiteral("考场"))
        (new LiveBoard(m_app.store, this))->show();
}

bool MarksWindow::overviewShown() const {
    return !汇总表格->isHidden();
}

void MarksWindow::showCardGrid() {
    汇总表格->hide();
    汇总图表->hide();
    高级表格1->show();
}

bool MarksWindow::showResultsOverview() {
    if (试卷超级按钮->text() == QStringLiteral("请点击选择试卷")) {
        MessageBox::info(this, QStringLiteral("请选择试卷"));
        return false;
    }
    const QString state = examKey(场次组合框->currentText());
    m_app.currentSql = {state.isEmpty() ? Sql::PaperResults : Sql::SittingResults, {{"code", paperCode()}}};
    if (!state.isEmpty())
        m_app.currentSql.params.append({"state", state});
    const ResultsOverview overview = readResults(m_app.store, paperCode(), state);
    if (!overview.ok) {
        MessageBox::warn(this, QStringLiteral("没有汇总：%1").arg(overview.error));
        return false;
    }
    fillResultsGrid(*汇总表格, overview.rows);
    QList<double> totals;
    for (const CandidateResult& r : overview.rows)
        totals << r.marks;
    汇总图表->setTotals(totals, state);
    layoutControls(width(), height());
    高级表格1->hide();
    汇总表格->show();
    汇总图表->show();
    return true;
}

void MarksWindow::appendBlankRows(int height) {
    for (int i = 0; i < height / kRowHeight; ++i)
        高级表格1->appendRow();
}

void MarksWindow::clearSitting() {
    if (试卷超级按钮->text() == QStringLiteral("请点击选择试卷")) {
        MessageBox::info(this, QStringLiteral("请选择试卷"));
        return;
    }
    const QString student = examKey(考号组合框->currentText());
    const QString state = examKey(场次组合框->currentText());
    const Params sitting{{"code", paperCode()}, {"student", student}, {"state", state}};
    // What goes is named before it goes: the paper, the candidate, the sitting and how many answers.
    const RecordSet counted = m_app.store.query(Sql::SittingAnswerCount, sitting);
    if (!m_app.store.lastQuerySucceeded()) {
        MessageBox::warn(this, QStringLiteral("没有清空：%1").arg(m_app.store.lastError()));
        return;
    }
    const qint64 answers = qRound64(counted.number(1));
    auto shown = [](const QString& value) { return value.isEmpty() ? QStringLiteral("（空）") : value; };
    const QString paperName = 试卷超级按钮->text();
    const QString which =
        QStringLiteral("试卷：%1\n考号：%2\n场次：%3")
            .arg(paperName == paperCode() ? paperName
                                          : QStringLiteral("%1（%2）").arg(paperName, paperCode()),
                 shown(student), shown(state));
    if (answers == 0) {
        MessageBox::info(this, QStringLiteral("这一场没有答案，不用清空。\n%1").arg(which));
        return;
    }
    if (!MessageBox::confirm(
            this, QStringLiteral("清空本考号评分？\n%1\n将删除这一场的 %2 条答案，删除后不能恢复。")
                      .arg(which)
                      .arg(answers)))
        return;
    m_app.currentSql = {Sql::ClearSitting, sitting};
    if (!m_app.store.execute(m_app.currentSql.id, m_app.currentSql.params)) {
        MessageBox::warn(this, QStringLiteral("没有清空：%1").arg(m_app.store.lastError()));
        return;
    }
    MessageBox::info(this, QStringLiteral("操作完毕，已删除 %1 条答案。").arg(m_app.store.changedRows()));
    // What is on show is read again at once: the overview without the sitting, or its card (now
    // only its total); a card that cannot be built gives way to blank rows.
    if (overviewShown()) {
        showResultsOverview();
        return;
    }
    if (!student.isEmpty() && !state.isEmpty()) {
        markSitting();
        return;
    }
    m_cardCode.clear();
    showCardGrid();
    高级表格1->setGridRowCount(1);
    appendBlankRows(高级表格1->height());
}

void MarksWindow::exportGrid() {
    if (overviewShown()) {
        // The overview keeps print settings of its own: its columns are not the card's.
        const QString file = QStringLiteral("汇总.ini");
        openPrintSettings(m_app, this, 汇总表格, file, QStringLiteral("自由打印导出"), QString(),
                          {QStringLiteral("汇总"), paperCode(), examKey(场次组合框->currentText())});
        attachSpreadsheet(m_app, this, 汇总表格, file);
        return;
    }
    const QString file = windowTitle() + QStringLiteral(".ini");
    openPrintSettings(m_app, this, 高级表格1, file, QStringLiteral("自由打印导出"), QString(),
                      {QStringLiteral("答题卡"), paperCode(), examKey(考号组合框->currentText()),
                       examKey(场次组合框->currentText())});
    attachSpreadsheet(m_app, this, 高级表格1, file);
}

bool MarksWindow::markSitting() {
    if (试卷超级按钮->text() == QStringLiteral("请点击选择试卷")) {
        MessageBox::info(this, QStringLiteral("请选择试卷"));
        return false;
    }
    const QString student = examKey(考号组合框->currentText());
    const QString state = examKey(场次组合框->currentText());
    if (student.isEmpty()) {
        MessageBox::info(this, QStringLiteral("请选择考号"));
        return false;
    }
    if (state.isEmpty()) {
        MessageBox::info(this, QStringLiteral("请选择场次"));
        return false;
    }
    m_app.currentSql = {Sql::AnswerCard, {{"code", paperCode()}, {"student", student}, {"state", state}}};
    m_cardCode = paperCode();
    showCardGrid();
    m_app.lastTotal = buildAnswerCard(m_app.store, m_app.currentSql, m_cardCode, *高级表格1,
                                      [this](const QString& text) { m_host.setStatusText(3, text); });
    // The last statement of a card is the lookup of its last answer's question.
    const int lastAnswer = 高级表格1->gridRowCount() - 2;
    if (lastAnswer >= 1)
        m_app.currentSql = {Sql::CardQuestion,
                            {{"n", 高级表格1->cellText(lastAnswer, 1).toLongLong()}, {"code", m_cardCode}}};
    return true;
}

// Only real answer rows are deleted: rows with a question number, a candidate and a sitting.
void MarksWindow::deleteSelectedRows() {
    const auto [first, last] = 高级表格1->selectedRowRange();
    if (first >= 1 && !m_cardCode.isEmpty()) {
        for (int r = first; r <= last; ++r) {
            bool isNumber = false;
            const qint64 tihao = 高级表格1->cellText(r, 1).toLongLong(&isNumber);
            const QString student = 高级表格1->cellText(r, 5);
            const QString state = 高级表格1->cellText(r, 7);
            if (!isNumber || student.isEmpty() || state.isEmpty())
                continue;
            m_app.currentSql = {Sql::DeleteAnswer,
                                {{"n", tihao}, {"code", m_cardCode}, {"student", student}, {"state", state}}};
            if (!m_app.store.execute(m_app.currentSql.id, m_app.currentSql.params)) {
                MessageBox::warn(this, QStringLiteral("删除没有完成：%1").arg(m_app.store.lastError()));
                return;
            }
        }
    }
    MessageBox::info(this, QStringLiteral("操作完毕,请重新查询"));
}

bool MarksWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == 高级表格1->viewport() && event->type() == QEvent::ContextMenu) {
        const auto* e = static_cast<QContextMenuEvent*>(event);
        文件->popup(e->globalPos() + QPoint(3, 3));
        return true;
    }
    // The grids by keyboard: Enter reads the current row with its headings, Escape goes back to
    // the paper button (the window's first control).
    if ((watched == 高级表格1 || watched == 汇总表格) && event->type() == QEvent::KeyPress) {
        auto* grid = static_cast<Grid*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QString row = grid->rowInWords(grid->currentGridRow());
            a11y::announce(this, row.isEmpty() ? QStringLiteral("空行") : row);
            return true;
        }
        if (key == Qt::Key_Escape) {
            试卷超级按钮->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return WorkWindow::eventFilter(watched, event);
}
