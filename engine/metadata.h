// EXIF and IPTC tags and the EXIF thumbnail of an image file.
#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>
#include <span>

namespace pix {

struct ImageMetadata {
    QList<QPair<QString, QString>> exif; // tag name, value as text
    QList<QPair<QString, QString>> iptc;
    QImage exifThumbnail; // null when the file carries none
    bool operator==(const ImageMetadata&) const = default;
};

// Reads the tags of a file held in memory; a file without metadata (or a format Exiv2 does not
// know) gives an empty result, never an error.
ImageMetadata readMetadata(std::span<const uint8_t> fileBytes);

} // namespace pix
