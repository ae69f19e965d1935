#include "ui/UserSettings.h"

namespace {
const char* const kSizeKey = "textFormat/size";
const char* const kStyleKey = "textFormat/style";
const char* const kColorKey = "textFormat/color";
// The sizes a font dialog offers.
constexpr int kLargestSize = 500;
} // namespace

void rememberTextFormat(const SharedTextFormat& format) {
    QSettings settings = userSettings();
    settings.setValue(QLatin1String(kSizeKey), format.size);
    settings.setValue(QLatin1String(kStyleKey), format.style);
    settings.setValue(QLatin1String(kColorKey), format.color.isValid() ? format.color.name() : QString());
}

void recallTextFormat(SharedTextFormat& format) {
    const QSettings settings = userSettings();
    bool sizeOk = false;
    bool styleOk = false;
    const int size = settings.value(QLatin1String(kSizeKey)).toInt(&sizeOk);
    const int style = settings.value(QLatin1String(kStyleKey), 0).toInt(&styleOk);
    if (!sizeOk || size < 1 || size > kLargestSize)
        return;
    format.size = size;
    format.style = styleOk ? style & 15 : 0;
    const QString colour = settings.value(QLatin1String(kColorKey)).toString();
    format.color = QColor::isValidColorName(colour) ? QColor(colour) : QColor();
    format.chosen = true;
}
