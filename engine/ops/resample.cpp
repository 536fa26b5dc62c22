#include "resample.h"

#include "op_support.h"

#include <algorithm>
#include <cmath>
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
    std::vector<int> first; // first source index
    std::vector<float> w;   // span weights per output pixel
};

Taps computeTaps(int srcSize, int dstSize, const ResizeMethod& m) {
    const double scale = double(srcSize) / dstSize;
    const double fscale = std::max(1.0, scale);
    Taps t;
    t.first.resize(dstSize);
    if (m.sampling == S::Nearest) {
        t.span = 1;
        t.w.assign(dstSize, 1.0f);
        for (int i = 0; i < dstSize; ++i)
            t.first[i] = std::min(srcSize - 1, int((i + 0.5) * scale));
        return t;
    }
    const double support = m.sampling == S::Area ? scale / 2 + 1 : m.support * fscale;
    t.span = std::min(srcSize, int(std::ceil(support)) * 2 + 1);
    t.w.assign(size_t(dstSize) * t.span, 0.0f);
    std::vector<double> w(t.span);
    for (int i = 0; i < dstSize; ++i) {
        const double center = (i + 0.5) * scale;
        int lo = std::max(0, int(std::floor(center - support)));
        int hi = std::min(srcSize, int(std::ceil(center + support)));
        if (hi - lo > t.span) lo = std::clamp(int(center) - t.span / 2, 0, srcSize - t.span);
        hi = std::min(hi, lo + t.span);
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
            std::fill(w.begin(), w.end(), 0.0);
            lo = std::clamp(int(center), 0, srcSize - 1);
            hi = lo + 1;
            w[0] = sum = 1.0;
        }
        t.first[i] = std::min(lo, srcSize - t.span);
        const int shift = lo - t.first[i];
        for (int k = 0; k < hi - lo; ++k) t.w[size_t(i) * t.span + shift + k] = float(w[k] / sum);
    }
    return t;
}

using v4f = float __attribute__((vector_size(16)));

inline v4f toFloat4(uint32_t p) { // premultiplied B, G, R, A
    const float a = float(p >> 24);
    const float k = a / 255.0f;
    return v4f{float(p & 0xFF) * k, float((p >> 8) & 0xFF) * k, float((p >> 16) & 0xFF) * k, a};
}

inline uint32_t fromFloat4(v4f v) { // un-premultiplies and rounds
    const float a = std::clamp(v[3], 0.0f, 255.0f);
    if (a < 0.5f) return 0;
    const float k = a >= 254.5f ? 1.0f : 255.0f / a;
    auto ch = [&](float c) { return uint32_t(std::clamp(c * k, 0.0f, 255.0f) + 0.5f); };
    return (uint32_t(a + 0.5f) << 24) | (ch(v[2]) << 16) | (ch(v[1]) << 8) | ch(v[0]);
}

// One source row resampled horizontally into `out` (dstW float4 pixels).
PIX_HOT void horizontalRow(const uint32_t* src, int srcW, const Taps& tx,
                           std::vector<v4f>& premulRow, v4f* out) {
    premulRow.resize(srcW);
    for (int x = 0; x < srcW; ++x) premulRow[x] = toFloat4(src[x]);
    const int n = int(tx.first.size());
    const float* w = tx.w.data();
    for (int i = 0; i < n; ++i, w += tx.span) {
        const v4f* p = premulRow.data() + tx.first[i];
        v4f acc = {0, 0, 0, 0};
        for (int k = 0; k < tx.span; ++k) acc += p[k] * w[k];
        out[i] = acc;
    }
}

// One output row: the weighted sum of `span` resampled rows, un-premultiplied.
PIX_HOT void verticalRow(const v4f* const* rows, const float* w, int span, int width,
                         uint32_t* out) {
    for (int x = 0; x < width; ++x) {
        v4f acc = {0, 0, 0, 0};
        for (int k = 0; k < span; ++k) acc += rows[k][x] * w[k];
        out[x] = fromFloat4(acc);
    }
}

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
    const Taps tx = computeTaps(src.width(), width, m);
    const Taps ty = computeTaps(src.height(), height, m);
    const int srcW = src.width();

    const RowView out(dst);
    forEachRowBand(
        height, progress,
        [&](int y0, int y1) {
            // Ring of the last `span` horizontally resampled source rows: the first tap of
            // each output row never moves backwards, so every source row is filtered once.
            thread_local std::vector<v4f> ring, premulRow;
            thread_local std::vector<const v4f*> rows;
            const int span = ty.span;
            ring.resize(size_t(span) * width);
            rows.resize(span);
            int next = ty.first[y0];
            for (int y = y0; y < y1; ++y) {
                const int f = ty.first[y];
                for (int r = std::max(next, f); r < f + span; ++r)
                    horizontalRow(row32(src, r), srcW, tx, premulRow,
                                  ring.data() + size_t(r % span) * width);
                next = f + span;
                for (int k = 0; k < span; ++k)
                    rows[k] = ring.data() + size_t((f + k) % span) * width;
                verticalRow(rows.data(), ty.w.data() + size_t(y) * span, span, width, out[y]);
            }
        },
        0, 100, 1);
    return dst;
}

} // namespace pix::ops
