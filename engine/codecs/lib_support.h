// Helpers shared by the library-backed codecs (JPEG, PNG, TIFF, GIF).
#pragma once

#include "../image_limits.h"

#include <QImage>
#include <QString>
#include <optional>

namespace pix {

// Multi-page readers add each page's pixels; throws PixError(kErrTooLarge) once the pages of one
// file together pass what a single image may hold four times over.
void addPagePixels(int64_t& total, int64_t width, int64_t height, const QString& source);

// The same pixels as an Indexed8 image with an exact colour table, or nothing when the image
// holds more than 256 distinct ARGB values. With `reportRows` its rows are reported as the whole
// of the current codec stage, and a cancel throws PixError(kErrCancelled).
std::optional<QImage> toIndexedExact(const QImage& image, bool reportRows = false);

// Converts straight-alpha rows of a premultiplied ARGB32 image back to straight ARGB32.
QImage unpremultiplied(const QImage& premultiplied);

} // namespace pix
