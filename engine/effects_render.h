// The Effects group's renderings and warps: drop shadow, soft-focus glow, pencil scribble, dot
// stipple and the perspective warps. Each call checks its arguments and runs one operation of
// engine/ops on the current page through the group's operation kinds (one undo step per label);
// failures throw PixError and leave the image as it was.
#pragma once

#include "pix_image.h"

#include <QPointF>
#include <optional>

namespace pix {

// A point in image pixels, as the perspective calls take them.
inline QPointF MakePoint(double x, double y) {
    return {x, y};
}

} // namespace pix

namespace pix::Effects {

// The shadow colour used when none is given: black at half opacity.
inline constexpr EngineColor kDefaultShadowColor = 0x80000000u;

// Lays a shadow of the image's shape under it, moved by (offsetX, offsetY), in `color` (its alpha
// is the shadow's opacity; none gives kDefaultShadowColor), blurred by `blur` (0..1000, standard
// deviation blur / 32 pixels). `increaseCanvas` grows the canvas to hold the shadow; otherwise
// the shadow shows only through the image's transparent parts. The page gets alpha.
void DropShadow(PixImage& img, int offsetX, int offsetY, std::optional<EngineColor> color,
                double blur, bool increaseCanvas, const QString& undoLabel = {});

// Soft-focus glow (ops::gauzy): blur, sharpen and clarity 0..100; mode 0 "Desaturated", 1 "Full
// Color", 2 "High Contrast", 3 "Max", 4 "Min", -1 the default (1).
void Gauzy(PixImage& img, int blur, int sharpen, int clarity, int mode,
           const QString& undoLabel = {});

// Pencil scribble with line darkness 0..100, after (filterFirst) or before its filter: 0
// "Blurred", 1 "Filtered" (sharpened), 2 "Posterized", 3 "Despeckled", -1 the default (0).
void Scribble(PixImage& img, int darkness, int filter, bool filterFirst,
              const QString& undoLabel = {});

// Dot stipple of size 0..100, after (filterFirst) or before its 3 x 3 filter: 0 "Arithmetic
// Mean", 1 "Minimum", 2 "Maximum", 3 "Geometric Mean", 4 "Yp Mean", -1 the default (0).
void Stipple(PixImage& img, int size, int filter, bool filterFirst, const QString& undoLabel = {});

// Projective warp of the image's corners onto p1..p4, in the order bottom left, top left, top
// right, bottom right: p1 receives (0, H - 1), p2 (0, 0), p3 (W - 1, 0), p4 (W - 1, H - 1).
// `flags` 1 grows the canvas to hold the whole target quadrilateral, 0 keeps the image's size;
// what the image does not cover becomes transparent.
void Perspective(PixImage& img, QPointF p1, QPointF p2, QPointF p3, QPointF p4, int flags,
                 const QString& undoLabel = {});

// Projective warp taking the source points s1..s4 to p1..p4 (each si to pi); flags as above.
void PerspectiveEx(PixImage& img, QPointF p1, QPointF p2, QPointF p3, QPointF p4, QPointF s1,
                   QPointF s2, QPointF s3, QPointF s4, int flags, const QString& undoLabel = {});

} // namespace pix::Effects
