// The intensity histogram of a picture and its chart: 256 columns, one per intensity level.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

namespace pix::ops {

using Histogram = std::array<uint64_t, 256>;

// Pixel count per intensity level (qGray of the pixel: 11 red, 16 green, 5 blue parts of 32).
Histogram intensityHistogram(const QImage& image);

// A white `margin` + 256 + `margin` by `height` chart with one black column per level, rising
// from the bottom edge to count * height / largest count (rounded, halves to even).
QImage histogramChart(const Histogram& counts, int margin, int height);

} // namespace pix::ops
