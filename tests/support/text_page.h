// A page of text lines for the deskew tests, and an independent measure of their slope.
#pragma once

#include <QImage>
#include <QRect>

namespace pixtest {

// A white `size` page whose `area` is filled with lines of words of ink (10 pixels high, 28
// apart), turned clockwise by `degrees` about the area's centre (the lines then run down to the
// right), as a 1-bit image.
QImage textPage(double degrees, QSize size = {640, 420}, QRect area = {50, 50, 540, 320});

struct Lines {
    int count = 0;      // bands of rows holding ink
    double degrees = 0; // the ink's common slope within the bands, by least squares
};
// The lines inside `area` of the image (the whole image when empty).
Lines measureLines(const QImage& image, QRect area = {});

} // namespace pixtest
