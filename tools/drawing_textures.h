// The frame's texture routines: a picture file, or a two-colour gradient, becomes the fill
// texture of every open document (with the solid fill style).
#pragma once

#include <QImage>
#include <QString>

class DocumentHost;

namespace drawingtextures {

// The file filter of "Select...": every picture format the program reads, icons included.
QString textureFilter();
// "Select...": file, then the icon's transparent colour or the GIF's image number.
void selectTexture(DocumentHost& host);
// A 256 x 256 gradient from `from` to `to`, left to right (0) or top to bottom (1).
QImage gradientPicture(const QColor& from, const QColor& to, int direction);
// "Horizontal" (0) or "Vertical" (1): asks for two colours; a cancelled dialog ends quietly.
void gradientTexture(DocumentHost& host, int direction);

} // namespace drawingtextures
