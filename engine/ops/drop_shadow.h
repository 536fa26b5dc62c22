// Drop shadow: a blurred, coloured copy of the image's shape laid under the image.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <QRect>

namespace pix::ops {

// Standard deviation in pixels of the shadow's blur level (0..1000; 255 is a soft shadow).
double shadowSigma(double blur);

// The canvas of a shadow in the image's coordinates: the image's own rectangle, grown to hold
// the shadow and its blur when `increaseCanvas` is set.
QRect shadowCanvas(QSize image, int offsetX, int offsetY, double blur, bool increaseCanvas);

// `src` (32-bit, straight alpha) over its shadow: its alpha shape moved by (offsetX, offsetY),
// blurred by `blur` and painted in `colour` (straight ARGB; its alpha is the shadow's opacity).
// The image's own pixels are composited over the shadow, so opaque ones stay as they were. The
// result is ARGB32 on shadowCanvas.
QImage dropShadow(const QImage& src, int offsetX, int offsetY, QRgb colour, double blur,
                  bool increaseCanvas, const ProgressFn& progress = {});

} // namespace pix::ops
