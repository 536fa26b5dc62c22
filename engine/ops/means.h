// Mean filters over a size x size window per channel: arithmetic, harmonic, geometric and the
// Yp (power) mean.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

enum class MeanKind { Arithmetic, Harmonic, Geometric, YpLow, YpHigh };

// The mean of kind `kind` of each channel over the size x size window (size odd 1..255, edges
// repeated). Harmonic, geometric and Yp means are taken of v + 1 and shifted back so a zero
// level does not swallow its window. Yp is the power mean with p = 3 (YpLow: removes dark
// outliers) or p = -3 (YpHigh: removes bright outliers). `ignoreAlpha` leaves alpha as it was
// (colour taken premultiplied), else the alpha is filtered with the colour.
QImage meanFilter(const QImage& src, MeanKind kind, int size, bool ignoreAlpha,
                  const ProgressFn& progress = {});

} // namespace pix::ops
