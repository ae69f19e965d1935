#include "app/Skin.h"

#include "ui/Accessibility.h"

#include <QApplication>
#include <QFile>
#include <QFont>

static void initSkinResources() {
    Q_INIT_RESOURCE(resources);
    // The skin draws with the program's icons (the combo box arrow).
    Q_INIT_RESOURCE(icons);
}

namespace {
QString readSheet(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The skin, with the high-contrast look laid over it while that is chosen.
void applySheets(bool highContrast) {
    if (!qApp)
        return;
    QString sheet = readSheet(QStringLiteral(":/veltaro/skin.qss"));
    if (highContrast)
        sheet += QLatin1Char('\n') + readSheet(QStringLiteral(":/veltaro/contrast.qss"));
    qApp->setStyleSheet(sheet);
}
} // namespace

void applySkin() {
    initSkinResources();
    // The face is set here rather than in the style sheet, so that boxes given their own font keep it.
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(12);
    QApplication::setFont(font);
    a11y::setContrastHook(applySheets);
    applySheets(a11y::highContrast());
}
