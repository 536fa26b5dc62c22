#include "distort_noise.h"

#include "inverse_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>

namespace pix::ops {

namespace {

// Four pixels at a time, each lane computed exactly as a single pixel would be.
constexpr int kLanes = 4;
using Lanes = double __attribute__((vector_size(kLanes * sizeof(double))));

double fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

struct Gradient {
    double x, y;
};
constexpr Gradient kGradients[8] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1},
                                    {1, 0}, {-1, 0}, {0, 1},  {0, -1}};

} // namespace

NoiseColumns::NoiseColumns(double u0, double du, int count)
    : count_(std::max(count, 0)), tx_(size_t(count_ + kLanes)), fade_(size_t(count_ + kLanes)) {
    double cell = 0;
    for (int i = 0; i < count_; ++i) {
        const double u = u0 + i * du, fu = std::floor(u);
        if (runs_.empty() || fu != cell) {
            runs_.push_back({i, i + 1, int(int64_t(fu) & 255)});
            cell = fu;
        } else {
            runs_.back().to = i + 1;
        }
        tx_[size_t(i)] = u - fu;
        fade_[size_t(i)] = fade(u - fu);
    }
}

GradientNoise::GradientNoise() {
    std::array<int, 256> p{};
    std::iota(p.begin(), p.end(), 0);
    uint32_t s = 0x2545F491u;
    for (int i = 255; i > 0; --i) {
        s = s * 1664525u + 1013904223u;
        std::swap(p[size_t(i)], p[size_t(s >> 8) % size_t(i + 1)]);
    }
    for (int i = 0; i < 512; ++i) perm_[size_t(i)] = uint8_t(p[size_t(i & 255)]);
}

// The corner gradients are looked up once per run of pixels in one lattice cell, and the run is
// worked out in whole blocks of vector code: a block running into the next cell is written over
// by that cell (or lands in the spare values at the end).
inline __attribute__((always_inline)) void GradientNoise::walk(const NoiseColumns& columns,
                                                               double v, float* out) const {
    const double fv = std::floor(v);
    const int yi = int(int64_t(fv) & 255);
    const double ty = v - fv, sv = fade(ty);
    const double* txs = columns.tx_.data();
    const double* fades = columns.fade_.data();
    for (const NoiseColumns::Run& run : columns.runs_) {
        const int xi = run.cell;
        // Each corner's gradient dotted with the offset, split into its u and v parts.
        auto corner = [&](int cx, int cy, double oy, double& g, double& h) {
            const Gradient& d = kGradients[perm_[size_t(perm_[size_t(cx)] + cy)] & 7];
            g = d.x;
            h = d.y * oy;
        };
        double ga, gb, gc, gd, ha, hb, hc, hd;
        corner(xi, yi, ty, ga, ha);
        corner(xi + 1, yi, ty, gb, hb);
        corner(xi, yi + 1, ty - 1, gc, hc);
        corner(xi + 1, yi + 1, ty - 1, gd, hd);
        for (int b = run.from; b < run.to; b += kLanes) {
            Lanes tx, su;
            std::memcpy(&tx, txs + b, sizeof tx);
            std::memcpy(&su, fades + b, sizeof su);
            const Lanes a = ga * tx + ha, b1 = gb * (tx - 1) + hb;
            const Lanes c = gc * tx + hc, d = gd * (tx - 1) + hd;
            const Lanes n = 1.4 * (a + (b1 - a) * su + (c - a + (a - b1 - c + d) * su) * sv);
            for (int j = 0; j < kLanes; ++j) out[b + j] = float(n[j]);
        }
    }
}

PIX_WIDE_VECTORS void GradientNoise::row(const NoiseColumns& columns, double v, float* out) const {
    const int count = columns.count();
    const std::unique_ptr<float[]> noise(new float[size_t(count + kLanes)]);
    walk(columns, v, noise.get());
    std::copy_n(noise.get(), count, out);
}

PIX_WIDE_VECTORS void GradientNoise::turbulence(const std::array<NoiseColumns, 3>& octaves,
                                                double v, float* out) const {
    const int count = octaves[0].count();
    const std::unique_ptr<float[]> noise(new float[size_t(count + kLanes)]);
    const float* n = noise.get();
    walk(octaves[0], v, noise.get());
    inBlocks(count, [&](int i) { out[i] = std::abs(n[i]); });
    for (int f = 2, k = 1; f <= 4; f *= 2, ++k) {
        walk(octaves[size_t(k)], v * f, noise.get());
        const float weight = 1.0f / float(f); // a power of two: exact
        inBlocks(count, [&](int i) { out[i] += std::abs(n[i]) * weight; });
    }
}

std::array<NoiseColumns, 3> GradientNoise::octaves(double u0, double du, int count) {
    return {NoiseColumns(u0, du, count), NoiseColumns(u0 * 2, du * 2, count),
            NoiseColumns(u0 * 4, du * 4, count)};
}

const GradientNoise& gradientNoise() {
    static const GradientNoise n;
    return n;
}

} // namespace pix::ops
