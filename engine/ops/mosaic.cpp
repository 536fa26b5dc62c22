#include "mosaic.h"

#include "op_support.h"

#include <vector>

namespace pix::ops {

void mosaic(QImage& img, int blockX, int blockY, int mask, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Mosaic";
    require(blockX >= 1 && blockY >= 1,
            QStringLiteral("Block size %1 x %2 is not positive").arg(blockX).arg(blockY), kSource);
    require(mask >= 0 && mask <= 7, QStringLiteral("Channel mask %1 is not 0..7").arg(mask),
            kSource);
    const int w = img.width(), h = img.height();
    const int bx = std::min(blockX, w), by = std::min(blockY, h);
    const int columns = (w + bx - 1) / bx;
    uint32_t keep = 0xFF000000u; // bits of the pixel that stay
    for (int c = 0; c < 3; ++c)
        if (!(mask & (1 << c))) keep |= 0xFFu << (16 - 8 * c);
    const bool alpha = img.format() == QImage::Format_ARGB32;
    constexpr uint32_t kKeepBlock = 0xFFFFFFFFu; // never a colour: alpha bits are cleared
    const RowView rows(img);
    // Split by rows, so that progress comes as often as for any other filter: a band takes the
    // blocks that start inside it.
    forEachRowBand(h, progress, [&](int ya, int yb) {
        std::vector<uint64_t> sums(size_t(columns) * 4);
        for (int b = (ya + by - 1) / by; b < (yb + by - 1) / by; ++b) {
            const int y0 = b * by, y1 = std::min(h, y0 + by);
            std::fill(sums.begin(), sums.end(), 0);
            for (int y = y0; y < y1; ++y) {
                const uint32_t* r = rows[y];
                for (int x = 0; x < w; ++x) {
                    const uint32_t p = r[x];
                    const uint64_t a = alpha ? p >> 24 : 1;
                    uint64_t* s = &sums[size_t(x / bx) * 4];
                    s[0] += ((p >> 16) & 0xFF) * a;
                    s[1] += ((p >> 8) & 0xFF) * a;
                    s[2] += (p & 0xFF) * a;
                    s[3] += a;
                }
            }
            std::vector<uint32_t> colour(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                const uint64_t* s = &sums[size_t(c) * 4];
                const uint64_t n = s[3];
                if (n == 0) { // every pixel invisible: the block stays as it is
                    colour[c] = kKeepBlock;
                    continue;
                }
                colour[c] = uint32_t((s[0] + n / 2) / n) << 16 | uint32_t((s[1] + n / 2) / n) << 8 |
                            uint32_t((s[2] + n / 2) / n);
                colour[c] &= ~keep;
            }
            for (int y = y0; y < y1; ++y) {
                uint32_t* r = rows[y];
                for (int x = 0; x < w; ++x)
                    if (colour[x / bx] != kKeepBlock) r[x] = (r[x] & keep) | colour[x / bx];
            }
        }
    });
}

} // namespace pix::ops
