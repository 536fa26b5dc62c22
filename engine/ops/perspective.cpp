#include "perspective.h"

#include "distort_simd.h"
#include "engine/image_limits.h"
#include "op_support.h"
#include "sample_bilinear.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <vector>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Effects.Perspective";

// Twice the signed area of the triangle a, b, c.
double cross(QPointF a, QPointF b, QPointF c) {
    return (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
}

// Whether no three of the four points lie on one line (within a hundredth of a pixel squared).
bool proper(const Quad& q) {
    for (int skip = 0; skip < 4; ++skip) {
        QPointF p[3];
        for (int i = 0, k = 0; i < 4; ++i)
            if (i != skip) p[k++] = q[size_t(i)];
        if (std::abs(cross(p[0], p[1], p[2])) < 1e-2) return false;
    }
    for (const QPointF& p : q)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || std::abs(p.x()) > 1e7 ||
            std::abs(p.y()) > 1e7)
            return false;
    return true;
}

// The projective sums of a canvas pixel: numerators of u and v and the common denominator.
struct Sums {
    double nu, nv, d;
};

// `count` pixels of a canvas row from the sums of its first one, each pixel sampled at its
// pre-image under `m` and the sums stepped by m's first column; `side` is the sign of the
// denominator in front of the horizon.
PIX_HOT void warpRow(uint32_t* dst, int count, Sums s, const std::array<double, 9>& m, double side,
                     const SampleSource& source, bool opaque) {
    for (int x = 0; x < count; ++x) {
        if (s.d * side > 1e-12) {
            const double inv = 1.0 / s.d;
            dst[x] =
                sampleBilinear(source, s.nu * inv, s.nv * inv, SampleEdge::Transparent, opaque);
        } else {
            dst[x] = 0;
        }
        s.nu += m[0], s.nv += m[3], s.d += m[6];
    }
}

#if PIX_HAVE_AVX2_PATH
// warpRow for an opaque source of at least 2 x 2 pixels, four pixels at a time where the four
// neighbours all lie inside the source (the others one by one as warpRow does them); count is at
// most kTileColumns.
PIX_AVX2 void warpOpaqueRowAvx2(uint32_t* dst, int count, Sums s, const std::array<double, 9>& m,
                                double side, const SampleSource& source);
#endif

// Canvas rows are warped in tiles of kTileRows by kTileColumns pixels, so that a warp that turns
// the picture reads a small patch of the source per tile rather than a column per row.
constexpr int kTileRows = 32, kTileColumns = 64;

// The rows y0..y1-1 (fewer than kTileRows) of a canvas whose left edge is at X0: the sums at the
// start of each tile, stepped across each row exactly as the row's pixels step them, then the
// tiles one by one.
void warpRows(const RowView& rows, int width, int y0, int y1, double X0, double top,
              const std::array<double, 9>& m, double side, const SampleSource& source,
              bool opaque) {
    const int tiles = (width + kTileColumns - 1) / kTileColumns;
    std::vector<Sums> starts(size_t(tiles) * size_t(y1 - y0));
    for (int y = y0; y < y1; ++y) {
        const double Y = y + top;
        Sums s{m[0] * X0 + m[1] * Y + m[2], m[3] * X0 + m[4] * Y + m[5],
               m[6] * X0 + m[7] * Y + m[8]};
        Sums* at = starts.data() + size_t(y - y0) * size_t(tiles);
        for (int x = 0; x < width; ++x) {
            if (x % kTileColumns == 0) at[x / kTileColumns] = s;
            s.nu += m[0], s.nv += m[3], s.d += m[6];
        }
    }
    for (int t = 0; t < tiles; ++t) {
        const int x = t * kTileColumns, count = std::min(kTileColumns, width - x);
        for (int y = y0; y < y1; ++y) {
            const Sums& at = starts[size_t(y - y0) * size_t(tiles) + size_t(t)];
#if PIX_HAVE_AVX2_PATH
            // The vector code reads a 2 x 2 block even for pixels it leaves to warpRow.
            if (opaque && source.width > 1 && source.height > 1 && haveAvx2()) {
                warpOpaqueRowAvx2(rows[y] + x, count, at, m, side, source);
                continue;
            }
#endif
            warpRow(rows[y] + x, count, at, m, side, source, opaque);
        }
    }
}

#if PIX_HAVE_AVX2_PATH
PIX_AVX2 void warpOpaqueRowAvx2(uint32_t* dst, int count, Sums s, const std::array<double, 9>& m,
                                double side, const SampleSource& source) {
    // The sums by pixel, stepped one after the other as warpRow steps them.
    alignas(32) double nu[kTileColumns], nv[kTileColumns], d[kTileColumns];
    for (int x = 0; x < count; ++x) {
        nu[x] = s.nu, nv[x] = s.nv, d[x] = s.d;
        s.nu += m[0], s.nv += m[3], s.d += m[6];
    }
    // One pixel as warpRow does it.
    auto single = [&](int i) {
        return d[i] * side > 1e-12
                   ? sampleBilinear(source, nu[i] * (1.0 / d[i]), nv[i] * (1.0 / d[i]),
                                    SampleEdge::Transparent, true)
                   : 0u;
    };
    const __m256d sides = _mm256_set1_pd(side), horizon = _mm256_set1_pd(1e-12);
    const __m256d one = _mm256_set1_pd(1.0), steps = _mm256_set1_pd(256.0);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m128i none = _mm_set1_epi32(-1), lastX = _mm_set1_epi32(source.width - 1);
    const __m128i lastY = _mm_set1_epi32(source.height - 1);
    const int rowStride = int(source.stride / 4);
    const __m128i stride = _mm_set1_epi32(rowStride), full = _mm_set1_epi32(256);
    const __m128i bytes = _mm_set1_epi32(0xFF), rounding = _mm_set1_epi32(32768);
    const __m256i evens = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    const int* base = reinterpret_cast<const int*>(source.bits);
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        const __m256d dd = _mm256_load_pd(d + x);
        const __m256d ahead = _mm256_cmp_pd(_mm256_mul_pd(dd, sides), horizon, _CMP_GT_OQ);
        const __m256d inv = _mm256_div_pd(one, dd);
        const __m256d u = _mm256_mul_pd(_mm256_load_pd(nu + x), inv);
        const __m256d v = _mm256_mul_pd(_mm256_load_pd(nv + x), inv);
        const __m256d fu = _mm256_floor_pd(u), fv = _mm256_floor_pd(v);
        const __m128i x0 = _mm256_cvttpd_epi32(fu), y0 = _mm256_cvttpd_epi32(fv);
        // Pixels in front of the horizon whose neighbours all lie inside (coordinates out of
        // range convert to INT_MIN and fail the test).
        const __m128i front =
            _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(ahead), evens));
        const __m128i inside =
            _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(x0, none), _mm_cmpgt_epi32(lastX, x0)),
                          _mm_and_si128(_mm_cmpgt_epi32(y0, none), _mm_cmpgt_epi32(lastY, y0)));
        const __m128i fast = _mm_and_si128(front, inside);
        const __m128i wx =
            _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(u, fu), steps), half));
        const __m128i wy =
            _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(v, fv), steps), half));
        // The neighbours, each pair side by side in one read (pixels not inside read the first
        // pixel instead).
        alignas(16) int at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at),
                        _mm_and_si128(_mm_add_epi32(_mm_mullo_epi32(y0, stride), x0), fast));
        auto pairs = [&](int offset, __m128i& left, __m128i& right) {
            auto pair = [&](int k) {
                return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[k] + offset));
            };
            const __m128 a = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(0), pair(1)));
            const __m128 b = _mm_castsi128_ps(_mm_unpacklo_epi64(pair(2), pair(3)));
            left = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
            right = _mm_castps_si128(_mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
        };
        __m128i p00, p01, p10, p11;
        pairs(0, p00, p01);
        pairs(rowStride, p10, p11);
        const __m128i ox = _mm_sub_epi32(full, wx), oy = _mm_sub_epi32(full, wy);
        const __m128i w00 = _mm_mullo_epi32(ox, oy), w01 = _mm_mullo_epi32(wx, oy);
        const __m128i w10 = _mm_mullo_epi32(ox, wy), w11 = _mm_mullo_epi32(wx, wy);
        __m128i pixel = _mm_set1_epi32(int(0xFF000000u));
        for (const int shift : {16, 8, 0}) {
            const __m128i sh = _mm_cvtsi32_si128(shift);
            const __m128i c00 = _mm_and_si128(_mm_srl_epi32(p00, sh), bytes);
            const __m128i c01 = _mm_and_si128(_mm_srl_epi32(p01, sh), bytes);
            const __m128i c10 = _mm_and_si128(_mm_srl_epi32(p10, sh), bytes);
            const __m128i c11 = _mm_and_si128(_mm_srl_epi32(p11, sh), bytes);
            const __m128i sum = _mm_add_epi32(
                _mm_add_epi32(_mm_add_epi32(_mm_mullo_epi32(c00, w00), _mm_mullo_epi32(c01, w01)),
                              _mm_add_epi32(_mm_mullo_epi32(c10, w10), _mm_mullo_epi32(c11, w11))),
                rounding);
            pixel = _mm_or_si128(pixel, _mm_sll_epi32(_mm_srli_epi32(sum, 16), sh));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), pixel);
        const int done = _mm_movemask_ps(_mm_castsi128_ps(fast));
        if (done == 0xF) continue;
        for (int k = 0; k < 4; ++k)
            if (!(done & (1 << k))) dst[x + k] = single(x + k);
    }
    for (; x < count; ++x) dst[x] = single(x);
}
#endif

} // namespace

std::array<double, 9> homography(const Quad& from, const Quad& to) {
    require(proper(from) && proper(to),
            QStringLiteral("The perspective's points must make a quadrilateral without three "
                           "points on one line"),
            kSource);
    // u = (a x + b y + c) / (g x + h y + 1), v = (d x + e y + f) / (g x + h y + 1).
    cv::Matx<double, 8, 8> a;
    cv::Vec<double, 8> rhs;
    for (int i = 0; i < 4; ++i) {
        const double x = from[size_t(i)].x(), y = from[size_t(i)].y();
        const double u = to[size_t(i)].x(), v = to[size_t(i)].y();
        const double r0[8] = {x, y, 1, 0, 0, 0, -x * u, -y * u};
        const double r1[8] = {0, 0, 0, x, y, 1, -x * v, -y * v};
        for (int k = 0; k < 8; ++k) {
            a(2 * i, k) = r0[k];
            a(2 * i + 1, k) = r1[k];
        }
        rhs[2 * i] = u;
        rhs[2 * i + 1] = v;
    }
    cv::Vec<double, 8> h;
    const bool solved = cv::solve(a, rhs, h, cv::DECOMP_LU);
    require(solved, QStringLiteral("The perspective's points give no projective map"), kSource);
    return {h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7], 1.0};
}

QRect perspectiveCanvas(QSize source, const Quad& to, bool growCanvas) {
    QRect canvas(QPoint(0, 0), source);
    if (!growCanvas) return canvas;
    double x0 = 0, y0 = 0, x1 = source.width() - 1, y1 = source.height() - 1;
    for (const QPointF& p : to) {
        x0 = std::min(x0, p.x()), y0 = std::min(y0, p.y());
        x1 = std::max(x1, p.x()), y1 = std::max(y1, p.y());
    }
    const auto lo = [](double v) { return int(std::floor(std::clamp(v, -1e7, 1e7))); };
    const auto hi = [](double v) { return int(std::ceil(std::clamp(v, -1e7, 1e7))); };
    return QRect(QPoint(lo(x0), lo(y0)), QPoint(hi(x1), hi(y1)));
}

QImage perspective(const QImage& src, const Quad& from, const Quad& to, bool growCanvas,
                   const ProgressFn& progress) {
    // The inverse map takes each canvas pixel back to the source.
    const std::array<double, 9> m = homography(to, from);
    const QRect canvas = perspectiveCanvas(src.size(), to, growCanvas);
    checkImageSize(canvas.width(), canvas.height(), QString::fromLatin1(kSource));
    QImage out = newImage32(canvas.width(), canvas.height(), true, kSource);
    // Points whose denominator has the other sign than the quadrilateral's centre lie beyond
    // the horizon: they show nothing.
    QPointF centre;
    for (const QPointF& p : to) centre += p / 4.0;
    const double side = m[6] * centre.x() + m[7] * centre.y() + m[8] < 0 ? -1.0 : 1.0;
    const SampleSource source(src);
    const bool opaque = src.format() == QImage::Format_RGB32 || isOpaque(src);
    const RowView rows(out);
    forEachRowBand(out.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; y += kTileRows)
            warpRows(rows, out.width(), y, std::min(y + kTileRows, y1), canvas.left(), canvas.top(),
                     m, side, source, opaque);
    });
    return out;
}

} // namespace pix::ops
