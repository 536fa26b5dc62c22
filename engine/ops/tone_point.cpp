#include "tone_point.h"

#include "op_support.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace pix::ops {

namespace {

// Each pixel through two tables of value pairs, one for its alpha-red half and one for its
// green-blue half: two look-ups a pixel instead of three or four.
PIX_HOT void curveRow(const uint32_t* in, uint32_t* out, int n, const uint16_t* alphaRed,
                      const uint16_t* greenBlue) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x];
        out[x] = uint32_t(alphaRed[p >> 16]) << 16 | greenBlue[p & 0xFFFF];
    }
}

ToneTable tableOf(const auto& f) {
    ToneTable t{};
    for (int v = 0; v < 256; ++v) t[v] = clampByte(f(v));
    return t;
}

// Luminance histogram of the pixels with alpha above 0.
std::array<int64_t, 256> lumaHistogram(const QImage& img, const ProgressFn& progress) {
    std::array<int64_t, 256> total{};
    std::mutex m;
    const bool alpha = img.format() == QImage::Format_ARGB32;
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            std::array<int64_t, 256> band{};
            for (int y = y0; y < y1; ++y) {
                const uint32_t* r = row32(img, y);
                for (int x = 0; x < img.width(); ++x)
                    if (!alpha || (r[x] >> 24) != 0) ++band[luma(r[x])];
            }
            std::lock_guard lock(m);
            for (int v = 0; v < 256; ++v) total[v] += band[v];
        },
        0, 50);
    return total;
}

} // namespace

ToneTable identityTable() {
    return tableOf([](int v) { return v; });
}

ToneCurves sameCurves(const ToneTable& t) {
    return {t, t, t, std::nullopt};
}

void applyToneCurves(const QImage& src, QImage& out, const ToneCurves& c,
                     const ProgressFn& progress, int percentFrom, int percentTo) {
    require(out.size() == src.size() && out.format() == src.format() &&
                (src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32),
            QStringLiteral("The output image does not match the input"), "Processor");
    // An opaque image's alpha stays 255 whatever the curves.
    const ToneTable alphaTable =
        c.alpha && src.format() == QImage::Format_ARGB32 ? *c.alpha : identityTable();
    std::vector<uint16_t> alphaRed(65536), greenBlue(65536);
    for (int u = 0; u < 256; ++u)
        for (int v = 0; v < 256; ++v) {
            alphaRed[u * 256 + v] = uint16_t(alphaTable[u] << 8 | c.red[v]);
            greenBlue[u * 256 + v] = uint16_t(c.green[u] << 8 | c.blue[v]);
        }
    const RowView rows(out); // before reading src: writing into src itself must not detach it
    forEachRowBand(
        src.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                curveRow(row32(src, y), rows[y], src.width(), alphaRed.data(), greenBlue.data());
        },
        percentFrom, percentTo);
}

ToneTable negativeTable() {
    return tableOf([](int v) { return 255 - v; });
}

ToneTable gammaTable(double gamma) {
    require(std::isfinite(gamma) && gamma > 0,
            QStringLiteral("Gamma %1 is not a positive number").arg(gamma), "Processor.Gamma");
    return tableOf([gamma](int v) { return 255.0 * std::pow(v / 255.0, 1.0 / gamma); });
}

ToneTable intensityTable(int amount) {
    require(amount >= -255 && amount <= 255,
            QStringLiteral("Intensity %1 is not -255..255").arg(amount), "Processor.Intensity");
    return tableOf([amount](int v) { return v + amount; });
}

ToneTable posterizeTable(int levels) {
    require(levels >= 2 && levels <= 256, QStringLiteral("%1 levels are not 2..256").arg(levels),
            "Processor.Posterize");
    const double step = 255.0 / (levels - 1);
    return tableOf([step](int v) { return std::nearbyint(v / step) * step; });
}

ToneTable solarizeTable(int threshold) {
    require(threshold >= 0 && threshold <= 255,
            QStringLiteral("Threshold %1 is not 0..255").arg(threshold), "Processor.Solarize");
    const int t = threshold == 0 ? 128 : threshold;
    return tableOf([t](int v) { return v > t ? 255 - v : v; });
}

ToneCurves tintCurves(int tint) {
    require(tint >= -100 && tint <= 100, QStringLiteral("Tint %1 is not -100..100").arg(tint),
            "Processor.Tint");
    const double shift = tint * 0.64;
    const ToneTable redBlue = tableOf([shift](int v) { return v + shift / 2; });
    return {redBlue, tableOf([shift](int v) { return v - shift; }), redBlue, std::nullopt};
}

ToneTable brightnessContrastTable(int brightness, int contrast) {
    require(brightness >= -100 && brightness <= 100 && contrast >= -100 && contrast <= 100,
            QStringLiteral("Brightness %1 and contrast %2 must be -100..100")
                .arg(brightness)
                .arg(contrast),
            "Processor.BrightnessContrast");
    const double b = brightness / 100.0;
    // At 100 the slope is infinite: a steep enough finite one gives the same threshold.
    const double slope = contrast == 100 ? 1e6 : std::tan((contrast / 100.0 + 1.0) * M_PI / 4.0);
    return tableOf([=](int v) {
        double x = v / 255.0;
        x = b < 0 ? x * (1.0 + b) : x + (1.0 - x) * b;
        return ((x - 0.5) * slope + 0.5) * 255.0;
    });
}

void autoBrightness(const QImage& src, QImage& out, int low, int high, bool even,
                    const ProgressFn& progress) {
    require(low >= 0 && high <= 255 && low <= high,
            QStringLiteral("Levels %1..%2 must satisfy 0 <= low <= high <= 255").arg(low).arg(high),
            "Processor.AutoBrightness");
    const std::array<int64_t, 256> h = lumaHistogram(src, progress);
    int64_t total = 0;
    for (int64_t n : h) total += n;
    ToneTable t = identityTable();
    if (total > 0 && even) {
        int64_t cum = 0;
        for (int v = 0; v < 256; ++v) {
            cum += h[v];
            t[v] = uint8_t(low + int((high - low) * double(cum) / double(total) + 0.5));
        }
    } else if (total > 0) {
        const int64_t clip = total / 200; // 0.5% at each end
        int lo = 0, hi = 255;
        for (int64_t cum = h[0]; cum <= clip && lo < 255;) cum += h[++lo];
        for (int64_t cum = h[255]; cum <= clip && hi > 0;) cum += h[--hi];
        if (hi <= lo)
            t = tableOf([&](int) { return (low + high + 1) / 2; });
        else
            t = tableOf([&](int v) {
                return low + (high - low) * double(std::clamp(v, lo, hi) - lo) / (hi - lo);
            });
    }
    applyToneCurves(src, out, sameCurves(t), progress, 50, 100);
}

} // namespace pix::ops
