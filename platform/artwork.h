// The pictures the program shows — splash, icons, the background tile — drawn by our own code.
#pragma once

#include <QImage>

namespace artwork {

QImage splashPicture();
QImage appIcon();
// The tile shown around and behind images (the "BACKGROUND" picture).
QImage backgroundTile();
// 20 x 20 icon of a tool button, drawn for the given device pixel ratio.
QImage toolIcon(int tool, qreal scale = 1.0);

} // namespace artwork
