// Per-channel tone curves: every colour channel (and alpha, when a table is given for it) goes
// through its own table of 256 levels; the curves of the point adjustments are built here.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <optional>

namespace pix::ops {

using ToneTable = std::array<uint8_t, 256>;

struct ToneCurves {
    ToneTable red, green, blue;
    std::optional<ToneTable> alpha; // none: alpha is copied as it is
};

ToneTable identityTable();
// The same table on red, green and blue.
ToneCurves sameCurves(const ToneTable& t);

// Writes src's pixels through the curves into out (32-bit, same size and format; may be src).
void applyToneCurves(const QImage& src, QImage& out, const ToneCurves& curves,
                     const ProgressFn& progress = {}, int percentFrom = 0, int percentTo = 100);

// 255 - v.
ToneTable negativeTable();
// 255 * (v / 255) ^ (1 / gamma): gamma above 1 brightens, below 1 darkens (gamma > 0).
ToneTable gammaTable(double gamma);
// v + amount, clamped to 0..255 (amount -255..255).
ToneTable intensityTable(int amount);

// Posterize's levels per channel: 0, 85, 170 and 255.
inline constexpr int kPosterizeLevels = 4;
// Each value to the nearest of `levels` evenly spaced levels from 0 to 255 (levels 2..256).
ToneTable posterizeTable(int levels);

// Values above `threshold` inverted (255 - v), the others kept; threshold 0 takes the usual
// middle level 128 (threshold 0..255).
ToneTable solarizeTable(int threshold);

// Tint -100..100 along the green-magenta axis: green lowered by tint * 0.64 levels and red and
// blue raised by half that (negative tints the other way), clamped.
ToneCurves tintCurves(int tint);

// Brightness and contrast, each -100..100. Brightness b: v * (1 + b/100) when darkening,
// v + (255 - v) * b/100 when brightening; then contrast c turns the line around the middle
// level to the slope tan((c/100 + 1) * 45 degrees) (c = 100: a threshold at the middle).
ToneTable brightnessContrastTable(int brightness, int contrast);

// Auto brightness: the luminance levels of the darkest and brightest 0.5% of the counted pixels
// (alpha above 0) are stretched onto low..high, or with `even` the luminance histogram is
// equalised onto low..high; the same curve goes on red, green and blue (0 <= low <= high <= 255).
void autoBrightness(const QImage& src, QImage& out, int low, int high, bool even,
                    const ProgressFn& progress = {});

} // namespace pix::ops
