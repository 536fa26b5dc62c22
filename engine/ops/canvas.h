// Canvas geometry: enlarge or cut the canvas, crop to a rectangle, mirror.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <QRect>

namespace pix::ops {

// A width x height canvas filled with `fill` (straight ARGB) holding `src` (32-bit) with its top
// left corner at (offsetX, offsetY); ARGB32 when the source or the fill is not opaque.
QImage resizeCanvas(const QImage& src, int width, int height, QRgb fill, int offsetX, int offsetY,
                    const ProgressFn& progress = {});

// The pixels of `rect`, which must lie inside the image; keeps the image's format.
QImage crop(const QImage& src, const QRect& rect);

// Mirrored left-right (direction 0) or top-bottom (direction 1); keeps the image's format.
QImage flip(const QImage& src, int direction);

} // namespace pix::ops
