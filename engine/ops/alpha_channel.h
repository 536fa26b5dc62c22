// Alpha-channel operations: new alpha from a colour match, a constant, a table or a mask, merged
// with the existing alpha by one of nine merge types; flattening onto a colour; a Gaussian on
// alpha alone; and the reordering of the colour channels. 32-bit images (ARGB32 where the result
// carries alpha), changed in place.
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <array>
#include <cstdint>
#include <functional>

namespace pix::ops {

// How new alpha n meets existing alpha e (0..8): 0 n, 1 max(e, n), 2 min(e, n), 3 e + n
// (clamped), 4 e - n (clamped), 5 e AND n, 6 e OR n, 7 e XOR n, 8 e.
inline constexpr int kAlphaMergeCount = 9;
uint8_t mergeAlpha(int type, uint8_t existing, uint8_t incoming);

// Writes newAlpha(y, row of n) merged with each pixel's alpha into the ARGB32 image; the colours
// are kept.
using AlphaRowFn = std::function<void(int y, const uint32_t* pixels, uint8_t* alpha)>;
void mergeNewAlpha(QImage& img, int merge, const AlphaRowFn& newAlpha,
                   const ProgressFn& progress = {});

// Alpha of a colour match: pixels whose red, green and blue each lie within `tolerance` percent
// (0..100 of 255) of the key's get `matchAlpha`, the others `otherAlpha`; with `softness`
// percent (0..100) the alpha ramps from one to the other over that much further distance.
// `compareAlpha` counts the pixel's alpha as a fourth channel to match.
struct ColourMatch {
    QRgb key = 0;
    int tolerance = 0;
    int matchAlpha = 0;
    int otherAlpha = 255;
    int softness = 0;
    bool compareAlpha = false;
};
void alphaByColour(QImage& img, const ColourMatch& match, int merge,
                   const ProgressFn& progress = {});

// Alpha through a table of 256 levels.
void mapAlpha(QImage& img, const std::array<uint8_t, 256>& table, const ProgressFn& progress = {});

// Each pixel composited over the opaque `colour`; the result is opaque (alpha 255).
void flatten(QImage& img, QRgb colour, const ProgressFn& progress = {});

// The alpha channel blurred by a Gaussian of standard deviation `sigma` (0.1..500), edges
// repeated; the colours are kept.
void blurAlpha(QImage& img, double sigma, const ProgressFn& progress = {});

// The luminance of `mask` as new alpha: stretched over the whole image when `fit`, else placed
// at (x, y) at its own size, the pixels outside it keeping their alpha.
void alphaFromMask(QImage& img, const QImage& mask, bool fit, int x, int y, int merge,
                   const ProgressFn& progress = {});

// Each channel taken from the source channel given for it (0 red, 1 green, 2 blue, 3 alpha):
// (0, 1, 2, 3) keeps the image, (2, 1, 0, 3) swaps red and blue.
void reorderChannels(QImage& img, const std::array<int, 4>& sources,
                     const ProgressFn& progress = {});

} // namespace pix::ops
