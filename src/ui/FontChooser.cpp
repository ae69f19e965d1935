#include "ui/FontChooser.h"

#include <QFontDialog>

namespace {
bool g_hasPreset = false;
std::optional<FontChooser::Choice> g_preset;
} // namespace

std::optional<FontChooser::Choice> FontChooser::choose(QWidget* parent, const QFont& initial,
                                                       const QColor& initialColor) {
    if (g_hasPreset) {
        g_hasPreset = false;
        return g_preset;
    }
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent, QStringLiteral("字体"));
    if (!ok)
        return std::nullopt;
    // The platform's font dialog has no colour: the colour stays as it was.
    return Choice{font, initialColor};
}

void FontChooser::preset(std::optional<Choice> next) {
    g_hasPreset = true;
    g_preset = std::move(next);
}
