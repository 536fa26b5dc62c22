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

// A page of a file that could not be read: its 1-based number in the file and why.
struct UnreadablePage {
    int number = 0;
    QString reason;
};

struct PixPage {
    QImage image; // held in storageFormat(type)
    int type = 5; // ImageType
    QList<JpegMarker> markers;
    bool changed = false; // edited or added since the page was read or last saved
};

// What a reader noticed on a page it could still read (0-based index among the pages read): a
// recoverable fault (libjpeg's warning, say), whether the picture ended early and its missing
// part is grey, and the sample range shown as black to white when it is not the depth's own.
struct PageNote {
    int page = 0;
    QString warning;
    bool incomplete = false;
    QString range;
};

} // namespace pix
