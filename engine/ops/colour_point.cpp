#include "colour_point.h"

#include "op_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace pix::ops {

namespace {

void checkOutput(const QImage& src, const QImage& out, const char* source) {
    require(out.size() == src.size() && out.format() == src.format() &&
                (src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32),
            QStringLiteral("The output image does not match the input"), source);
}

// Runs fn(inRow, outRow, width) over every row of src into out, in parallel.
void mapRows(const QImage& src, QImage& out, const ProgressFn& progress,
             const std::function<void(const uint32_t*, uint32_t*, int)>& fn) {
    const RowView rows(out); // before reading src: writing into src itself must not detach it
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) fn(row32(src, y), rows[y], src.width());
    });
}

PIX_HOT void thresholdRow(const uint32_t* in, uint32_t* out, int n, int low, int high, bool alpha) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x];
        const int l = luma(p);
        const uint32_t rgb = l >= low && l <= high ? 0x00FFFFFFu : 0u;
        const int a = int(p >> 24);
        const uint32_t al = alpha ? (a >= low && a <= high ? 0xFF000000u : 0u) : p & 0xFF000000u;
        out[x] = al | rgb;
    }
}

// Branch-free so that it vectorises: each channel l + (c - l) * f / 256, rounded down.
PIX_HOT void saturateRow(const uint32_t* in, uint32_t* out, int n, int f256) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x];
        const int r = int(p >> 16) & 0xFF, g = int(p >> 8) & 0xFF, b = int(p) & 0xFF;
        const int l = (r * 77 + g * 150 + b * 29 + 128) >> 8;
        const int nr = std::clamp(l + (((r - l) * f256 + 128) >> 8), 0, 255);
        const int ng = std::clamp(l + (((g - l) * f256 + 128) >> 8), 0, 255);
        const int nb = std::clamp(l + (((b - l) * f256 + 128) >> 8), 0, 255);
        out[x] = (p & 0xFF000000u) | uint32_t(nr) << 16 | uint32_t(ng) << 8 | uint32_t(nb);
    }
}

PIX_HOT void grayRow(const uint32_t* in, uint32_t* out, int n) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x], l = uint32_t(luma(p));
        out[x] = (p & 0xFF000000u) | l << 16 | l << 8 | l;
    }
}

} // namespace

void threshold(const QImage& src, QImage& out, int low, int high, bool ignoreAlpha,
               const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Threshold";
    require(low >= 0 && high <= 255 && low <= high,
            QStringLiteral("Levels %1..%2 must satisfy 0 <= low <= high <= 255").arg(low).arg(high),
            kSource);
    checkOutput(src, out, kSource);
    const bool alpha = !ignoreAlpha && src.format() == QImage::Format_ARGB32;
    mapRows(src, out, progress, [&](const uint32_t* in, uint32_t* o, int n) {
        thresholdRow(in, o, n, low, high, alpha);
    });
}

void duotone(const QImage& src, QImage& out, QRgb colour, const ProgressFn& progress) {
    checkOutput(src, out, "Processor.Duotone");
    std::array<uint32_t, 256> ramp{};
    for (int l = 0; l < 256; ++l) {
        auto ch = [l](int c) {
            return l <= 128 ? (c * l + 64) / 128 : c + ((255 - c) * (l - 128) + 63) / 127;
        };
        ramp[l] = uint32_t(ch(qRed(colour))) << 16 | uint32_t(ch(qGreen(colour))) << 8 |
                  uint32_t(ch(qBlue(colour)));
    }
    mapRows(src, out, progress, [&](const uint32_t* in, uint32_t* o, int n) {
        for (int x = 0; x < n; ++x) o[x] = (in[x] & 0xFF000000u) | ramp[luma(in[x])];
    });
}

void saturate(const QImage& src, QImage& out, double factor, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Saturation";
    require(std::isfinite(factor) && factor >= 0 && factor <= 10,
            QStringLiteral("Saturation %1 is not 0..10").arg(factor), kSource);
    checkOutput(src, out, kSource);
    const int f256 = int(std::lround(factor * 256));
    mapRows(src, out, progress,
            [&](const uint32_t* in, uint32_t* o, int n) { saturateRow(in, o, n, f256); });
}

void colorKey(QImage& img, QRgb key, int tolerance, int alpha, bool rgbOnly,
              const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.ColorKey";
    require(tolerance >= 0 && tolerance <= 100,
            QStringLiteral("Tolerance %1 is not 0..100").arg(tolerance), kSource);
    require(alpha >= 0 && alpha <= 255, QStringLiteral("Alpha %1 is not 0..255").arg(alpha),
            kSource);
    require(img.format() == QImage::Format_ARGB32, QStringLiteral("Needs an image with alpha"),
            kSource);
    const int limit = tolerance * 255 / 100;
    auto near = [limit](uint32_t p, uint32_t k, int shift) {
        return std::abs(int(p >> shift & 0xFF) - int(k >> shift & 0xFF)) <= limit;
    };
    const uint32_t newAlpha = uint32_t(alpha) << 24;
    mapRows(img, img, progress, [&](const uint32_t* in, uint32_t* o, int n) {
        for (int x = 0; x < n; ++x) {
            const uint32_t p = in[x];
            if (near(p, key, 16) && near(p, key, 8) && near(p, key, 0) &&
                (rgbOnly || near(p, key, 24)))
                o[x] = (p & 0x00FFFFFFu) | newAlpha;
            else
                o[x] = p;
        }
    });
}

QImage grayscale8(const QImage& src, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Grayscale";
    require(src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32,
            QStringLiteral("Needs a 32-bit image"), kSource);
    QImage grey(src.size(), QImage::Format_Grayscale8);
    requireAllocated(grey, kSource);
    const RowView rows(grey);
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint8_t* o = rows.bytes(y);
            for (int x = 0; x < src.width(); ++x) o[x] = uint8_t(luma(in[x]));
        }
    });
    return grey;
}

void grayscale32(const QImage& src, QImage& out, const ProgressFn& progress) {
    checkOutput(src, out, "Processor.Grayscale");
    mapRows(src, out, progress, [](const uint32_t* in, uint32_t* o, int n) { grayRow(in, o, n); });
}

} // namespace pix::ops
