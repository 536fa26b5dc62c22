// The Colors group's helpers for engine colour values (0xAABBGGRR): made from four channels and
// split back into them.
#pragma once

#include "pix_image.h"

namespace pix::Colors {

// The engine colour value of red, green, blue and alpha, each 0..255 (PixError otherwise).
EngineColor MakeColorRGBA(int red, int green, int blue, int alpha);

struct ColorParts {
    int red = 0, green = 0, blue = 0, alpha = 0;
};
// The four channels of an engine colour value.
ColorParts SplitColor(EngineColor color);

} // namespace pix::Colors
