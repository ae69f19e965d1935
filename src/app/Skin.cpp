#include "app/Skin.h"

#include <QApplication>
#include <QFile>
#include <QFont>

static void initSkinResources() {
    Q_INIT_RESOURCE(resources);
    // The skin draws with the program's icons (the combo box arrow).
    Q_INIT_RESOURCE(icons);
}

void applySkin() {
    initSkinResources();
    // The face is set here rather than in the style sheet, so that boxes given their own font keep it.
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    QFile f(QStringLiteral(":/veltaro/skin.qss"));
    if (qApp && f.open(QIODevice::ReadOnly))
        qApp->setStyleSheet(QString::fromUtf8(f.readAll()));
}
