#include "despeckle.h"

#include "op_support.h"

#include <algorithm>
#include <vector>

namespace pix::ops {

namespace {

// Index `i` of 0..n-1 mirrored at the ends without repeating them (-1 -> 1), so a speck on the
// border does not become its own neighbour.
int mirrored(int i, int n) {
    if (n == 1) return 0;
    return i < 0 ? -i : (i >= n ? 2 * n - 2 - i : i);
}

// Row `y` of `src` with one mirrored pixel at each end, as bytes.
void paddedRow(const QImage& src, int y, std::vector<uint8_t>& row) {
    const int w = src.width();
    row.resize(size_t(w + 2) * 4);
    const uint8_t* s = src.constScanLine(mirrored(y, src.height()));
    std::copy(s, s + 4 * w, row.begin() + 4);
    std::copy(s + 4 * mirrored(-1, w), s + 4 * mirrored(-1, w) + 4, row.begin());
    std::copy(s + 4 * mirrored(w, w), s + 4 * mirrored(w, w) + 4, row.end() - 4);
}

// out[i] = in[i] held between the second smallest and second largest of its eight neighbours
// (rows a, b, c padded; b is the pixel's row), over n bytes.
PIX_HOT void clampRow(uint8_t* out, const uint8_t* a, const uint8_t* b, const uint8_t* c, int n) {
    for (int i = 0; i < n; ++i) {
        const uint8_t nb[8] = {a[i], a[i + 4], a[i + 8], b[i], b[i + 8], c[i], c[i + 4], c[i + 8]};
        uint8_t hi1 = 0, hi2 = 0, lo1 = 255, lo2 = 255;
        for (uint8_t v : nb) {
            hi2 = std::max(hi2, std::min(hi1, v));
            hi1 = std::max(hi1, v);
            lo2 = std::min(lo2, std::max(lo1, v));
            lo1 = std::min(lo1, v);
        }
        out[i] = std::clamp(b[i + 4], lo2, hi2);
    }
}

} // namespace

QImage despeckle(const QImage& src, const ProgressFn& progress) {
    QImage out = newImageLike(src, "Processor.Despeckle");
    const int w = src.width(), h = src.height();
    const RowView rows(out);
    forEachRowBand(h, progress, [&](int y0, int y1) {
        thread_local std::vector<uint8_t> a, b, c;
        paddedRow(src, y0 - 1, a);
        paddedRow(src, y0, b);
        for (int y = y0; y < y1; ++y) {
            paddedRow(src, y + 1, c);
            uint8_t* d = rows.bytes(y);
            clampRow(d, a.data(), b.data(), c.data(), 4 * w);
            const uint8_t* s = src.constScanLine(y);
            for (int x = 3; x < 4 * w; x += 4) d[x] = s[x];
            std::swap(a, b);
            std::swap(b, c);
        }
    });
    return out;
}

QImage vibration(const QImage& src, int strength, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Vibration";
    require(strength >= 1 && strength <= 100,
            QStringLiteral("Strength %1 is not 1..100").arg(strength), kSource);
    const int reach = std::max(1, strength / 25), span = 2 * reach + 1;
    const int w = src.width(), h = src.height();
    QImage out = newImageLike(src, kSource);
    const RowView rows(out);
    forEachRowBand(h, progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* s = row32(src, y);
            uint32_t* d = rows[y];
            for (int x = 0; x < w; ++x) {
                uint32_t hsh = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u;
                hsh ^= hsh >> 15;
                hsh *= 0x2C1B3C6Du;
                hsh ^= hsh >> 12;
                const int dx = int(hsh % uint32_t(span)) - reach;
                const int dy = int((hsh >> 16) % uint32_t(span)) - reach;
                const uint32_t p =
                    row32(src, std::clamp(y + dy, 0, h - 1))[std::clamp(x + dx, 0, w - 1)];
                d[x] = (p & 0x00FFFFFFu) | (s[x] & 0xFF000000u);
            }
        }
    });
    return out;
}

} // namespace pix::ops
