#include "noise.h"

#include "op_support.h"

#include <array>
#include <cmath>
#include <vector>

namespace pix::ops {

namespace {

uint32_t hash3(int x, int y, uint32_t salt) {
    uint32_t h = uint32_t(x) * 0x85ebca6bu ^ uint32_t(y) * 0xc2b2ae35u ^ salt * 0x27d4eb2fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    return h ^ (h >> 16);
}

double quintic(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// Value noise in 0..1 at (x, y) on a lattice of unit cells; `round` 0..1 moves the blend from
// linear to quintic.
double valueNoise(double x, double y, uint32_t salt, double round) {
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    auto v = [&](int i, int j) { return (hash3(ix + i, iy + j, salt) & 0xFFFF) / 65535.0; };
    const double tx = fx + (quintic(fx) - fx) * round, ty = fy + (quintic(fy) - fy) * round;
    const double top = v(0, 0) + (v(1, 0) - v(0, 0)) * tx;
    const double bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

// Gradient noise in about -0.7..0.7 at (x, y): dot products with hashed unit gradients.
double gradientNoise(double x, double y, uint32_t salt) {
    const int ix = int(std::floor(x)), iy = int(std::floor(y));
    const double fx = x - ix, fy = y - iy;
    // 256 unit gradients evenly round the circle.
    static const std::array<std::array<double, 2>, 256> kGradients = [] {
        std::array<std::array<double, 2>, 256> g{};
        for (int i = 0; i < 256; ++i)
            g[i] = {std::cos(i * 6.283185307179586 / 256), std::sin(i * 6.283185307179586 / 256)};
        return g;
    }();
    auto dot = [&](int i, int j) {
        const auto& g = kGradients[hash3(ix + i, iy + j, salt) & 0xFF];
        return g[0] * (fx - i) + g[1] * (fy - j);
    };
    const double tx = quintic(fx), ty = quintic(fy);
    const double top = dot(0, 0) + (dot(1, 0) - dot(0, 0)) * tx;
    const double bottom = dot(0, 1) + (dot(1, 1) - dot(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

// Coarsest feature size in pixels for size 0..100.
double featureSize(int width, int height, int size) {
    return 2.0 + size / 100.0 * (std::max(width, height) / 2.0 - 2.0);
}

void checkSize(int size, const char* source) {
    require(size >= 0 && size <= 100, QStringLiteral("Size %1 is not 0..100").arg(size), source);
}

// Fills a new image with pixel(x, y) evaluated in parallel row bands.
template <class Pixel>
QImage render(int width, int height, const char* source, const ProgressFn& progress, Pixel pixel) {
    QImage img = newImage32(width, height, false, source);
    const RowView rows(img);
    forEachRowBand(height, progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* r = rows[y];
            for (int x = 0; x < width; ++x) r[x] = pixel(x, y);
        }
    });
    return img;
}

} // namespace

QImage hugoNoise(int width, int height, int octaves, int smoothness, int size,
                 const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.HugoNoise";
    require(octaves >= 1 && octaves <= 16, QStringLiteral("Octaves %1 is not 1..16").arg(octaves),
            kSource);
    require(smoothness >= 0 && smoothness <= 100,
            QStringLiteral("Smoothness %1 is not 0..100").arg(smoothness), kSource);
    checkSize(size, kSource);
    const double cell = featureSize(width, height, size);
    const double persistence = 0.75 - 0.5 * smoothness / 100.0;
    const double round = smoothness / 100.0;
    std::vector<double> amp(octaves);
    double total = 0;
    for (int o = 0; o < octaves; ++o) total += (amp[o] = std::pow(persistence, o));
    return render(width, height, kSource, progress, [&](int x, int y) {
        uint32_t p = 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            double v = 0, scale = 1.0 / cell;
            for (int o = 0; o < octaves; ++o, scale *= 2)
                v += amp[o] * valueNoise(x * scale, y * scale, uint32_t(c * 16 + o), round);
            p |= uint32_t(clampByte(255.0 * v / total)) << (8 * c);
        }
        return p;
    });
}

QImage perlinNoise(int width, int height, int size, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.PerlinNoise";
    checkSize(size, kSource);
    const double cell = featureSize(width, height, size);
    return render(width, height, kSource, progress, [&](int x, int y) {
        double v = 0, amp = 1, scale = 1.0 / cell;
        for (int o = 0; o < 4; ++o, amp *= 0.5, scale *= 2)
            v += amp * gradientNoise(x * scale, y * scale, uint32_t(100 + o));
        const uint32_t g = clampByte(127.5 + 127.5 * v / 1.0);
        return 0xFF000000u | (g << 16) | (g << 8) | g;
    });
}

} // namespace pix::ops
