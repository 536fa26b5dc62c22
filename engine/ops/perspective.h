// Projective warp: the image's quadrilateral `from` mapped onto the quadrilateral `to`, sampled
// bilinearly through the inverse mapping.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <array>

namespace pix::ops {

using Quad = std::array<QPointF, 4>;

// The 3 x 3 matrix (row major) of the projective map taking each point of `from` to the point of
// `to` at the same position; throws PixError(kErrInvalidArgument) when either quadrilateral is
// degenerate (three points on a line, or points repeated).
std::array<double, 9> homography(const Quad& from, const Quad& to);

// The canvas of a warp onto `to` in the coordinates of the source: the source's own rectangle,
// grown to hold the whole target quadrilateral when `growCanvas` is set.
QRect perspectiveCanvas(QSize source, const Quad& to, bool growCanvas);

// `src` (32-bit, straight alpha) with the points `from` moved to `to` (pixel-centre
// coordinates), on the canvas perspectiveCanvas gives; what falls outside the source is
// transparent and its edges antialiased. The result is ARGB32.
QImage perspective(const QImage& src, const Quad& from, const Quad& to, bool growCanvas,
                   const ProgressFn& progress = {});

} // namespace pix::ops
