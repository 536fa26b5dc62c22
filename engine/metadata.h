// EXIF and IPTC tags and the EXIF thumbnail of an image file.
#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <cstdint>
#include <span>

namespace pix {

struct ImageMetadata {
    QList<QPair<QString, QString>> exif; // tag name, value as text
    QList<QPair<QString, QString>> iptc;
    QImage exifThumbnail; // null when the file carries none
    // The metadata as stored, for writing it again: EXIF as a TIFF structure, IPTC records and
    // the XMP packet (each empty when the file had none).
    QByteArray exifBlob, iptcBlob, xmpPacket;
    bool operator==(const ImageMetadata&) const = default;
};

// Reads the tags of a file held in memory; a file without metadata (or a format Exiv2 does not
// know) gives an empty result, never an error.
ImageMetadata readMetadata(std::span<const uint8_t> fileBytes);

// A written file with the metadata kept: PNG and TIFF files get the EXIF, IPTC and XMP of `meta`;
// a JPEG keeps the EXIF its markers carried (the markers to save decide which). Wherever EXIF is
// written, its pixel dimensions become `pixels` and its orientation upright. Other formats, and
// files the metadata cannot be written into, come back unchanged.
QByteArray withMetadata(const QByteArray& file, int fileType, const ImageMetadata& meta,
                        QSize pixels);

} // namespace pix
