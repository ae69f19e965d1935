#pragma once

#include <QColor>
#include <QString>

// The one character format of the question and answer boxes.
struct SharedTextFormat {
    QString face = QStringLiteral("宋体");
    int size = 9;
    QColor color;  // invalid: the default colour
    int style = 0; // 1 bold, 2 italic, 4 underline, 8 strike-out
    // Chosen with the font dialog (now or in an earlier run): window set-ups keep its size.
    bool chosen = false;
};

// The size the exam and practice windows give the format at set-up, unless the user chose one.
inline void setWindowTextSize(SharedTextFormat& format) {
    if (!format.chosen)
        format.size = 20;
}
