// Random noise added to the channels: Gaussian, negative exponential, Rayleigh or uniform, each
// with mean 0 and the asked variance (in levels squared), clamped to 0..255.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <cstdint>

namespace pix::ops {

enum NoiseKind : int {
    kNoiseGaussian = 0,
    kNoiseNegativeExponential = 1,
    kNoiseRayleigh = 2,
    kNoiseUniform = 3,
};

// Adds noise of `kind` and `variance` (0..65025) to red, green and blue, one sample per channel,
// or one per pixel for all three when `monochromatic`. Unless `ignoreAlpha`, the alpha of an
// image with alpha gets its own samples too. Rows draw from generators seeded by `seed` and the
// row, so the result does not depend on how rows are split across threads. 32-bit images; `out`
// has src's size and format and may be src itself.
void addNoise(const QImage& src, QImage& out, int kind, int variance, bool monochromatic,
              bool ignoreAlpha, uint64_t seed, const ProgressFn& progress = {});

} // namespace pix::ops
