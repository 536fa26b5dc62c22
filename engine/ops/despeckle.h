// Despeckle and vibration: small-neighbourhood clean-up and shake of the picture.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Removes isolated specks and keeps edges: each colour channel is held between the second
// smallest and the second largest of its eight neighbours, so a pixel (or pair of pixels)
// standing out from its surroundings takes their level, while a pixel on an edge, a corner or
// a line (with two like neighbours) keeps its own. The border is mirrored; alpha kept.
QImage despeckle(const QImage& src, const ProgressFn& progress = {});

// Shakes the picture: each pixel takes the colour of a pixel up to strength / 25 pixels away
// (at least 1) in a direction fixed by its position, so the result is repeatable. Strength
// 1..100; alpha kept in place.
QImage vibration(const QImage& src, int strength, const ProgressFn& progress = {});

} // namespace pix::ops
