#include "image_type.h"

#include "pix_error.h"

#include <QHash>
#include <array>
#include <cstring>

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

QImage toIndexedWithAlpha(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32)
        .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

// toIndexedWithAlpha band by band. Qt maps each pixel of an ARGB32 image on its own (a colour
// cube and a transparent entry), so bands give the same indexes; the table's spare entries keep
// the first distinct colours met in reading order, so the table is made from those colours.
QImage toIndexedWithAlphaInBands(const QImage& image, const ProgressFn& progress) {
    constexpr int kBand = 256;
    QImage out(image.size(), QImage::Format_Indexed8);
    if (out.isNull()) return out;
    QList<QRgb> firstColours;
    QHash<QRgb, bool> seen;
    for (int y = 0; y < image.height(); y += kBand) {
        if (!reportProgress(progress, int(int64_t(y) * 100 / image.height())))
            throw PixError(kErrCancelled, QStringLiteral("Cancelled"),
                           QStringLiteral("Image type"));
        const int rows = std::min(kBand, image.height() - y);
        const QImage band =
            image.copy(0, y, image.width(), rows).convertToFormat(QImage::Format_ARGB32);
        if (band.isNull()) return QImage();
        for (int r = 0; r < rows && firstColours.size() < 256; ++r) {
            const auto* px = reinterpret_cast<const QRgb*>(band.constScanLine(r));
            for (int x = 0; x < band.width() && firstColours.size() < 256; ++x)
                if ((x == 0 || px[x] != px[x - 1]) && !seen.contains(px[x])) {
                    seen.insert(px[x], true);
                    firstColours.append(px[x]);
                }
        }
        const QImage indexed = band.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        if (indexed.isNull()) return QImage();
        for (int r = 0; r < rows; ++r)
            std::memcpy(out.scanLine(y + r), indexed.constScanLine(r), size_t(image.width()));
    }
    QImage strip(int(firstColours.size()), 1, QImage::Format_ARGB32);
    std::memcpy(strip.scanLine(0), firstColours.constData(), size_t(firstColours.size()) * 4);
    out.setColorTable(toIndexedWithAlpha(strip).colorTable());
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
        if (type == kIndexedAlpha) return toIndexedWithAlpha(image);
        return image.convertToFormat(QImage::Format_RGB32)
            .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
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

QImage convertToType(const QImage& image, int type, const ProgressFn& progress) {
    if (type != kIndexedAlpha || image.isNull() || image.format() == QImage::Format_Indexed8)
        return convertToType(image, type);
    return toIndexedWithAlphaInBands(image, progress);
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
