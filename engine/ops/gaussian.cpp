// Gaussian blur: the sampled kernel for small sigmas, else Deriche's fourth-order recursive
// approximation (a causal and an anticausal pass per direction, edges repeated exactly).
#include "gaussian.h"

#include "area_support.h"
#include "op_support.h"

#include <cmath>
#include <complex>
#include <cstring>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Processor.GaussianBlur";

// Below this sigma the sampled kernel is short enough to be the faster way, and OpenCV's
// fixed-point kernel stays within a level of the exact Gaussian (at 3 it is off by 2).
constexpr double kRecursiveFrom = 2.5;

// The recursive filter: y+[n] = sum n_k x[n-k] - sum d_k y+[n-k] (k 0..3 / 1..4),
// y-[n] = sum m_k x[n+k] - sum d_k y-[n+k] (k 1..4), y = y+ + y-, normalised to unit gain.
struct Coeffs {
    float n[4], m[5], d[5];
    float causalGain, anticausalGain; // steady output per unit of constant input
};

Coeffs derivePasses(double sigma) {
    // Deriche's fit of exp(-t^2 / 2): two damped cosine pairs.
    constexpr double a0 = 1.680, a1 = 3.735, b0 = 1.783, w0 = 0.6318;
    constexpr double c0 = -0.6803, c1 = -0.2598, b1 = 1.723, w1 = 1.997;
    using C = std::complex<double>;
    const C p[4] = {std::exp(C(-b0, w0) / sigma), std::exp(C(-b0, -w0) / sigma),
                    std::exp(C(-b1, w1) / sigma), std::exp(C(-b1, -w1) / sigma)};
    const C r[4] = {C(a0, -a1) / 2.0, C(a0, a1) / 2.0, C(c0, -c1) / 2.0, C(c0, c1) / 2.0};
    // Polynomials in z^-1: den = prod (1 - p_k z^-1), num = sum r_k prod_{j != k} (1 - p_j z^-1).
    auto times = [](std::vector<C> poly, C root) {
        poly.push_back(0);
        for (size_t i = poly.size() - 1; i > 0; --i) poly[i] -= root * poly[i - 1];
        return poly;
    };
    std::vector<C> den{1};
    for (const C& pk : p) den = times(den, pk);
    std::vector<C> num(4, 0);
    for (int k = 0; k < 4; ++k) {
        std::vector<C> part{r[k]};
        for (int j = 0; j < 4; ++j)
            if (j != k) part = times(part, p[j]);
        for (int i = 0; i < 4; ++i) num[i] += part[i];
    }
    double n[4], d[5], m[5];
    for (int i = 0; i < 4; ++i) n[i] = num[i].real();
    for (int i = 0; i < 5; ++i) d[i] = den[i].real();
    // The anticausal response is the causal one mirrored without its sample at 0.
    m[0] = 0;
    for (int i = 1; i < 4; ++i) m[i] = n[i] - d[i] * n[0];
    m[4] = -d[4] * n[0];
    double sumN = 0, sumM = 0, sumD = 0;
    for (int i = 0; i < 4; ++i) sumN += n[i];
    for (int i = 1; i < 5; ++i) sumM += m[i];
    for (int i = 0; i < 5; ++i) sumD += d[i];
    const double total = (sumN + sumM) / sumD;
    Coeffs c{};
    for (int i = 0; i < 4; ++i) c.n[i] = float(n[i] / total);
    for (int i = 0; i < 5; ++i) c.m[i] = float(m[i] / total), c.d[i] = float(d[i]);
    c.causalGain = float(sumN / total / sumD);
    c.anticausalGain = float(sumM / total / sumD);
    return c;
}

constexpr int kLanes = 64; // values filtered side by side: 16 pixels of 4 channels

// One recursive step over the lanes: y = sum k[0..3] * x[0..3] - sum k[4..7] * y[1..4].
PIX_HOT void step(float* y, const float* x0, const float* x1, const float* x2, const float* x3,
                  const float* y1, const float* y2, const float* y3, const float* y4,
                  const float* k) {
    for (int l = 0; l < kLanes; ++l)
        y[l] = k[0] * x0[l] + k[1] * x1[l] + k[2] * x2[l] + k[3] * x3[l] - k[4] * y1[l] -
               k[5] * y2[l] - k[6] * y3[l] - k[7] * y4[l];
}

PIX_HOT void toFloats(float* d, const uint8_t* s) {
    for (int l = 0; l < kLanes; ++l) d[l] = s[l];
}

PIX_HOT void sumToBytes(uint8_t* out, const float* a, const float* b) {
    for (int l = 0; l < kLanes; ++l) {
        const float v = a[l] + b[l] + 0.5f;
        out[l] = uint8_t(v <= 0.0f ? 0 : (v >= 255.0f ? 255 : int(v)));
    }
}

// Filters n positions of kLanes values each: load(pos, float*) fills a position's lanes (pos in
// 0..n-1), store(pos, const uint8_t*) takes its filtered lanes as bytes.
template <class Load, class Store>
void filterLanes(int n, const Coeffs& c, const Load& load, const Store& store) {
    thread_local std::vector<float> xs, ys, zs;
    thread_local std::vector<uint8_t> bytes;
    xs.resize(size_t(n + 8) * kLanes);
    ys.resize(size_t(n + 4) * kLanes);
    zs.resize(size_t(5) * kLanes);
    bytes.resize(kLanes);
    auto X = [&](int pos) { return xs.data() + size_t(pos + 4) * kLanes; };
    auto Y = [&](int pos) { return ys.data() + size_t(pos + 4) * kLanes; };
    for (int pos = 0; pos < n; ++pos) load(pos, X(pos));
    for (int i = 1; i <= 4; ++i) {
        std::copy(X(0), X(0) + kLanes, X(-i));
        std::copy(X(n - 1), X(n - 1) + kLanes, X(n - 1 + i));
        for (int l = 0; l < kLanes; ++l) Y(-i)[l] = X(0)[l] * c.causalGain;
    }
    const float kc[8] = {c.n[0], c.n[1], c.n[2], c.n[3], c.d[1], c.d[2], c.d[3], c.d[4]};
    for (int pos = 0; pos < n; ++pos)
        step(Y(pos), X(pos), X(pos - 1), X(pos - 2), X(pos - 3), Y(pos - 1), Y(pos - 2), Y(pos - 3),
             Y(pos - 4), kc);
    // The anticausal pass keeps its last four outputs in a ring.
    float* z[5];
    for (int i = 0; i < 5; ++i) z[i] = zs.data() + size_t(i) * kLanes;
    for (int i = 1; i < 5; ++i)
        for (int l = 0; l < kLanes; ++l) z[i][l] = X(n - 1)[l] * c.anticausalGain;
    const float ka[8] = {c.m[1], c.m[2], c.m[3], c.m[4], c.d[1], c.d[2], c.d[3], c.d[4]};
    for (int pos = n - 1; pos >= 0; --pos) {
        step(z[0], X(pos + 1), X(pos + 2), X(pos + 3), X(pos + 4), z[1], z[2], z[3], z[4], ka);
        sumToBytes(bytes.data(), Y(pos), z[0]);
        store(pos, bytes.data());
        float* last = z[4];
        z[4] = z[3], z[3] = z[2], z[2] = z[1], z[1] = z[0], z[0] = last;
    }
}

void recursiveBlur(const cv::Mat& in, cv::Mat& out, double sigma, const ProgressFn& progress,
                   int percentFrom, int percentTo) {
    const Coeffs c = derivePasses(sigma);
    const int w = in.cols, h = in.rows, mid = (percentFrom + percentTo) / 2;
    constexpr int kRows = kLanes / 4;
    // Rows in blocks of 16, each pixel position holding the 4 channels of 16 rows.
    const int blocks = (h + kRows - 1) / kRows;
    forEachRowBand(
        blocks, progress,
        [&](int b0, int b1) {
            for (int b = b0; b < b1; ++b) {
                const int y0 = b * kRows, rows = std::min(kRows, h - y0);
                filterLanes(
                    w, c,
                    [&](int x, float* d) {
                        uint32_t gathered[kRows];
                        for (int r = 0; r < kRows; ++r)
                            gathered[r] = in.ptr<uint32_t>(y0 + std::min(r, rows - 1))[x];
                        toFloats(d, reinterpret_cast<const uint8_t*>(gathered));
                    },
                    [&](int x, const uint8_t* v) {
                        for (int r = 0; r < rows; ++r)
                            std::memcpy(out.ptr<uint8_t>(y0 + r) + 4 * x, v + 4 * r, 4);
                    });
            }
        },
        percentFrom, mid, 2);
    // Then columns in strips of 16 pixels, in place.
    const int bytes = w * 4, strips = (bytes + kLanes - 1) / kLanes;
    forEachRowBand(
        strips, progress,
        [&](int s0, int s1) {
            for (int s = s0; s < s1; ++s) {
                const int c0 = s * kLanes, n = std::min(kLanes, bytes - c0);
                filterLanes(
                    h, c,
                    [&](int y, float* d) {
                        const uint8_t* src = out.ptr<uint8_t>(y) + c0;
                        if (n == kLanes) return toFloats(d, src);
                        for (int l = 0; l < kLanes; ++l) d[l] = src[std::min(l, n - 1)];
                    },
                    [&](int y, const uint8_t* v) { std::memcpy(out.ptr<uint8_t>(y) + c0, v, n); });
            }
        },
        mid, percentTo, 2);
}

} // namespace

double gaussianSigmaOfStrength(int percent) {
    return percent / 50.0;
}

void gaussianBlurMat(const cv::Mat& in, cv::Mat& out, double sigma, const ProgressFn& progress,
                     int percentFrom, int percentTo) {
    require(std::isfinite(sigma) && sigma >= 0.1 && sigma <= 500,
            QStringLiteral("Blur radius %1 is not 0.1..500").arg(sigma), kSource);
    if (sigma >= kRecursiveFrom)
        return recursiveBlur(in, out, sigma, progress, percentFrom, percentTo);
    const cv::Mat src = in.data == out.data ? in.clone() : in;
    const int half = int(std::ceil(3 * sigma));
    auto blur = [&](const cv::Mat& i, cv::Mat& o) {
        cv::GaussianBlur(i, o, cv::Size(2 * half + 1, 2 * half + 1), sigma, sigma,
                         cv::BORDER_REPLICATE | cv::BORDER_ISOLATED);
    };
    // OpenCV's fixed-point Gaussian runs only on isolated regions: one call on the whole
    // picture when nothing listens for progress, else chunks with their halo rows.
    if (!progress) return blur(src, out);
    filterRowsWithHalo(src, out, half, progress, blur, percentFrom, percentTo);
}

QImage gaussianBlur(const QImage& src, double sigma, bool ignoreAlpha, const ProgressFn& progress) {
    return filterImage(
        src, ignoreAlpha ? AlphaMode::Keep : AlphaMode::Filter, true,
        [&](const cv::Mat& in, cv::Mat& out) { gaussianBlurMat(in, out, sigma, progress); },
        kSource);
}

namespace {

// out = f(src byte, blurred byte) per colour channel, alpha as in src; `blurred` is `out`.
template <class F> void combineWithBlur(const QImage& src, QImage& out, F f) {
    const int w = src.width();
    const RowView rows(out);
    forEachRowBand(src.height(), {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = src.constScanLine(y);
            uint8_t* o = rows.bytes(y);
            for (int x = 0; x < 4 * w; x += 4) {
                for (int c = 0; c < 3; ++c) o[x + c] = f(s[x + c], o[x + c]);
                o[x + 3] = s[x + 3];
            }
        }
    });
}

} // namespace

QImage highPass(const QImage& src, double radius, const ProgressFn& progress) {
    require(std::isfinite(radius) && radius >= 0.1 && radius <= 500,
            QStringLiteral("High pass radius %1 is not 0.1..500").arg(radius),
            "Processor.HighPass");
    QImage out = gaussianBlur(src, radius, true, progress);
    combineWithBlur(src, out, [](int s, int b) { return clampByte(s - b + 128); });
    return out;
}

QImage unsharpMask(const QImage& src, int threshold, double amount, double radius,
                   const ProgressFn& progress) {
    constexpr const char* source = "Processor.UnsharpMask";
    require(threshold >= 0 && threshold <= 255,
            QStringLiteral("Threshold %1 is not 0..255").arg(threshold), source);
    require(std::isfinite(amount) && amount >= 0 && amount <= 100,
            QStringLiteral("Amount %1 is not 0..100").arg(amount), source);
    require(std::isfinite(radius) && radius >= 0.1 && radius <= 500,
            QStringLiteral("Radius %1 is not 0.1..500").arg(radius), source);
    QImage out = gaussianBlur(src, radius, true, progress);
    const int gain = int(std::lround(amount * 256));
    combineWithBlur(src, out, [gain, threshold](int s, int b) {
        const int detail = s - b;
        if (std::abs(detail) <= threshold) return uint8_t(s);
        return clampByte(s + (detail * gain + (detail >= 0 ? 128 : -128)) / 256);
    });
    return out;
}

} // namespace pix::ops
