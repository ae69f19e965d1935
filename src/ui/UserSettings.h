#pragma once

#include "ui/TextFormat.h"

#include <QSettings>

// What the program remembers for the user between runs (the speaking speed, the export folder, the
// font of the question and answer boxes): one file, ~/.config/Veltaro/Veltaro.conf. The bank
// folder's own .ini files are not here.
inline QSettings userSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltaro"),
                     QStringLiteral("Veltaro"));
}

// The font chosen with the 字体 button (its size, style and colour; the face is the program's):
// remembered when chosen, and given back at start-up. Nothing is given back before a font was
// chosen, or for values that no font dialog gives.
void rememberTextFormat(const SharedTextFormat& format);
void recallTextFormat(SharedTextFormat& format);
