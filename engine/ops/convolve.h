// Convolution with a kernel (i across, j down, anchored at its centre) and the fixed kernels
// built on it: box blur, sharpen, soften and edge detection.
#pragma once

#include "area_support.h"

namespace pix::ops {

// Custom filter, a relief added to the picture: src + (kernel * src) / divisor + bias per colour
// channel. A zero kernel with zero bias leaves the picture as it was. Alpha kept.
QImage customFilter(const QImage& src, const Kernel& kernel, double divisor, double bias,
                    const ProgressFn& progress = {});

// Custom matrix, the plain convolution: (kernel * src) / divisor + bias per colour channel;
// `absolute` takes the magnitude of (kernel * src) / divisor before the bias, `invert` gives
// 255 minus the result. Alpha kept.
QImage customMatrix(const QImage& src, const Kernel& kernel, double divisor, double bias,
                    bool absolute, bool invert, const ProgressFn& progress = {});

// Box blur of `size` x `size` (odd 1..99) mixed into the picture by `strength` percent (0..100;
// 100 = the box average alone). Colour premultiplied; `ignoreAlpha` keeps the alpha, else it is
// blurred too.
QImage boxBlur(const QImage& src, int strength, int size, bool ignoreAlpha,
               const ProgressFn& progress = {});

// Sharpen: src + strength / 100 * (src - box average of size x size), strength 0..1000,
// size odd 3..99. Alpha as boxBlur.
QImage sharpen(const QImage& src, int strength, int size, bool ignoreAlpha,
               const ProgressFn& progress = {});

// Soften: the 3 x 3 binomial smoothing (1 2 1) mixed in by `strength` percent (0..100); alpha
// kept.
QImage soften(const QImage& src, int strength, const ProgressFn& progress = {});

// Edge detection: the 8-neighbour Laplacian times strength / 25 (strength 1..100), edges bright
// on black; alpha kept.
QImage edgeDetect(const QImage& src, int strength, const ProgressFn& progress = {});

} // namespace pix::ops
