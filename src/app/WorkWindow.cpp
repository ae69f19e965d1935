#include "app/WorkWindow.h"

#include <QResizeEvent>

WorkWindow::WorkWindow(AppState& app, Kind kind, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint), m_app(app), m_kind(kind) {
    setAttribute(Qt::WA_DeleteOnClose);
}

void WorkWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls(width(), height());
}
