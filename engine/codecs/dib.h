// Device-independent bitmaps: the header + palette + pixel layout shared by BMP files, icon
// entries and the bitmap records of WMF and EMF metafiles.
#pragma once

#include "../pix_page.h"
#include "byte_reader.h"

#include <QByteArray>
#include <optional>

namespace pix {

struct DibReadOptions {
    // Where the pixels start, counted from the start of the reader's buffer; by default they
    // follow the header and palette.
    std::optional<uint64_t> bitsOffset;
    // Icon entries store twice the height (colour rows, then the 1-bit AND mask).
    bool iconHeight = false;
};

struct DibImage {
    PixPage page;
    size_t end = 0; // buffer offset just past the pixel data
};

// Decodes the DIB whose header starts at the reader's position. Throws PixError on any fault.
DibImage readDib(ByteReader& reader, const DibReadOptions& options = {});

struct DibWriteOptions {
    bool rle = false;         // RLE8/RLE4 for pages of 8 bits or less
    bool alphaHeader = false; // 32-bit pages get a 108-byte header with an alpha mask
    bool iconHeight = false;  // header height doubled for an icon entry (mask appended by caller)
};

struct DibData {
    QByteArray header; // BITMAPINFOHEADER (or V4) with palette and masks
    QByteArray bits;
};

// Encodes a page as a DIB keeping its type as far as DIBs can: 1-bit, 8-bit palette (grey pages
// with the grey ramp), 24-bit, and 32-bit with alpha for the types that carry alpha.
DibData writeDib(const PixPage& page, const DibWriteOptions& options);

} // namespace pix
