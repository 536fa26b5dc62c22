#include "raw_bits.h"

#include "image_type.h"
#include "pix_error.h"

namespace pix {

namespace {

const QString kSource = QStringLiteral("Bits");

int channelsOf(int type) {
    switch (type) {
    case kGrayAlpha:
        return 2;
    case kRgb:
        return 3;
    case kRgba:
        return 4;
    default:
        return 1;
    }
}

// Reports row `y` of `rows` every 64 rows; a false answer cancels.
void reportRow(const ProgressFn& progress, int y, int rows) {
    if (y % 64 == 0 && !reportProgress(progress, int(int64_t(y) * 100 / rows)))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), kSource);
}

} // namespace

RawBits GetBits(const PixImage& image, const ProgressFn& progress) {
    if (image.IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    const QImage& img = image.image();
    const int type = image.imageType();
    RawBits bits{img.width(), img.height(), channelsOf(type), {}};
    bits.data.resize(size_t(bits.width) * size_t(bits.height) * size_t(bits.channels));
    uint8_t* out = bits.data.data();
    for (int y = 0; y < bits.height; ++y) {
        reportRow(progress, y, bits.height);
        const uchar* row = img.constScanLine(y);
        const auto* px = reinterpret_cast<const QRgb*>(row);
        for (int x = 0; x < bits.width; ++x) {
            switch (type) {
            case kMono:
                *out++ = (row[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case kGrayAlpha:
                *out++ = uint8_t(qBlue(px[x]));
                *out++ = uint8_t(qAlpha(px[x]));
                break;
            case kRgb:
            case kRgba:
                *out++ = uint8_t(qBlue(px[x]));
                *out++ = uint8_t(qGreen(px[x]));
                *out++ = uint8_t(qRed(px[x]));
                if (type == kRgba) *out++ = uint8_t(qAlpha(px[x]));
                break;
            default:
                *out++ = row[x];
                break;
            }
        }
    }
    return bits;
}

void SetBits(PixImage& image, const RawBits& bits, const QString& undoLabel,
             const ProgressFn& progress) {
    if (image.IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    const int type = image.imageType();
    const QImage& current = image.image();
    if (bits.width != current.width() || bits.height != current.height() ||
        bits.channels != channelsOf(type) ||
        bits.data.size() != size_t(bits.width) * size_t(bits.height) * size_t(bits.channels))
        throw PixError(kErrInvalidArgument,
                       QStringLiteral("The pixel array does not match the image"), kSource);
    const int limit = type == kMono                                 ? 2
                      : (type == kIndexed || type == kIndexedAlpha) ? current.colorCount()
                                                                    : 256;
    for (uint8_t v : bits.data)
        if (bits.channels == 1 && v >= limit)
            throw PixError(kErrInvalidArgument,
                           QStringLiteral("Pixel value %1 is outside the image's colours").arg(v),
                           kSource);
    image.modifyPage(undoLabel, [&](PixPage& page) {
        QImage& img = page.image;
        const uint8_t* in = bits.data.data();
        for (int y = 0; y < bits.height; ++y) {
            reportRow(progress, y, bits.height);
            uchar* row = img.scanLine(y);
            auto* px = reinterpret_cast<QRgb*>(row);
            for (int x = 0; x < bits.width; ++x) {
                switch (type) {
                case kMono: {
                    const uchar bit = uchar(0x80 >> (x & 7));
                    row[x >> 3] = *in++ ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
                    break;
                }
                case kGrayAlpha:
                    px[x] = qRgba(in[0], in[0], in[0], in[1]);
                    in += 2;
                    break;
                case kRgb:
                    px[x] = qRgb(in[2], in[1], in[0]);
                    in += 3;
                    break;
                case kRgba:
                    px[x] = qRgba(in[2], in[1], in[0], in[3]);
                    in += 4;
                    break;
                default:
                    row[x] = *in++;
                    break;
                }
            }
        }
    });
}

} // namespace pix
