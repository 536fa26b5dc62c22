#include "blur_motion.h"

#include "op_support.h"

#include <cmath>
#include <map>
#include <numbers>
#include <vector>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Effects.MotionBlur";

struct Tap {
    int dx, dy;
    uint32_t w; // weight x 65536
};

// The linear kernel: n samples along the line, each split bilinearly over the four pixels
// around it, convolved with itself `steps` times; weights sum to exactly 65536.
std::vector<Tap> lineKernel(double distance, int steps, double angle) {
    const int n = int(std::ceil(distance)) + 1;
    const double a = angle * std::numbers::pi / 180.0;
    const double ux = std::cos(a), uy = -std::sin(a);
    std::map<std::pair<int, int>, double> one;
    for (int k = 0; k < n; ++k) {
        const double t = n > 1 ? distance * (double(k) / (n - 1) - 0.5) : 0.0;
        const double x = t * ux, y = t * uy;
        const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        one[{x0, y0}] += (1 - fx) * (1 - fy) / n;
        one[{x0 + 1, y0}] += fx * (1 - fy) / n;
        one[{x0, y0 + 1}] += (1 - fx) * fy / n;
        one[{x0 + 1, y0 + 1}] += fx * fy / n;
    }
    std::map<std::pair<int, int>, double> k = one;
    for (int s = 1; s < steps; ++s) {
        std::map<std::pair<int, int>, double> next;
        for (const auto& [p, w] : k)
            for (const auto& [q, v] : one) next[{p.first + q.first, p.second + q.second}] += w * v;
        k = std::move(next);
    }
    std::vector<Tap> taps;
    int64_t sum = 0;
    for (const auto& [p, w] : k) {
        const auto iw = uint32_t(std::lround(w * 65536.0));
        if (iw == 0) continue;
        taps.push_back({p.first, p.second, iw});
        sum += iw;
    }
    // Rounding leftovers go to the heaviest tap so a flat area stays exactly flat.
    auto heaviest = std::max_element(taps.begin(), taps.end(),
                                     [](const Tap& a, const Tap& b) { return a.w < b.w; });
    heaviest->w = uint32_t(int64_t(heaviest->w) + 65536 - sum);
    return taps;
}

// acc[i] += w * src[i] over n bytes.
PIX_HOT void accumulate(uint32_t* acc, const uint8_t* src, uint32_t w, int n) {
    for (int i = 0; i < n; ++i) acc[i] += w * src[i];
}

// One pass of the sparse linear kernel from `in` to `out` (same size, premultiplied bytes),
// edges clamped.
void convolveTaps(const QImage& in, QImage& out, const std::vector<Tap>& taps,
                  const ProgressFn& progress) {
    const int w = in.width(), h = in.height();
    const RowView outRows(out);
    forEachRowBand(h, progress, [&](int y0, int y1) {
        thread_local std::vector<uint32_t> acc;
        acc.resize(size_t(w) * 4);
        for (int y = y0; y < y1; ++y) {
            std::fill(acc.begin(), acc.end(), 0u);
            for (const Tap& t : taps) {
                const uint8_t* s = in.constScanLine(std::clamp(y + t.dy, 0, h - 1));
                const int lo = std::clamp(-t.dx, 0, w), hi = std::clamp(w - t.dx, lo, w);
                for (int x = 0; x < lo; ++x)
                    for (int c = 0; c < 4; ++c) acc[4 * x + c] += t.w * s[c];
                accumulate(acc.data() + 4 * lo, s + 4 * (lo + t.dx), t.w, 4 * (hi - lo));
                for (int x = hi; x < w; ++x)
                    for (int c = 0; c < 4; ++c) acc[4 * x + c] += t.w * s[4 * (w - 1) + c];
            }
            uint8_t* o = outRows.bytes(y);
            for (int i = 0; i < 4 * w; ++i) o[i] = uint8_t((acc[i] + 32768) >> 16);
        }
    });
}

// One pass of radial or zoom averaging from `in` to `out` with bilinear samples.
void sweep(const QImage& in, QImage& out, double distance, bool radial,
           const ProgressFn& progress) {
    const int w = in.width(), h = in.height();
    const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
    const double reach = std::max(1.0, std::hypot(cx, cy));
    const int n = std::max(2, int(std::ceil(distance)) + 1);
    // Each sample is the pixel's offset from the centre times a 2 x 2 matrix.
    std::vector<std::array<float, 4>> m(n);
    for (int k = 0; k < n; ++k) {
        const double t = double(k) / (n - 1);
        if (radial) {
            const double a = (distance / reach) * (t - 0.5);
            m[k] = {float(std::cos(a)), float(-std::sin(a)), float(std::sin(a)),
                    float(std::cos(a))};
        } else {
            const double s = 1.0 - std::min(1.0, distance / reach) * t;
            m[k] = {float(s), 0, 0, float(s)};
        }
    }
    const uchar* base = in.constBits();
    const qsizetype stride = in.bytesPerLine();
    auto pixel = [&](int x, int y) {
        return reinterpret_cast<const uint32_t*>(base + y * stride)[x];
    };
    const RowView outRows(out);
    forEachRowBand(h, progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* o = outRows[y];
            for (int x = 0; x < w; ++x) {
                const float px = float(x - cx), py = float(y - cy);
                uint32_t acc[4] = {0, 0, 0, 0};
                for (const auto& mk : m) {
                    const float sx =
                        std::clamp(float(cx) + mk[0] * px + mk[1] * py, 0.0f, w - 1.0f);
                    const float sy =
                        std::clamp(float(cy) + mk[2] * px + mk[3] * py, 0.0f, h - 1.0f);
                    const int ix = int(sx), iy = int(sy);
                    const uint32_t fx = uint32_t((sx - ix) * 256.0f),
                                   fy = uint32_t((sy - iy) * 256.0f);
                    const int ix1 = std::min(ix + 1, w - 1), iy1 = std::min(iy + 1, h - 1);
                    const uint32_t w00 = (256 - fx) * (256 - fy) >> 8, w01 = fx * (256 - fy) >> 8;
                    const uint32_t w10 = (256 - fx) * fy >> 8, w11 = 256 - w00 - w01 - w10;
                    const uint32_t p00 = pixel(ix, iy), p01 = pixel(ix1, iy);
                    const uint32_t p10 = pixel(ix, iy1), p11 = pixel(ix1, iy1);
                    // Two channels per multiply: weights sum to 256, so no lane overflows.
                    constexpr uint32_t kLanes = 0x00FF00FFu;
                    const uint32_t rb = (((p00 & kLanes) * w00 + (p01 & kLanes) * w01 +
                                          (p10 & kLanes) * w10 + (p11 & kLanes) * w11) >>
                                         8) &
                                        kLanes;
                    const uint32_t ag =
                        ((((p00 >> 8) & kLanes) * w00 + ((p01 >> 8) & kLanes) * w01 +
                          ((p10 >> 8) & kLanes) * w10 + ((p11 >> 8) & kLanes) * w11) >>
                         8) &
                        kLanes;
                    acc[0] += rb & 0xFF, acc[2] += rb >> 16;
                    acc[1] += ag & 0xFF, acc[3] += ag >> 16;
                }
                uint32_t p = 0;
                for (int c = 0; c < 4; ++c) p |= ((acc[c] + n / 2) / n) << (8 * c);
                o[x] = p;
            }
        }
    });
}

} // namespace

QImage motionBlur(const QImage& src, double distance, int steps, double angle, int style,
                  const ProgressFn& progress) {
    require(std::isfinite(distance) && distance >= 0 && distance <= 1000,
            QStringLiteral("Distance %1 is not 0..1000").arg(distance), kSource);
    require(steps >= 1 && steps <= 20, QStringLiteral("Steps %1 is not 1..20").arg(steps), kSource);
    require(std::isfinite(angle), QStringLiteral("Angle is not a number"), kSource);
    require(style >= kMotionLinear && style <= kMotionZoom,
            QStringLiteral("Motion blur style %1 is not 0..2").arg(style), kSource);
    const bool alpha = src.format() == QImage::Format_ARGB32 && !isOpaque(src);
    // Work on premultiplied bytes; an opaque image already is.
    QImage cur = src;
    if (alpha) {
        cur = src.copy();
        requireAllocated(cur, kSource);
        const RowView curRows(cur);
        forEachRowBand(cur.height(), {}, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) premultiplyRow(curRows[y], cur.width());
        });
    }
    QImage next =
        newImage32(src.width(), src.height(), src.format() == QImage::Format_ARGB32, kSource);
    if (style == kMotionLinear) {
        convolveTaps(cur, next, lineKernel(distance, steps, angle), progress);
    } else {
        for (int s = 0; s < steps; ++s) {
            ProgressFn part;
            if (progress) part = [&, s](int pct) { return progress((s * 100 + pct) / steps); };
            sweep(cur, next, distance, style == kMotionRadial, part);
            if (s + 1 == steps) break;
            if (s == 0 && !alpha) // `cur` is the caller's image: write into a buffer of our own
                cur = newImage32(src.width(), src.height(), src.format() == QImage::Format_ARGB32,
                                 kSource);
            std::swap(cur, next);
        }
    }
    if (alpha) {
        const RowView nextRows(next);
        forEachRowBand(next.height(), {}, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) unpremultiplyRow(nextRows[y], next.width());
        });
    }
    return next;
}

} // namespace pix::ops
