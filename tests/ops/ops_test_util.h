// Small image builders, measurements and the call sweeps shared by the operation tests.
#pragma once

#include "engine/pix_image.h"

#include <QImage>
#include <array>
#include <functional>
#include <vector>

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
// The alpha channel as the page type shows it (255 everywhere for opaque types).
QImage alphaOf(const QImage& img);

// One group call with fixed arguments, as a menu would make it.
struct Call {
    const char* name;
    std::function<void(pix::PixImage&)> run;
    bool keepsAlpha = true; // the alpha channel comes out as it went in
};
using Calls = std::vector<Call>;

// Each call on a w x h page of every type records one undo step that restores the page
// exactly; `check` then judges the result (type, alpha) against the page before.
void expectEveryTypeUndoes(const Calls& calls, int w, int h,
                           const std::function<void(const Call&, int type, const QImage& before,
                                                    const pix::PixImage&)>& check);
// Each call, cancelled at the progress report after `reportsAllowed` reports, fails as
// cancelled and leaves `src` and the history as they were.
void expectCancelLeavesTheImage(const Calls& calls, const QImage& src, int reportsAllowed);
// Each call fails with an error and leaves the page and the history as they were.
void expectRejected(const Calls& bad);

} // namespace opstest
