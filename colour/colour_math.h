// The colour arithmetic of the colour picker and the frame's gradient bar: web-safe snapping,
// the field rows, the hue strip and the foreground-to-background steps. Colours are 0x00BBGGRR.
#pragma once

#include <QImage>
#include <cstdint>

namespace colour {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// Channels of a 0x00BBGGRR colour (integer division, remainder with the dividend's sign).
Rgb GetRGB(int32_t colour);
inline uint32_t toColour(int r, int g, int b) {
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}
inline uint32_t toColour(QRgb p) {
    return toColour(qRed(p), qGreen(p), qBlue(p));
}
inline QRgb toQRgb(uint32_t c) {
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// Snaps a channel to {0, 51, 102, 153, 204, 255}; the first boundary lies at 26/27.
int WebSafe(int value);

// Row `row` of the field: 256 pixels fading from start to end by repeated addition of
// (end - start) / 255, each channel rounded half to even (and snapped when webSafe).
void DrawFade(QImage& field, int row, Rgb start, Rgb end, bool webSafe);
// The whole 256 x 256 field of a base colour: row y fades from grey 255 - y to the base.
void drawField(QImage& field, Rgb base, bool webSafe);

// The 19 x 256 hue strip: red, magenta, blue, cyan, green, yellow and back to red, 6 steps per row.
QImage hueStrip();
Rgb hueAt(int row);

// The gradient bar of width w: column x (0-based) shows foreground - (x + 1) * step, so the last
// column is the background and the foreground itself does not appear.
QImage gradientBar(uint32_t foreground, uint32_t background, int width, int height);

} // namespace colour
