// The driver every distortion shares: for each output pixel a small functor names the source
// point it shows, and a bilinear sampler reads it, edges clamped or wrapped per axis. Rows run in
// parallel bands; pixels outside the distortion's reach are copied unchanged.
//
// The sampler lives here for now; the perspective warp has a bilinear sampler of its own, and the
// two can become one later.
#pragma once

#include "distort_simd.h"
#include "op_support.h"

#include <QRect>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace pix::ops {

#if defined(__GNUC__)
#define PIX_INLINE inline __attribute__((always_inline))
#else
#define PIX_INLINE inline
#endif

enum class Edge { Clamp, Wrap };

struct Edges {
    Edge x = Edge::Clamp;
    Edge y = Edge::Clamp;
};

#if PIX_HAVE_AVX2_PATH
// Eight pixels at a time for the sampler (the whole region built for AVX2).
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {

// BilinearSampler::split() for eight coordinates.
inline __m256i split8(__m256 v, int n, Edge edge, __m256i& i0, __m256i& i1) {
    const __m256 size = _mm256_set1_ps(float(n));
    const __m256i last = _mm256_set1_epi32(n - 1), one = _mm256_set1_epi32(1);
    __m256i fixed;
    if (edge == Edge::Wrap) {
        const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(v, _mm256_setzero_ps(), _CMP_GE_OQ),
                                            _mm256_cmp_ps(v, size, _CMP_LT_OQ));
        const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), v);
        const __m256 sane = _mm256_cmp_ps(magnitude, _mm256_set1_ps(1e8f), _CMP_LT_OQ);
        const __m256 u = _mm256_and_ps(v, sane);
        const __m256 wrapped =
            _mm256_sub_ps(u, _mm256_mul_ps(_mm256_floor_ps(_mm256_div_ps(u, size)), size));
        v = _mm256_blendv_ps(wrapped, v, inside);
        fixed = _mm256_cvttps_epi32(
            _mm256_add_ps(_mm256_mul_ps(v, _mm256_set1_ps(256.0f)), _mm256_set1_ps(0.5f)));
        i0 = _mm256_srai_epi32(fixed, 8);
        const __m256i n8 = _mm256_set1_epi32(n);
        i0 = _mm256_sub_epi32(i0, _mm256_andnot_si256(_mm256_cmpgt_epi32(n8, i0), n8));
        const __m256i next = _mm256_add_epi32(i0, one);
        i1 = _mm256_andnot_si256(_mm256_cmpeq_epi32(next, n8), next);
    } else {
        // max() sends NaN to 0, as split() does.
        v = _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(float(n - 1)));
        fixed = _mm256_cvttps_epi32(
            _mm256_add_ps(_mm256_mul_ps(v, _mm256_set1_ps(256.0f)), _mm256_set1_ps(0.5f)));
        i0 = _mm256_srai_epi32(fixed, 8);
        i1 = _mm256_min_epi32(_mm256_add_epi32(i0, one), last);
    }
    return _mm256_and_si256(fixed, _mm256_set1_epi32(255));
}

// BilinearSampler::lerp() for eight pixel pairs.
inline __m256i lerp8(__m256i a, __m256i b, __m256i f) {
    const __m256i mask = _mm256_set1_epi32(0x00FF00FF), half = _mm256_set1_epi32(0x00800080);
    // The weights in both 16-bit halves; the products stay below 2^16 in each.
    const __m256i h = _mm256_or_si256(f, _mm256_slli_epi32(f, 16));
    const __m256i g = _mm256_sub_epi16(_mm256_set1_epi32(0x01000100), h);
    const auto mix = [&](__m256i x, __m256i y) {
        return _mm256_add_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(x, g), _mm256_mullo_epi16(y, h)), half);
    };
    const __m256i rb = _mm256_and_si256(
        _mm256_srli_epi32(mix(_mm256_and_si256(a, mask), _mm256_and_si256(b, mask)), 8), mask);
    const __m256i ag =
        _mm256_andnot_si256(mask, mix(_mm256_and_si256(_mm256_srli_epi32(a, 8), mask),
                                      _mm256_and_si256(_mm256_srli_epi32(b, 8), mask)));
    return _mm256_or_si256(rb, ag);
}

} // namespace avx2
#pragma GCC pop_options
#endif

// Bilinear reads of a 32-bit image at real coordinates (pixel centres at whole numbers). Where
// the four neighbours share one alpha the channels are interpolated straight, so a whole-pixel
// read and a read of a flat patch give the pixel exactly; otherwise colours are weighted by alpha.
class BilinearSampler {
public:
    BilinearSampler(const QImage& src, Edges edges)
        : base_(row32(src, 0)), stride_(src.bytesPerLine() / 4), w_(src.width()), h_(src.height()),
          edges_(edges) {}

    PIX_INLINE uint32_t at(float x, float y) const {
        int x0, x1, y0, y1;
        const int fx = split(x, w_, edges_.x, x0, x1);
        const int fy = split(y, h_, edges_.y, y0, y1);
        const uint32_t* r0 = base_ + qsizetype(y0) * stride_;
        const uint32_t* r1 = base_ + qsizetype(y1) * stride_;
        const uint32_t p00 = r0[x0], p01 = r0[x1], p10 = r1[x0], p11 = r1[x1];
        if (((p00 ^ p01) | (p00 ^ p10) | (p00 ^ p11)) >> 24 == 0)
            return lerp(lerp(p00, p01, fx), lerp(p10, p11, fx), fy);
        return weighted(p00, p01, p10, p11, fx, fy);
    }

    // out[i] = at(sx[i], sy[i]) for i in 0..count-1.
    void row(const float* sx, const float* sy, uint32_t* out, int count) const {
        int i = 0;
#if PIX_HAVE_AVX2_PATH
        if (haveAvx2()) i = rowAvx2(sx, sy, out, count);
#endif
        for (; i < count; ++i) out[i] = at(sx[i], sy[i]);
    }

    // `v` brought into 0..n-1 (clamped) or 0..n (wrapped); NaN and absurd values give 0.
    PIX_INLINE static float inside(float v, int n, Edge edge) {
        if (edge == Edge::Wrap) {
            if (v >= 0 && v < float(n)) return v;
            if (!(std::abs(v) < 1e8f)) return 0;
            v -= std::floor(v / float(n)) * float(n);
            return v < float(n) ? v : 0;
        }
        return v > 0 ? (v < float(n - 1) ? v : float(n - 1)) : 0;
    }

private:
    // The whole coordinate pair around `v` along an axis of `n` pixels and the fraction 0..255
    // (in 256ths, rounded). NaN and absurd values read the first pixel.
    PIX_INLINE static int split(float v, int n, Edge edge, int& i0, int& i1) {
        int fixed;
        if (edge == Edge::Wrap) {
            if (!(v >= 0 && v < float(n))) {
                if (!(std::abs(v) < 1e8f)) v = 0;
                v -= std::floor(v / float(n)) * float(n);
            }
            fixed = int(v * 256.0f + 0.5f);
            i0 = fixed >> 8;
            if (i0 >= n) i0 -= n;
            i1 = i0 + 1 == n ? 0 : i0 + 1;
        } else {
            if (!(v > 0))
                v = 0;
            else if (v > float(n - 1))
                v = float(n - 1);
            fixed = int(v * 256.0f + 0.5f);
            i0 = fixed >> 8;
            i1 = i0 + 1 < n ? i0 + 1 : i0;
        }
        return fixed & 255;
    }

#if PIX_HAVE_AVX2_PATH
    // row() eight pixels at a time, the neighbours gathered; pixels whose neighbours differ in
    // alpha are done one by one. Returns how many pixels were done.
    PIX_AVX2 int rowAvx2(const float* sx, const float* sy, uint32_t* out, int count) const {
        const __m256i stride = _mm256_set1_epi32(int(stride_));
        const int* base = reinterpret_cast<const int*>(base_);
        int i = 0;
        for (; i + 8 <= count; i += 8) {
            __m256i x0, x1, y0, y1;
            const __m256i fx = avx2::split8(_mm256_loadu_ps(sx + i), w_, edges_.x, x0, x1);
            const __m256i fy = avx2::split8(_mm256_loadu_ps(sy + i), h_, edges_.y, y0, y1);
            const __m256i r0 = _mm256_mullo_epi32(y0, stride), r1 = _mm256_mullo_epi32(y1, stride);
            const __m256i p00 = _mm256_i32gather_epi32(base, _mm256_add_epi32(r0, x0), 4);
            const __m256i p01 = _mm256_i32gather_epi32(base, _mm256_add_epi32(r0, x1), 4);
            const __m256i p10 = _mm256_i32gather_epi32(base, _mm256_add_epi32(r1, x0), 4);
            const __m256i p11 = _mm256_i32gather_epi32(base, _mm256_add_epi32(r1, x1), 4);
            const __m256i blend =
                avx2::lerp8(avx2::lerp8(p00, p01, fx), avx2::lerp8(p10, p11, fx), fy);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), blend);
            const __m256i differ =
                _mm256_srli_epi32(_mm256_or_si256(_mm256_or_si256(_mm256_xor_si256(p00, p01),
                                                                  _mm256_xor_si256(p00, p10)),
                                                  _mm256_xor_si256(p00, p11)),
                                  24);
            if (_mm256_testz_si256(differ, differ)) continue;
            alignas(32) uint32_t mixed[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(mixed), differ);
            for (int k = 0; k < 8; ++k)
                if (mixed[k]) out[i + k] = at(sx[i + k], sy[i + k]);
        }
        return i;
    }
#endif

    // a + (b - a) * f / 256 for all four channels, two at a time.
    PIX_INLINE static uint32_t lerp(uint32_t a, uint32_t b, int f) {
        constexpr uint32_t kMask = 0x00FF00FF, kHalf = 0x00800080;
        const uint32_t g = uint32_t(256 - f), h = uint32_t(f);
        const uint32_t rb = (((a & kMask) * g + (b & kMask) * h + kHalf) >> 8) & kMask;
        const uint32_t ag = (((a >> 8) & kMask) * g + ((b >> 8) & kMask) * h + kHalf) & ~kMask;
        return rb | ag;
    }

    static uint32_t weighted(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, int fx,
                             int fy) {
        const float wx = float(fx) / 256.0f, wy = float(fy) / 256.0f;
        const uint32_t p[4] = {p00, p01, p10, p11};
        const float w[4] = {(1 - wx) * (1 - wy), wx * (1 - wy), (1 - wx) * wy, wx * wy};
        float a = 0, c[3] = {0, 0, 0};
        for (int i = 0; i < 4; ++i) {
            const float wa = w[i] * float(p[i] >> 24);
            a += wa;
            for (int k = 0; k < 3; ++k) c[k] += wa * float((p[i] >> (16 - 8 * k)) & 0xFF);
        }
        if (a < 0.5f) return 0;
        uint32_t out = uint32_t(clampByte(double(a))) << 24;
        for (int k = 0; k < 3; ++k) out |= uint32_t(clampByte(double(c[k] / a))) << (16 - 8 * k);
        return out;
    }

    const uint32_t* base_;
    qsizetype stride_;
    int w_, h_;
    Edges edges_;
};

// fn(i) for i in 0..count-1, in blocks of a fixed width that the compiler turns into vector code.
template <int kLanes = 8, class Fn> PIX_INLINE void inBlocks(int count, const Fn& fn) {
    int i = 0;
    for (; i + kLanes <= count; i += kLanes)
        for (int k = 0; k < kLanes; ++k) fn(i + k);
    for (; i < count; ++i) fn(i);
}

// BilinearSampler::inside for `count` coordinates along an axis of `n` pixels. Clamping is
// branch-free so that it vectorises; wrapping takes the slow way only for points outside.
inline void bringInside(float* v, int count, int n, Edge edge) {
    const float last = float(n - 1), size = float(n);
    if (edge == Edge::Clamp) {
        // 0 < v ? v : 0 sends NaN to 0 as inside() does.
        inBlocks(count, [&](int i) {
            const float low = 0.0f < v[i] ? v[i] : 0.0f;
            v[i] = low < last ? low : last;
        });
        return;
    }
    for (int i = 0; i < count; ++i)
        if (!(v[i] >= 0 && v[i] < size)) v[i] = BilinearSampler::inside(v[i], n, edge);
}

// A distortion's source points for the pixels x0..x1-1 of row y, always a whole row of the
// reach (x0 = reach.left(), x1 = reach.right() + 1).
// RowMap: void(int y, int x0, int x1, float* sx, float* sy).
//
// Returns an image like `src` whose pixels inside `reach` (clipped to the image) are read from
// the points `map` names, and whose other pixels are `src`'s. `finish(y, row)`, when given, is
// called on each row of the reach right after its pixels are read, while they are in the cache.
constexpr int kTile = 128, kTileRows = 32;

constexpr auto kNoFinish = [](int, uint32_t*) {};

template <class RowMap, class Finish = decltype(kNoFinish)>
QImage inverseMap(const QImage& src, Edges edges, QRect reach, const RowMap& map,
                  const ProgressFn& progress, const char* source,
                  const Finish& finish = kNoFinish) {
    QImage out = newImageLike(src, source);
    reach &= src.rect();
    const BilinearSampler sampler(src, edges);
    const RowView rows(out);
    // OpenCV's remap takes opaque pictures below 32767 pixels a side; the sampler the rest.
    const bool opaque =
        src.format() == QImage::Format_RGB32 && src.width() < SHRT_MAX && src.height() < SHRT_MAX;
    const cv::Mat whole(src.height(), src.width(), CV_8UC4, const_cast<uchar*>(src.constBits()),
                        size_t(src.bytesPerLine()));
    const size_t rowBytes = size_t(src.width()) * 4;
    const int srcW = src.width(), srcH = src.height();
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* o = rows[y];
            const uint32_t* in = row32(src, y);
            if (y < reach.top() || y > reach.bottom()) {
                std::memcpy(o, in, rowBytes);
                continue;
            }
            // The pixels either side of the reach stay as they are.
            std::memcpy(o, in, size_t(reach.left()) * 4);
            std::memcpy(o + reach.right() + 1, in + reach.right() + 1,
                        size_t(src.width() - reach.right() - 1) * 4);
        }
        const int top = std::max(y0, reach.top()), bottom = std::min(y1, reach.bottom() + 1);
        if (top >= bottom) return;
        if (opaque) {
            // Opaque pictures: OpenCV's vectorised remap samples blocks of rows, the
            // coordinates first brought into the picture as the edges say. A block's maps stay
            // small (about 128 KiB each) so that they come from the heap, not fresh pages, and
            // stay in the cache for the remap.
            const int w = reach.width();
            const int tileRows = std::clamp((1 << 15) / w, 1, kTileRows);
            cv::Mat mapX(tileRows, w, CV_32F), mapY(tileRows, w, CV_32F);
            for (int ty = top; ty < bottom; ty += tileRows) {
                const int n = std::min(tileRows, bottom - ty);
                for (int j = 0; j < n; ++j) {
                    float* mx = mapX.ptr<float>(j);
                    float* my = mapY.ptr<float>(j);
                    map(ty + j, reach.left(), reach.right() + 1, mx, my);
                    bringInside(mx, w, srcW, edges.x);
                    bringInside(my, w, srcH, edges.y);
                }
                cv::Mat dst(n, w, CV_8UC4, rows.bytes(ty) + 4 * reach.left(),
                            size_t(out.bytesPerLine()));
                cv::remap(whole, dst, mapX.rowRange(0, n), mapY.rowRange(0, n), cv::INTER_LINEAR,
                          cv::BORDER_WRAP);
                for (int j = 0; j < n; ++j) finish(ty + j, rows[ty + j] + reach.left());
            }
            return;
        }
        // Blocks of a few rows, their source points worked out a whole row at a time, then read
        // in tiles of kTile columns that keep the source pixels they read in the cache.
        const int w = reach.width();
        std::vector<float> sx(size_t(w) * kTileRows), sy(size_t(w) * kTileRows);
        for (int ty = top; ty < bottom; ty += kTileRows) {
            const int n = std::min(kTileRows, bottom - ty);
            for (int j = 0; j < n; ++j)
                map(ty + j, reach.left(), reach.right() + 1, sx.data() + size_t(j) * size_t(w),
                    sy.data() + size_t(j) * size_t(w));
            for (int tx = 0; tx < w; tx += kTile)
                for (int j = 0; j < n; ++j) {
                    uint32_t* o = rows[ty + j] + reach.left();
                    const float* px = sx.data() + size_t(j) * size_t(w);
                    const float* py = sy.data() + size_t(j) * size_t(w);
                    sampler.row(px + tx, py + tx, o + tx, std::min(kTile, w - tx));
                }
            for (int j = 0; j < n; ++j) finish(ty + j, rows[ty + j] + reach.left());
        }
    });
    return out;
}

} // namespace pix::ops
