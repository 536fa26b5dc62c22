// PNG files written by our own container code: each page type in the PNG form that holds it
// without loss, its image data compressed in bands on the shared pool.
#pragma once

#include "../pix_page.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace pix {

QByteArray encodePng(const PixPage& page);

// Pixels may name entries past the end of the table; those show as opaque black.
void padTableToIndexes(QImage& image, QList<QRgb> table);

} // namespace pix
