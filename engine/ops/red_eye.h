// Red-eye reduction inside a rectangle.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Inside left..right-1 x top..bottom-1 (clipped to the image, which it must meet), every
// red-dominant pixel — red above green and blue, with a hue within colourRange percent of 60
// degrees of pure red — has its red moved towards the mean of its green and blue by `saturation`
// percent (100: red equals that mean, no red cast left). Both levels 0..100. Pixels outside the
// rectangle, other pixels and alpha are kept. 32-bit image, in place.
void redEyeReduction(QImage& img, int left, int top, int right, int bottom, int saturation,
                     int colourRange, const ProgressFn& progress = {});

} // namespace pix::ops
