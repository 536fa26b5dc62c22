// TIFF pages whose samples libtiff's RGBA reader does not take: integers of any depth (signed or
// unsigned), floating point, 16-bit CMYK and CIELab, read sample by sample and mapped to 8 bits.
#pragma once

#include "../pix_page.h"
#include "tiff_stream.h"

#include <optional>

namespace pix {

// True when the current page is one readTiffSamples handles.
bool wantsSampleReader(TIFF* t);

// Reads the current page. `note` receives the range shown as black to white when it is not the
// depth's own (32-bit integers, measurement data). Throws PixError.
PixPage readTiffSamples(const TiffStream& s, QString& note);

} // namespace pix
