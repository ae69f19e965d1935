#pragma once

#include <QIcon>
#include <QKeySequence>
#include <QList>

class QAction;
class QToolBar;

namespace icons {
// The program's own drawing of a name ("exam", "practice", "marks", "bank", "clear", "export", "overview",
// "veltaro"), from the program's resources.
QIcon own(const QString& name);
// The program's own icon: the desktop's when it is installed, else the one it carries.
QIcon program();
} // namespace icons

// One button of a toolbar: caption, what it does (the start of its tooltip), the key that presses
// it (may be empty), a freedesktop icon name and the name of the program's own drawing.
struct ToolButton {
    const char* caption;
    const char* tip;
    QKeySequence key;
    const char* themeIcon;
    const char* ownIcon;
};

// Adds the buttons, each with its icon beside its caption, and returns their actions in order.
// The icons of one toolbar come all from the desktop's icon theme when it has every one of them,
// else all from the program's own set, so that they always match.
QList<QAction*> addToolButtons(QToolBar& bar, const QList<ToolButton>& buttons);
