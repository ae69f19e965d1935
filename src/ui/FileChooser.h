#pragma once

#include <QString>
#include <optional>

class QWidget;

// The dialog that asks where to save a file. Tests preset the outcome instead of showing it.
class FileChooser {
  public:
    // The path the user chose, starting from the suggested path (folder and file name); nullopt
    // when the user cancels. A name typed without the filter's suffix gets defaultSuffix. The
    // filter is in Qt's form ("音频文件 (*.wav)").
    static std::optional<QString> saveFile(QWidget* caller, const QString& title, const QString& suggestion,
                                           const QString& filter, const QString& defaultSuffix);

    // Test seam: the next saveFile() returns this (nullopt = cancelled) without showing a dialog.
    static void preset(std::optional<QString> next);
    // What the last saveFile() offered the user.
    struct Offer {
        QString title, initialPath, filter;
    };
    static std::optional<Offer> lastOffer();
    static QString lastSuggestion() { return lastOffer() ? lastOffer()->initialPath : QString(); }
};
