// Copies an image's JPEG application markers into a JPEG made from another file.
#pragma once

#include "../pix_page.h"
#include "../save_options.h"
#include "codec.h"

#include <QByteArray>
#include <QString>

namespace pix {

// A JPEG with the pixels of `file` and the markers of `markers` enabled in `mask` (bit k =
// APP(k+1)), replacing the file's own APPn markers. A JPEG file is transcoded losslessly (its DCT
// coefficients are copied); any other format is decoded and compressed with `options`.
// Throws PixError.
QByteArray jpegWithMarkers(Bytes file, const QList<JpegMarker>& markers, uint32_t mask,
                           const SaveOptions& options, const QString& source);

// Reads sourcePath, writes the result of jpegWithMarkers to targetPath atomically.
void CopyMarkers(const QString& sourcePath, const QString& targetPath,
                 const QList<JpegMarker>& markers, uint32_t mask, const SaveOptions& options);

} // namespace pix
