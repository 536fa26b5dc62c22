// Gaussian blur: the sampled kernel for small sigmas, else Deriche's fourth-order recursive
// approximation (a causal and an anticausal pass per direction, edges repeated exactly).
#include "gaussian.h"

#include "area_support.h"
#include "op_support.h"

#include <cmath>
#include <complex>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Processor.GaussianBlur";

// Below this sigma the sampled kernel is short enough to be the faster way.
constexpr double kRecursiveFrom = 2.0;

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

using v4 = float __attribute__((vector_size(16)));

inline v4 loadPixel(const uint8_t* p) {
    return v4{float(p[0]), float(p[1]), float(p[2]), float(p[3])};
}

inline void storePixel(uint8_t* p, v4 v) {
    for (int c = 0; c < 4; ++c) p[c] = clampByte(double(v[c]));
}

// One row filtered horizontally, four channels at once; `in` and `out` may be the same row.
void filterRow(const uint8_t* in, uint8_t* out, int w, const Coeffs& c, std::vector<v4>& xs,
               std::vector<v4>& ys) {
    xs.resize(size_t(w) + 8);
    ys.resize(size_t(w));
    v4* x = xs.data() + 4;
    for (int i = 0; i < w; ++i) x[i] = loadPixel(in + 4 * i);
    for (int i = 1; i <= 4; ++i) x[-i] = x[0], x[w - 1 + i] = x[w - 1];
    v4 y1 = x[0] * c.causalGain, y2 = y1, y3 = y1, y4 = y1;
    for (int i = 0; i < w; ++i) {
        const v4 y = c.n[0] * x[i] + c.n[1] * x[i - 1] + c.n[2] * x[i - 2] + c.n[3] * x[i - 3] -
                     c.d[1] * y1 - c.d[2] * y2 - c.d[3] * y3 - c.d[4] * y4;
        ys[size_t(i)] = y;
        y4 = y3, y3 = y2, y2 = y1, y1 = y;
    }
    v4 z1 = x[w - 1] * c.anticausalGain, z2 = z1, z3 = z1, z4 = z1;
    for (int i = w - 1; i >= 0; --i) {
        const v4 z = c.m[1] * x[i + 1] + c.m[2] * x[i + 2] + c.m[3] * x[i + 3] + c.m[4] * x[i + 4] -
                     c.d[1] * z1 - c.d[2] * z2 - c.d[3] * z3 - c.d[4] * z4;
        storePixel(out + 4 * i, ys[size_t(i)] + z);
        z4 = z3, z3 = z2, z2 = z1, z1 = z;
    }
}

constexpr int kStrip = 64; // bytes (16 pixels) of each column strip of the vertical pass

// acc = sum of taps over lanes, the recursive step of one row of a strip.
PIX_HOT void stepRows(float* y, const float* x0, const float* x1, const float* x2, const float* x3,
                      const float* y1, const float* y2, const float* y3, const float* y4,
                      const float* k, int n) {
    for (int l = 0; l < n; ++l)
        y[l] = k[0] * x0[l] + k[1] * x1[l] + k[2] * x2[l] + k[3] * x3[l] - k[4] * y1[l] -
               k[5] * y2[l] - k[6] * y3[l] - k[7] * y4[l];
}

PIX_HOT void addRows(uint8_t* out, const float* a, const float* b, int n) {
    for (int l = 0; l < n; ++l) {
        const float v = a[l] + b[l] + 0.5f;
        out[l] = uint8_t(v <= 0.0f ? 0 : (v >= 255.0f ? 255 : int(v)));
    }
}

// Columns [c0, c1) (in bytes) of `img` filtered vertically in place.
void filterStrip(cv::Mat& img, int c0, int c1, const Coeffs& c) {
    const int h = img.rows, n = c1 - c0;
    thread_local std::vector<float> xs, ys, zs;
    xs.assign(size_t(h + 8) * kStrip, 0.0f);
    ys.assign(size_t(h + 4) * kStrip, 0.0f);
    zs.assign(size_t(8) * kStrip, 0.0f);
    auto X = [&](int row) { return xs.data() + size_t(row + 4) * kStrip; };
    auto Y = [&](int row) { return ys.data() + size_t(row + 4) * kStrip; };
    for (int row = -4; row < h + 4; ++row) {
        const uint8_t* s = img.ptr<uint8_t>(std::clamp(row, 0, h - 1)) + c0;
        float* d = X(row);
        for (int l = 0; l < n; ++l) d[l] = s[l];
    }
    for (int row = -4; row < 0; ++row)
        for (int l = 0; l < n; ++l) Y(row)[l] = X(0)[l] * c.causalGain;
    const float kc[8] = {c.n[0], c.n[1], c.n[2], c.n[3], c.d[1], c.d[2], c.d[3], c.d[4]};
    for (int row = 0; row < h; ++row)
        stepRows(Y(row), X(row), X(row - 1), X(row - 2), X(row - 3), Y(row - 1), Y(row - 2),
                 Y(row - 3), Y(row - 4), kc, n);
    // The anticausal pass keeps its last four rows in a ring.
    float* z[5];
    for (int i = 0; i < 5; ++i) z[i] = zs.data() + size_t(i) * kStrip;
    for (int i = 1; i < 5; ++i)
        for (int l = 0; l < n; ++l) z[i][l] = X(h - 1)[l] * c.anticausalGain;
    const float ka[8] = {c.m[1], c.m[2], c.m[3], c.m[4], c.d[1], c.d[2], c.d[3], c.d[4]};
    for (int row = h - 1; row >= 0; --row) {
        stepRows(z[0], X(row + 1), X(row + 2), X(row + 3), X(row + 4), z[1], z[2], z[3], z[4], ka,
                 n);
        addRows(img.ptr<uint8_t>(row) + c0, Y(row), z[0], n);
        float* last = z[4];
        z[4] = z[3], z[3] = z[2], z[2] = z[1], z[1] = z[0], z[0] = last;
    }
}

void recursiveBlur(const cv::Mat& in, cv::Mat& out, double sigma, const ProgressFn& progress,
                   int percentFrom, int percentTo) {
    const Coeffs c = derivePasses(sigma);
    const int w = in.cols, mid = (percentFrom + percentTo) / 2;
    forEachRowBand(
        in.rows, progress,
        [&](int y0, int y1) {
            thread_local std::vector<v4> xs, ys;
            for (int y = y0; y < y1; ++y)
                filterRow(in.ptr<uint8_t>(y), out.ptr<uint8_t>(y), w, c, xs, ys);
        },
        percentFrom, mid);
    const int bytes = w * 4, strips = (bytes + kStrip - 1) / kStrip;
    forEachRowBand(
        strips, progress,
        [&](int s0, int s1) {
            for (int s = s0; s < s1; ++s)
                filterStrip(out, s * kStrip, std::min(bytes, (s + 1) * kStrip), c);
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
