#include "app/MainWindow.h"

#include "answering/PracticeWindow.h"
#include "app/BankOpening.h"
#include "app/Skin.h"
#include "app/WindowPlacement.h"
#include "bank/BankWindow.h"
#include "exam/ExamWindow.h"
#include "marking/InfoWindow.h"
#include "marking/MarksWindow.h"
#include "questions/QuestionReader.h"
#include "shell/WorkWindow.h"
#include "ui/Icons.h"
#include "ui/MessageBox.h"
#include "ui/ModalLoops.h"
#include "ui/StatusPanels.h"
#include "ui/UserSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {
constexpr int kWorkTop = 55;
constexpr int kWorkHeightLess = 100;
// The answer card's progress shows here while a card is built; the store's name at all other times.
constexpr int kStorePanel = 3;
} // namespace

MainWindow::MainWindow(const QString& programDir, QWidget* parent)
    : MainWindow(programDir, QString(), parent) {}

MainWindow::MainWindow(const QString& programDir, const QString& databaseUrl, QWidget* parent)
    : QMainWindow(parent), m_app(std::make_unique<AppState>()) {
    m_app->programDir = programDir;
    m_app->databaseUrl = databaseUrl;
    m_app->reader = new QuestionReader(this);
    recallTextFormat(m_app->textFormat);
    // Milliseconds since system start, as a 32-bit count.
    m_app->tickSource = [] {
        QElapsedTimer t;
        t.start();
        return quint32(quint64(t.msecsSinceReference()));
    };
    setObjectName(QStringLiteral("启动窗口"));
    setMinimumSize(placement::minimumSize());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(placement::firstGeometry(screen->availableGeometry()));

    _启动工具条 = new QToolBar(this);
    _启动工具条->setObjectName(QStringLiteral("_启动工具条"));
    _启动工具条->setMovable(false);
    _启动工具条->setFloatable(false);
    _启动工具条->setIconSize(QSize(24, 24));
    // One line per button: caption, what it does, its key, a desktop icon name and our own drawing.
    const QList<ToolButton> buttons = {
        {"考试", "考试：选择试卷，填好考号和场次后计时作答", QKeySequence(Qt::CTRL | Qt::Key_1),
         "appointment-soon", "exam"},
        {"练习", "练习：逐题作答，查看错题、标准答案和解析", QKeySequence(Qt::CTRL | Qt::Key_2),
         "accessories-text-editor", "practice"},
        {"评分", "评分：按考号和场次查看答题卡和得分", QKeySequence(Qt::CTRL | Qt::Key_3),
         "tools-check-spelling", "marks"},
        {"题库", "题库：添加、修改和删除试卷与题目，导入或导出工作簿", QKeySequence(Qt::CTRL | Qt::Key_4),
         "accessories-dictionary", "bank"},
    };
    for (QAction* a : addToolButtons(*_启动工具条, buttons)) {
        const QString caption = a->text();
        connect(a, &QAction::triggered, this, [this, caption] { switchWorkWindow(caption); });
    }
    addToolBar(Qt::TopToolBarArea, _启动工具条);

    状态条1 = new StatusPanels(this);
    状态条1->setObjectName(QStringLiteral("状态条1"));
    setStatusBar(状态条1);
    状态条1->setPanels({300, 150, 100, 197});
    connect(m_app->reader, &QuestionReader::statusText, this, &MainWindow::setStatusText);

    const BankOpened opened = openQuestionBank(*m_app, this);
    // Which bank the answers go to, in sight all the time: a classroom computer that was meant to
    // use the server but opened a file of its own is seen at once.
    m_storeName = m_app->store.isOpen() ? m_app->store.displayName() : QStringLiteral("没有打开题库");
    状态条1->setToolTip(kStorePanel, m_app->store.isOpen() ? m_app->store.fullName() : QString());
    setStatusText(kStorePanel, QString());
    applySkin();
    setWindowTitle(QStringLiteral("Veltaro语音读题-提高效率解放眼睛"));
    // A bank made empty just now is filled in the bank window.
    switchWorkWindow(opened == BankOpened::CreatedEmpty ? QStringLiteral("题库") : QStringLiteral("练习"));
}

MainWindow::~MainWindow() {
    // Work windows reach the program-wide values until they go: close them first.
    delete m_info.data();
    delete m_exam.data();
    delete m_practice.data();
    delete m_marks.data();
    delete m_bank.data();
}

void MainWindow::setStatusText(int panel, const QString& text) {
    状态条1->setText(panel, panel == kStorePanel && text.isEmpty() ? m_storeName : text);
}
QString MainWindow::statusText(int panel) const {
    return 状态条1->text(panel);
}

ExamWindow* MainWindow::examWindow() const {
    return m_exam && m_exam->isOpen() ? m_exam.data() : nullptr;
}
PracticeWindow* MainWindow::practiceWindow() const {
    return m_practice && m_practice->isOpen() ? m_practice.data() : nullptr;
}
MarksWindow* MainWindow::marksWindow() const {
    return m_marks && m_marks->isOpen() ? m_marks.data() : nullptr;
}
BankWindow* MainWindow::bankWindow() const {
    return m_bank && m_bank->isOpen() ? m_bank.data() : nullptr;
}
InfoWindow* MainWindow::infoWindow() const {
    return m_info && !m_info->isHidden() ? m_info.data() : nullptr;
}

WorkWindow* MainWindow::openWorkWindow() const {
    if (ExamWindow* w = examWindow())
        return w;
    if (MarksWindow* w = marksWindow())
        return w;
    if (PracticeWindow* w = practiceWindow())
        return w;
    if (BankWindow* w = bankWindow())
        return w;
    return nullptr;
}

MainWindow::Leave MainWindow::leaveExam() {
    ExamWindow* exam = examWindow();
    if (!exam || !exam->running() || exam->ended())
        return Leave::NoExam;
    if (!MessageBox::ask(this, QStringLiteral("考试正在进行。离开考试将交卷：已保存的答案都会保留并评分，"
                                              "答案框中没有保存的答案不计。\n确定交卷并离开考试吗？")))
        return Leave::Stay;
    // The time may have run out while the question was open: the exam has ended already.
    if (ExamWindow* still = examWindow(); still && !still->ended())
        still->endExam(false);
    return Leave::Ended;
}

bool MainWindow::switchWorkWindow(const QString& caption) {
    enum { None, Exam, Practice, Marks, Bank } chosen = None;
    if (caption == QStringLiteral("考试"))
        chosen = Exam;
    else if (caption == QStringLiteral("练习"))
        chosen = Practice;
    else if (caption == QStringLiteral("评分"))
        chosen = Marks;
    else if (caption == QStringLiteral("题库"))
        chosen = Bank;
    if (chosen == None)
        return false;
    if (leaveExam() == Leave::Stay)
        return false;
    if (auto* current = qobject_cast<WorkWindow*>(m_app->currentWorkWindow.data());
        current && current->isOpen())
        current->close();
    // The paper's name and the practice progress belong to the window that showed them.
    setStatusText(0, QString());
    setStatusText(2, QString());
    switch (chosen) {
    case Exam:
        m_exam = new ExamWindow(*m_app, *this, this);
        m_exam->show();
        m_exam->setUp();
        bringUp(m_exam);
        break;
    case Practice:
        m_practice = new PracticeWindow(*m_app, *this, this);
        m_practice->show();
        m_practice->setUp();
        bringUp(m_practice);
        break;
    case Marks:
        openMarksWindow();
        break;
    case Bank:
        m_bank = new BankWindow(*m_app, *this, this);
        m_bank->show();
        m_bank->setUp();
        bringUp(m_bank);
        break;
    case None:
        break;
    }
    return true;
}

void MainWindow::placeAndLayout(WorkWindow& window) {
    window.setGeometry(0, kWorkTop, width(), height() - kWorkHeightLess);
    window.layoutControls(window.width(), window.height());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // Every open work window follows (its own resize event lays out its controls).
    for (WorkWindow* w : {static_cast<WorkWindow*>(examWindow()), static_cast<WorkWindow*>(marksWindow()),
                          static_cast<WorkWindow*>(practiceWindow()), static_cast<WorkWindow*>(bankWindow())})
        if (w)
            w->setGeometry(0, kWorkTop, width(), height() - kWorkHeightLess);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A dialog is still waiting for an answer: the program stays until it is answered.
    if (ModalLoops::depth() > 0) {
        event->ignore();
        return;
    }
    switch (leaveExam()) {
    case Leave::Stay:
        event->ignore();
        return;
    case Leave::Ended:
        // The exam has just ended: its result is shown first, and the program ends when the
        // user closes it.
        if (infoWindow()) {
            m_closeAfterResult = true;
            event->ignore();
            return;
        }
        break;
    case Leave::NoExam:
        break;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::showExamResult() {
    if (m_info)
        m_info->close();
    auto* info = new InfoWindow(*m_app, *this, this);
    m_info = info;
    connect(info, &QDialog::finished, this, [this] {
        if (m_closeAfterResult) {
            m_closeAfterResult = false;
            QTimer::singleShot(0, this, &QWidget::close);
        }
    });
    info->show();
    info->setUp();
}

void MainWindow::openMarksWindow() {
    m_marks = new MarksWindow(*m_app, *this, this);
    m_marks->show();
    m_marks->setUp();
    if (m_marks && m_marks->isOpen())
        bringUp(m_marks);
}

QString MainWindow::examPaperInProgress() const {
    const ExamWindow* exam = examWindow();
    return exam && exam->running() && !exam->ended() ? exam->paperCode() : QString();
}

bool MainWindow::resultWindowOpen() const {
    return infoWindow() != nullptr;
}

void MainWindow::showResultTotal(const QString& total) {
    if (InfoWindow* info = infoWindow())
        info->showTotal(total);
}

// A new work window lies above the others and takes the keyboard.
void MainWindow::bringUp(WorkWindow* w) {
    if (w && w->isOpen()) {
        w->raise();
        w->setFocus();
    }
}
