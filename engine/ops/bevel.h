// Bevelled frame: edge bands brightened or darkened per side.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Within `size` pixels of each edge, colour scaled by that side's percent (100 keeps it),
// fading towards the inside with `smoothness` (0 hard band, 100 linear, up to 500 softer);
// corners split on the diagonal. 32-bit image, in place; alpha kept.
void bevelEdge(QImage& img, int size, int leftPct, int topPct, int rightPct, int bottomPct,
               double smoothness, const ProgressFn& progress = {});

} // namespace pix::ops
