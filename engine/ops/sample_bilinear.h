// Bilinear sampling of a straight-alpha 32-bit image at a fractional position, for inverse
// mappings (warps, distortions). Positions are in pixel-centre coordinates: (0, 0) is the centre
// of the top left pixel. Colour is weighted by alpha, so a flat colour stays exactly flat and
// transparent neighbours do not darken an edge.
#pragma once

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pix::ops {

// What lies beyond the image's edges.
enum class SampleEdge {
    Transparent, // nothing: an edge fades out over one pixel
    Clamp,       // the edge pixels repeated
    Wrap,        // the image tiled
};

// A read-only view of a 32-bit image (RGB32 or ARGB32, straight alpha).
struct SampleSource {
    explicit SampleSource(const QImage& img)
        : bits(img.constBits()), stride(img.bytesPerLine()), width(img.width()),
          height(img.height()) {}
    const uchar* bits;
    qsizetype stride;
    int width, height;

    uint32_t pixel(int x, int y) const {
        return reinterpret_cast<const uint32_t*>(bits + y * stride)[x];
    }
};

namespace detail {

// The index of column (or row) i under `edge`, or -1 when it lies outside and is transparent.
inline int edgeIndex(int i, int n, SampleEdge edge) {
    if (i >= 0 && i < n) return i;
    switch (edge) {
    case SampleEdge::Transparent:
        return -1;
    case SampleEdge::Clamp:
        return i < 0 ? 0 : n - 1;
    case SampleEdge::Wrap: {
        const int m = i % n;
        return m < 0 ? m + n : m;
    }
    }
    return -1;
}

} // namespace detail

// The image's colour at (x, y) by bilinear interpolation (weights in 1/256 steps), straight ARGB.
// Opaque sources (RGB32) are read as alpha 255.
inline uint32_t sampleBilinear(const SampleSource& src, double x, double y, SampleEdge edge,
                               bool opaque) {
    if (!(std::abs(x) < 1e9 && std::abs(y) < 1e9)) return 0; // NaN or far away: nothing
    if (edge == SampleEdge::Transparent &&
        (x <= -1.0 || y <= -1.0 || x >= src.width || y >= src.height))
        return 0; // no neighbour inside
    const double fx = std::floor(x), fy = std::floor(y);
    const int x0 = int(fx), y0 = int(fy);
    const uint32_t wx = uint32_t((x - fx) * 256.0 + 0.5), wy = uint32_t((y - fy) * 256.0 + 0.5);
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < src.width && y0 + 1 < src.height) {
        // Inside: the four neighbours are pixels of the image.
        const uint32_t* r0 = reinterpret_cast<const uint32_t*>(src.bits + y0 * src.stride) + x0;
        const uint32_t* r1 =
            reinterpret_cast<const uint32_t*>(src.bits + (y0 + 1) * src.stride) + x0;
        if (opaque) {
            const uint32_t w00 = (256 - wx) * (256 - wy), w01 = wx * (256 - wy),
                           w10 = (256 - wx) * wy, w11 = wx * wy; // sum 65536
            auto ch = [&](int shift) {
                return ((((r0[0] >> shift) & 0xFF) * w00 + ((r0[1] >> shift) & 0xFF) * w01 +
                         ((r1[0] >> shift) & 0xFF) * w10 + ((r1[1] >> shift) & 0xFF) * w11 +
                         32768) >>
                        16)
                       << shift;
            };
            return 0xFF000000u | ch(16) | ch(8) | ch(0);
        }
    }
    const int xs[2] = {detail::edgeIndex(x0, src.width, edge),
                       detail::edgeIndex(x0 + 1, src.width, edge)};
    const int ys[2] = {detail::edgeIndex(y0, src.height, edge),
                       detail::edgeIndex(y0 + 1, src.height, edge)};
    const uint32_t wxs[2] = {256 - wx, wx}, wys[2] = {256 - wy, wy};
    uint32_t sa = 0, sr = 0, sg = 0, sb = 0;
    for (int j = 0; j < 2; ++j) {
        if (ys[j] < 0 || wys[j] == 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (xs[i] < 0 || wxs[i] == 0) continue;
            const uint32_t p = src.pixel(xs[i], ys[j]);
            // Weight times alpha, in 1/256 steps of a full opaque pixel: at most 65280.
            const uint32_t w = (wxs[i] * wys[j] * (opaque ? 255u : p >> 24)) >> 8;
            sa += w;
            sr += ((p >> 16) & 0xFF) * w;
            sg += ((p >> 8) & 0xFF) * w;
            sb += (p & 0xFF) * w;
        }
    }
    if (sa == 0) return 0;
    auto channel = [sa](uint32_t s) { return (s + sa / 2) / sa; };
    const uint32_t a = std::min<uint32_t>(255, (sa + 128) >> 8);
    return (a << 24) | (channel(sr) << 16) | (channel(sg) << 8) | channel(sb);
}

} // namespace pix::ops
