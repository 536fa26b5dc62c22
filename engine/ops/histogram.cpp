#include "histogram.h"

#include "op_support.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

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

Histograms channelHistograms(const QImage& img, const ProgressFn& progress) {
    Histograms total{};
    std::mutex m;
    const bool alpha = img.format() == QImage::Format_ARGB32;
    const int width = img.width();
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            // Two interleaved sets of counters keep runs of equal pixels from stalling on one
            // counter.
            Histograms h[2]{};
            for (int y = y0; y < y1; ++y) {
                const uint32_t* r = row32(img, y);
                for (int x = 0; x < width; ++x) {
                    const uint32_t p = r[x];
                    if (alpha && (p >> 24) == 0) continue;
                    Histograms& hx = h[x & 1];
                    ++hx[0][(p >> 16) & 0xFF];
                    ++hx[1][(p >> 8) & 0xFF];
                    ++hx[2][p & 0xFF];
                }
            }
            std::lock_guard lock(m);
            for (int c = 0; c < 3; ++c)
                for (int v = 0; v < 256; ++v) total[c][v] += h[0][c][v] + h[1][c][v];
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

// Rewrites the masked channels of every pixel through their tables.
void applyLuts(QImage& img, Luts luts, int mask, const ProgressFn& progress) {
    for (int c = 0; c < 3; ++c)
        if (!(mask & (1 << c)))
            for (int v = 0; v < 256; ++v) luts[c][v] = uint8_t(v);
    const RowView rows(img);
    const int width = img.width();
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uint32_t* r = rows[y];
                for (int x = 0; x < width; ++x) {
                    const uint32_t p = r[x];
                    r[x] = (p & 0xFF000000u) | (uint32_t(luts[0][(p >> 16) & 0xFF]) << 16) |
                           (uint32_t(luts[1][(p >> 8) & 0xFF]) << 8) | luts[2][p & 0xFF];
                }
            }
        },
        50, 100);
}

} // namespace

void histogramStretch(QImage& img, int low, int high, int mask, const ProgressFn& progress) {
    checkArgs(low, high, mask, "Effects.HistogramStretch");
    if (mask == 0) return;
    // The stretch needs only the ends of each channel's histogram.
    const ChannelRange range = channelRange(img, progress);
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
    applyLuts(img, luts, mask, progress);
}

void histogramEqualize(QImage& img, int low, int high, int mask, const ProgressFn& progress) {
    checkArgs(low, high, mask, "Effects.HistogramEqualize");
    if (mask == 0) return;
    const Histograms h = channelHistograms(img, progress);
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
    applyLuts(img, luts, mask, progress);
}

} // namespace pix::ops
