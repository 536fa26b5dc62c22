#include "small_kernel.h"

#include "op_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pix::ops {

namespace {

constexpr int kRun = 1024; // values of a row done at a time: their levels stay in cache

using F8 = float __attribute__((vector_size(32)));
using I8 = int __attribute__((vector_size(32)));

PIX_HOT void toFloats(float* d, const uint8_t* s, int n) {
    for (int i = 0; i < n; ++i) d[i] = s[i];
}

struct Finish {
    float bias;
    bool absolute, invert;
};

// n values of one output row from the K source rows `src` (padded by K / 2 pixels each side and
// readable 8 values past the end), with the K x K taps: eight values at a time as explicit
// vectors, each sum kept in a register, rounded into `levels`, then narrowed into `out`.
template <int K>
[[gnu::always_inline]] inline void convolveRun(uint8_t* out, int* levels, const float* const* src,
                                               const float* taps, int n, const Finish& f) {
    const F8 zero{}, top = zero + 255.0f;
    F8 k[K * K];
    for (int t = 0; t < K * K; ++t) k[t] = zero + taps[t];
    for (int x = 0; x < n; x += 8) {
        F8 v = zero;
        for (int j = 0; j < K; ++j)
            for (int i = 0; i < K; ++i) {
                F8 s;
                std::memcpy(&s, src[j] + x + 4 * (i - K / 2), sizeof s);
                v += k[j * K + i] * s;
            }
        if (f.absolute) v = v < zero ? -v : v;
        v += f.bias;
        if (f.invert) v = top - v;
        v = v < zero ? zero : v; // compare and select: a clamp of floats does not vectorise
        v = v > top ? top : v;
        const I8 q = __builtin_convertvector(v + 0.5f, I8);
        std::memcpy(levels + x, &q, sizeof q);
    }
    for (int x = 0; x < n; ++x) out[x] = uint8_t(levels[x]);
}

PIX_HOT void convolve3(uint8_t* out, int* levels, const float* const* src, const float* taps, int n,
                       const Finish& f) {
    convolveRun<3>(out, levels, src, taps, n, f);
}

PIX_HOT void convolve5(uint8_t* out, int* levels, const float* const* src, const float* taps, int n,
                       const Finish& f) {
    convolveRun<5>(out, levels, src, taps, n, f);
}

PIX_HOT void copyAlpha(uint32_t* out, const uint32_t* in, int n) {
    for (int i = 0; i < n; ++i) out[i] = (out[i] & 0x00FFFFFFu) | (in[i] & 0xFF000000u);
}

} // namespace

void convolveSmall(const cv::Mat& in, cv::Mat& out, const SmallKernel& k,
                   const ProgressFn& progress) {
    // The kernel centred in a 3 x 3 or 5 x 5 grid of taps, zeros around it.
    const int size = std::max(k.width, k.height) <= 3 ? 3 : 5;
    std::vector<float> taps(size_t(size * size), 0.0f);
    for (int j = 0; j < k.height; ++j)
        for (int i = 0; i < k.width; ++i)
            taps[size_t(i + (size - k.width) / 2 + size * (j + (size - k.height) / 2))] =
                k.taps[size_t(i + k.width * j)];
    const auto run = size == 3 ? convolve3 : convolve5;
    const Finish finish{k.bias, k.absolute, k.invert};
    const int w = in.cols, h = in.rows, r = size / 2, values = 4 * w, pad = 4 * r;
    const int stride = values + 2 * pad + 8;
    forEachRowBand(h, progress, [&](int y0, int y1) {
        thread_local std::vector<float> rows;
        thread_local std::vector<int> levels;
        rows.resize(size_t(stride) * size);
        levels.resize(kRun + 8);
        int tags[kSmallKernelMax];
        std::fill(tags, tags + size, -1);
        const float* src[kSmallKernelMax];
        for (int y = y0; y < y1; ++y) {
            // The source rows of this output row, each converted once (edges repeated).
            for (int j = 0; j < size; ++j) {
                const int sy = std::clamp(y + j - r, 0, h - 1), slot = sy % size;
                float* buf = rows.data() + size_t(slot) * stride;
                if (tags[slot] != sy) {
                    tags[slot] = sy;
                    toFloats(buf + pad, in.ptr<uint8_t>(sy), values);
                    for (int p = 0; p < r; ++p) {
                        std::memcpy(buf + 4 * p, buf + pad, 4 * sizeof(float));
                        std::memcpy(buf + pad + values + 4 * p, buf + pad + values - 4,
                                    4 * sizeof(float));
                    }
                }
                src[j] = buf + pad;
            }
            uint8_t* o = out.ptr<uint8_t>(y);
            for (int r0 = 0; r0 < values; r0 += kRun) {
                const float* at[kSmallKernelMax];
                for (int j = 0; j < size; ++j) at[j] = src[j] + r0;
                run(o + r0, levels.data(), at, taps.data(), std::min(kRun, values - r0), finish);
            }
            if (!k.filterAlpha) copyAlpha(reinterpret_cast<uint32_t*>(o), in.ptr<uint32_t>(y), w);
        }
    });
}

} // namespace pix::ops
