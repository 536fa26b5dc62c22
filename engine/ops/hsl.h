// Hue, saturation and luminance on 0..255 scales (hue circular: 255 is a full turn) and the
// per-pixel maps that work in them: the HSL shifts and Colorize. 32-bit images; `out` has src's
// size and format and may be src itself; alpha is kept.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

struct Hsl {
    double h, s, l; // 0..255 each, h in [0, 255)
};

// The HSL of a colour given as red, green, blue 0..255 (exact: hslToRgb gives the colour back).
Hsl rgbToHsl(double r, double g, double b);
// The red, green and blue 0..255 of an HSL colour.
void hslToRgb(const Hsl& c, double& r, double& g, double& b);

// Hue turned by `hue` (circular), saturation and luminance moved by `sat` and `lum`, clamped;
// with `percent` the amounts are percents (-100..100): the hue turns by that share of a turn,
// the other two move that share of the way to 255 (positive) or to 0 (negative). Literal
// amounts are levels -255..255.
void hslShift(const QImage& src, QImage& out, double hue, double sat, double lum, bool percent,
              const ProgressFn& progress = {});

// The flagged components of each pixel's HSL replaced by those of `colour` (0x..RRGGBB); with
// no flag the pixels stay exactly as they are.
void colorize(const QImage& src, QImage& out, QRgb colour, bool hue, bool sat, bool lum,
              const ProgressFn& progress = {});

} // namespace pix::ops
