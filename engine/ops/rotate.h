// Affine turns of the whole image: rotation by any angle and skew.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// The width x height of the box that holds a w x h image turned by `degrees`.
QSize rotatedBounds(int w, int h, double degrees);

// `src` (32-bit) turned clockwise by `degrees` on a canvas grown to hold it, the corners filled
// with `fill`; exact pixel moves for multiples of 90 degrees, bilinear otherwise.
QImage rotate(const QImage& src, double degrees, QRgb fill, const ProgressFn& progress = {});
// `src` (32-bit) turned by `degrees` counter-clockwise about its centre, keeping its size;
// bilinear, `fill` where the turned picture does not reach. `source` names the caller in errors.
QImage turnAboutCentre(const QImage& src, double degrees, QRgb fill, const char* source,
                       const ProgressFn& progress = {});

// `src` (32-bit) slanted: direction 0 shifts rows right by up to `offset` pixels from top to
// bottom (negative: left), direction 1 shifts columns down likewise; the canvas grows by
// |offset|. `fast` takes nearest pixels instead of interpolating.
QImage skew(const QImage& src, int direction, int offset, QRgb fill, bool fast,
            const ProgressFn& progress = {});

} // namespace pix::ops
