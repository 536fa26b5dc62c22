#include "resample.h"

#include "op_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Effects.Resize";
constexpr double kPi = std::numbers::pi;

double sinc(double x) {
    if (std::abs(x) < 1e-9) return 1.0;
    const double a = kPi * x;
    return std::sin(a) / a;
}

double box(double x) {
    return (x >= -0.5 && x < 0.5) ? 1.0 : 0.0;
}
double triangle(double x) {
    return std::max(0.0, 1.0 - std::abs(x));
}
double gaussian(double x) {
    return std::exp(-2.0 * x * x);
} // sigma 0.5
double hermite(double x) {
    x = std::abs(x);
    return x < 1.0 ? (2.0 * x - 3.0) * x * x + 1.0 : 0.0;
}
double bell(double x) { // quadratic B-spline
    x = std::abs(x);
    if (x < 0.5) return 0.75 - x * x;
    if (x < 1.5) return 0.5 * (x - 1.5) * (x - 1.5);
    return 0.0;
}
double quadratic(double x) { // Dodgson's interpolating quadratic, r = 1
    x = std::abs(x);
    if (x < 0.5) return 1.0 - 2.0 * x * x;
    if (x < 1.5) return x * x - 2.5 * x + 1.5;
    return 0.0;
}
double bspline(double x) { // cubic B-spline
    x = std::abs(x);
    if (x < 1.0) return (0.5 * x - 1.0) * x * x + 2.0 / 3.0;
    if (x < 2.0) return (2.0 - x) * (2.0 - x) * (2.0 - x) / 6.0;
    return 0.0;
}

// Keys cubic convolution with parameter a = -A / 100.
template <int A> double keys(double x) {
    constexpr double a = -A / 100.0;
    x = std::abs(x);
    if (x < 1.0) return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    if (x < 2.0) return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    return 0.0;
}

// Mitchell-Netravali cubic with B = C = 1/3.
double mitchell(double x) {
    constexpr double B = 1.0 / 3.0, C = 1.0 / 3.0;
    x = std::abs(x);
    if (x < 1.0)
        return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) /
               6.0;
    if (x < 2.0)
        return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x +
                (8 * B + 24 * C)) /
               6.0;
    return 0.0;
}

// Windowed sincs over a support of S lobes.
template <int S> double lanczos(double x) {
    return std::abs(x) < S ? sinc(x) * sinc(x / S) : 0.0;
}
template <int S> double hann(double x) {
    return std::abs(x) < S ? sinc(x) * (0.5 + 0.5 * std::cos(kPi * x / S)) : 0.0;
}
template <int S> double hamming(double x) {
    return std::abs(x) < S ? sinc(x) * (0.54 + 0.46 * std::cos(kPi * x / S)) : 0.0;
}
template <int S> double blackman(double x) {
    const double t = kPi * x / S;
    return std::abs(x) < S ? sinc(x) * (0.42 + 0.5 * std::cos(t) + 0.08 * std::cos(2 * t)) : 0.0;
}
template <int S> double cosineWindow(double x) {
    return std::abs(x) < S ? sinc(x) * std::cos(0.5 * kPi * x / S) : 0.0;
}
double plainSinc(double x) {
    return std::abs(x) < 4.0 ? sinc(x) : 0.0;
}

using S = Sampling;
constexpr std::array<ResizeMethod, kResizeMethodCount> kMethods{{
    {"Bi-Linear", "triangle (linear interpolation)", 1.0, triangle, S::Kernel},
    {"Bi-Cubic", "Keys cubic, a = -0.75", 2.0, keys<75>, S::Kernel},
    {"Simple", "nearest pixel", 0.5, box, S::Nearest},
    {"Decimate", "area averaging", 0.5, box, S::Area},
    {"Default", "Lanczos 2 windowed sinc", 2.0, lanczos<2>, S::Kernel},
    {"Box Filter", "box", 0.5, box, S::Kernel},
    {"Triangle Filter", "triangle", 1.0, triangle, S::Kernel},
    {"Hamming Filter", "Hamming-windowed sinc, 1 lobe", 1.0, hamming<1>, S::Kernel},
    {"Blackman Filter", "Blackman-windowed sinc, 3 lobes", 3.0, blackman<3>, S::Kernel},
    {"Gaussian Filter", "Gaussian, sigma 0.5", 2.0, gaussian, S::Kernel},
    {"Bell Filter", "quadratic B-spline", 1.5, bell, S::Kernel},
    {"B-Spline Filter", "cubic B-spline", 2.0, bspline, S::Kernel},
    {"Cubic1 Filter", "Keys cubic, a = -1", 2.0, keys<100>, S::Kernel},
    {"Cubic2 Filter", "Keys cubic, a = -0.25", 2.0, keys<25>, S::Kernel},
    {"Quadratic Filter", "Dodgson interpolating quadratic", 1.5, quadratic, S::Kernel},
    {"Lanczos3 Filter", "Lanczos 3 windowed sinc", 3.0, lanczos<3>, S::Kernel},
    {"Mitchell Filter", "Mitchell-Netravali cubic, B = C = 1/3", 2.0, mitchell, S::Kernel},
    {"Sinc Filter", "sinc truncated at 4 lobes", 4.0, plainSinc, S::Kernel},
    {"Hermite Filter", "Hermite cubic", 1.0, hermite, S::Kernel},
    {"Cosine Filter", "cosine-windowed sinc, 3 lobes", 3.0, cosineWindow<3>, S::Kernel},
    {"Hanning Filter", "Hann-windowed sinc, 2 lobes", 2.0, hann<2>, S::Kernel},
    {"Catrom Filter", "Catmull-Rom cubic (Keys a = -0.5)", 2.0, keys<50>, S::Kernel},
}};

// Source taps of every output pixel along one axis; weights sum to 1.
struct Taps {
    int span = 0;           // taps per output pixel (shorter lists are zero-padded)
    std::vector<int> first; // first source index; first + span never passes max(size, span)
    std::vector<float> w;   // span weights per output pixel
};

// The taps of `m` from srcSize to dstSize samples, with the span (the longest run of weights
// that are not zero) rounded up to a multiple of `multiple`.
Taps computeTaps(int srcSize, int dstSize, const ResizeMethod& m, int multiple) {
    const double scale = double(srcSize) / dstSize;
    const double fscale = std::max(1.0, scale);
    Taps t;
    t.first.resize(dstSize);
    if (m.sampling == S::Nearest) {
        t.span = multiple;
        t.w.assign(size_t(dstSize) * multiple, 0.0f);
        for (int i = 0; i < dstSize; ++i) {
            const int x = std::min(srcSize - 1, int((i + 0.5) * scale));
            t.first[i] = std::min(x, std::max(0, srcSize - multiple));
            t.w[size_t(i) * multiple + (x - t.first[i])] = 1.0f;
        }
        return t;
    }
    const double support = m.sampling == S::Area ? scale / 2 + 1 : m.support * fscale;
    const int reach = std::min(srcSize, int(std::ceil(support)) * 2 + 1);
    // Each output pixel's weights from its first source index on, before they are laid out.
    std::vector<double> all(size_t(dstSize) * reach, 0.0);
    std::vector<int> lows(dstSize), counts(dstSize);
    for (int i = 0; i < dstSize; ++i) {
        double* w = all.data() + size_t(i) * reach;
        const double center = (i + 0.5) * scale;
        int lo = std::max(0, int(std::floor(center - support)));
        int hi = std::min(srcSize, int(std::ceil(center + support)));
        if (hi - lo > reach) lo = std::clamp(int(center) - reach / 2, 0, srcSize - reach);
        hi = std::min(hi, lo + reach);
        double sum = 0.0;
        for (int k = 0; k < hi - lo; ++k) {
            const int x = lo + k;
            if (m.sampling == S::Area) // overlap of [x, x+1) with the output pixel's footprint
                w[k] = std::max(0.0, std::min(x + 1.0, (i + 1) * scale) -
                                         std::max(double(x), i * scale));
            else
                w[k] = m.weight((x + 0.5 - center) / fscale);
            sum += w[k];
        }
        if (std::abs(sum) < 1e-12) { // kernel missed every sample: take the nearest one
            std::fill(w, w + reach, 0.0);
            lo = std::clamp(int(center), 0, srcSize - 1);
            hi = lo + 1;
            w[0] = sum = 1.0;
        }
        // Zero weights at either end cost work and change nothing.
        int skip = 0, count = hi - lo;
        while (count > 1 && w[count - 1] == 0.0) --count;
        while (skip < count - 1 && w[skip] == 0.0) ++skip;
        for (int k = 0; k < count; ++k) w[k] /= sum;
        std::copy(w + skip, w + count, w);
        lows[i] = lo + skip;
        counts[i] = count - skip;
    }
    const int longest = *std::max_element(counts.begin(), counts.end());
    t.span = (longest + multiple - 1) / multiple * multiple;
    t.w.assign(size_t(dstSize) * t.span, 0.0f);
    for (int i = 0; i < dstSize; ++i) {
        t.first[i] = std::max(0, std::min(lows[i], srcSize - t.span));
        const int shift = lows[i] - t.first[i];
        for (int k = 0; k < counts[i]; ++k)
            t.w[size_t(i) * t.span + shift + k] = float(all[size_t(i) * reach + k]);
    }
    return t;
}

using v4f = float __attribute__((vector_size(16)));

// A row of pixels as separate float planes `stride` apart: blue, green, red and, with
// `planes` 4, alpha, the colour premultiplied by it.
PIX_HOT void toPlanes(const uint32_t* src, int n, int planes, float* out, size_t stride) {
    float* b = out;
    float* g = out + stride;
    float* r = out + 2 * stride;
    if (planes == 3) {
        for (int x = 0; x < n; ++x) {
            b[x] = float(int(src[x] & 0xFF));
            g[x] = float(int((src[x] >> 8) & 0xFF));
            r[x] = float(int((src[x] >> 16) & 0xFF));
        }
        return;
    }
    float* a = out + 3 * stride;
    for (int x = 0; x < n; ++x) {
        const float alpha = float(int(src[x] >> 24));
        const float k = alpha / 255.0f;
        b[x] = float(int(src[x] & 0xFF)) * k;
        g[x] = float(int((src[x] >> 8) & 0xFF)) * k;
        r[x] = float(int((src[x] >> 16) & 0xFF)) * k;
        a[x] = alpha;
    }
}

// out (=, or += with `add`) the weighted sum of N rows of n values.
template <int N>
[[gnu::always_inline]] inline void addRows(const float* const* rows, const float* w, int n,
                                           float* out, bool add) {
    float wk[N];
    const float* r[N];
    for (int k = 0; k < N; ++k) wk[k] = w[k], r[k] = rows[k];
    for (int x = 0; x < n; ++x) {
        float sum = add ? out[x] : 0.0f;
        for (int k = 0; k < N; ++k) sum += wk[k] * r[k][x];
        out[x] = sum;
    }
}

// out (=, or += with `add`) the weighted sum of `count` (1 to 4) rows of n values.
PIX_HOT void addWeightedRows(const float* const* rows, const float* w, int count, int n, float* out,
                             bool add) {
    if (count == 4) return addRows<4>(rows, w, n, out, add);
    if (count >= 2) {
        addRows<2>(rows, w, n, out, add);
        rows += 2, w += 2, count -= 2, add = true;
    }
    if (count == 1) addRows<1>(rows, w, n, out, add);
}

inline v4f load4(const float* p) {
    v4f v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The lane sums of four vectors: {sum a, sum b, sum c, sum d}.
[[gnu::always_inline]] inline v4f laneSums(v4f a, v4f b, v4f c, v4f d) {
    const v4f ab =
        __builtin_shufflevector(a, b, 0, 4, 1, 5) + __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const v4f cd =
        __builtin_shufflevector(c, d, 0, 4, 1, 5) + __builtin_shufflevector(c, d, 2, 6, 3, 7);
    return __builtin_shufflevector(ab, cd, 0, 1, 4, 5) +
           __builtin_shufflevector(ab, cd, 2, 3, 6, 7);
}

using v4u = uint32_t __attribute__((vector_size(16)));

[[gnu::always_inline]] inline v4f clamp255(v4f v) {
    v = v > 0.0f ? v : 0.0f;
    return v < 255.0f ? v : 255.0f;
}

[[gnu::always_inline]] inline v4u roundToInt(v4f v) {
    using v4i = int32_t __attribute__((vector_size(16)));
    return v4u(__builtin_convertvector(v + 0.5f, v4i));
}

// Four pixels from their blue, green, red and alpha (premultiplied unless `opaque`), rounded;
// a premultiplied pixel with alpha under one half becomes 0.
[[gnu::always_inline]] inline v4u toPixels(const v4f* c, bool opaque) {
    if (opaque)
        return 0xFF000000u | roundToInt(clamp255(c[2])) << 16 | roundToInt(clamp255(c[1])) << 8 |
               roundToInt(clamp255(c[0]));
    const v4f a = clamp255(c[3]);
    const v4f k = a >= 254.5f ? 1.0f : 255.0f / a;
    const v4u p = roundToInt(a) << 24 | roundToInt(clamp255(c[2] * k)) << 16 |
                  roundToInt(clamp255(c[1] * k)) << 8 | roundToInt(clamp255(c[0] * k));
    return a < 0.5f ? 0u : p;
}

// One output row of n pixels from a row of planes (3: opaque, 4: premultiplied with alpha)
// resampled horizontally through taps first / w of length span, four pixels at a time.
template <int Planes>
[[gnu::always_inline]] inline void planesToRow(const float* planes, size_t stride, const int* first,
                                               const float* w, int span, int n, uint32_t* out) {
    for (int i0 = 0; i0 < n; i0 += 4) {
        v4f parts[4][4];              // by channel, then pixel: four partial sums each
        for (int j = 0; j < 4; ++j) { // past the end: the last pixel again, not stored
            const int i = i0 + j < n ? i0 + j : n - 1;
            const float* wi = w + size_t(i) * span;
            const float* p = planes + first[i];
            v4f acc[4] = {};
            for (int k = 0; k < span; k += 4) {
                const v4f wk = load4(wi + k);
                for (int c = 0; c < Planes; ++c) acc[c] += load4(p + c * stride + k) * wk;
            }
            for (int c = 0; c < 4; ++c) parts[c][j] = acc[c];
        }
        v4f channels[4];
        for (int c = 0; c < 4; ++c)
            channels[c] = laneSums(parts[c][0], parts[c][1], parts[c][2], parts[c][3]);
        const v4u pixels = toPixels(channels, Planes == 3);
        if (i0 + 4 <= n)
            std::memcpy(out + i0, &pixels, sizeof pixels);
        else
            for (int j = 0; j < n - i0; ++j) out[i0 + j] = pixels[j];
    }
}

PIX_HOT void horizontalRow(const float* planes, size_t stride, int planeCount, const int* first,
                           const float* w, int span, int n, uint32_t* out) {
    if (planeCount == 3)
        planesToRow<3>(planes, stride, first, w, span, n, out);
    else
        planesToRow<4>(planes, stride, first, w, span, n, out);
}

// Most bytes of converted source rows a thread keeps; beyond it (very large reductions) rows
// are converted again when an output row needs them.
constexpr size_t kRowCacheBytes = size_t(16) << 20;

} // namespace

const std::array<ResizeMethod, kResizeMethodCount>& resizeMethods() {
    return kMethods;
}

QImage resample(const QImage& src, int width, int height, int method, const ProgressFn& progress) {
    require(method >= 0 && method < kResizeMethodCount,
            QStringLiteral("Invalid resize method %1").arg(method), kSource);
    require(src.format() == QImage::Format_ARGB32 || src.format() == QImage::Format_RGB32,
            QStringLiteral("Resize needs a 32-bit image"), kSource);
    const bool alpha = src.format() == QImage::Format_ARGB32;
    QImage dst = newImage32(width, height, alpha, kSource);
    const ResizeMethod& m = kMethods[method];
    const Taps tx = computeTaps(src.width(), width, m, 4);
    const Taps ty = computeTaps(src.height(), height, m, 1);
    const int srcW = src.width();
    // Vertical pass first, on float planes of the source rows; then each output row is the
    // horizontal pass of one weighted sum of rows.
    const int planeCount = alpha ? 4 : 3;
    const size_t stride = size_t(std::max(srcW, tx.span));
    const size_t rowFloats = planeCount * stride;
    const int cacheRows = int(std::clamp<size_t>(kRowCacheBytes / (rowFloats * sizeof(float)),
                                                 std::min(4, ty.span), size_t(ty.span)));

    const RowView out(dst);
    forEachRowBand(
        height, progress,
        [&](int y0, int y1) {
            // Converted source rows by row % cacheRows, and which row each slot holds. Plane
            // ends past srcW are never written: they hold zeros or earlier finite values, which
            // only meet zero weights.
            thread_local std::vector<float> cache, sum;
            thread_local std::vector<int> held;
            cache.resize(size_t(cacheRows) * rowFloats);
            held.assign(cacheRows, -1);
            sum.resize(rowFloats);
            const float* rows[4];
            for (int y = y0; y < y1; ++y) {
                const int f = ty.first[y];
                const float* w = ty.w.data() + size_t(y) * ty.span;
                for (int k = 0; k < ty.span; k += 4) {
                    const int group = std::min(4, ty.span - k);
                    for (int j = 0; j < group; ++j) {
                        const int r = f + k + j;
                        float* slot = cache.data() + size_t(r % cacheRows) * rowFloats;
                        if (held[r % cacheRows] != r) {
                            toPlanes(row32(src, r), srcW, planeCount, slot, stride);
                            held[r % cacheRows] = r;
                        }
                        rows[j] = slot;
                    }
                    // Rows come four at a time; the sum collects them group by group.
                    addWeightedRows(rows, w + k, group, int(rowFloats), sum.data(), k > 0);
                }
                horizontalRow(sum.data(), stride, planeCount, tx.first.data(), tx.w.data(), tx.span,
                              width, out[y]);
            }
        },
        0, 100, 1);
    return dst;
}

} // namespace pix::ops
