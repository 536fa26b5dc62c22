#include "orientation.h"

#include "../image_type.h"

#include <QTransform>

namespace pix {

namespace {

const QByteArray kExifPrefix("Exif\0\0", 6);

// Offset of the TIFF structure inside the block (after "Exif\0\0" when present).
qsizetype tiffStart(const QByteArray& exif) {
    return exif.startsWith(kExifPrefix) ? kExifPrefix.size() : 0;
}

// Position of the Orientation entry's value in IFD0, or -1; `little` tells the byte order.
qsizetype orientationValue(const QByteArray& exif, bool& little) {
    const qsizetype base = tiffStart(exif);
    const auto* b = reinterpret_cast<const uint8_t*>(exif.constData());
    const qsizetype size = exif.size();
    if (size < base + 8) return -1;
    little = b[base] == 'I' && b[base + 1] == 'I';
    if (!little && !(b[base] == 'M' && b[base + 1] == 'M')) return -1;
    auto u16 = [&](qsizetype at) {
        return little ? b[at] | b[at + 1] << 8 : b[at] << 8 | b[at + 1];
    };
    auto u32 = [&](qsizetype at) {
        return little ? uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16
                      : uint32_t(u16(at)) << 16 | uint32_t(u16(at + 2));
    };
    const qsizetype ifd = base + qsizetype(u32(base + 4));
    if (ifd < base || ifd + 2 > size) return -1;
    const int entries = u16(ifd);
    for (int i = 0; i < entries; ++i) {
        const qsizetype e = ifd + 2 + 12 * qsizetype(i);
        if (e + 12 > size) return -1;
        if (u16(e) == 0x0112 && u16(e + 2) == 3) return e + 8; // SHORT, held in the entry
    }
    return -1;
}

} // namespace

int exifOrientation(const QByteArray& exif) {
    bool little = true;
    const qsizetype at = orientationValue(exif, little);
    if (at < 0) return 1;
    const auto* b = reinterpret_cast<const uint8_t*>(exif.constData());
    const int v = little ? b[at] | b[at + 1] << 8 : b[at] << 8 | b[at + 1];
    return v >= 1 && v <= 8 ? v : 1;
}

QByteArray exifUpright(QByteArray exif) {
    bool little = true;
    const qsizetype at = orientationValue(exif, little);
    if (at >= 0 && exifOrientation(exif) != 1) {
        exif[at] = char(little ? 1 : 0);
        exif[at + 1] = char(little ? 0 : 1);
    }
    return exif;
}

namespace {

bool isExifMarker(const JpegMarker& m) {
    return m.code == 0xE1 && m.data.startsWith(kExifPrefix);
}

} // namespace

int markerOrientation(const QList<JpegMarker>& markers) {
    for (const JpegMarker& m : markers)
        if (isExifMarker(m)) return exifOrientation(m.data);
    return 1;
}

QList<JpegMarker> uprightMarkers(QList<JpegMarker> markers) {
    for (JpegMarker& m : markers)
        if (isExifMarker(m)) m.data = exifUpright(m.data);
    return markers;
}

void turnUpright(PixPage& page, int orientation) {
    if (orientation < 2 || orientation > 8) return;
    // Clockwise turn, then a left-right mirror, for each stored orientation.
    struct Turn {
        int degrees;
        bool mirror;
    };
    constexpr Turn kTurns[9] = {{0, false}, {0, false},  {0, true},   {180, false}, {180, true},
                                {90, true}, {90, false}, {270, true}, {270, false}};
    const Turn t = kTurns[orientation];
    QImage image = page.image;
    if (t.degrees) image = image.transformed(QTransform().rotate(t.degrees));
    if (t.mirror) image = image.mirrored(true, false);
    page.image = image.format() == page.image.format() ? image : convertToType(image, page.type);
}

} // namespace pix
