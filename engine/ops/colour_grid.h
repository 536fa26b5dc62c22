// The colour grid: lines every 8 pixels whose colour runs from blue (top left) through red
// (right) and green (bottom).
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <cstdint>

namespace pix::ops {

// The grid colour of pixel (x, y) in a width x height image, as 0x00RRGGBB: red x * 255 / W,
// green y * 255 / H (each rounded, halves to even) and blue 255 - (red + green) / 2 rounded.
uint32_t gridColour(int x, int y, int width, int height);

// Paints every column x = 0, 8, 16, ... and every row y = 0, 8, 16, ... of a 32-bit image in the
// grid colours, opaque; the pixels between the lines keep their values. Progress runs through the
// columns, then through the rows; a cancel throws PixError(kErrCancelled).
void drawColourGrid(QImage& image, const ProgressFn& progress = {});

} // namespace pix::ops
