#pragma once

#include <QFont>
#include <QColor>
#include <optional>

class QWidget;

// The font dialog. Tests preset the outcome instead of showing it.
class FontChooser {
  public:
    struct Choice {
        QFont font;
        QColor color;
    };
    // nullopt when the user cancels.
    static std::optional<Choice> choose(QWidget* parent, const QFont& initial, const QColor& initialColor);

    // Test seam: the next choose() returns this (nullopt = cancelled) without showing a dialog.
    static void preset(std::optional<Choice> next);
};
