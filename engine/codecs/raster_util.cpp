#include "raster_util.h"

#include <algorithm>

#include "../image_limits.h"
#include "../image_type.h"
#include "../pix_error.h"
#include "byte_reader.h"

#include "../ops/op_support.h"

#include <cstring>

namespace pix {

PIX_HOT void pixelsToRgb(const QRgb* in, int n, uint8_t* out) {
    for (int x = 0; x < n; ++x) {
        const QRgb p = in[x];
        out[3 * x] = uint8_t(p >> 16), out[3 * x + 1] = uint8_t(p >> 8),
                out[3 * x + 2] = uint8_t(p);
    }
}

PIX_HOT void pixelsToRgba(const QRgb* in, int n, uint8_t* out) {
    for (int x = 0; x < n; ++x) {
        const QRgb p = in[x];
        out[4 * x] = uint8_t(p >> 16), out[4 * x + 1] = uint8_t(p >> 8);
        out[4 * x + 2] = uint8_t(p), out[4 * x + 3] = uint8_t(p >> 24);
    }
}

PIX_HOT void pixelsToGrayAlpha(const QRgb* in, int n, uint8_t* out) {
    for (int x = 0; x < n; ++x)
        out[2 * x] = uint8_t(in[x] >> 16), out[2 * x + 1] = uint8_t(in[x] >> 24);
}

PIX_HOT void rgbToPixels(const uint8_t* in, int n, QRgb* out) {
    for (int x = 0; x < n; ++x)
        out[x] =
            0xFF000000u | uint32_t(in[3 * x]) << 16 | uint32_t(in[3 * x + 1]) << 8 | in[3 * x + 2];
}

QList<QRgb> greyRamp() {
    QList<QRgb> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[i] = qRgb(i, i, i);
    return ramp;
}

bool isGreyRamp(const QList<QRgb>& palette) {
    if (palette.size() != 256) return false;
    for (int i = 0; i < 256; ++i)
        if (palette[i] != qRgb(i, i, i)) return false;
    return true;
}

QList<QRgb> monoPalette(const QImage& mono) {
    QList<QRgb> table = mono.colorTable();
    if (table.size() < 2) table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    return table.mid(0, 2);
}

bool monoIsBlackAndWhite(const QImage& mono) {
    const QList<QRgb> table = monoPalette(mono);
    return std::all_of(table.begin(), table.end(), [](QRgb c) {
        return qRgb(qRed(c), qGreen(c), qBlue(c)) == qRgb(0, 0, 0) ||
               qRgb(qRed(c), qGreen(c), qBlue(c)) == qRgb(255, 255, 255);
    });
}

PixPage pageFromIndexes(const QImage& indexes, const QList<QRgb>& palette, const QString& source) {
    const int w = indexes.width(), h = indexes.height();
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = indexes.constScanLine(y);
        for (int x = 0; x < w; ++x)
            if (row[x] >= palette.size())
                throwCorrupt(QStringLiteral("Palette index %1 lies past the %2-colour palette")
                                 .arg(row[x])
                                 .arg(palette.size()),
                             source);
    }
    bool opaque = true;
    for (QRgb c : palette) opaque = opaque && qAlpha(c) == 255;

    if (opaque && palette.size() <= 2) {
        QImage mono = allocateImage(w, h, QImage::Format_Mono, source);
        mono.setColorTable(palette.size() == 2 ? palette : QList<QRgb>{palette[0], palette[0]});
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = indexes.constScanLine(y);
            uint8_t* dst = mono.scanLine(y);
            std::memset(dst, 0, size_t(mono.bytesPerLine()));
            for (int x = 0; x < w; ++x)
                if (src[x]) dst[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
        return {mono, kMono, {}};
    }
    if (isGreyRamp(palette)) {
        QImage grey = allocateImage(w, h, QImage::Format_Grayscale8, source);
        for (int y = 0; y < h; ++y)
            std::memcpy(grey.scanLine(y), indexes.constScanLine(y), size_t(w));
        return {grey, kGray, {}};
    }
    QImage out = indexes;
    out.setColorTable(palette);
    return {out, opaque ? kIndexed : kIndexedAlpha, {}};
}

PixPage pageFromRgb(QImage image, bool alpha) {
    // In place when the reader hands over its own image: no second copy of a large page.
    image.convertTo(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return {std::move(image), alpha ? kRgba : kRgb, {}};
}

QImage storageImage(const PixPage& page) {
    if (page.image.isNull())
        throw PixError(kErrNoImage, QStringLiteral("No image to write"), QStringLiteral("codec"));
    return convertToType(page.image, page.type);
}

int64_t rowBytes(int64_t width, int bits, int align, const QString& source) {
    const int64_t bitsPerRow = checkedMul(width, bits, source);
    const int64_t bytes = (bitsPerRow + 7) / 8;
    return (bytes + align - 1) / align * align;
}

} // namespace pix
