#include "answering/PracticeWindow.h"

#include "answering/AnswerText.h"
#include "answering/PracticeReading.h"
#include "answering/PracticeSchedule.h"
#include "answering/PracticeStatistics.h"
#include "answering/WrongAnswers.h"
#include "marking/Scoring.h"
#include "shell/AppState.h"
#include "shell/WorkHost.h"
#include "printing/PrintHandOver.h"
#include "questions/QuestionReader.h"
#include "questions/QuestionText.h"
#include "questions/RandomDraw.h"
#include "ui/Accessibility.h"
#include "ui/Charts.h"
#include "ui/Gbk.h"
#include "ui/Controls.h"
#include "ui/Grid.h"
#include "ui/KeyBindings.h"
#include "ui/MessageBox.h"
#include "ui/RichBox.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <limits>

PracticeWindow::PracticeWindow(AppState& app, WorkHost& host, QWidget* parent)
    : AnswerWindow(app, host, Kind::Practice, parent) {
    setObjectName(QStringLiteral("练习窗口"));
    setWindowTitle(QStringLiteral("练习"));
    resize(800, 500);

    分组框1 = new QGroupBox(QStringLiteral("工具栏"), this);
    分组框1->setObjectName(QStringLiteral("分组框1"));
    分组框1->setGeometry(10, 8, 774, 56);
    试卷超级按钮 = makeButton(分组框1, QStringLiteral("试卷超级按钮"), QStringLiteral("请点击选择试卷"),
                              {8, 18, 160, 24});
    字体按钮 = makeButton(分组框1, QStringLiteral("字体按钮"), QStringLiteral("字体"), {172, 18, 40, 20});
    顺序单选框 = new QRadioButton(QStringLiteral("顺序"), 分组框1);
    顺序单选框->setObjectName(QStringLiteral("顺序单选框"));
    顺序单选框->setGeometry(217, 18, 48, 24);
    顺序单选框->setChecked(true);
    随机单选框 = new QRadioButton(QStringLiteral("随机"), 分组框1);
    随机单选框->setObjectName(QStringLiteral("随机单选框"));
    随机单选框->setGeometry(275, 18, 48, 24);
    // The drill order beside the other two; the buttons after it move right to make room.
    错题单选框 = new QRadioButton(QStringLiteral("错题"), 分组框1);
    错题单选框->setObjectName(QStringLiteral("错题单选框"));
    错题单选框->setGeometry(333, 18, 48, 24);
    重做按钮 = makeButton(分组框1, QStringLiteral("重做按钮"), QStringLiteral("重做"), {384, 18, 40, 20});
    朗读按钮 = makeButton(分组框1, QStringLiteral("朗读按钮"), QStringLiteral("朗读"), {428, 18, 40, 20});
    暂停按钮 = makeButton(分组框1, QStringLiteral("暂停按钮"), QStringLiteral("暂停"), {469, 18, 40, 20});
    停止按钮 = makeButton(分组框1, QStringLiteral("停止按钮"), QStringLiteral("停止"), {510, 18, 40, 20});
    滑块条语速 = new QSlider(Qt::Horizontal, 分组框1);
    滑块条语速->setObjectName(QStringLiteral("滑块条语速"));
    滑块条语速->setGeometry(554, 20, 144, 18);
    滑块条语速->setRange(-10, 10);
    输出按钮 = makeButton(分组框1, QStringLiteral("输出按钮"), QStringLiteral("输出"), {710, 18, 40, 20});
    // The slider is the one control of the row without a caption: a small one under it.
    auto* speedCaption =
        makeLabel(分组框1, QStringLiteral("sliderCaption"), QStringLiteral("语速"), {554, 37, 144, 14});
    speedCaption->setAlignment(Qt::AlignCenter);

    buildAnswerControls(
        {QRect(10, 71, 774, 264), QRect(10, 341, 776, 120), QRect(8, 16, 760, 56), 520, 547, 574, 613, 641});

    auto* wrongPage = new QWidget;
    auto* answerPage = new QWidget;
    题目区高级选择夹->addTab(wrongPage, QStringLiteral("错题"));
    题目区高级选择夹->addTab(answerPage, QStringLiteral("答案"));
    导出按钮 = makeButton(wrongPage, QStringLiteral("导出按钮"), QStringLiteral("导出"));
    placeOnPage(导出按钮, 16, 28, 50, 20);
    错题高级表格 = new Grid(wrongPage);
    错题高级表格->setObjectName(QStringLiteral("错题高级表格"));
    placeOnPage(错题高级表格, 8, 62, 758, 192);
    标准答案超级编辑框 = new RichBox(answerPage);
    标准答案超级编辑框->setObjectName(QStringLiteral("标准答案超级编辑框"));
    placeOnPage(标准答案超级编辑框, 8, 32, 758, 90);
    解析超级编辑框 = new RichBox(answerPage);
    解析超级编辑框->setObjectName(QStringLiteral("解析超级编辑框"));
    placeOnPage(解析超级编辑框, 8, 127, 758, 130);
    标准答案超级编辑框->setCaption(QStringLiteral("标准答案"));
    解析超级编辑框->setCaption(QStringLiteral("解析"));
    auto* statisticsPage = new QWidget;
    题目区高级选择夹->addTab(statisticsPage, QStringLiteral("统计"));
    // The chart on the left half of the page, the questions most often wrong on the right; both
    // follow the page's size, however small the window.
    统计图表 = new DailyResultsChart(statisticsPage);
    统计图表->setObjectName(QStringLiteral("统计图表"));
    常错题高级表格 = new Grid(statisticsPage);
    常错题高级表格->setObjectName(QStringLiteral("常错题高级表格"));
    常错题高级表格->setMinimumSize(1, 1);
    auto* statisticsLayout = new QHBoxLayout(statisticsPage);
    statisticsLayout->setContentsMargins(8, 8, 8, 8);
    statisticsLayout->setSpacing(6);
    statisticsLayout->addWidget(统计图表, 1);
    statisticsLayout->addWidget(常错题高级表格, 1);

    connect(试卷超级按钮, &QPushButton::clicked, this, &PracticeWindow::choosePaper);
    connect(字体按钮, &QPushButton::clicked, this, &PracticeWindow::chooseFont);
    connect(顺序单选框, &QRadioButton::clicked, this, &PracticeWindow::resetForOrderChange);
    connect(随机单选框, &QRadioButton::clicked, this, &PracticeWindow::resetForOrderChange);
    connect(错题单选框, &QRadioButton::clicked, this, &PracticeWindow::resetForOrderChange);
    connect(保存按钮, &QPushButton::clicked, this, &PracticeWindow::save);
    connect(重做按钮, &QPushButton::clicked, this, &PracticeWindow::redo);
    connect(题目区高级选择夹, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 2)
            showWrongAnswers();
        else if (tab == 3)
            showStandardAnswer();
        else if (tab == 4)
            showStatistics();
    });
    connect(错题高级表格, &Grid::gridRowDoubleClicked, this, &PracticeWindow::jumpToGridRow);
    connect(常错题高级表格, &Grid::gridRowDoubleClicked, this, [this](int row) {
        if (row >= 1 && row < 常错题高级表格->gridRowCount())
            if (const auto number = parseDisplayNumber(常错题高级表格->cellText(row, 0)))
                jumpToQuestion(*number);
    });
    connect(导出按钮, &QPushButton::clicked, this, &PracticeWindow::exportGrid);
    practice_reading::connectControls(*this);

    keys().bind(朗读按钮, {QKeySequence(Qt::Key_F5)}, QStringLiteral("朗读本题"));
    keys().bind(停止按钮, {QKeySequence(Qt::Key_F6)}, QStringLiteral("停止朗读"));
    bindKeys();
    describePracticeControls();
}

void PracticeWindow::describePracticeControls() {
    a11y::describe(this, windowTitle());
    a11y::describe(分组框1, QStringLiteral("工具栏"));
    a11y::describe(字体按钮, QStringLiteral("字体"), QStringLiteral("题目和答案的字体；Ctrl+加号、Ctrl+减号、Ctrl+0 调整文字大小"));
    a11y::describe(顺序单选框, QStringLiteral("顺序"), QStringLiteral("按题号顺序练习（方向键在顺序、随机、错题间切换）"));
    a11y::describe(随机单选框, QStringLiteral("随机"), QStringLiteral("按随机顺序练习"));
    a11y::describe(错题单选框, QStringLiteral("错题"), QStringLiteral("复习到期的错题"));
    a11y::describe(重做按钮, QStringLiteral("重做"), QStringLiteral("删除本试卷已做的全部答案（先询问）"));
    a11y::describe(朗读按钮, QStringLiteral("朗读"),
                   朗读按钮->toolTip() + QStringLiteral("；菜单键：读屏时程序也朗读判题和提醒"));
    读屏也朗读动作 = new QAction(QStringLiteral("读屏时程序也朗读判题和提醒\tCtrl+Shift+V"), 朗读按钮);
    读屏也朗读动作->setObjectName(QStringLiteral("读屏也朗读动作"));
    读屏也朗读动作->setCheckable(true);
    读屏也朗读动作->setChecked(a11y::voiceWithScreenReader());
    朗读按钮->addAction(读屏也朗读动作);
    朗读按钮->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(读屏也朗读动作, &QAction::triggered, this, [this] { toggleVoice(); });
    朗读按钮->installEventFilter(this);
    a11y::describe(暂停按钮, QStringLiteral("暂停"), QStringLiteral("暂停或继续朗读"));
    a11y::describe(停止按钮, QStringLiteral("停止"), 停止按钮->toolTip());
    a11y::describe(滑块条语速, QStringLiteral("语速"), QStringLiteral("朗读的快慢，方向键调整"));
    a11y::describe(输出按钮, QStringLiteral("输出"), QStringLiteral("把本题的朗读保存为声音文件"));
    a11y::describe(导出按钮, QStringLiteral("导出"), QStringLiteral("打印或导出错题表"));
    a11y::describe(错题高级表格, QStringLiteral("错题"),
                   QStringLiteral("做错的题，方向键移动，回车显示该题，Esc 回到答案框"));
    a11y::describe(常错题高级表格, QStringLiteral("常错题"),
                   QStringLiteral("最常做错的题，方向键移动，回车显示该题，Esc 回到答案框"));
    a11y::describe(标准答案超级编辑框, QStringLiteral("标准答案"));
    a11y::describe(解析超级编辑框, QStringLiteral("解析"));
    错题高级表格->installEventFilter(this);
    常错题高级表格->installEventFilter(this);
}

QWidget* PracticeWindow::pageFocus(int tab) const {
    switch (tab) {
    case 2:
        return 错题高级表格;
    case 3:
        return 标准答案超级编辑框;
    case 4:
        return 常错题高级表格;
    default:
        return AnswerWindow::pageFocus(tab);
    }
}

bool PracticeWindow::eventFilter(QObject* watched, QEvent* event) {
    // The menu shows the setting as it is now (Ctrl+Shift+V may have changed it).
    if (watched == 朗读按钮 && event->type() == QEvent::ContextMenu)
        读屏也朗读动作->setChecked(a11y::voiceWithScreenReader());
    // The lists by keyboard: Enter shows the question of the row, Escape goes back to the answer.
    if ((watched == 错题高级表格 || watched == 常错题高级表格) && event->type() == QEvent::KeyPress) {
        auto* grid = static_cast<Grid*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const int row = grid->currentGridRow();
            if (row >= 1)
                emit grid->gridRowDoubleClicked(row);
            答案超级编辑框->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (key == Qt::Key_Escape) {
            题目区高级选择夹->setCurrentIndex(0);
            答案超级编辑框->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return AnswerWindow::eventFilter(watched, event);
}

void PracticeWindow::setUp() {
    m_app.currentWorkWindow = this;
    // The wrong-answer grid: the heading row and four columns.
    错题高级表格->setGridColumnCount(4);
    错题高级表格->setGridRowCount(1);
    const char* headings[] = {"题号", "题目", "标准答案", "答案"};
    const int widths[] = {30, 500, 100, 100};
    for (int c = 0; c < 4; ++c) {
        错题高级表格->setCell(0, c, QString::fromUtf8(headings[c]));
        错题高级表格->setGridColumnWidth(c, widths[c]);
    }
    review::setUpOftenWrongGrid(*常错题高级表格);
    setWindowTextSize(m_app.textFormat);
    applyTextFormat();
    m_host.placeAndLayout(*this);
    // The demo bank's first paper is "1"; a bank without one opens on no paper.
    const RecordSet first = m_app.store.query(Sql::PaperByCode, {{"code", QStringLiteral("1")}});
    if (!first.atEnd()) {
        setPaper(QStringLiteral("1"), first.text("name"));
        m_host.setStatusText(0, first.text("name"));
        题号编辑框->setText(QStringLiteral("1"));
        showQuestion();
    }
    showReviewCount();
}

void PracticeWindow::closeEvent(QCloseEvent* event) {
    AnswerWindow::closeEvent(event);
    if (!event->isAccepted())
        return;
    practice_reading::leave(*this);
    m_host.setStatusText(1, QString());
}

void PracticeWindow::layoutControls(int W, int H) {
    if (!题目区高级选择夹)
        return;
    layoutAnswerArea(W, H);
    错题高级表格->resize(W - 40, H - 290);
    // The question column takes what the grid gains beyond its design width of 758.
    if (错题高级表格->gridColumnCount() > 1)
        错题高级表格->setGridColumnWidth(1, 500 + qMax(0, 错题高级表格->width() - 758));
    if (H - 350 >= 90) {
        placeOnPage(标准答案超级编辑框, 8, 32, W - 40, 90);
        placeOnPage(解析超级编辑框, 8, 127, W - 40, H - 350);
    } else {
        // Lower than the explanation box can keep its place for (it would shrink to nothing): the
        // two boxes share what the page has.
        const int each = qMax(0, (H - 255 - 5) / 2);
        placeOnPage(标准答案超级编辑框, 8, 32, W - 40, each);
        placeOnPage(解析超级编辑框, 8, 32 + each + 5, W - 40, each);
    }
    // The question column of the statistics table takes what its half of the page has beyond the
    // other columns (40 + 60 + 60 + 80) and the frame.
    常错题高级表格->setGridColumnWidth(1, qMax(120, (W - 62) / 2 - 246));
}

QList<RichBox*> PracticeWindow::formattedBoxes() const {
    return {题目超级编辑框, 答案超级编辑框, 标准答案超级编辑框, 解析超级编辑框};
}

// The drill order is kept in the practice order list as the random order is: Q(n) is element n − 1.
bool PracticeWindow::randomOrder() const {
    return 随机单选框->isChecked() || 错题单选框->isChecked();
}
bool PracticeWindow::drillOrder() const {
    return 错题单选框->isChecked();
}
qint64 PracticeWindow::today() const {
    return m_app.clock().date().toJulianDay();
}
const QList<int>& PracticeWindow::order() const {
    return m_app.practiceOrder;
}

qint64 PracticeWindow::bound() const {
    if (drillOrder())
        return m_app.practiceOrder.size();
    RecordSet rs = m_app.store.query(Sql::LastQuestion, {{"code", paperCode()}});
    return rs.integer(QStringLiteral("最大值"));
}

void PracticeWindow::showQuestion() {
    const auto q = displayedQuestion();
    if (!q)
        return;
    RecordSet rs = m_app.store.query(Sql::Question, {{"code", paperCode()}, {"n", *q}});
    showPicture(rs.text("pic"));
    题目超级编辑框->setBoxText(formatQuestionText(rs.text("question")));
    答案超级编辑框->setBoxText(rs.text("practice"));
    标准答案超级编辑框->setBoxText(QString());
    解析超级编辑框->setBoxText(QString());
    markShown();
    practice_reading::follow(*this);
}

void PracticeWindow::choosePaper() {
    if (runPicker())
        forgetVerdict();
    buildOrder();
}

void PracticeWindow::buildOrder() {
    m_host.setStatusText(2, QString());
    题号编辑框->clear();
    forgetShown();
    m_app.practiceOrder.clear();
    if (随机单选框->isChecked()) {
        const int n = m_app.store.query(Sql::QuestionsOfPaper, {{"code", paperCode()}}).rowCount();
        m_app.practiceOrder = randomDraw(n, n, clockSeed(m_app.tickSource(), m_app.seedCounter));
    } else if (drillOrder() && !buildDrillOrder()) {
        showReviewCount();
        return;
    }
    if (题号编辑框->text().isEmpty()) {
        题号编辑框->setText(QStringLiteral("1"));
        showQuestion();
    }
    showReviewCount();
}

bool PracticeWindow::buildDrillOrder() {
    m_app.practiceOrder.clear();
    QString why = QStringLiteral("这个题库没有练习记录，无法按错题复习。");
    if (m_app.store.keepsHistory()) {
        for (qint64 q : review::dueQuestions(m_app.store, paperCode(), today()))
            m_app.practiceOrder << int(q);
        if (!m_app.practiceOrder.isEmpty())
            return true;
        why = review::nothingDueMessage(review::nextDue(m_app.store, paperCode(), today()), today());
    }
    // No question of the order is on screen, before the message too: nothing shown can be
    // answered by mistake.
    题号编辑框->clear();
    forgetShown();
    题目超级编辑框->setBoxText(QString());
    答案超级编辑框->setBoxText(QString());
    clearPicture();
    MessageBox::info(this, why);
    return false;
}

void PracticeWindow::resetForOrderChange() {
    forgetVerdict();
    m_host.setStatusText(0, QString());
    m_host.setStatusText(2, QString());
    试卷超级按钮->setText(QStringLiteral("请点击选择试卷"));
    namePaperButton();
    题号编辑框->clear();
    forgetShown();
    题目超级编辑框->setBoxText(QString());
    答案超级编辑框->setBoxText(QString());
    clearPicture();
}

void PracticeWindow::save() {
    if (!requireShownQuestion())
        return;
    const auto q = displayedQuestion();
    if (!q) {
        tellBadPosition();
        return;
    }
    if (!gbk::canEncode(答案超级编辑框->boxText())) {
        tellUnsavableAnswer();
        return;
    }
    // A position without a question would save nothing: say so rather than move on.
    const RecordSet exists = m_app.store.query(Sql::QuestionExists, {{"code", paperCode()}, {"n", *q}});
    if (!exists.atEnd() && exists.number(1) == 0) {
        MessageBox::info(this, QStringLiteral("本试卷没有第 %1 题，答案没有保存。").arg(*q));
        return;
    }
    const QString a = answer::normalise(答案超级编辑框->boxText());
    Store& store = m_app.store;
    const RecordSet question = store.query(Sql::Question, {{"code", paperCode()}, {"n", *q}});
    const QString standard = question.text("authority");
    const documents::TypeRule rule =
        scoring::readRules(store, paperCode()).of(scoring::questionType(question.text("tixing"), standard));
    // The answer and its history row are saved together or not at all. An empty answer clears
    // the question's answer: it is no attempt, and the history does not count it.
    const bool saved = store.inTransaction([&] {
        if (!store.execute(Sql::SavePractice, {{"answer", a}, {"code", paperCode()}, {"n", *q}}))
            return false;
        if (a.isEmpty() || !store.keepsHistory())
            return true;
        const bool right = answer::matches(a, standard);
        const QDateTime now = m_app.clock();
        return store.execute(Sql::AppendPractice, {{"code", paperCode()},
                                                   {"n", *q},
                                                   {"answer", a},
                                                   {"correct", right ? 1 : 0},
                                                   {"answered", review::timeText(now)}}) &&
               review::recordAnswer(store, paperCode(), *q, now.date().toJulianDay(), right);
    });
    if (!saved) {
        MessageBox::warn(this, QStringLiteral("答案没有保存：%1").arg(store.lastError()));
        return;
    }
    // The last question of a drill round: the next round holds what is still due.
    const bool endOfRound = drillOrder() && displayPosition().value_or(0) >= bound();
    const QString told = practice_reading::verdict(a, standard, rule);
    practice_reading::tellVerdict(*this, told);
    showVerdict(told);
    showProgress();
    // The boxes follow the answer box: the next question's answer, or this one's when none follows.
    syncOptionBoxes();
    if (!endOfRound) {
        next();
    } else {
        题号编辑框->clear();
        forgetShown();
        if (buildDrillOrder()) {
            题号编辑框->setText(QStringLiteral("1"));
            showQuestion();
        }
    }
    tellPendingNotice();
    practice_reading::sayUnheardVerdict(*this);
    if (题目区高级选择夹->currentIndex() == 4)
        showStatistics();
}

void PracticeWindow::redo() {
    if (!MessageBox::confirm(this, QStringLiteral("这会删除本试卷已做的全部答案,真的想重新做本试卷么")))
        return;
    if (!m_app.store.execute(Sql::ClearPractice, {{"code", paperCode()}})) {
        MessageBox::warn(this, QStringLiteral("答案没有清除：%1").arg(m_app.store.lastError()));
        return;
    }
    // The question on screen has no answer any more: its box and ticks say so.
    答案超级编辑框->setBoxText(QString());
    forgetVerdict();
    showProgress();
}

void PracticeWindow::showVerdict(const QString& verdict) {
    m_verdict = verdict;
    tellWithNextQuestion(verdict);
    const QuestionReader* reader = m_app.reader;
    if (!reader || !reader->reading())
        m_host.setStatusText(1, verdict);
}

void PracticeWindow::forgetVerdict() {
    if (!m_verdict.isEmpty() && m_host.statusText(1) == m_verdict)
        m_host.setStatusText(1, QString());
    m_verdict.clear();
}

PracticeProgress practiceProgress(Store& store, const QString& code) {
    PracticeProgress p;
    // Counted after every save: only the two columns it needs, row by row.
    store.forEachRow(Sql::PaperPractice, {{"code", code}}, [&p](const RowReader& row) {
        ++p.questions;
        const QString practice = valueread::text(row.value(0));
        if (practice.isEmpty())
            return;
        ++p.answered;
        if (!answer::matches(practice, valueread::text(row.value(1))))
            ++p.wrong;
    });
    return p;
}

PracticeProgress PracticeWindow::progress() const {
    return practiceProgress(m_app.store, paperCode());
}

QString progressText(const PracticeProgress& p) {
    return QStringLiteral("已答 %1/%2，错 %3").arg(p.answered).arg(p.questions).arg(p.wrong);
}

// "已答 12/30，错 3，待复习 2 题": the review count follows the progress.
void PracticeWindow::showProgress() {
    QString text = progressText(progress());
    if (m_app.store.keepsHistory())
        text +=
            QStringLiteral("，") + review::reviewStatus(review::dueCount(m_app.store, paperCode(), today()));
    // While panel 1 tells the reading state, the verdict on the last save stands here.
    if (!m_verdict.isEmpty() && m_app.reader && m_app.reader->reading())
        text = m_verdict + QStringLiteral("；") + text;
    m_host.setStatusText(2, text);
}

void PracticeWindow::showWrongAnswers() {
    if (paperCode().isEmpty()) {
        MessageBox::info(this, QStringLiteral("请先选择试卷"));
        return;
    }
    buildWrongAnswerList(m_app.store, paperCode(), *错题高级表格);
}

void PracticeWindow::showStandardAnswer() {
    if (paperCode().isEmpty()) {
        MessageBox::info(this, QStringLiteral("请先选择试卷"));
        return;
    }
    const auto q = displayedQuestion();
    if (!q)
        return;
    RecordSet rs = m_app.store.query(Sql::Question, {{"code", paperCode()}, {"n", *q}});
    标准答案超级编辑框->setBoxText(rs.text("authority"));
    解析超级编辑框->setBoxText(rs.text("jiexi"));
}

// A jump from the wrong-answer list. In random order the question box keeps holding a display
// position: the position of that question in the order, so later saves and steps stay on it.
void PracticeWindow::jumpToGridRow(int row) {
    if (row < 1 || row >= 错题高级表格->gridRowCount())
        return;
    if (const auto number = parseDisplayNumber(错题高级表格->cellText(row, 0)))
        jumpToQuestion(*number);
}

void PracticeWindow::jumpToQuestion(qint64 number) {
    RecordSet rs = m_app.store.query(Sql::Question, {{"code", paperCode()}, {"n", number}});
    if (randomOrder()) {
        int index = m_app.practiceOrder.indexOf(int(number));
        // A question the drill does not hold (not due today) joins it at its end, so it has a
        // position that saves and steps can act on.
        if (index < 0 && drillOrder() && !rs.atEnd() && number >= 1 &&
            number <= std::numeric_limits<int>::max()) {
            m_app.practiceOrder << int(number);
            index = int(m_app.practiceOrder.size()) - 1;
        }
        题号编辑框->setText(index < 0 ? QString() : QString::number(index + 1));
    } else {
        题号编辑框->setText(QString::number(number));
    }
    答案超级编辑框->setBoxText(rs.text("practice"));
    // The picture tab follows the question too.
    showPicture(rs.text("pic"));
    题目区高级选择夹->setCurrentIndex(0);
    题目超级编辑框->setBoxText(formatQuestionText(rs.text("question")));
    markShown();
}

void PracticeWindow::showStatistics() {
    if (paperCode().isEmpty()) {
        MessageBox::info(this, QStringLiteral("请先选择试卷"));
        return;
    }
    统计图表->setDays(review::dailyResults(m_app.store, paperCode(), m_app.clock().date()));
    review::fillOftenWrongGrid(*常错题高级表格, m_app.store, paperCode(),
                               review::mostOftenWrong(review::readCards(m_app.store, paperCode())), today());
}

void PracticeWindow::showReviewCount() {
    if (paperCode().isEmpty() || !m_app.store.keepsHistory()) {
        m_host.setStatusText(2, QString());
        return;
    }
    m_host.setStatusText(2, review::reviewStatus(review::dueCount(m_app.store, paperCode(), today())));
}

void PracticeWindow::exportGrid() {
    const QString file = windowTitle() + QStringLiteral(".ini");
    // The list's 题号 is its column 0, and its last row is a question like the others.
    openPrintSettings(m_app, this, 错题高级表格, file, QStringLiteral("自由打印导出"), QString(),
                      {QStringLiteral("错题"), paperCode()}, PrintShape{0, false});
    attachSpreadsheet(m_app, this, 错题高级表格, file);
}
