// The pictures of the palette's buttons, drawn in logical units so they stay sharp at any scale.
#pragma once

#include <QRectF>

class QPainter;

namespace paletteglyphs {

void thicknessGlyph(QPainter& p, const QRectF& r);
void antialiasGlyph(QPainter& p, const QRectF& r);
void lineStyleGlyph(QPainter& p, const QRectF& r);
void fillStyleGlyph(QPainter& p, const QRectF& r);
void opacityGlyph(QPainter& p, const QRectF& r);
void textureGlyph(QPainter& p, const QRectF& r);
void applyGlyph(QPainter& p, const QRectF& r);
void discardGlyph(QPainter& p, const QRectF& r);
void dropDownGlyph(QPainter& p, const QRectF& r);

} // namespace paletteglyphs
