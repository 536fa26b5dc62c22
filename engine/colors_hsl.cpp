#include "colors_hsl.h"

#include "ops/hsl.h"
#include "ops/op_support.h"

#include <algorithm>
#include <cmath>

namespace pix::Colors {

Triple RGBToHSL(uint8_t r, uint8_t g, uint8_t b) {
    const ops::Hsl c = ops::rgbToHsl(r, g, b);
    // Of the whole-number neighbours of the exact HSL (the rounded one first), the one that
    // gives the colour back most closely.
    auto error = [&](int h, int s, int l) {
        double r2, g2, b2;
        ops::hslToRgb({double(h % 255), double(s), double(l)}, r2, g2, b2);
        return std::max({std::abs(std::round(r2) - r), std::abs(std::round(g2) - g),
                         std::abs(std::round(b2) - b)});
    };
    const int h0 = int(std::lround(c.h)), s0 = int(std::lround(c.s)), l0 = int(std::lround(c.l));
    int best[3] = {h0, s0, l0};
    double bestError = error(h0, s0, l0);
    for (int h : {int(std::floor(c.h)), int(std::ceil(c.h))})
        for (int s : {int(std::floor(c.s)), int(std::ceil(c.s))})
            for (int l : {int(std::floor(c.l)), int(std::ceil(c.l))})
                if (const double e = error(h, s, l); e < bestError) {
                    bestError = e;
                    best[0] = h, best[1] = s, best[2] = l;
                }
    // A hue that rounds up to a full turn is hue 0.
    return {uint8_t(best[0] % 255), uint8_t(best[1]), uint8_t(best[2])};
}

Triple HSLToRGB(uint8_t h, uint8_t s, uint8_t l) {
    double r, g, b;
    ops::hslToRgb({double(h), double(s), double(l)}, r, g, b);
    return {ops::clampByte(r), ops::clampByte(g), ops::clampByte(b)};
}

} // namespace pix::Colors
