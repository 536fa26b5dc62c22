// Reduces a 32-bit picture to a palette of at most 256 entries for the paletted writers: exact
// when the picture has few enough colours, else median cut refined by k-means, with
// Floyd-Steinberg error diffusion.
#pragma once

#include <QImage>

namespace pix {

struct PalettedImage {
    QImage indexes;            // Format_Indexed8; its colour table is the palette
    int transparentIndex = -1; // palette entry of the transparent pixels, -1 when none
};

// `image` in any format; with `keepTransparency`, pixels whose alpha is below 128 take one
// reserved entry and every other pixel counts as opaque. maxColours is 2..256.
PalettedImage quantiseToPalette(const QImage& image, bool keepTransparency, int maxColours = 256);

// Maps a picture (alpha ignored) onto `palette` (1..256 colours): each pixel takes its nearest
// entry, with Floyd-Steinberg error diffusion when `withDiffusion`. 8-bit indexes whose colour
// table is the palette.
QImage mapToPalette(const QImage& image, const QList<QRgb>& palette, bool withDiffusion);

} // namespace pix
