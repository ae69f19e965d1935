#include "ui/DialogPlacement.h"

#include "ui/ModalLoops.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

void centreOver(QWidget* window, const QWidget* caller) {
    const bool over = caller && caller->isVisible();
    QScreen* screen = over ? caller->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    // The frame the window system adds: the window's own once shown, else as around the caller's.
    const QWidget* framed = window->isVisible() || !caller ? window : caller->window();
    const QSize frame = framed->frameGeometry().size() - framed->size();
    QRect placed(QPoint(), window->size() + frame);
    placed.moveCenter(over ? caller->mapToGlobal(caller->rect().center()) : available.center());
    if (available.isValid()) {
        // Keep the title bar on the screen: the top-left corner wins when the window is larger.
        placed.moveRight(qMin(placed.right(), available.right()));
        placed.moveBottom(qMin(placed.bottom(), available.bottom()));
        placed.moveLeft(qMax(placed.left(), available.left()));
        placed.moveTop(qMax(placed.top(), available.top()));
    }
    window->move(placed.topLeft());
}

void prepareQtDialog(QDialog* dialog, QWidget* caller) {
    dialog->setWindowModality(Qt::ApplicationModal);
    ModalLoops::setOwner(dialog, caller);
    QWidget* top = caller ? caller->window() : nullptr;
    if (top && top->windowHandle()) {
        dialog->winId(); // the native window, to be told whose dialog it is
        if (QWindow* own = dialog->windowHandle())
            own->setTransientParent(top->windowHandle());
    }
    dialog->adjustSize();
    centreOver(dialog, caller);
}
