// Two-colour dithering and palette application, the steps that turn a picture into a drawing of
// two inks.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <QList>

namespace pix::ops {

// Floyd-Steinberg error diffusion of the luminance between two colours: the mean colour of the
// pixels darker than the mean luminance (entry 0) and of the others (entry 1). A 1-bit image
// (Format_Mono) of those two entries; alpha is dropped. 32-bit input.
QImage ditherTwoColors(const QImage& src, const ProgressFn& progress = {});

// `entries` (1..256 colours with alpha) applied as a palette. A 1-bit or 8-bit paletted image
// keeps its indexes and takes the entries in place of its first colours (a 1-bit one grows to
// 8 bits for more than two entries); any other image (32-bit) takes for each pixel the index of
// the nearest entry by red, green, blue and alpha, as an 8-bit paletted image of the entries.
QImage applyPalette(const QImage& image, const QList<QRgb>& entries,
                    const ProgressFn& progress = {});

} // namespace pix::ops
