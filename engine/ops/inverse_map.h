// The driver every distortion shares: for each output pixel a small functor names the source
// point it shows, and a bilinear sampler reads it, edges clamped or wrapped per axis. Rows run in
// parallel bands; pixels outside the distortion's reach are copied unchanged.
//
// The sampler lives here for now; the perspective warp has a bilinear sampler of its own, and the
// two can become one later.
#pragma once

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
                    for (int x = tx; x < std::min(tx + kTile, w); ++x)
                        o[x] = sampler.at(px[x], py[x]);
                }
            for (int j = 0; j < n; ++j) finish(ty + j, rows[ty + j] + reach.left());
        }
    });
    return out;
}

} // namespace pix::ops
