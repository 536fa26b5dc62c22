// Helpers the small raster codecs share: checked allocation, page typing of paletted pixels,
// and the per-type views the writers start from.
#pragma once

#include "../image_limits.h"

#include "../pix_page.h"

#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>

namespace pix {

// Turns 8-bit palette indexes into a page. Every index is checked against the palette (an index
// past it is a corrupt file). Two opaque colours give a 1-bit page, the 256-level grey ramp a
// grey page, a palette with transparency an indexed-with-alpha page.
PixPage pageFromIndexes(const QImage& indexes, const QList<QRgb>& palette, const QString& source);

// A page holding a 32-bit image: type 6 when it has alpha, else 5.
PixPage pageFromRgb(QImage image, bool alpha);

// The page's pixels in the storage format of its type.
QImage storageImage(const PixPage& page);

// The colour table of a 1-bit page, always two entries.
QList<QRgb> monoPalette(const QImage& mono);
// True when a 1-bit page's two colours are black and white (in either order), which the bilevel
// forms of TIFF and PSD can hold; other pairs need a colour table.
bool monoIsBlackAndWhite(const QImage& mono);

// The 256-level grey ramp.
QList<QRgb> greyRamp();
bool isGreyRamp(const QList<QRgb>& palette);

// Palette index of pixel x in a row of `bits`-per-pixel packed indexes (MSB first).
inline int packedIndex(const uint8_t* row, int x, int bits) {
    if (bits == 8) return row[x];
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    return (row[x / perByte] >> shift) & ((1 << bits) - 1);
}

// 32-bit pixels to interleaved 8-bit samples in R, G, B order (with A after them for
// pixelsToRgba; grey (the red channel) then alpha for pixelsToGrayAlpha), and R, G, B samples
// back to opaque pixels.
void pixelsToRgb(const QRgb* in, int n, uint8_t* out);
void pixelsToRgba(const QRgb* in, int n, uint8_t* out);
void pixelsToGrayAlpha(const QRgb* in, int n, uint8_t* out);
void rgbToPixels(const uint8_t* in, int n, QRgb* out);

// Row stride of `width` pixels of `bits` each, rounded up to `align` bytes, overflow-checked.
int64_t rowBytes(int64_t width, int bits, int align, const QString& source);

} // namespace pix
