#include "shell/WorkWindow.h"

#include "shell/AppState.h"
#include "app/MainWindow.h"
#include "questions/PaperPicker.h"

#include <QResizeEvent>

WorkWindow::WorkWindow(AppState& app, Kind kind, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint), m_app(app), m_kind(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
}

void WorkWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls(width(), height());
}

bool WorkWindow::runPicker() {
    PaperPicker picker(m_app.store, this);
    connect(&picker, &PaperPicker::paperChosen, this, [this](const QString& code, const QString& name) {
        if (m_app.mainWindow)
            m_app.mainWindow->applyPaperChoice(code, name);
        else
            receivePaper(code, name);
    });
    return picker.run();
}
