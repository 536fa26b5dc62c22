// Separable resampling with the named kernels of the Resize method list.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <array>

namespace pix::ops {

// How a method picks its source pixels: weighted kernel, nearest pixel, or area coverage.
enum class Sampling { Kernel, Nearest, Area };

struct ResizeMethod {
    const char* caption; // as the Method list shows it
    const char* kernel;  // what the method computes
    double support;      // kernel radius in source pixels at scale 1
    double (*weight)(double x);
    Sampling sampling;
};

inline constexpr int kResizeMethodCount = 22;

// The 22 methods by list position (positions 4, 8, 14 and 19 are Lanczos 2, Blackman-windowed
// sinc, Dodgson's interpolating quadratic and cosine-windowed sinc).
const std::array<ResizeMethod, kResizeMethodCount>& resizeMethods();

// `src` (ARGB32 or RGB32) resampled to width x height with the method at `method`, filtering
// premultiplied colour so transparent pixels do not bleed; same format as `src`.
QImage resample(const QImage& src, int width, int height, int method,
                const ProgressFn& progress = {});

} // namespace pix::ops
