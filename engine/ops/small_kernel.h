// Convolution of a 32-bit picture with a small kernel (up to 5 x 5) in one pass over row bands:
// each source row converted to floats once, the taps summed in cache-sized runs, the result
// rounded into the output with the alpha either filtered too or copied from the input.
#pragma once

#include "engine/progress.h"

#include <opencv2/core.hpp>
#include <vector>

namespace pix::ops {

inline constexpr int kSmallKernelMax = 5;

struct SmallKernel {
    int width = 1, height = 1; // odd, up to kSmallKernelMax; anchored at the centre
    std::vector<float> taps;   // taps[i + width * j], i across, j down
    float bias = 0;
    bool absolute = false;    // the magnitude of the sum before the bias
    bool invert = false;      // 255 minus the result
    bool filterAlpha = false; // else alpha copied from the input
};

// True when `kernel` (rows x cols) fits the small path.
inline bool fitsSmallKernel(int rows, int cols) {
    return rows <= kSmallKernelMax && cols <= kSmallKernelMax;
}

// out = saturate(round(invert? 255 - v : v)), v = (absolute? |sum| : sum) + bias, the sum taken
// over the kernel with edges repeated. `in` and `out` are CV_8UC4 of one size, distinct buffers.
void convolveSmall(const cv::Mat& in, cv::Mat& out, const SmallKernel& k,
                   const ProgressFn& progress);

} // namespace pix::ops
