// One page of an engine image: its pixels, its type and the raw JPEG APPn markers it came with.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace pix {

// A JPEG application marker as read from the file: code 0xE0..0xEF and its payload
// (without the marker bytes and the length field).
struct JpegMarker {
    int code = 0xE0;
    QByteArray data;
    bool operator==(const JpegMarker&) const = default;
};

struct PixPage {
    QImage image; // held in storageFormat(type)
    int type = 5; // ImageType
    QList<JpegMarker> markers;
};

} // namespace pix
