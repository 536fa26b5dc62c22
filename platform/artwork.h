// The pictures the program shows — splash, icons, the background tile — drawn by our own code.
#pragma once

#include <QIcon>
#include <QImage>

namespace artwork {

// The splash, 480 x 280 device-independent pixels drawn at `ratio` device pixels to each.
QImage splashPicture(qreal ratio = 1.0);
// The program's icon at size x size pixels, and the same drawing as scalable SVG.
QImage appIcon(int size = 64);
QString appIconSvg();
// The program's icon for windows, drawn at whatever size and pixel ratio a screen asks.
QIcon appIconSet();
// The tile shown around and behind images (the "BACKGROUND" picture).
QImage backgroundTile();
// 20 x 20 icon of a tool button, drawn at `ratio` device pixels to each, in the colours of the
// application's palette (so a dark desktop gets light strokes).
QImage toolIcon(int tool, qreal ratio = 1.0);
// The same icon for buttons: drawn as a vector at the size, pixel ratio and palette in use.
QIcon toolIconSet(int tool);

} // namespace artwork
