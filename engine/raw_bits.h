// The raw pixel array of an engine image, as the program reads and writes pixels itself: one
// entry per byte of a pixel, indexed (channel, x, y). 8-bit pages have one channel (palette index
// or grey), 1-bit pages one (0 or 1), grey + alpha two (grey, alpha), "24-bit RGB" three and
// "32-bit RGB w/ Alpha" four, in blue, green, red, alpha order.
#pragma once

#include "pix_image.h"
#include "progress.h"

#include <cstdint>
#include <vector>

namespace pix {

struct RawBits {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> data; // ((y * width) + x) * channels + channel

    uint8_t& at(int channel, int x, int y) {
        return data[(size_t(y) * size_t(width) + size_t(x)) * size_t(channels) + size_t(channel)];
    }
};

// The current page's pixels. Throws PixError when the image is empty, and PixError(kErrCancelled)
// when `progress` answers false.
RawBits GetBits(const PixImage& image, const ProgressFn& progress = {});

// Writes the array back into the current page, keeping its type and colour table. An array of
// another size or channel count, or an entry the page cannot hold (an index past the colour
// table, a 1-bit value other than 0 or 1), throws PixError and changes nothing; so does a false
// answer from `progress`.
void SetBits(PixImage& image, const RawBits& bits, const QString& undoLabel = {},
             const ProgressFn& progress = {});

} // namespace pix
