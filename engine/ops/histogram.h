// Tone curves built from the image's own channel histograms.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Channel mask bits: 1 red, 2 green, 4 blue.
inline constexpr int kMaskRed = 1, kMaskGreen = 2, kMaskBlue = 4;

// On each channel of `mask`, a linear map taking the channel's darkest value to `low` and its
// brightest to `high` (32-bit image; fully transparent pixels are not counted). The result goes
// to `out`, a 32-bit image of the same size and format, which may be `src` itself.
void histogramStretch(const QImage& src, QImage& out, int low, int high, int mask,
                      const ProgressFn& progress = {});

// On each channel of `mask`, values mapped through the channel's cumulative histogram onto
// low..high, so the cumulative histogram becomes a straight line (32-bit image, into `out` as
// above).
void histogramEqualize(const QImage& src, QImage& out, int low, int high, int mask,
                       const ProgressFn& progress = {});

// The same in place.
inline void histogramStretch(QImage& img, int low, int high, int mask,
                             const ProgressFn& progress = {}) {
    histogramStretch(img, img, low, high, mask, progress);
}
inline void histogramEqualize(QImage& img, int low, int high, int mask,
                              const ProgressFn& progress = {}) {
    histogramEqualize(img, img, low, high, mask, progress);
}

} // namespace pix::ops
