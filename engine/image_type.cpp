#include "image_type.h"

#include <array>

namespace pix {

namespace {

struct TypeInfo {
    const char* name;
    int bits;
    QImage::Format format;
    bool alpha;
};

constexpr std::array<TypeInfo, kImageTypeCount> kTypes{{
    {"1-bit (2 color)", 1, QImage::Format_Mono, false},
    {"8-bit Colormapped", 8, QImage::Format_Indexed8, false},
    {"8-bit Colormapped w/ Alpha", 8, QImage::Format_Indexed8, true},
    {"8-bit Grayscale", 8, QImage::Format_Grayscale8, false},
    {"16-bit Grayscale w/ Alpha", 16, QImage::Format_ARGB32, true},
    {"24-bit RGB", 24, QImage::Format_RGB32, false},
    {"32-bit RGB w/ Alpha", 32, QImage::Format_ARGB32, true},
}};

// Grey + alpha kept in ARGB32: every colour channel set to the pixel's luminance.
QImage toGrayAlpha(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = row[x];
            const int g = qGray(p);
            row[x] = qRgba(g, g, g, qAlpha(p));
        }
    }
    return out;
}

} // namespace

bool isValidImageType(int type) {
    return type >= 0 && type < kImageTypeCount;
}

QString imageTypeName(int type) {
    return isValidImageType(type) ? QString::fromLatin1(kTypes[type].name) : QString();
}

int bitsPerPixel(int type) {
    return isValidImageType(type) ? kTypes[type].bits : 0;
}

QImage::Format storageFormat(int type) {
    return isValidImageType(type) ? kTypes[type].format : QImage::Format_RGB32;
}

bool typeHasAlpha(int type) {
    return isValidImageType(type) && kTypes[type].alpha;
}

int imageTypeFromFormat(const QImage& image) {
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return kMono;
    case QImage::Format_Indexed8: {
        const auto table = image.colorTable();
        for (QRgb c : table)
            if (qAlpha(c) != 255) return kIndexedAlpha;
        return kIndexed;
    }
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return kGray;
    default:
        return image.hasAlphaChannel() ? kRgba : kRgb;
    }
}

QImage convertToType(const QImage& image, int type) {
    if (image.isNull()) return image;
    switch (type) {
    case kMono:
        if (image.format() == QImage::Format_Mono) return image;
        return image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    case kIndexed:
    case kIndexedAlpha: {
        if (image.format() == QImage::Format_Indexed8) return image;
        const QImage src = type == kIndexed ? image.convertToFormat(QImage::Format_RGB32)
                                            : image.convertToFormat(QImage::Format_ARGB32);
        return src.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    }
    case kGray:
        return image.format() == QImage::Format_Grayscale8
                   ? image
                   : image.convertToFormat(QImage::Format_Grayscale8);
    case kGrayAlpha:
        return toGrayAlpha(image);
    case kRgb:
        return image.format() == QImage::Format_RGB32 ? image
                                                      : image.convertToFormat(QImage::Format_RGB32);
    case kRgba:
    default:
        return image.format() == QImage::Format_ARGB32
                   ? image
                   : image.convertToFormat(QImage::Format_ARGB32);
    }
}

QImage toWorkingFormat(const QImage& image, int type) {
    const bool alpha = typeHasAlpha(type) || image.hasAlphaChannel();
    const QImage::Format f = alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    return image.format() == f ? image : image.convertToFormat(f);
}

int colourCount(const QImage& image, int type) {
    switch (type) {
    case kMono:
        return 2;
    case kIndexed:
    case kIndexedAlpha:
        return int(image.colorCount());
    case kGray:
    case kGrayAlpha:
        return 256;
    default:
        return 1 << 24;
    }
}

} // namespace pix
