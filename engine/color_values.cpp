#include "color_values.h"

#include "pix_error.h"

namespace pix::Colors {

EngineColor MakeColorRGBA(int red, int green, int blue, int alpha) {
    for (int v : {red, green, blue, alpha})
        if (v < 0 || v > 255)
            throw PixError(kErrInvalidArgument,
                           QStringLiteral("Colour channel %1 is not 0..255").arg(v),
                           QStringLiteral("Colors"));
    return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16 | uint32_t(alpha) << 24;
}

ColorParts SplitColor(EngineColor c) {
    return {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF), int(c >> 24)};
}

} // namespace pix::Colors
