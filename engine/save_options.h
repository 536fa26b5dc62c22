// Options the writers take; the settings store supplies them before every save.
#pragma once

#include <cstdint>

namespace pix {

// TIFF compression list positions.
enum TiffCompression : int {
    kTiffNone = 0,
    kTiffG3 = 1,
    kTiffG4 = 2,
    kTiffJpeg = 3,
    kTiffPackBits = 4,
    kTiffDeflate = 5,
    kTiffLzw = 6,
};

struct SaveOptions {
    int jpegQuality = 75;  // 1..100
    int jpegSmoothing = 0; // 0..100, libjpeg's smoothing_factor
    bool jpegProgressive = false;
    int tiffCompression = kTiffNone;
    bool bmpRle = false;
    bool wmfPlaceable = true;
    // Bit k set: the page's APP(k+1) markers are written with a JPEG (bit 0 = APP1, so 1 keeps
    // only EXIF).
    uint32_t jpegMarkersToSave = 0xFFFF;
};

} // namespace pix
