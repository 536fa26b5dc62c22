#include "channel_adjust.h"

#include "op_support.h"

#include <algorithm>
#include <cstdlib>

namespace pix::ops {

namespace {

template <class F> ToneTable tableOf(F f) {
    ToneTable t{};
    for (int v = 0; v < 256; ++v) t[size_t(v)] = clampByte(f(v));
    return t;
}

} // namespace

ToneTable literalShiftTable(int amount) {
    return tableOf([amount](int v) { return v + amount; });
}

ToneTable percentShiftTable(double percent) {
    return tableOf([percent](int v) {
        return percent >= 0 ? v + (255 - v) * percent / 100 : v + v * percent / 100;
    });
}

ToneTable distanceTable(int reference) {
    return tableOf([reference](int v) { return std::abs(reference - v); });
}

void shiftChannels(const QImage& src, QImage& out, int mask, int dx, int dy,
                   const ProgressFn& progress) {
    require(out.size() == src.size() && out.format() == src.format() && &out != &src,
            QStringLiteral("The output image does not match the input"), "Processor");
    const uint32_t moved =
        (mask & 1 ? 0x00FF0000u : 0u) | (mask & 2 ? 0x0000FF00u : 0u) | (mask & 4 ? 0xFFu : 0u);
    const uint32_t kept = ~moved;
    const int w = src.width(), h = src.height();
    const RowView rows(out);
    // Sources clamped in 64 bits: offsets of any size fill from the edge.
    auto clampTo = [](int64_t v, int n) { return int(std::clamp<int64_t>(v, 0, n - 1)); };
    forEachRowBand(h, progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* here = row32(src, y);
            const uint32_t* from = row32(src, clampTo(int64_t(y) - dy, h));
            uint32_t* o = rows[y];
            // Columns whose source lies left of the image, inside it, and right of it.
            const int inFrom = clampTo(int64_t(dx), w + 1), inTo = clampTo(int64_t(w) + dx, w + 1);
            const uint32_t left = from[0] & moved, right = from[w - 1] & moved;
            for (int x = 0; x < inFrom; ++x) o[x] = (here[x] & kept) | left;
            for (int x = inFrom; x < inTo; ++x) o[x] = (here[x] & kept) | (from[x - dx] & moved);
            for (int x = std::max(inFrom, inTo); x < w; ++x) o[x] = (here[x] & kept) | right;
        }
    });
}

} // namespace pix::ops
