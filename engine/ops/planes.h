// Channel planes of an image and the normalized difference of two planes.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Channel `channel` (0 red, 1 green, 2 blue, 3 alpha) of a 32-bit image as an 8-bit plane
// (Format_Grayscale8).
QImage channelPlane(const QImage& src, int channel, const ProgressFn& progress = {});

// (a - b) / (a + b) of two planes of the same size, mapped from -1..1 onto 0..255 (rounded; 128
// where both are 0), as an 8-bit plane.
QImage normalizedDifference(const QImage& a, const QImage& b, const ProgressFn& progress = {});

} // namespace pix::ops
