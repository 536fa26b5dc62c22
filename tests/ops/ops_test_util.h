// Small image builders and measurements shared by the operation tests.
#pragma once

#include <QImage>
#include <array>

namespace opstest {

// A w x h image of one colour (ARGB32 when the colour is not opaque, else RGB32).
QImage flat(int w, int h, QRgb c);
// A colourful image of gentle slopes (a few levels per pixel at most, no value near 0 or 255);
// with `alpha`, an alpha channel that varies as gently, from 80 to 255.
QImage smoothImage(int w, int h, bool alpha);
// A one-pixel black and white checkerboard.
QImage checkerboard(int w, int h);
// Per-channel mean and variance of red, green, blue.
struct Stats {
    std::array<double, 3> mean{}, var{};
};
Stats stats(const QImage& img);
// Pixel (x, y) as straight ARGB.
QRgb at(const QImage& img, int x, int y);

} // namespace opstest
