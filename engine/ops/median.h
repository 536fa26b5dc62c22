// Median filter: each channel replaced by the median of the size x size window around it.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// `size` odd 1..255; edges repeated. `ignoreAlpha` leaves alpha as it was (colour taken
// premultiplied), else the alpha is filtered with the colour.
QImage median(const QImage& src, int size, bool ignoreAlpha, const ProgressFn& progress = {});

} // namespace pix::ops
