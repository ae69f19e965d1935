#include "ui/Icons.h"

#include "ui/KeyBindings.h"

#include <QAction>
#include <QToolBar>

static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace icons {

QIcon own(const QString& name) {
    initIconResources();
    return QIcon(QStringLiteral(":/veltaro/icons/%1.svg").arg(name));
}

QIcon program() {
    return QIcon::fromTheme(QStringLiteral("org.veltaro.Veltaro"), own(QStringLiteral("veltaro")));
}

} // namespace icons

QList<QAction*> addToolButtons(QToolBar& bar, const QList<ToolButton>& buttons) {
    bool themeHasAll = !QIcon::themeName().isEmpty();
    for (const ToolButton& b : buttons)
        themeHasAll = themeHasAll && QIcon::hasThemeIcon(QString::fromUtf8(b.themeIcon));
    QList<QAction*> actions;
    for (const ToolButton& b : buttons) {
        const QIcon icon = themeHasAll ? QIcon::fromTheme(QString::fromUtf8(b.themeIcon))
                                       : icons::own(QString::fromUtf8(b.ownIcon));
        QAction* a = bar.addAction(icon, QString::fromUtf8(b.caption));
        a->setToolTip(withKey(QString::fromUtf8(b.tip), b.key));
        if (!b.key.isEmpty())
            a->setShortcut(b.key);
        actions << a;
    }
    bar.setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return actions;
}
