// Pixel work behind the zoomed-out view: halving into the levels of the view pyramid and
// scaling a level to the zoomed size. Each works on a whole image or on one rectangle of it,
// so that a change is followed without redoing the rest; the pixels of a rectangle are the
// same either way. Images are 32-bit (RGB32 or ARGB32). Given a cancel flag, the work is taken
// to be a background one: it keeps to the calling thread, leaving the other cores free.
#pragma once

#include <QImage>
#include <QRect>
#include <atomic>

namespace pix::view {

// Size of the next level: half, at least one pixel.
QSize halvedSize(QSize size);
// The part of the next level that a change of `rect` in an image of `size` touches: the
// rectangle rounded out to even coordinates, halved and clipped.
QRect halvedRect(const QRect& rect, QSize size);
// Writes `area` of `out` (halvedSize of src) as the rounded average of src's 2 x 2 blocks.
// False when cancelled midway (the area is then partly written).
bool halveInto(const QImage& src, QImage& out, const QRect& area,
               const std::atomic<bool>* cancel = nullptr);

// The part of an image scaled from `from` to `to` whose pixels depend on `rect` of the
// unscaled one (a little more, never less).
QRect scaledRect(const QRect& rect, QSize from, QSize to);
// Writes `area` of dst as src scaled to dst's size: the nearest pixel, or when smooth the
// average of the source area each pixel covers. False when cancelled midway.
bool scaleInto(const QImage& src, QImage& dst, const QRect& area, bool smooth,
               const std::atomic<bool>* cancel = nullptr);

} // namespace pix::view
