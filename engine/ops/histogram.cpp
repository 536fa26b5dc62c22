#include "histogram.h"

#include "op_support.h"

#include <array>
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
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            // Two interleaved sets of counters keep runs of equal pixels from stalling on one
            // counter.
            Histograms h[2]{};
            for (int y = y0; y < y1; ++y) {
                const uint32_t* r = row32(img, y);
                for (int x = 0; x < img.width(); ++x) {
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

// Rewrites the masked channels of every pixel through their tables.
void applyLuts(QImage& img, Luts luts, int mask, const ProgressFn& progress) {
    for (int c = 0; c < 3; ++c)
        if (!(mask & (1 << c)))
            for (int v = 0; v < 256; ++v) luts[c][v] = uint8_t(v);
    const RowView rows(img);
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uint32_t* r = rows[y];
                for (int x = 0; x < img.width(); ++x) {
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
    const Histograms h = channelHistograms(img, progress);
    Luts luts{};
    for (int c = 0; c < 3; ++c) {
        int lo = 0, hi = 255;
        while (lo < 255 && h[c][lo] == 0) ++lo;
        while (hi > 0 && h[c][hi] == 0) --hi;
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
