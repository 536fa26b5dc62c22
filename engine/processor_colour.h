// The Processor group, colour adjustments of the preview dialogs: channel shifts in RGB and HSL
// (literal or percent), Colorize, the negative by a colour and channels moved by pixels. Each
// call checks its arguments and runs as one undo step per label, as the other Processor calls;
// paletted, mono and grey pages come back as "24-bit RGB" (or "32-bit RGB w/ Alpha" when they
// carry alpha or an alpha shift gives them alpha); alpha is kept where a call does not shift it.
#pragma once

#include "pix_image.h"

namespace pix::Processor {

// Each of red, green, blue and alpha plus its amount (-255..255), clamped. A non-zero alpha
// amount gives the page alpha.
void AdjustLiteral(PixImage& img, int red, int green, int blue, int alpha,
                   const QString& undoLabel = {});
// Each channel moved its percent (-100..100) of the way to 255 (positive) or to 0 (negative).
void AdjustPercent(PixImage& img, float red, float green, float blue, float alpha,
                   const QString& undoLabel = {});
// Hue turned (circular) and saturation and luminance moved by levels -255..255 of their 0..255
// scales, clamped.
void AdjustHSLLiteral(PixImage& img, int hue, int sat, int lum, const QString& undoLabel = {});
// Hue turned by its percent of a turn, saturation and luminance moved their percent
// (-100..100) of the way to 255 or 0.
void AdjustHSLPercent(PixImage& img, float hue, float sat, float lum,
                      const QString& undoLabel = {});
// The hue, saturation and luminance of `color` imposed where flagged; with no flag the pixels
// stay as they are (the call still makes its step).
void Colorize(PixImage& img, EngineColor color, bool hue, bool sat, bool lum,
              const QString& undoLabel = {});
// Each channel becomes its distance from the colour's channel: white is the plain negative,
// black changes nothing.
void NegativeByColor(PixImage& img, EngineColor color, const QString& undoLabel = {});
// The channels of `mask` (1 red, 2 green, 4 blue; 0 none) moved right by dx and down by dy
// pixels (negative: left, up); uncovered places take the edge's pixels.
void ShiftChannels(PixImage& img, int mask, int dx, int dy, const QString& undoLabel = {});

} // namespace pix::Processor
