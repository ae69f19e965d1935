#pragma once

#include <QSettings>

// What the program remembers for the user between runs (the speaking speed, the export folder):
// one file, ~/.config/Veltaro/Veltaro.conf. The bank folder's own .ini files are not here.
inline QSettings userSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Veltaro"),
                     QStringLiteral("Veltaro"));
}
