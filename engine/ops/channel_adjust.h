// Per-channel shifts of the colour and alpha levels (literal or percent), the negative by a
// reference colour, and channels moved by whole pixels. 32-bit images.
#pragma once

#include "engine/progress.h"
#include "tone_point.h"

#include <QImage>

namespace pix::ops {

// v + amount, clamped (amount -255..255).
ToneTable literalShiftTable(int amount);
// v moved `percent` (-100..100) of the way to 255 (positive) or to 0 (negative).
ToneTable percentShiftTable(double percent);
// |reference - v|: the distance from the reference level (reference 255 is the plain negative,
// 0 leaves the channel as it is).
ToneTable distanceTable(int reference);

// The channels of `mask` (1 red, 2 green, 4 blue) moved right by dx and down by dy pixels;
// places uncovered at an edge take the edge's pixels (no wrap). `out` has src's size and format
// and must not be src.
void shiftChannels(const QImage& src, QImage& out, int mask, int dx, int dy,
                   const ProgressFn& progress = {});

} // namespace pix::ops
