// Replacing one colour (within a tolerance) by another.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Every pixel whose red, green and blue each lie within tolerance percent (of 255) of `oldColor`
// takes the colour of `newColor`; it keeps its alpha when `opaque`, else becomes transparent
// (the image must then be ARGB32). 32-bit image, in place. Returns the number of pixels changed.
int64_t replaceColor(QImage& img, QRgb oldColor, QRgb newColor, double tolerance, bool opaque,
                     const ProgressFn& progress = {});

} // namespace pix::ops
