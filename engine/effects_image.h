// The Effects calls that reduce colours, trim and straighten the current page, and the Image
// group's type conversion. Each checks its arguments, records one undo step per label and leaves
// the image as it was when it throws PixError.
#pragma once

#include "pix_image.h"

#include <QList>
#include <optional>

namespace pix::Effects {

// Reduces the page to `colours` (2..256) chosen for it (median cut), each pixel taking its
// nearest one, with error diffusion when `diffuse`. With `keepAlpha` a page with alpha keeps its
// alpha channel as "32-bit RGB w/ Alpha"; otherwise the page becomes "8-bit Colormapped". A
// count beyond 2..256 is refused: a palette holds at most 256 entries.
void Dither(PixImage& img, int colours, bool diffuse, bool keepAlpha,
            const QString& undoLabel = {});

// Maps every pixel onto `palette` (1..256 colours), with error diffusion when `dither`. An
// opaque page becomes "8-bit Colormapped" with the palette as its colour table; a page with
// alpha keeps its alpha channel as "32-bit RGB w/ Alpha".
void ApplyPalette(PixImage& img, const QList<QRgb>& palette, bool dither,
                  const QString& undoLabel = {});

// Trims the borders of `border` (by default the top-left pixel's colour) within `tolerance`
// percent; a page of one colour is left whole. Keeps the page type.
void AutoCrop(PixImage& img, float tolerance, std::optional<EngineColor> border,
              const QString& undoLabel = {});

// Straightens the text lines of a 1-bit page: finds their skew in the rectangle (the whole page
// when width or height is 0) by projection profiles (`refinements` finer searches after the
// half-degree one, every `columnStep`-th column read) and turns the whole page back by it,
// keeping its size. Uncovered corners take the page colour (the more common of the two) when
// `fillWithPage` is 1, the other colour when 0. Refuses pages of other types.
void AutoDeskew(PixImage& img, int refinements, int columnStep, int fillWithPage, int left, int top,
                int width, int height, const QString& undoLabel = {});

// Replaces the image by a 256 x 128 "24-bit RGB" chart of the palette's entries: 16 columns of
// 16-pixel swatches by 16 rows of 8-pixel swatches, entry 0 at the top left.
void DisplayPalette(PixImage& img, const QList<QRgb>& palette, const QString& undoLabel = {});

} // namespace pix::Effects

namespace pix::Image {

// Converts the current page to image type `type` (0..6), quantising or promoting its pixels.
void ConvertType(PixImage& img, int type, const QString& undoLabel = {});

} // namespace pix::Image
