// The orientation a photo was stored in (EXIF or TIFF tag 274, values 1..8) and turning its
// pixels upright, as photo viewers show it.
#pragma once

#include "../pix_page.h"

#include <QByteArray>
#include <QImage>

namespace pix {

// The Orientation of an EXIF block held as a TIFF structure ("II*\0..." or "MM\0*..."), with or
// without the "Exif\0\0" prefix of a JPEG APP1 marker; 1 when it has none or it is unreadable.
int exifOrientation(const QByteArray& exif);

// The same block with its Orientation set to 1 (changed in place, so every offset holds).
QByteArray exifUpright(QByteArray exif);

// The orientation named by a page's EXIF marker, 1 when it has none.
int markerOrientation(const QList<JpegMarker>& markers);

// The markers with the EXIF Orientation set to 1: the pixels written with them are upright.
QList<JpegMarker> uprightMarkers(QList<JpegMarker> markers);

// Turns a page stored in orientation 2..8 upright, keeping its type and colour table.
void turnUpright(PixPage& page, int orientation);

} // namespace pix
