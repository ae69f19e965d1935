#include "ui/ModalLoops.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace {
int g_depth = 0;
const char* const kOwner = "modalOwner";
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
    QList<QDialog*> dialogs = owner->findChildren<QDialog*>();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(top);
        if (!dialog)
            continue;
        for (QWidget* w = qobject_cast<QWidget*>(dialog->property(kOwner).value<QObject*>()); w;
             w = w->parentWidget())
            if (w == owner) {
                dialogs << dialog << dialog->findChildren<QDialog*>();
                break;
            }
    }
    // Innermost first: a colour dialog opened from the font dialog goes before the font dialog.
    for (auto it = dialogs.crbegin(); it != dialogs.crend(); ++it) {
        if ((*it)->isVisible()) {
            (*it)->reject();
            found = true;
        }
    }
    return found;
}

void ModalLoops::setOwner(QDialog* dialog, QWidget* owner) {
    dialog->setProperty(kOwner, QVariant::fromValue<QObject*>(owner));
    if (owner)
        QObject::connect(owner, &QObject::destroyed, dialog,
                         [dialog] { dialog->setProperty(kOwner, QVariant()); });
}
