// Warp: pushing the image along a dragged line.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Content is pushed along (x1, y1) -> (x2, y2): by the whole line at its start, fading smoothly
// to nothing at twice the line's length from the start. 32-bit image, in place; alpha kept.
void warp(QImage& img, int x1, int y1, int x2, int y2, const ProgressFn& progress = {});

} // namespace pix::ops
