// The Channels group, alpha and channel order: new alpha from a colour match, a constant, a
// table or a mask image, merged with the existing alpha by a merge type (0 replace, 1 most
// opaque, 2 most transparent, 3 add, 4 subtract, 5 AND, 6 OR, 7 XOR, 8 existing only); flatten,
// blur and clear of alpha; and the reordering of the colour channels. Each call checks its
// arguments and runs as one undo step per label ("" records a step, "No Undo" none), leaving
// the image as it was when it fails (PixError). Operations that give alpha promote the page to
// "32-bit RGB w/ Alpha" (an image without alpha has alpha 255 to merge with); the others keep
// the alpha they do not touch.
#pragma once

#include "pix_image.h"

#include <array>
#include <cstdint>

namespace pix::Channels {

// Pixels whose red, green and blue lie within `tolerance` percent (0..100) of `color` get
// `matchAlpha`, the others `otherAlpha` (0..255 each); `softness` percent (0..100) ramps between
// them beyond the tolerance; a non-zero `compareAlpha` matches the colour value's alpha too.
void AlphaByColor(PixImage& img, EngineColor color, int tolerance, int matchAlpha, int otherAlpha,
                  int softness, int compareAlpha, int merge, const QString& undoLabel = {});

// Constant alpha (0..255).
void SetAlpha(PixImage& img, int alpha, int merge, const QString& undoLabel = {});

// Alpha through a table of 256 levels.
void MapAlpha(PixImage& img, const std::array<uint8_t, 256>& table, const QString& undoLabel = {});

// Composited onto `color` (its alpha is not used): the result is opaque.
void Flatten(PixImage& img, EngineColor color, const QString& undoLabel = {});

// Alpha blurred by a Gaussian of standard deviation `sigma` pixels (0.1..500).
void BlurAlpha(PixImage& img, double sigma, const QString& undoLabel = {});

// Alpha set to opaque.
void ClearAlpha(PixImage& img, const QString& undoLabel = {});

// The luminance of `mask`'s current image as new alpha: stretched to the image when `fit`, else
// at its own size at (x, y), the pixels outside it keeping their alpha.
void AddAlphaMask(PixImage& img, const PixImage& mask, bool fit, int x, int y, int merge,
                  const QString& undoLabel = {});

// Each channel from a source channel (0 red, 1 green, 2 blue, 3 alpha): Reorder(2, 1, 0, 3)
// swaps red and blue. A page without alpha keeps none.
void Reorder(PixImage& img, int red, int green, int blue, int alpha, const QString& undoLabel = {});

} // namespace pix::Channels
