// The demonstrations, one single-item table each: Encrypt and Decrypt Image with their key
// dialogs, Flip Alternating Lines through the raw pixel array, and the colour grid. All work on
// the document image itself.
#pragma once

#include "catalogue.h"
#include "engine/raw_bits.h"

namespace catalogue {

const std::vector<const Catalogue*>& demosCatalogues();

// Mirrors every even row left to right (horizontal) or every even column top to bottom, every
// channel of a pixel together. `progress` hears the share done every few lines; a false answer
// throws PixError(kErrCancelled) and leaves the rest of the lines as they were.
void flipAlternateLines(pix::RawBits& bits, bool horizontal, const pix::ProgressFn& progress = {});

} // namespace catalogue
