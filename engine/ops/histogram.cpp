#include "histogram.h"

#include "op_support.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <vector>

namespace pix::ops {

namespace {

using Histograms = std::array<std::array<int64_t, 256>, 3>; // red, green, blue
using Luts = std::array<std::array<uint8_t, 256>, 3>;

void checkArgs(int low, int high, int mask, const char* source) {
    require(low >= 0 && high <= 255 && low <= high,
            QStringLiteral("Limits %1..%2 must satisfy 0 <= low <= high <= 255").arg(low).arg(high),
            source);
    require(mask >= 0 && mask <= 7, QStringLiteral("Channel mask %1 is not 0..7").arg(mask),
            source);
}

// Adds `n` pixels to the counts, where counters of value pairs save updates: one counter per
// green-blue pair of a pixel, and one per pair of reds of two neighbouring pixels, so that two
// pixels cost three counter updates instead of six. A pixel left over, and every pixel of an
// image with alpha (where fully transparent pixels are left out), counts its red in `red`.
PIX_HOT void countRow(const uint32_t* row, int n, bool alpha, uint32_t* greenBlue,
                      uint32_t* redPairs, uint32_t* red) {
    int x = 0;
    if (!alpha)
        for (; x + 2 <= n; x += 2) {
            const uint32_t p = row[x], q = row[x + 1];
            ++greenBlue[p & 0xFFFF];
            ++greenBlue[q & 0xFFFF];
            ++redPairs[((p >> 8) & 0xFF00) | ((q >> 16) & 0xFF)];
        }
    for (; x < n; ++x) {
        const uint32_t p = row[x];
        if (alpha && (p >> 24) == 0) continue;
        ++greenBlue[p & 0xFFFF];
        ++red[(p >> 16) & 0xFF];
    }
}

// Adds counts of value pairs (first value * 256 + second) to the totals of each value.
PIX_HOT void addPairCounts(const uint32_t* pairs, int64_t* first, int64_t* second) {
    for (int a = 0; a < 256; ++a) {
        int64_t sum = 0;
        for (int b = 0; b < 256; ++b) {
            sum += pairs[a * 256 + b];
            second[b] += pairs[a * 256 + b];
        }
        first[a] += sum;
    }
}

Histograms channelHistograms(const QImage& img, const ProgressFn& progress) {
    Histograms total{};
    std::mutex m;
    const bool alpha = img.format() == QImage::Format_ARGB32;
    // Each band sums its pair counters at its end (some 0.1 ms): a few bands per thread still
    // pay for that and even out the rows of many colours, which cost more.
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            thread_local std::vector<uint32_t> greenBlue, redPairs; // no image has 2^32 pixels
            greenBlue.assign(65536, 0);
            redPairs.assign(65536, 0);
            std::array<uint32_t, 256> red{};
            for (int y = y0; y < y1; ++y)
                countRow(row32(img, y), img.width(), alpha, greenBlue.data(), redPairs.data(),
                         red.data());
            Histograms band{};
            for (int v = 0; v < 256; ++v) band[0][v] = red[v];
            addPairCounts(redPairs.data(), band[0].data(), band[0].data());
            addPairCounts(greenBlue.data(), band[1].data(), band[2].data());
            std::lock_guard lock(m);
            for (int c = 0; c < 3; ++c)
                for (int v = 0; v < 256; ++v) total[c][v] += band[c][v];
        },
        0, 50);
    return total;
}

// Lowest and highest value of each channel (red, green, blue) over the pixels that count (alpha
// above 0); lowest 255 and highest 0 when none counts.
struct ChannelRange {
    std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
};

using Bytes16 = uint8_t __attribute__((vector_size(16)));

// The byte-wise lowest and highest of an opaque row, four pixels at a time.
PIX_HOT void opaqueRowRange(const uint8_t* bytes, int pixels, Bytes16& lo, Bytes16& hi) {
    Bytes16 l = lo, h = hi;
    const int blocks = pixels / 4;
    for (int k = 0; k < blocks; ++k, bytes += 16) {
        Bytes16 v;
        std::memcpy(&v, bytes, 16);
        l = v < l ? v : l;
        h = v > h ? v : h;
    }
    for (int x = 0; x < pixels % 4; ++x)
        for (int i = 0; i < 4; ++i) {
            l[i] = std::min(l[i], bytes[4 * x + i]);
            h[i] = std::max(h[i], bytes[4 * x + i]);
        }
    lo = l;
    hi = h;
}

ChannelRange channelRange(const QImage& img, const ProgressFn& progress) {
    ChannelRange total;
    std::mutex m;
    const bool alpha = img.format() == QImage::Format_ARGB32;
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            ChannelRange band;
            if (!alpha) {
                Bytes16 lo, hi;
                for (int i = 0; i < 16; ++i) lo[i] = 255, hi[i] = 0;
                for (int y = y0; y < y1; ++y)
                    opaqueRowRange(img.constScanLine(y), img.width(), lo, hi);
                for (int i = 0; i < 16; ++i) { // the bytes of a pixel in memory order
                    const int c = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 2 - i % 4 : i % 4 - 1;
                    if (c < 0) continue;
                    band.lo[c] = std::min<int>(band.lo[c], lo[i]);
                    band.hi[c] = std::max<int>(band.hi[c], hi[i]);
                }
            } else {
                for (int y = y0; y < y1; ++y) {
                    const uint32_t* r = row32(img, y);
                    for (int x = 0; x < img.width(); ++x) {
                        const uint32_t p = r[x];
                        if ((p >> 24) == 0) continue;
                        for (int c = 0; c < 3; ++c) {
                            const int v = int(p >> (16 - 8 * c)) & 0xFF;
                            band.lo[c] = std::min(band.lo[c], v);
                            band.hi[c] = std::max(band.hi[c], v);
                        }
                    }
                }
            }
            std::lock_guard lock(m);
            for (int c = 0; c < 3; ++c) {
                total.lo[c] = std::min(total.lo[c], band.lo[c]);
                total.hi[c] = std::max(total.hi[c], band.hi[c]);
            }
        },
        0, 50);
    return total;
}

// Byte offsets inside a 32-bit pixel in memory of the green-blue pair (read as green * 256 +
// blue) and of red.
constexpr int kGreenBlueByte = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 0 : 2;
constexpr int kRedByte = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 2 : 1;

// Each pixel's green and blue through one table of pairs, and its red through its own table
// (alpha is copied as it is); `in` and `out` may be the same row.
PIX_HOT void mapRow(const uint8_t* in, uint8_t* out, int n, const uint16_t* greenBlue,
                    const uint8_t* red) {
    for (int x = 0; x < n; ++x, in += 4, out += 4) {
        uint32_t pixel;
        uint16_t pair;
        std::memcpy(&pixel, in, 4);
        std::memcpy(&pair, in + kGreenBlueByte, 2);
        const uint8_t r = red[in[kRedByte]];
        std::memcpy(out, &pixel, 4);
        std::memcpy(out + kGreenBlueByte, greenBlue + pair, 2);
        out[kRedByte] = r;
    }
}

// Writes every pixel of src into out with its masked channels through their tables.
void applyLuts(const QImage& src, QImage& out, Luts luts, int mask, const ProgressFn& progress) {
    for (int c = 0; c < 3; ++c)
        if (!(mask & (1 << c)))
            for (int v = 0; v < 256; ++v) luts[c][v] = uint8_t(v);
    std::vector<uint16_t> greenBlue(65536);
    for (int g = 0; g < 256; ++g)
        for (int b = 0; b < 256; ++b)
            greenBlue[g * 256 + b] = uint16_t(luts[1][g] << 8 | luts[2][b]);
    const RowView rows(out); // before reading src: writing into src itself must not detach it
    forEachRowBand(
        src.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                mapRow(src.constScanLine(y), rows.bytes(y), src.width(), greenBlue.data(),
                       luts[0].data());
        },
        50, 100);
}

// Checks that out can take src's mapped pixels.
void checkOutput(const QImage& src, const QImage& out, const char* source) {
    require(out.size() == src.size() && out.format() == src.format(),
            QStringLiteral("The output image does not match the input"), source);
}

} // namespace

void histogramStretch(const QImage& src, QImage& out, int low, int high, int mask,
                      const ProgressFn& progress) {
    checkArgs(low, high, mask, "Effects.HistogramStretch");
    checkOutput(src, out, "Effects.HistogramStretch");
    if (mask == 0 && &src == &out) return;
    // The stretch needs only the ends of each channel's histogram.
    const ChannelRange range = channelRange(src, progress);
    Luts luts{};
    for (int c = 0; c < 3; ++c) {
        const int lo = range.lo[c], hi = range.hi[c];
        for (int v = 0; v < 256; ++v) {
            if (hi <= lo) { // one value only: it goes to the middle of the range
                luts[c][v] = uint8_t((low + high + 1) / 2);
                continue;
            }
            const int t = std::clamp(v, lo, hi) - lo;
            luts[c][v] = uint8_t(low + ((high - low) * t * 2 + (hi - lo)) / (2 * (hi - lo)));
        }
    }
    applyLuts(src, out, luts, mask, progress);
}

void histogramEqualize(const QImage& src, QImage& out, int low, int high, int mask,
                       const ProgressFn& progress) {
    checkArgs(low, high, mask, "Effects.HistogramEqualize");
    checkOutput(src, out, "Effects.HistogramEqualize");
    if (mask == 0 && &src == &out) return;
    const Histograms h = channelHistograms(src, progress);
    Luts luts{};
    for (int c = 0; c < 3; ++c) {
        int64_t total = 0, first = 0;
        for (int v = 0; v < 256; ++v) total += h[c][v];
        for (int v = 0; v < 256 && first == 0; ++v) first = h[c][v];
        int64_t cum = 0;
        for (int v = 0; v < 256; ++v) {
            cum += h[c][v];
            // The darkest occupied value lands on `low`, the brightest on `high`.
            const int64_t span = total - first;
            const double t = span > 0 ? double(std::max<int64_t>(0, cum - first)) / span : 0.0;
            luts[c][v] = uint8_t(low + int((high - low) * t + 0.5));
        }
    }
    applyLuts(src, out, luts, mask, progress);
}

} // namespace pix::ops
