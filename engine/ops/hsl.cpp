#include "hsl.h"

#include "op_support.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pix::ops {

namespace {

// Hue sextant h6 (0..6) to the channel value between lo and hi, in float for the pixel loops.
template <class T> T hueChannel(T lo, T hi, T h6) {
    if (h6 < 0) h6 += 6;
    if (h6 >= 6) h6 -= 6;
    if (h6 < 1) return lo + (hi - lo) * h6;
    if (h6 < 3) return hi;
    if (h6 < 4) return lo + (hi - lo) * (4 - h6);
    return lo;
}

template <class T> void toHsl(T r, T g, T b, T& h, T& s, T& l) {
    const T hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
    l = (hi + lo) / 2;
    if (d <= 0) {
        h = s = 0;
        return;
    }
    s = l <= T(127.5) ? d * 255 / (hi + lo) : d * 255 / (510 - hi - lo);
    T h6;
    if (hi == r)
        h6 = (g - b) / d + (g < b ? 6 : 0);
    else if (hi == g)
        h6 = (b - r) / d + 2;
    else
        h6 = (r - g) / d + 4;
    h = h6 * 255 / 6;
    if (h >= 255) h -= 255;
}

template <class T> void fromHsl(T h, T s, T l, T& r, T& g, T& b) {
    if (s <= 0) {
        r = g = b = l;
        return;
    }
    const T hi = l <= T(127.5) ? l * (255 + s) / 255 : l + s - l * s / 255;
    const T lo = 2 * l - hi;
    const T h6 = h * 6 / 255;
    r = hueChannel(lo, hi, h6 + 2);
    g = hueChannel(lo, hi, h6);
    b = hueChannel(lo, hi, h6 - 2);
}

// Runs fn(h, s, l) over every pixel's HSL of src into out (a template, so that fn is inlined
// into the pixel loop).
template <class Fn> void mapHsl(const QImage& src, QImage& out, const ProgressFn& progress, Fn fn) {
    require(out.size() == src.size() && out.format() == src.format(),
            QStringLiteral("The output image does not match the input"), "Processor");
    const RowView rows(out);
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        // Colours recur (flat areas, smooth gradients): a small direct-mapped cache of the
        // colours computed last saves most of the conversions.
        constexpr int kBits = 12;
        std::vector<uint32_t> keys(1u << kBits, 0xFFFFFFFFu), values(1u << kBits);
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint32_t* o = rows[y];
            for (int x = 0; x < src.width(); ++x) {
                const uint32_t p = in[x], rgb = p & 0x00FFFFFFu;
                const uint32_t slot = (rgb * 2654435761u) >> (32 - kBits);
                if (keys[slot] != rgb) {
                    float h, s, l, r, g, b;
                    toHsl(float(rgb >> 16), float((rgb >> 8) & 0xFF), float(rgb & 0xFF), h, s, l);
                    fn(h, s, l);
                    fromHsl(h, s, l, r, g, b);
                    keys[slot] = rgb;
                    values[slot] = uint32_t(clampByte(double(r))) << 16 |
                                   uint32_t(clampByte(double(g))) << 8 |
                                   uint32_t(clampByte(double(b)));
                }
                o[x] = (p & 0xFF000000u) | values[slot];
            }
        }
    });
}

float wrapHue(float h) {
    h = std::fmod(h, 255.0f);
    return h < 0 ? h + 255.0f : h;
}

// A level moved `percent` of the way to 255 (positive) or to 0 (negative).
float towards(float v, float percent) {
    return percent >= 0 ? v + (255 - v) * percent / 100 : v + v * percent / 100;
}

} // namespace

Hsl rgbToHsl(double r, double g, double b) {
    Hsl c{};
    toHsl(r, g, b, c.h, c.s, c.l);
    return c;
}

void hslToRgb(const Hsl& c, double& r, double& g, double& b) {
    fromHsl(c.h, c.s, c.l, r, g, b);
}

void hslShift(const QImage& src, QImage& out, double hue, double sat, double lum, bool percent,
              const ProgressFn& progress) {
    const float dh = float(percent ? hue * 2.55 : hue), ds = float(sat), dl = float(lum);
    mapHsl(src, out, progress, [&](float& h, float& s, float& l) {
        h = wrapHue(h + dh);
        s = std::clamp(percent ? towards(s, ds) : s + ds, 0.0f, 255.0f);
        l = std::clamp(percent ? towards(l, dl) : l + dl, 0.0f, 255.0f);
    });
}

void colorize(const QImage& src, QImage& out, QRgb colour, bool hue, bool sat, bool lum,
              const ProgressFn& progress) {
    if (!hue && !sat && !lum) {
        // Nothing imposed: the pixels as they are, without the round trip through HSL.
        if (&out != &src) {
            const RowView rows(out);
            forEachRowBand(src.height(), progress, [&](int y0, int y1) {
                for (int y = y0; y < y1; ++y) std::copy_n(row32(src, y), src.width(), rows[y]);
            });
        }
        return;
    }
    const Hsl c = rgbToHsl(qRed(colour), qGreen(colour), qBlue(colour));
    mapHsl(src, out, progress, [&](float& h, float& s, float& l) {
        if (hue) h = float(c.h);
        if (sat) s = float(c.s);
        if (lum) l = float(c.l);
    });
}

} // namespace pix::ops
