#include "shell/WorkWindow.h"

#include "questions/PaperPicker.h"
#include "shell/AppState.h"
#include "shell/WorkHost.h"
#include "ui/Accessibility.h"
#include "ui/ModalLoops.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>

WorkWindow::WorkWindow(AppState& app, WorkHost& host, Kind kind, QWidget* parent)
    : QWidget(parent), m_app(app), m_host(host), m_kind(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Drawn over the host's empty client area.
    setAutoFillBackground(true);
}

void WorkWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls(width(), height());
}

void WorkWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange)
        setAccessibleName(windowTitle());
}

void WorkWindow::closeEvent(QCloseEvent* event) {
    const bool hadDialogs = ModalLoops::closeDialogsOf(this);
    if (hadDialogs || ModalLoops::depth() > 0) {
        event->ignore();
        QTimer::singleShot(20, this, &QWidget::close);
        return;
    }
    QWidget::closeEvent(event);
}

bool WorkWindow::runPicker() {
    PaperPicker picker(m_app.store, this);
    connect(&picker, &PaperPicker::paperChosen, this, [this](const QString& code, const QString& name) {
        receivePaper(code, name);
        m_host.setStatusText(0, name);
        // The paper button of any work window is named after the paper it shows.
        if (auto* button = findChild<QPushButton*>(QStringLiteral("试卷超级按钮")))
            a11y::describe(button, QStringLiteral("试卷：") + button->text());
    });
    return picker.run();
}
