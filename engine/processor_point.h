// The Processor group, point and colour operations: each pixel's new value comes from the pixel
// itself (or from its block or cell, for Mosaic and Halftone). Each call checks its arguments,
// runs one operation of engine/ops on the current page's 32-bit working form as one undo step
// per label ("" records a step, "No Undo" none), reports progress with cancel and leaves the
// image as it was when it fails (PixError). Paletted, mono and grey pages come back as "24-bit
// RGB", or "32-bit RGB w/ Alpha" when they carry alpha; alpha is kept unless an `ignoreAlpha`
// argument is false, which lets the operation work on alpha as on the colours.
#pragma once

#include "pix_image.h"

#include <QList>
#include <optional>

namespace pix::Processor {

// Luminance levels stretched onto low..high (0.5% clipped at each end), or with `even` the
// luminance histogram equalised onto low..high; the same curve on every colour channel.
void AutoBrightness(PixImage& img, int low, int high, bool even, const QString& undoLabel = {});

// Zero-mean noise of `type` (0 Gaussian, 1 negative exponential, 2 Rayleigh, 3 uniform) with
// `variance` in levels squared (0..65025); `monochromatic` adds the same sample to red, green
// and blue.
void AddNoise(PixImage& img, int type, int variance, bool monochromatic, bool ignoreAlpha,
              const QString& undoLabel = {});

// White where the luminance lies in low..high (0..255), black elsewhere.
void Threshold(PixImage& img, int low, int high, bool ignoreAlpha, const QString& undoLabel = {});

// The luminance through a ramp from black through `color` (at the middle level) to white.
void Duotone(PixImage& img, EngineColor color, const QString& undoLabel = {});

// Four levels per channel: 0, 85, 170, 255.
void Posterize(PixImage& img, const QString& undoLabel = {});

// Black dots on white in cells of side 2 * maxDotSize (1..100), each as large as its cell is
// dark; `smooth` softens the dot edges.
void Halftone(PixImage& img, int maxDotSize, bool smooth, const QString& undoLabel = {});

// Channel values above `threshold` (0..255; 0 takes the middle level 128) inverted.
void Solarize(PixImage& img, int threshold, const QString& undoLabel = {});

// Tint -100..100: positive towards magenta (less green, more red and blue), negative towards
// green.
void Tint(PixImage& img, int tint, const QString& undoLabel = {});

// Colours moved from their luminance by `level` (0 grey, 1 unchanged, up to 10).
void Saturation(PixImage& img, double level, const QString& undoLabel = {});

// out = 255 * (in / 255) ^ (1 / gamma) on each channel: gamma above 1 brightens, below 1
// darkens (gamma > 0).
void Gamma(PixImage& img, double gamma, const QString& undoLabel = {});

// `amount` (-255..255) added to each channel, clamped.
void Intensity(PixImage& img, int amount, const QString& undoLabel = {});

// Each channel inverted (255 - v); with a colour, only the channels in which that colour is not
// 0 (pure red: red only).
void Negative(PixImage& img, std::optional<EngineColor> color = std::nullopt,
              const QString& undoLabel = {});

// Brightness and contrast, each -100..100: brightness scales towards black or white by its
// percent, contrast turns the tone line around the middle level from flat grey (-100) to a
// threshold (100).
void BrightnessContrast(PixImage& img, int brightness, int contrast, bool ignoreAlpha,
                        const QString& undoLabel = {});

// blockX x blockY blocks of their mean colour on the channels of `mask` (bit 0 red, 1 green,
// 2 blue).
void Mosaic(PixImage& img, int blockX, int blockY, int mask, const QString& undoLabel = {});

// Inside left..right-1 x top..bottom-1, red-dominant pixels (hue within colourRange percent of
// 60 degrees from red) lose `saturation` percent of their red cast (both 0..100).
void RedEyeReduction(PixImage& img, int left, int top, int right, int bottom, int saturation,
                     int colourRange, const QString& undoLabel = {});

// Pixels within `tolerance` percent (0..100) of `key` take alpha `alpha` (0..255); `rgbOnly`
// compares red, green and blue only, else the key's alpha too. The page gains alpha.
void ColorKey(PixImage& img, EngineColor key, int tolerance, int alpha, bool rgbOnly,
              const QString& undoLabel = {});

// The page as "8-bit Grayscale" of its luminance ("16-bit Grayscale w/ Alpha" when it carries
// alpha, which is kept).
void Grayscale(PixImage& img, const QString& undoLabel = {});

// The page dithered to two colours (Floyd-Steinberg on the luminance between the mean colours of
// its dark and light halves) as "1-bit (2 color)", entry 0 the darker; alpha is dropped.
void DitherTwoColors(PixImage& img, const QString& undoLabel = {});

// `entries` as the palette: a paletted or 1-bit page takes them in place of its first colours,
// keeping its indexes; any other page is mapped to the nearest entry as "8-bit Colormapped"
// ("... w/ Alpha" when an entry is not opaque).
void ApplyPalette(PixImage& img, const QList<EngineColor>& entries, const QString& undoLabel = {});

// The normalized difference (R - G) / (R + G) of the red and green planes mapped onto 0..255 as
// "8-bit Grayscale" ("16-bit Grayscale w/ Alpha" keeping the alpha of a page that has it).
void NormalizedDifference(PixImage& img, const QString& undoLabel = {});

} // namespace pix::Processor
