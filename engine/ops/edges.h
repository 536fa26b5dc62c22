// Canny edge detection: thin edge lines of the luminance, traced with two thresholds.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Edge lines of brightness `intensity` percent (0..100) on black. A luminance step of at least
// `high` levels (0..100) starts a line, one of at least `low` levels continues it (Sobel
// gradients, L2 magnitude, hysteresis). Alpha kept.
QImage cannyEdge(const QImage& src, int intensity, int low, int high,
                 const ProgressFn& progress = {});

} // namespace pix::ops
