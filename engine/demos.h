// The demonstration operations of an engine image: keyed scrambling of the pixels and the colour
// grid. Each is one undo step per label and leaves the image as it was when it fails.
#pragma once

#include "pix_image.h"

namespace pix::Effects {

// Scrambles the current page's pixels with a keystream of `key` (a ChaCha20 stream keyed by
// SHA-256 of the text), keeping size, type, colour table and alpha; Decrypt with the same key
// restores them exactly. An empty key throws PixError. No protection for secrets.
void Encrypt(PixImage& img, const QString& key, const QString& undoLabel = {});
void Decrypt(PixImage& img, const QString& key, const QString& undoLabel = {});

// Converts the page to "24-bit RGB" ("32-bit RGB w/ Alpha" when it has alpha), then draws the
// colour grid (engine/ops/colour_grid.h), reporting progress through the image's handler.
void DrawColorGrid(PixImage& img, const QString& undoLabel = {});

} // namespace pix::Effects
