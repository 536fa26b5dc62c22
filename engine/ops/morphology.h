// Grey-level morphology with a flat structuring element: dilation, erosion, open, close and
// top-hat of each colour channel.
#pragma once

#include "area_support.h"

namespace pix::ops {

enum MorphOp : int { kDilate = 0, kErode = 1, kOpen = 2, kClose = 3, kTopHat = 4 };

// `element` (odd sides 1..31): positive entries belong to the element, zero ones do not; an
// entry of 2 marks the anchor (the centre when none does). Dilation takes each channel's
// maximum over the element, erosion its minimum, open = erosion then dilation, close = dilation
// then erosion, top-hat = image - open. Edges repeated; colour values as they are, alpha kept.
QImage morphology(const QImage& src, const Element& element, int op,
                  const ProgressFn& progress = {});

} // namespace pix::ops
