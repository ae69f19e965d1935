#pragma once

#include <QString>
#include <optional>

class QWidget;

// The save-file dialog. Tests preset the outcome instead of showing it.
class FileChooser {
  public:
    // The chosen path, or empty when the user cancels. filter is in Qt's form ("音频文件 (*.wav)");
    // a name typed without a suffix gets defaultSuffix.
    static QString saveFile(QWidget* parent, const QString& title, const QString& initialPath,
                            const QString& filter, const QString& defaultSuffix);

    // Test seam: the next saveFile() returns this (empty = cancelled) without showing a dialog,
    // and remembers what it was offered.
    static void preset(const QString& next);
    struct Offer {
        QString title, initialPath, filter;
    };
    static std::optional<Offer> lastOffer();
};
