#include "gauzy.h"

#include "gaussian.h"
#include "op_support.h"

#include <array>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Effects.Gauzy";

int screen(int o, int g) {
    return 255 - (255 - o) * (255 - g) / 255;
}
int overlay(int o, int g) {
    return o < 128 ? 2 * o * g / 255 : 255 - 2 * (255 - o) * (255 - g) / 255;
}

// The glow laid over the image per channel, by mode.
template <GauzyMode M> int blend(int o, int g) {
    if constexpr (M == GauzyMode::Desaturated || M == GauzyMode::FullColor) return screen(o, g);
    if constexpr (M == GauzyMode::HighContrast) return overlay(o, g);
    if constexpr (M == GauzyMode::Max) return o > g ? o : g;
    return o < g ? o : g;
}

// Rows y0..y1 of the result: the blend mixed in by mixIn percent, the detail by clarity / 2.
template <GauzyMode M>
void gauzyRows(const QImage& src, const QImage& glow, const RowView& rows, int mixIn, int clarity,
               int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
        const uint32_t* o = row32(src, y);
        const uint32_t* g = row32(glow, y);
        uint32_t* dst = rows[y];
        for (int x = 0; x < src.width(); ++x) {
            const int grey = luma(g[x]);
            uint32_t p = o[x] & 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int oc = int((o[x] >> shift) & 0xFF), gc = int((g[x] >> shift) & 0xFF);
                const int soft = blend<M>(oc, M == GauzyMode::Desaturated ? grey : gc);
                const int mixed = oc * 100 + (soft - oc) * mixIn; // times 100
                const int detail = (oc - gc) * clarity / 2;       // times 100
                p |= uint32_t(clampByte((mixed + detail + 50) / 100)) << shift;
            }
            dst[x] = p;
        }
    }
}

using RowsFn = void (*)(const QImage&, const QImage&, const RowView&, int, int, int, int);
constexpr std::array<RowsFn, 5> kModes = {
    gauzyRows<GauzyMode::Desaturated>, gauzyRows<GauzyMode::FullColor>,
    gauzyRows<GauzyMode::HighContrast>, gauzyRows<GauzyMode::Max>, gauzyRows<GauzyMode::Min>};

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
    const QImage glow = blur > 0 ? gaussianBlur(src, blur / 5.0, true, progress, 0, 70) : src;
    QImage out = newImageLike(src, kSource);
    const RowsFn rowsOf = kModes[size_t(mode)];
    const int mixIn = 100 - sharpen;
    const RowView rows(out);
    forEachRowBand(
        out.height(), progress,
        [&](int y0, int y1) { rowsOf(src, glow, rows, mixIn, clarity, y0, y1); }, blur > 0 ? 70 : 0,
        100);
    return out;
}

} // namespace pix::ops
