// The Draw group of an engine image: pictures drawn into the current page, flood fill and
// shapes, with the image's Draw settings. Each call is one undo step per its label.
#pragma once

#include "pix_image.h"

#include <QFont>
#include <QPolygonF>

namespace pix::Draw {

// Copies `picture` into the page with its top-left corner at (x, y): with opacity 1.0 the
// covered pixels (alpha included) become the picture's; below 1.0 they are mixed.
void DrawImage(PixImage& img, const QImage& picture, int x, int y, double opacity,
               const QString& undoLabel = {});
// Writes `picture` into the page at (x, y) as it stands, alpha included. With `withAlpha` a page
// without alpha becomes "32-bit RGB w/ Alpha" first, so transparent pixels stay transparent;
// without it the written pixels are made opaque on such a page (as DrawImage at opacity 1.0).
void PutImage(PixImage& img, const QImage& picture, int x, int y, bool withAlpha,
              const QString& undoLabel = {});
// Composites `picture` over the page at (x, y) using the picture's alpha.
void DrawImageAlpha(PixImage& img, const QImage& picture, int x, int y,
                    const QString& undoLabel = {});

// Fills the region of pixels connected to (x, y) whose colour lies within `tolerance` (0..1 of
// the channel range) of the seed colour with the pen colour.
void FloodFill(PixImage& img, int x, int y, double tolerance, const QString& undoLabel = {});

// The shapes the mouse tools draw, with the image's Draw settings (pen colour and alpha,
// thickness, line style, fill style, texture, antialias).
enum class ShapeKind { Line, Polyline, Polygon, Rectangle, Ellipse };
void DrawShape(PixImage& img, ShapeKind kind, const QPolygonF& points,
               const QString& undoLabel = {});
// The same with explicit settings (the interactive shapes combine Draw and Shape settings).
void DrawShape(PixImage& img, ShapeKind kind, const QPolygonF& points, const DrawSettings& settings,
               const QString& undoLabel = {});

// Writes `text` (lines split at line breaks) with its top-left corner at (x, y) in the Draw
// settings' font, pen colour with alpha and antialias. An empty text draws nothing and records
// no step.
void DrawText(PixImage& img, int x, int y, const QString& text, const QString& undoLabel = {});

// The pixel font of a TextFont, as DrawText uses it (also for showing text at a zoom).
QFont textQFont(const TextFont& font, double zoom = 1.0);

} // namespace pix::Draw
