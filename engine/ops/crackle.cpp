#include "crackle.h"

#include "op_support.h"

#include <array>
#include <cmath>
#include <vector>

namespace pix::ops {

namespace {

enum class Look { Dark, Light, Relief, Tiles };

struct CrackleMode {
    double cell; // mean cell size in pixels
    Look look;
};

constexpr std::array<CrackleMode, kCrackleModeCount> kModes{{
    {28.0, Look::Dark},
    {28.0, Look::Light},
    {36.0, Look::Relief},
    {9.0, Look::Dark},
    {32.0, Look::Tiles},
}};

uint32_t hash2(int x, int y) {
    uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    return h ^ (h >> 15);
}

struct Cells {
    double edge;   // distance to the nearest cell border, in pixels
    double nx, ny; // unit direction from the cell's seed to the pixel
    uint32_t id;   // hash of the cell
};

// One jittered seed per grid square, for the squares around the image (one square of margin).
struct Seeds {
    struct Seed {
        float x, y;
        uint32_t id;
    };
    double cell;
    int cols, rows;
    std::vector<Seed> seeds;

    Seeds(int width, int height, double cellSize) : cell(cellSize) {
        cols = int(std::ceil(width / cell)) + 2;
        rows = int(std::ceil(height / cell)) + 2;
        seeds.resize(size_t(cols) * rows);
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) {
                const uint32_t h = hash2(i - 1, j - 1);
                seeds[size_t(j) * cols + i] = {
                    float((i - 1 + 0.15 + 0.7 * (h & 0xFFFF) / 65535.0) * cell),
                    float((j - 1 + 0.15 + 0.7 * (h >> 16) / 65535.0) * cell), h};
            }
    }

    // The cell of point (px, py), searched in the 3 x 3 squares around it; the border distance
    // is the distance to the bisector of the two nearest seeds.
    Cells nearest(float px, float py) const {
        const int gx = int(px / cell) + 1, gy = int(py / cell) + 1;
        float best = 1e30f, second = 1e30f;
        const Seed* b = nullptr;
        const Seed* b2 = nullptr;
        for (int j = gy - 1; j <= gy + 1; ++j)
            for (int i = gx - 1; i <= gx + 1; ++i) {
                const Seed& s = seeds[size_t(j) * cols + i];
                const float d = (px - s.x) * (px - s.x) + (py - s.y) * (py - s.y);
                if (d < best) {
                    second = best, b2 = b;
                    best = d, b = &s;
                } else if (d < second) {
                    second = d, b2 = &s;
                }
            }
        const double sep = std::hypot(b2->x - b->x, b2->y - b->y);
        const double len = std::max(1e-6, std::sqrt(double(best)));
        return {sep > 0 ? (second - best) / (2 * sep) : 1e30, (px - b->x) / len, (py - b->y) / len,
                b->id};
    }
};

} // namespace

void crackle(QImage& img, int depth, int mode, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Crackle";
    require(depth >= 1 && depth <= 100, QStringLiteral("Depth %1 is not 1..100").arg(depth),
            kSource);
    require(mode >= 0 && mode < kCrackleModeCount,
            QStringLiteral("Crackle mode %1 is not 0..4").arg(mode), kSource);
    const CrackleMode m = kModes[mode];
    const double strength = depth / 100.0;
    const double width = 0.6 + depth / 40.0; // crack half-width in pixels
    const Seeds seeds(img.width(), img.height(), m.cell);
    const RowView rows(img);
    forEachRowBand(img.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* r = rows[y];
            for (int x = 0; x < img.width(); ++x) {
                const Cells c = seeds.nearest(x + 0.5f, y + 0.5f);
                const double line = std::max(0.0, 1.0 - c.edge / width); // 1 on the crack
                double gain = 1.0, add = 0.0;
                switch (m.look) {
                case Look::Dark:
                    gain = 1.0 - 0.85 * strength * line;
                    break;
                case Look::Light:
                    add = 200.0 * strength * line;
                    break;
                case Look::Relief: {
                    // Tiles rise near their borders: lit where the slope faces the top left.
                    const double rim = std::max(0.0, 1.0 - c.edge / (3.0 * width));
                    const double facing = -(c.nx + c.ny) * 0.7071;
                    gain = 1.0 + 0.9 * strength * rim * facing - 0.6 * strength * line;
                    break;
                }
                case Look::Tiles: {
                    const double tint = ((c.id >> 8) & 0xFF) / 255.0 - 0.5;
                    gain = (1.0 + 0.6 * strength * tint) * (1.0 - 0.8 * strength * line);
                    break;
                }
                }
                const uint32_t p = r[x];
                auto ch = [&](int shift) {
                    return uint32_t(clampByte(((p >> shift) & 0xFF) * gain + add)) << shift;
                };
                r[x] = (p & 0xFF000000u) | ch(16) | ch(8) | ch(0);
            }
        }
    });
}

} // namespace pix::ops
