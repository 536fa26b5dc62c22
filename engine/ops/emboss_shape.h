// Emboss Shape: light and shade from the outline of the image's content.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Treats the alpha channel (or, for an opaque image, the luminance) as a height field softened
// by `softness` (0..1000), lights it from `angle` degrees (0 right, 90 up), and blends the
// highlight colour over slopes facing the light and the shadow colour over slopes facing away,
// in proportion to `depth` (0..100) and each colour's alpha. 32-bit image, in place; alpha kept.
void embossShape(QImage& img, int depth, int angle, int softness, QRgb shadow, QRgb highlight,
                 const ProgressFn& progress = {});

} // namespace pix::ops
