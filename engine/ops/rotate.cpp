#include "rotate.h"

#include "op_support.h"

#include "engine/image_limits.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pix::ops {

namespace {

// Source positions are kept in 1/1024 pixel: per output row a start, per output column a step
// (each rounded on its own), so every row sees the same columns. Bilinear weights then go by
// 1/32 pixel. The output of the earlier interpolation is reproduced exactly this way.
constexpr int kPositionBits = 10;
constexpr int kWeightBits = 5;

// Output tiles of the sampling loops.
constexpr int kTileRows = 32, kTileColumns = 128;

// The inverse map (output -> source) in fixed point.
struct FixedMap {
    cv::Matx23d m;
    std::vector<int> stepX, stepY; // per output column
    int rounding;                  // half the unit positions are cut to

    FixedMap(const cv::Matx23d& inv, int width, bool nearest)
        : m(inv), stepX(width), stepY(width),
          rounding(nearest ? 1 << (kPositionBits - 1) : 1 << (kPositionBits - kWeightBits - 1)) {
        for (int x = 0; x < width; ++x) {
            stepX[x] = fixed(m(0, 0) * x);
            stepY[x] = fixed(m(1, 0) * x);
        }
    }
    static int fixed(double v) {
        return int(std::lrint(std::clamp(v * (1 << kPositionBits), -1e9, 1e9)));
    }
    int startX(int y) const { return fixed(m(0, 1) * y + m(0, 2)) + rounding; }
    int startY(int y) const { return fixed(m(1, 1) * y + m(1, 2)) + rounding; }

    // Output columns [x0, x1) of row y whose source position may come within reach of the
    // source (w x h); the others take the fill colour.
    std::pair<int, int> columnsNear(int y, int width, int w, int h) const {
        double lo = 0, hi = width;
        auto keep = [&](double a, double b, double limit) { // keep a x + b in [-2, limit + 2]
            if (std::abs(a) < 1e-12) {
                if (b < -2 || b > limit + 2) hi = lo;
                return;
            }
            double t0 = (-2 - b) / a, t1 = (limit + 2 - b) / a;
            if (t0 > t1) std::swap(t0, t1);
            lo = std::max(lo, t0);
            hi = std::min(hi, t1);
        };
        keep(m(0, 0), m(0, 1) * y + m(0, 2), w);
        keep(m(1, 0), m(1, 1) * y + m(1, 2), h);
        if (hi < lo) return {0, 0};
        return {std::clamp(int(std::floor(lo)) - 1, 0, width),
                std::clamp(int(std::ceil(hi)) + 1, 0, width)};
    }
};

// The source image as the sampling loops read it.
struct Source {
    const uchar* bits;
    qsizetype stride;
    int w, h;
    const uint32_t* row(int y) const {
        return reinterpret_cast<const uint32_t*>(bits + y * stride);
    }
};

// Bilinear blend of four pixels by weights in 1/32 (fx across, fy down), each channel rounded:
// (sum of weight x value + 512) / 1024.
inline uint32_t blend(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, int fx, int fy) {
    const int w00 = (32 - fx) * (32 - fy), w01 = fx * (32 - fy), w10 = (32 - fx) * fy,
              w11 = fx * fy;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        auto c = [shift](uint32_t p) { return int((p >> shift) & 0xFF); };
        const int v = (c(p00) * w00 + c(p01) * w01 + c(p10) * w10 + c(p11) * w11 + 512) >> 10;
        out |= uint32_t(v) << shift;
    }
    return out;
}

// The blend of the 2 x 2 pixels from `top` (and the row below, `stride` bytes on), for sources
// that lie wholly inside the image. The same sums as blend(), in 16-bit lanes: each row
// first mixes across, T = 32 left + fx (right - left), then (T + (fy (B - T)) / 32 + 16) / 32
// per channel, which equals blend()'s rounding.
[[gnu::always_inline]] inline uint32_t blendInside(const uint32_t* top, qsizetype stride, int fx,
                                                   int fy) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i upper =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top)), zero);
    const __m128i lower = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(
                                                reinterpret_cast<const uchar*>(top) + stride)),
                                            zero);
    const __m128i left = _mm_unpacklo_epi64(upper, lower), right = _mm_unpackhi_epi64(upper, lower);
    const __m128i across =
        _mm_add_epi16(_mm_slli_epi16(left, kWeightBits),
                      _mm_mullo_epi16(_mm_sub_epi16(right, left), _mm_set1_epi16(short(fx))));
    const __m128i down = _mm_sub_epi16(_mm_unpackhi_epi64(across, across), across);
    const __m128i part =
        _mm_mulhi_epi16(_mm_add_epi16(down, down), _mm_set1_epi16(short(fy << 10)));
    const __m128i v =
        _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(across, part), _mm_set1_epi16(16)), 5);
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
#else
    const uint32_t* bottom =
        reinterpret_cast<const uint32_t*>(reinterpret_cast<const uchar*>(top) + stride);
    return blend(top[0], top[1], bottom[0], bottom[1], fx, fy);
#endif
}

// Bilinear samples for output columns [x0, x1) of one row; source pixels outside the image
// take `fill`.
PIX_HOT void bilinearRow(const Source& s, int startX, int startY, const int* stepX,
                         const int* stepY, int x0, int x1, uint32_t fill, uint32_t* out) {
    constexpr int kShift = kPositionBits - kWeightBits, kMask = (1 << kWeightBits) - 1;
    for (int x = x0; x < x1; ++x) {
        const int px = (startX + stepX[x]) >> kShift, py = (startY + stepY[x]) >> kShift;
        const int sx = px >> kWeightBits, sy = py >> kWeightBits;
        if (unsigned(sx) < unsigned(s.w - 1) && unsigned(sy) < unsigned(s.h - 1)) {
            out[x] = blendInside(s.row(sy) + sx, s.stride, px & kMask, py & kMask);
            continue;
        }
        auto at = [&](int xx, int yy) {
            return unsigned(xx) < unsigned(s.w) && unsigned(yy) < unsigned(s.h) ? s.row(yy)[xx]
                                                                                : fill;
        };
        out[x] = blend(at(sx, sy), at(sx + 1, sy), at(sx, sy + 1), at(sx + 1, sy + 1), px & kMask,
                       py & kMask);
    }
}

// Nearest samples for output columns [x0, x1) of one row, `fill` outside the source.
PIX_HOT void nearestRow(const Source& s, int startX, int startY, const int* stepX, const int* stepY,
                        int x0, int x1, uint32_t fill, uint32_t* out) {
    for (int x = x0; x < x1; ++x) {
        const int sx = (startX + stepX[x]) >> kPositionBits;
        const int sy = (startY + stepY[x]) >> kPositionBits;
        out[x] =
            unsigned(sx) < unsigned(s.w) && unsigned(sy) < unsigned(s.h) ? s.row(sy)[sx] : fill;
    }
}

// Source pixel of every output pixel through the inverse affine map `inv` (output -> source),
// bilinear or nearest, with `fill` outside the source. Colour is filtered premultiplied.
QImage warpAffine(const QImage& src, const cv::Matx23d& inv, QSize size, QRgb fill, bool nearest,
                  const ProgressFn& progress, const char* source) {
    const bool alpha = src.format() == QImage::Format_ARGB32 || qAlpha(fill) != 255;
    QImage dst = newImage32(size.width(), size.height(), alpha, source);
    const bool premultiply = alpha && !nearest;
    QImage in = src;
    if (premultiply && src.format() == QImage::Format_ARGB32 && !isOpaque(src)) {
        in = newImage32(src.width(), src.height(), true, source);
        const RowView rows(in);
        forEachRowBand(src.height(), {}, [&](int y0, int y1) {
            // Qt's rounding, as its own conversion to premultiplied alpha gives.
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < src.width(); ++x) rows[y][x] = qPremultiply(row32(src, y)[x]);
        });
    }
    const uint32_t f = premultiply ? qPremultiply(fill) : (alpha ? fill : (fill | 0xFF000000u));
    const Source s{in.constBits(), in.bytesPerLine(), in.width(), in.height()};
    const FixedMap map(inv, size.width(), nearest);
    const RowView out(dst);
    const int width = size.width();
    auto sampleRow = nearest ? nearestRow : bilinearRow;
    forEachRowBand(dst.height(), progress, [&](int y0, int y1) {
        // Tiles of a few rows by some columns: the source pixels they read stay in the cache
        // between rows, where a turned row alone would cross all of the source.
        for (int t0 = y0; t0 < y1; t0 += kTileRows) {
            const int t1 = std::min(y1, t0 + kTileRows);
            std::pair<int, int> spans[kTileRows];
            for (int y = t0; y < t1; ++y) {
                spans[y - t0] = map.columnsNear(y, width, s.w, s.h);
                const auto [x0, x1] = spans[y - t0];
                std::fill(out[y], out[y] + x0, f);
                std::fill(out[y] + x1, out[y] + width, f);
            }
            for (int c0 = 0; c0 < width; c0 += kTileColumns)
                for (int y = t0; y < t1; ++y) {
                    const int x0 = std::max(spans[y - t0].first, c0);
                    const int x1 = std::min(spans[y - t0].second, c0 + kTileColumns);
                    if (x0 < x1)
                        sampleRow(s, map.startX(y), map.startY(y), map.stepX.data(),
                                  map.stepY.data(), x0, x1, f, out[y]);
                }
            // An RGB32 source and an opaque fill already give alpha 255 everywhere.
            if (premultiply)
                for (int y = t0; y < t1; ++y) unpremultiplyRow(out[y], width);
        }
    });
    return dst;
}

// `src` turned clockwise by quarter turns (1, 2 or 3), moving pixels exactly, in 64-pixel tiles.
QImage quarterTurns(const QImage& src, int turns, const ProgressFn& progress) {
    const int w = src.width(), h = src.height();
    const bool swap = turns != 2;
    QImage dst = newImage32(swap ? h : w, swap ? w : h, src.format() == QImage::Format_ARGB32,
                            "Effects.Rotate");
    constexpr int kTile = 64;
    const uchar* base = src.constBits();
    const qsizetype stride = src.bytesPerLine();
    auto pixel = [&](int sx, int sy) {
        return reinterpret_cast<const uint32_t*>(base + sy * stride)[sx];
    };
    const RowView out(dst);
    forEachRowBand(dst.height(), progress, [&](int y0, int y1) {
        for (int ty = y0; ty < y1; ty += kTile)
            for (int tx = 0; tx < dst.width(); tx += kTile)
                for (int y = ty; y < std::min(y1, ty + kTile); ++y) {
                    uint32_t* row = out[y];
                    const int xEnd = std::min(dst.width(), tx + kTile);
                    // Source of output (x, y) for each clockwise turn count.
                    if (turns == 1)
                        for (int x = tx; x < xEnd; ++x) row[x] = pixel(y, h - 1 - x);
                    else if (turns == 2)
                        for (int x = tx; x < xEnd; ++x) row[x] = pixel(w - 1 - x, h - 1 - y);
                    else
                        for (int x = tx; x < xEnd; ++x) row[x] = pixel(w - 1 - y, x);
                }
    });
    return dst;
}

} // namespace

QImage turnAboutCentre(const QImage& src, double degrees, QRgb fill, const char* source,
                       const ProgressFn& progress) {
    // Output to source: the turn by -degrees about the centre (pixel centres at whole numbers).
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    const double cx = (src.width() - 1) / 2.0, cy = (src.height() - 1) / 2.0;
    const cv::Matx23d inv(c, -s, (1 - c) * cx + s * cy, s, c, -s * cx + (1 - c) * cy);
    return warpAffine(src, inv, src.size(), fill, false, progress, source);
}

QSize rotatedBounds(int w, int h, double degrees) {
    const double r = degrees * M_PI / 180.0;
    const double c = std::abs(std::cos(r)), s = std::abs(std::sin(r));
    // The tolerance keeps 90-degree multiples from gaining a pixel to rounding noise.
    return QSize(int(std::ceil(w * c + h * s - 1e-6)), int(std::ceil(w * s + h * c - 1e-6)));
}

QImage rotate(const QImage& src, double degrees, QRgb fill, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Rotate";
    require(std::isfinite(degrees), QStringLiteral("Rotation angle is not a number"), kSource);
    double a = std::fmod(degrees, 360.0);
    if (a < 0) a += 360.0;
    const double quarters = a / 90.0;
    if (std::abs(quarters - std::round(quarters)) < 1e-9) {
        const int turns = int(std::round(quarters)) % 4;
        return turns == 0 ? src.copy() : quarterTurns(src, turns, progress);
    }
    const QSize size = rotatedBounds(src.width(), src.height(), a);
    const double r = a * M_PI / 180.0, c = std::cos(r), s = std::sin(r);
    // Output pixel centre -> source pixel centre: turn back by the angle about both centres.
    const double cx = (size.width() - 1) / 2.0, cy = (size.height() - 1) / 2.0;
    const double sx = (src.width() - 1) / 2.0, sy = (src.height() - 1) / 2.0;
    const cv::Matx23d inv(c, s, sx - c * cx - s * cy, -s, c, sy + s * cx - c * cy);
    return warpAffine(src, inv, size, fill, false, progress, kSource);
}

QImage skew(const QImage& src, int direction, int offset, QRgb fill, bool fast,
            const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Skew";
    require(direction == 0 || direction == 1,
            QStringLiteral("Skew direction must be 0 (horizontal) or 1 (vertical), not %1")
                .arg(direction),
            kSource);
    require(std::abs(int64_t(offset)) <= kMaxSide,
            QStringLiteral("Skew offset %1 is too large").arg(offset), kSource);
    const int w = src.width(), h = src.height();
    const int along = direction == 0 ? h : w; // the axis along which the shift grows
    const double slope = along > 1 ? double(offset) / (along - 1) : 0.0;
    const double base = offset < 0 ? -offset : 0.0;
    // Horizontal: source x = x - (base + slope * y); vertical: source y = y - (base + slope * x).
    const cv::Matx23d inv = direction == 0 ? cv::Matx23d(1, -slope, -base, 0, 1, 0)
                                           : cv::Matx23d(1, 0, 0, -slope, 1, -base);
    const QSize size =
        direction == 0 ? QSize(w + std::abs(offset), h) : QSize(w, h + std::abs(offset));
    return warpAffine(src, inv, size, fill, fast, progress, kSource);
}

} // namespace pix::ops
