// Crackle: a network of cracks over the image, like dried glaze.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

inline constexpr int kCrackleModeCount = 5;

// Cracks along the borders of jittered cells, `depth` (1..100) setting their strength and width.
// Modes: 0 dark cracks, 1 light cracks, 2 raised tiles lit from the top left, 3 fine dark
// crazing, 4 tiles of varying brightness with dark joints. 32-bit image, in place; alpha kept.
void crackle(QImage& img, int depth, int mode, const ProgressFn& progress = {});

} // namespace pix::ops
