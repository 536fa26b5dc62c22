// The Colors group's conversions between red/green/blue and hue/saturation/luminance, each on
// a 0..255 scale (hue circular). Whole numbers: a colour comes back from its rounded HSL as close
// as 256 hues allow (within three levels); the ops work in real numbers and lose nothing.
#pragma once

#include <cstdint>

namespace pix::Colors {

struct Triple {
    uint8_t a, b, c;
    bool operator==(const Triple&) const = default;
};

// (hue, saturation, luminance) of a colour.
Triple RGBToHSL(uint8_t r, uint8_t g, uint8_t b);
// (red, green, blue) of an HSL colour.
Triple HSLToRGB(uint8_t h, uint8_t s, uint8_t l);

} // namespace pix::Colors
