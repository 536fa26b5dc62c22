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
    const float strength = float(0.3 + 0.7 * darkness / 100.0);
    std::array<float, kHatches.size()> cosines, sines;
    for (size_t k = 0; k < kHatches.size(); ++k) {
        cosines[k] = float(std::cos(kHatches[k].angle * std::numbers::pi / 180.0));
        sines[k] = float(std::sin(kHatches[k].angle * std::numbers::pi / 180.0));
    }
    // Positions across and along the lines are kept positive by this shift, so that truncation
    // is the floor.
    const float shift = float(4 * (src.width() + src.height()) + kPeriod);
    const float perPeriod = float(1.0 / kPeriod);
    const RowView rows(out);
    forEachRowBand(out.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint32_t* dst = rows[y];
            for (int x = 0; x < out.width(); ++x) {
                const float tone = 1.0f - float(luma(in[x])) * (1.0f / 255.0f);
                float paper = 1.0f;
                for (size_t k = 0; k < kHatches.size(); ++k) {
                    const float lay = (tone - float(kHatches[k].from)) * 5.0f;
                    if (lay <= 0) break; // the layers start at rising tones
                    float across = float(x) * cosines[k] + float(y) * sines[k] + shift;
                    const float along = float(y) * cosines[k] - float(x) * sines[k] + shift;
                    // Each line wavers with its own phase.
                    const uint32_t line = uint32_t(across * perPeriod);
                    const uint32_t phase = ((line + uint32_t(k) * 7919u) * 0x9E3779B1u) >> 22;
                    across += wave[(uint32_t(along * 12.0f) + phase) % kWaveSteps];
                    const float inLine = across * perPeriod;
                    const float d =
                        std::abs(inLine - float(uint32_t(inLine)) - 0.5f) * float(kPeriod);
                    const float cover = std::clamp(float(kHalfWidth) + 0.5f - d, 0.0f, 1.0f);
                    paper *= 1.0f - cover * std::min(lay, 1.0f) * strength;
                }
                const uint32_t v = clampByte(255.0f * paper);
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
    const float perPitch = float(1.0 / pitch);
    const RowView rows(out);
    forEachRowBand(out.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint32_t* dst = rows[y];
            const float fy = float(y) * perPitch;
            const int cj = int(fy), dj = fy - float(cj) < 0.5f ? -1 : 1;
            for (int x = 0; x < out.width(); ++x) {
                const float fx = float(x) * perPitch;
                const int ci = int(fx), di = fx - float(ci) < 0.5f ? -1 : 1;
                // The dots that can reach this pixel: its cell's and the three towards it.
                float r = 255, g = 255, b = 255;
                for (int k = 0; k < 4; ++k) {
                    const int i = ci + (k & 1) * di, j = cj + (k >> 1) * dj;
                    if (i < 0 || j < 0 || i >= cols || j >= rowsN) continue;
                    const Dot& d = dots[size_t(j) * size_t(cols) + size_t(i)];
                    const float dx = float(x) - d.x, dy = float(y) - d.y, reach = d.r + 0.5f;
                    const float dist2 = dx * dx + dy * dy;
                    if (dist2 >= reach * reach) continue;
                    const float cover = std::min(reach - std::sqrt(dist2), 1.0f);
                    r += (float((d.colour >> 16) & 0xFF) - r) * cover;
                    g += (float((d.colour >> 8) & 0xFF) - g) * cover;
                    b += (float(d.colour & 0xFF) - b) * cover;
                }
                dst[x] = (in[x] & 0xFF000000u) | uint32_t(clampByte(double(r))) << 16 |
                         uint32_t(clampByte(double(g))) << 8 | clampByte(double(b));
            }
        }
    });
    return out;
}

} // namespace pix::ops
