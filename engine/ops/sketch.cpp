#include "sketch.h"

#include "op_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace pix::ops {

namespace {

// A well-mixed 32-bit hash of two integers, for repeatable jitter.
uint32_t hash2(int a, int b) {
    uint32_t h = uint32_t(a) * 0x9E3779B1u ^ (uint32_t(b) + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// One hatching layer: lines `period` pixels apart at `angle` degrees, laid from tone `from` on.
struct Hatch {
    double angle;
    double from;
};
constexpr std::array<Hatch, 4> kHatches = {{{35, 0.12}, {125, 0.35}, {80, 0.55}, {170, 0.75}}};
constexpr double kPeriod = 6.0;
constexpr double kHalfWidth = 0.9;
constexpr int kWaveSteps = 1024;

void checkPercent(int v, const char* what, const char* source) {
    require(v >= 0 && v <= 100, QStringLiteral("%1 %2 is not in 0..100").arg(what).arg(v), source);
}

} // namespace

QImage scribble(const QImage& src, int darkness, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Scribble";
    checkPercent(darkness, "Line darkness", kSource);
    QImage out = newImageLike(src, kSource);
    // The lines waver along their length: a sine table indexed by position along the line.
    std::array<float, kWaveSteps> wave;
    for (int i = 0; i < kWaveSteps; ++i)
        wave[size_t(i)] = float(1.1 * std::sin(2 * std::numbers::pi * i / kWaveSteps));
    const double strength = 0.3 + 0.7 * darkness / 100.0;
    std::array<double, kHatches.size()> cosines, sines;
    for (size_t k = 0; k < kHatches.size(); ++k) {
        cosines[k] = std::cos(kHatches[k].angle * std::numbers::pi / 180.0);
        sines[k] = std::sin(kHatches[k].angle * std::numbers::pi / 180.0);
    }
    const RowView rows(out);
    forEachRowBand(out.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint32_t* dst = rows[y];
            for (int x = 0; x < out.width(); ++x) {
                const double tone = 1.0 - luma(in[x]) / 255.0;
                double paper = 1.0;
                for (size_t k = 0; k < kHatches.size(); ++k) {
                    const Hatch& h = kHatches[k];
                    const double lay = (tone - h.from) / 0.2;
                    if (lay <= 0) continue;
                    const double c = cosines[k], s = sines[k];
                    double across = x * c + y * s;
                    const double along = -x * s + y * c;
                    const int line = int(std::floor(across / kPeriod));
                    // Each line wavers with its own phase.
                    const uint32_t phase = hash2(line, int(h.angle)) % kWaveSteps;
                    across += wave[(uint32_t(int(along * 12.0) & 0x7FFFFFFF) + phase) % kWaveSteps];
                    const double d =
                        std::abs(across - kPeriod * (std::floor(across / kPeriod) + 0.5));
                    const double cover = std::clamp(kHalfWidth + 0.5 - d, 0.0, 1.0);
                    paper *= 1.0 - cover * std::min(lay, 1.0) * strength;
                }
                const uint32_t v = clampByte(255.0 * paper);
                dst[x] = (in[x] & 0xFF000000u) | v << 16 | v << 8 | v;
            }
        }
    });
    return out;
}

QImage stipple(const QImage& src, int size, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Stipple";
    checkPercent(size, "Stipple size", kSource);
    const double pitch = 3.0 + size * 0.12;
    const int cols = int(std::ceil(src.width() / pitch)) + 1;
    const int rowsN = int(std::ceil(src.height() / pitch)) + 1;
    // Each cell's dot: its jittered centre, radius and colour.
    struct Dot {
        float x, y, r;
        uint32_t colour;
    };
    std::vector<Dot> dots(size_t(cols) * size_t(rowsN));
    forEachRowBand(rowsN, {}, [&](int j0, int j1) {
        for (int j = j0; j < j1; ++j)
            for (int i = 0; i < cols; ++i) {
                const uint32_t h = hash2(i, j);
                const double jx = ((h & 0xFF) / 255.0 - 0.5) * pitch * 0.5;
                const double jy = (((h >> 8) & 0xFF) / 255.0 - 0.5) * pitch * 0.5;
                const double cx = (i + 0.5) * pitch + jx, cy = (j + 0.5) * pitch + jy;
                const int px = std::clamp(int(cx), 0, src.width() - 1);
                const int py = std::clamp(int(cy), 0, src.height() - 1);
                const uint32_t p = row32(src, py)[px];
                const double tone = 1.0 - luma(p) / 255.0;
                dots[size_t(j) * size_t(cols) + size_t(i)] = {
                    float(cx), float(cy), float(pitch * 0.62 * std::sqrt(tone)), p | 0xFF000000u};
            }
    });
    QImage out = newImageLike(src, kSource);
    const RowView rows(out);
    forEachRowBand(out.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint32_t* dst = rows[y];
            const double fy = y / pitch;
            const int cj = int(fy), dj = fy - cj < 0.5 ? -1 : 1;
            for (int x = 0; x < out.width(); ++x) {
                const double fx = x / pitch;
                const int ci = int(fx), di = fx - ci < 0.5 ? -1 : 1;
                // The dots that can reach this pixel: its cell's and the three towards it.
                double r = 255, g = 255, b = 255;
                for (int k = 0; k < 4; ++k) {
                    const int i = ci + (k & 1) * di, j = cj + (k >> 1) * dj;
                    if (i < 0 || j < 0 || i >= cols || j >= rowsN) continue;
                    const Dot& d = dots[size_t(j) * size_t(cols) + size_t(i)];
                    const double dist = std::hypot(x - d.x, y - d.y);
                    const double cover = std::clamp(d.r - dist + 0.5, 0.0, 1.0);
                    if (cover <= 0) continue;
                    r += (((d.colour >> 16) & 0xFF) - r) * cover;
                    g += (((d.colour >> 8) & 0xFF) - g) * cover;
                    b += ((d.colour & 0xFF) - b) * cover;
                }
                dst[x] = (in[x] & 0xFF000000u) | uint32_t(clampByte(r)) << 16 |
                         uint32_t(clampByte(g)) << 8 | clampByte(b);
            }
        }
    });
    return out;
}

} // namespace pix::ops
