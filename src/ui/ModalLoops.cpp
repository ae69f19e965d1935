#include "ui/ModalLoops.h"

#include <QDialog>
#include <QWidget>

namespace {
int g_depth = 0;
} // namespace

ModalLoops::Guard::Guard() {
    ++g_depth;
}
ModalLoops::Guard::~Guard() {
    --g_depth;
}

int ModalLoops::depth() {
    return g_depth;
}

bool ModalLoops::closeDialogsOf(QWidget* owner) {
    if (!owner)
        return false;
    bool found = false;
    // Innermost first: a colour dialog opened from the font dialog goes before the font dialog.
    const QList<QDialog*> dialogs = owner->findChildren<QDialog*>();
    for (auto it = dialogs.crbegin(); it != dialogs.crend(); ++it) {
        if ((*it)->isVisible()) {
            (*it)->reject();
            found = true;
        }
    }
    return found;
}
