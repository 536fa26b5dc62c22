// Smooth gradient noise for the Marble and Perlin distortions, evaluated a row at a time. What
// depends only on the column (the lattice cell, the offset into it and its fade) is worked out
// once per image in NoiseColumns and read back by every row.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace pix::ops {

// The column part of noise(u, v) for u = u0 + i * du, i in 0..count-1 (du > 0): the offset tx
// into the lattice cell and its fade, by pixel, and the runs of pixels sharing one cell.
class NoiseColumns {
public:
    NoiseColumns(double u0, double du, int count);

    int count() const { return count_; }

private:
    friend class GradientNoise;

    struct Run {
        int from, to; // pixels from..to-1
        int cell;     // the cell's whole coordinate, 0..255
    };
    int count_;
    std::vector<double> tx_, fade_; // padded for whole vector blocks
    std::vector<Run> runs_;
};

// Gradient noise in about [-1, 1] with a fixed permutation, so results are reproducible.
class GradientNoise {
public:
    GradientNoise();

    // out[i] = noise(u0 + i * du, v) for the columns' u, i in 0..count-1.
    void row(const NoiseColumns& columns, double v, float* out) const;

    // out[i] = the sum of |noise| / f over the octaves f = 1, 2, 4 at (f * u, f * v), where
    // octaves[k] holds the columns of octave 2^k.
    void turbulence(const std::array<NoiseColumns, 3>& octaves, double v, float* out) const;

    // The columns of the three turbulence octaves for u = u0 + i * du.
    static std::array<NoiseColumns, 3> octaves(double u0, double du, int count);

private:
    // out[i] = noise at the columns' u and v; out holds kLanes - 1 more values.
    void walk(const NoiseColumns& columns, double v, float* out) const;

    std::array<uint8_t, 512> perm_{};
};

// The one noise every distortion shares.
const GradientNoise& gradientNoise();

} // namespace pix::ops
