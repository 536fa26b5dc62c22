// Gaussian blur: the sampled kernel for small sigmas, else Deriche's fourth-order recursive
// approximation (a causal and an anticausal pass per direction, edges repeated exactly).
#include "gaussian.h"

#include "area_support.h"
#include "engine/image_limits.h"
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
using Lanes = float[kLanes];

// Each pass runs over all positions in one call, so that the lanes' loop is the only inner loop
// and nothing is called per position.

// Causal pass: y[p] = sum k[0..3] x[p - 0..3] - sum k[4..7] y[p - 1..4], over positions
// 0..n-1 of xs and ys, which both hold four positions of history before position 0.
PIX_HOT void causalPass(const Lanes* __restrict xs, Lanes* __restrict ys, int n, const float* k) {
    for (int p = 4; p < n + 4; ++p)
        for (int l = 0; l < kLanes; ++l)
            ys[p][l] = k[0] * xs[p][l] + k[1] * xs[p - 1][l] + k[2] * xs[p - 2][l] +
                       k[3] * xs[p - 3][l] - k[4] * ys[p - 1][l] - k[5] * ys[p - 2][l] -
                       k[6] * ys[p - 3][l] - k[7] * ys[p - 4][l];
}

// Anticausal pass from the end, z[p] = sum k[0..3] x[p + 1..4] - sum k[4..7] z[p + 1..4],
// added to the causal result in ys and rounded to bytes. z[p] takes the place of the causal
// value it was added to, so ys holds z's history; xs and ys hold four positions after the last
// one (ys with z's starting values).
PIX_HOT void anticausalPass(const Lanes* __restrict xs, Lanes* __restrict ys,
                            uint8_t* __restrict out, int n, const float* k) {
    for (int p = n + 3; p >= 4; --p) {
        uint8_t* o = out + size_t(p - 4) * kLanes;
        for (int l = 0; l < kLanes; ++l) {
            const float z = k[0] * xs[p + 1][l] + k[1] * xs[p + 2][l] + k[2] * xs[p + 3][l] +
                            k[3] * xs[p + 4][l] - k[4] * ys[p + 1][l] - k[5] * ys[p + 2][l] -
                            k[6] * ys[p + 3][l] - k[7] * ys[p + 4][l];
            const int v = int(ys[p][l] + z + 0.5f); // clamped as integers: min/max instructions
            ys[p][l] = z;
            o[l] = uint8_t(std::clamp(v, 0, 255));
        }
    }
}

// Positions 0..n-1 of 16 rows' pixels (fewer rows repeat the last), 4 channels each, as floats.
PIX_HOT void loadRowBlock(const cv::Mat& in, int y0, int rows, Lanes* xs, int n) {
    const uint8_t* src[kLanes / 4];
    for (int r = 0; r < kLanes / 4; ++r) src[r] = in.ptr<uint8_t>(y0 + std::min(r, rows - 1));
    for (int x = 0; x < n; ++x) {
        // The pixels first, as whole words; then one vectorised conversion of all their bytes.
        uint8_t pixels[kLanes];
        for (int r = 0; r < kLanes / 4; ++r) std::memcpy(pixels + 4 * r, src[r] + 4 * x, 4);
        for (int l = 0; l < kLanes; ++l) xs[x][l] = pixels[l];
    }
}

// Filters n positions of kLanes values, loaded into xs[4..n+3] by the caller, into bytes
// (n x kLanes), with the edge values repeated.
void filterLanes(Lanes* x, Lanes* ys, uint8_t* bytes, int n, const Coeffs& c) {
    for (int i = 1; i <= 4; ++i) {
        std::copy(x[4], x[4] + kLanes, x[4 - i]);
        std::copy(x[n + 3], x[n + 3] + kLanes, x[n + 3 + i]);
        for (int l = 0; l < kLanes; ++l) ys[4 - i][l] = x[4][l] * c.causalGain;
    }
    const float kc[8] = {c.n[0], c.n[1], c.n[2], c.n[3], c.d[1], c.d[2], c.d[3], c.d[4]};
    causalPass(x, ys, n, kc);
    for (int i = 1; i <= 4; ++i)
        for (int l = 0; l < kLanes; ++l) ys[n + 3 + i][l] = x[n + 3][l] * c.anticausalGain;
    const float ka[8] = {c.m[1], c.m[2], c.m[3], c.m[4], c.d[1], c.d[2], c.d[3], c.d[4]};
    anticausalPass(x, ys, bytes, n, ka);
}

// The buffers of one band, kept per thread from band to band.
struct LaneBuffers {
    std::vector<float> xs, ys;
    std::vector<uint8_t> bytes;
    // Room for n positions; the first one to load.
    Lanes* reserve(int n) {
        xs.resize((size_t(n) + 8) * kLanes);
        ys.resize((size_t(n) + 8) * kLanes);
        bytes.resize(size_t(n) * kLanes);
        return x() + 4;
    }
    Lanes* x() { return reinterpret_cast<Lanes*>(xs.data()); }
    Lanes* y() { return reinterpret_cast<Lanes*>(ys.data()); }
};

// Stores position p's 16 pixels (fewer at the bottom edge) at column `at` of row p of `to`:
// a block of rows filtered along x lands transposed, so that the second pass reads columns as
// rows.
void storeTransposed(cv::Mat& to, int at, int rows, const uint8_t* bytes, int n) {
    if (rows == kLanes / 4) // a fixed size: one vector copy, no call
        for (int p = 0; p < n; ++p)
            std::memcpy(to.ptr<uint8_t>(p) + 4 * at, bytes + size_t(p) * kLanes, kLanes);
    else
        for (int p = 0; p < n; ++p)
            std::memcpy(to.ptr<uint8_t>(p) + 4 * at, bytes + size_t(p) * kLanes, size_t(4) * rows);
}

// Filters the rows of `from` in blocks of 16 into `to`, transposed.
void filterRowsTransposed(const cv::Mat& from, cv::Mat& to, const Coeffs& c,
                          const ProgressFn& progress, int percentFrom, int percentTo) {
    constexpr int kRows = kLanes / 4;
    const int w = from.cols, h = from.rows;
    // Split by rows, so that progress comes as often as for any other filter: a band takes the
    // blocks that start inside it.
    forEachRowBand(
        h, progress,
        [&](int y0, int y1) {
            thread_local LaneBuffers buf;
            for (int b = (y0 + kRows - 1) / kRows; b < (y1 + kRows - 1) / kRows; ++b) {
                const int y0 = b * kRows, rows = std::min(kRows, h - y0);
                loadRowBlock(from, y0, rows, buf.reserve(w), w);
                filterLanes(buf.x(), buf.y(), buf.bytes.data(), w, c);
                storeTransposed(to, y0, rows, buf.bytes.data(), w);
            }
        },
        percentFrom, percentTo, 2);
}

// Rows, then columns as the rows of a transposed buffer, each read and written a cache line
// at a time.
void recursiveBlur(const cv::Mat& in, cv::Mat& out, double sigma, const ProgressFn& progress,
                   int percentFrom, int percentTo) {
    const Coeffs c = derivePasses(sigma);
    const int touched = percentFrom + (percentTo - percentFrom) / 10;
    const int mid = (touched + percentTo) / 2;
    QImage buffer = allocateImage(in.rows, in.cols, QImage::Format_ARGB32, kSource);
    // The first pass writes a strip of every row of the fresh buffer: touch its pages in bands
    // first, so that the cost of faulting them in comes with progress rather than all at once.
    const RowView bufferRows(buffer);
    const size_t rowBytes = size_t(buffer.bytesPerLine());
    forEachRowBand(
        buffer.height(), progress,
        [&](int y0, int y1) { std::memset(bufferRows.bytes(y0), 0, rowBytes * size_t(y1 - y0)); },
        percentFrom, touched);
    cv::Mat transposed(in.cols, in.rows, CV_8UC4, buffer.bits(), size_t(buffer.bytesPerLine()));
    filterRowsTransposed(in, transposed, c, progress, touched, mid);
    filterRowsTransposed(transposed, out, c, progress, mid, percentTo);
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

QImage gaussianBlur(const QImage& src, double sigma, bool ignoreAlpha, const ProgressFn& progress,
                    int percentFrom, int percentTo) {
    return filterImage(
        src, ignoreAlpha ? AlphaMode::Keep : AlphaMode::Filter, true,
        [&](const cv::Mat& in, cv::Mat& out) {
            gaussianBlurMat(in, out, sigma, progress, percentFrom, percentTo);
        },
        kSource);
}

namespace {

// The share of the progress span that the blur takes in the filters built on it.
constexpr int kBlurShare = 80;

// out = f(src byte, blurred byte) per colour channel, alpha as in src; `blurred` is `out`.
template <class F>
void combineWithBlur(const QImage& src, QImage& out, const ProgressFn& progress, F f) {
    const int w = src.width();
    const RowView rows(out);
    forEachRowBand(
        src.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const uint8_t* s = src.constScanLine(y);
                uint8_t* o = rows.bytes(y);
                for (int x = 0; x < 4 * w; x += 4) {
                    for (int c = 0; c < 3; ++c) o[x + c] = f(s[x + c], o[x + c]);
                    o[x + 3] = s[x + 3];
                }
            }
        },
        kBlurShare, 100);
}

} // namespace

QImage highPass(const QImage& src, double radius, const ProgressFn& progress) {
    require(std::isfinite(radius) && radius >= 0.1 && radius <= 500,
            QStringLiteral("High pass radius %1 is not 0.1..500").arg(radius),
            "Processor.HighPass");
    QImage out = gaussianBlur(src, radius, true, progress, 0, kBlurShare);
    combineWithBlur(src, out, progress, [](int s, int b) { return clampByte(s - b + 128); });
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
    QImage out = gaussianBlur(src, radius, true, progress, 0, kBlurShare);
    const int gain = int(std::lround(amount * 256));
    combineWithBlur(src, out, progress, [gain, threshold](int s, int b) {
        const int detail = s - b;
        if (std::abs(detail) <= threshold) return uint8_t(s);
        return clampByte(s + (detail * gain + (detail >= 0 ? 128 : -128)) / 256);
    });
    return out;
}

} // namespace pix::ops
