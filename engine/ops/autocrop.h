// Finds the borders of one colour around a picture, for trimming them.
#pragma once

#include <QImage>
#include <QRect>
#include <optional>

namespace pix::ops {

// The rectangle left when the rows and columns along the edges whose every pixel lies within
// `tolerance` percent (of 255, per channel, alpha included) of `border` are trimmed; `border`
// defaults to the top-left pixel. A picture of one colour only keeps its whole rectangle.
// 32-bit input.
QRect autoCropRect(const QImage& src, double tolerance, std::optional<QRgb> border);

} // namespace pix::ops
