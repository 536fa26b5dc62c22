// Mosaic: square-cornered blocks of one colour.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Splits the image into blockX x blockY blocks from the top left corner (the last ones cut by
// the edges) and gives the channels of `mask` (bit 0 red, 1 green, 2 blue) of every pixel of a
// block the block's mean, weighted by alpha so invisible pixels do not colour it. Alpha and the
// other channels are kept. 32-bit image, in place.
void mosaic(QImage& img, int blockX, int blockY, int mask, const ProgressFn& progress = {});

} // namespace pix::ops
