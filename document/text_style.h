// What the text tool reads from the tool palette's text strip.
#pragma once

#include <QString>

struct TextStyle {
    QString fontName = QStringLiteral("Times New Roman");
    double size = 12.0;
    int weight = 0; // index of the weight list, 0 "Don't Care" .. 9 "Heavy"
    bool bold = false, italic = false, underline = false, strikeOut = false;
    int alpha = 255;
    int antialias = 0;
};
