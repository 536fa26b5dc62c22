#include "dither_two.h"

#include "op_support.h"

#include <array>
#include <mutex>
#include <vector>

namespace pix::ops {

namespace {

// Throws the cancel error when the progress callback says stop.
void step(const ProgressFn& progress, int percent) {
    if (!reportProgress(progress, percent))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QStringLiteral("Processor"));
}

} // namespace

QImage ditherTwoColors(const QImage& src, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.DitherTwoColors";
    require(src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32,
            QStringLiteral("Needs a 32-bit image"), kSource);
    const int w = src.width(), h = src.height();
    // The two inks: mean colours of the dark and the light side of the mean luminance.
    int64_t lumaSum = 0;
    std::mutex m;
    forEachRowBand(h, {}, [&](int y0, int y1) {
        int64_t s = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x) s += luma(row32(src, y)[x]);
        std::lock_guard lock(m);
        lumaSum += s;
    });
    const int meanLuma = int(lumaSum / (int64_t(w) * h));
    std::array<std::array<int64_t, 4>, 2> sums{}; // red, green, blue, count of each side
    forEachRowBand(h, {}, [&](int y0, int y1) {
        std::array<std::array<int64_t, 4>, 2> band{};
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t p = row32(src, y)[x];
                auto& s = band[luma(p) < meanLuma ? 0 : 1];
                s[0] += (p >> 16) & 0xFF, s[1] += (p >> 8) & 0xFF, s[2] += p & 0xFF, ++s[3];
            }
        std::lock_guard lock(m);
        for (int i = 0; i < 2; ++i)
            for (int c = 0; c < 4; ++c) sums[i][c] += band[i][c];
    });
    QList<QRgb> inks;
    for (const auto& s : sums) {
        const int64_t n = std::max<int64_t>(1, s[3]);
        inks << qRgb(int(s[0] / n), int(s[1] / n), int(s[2] / n));
    }
    if (sums[0][3] == 0) inks[0] = inks[1];
    const int dark = luma(inks[0]), light = luma(inks[1]);
    QImage out(w, h, QImage::Format_Mono);
    requireAllocated(out, kSource);
    out.setColorTable(inks);
    // The error runs along and down the rows, so the rows go in order.
    std::vector<float> errs(size_t(w) + 2), next(size_t(w) + 2);
    for (int y = 0; y < h; ++y) {
        if (y % 256 == 255) step(progress, int(int64_t(y) * 100 / h));
        std::fill(next.begin(), next.end(), 0.0f);
        const uint32_t* in = row32(src, y);
        uchar* bits = out.scanLine(y);
        std::fill(bits, bits + out.bytesPerLine(), 0);
        for (int x = 0; x < w; ++x) {
            const float v = float(luma(in[x])) + errs[size_t(x) + 1];
            const bool isLight = std::abs(v - float(light)) < std::abs(v - float(dark));
            const float e = v - float(isLight ? light : dark);
            if (isLight) bits[x >> 3] |= uchar(0x80 >> (x & 7));
            errs[size_t(x) + 2] += e * 7 / 16;
            next[size_t(x)] += e * 3 / 16;
            next[size_t(x) + 1] += e * 5 / 16;
            next[size_t(x) + 2] += e * 1 / 16;
        }
        std::swap(errs, next);
    }
    step(progress, 100);
    return out;
}

QImage applyPalette(const QImage& image, const QList<QRgb>& entries, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.ApplyPalette";
    require(!entries.isEmpty() && entries.size() <= 256,
            QStringLiteral("A palette of %1 entries is not 1..256").arg(entries.size()), kSource);
    const bool mono = image.format() == QImage::Format_Mono;
    if (mono || image.format() == QImage::Format_Indexed8) {
        QImage out = mono && entries.size() > 2 ? image.convertToFormat(QImage::Format_Indexed8)
                                                : image.copy();
        requireAllocated(out, kSource);
        QList<QRgb> table = out.colorTable();
        if (table.size() < entries.size()) table.resize(entries.size());
        for (int i = 0; i < entries.size(); ++i) table[i] = entries[i];
        out.setColorTable(table);
        return out;
    }
    require(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32,
            QStringLiteral("Needs a 32-bit or paletted image"), kSource);
    QImage out(image.size(), QImage::Format_Indexed8);
    requireAllocated(out, kSource);
    out.setColorTable(entries);
    const RowView rows(out);
    forEachRowBand(image.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(image, y);
            uint8_t* o = rows.bytes(y);
            for (int x = 0; x < image.width(); ++x) {
                int best = 0;
                int64_t bestDist = INT64_MAX;
                for (int i = 0; i < entries.size(); ++i) {
                    int64_t d = 0;
                    for (int shift : {24, 16, 8, 0}) {
                        const int64_t c = int64_t((in[x] >> shift) & 0xFF) -
                                          int64_t((entries[i] >> shift) & 0xFF);
                        d += c * c;
                    }
                    if (d < bestDist) bestDist = d, best = i;
                }
                o[x] = uint8_t(best);
            }
        }
    });
    return out;
}

} // namespace pix::ops
