#pragma once

#include <QColor>
#include <QString>

// The one character format of the question and answer boxes.
struct SharedTextFormat {
    QString face = QStringLiteral("宋体");
    int size = 9;
    QColor color;  // invalid: the default colour
    int style = 0; // 1 bold, 2 italic, 4 underline, 8 strike-out
};
