// Per-pixel colour maps that mix the channels: luminance threshold, duotone, saturation, the
// colour key and the grey conversion. Luminance is Rec. 601 (luma). 32-bit images; `out` has
// src's size and format and may be src itself.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Pixels whose luminance lies in low..high become white, the others black (0..255 each). Unless
// `ignoreAlpha`, the alpha of an image with alpha is thresholded the same way (255 inside the
// range, 0 outside); otherwise alpha is kept.
void threshold(const QImage& src, QImage& out, int low, int high, bool ignoreAlpha,
               const ProgressFn& progress = {});

// The luminance through a two-tone ramp: black at 0, `colour` at the middle level 128, white at
// 255 (colour's alpha is not used; each pixel keeps its alpha).
void duotone(const QImage& src, QImage& out, QRgb colour, const ProgressFn& progress = {});

// Each channel moved from the pixel's luminance by `factor` (0 grey, 1 unchanged, above 1 more
// saturated; 0..10), clamped.
void saturate(const QImage& src, QImage& out, double factor, const ProgressFn& progress = {});

// Pixels whose red, green and blue each lie within `tolerance` percent (0..100 of 255) of the
// key's take alpha `alpha` (0..255), keeping their colour; unless `rgbOnly`, their alpha must
// also lie within the tolerance of the key's alpha. ARGB32 image, in place.
void colorKey(QImage& img, QRgb key, int tolerance, int alpha, bool rgbOnly,
              const ProgressFn& progress = {});

// The luminance of each pixel as an 8-bit grey image (alpha dropped).
QImage grayscale8(const QImage& src, const ProgressFn& progress = {});

// Each pixel's channels set to its luminance, alpha kept (in `out` as above).
void grayscale32(const QImage& src, QImage& out, const ProgressFn& progress = {});

} // namespace pix::ops
