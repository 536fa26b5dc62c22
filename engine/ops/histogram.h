// Tone curves built from the image's own channel histograms.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Channel mask bits: 1 red, 2 green, 4 blue.
inline constexpr int kMaskRed = 1, kMaskGreen = 2, kMaskBlue = 4;

// On each channel of `mask`, a linear map taking the channel's darkest value to `low` and its
// brightest to `high` (32-bit image, in place; fully transparent pixels are not counted).
void histogramStretch(QImage& img, int low, int high, int mask, const ProgressFn& progress = {});

// On each channel of `mask`, values mapped through the channel's cumulative histogram onto
// low..high, so the cumulative histogram becomes a straight line (32-bit image, in place).
void histogramEqualize(QImage& img, int low, int high, int mask, const ProgressFn& progress = {});

} // namespace pix::ops
