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
#include <cmath>
#include <cstring>
#include <vector>

namespace pix::ops {

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

    uint32_t at(float x, float y) const {
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

private:
    // The whole coordinate pair around `v` along an axis of `n` pixels and the fraction 0..256.
    static int split(float v, int n, Edge edge, int& i0, int& i1) {
        if (!(std::abs(v) < 1e8f)) v = 0; // NaN and absurd values read the first pixel
        if (edge == Edge::Wrap) {
            v -= std::floor(v / float(n)) * float(n);
            i0 = std::min(int(v), n - 1);
            i1 = i0 + 1 == n ? 0 : i0 + 1;
        } else {
            v = std::clamp(v, 0.0f, float(n - 1));
            i0 = int(v);
            i1 = std::min(i0 + 1, n - 1);
        }
        return int((v - float(i0)) * 256.0f + 0.5f);
    }

    // a + (b - a) * f / 256 for all four channels, two at a time.
    static uint32_t lerp(uint32_t a, uint32_t b, int f) {
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

// A distortion's source points for the pixels x0..x1-1 of row y.
// RowMap: void(int y, int x0, int x1, float* sx, float* sy).
//
// Returns an image like `src` whose pixels inside `reach` (clipped to the image) are read from
// the points `map` names, and whose other pixels are `src`'s.
template <class RowMap>
QImage inverseMap(const QImage& src, Edges edges, QRect reach, const RowMap& map,
                  const ProgressFn& progress, const char* source) {
    QImage out = newImageLike(src, source);
    reach &= src.rect();
    const BilinearSampler sampler(src, edges);
    const RowView rows(out);
    const size_t rowBytes = size_t(src.width()) * 4;
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        std::vector<float> sx(size_t(std::max(reach.width(), 0))), sy(sx.size());
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
            map(y, reach.left(), reach.right() + 1, sx.data(), sy.data());
            for (int i = 0, x = reach.left(); x <= reach.right(); ++i, ++x)
                o[x] = sampler.at(sx[size_t(i)], sy[size_t(i)]);
        }
    });
    return out;
}

} // namespace pix::ops
