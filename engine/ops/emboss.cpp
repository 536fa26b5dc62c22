#include "emboss.h"

#include "op_support.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace pix::ops {

namespace {

// Height of a luminance step of one level against the horizontal run of the samples.
constexpr float kFlatness = 64.0f;

} // namespace

QImage emboss(const QImage& src, int angle, int elevation, int offset, bool useImageAsTexture,
              const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Emboss";
    require(elevation >= 0 && elevation <= 90,
            QStringLiteral("Elevation %1 is not 0..90").arg(elevation), kSource);
    require(offset >= 1 && offset <= 100, QStringLiteral("Offset %1 is not 1..100").arg(offset),
            kSource);
    require(angle >= -3600 && angle <= 3600, QStringLiteral("Angle %1 is out of range").arg(angle),
            kSource);
    const double az = angle * std::numbers::pi / 180, el = elevation * std::numbers::pi / 180;
    // Image y runs down, so the light's y component flips.
    const float lx = float(std::cos(el) * std::cos(az)), ly = float(-std::cos(el) * std::sin(az)),
                lz = float(std::sin(el));
    const int w = src.width(), h = src.height();
    QImage out = newImageLike(src, kSource);
    const RowView rows(out);
    forEachRowBand(h, progress, [&](int y0, int y1) {
        thread_local std::vector<float> up, mid, down;
        auto lumaRow = [&](std::vector<float>& l, int y) {
            const uint32_t* s = row32(src, std::clamp(y, 0, h - 1));
            l.resize(size_t(w));
            for (int x = 0; x < w; ++x) l[size_t(x)] = float(luma(s[x]));
        };
        for (int y = y0; y < y1; ++y) {
            lumaRow(up, y - offset);
            lumaRow(mid, y);
            lumaRow(down, y + offset);
            const uint32_t* s = row32(src, y);
            uint32_t* d = rows[y];
            for (int x = 0; x < w; ++x) {
                const float gx =
                    mid[size_t(std::min(x + offset, w - 1))] - mid[size_t(std::max(x - offset, 0))];
                const float gy = down[size_t(x)] - up[size_t(x)];
                const float nz = kFlatness * 2 * float(offset);
                const float shade = std::max(0.0f, (-gx * lx - gy * ly + nz * lz) /
                                                       std::sqrt(gx * gx + gy * gy + nz * nz));
                const uint32_t p = s[x];
                if (useImageAsTexture) {
                    auto lit = [&](int sh) {
                        return uint32_t(clampByte(double(((p >> sh) & 0xFF) * shade))) << sh;
                    };
                    d[x] = (p & 0xFF000000u) | lit(16) | lit(8) | lit(0);
                } else {
                    d[x] = (p & 0xFF000000u) | uint32_t(clampByte(double(255 * shade))) * 0x010101u;
                }
            }
        }
    });
    return out;
}

} // namespace pix::ops
