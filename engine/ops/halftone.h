// Halftone: black dots on white, sized by the darkness of the image under them.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Splits the image into square cells of side 2 * maxDotSize (1..100) and draws in each a black
// dot on white, centred in the cell, whose area matches the cell's mean darkness (255 minus its
// luminance): a black cell is filled, a white one empty. `smooth` gives the dots soft edges one
// pixel wide. Alpha is kept. 32-bit image, in place.
void halftone(QImage& img, int maxDotSize, bool smooth, const ProgressFn& progress = {});

} // namespace pix::ops
