#include "gauzy.h"

#include "gaussian.h"
#include "op_support.h"

#include <array>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Effects.Gauzy";

using Blend = int (*)(int image, int glow);

int screen(int o, int g) {
    return 255 - (255 - o) * (255 - g) / 255;
}
int overlay(int o, int g) {
    return o < 128 ? 2 * o * g / 255 : 255 - 2 * (255 - o) * (255 - g) / 255;
}
int lighter(int o, int g) {
    return o > g ? o : g;
}
int darker(int o, int g) {
    return o < g ? o : g;
}

// Each mode's blend, and whether its glow is grey.
struct ModeBlend {
    Blend blend;
    bool grey;
};
constexpr std::array<ModeBlend, 5> kModes = {
    {{screen, true}, {screen, false}, {overlay, false}, {lighter, false}, {darker, false}}};

} // namespace

QImage gauzy(const QImage& src, int blur, int sharpen, int clarity, GauzyMode mode,
             const ProgressFn& progress) {
    const auto inRange = [](int v) { return v >= 0 && v <= 100; };
    require(inRange(blur) && inRange(sharpen) && inRange(clarity),
            QStringLiteral("Gauzy blur %1, sharpen %2 and clarity %3 must lie in 0..100")
                .arg(blur)
                .arg(sharpen)
                .arg(clarity),
            kSource);
    require(int(mode) >= 0 && int(mode) < int(kModes.size()),
            QStringLiteral("Gauzy mode %1 is not 0..4").arg(int(mode)), kSource);
    const QImage glow = blur > 0 ? gaussianBlur(src, blur / 5.0, true, progress) : src;
    QImage out = newImageLike(src, kSource);
    const ModeBlend how = kModes[size_t(mode)];
    const int mixIn = 100 - sharpen;
    const RowView rows(out);
    forEachRowBand(out.height(), {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* o = row32(src, y);
            const uint32_t* g = row32(glow, y);
            uint32_t* dst = rows[y];
            for (int x = 0; x < out.width(); ++x) {
                const int grey = luma(g[x]);
                uint32_t p = o[x] & 0xFF000000u;
                for (int shift = 0; shift <= 16; shift += 8) {
                    const int oc = int((o[x] >> shift) & 0xFF), gc = int((g[x] >> shift) & 0xFF);
                    const int soft = how.blend(oc, how.grey ? grey : gc);
                    const int mixed = oc * 100 + (soft - oc) * mixIn; // times 100
                    const int detail = (oc - gc) * clarity / 2;       // times 100
                    p |= uint32_t(clampByte((mixed + detail + 50) / 100)) << shift;
                }
                dst[x] = p;
            }
        }
    });
    return out;
}

} // namespace pix::ops
