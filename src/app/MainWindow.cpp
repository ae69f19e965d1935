#include "app/MainWindow.h"

#include "app/BankOpening.h"
#include "app/Skin.h"
#include "shell/WorkWindow.h"
#include "answering/PracticeWindow.h"
#include "exam/ExamWindow.h"
#include "marking/InfoWindow.h"
#include "marking/MarksWindow.h"
#include "questions/QuestionReader.h"
#include "ui/StatusPanels.h"

#include <QAction>
#include <QElapsedTimer>
#include <QToolBar>
#include <QToolButton>

MainWindow::MainWindow(const QString& programDir, QWidget* parent)
    : QMainWindow(parent), m_app(std::make_unique<AppState>()) {
    m_app->programDir = programDir;
    m_app->mainWindow = this;
    m_app->reader = new QuestionReader(*m_app, this);
    // Milliseconds since system start, as a 32-bit count.
    m_app->tickSource = [] {
        QElapsedTimer t;
        t.start();
        return quint32(quint64(t.msecsSinceReference()));
    };
    setObjectName(QStringLiteral("启动窗口"));
    resize(810, 600);

    _启动工具条 = new QToolBar(this);
    _启动工具条->setObjectName(QStringLiteral("_启动工具条"));
    _启动工具条->setMovable(false);
    _启动工具条->setFloatable(false);
    _启动工具条->setToolButtonStyle(Qt::ToolButtonTextOnly);
    struct Button {
        const char* caption;
        const char* tip;
    };
    // "练习" has no tip of its own.
    const Button buttons[] = {{"考试", "考试"}, {"练习", ""}, {"评分", "评分"}};
    for (const Button& b : buttons) {
        QAction* a = _启动工具条->addAction(QString::fromUtf8(b.caption));
        a->setToolTip(QString::fromUtf8(b.tip));
        const QString caption = a->text();
        connect(a, &QAction::triggered, this, [this, caption] { switchWorkWindow(caption); });
    }
    addToolBar(Qt::TopToolBarArea, _启动工具条);

    状态条1 = new StatusPanels(this);
    状态条1->setObjectName(QStringLiteral("状态条1"));
    setStatusBar(状态条1);
    状态条1->setPanels({300, 150, 100, 197});

    openBank();
    applySkin();
    setWindowTitle(QStringLiteral("Veltaro语音读题-提高效率解放眼睛"));
    switchWorkWindow(QStringLiteral("练习"));
}

MainWindow::~MainWindow() {
    // Work windows reach the program-wide values until they go: close them first.
    delete m_info.data();
    delete m_exam.data();
    delete m_practice.data();
    delete m_marks.data();
}

void MainWindow::openBank() {
    openQuestionBank(*m_app, this);
}

void MainWindow::setStatusText(int panel, const QString& text) {
    状态条1->setText(panel, text);
}
QString MainWindow::statusText(int panel) const {
    return 状态条1->text(panel);
}

ExamWindow* MainWindow::examWindow() const {
    return m_exam && m_exam->isVisible() ? m_exam.data() : nullptr;
}
PracticeWindow* MainWindow::practiceWindow() const {
    return m_practice && m_practice->isVisible() ? m_practice.data() : nullptr;
}
MarksWindow* MainWindow::marksWindow() const {
    return m_marks && m_marks->isVisible() ? m_marks.data() : nullptr;
}
InfoWindow* MainWindow::infoWindow() const {
    return m_info && m_info->isVisible() ? m_info.data() : nullptr;
}

WorkWindow* MainWindow::openWorkWindow() const {
    if (ExamWindow* w = examWindow())
        return w;
    if (MarksWindow* w = marksWindow())
        return w;
    if (PracticeWindow* w = practiceWindow())
        return w;
    return nullptr;
}

void MainWindow::switchWorkWindow(const QString& caption) {
    enum { None, Exam, Practice, Marks } chosen = None;
    if (caption == QStringLiteral("考试"))
        chosen = Exam;
    else if (caption == QStringLiteral("练习"))
        chosen = Practice;
    else if (caption == QStringLiteral("评分"))
        chosen = Marks;
    if (chosen == None)
        return;
    if (auto* current = qobject_cast<QWidget*>(m_app->currentWorkWindow.data());
        current && current->isVisible())
        current->close();
    switch (chosen) {
    case Exam:
        m_exam = new ExamWindow(*m_app, this);
        m_exam->show();
        m_exam->setUp();
        bringUp(m_exam);
        break;
    case Practice:
        m_practice = new PracticeWindow(*m_app, this);
        m_practice->show();
        m_practice->setUp();
        bringUp(m_practice);
        break;
    case Marks:
        createMarksWindow();
        break;
    case None:
        break;
    }
}

void MainWindow::placeWorkWindow() {
    if (WorkWindow* w = openWorkWindow()) {
        const QRect g = geometry();
        w->move(g.x(), g.y() + 55);
    }
}

void MainWindow::sizeWorkWindow() {
    if (WorkWindow* w = openWorkWindow())
        w->resize(width(), height() - 100);
}

void MainWindow::placeAndLayoutWorkWindow() {
    placeWorkWindow();
    sizeWorkWindow();
    if (WorkWindow* w = openWorkWindow())
        w->layoutControls(w->width(), w->height());
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The work window opened during start-up lies over the main window once both are shown.
    if (WorkWindow* w = openWorkWindow()) {
        placeAndLayoutWorkWindow();
        bringUp(w);
    }
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    placeWorkWindow();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    sizeWorkWindow();
    if (WorkWindow* w = openWorkWindow())
        w->layoutControls(w->width(), w->height());
}

void MainWindow::applyPaperChoice(const QString& code, const QString& name) {
    WorkWindow* target = examWindow();
    if (!target)
        target = practiceWindow();
    if (!target)
        target = marksWindow();
    if (!target)
        return;
    target->receivePaper(code, name);
    setStatusText(0, name);
}

void MainWindow::createMarksWindow() {
    m_marks = new MarksWindow(*m_app, this);
    m_marks->show();
    m_marks->setUp();
    bringUp(m_marks);
}

// A new work window comes up over the main window and takes the keyboard.
void MainWindow::bringUp(QWidget* w) {
    if (w && w->isVisible()) {
        w->raise();
        w->activateWindow();
    }
}

void MainWindow::setInfoWindow(InfoWindow* w) {
    m_info = w;
}
