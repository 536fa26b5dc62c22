// Skew of text lines by projection profiles, and the turn that straightens them.
#pragma once

#include <QImage>
#include <QRect>

namespace pix::ops {

// The angle in degrees (-15..15; positive when lines run down to the right) of the text lines
// in `area` of an 8-bit grey image whose ink pixels have the value `ink`: the angle at which
// the profile of ink across rows turned by it is sharpest (the largest sum of squared
// differences of neighbouring rows). A half-degree search, then `refinements` searches each ten
// times finer around the best; every `columnStep`-th column is read. 0 when the area holds too
// little ink to tell.
double findTextSkew(const QImage& grey, uchar ink, QRect area, int refinements, int columnStep);

// An 8-bit grey image turned by `degrees` (positive turns counter-clockwise as seen) about its
// centre, keeping its size, with bilinear sampling; uncovered pixels take `fill`.
QImage turnGrey(const QImage& grey, double degrees, uchar fill);

} // namespace pix::ops
