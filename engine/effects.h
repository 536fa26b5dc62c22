// The Effects group of an engine image: geometry and effects on the current page. Each call
// checks its arguments, runs one operation of engine/ops on the page's 32-bit working form
// through PixImage::modifyPage (one undo step per label) and stores the result. Paletted, mono
// and grey pages come back promoted to "24-bit RGB", or to "32-bit RGB w/ Alpha" when they or
// the result carry alpha; Flip and Crop keep the page type. Failures throw PixError and leave
// the image as it was.
#pragma once

#include "pix_image.h"

#include <QStringList>

namespace pix::Effects {

// Captions of the resize methods by position, as the Method list shows them.
QStringList resizeMethodCaptions();

// Resamples to width x height with the method at list position `method` (0..21); a width or
// height of 0 follows the other side's proportion.
void Resize(PixImage& img, int width, int height, int method, const QString& undoLabel = {});

// Scales the image down to fit a size x size square, keeping its proportions (each side at least
// 1 pixel), by area averaging; an image that fits already is left as it is. For previews.
void FitResize(PixImage& img, int size, const QString& undoLabel = {});

// A width x height canvas of `color` with the old image's top left corner at (offsetX, offsetY).
void ResizeCanvas(PixImage& img, int width, int height, EngineColor color, int offsetX, int offsetY,
                  const QString& undoLabel = {});

// A border `thickness` wide on every side: the canvas grows to W + 2t by H + 2t (each sum rounded
// once, halves to even) with the old image at (t, t) rounded the same way.
void AddBorder(PixImage& img, double thickness, EngineColor color, const QString& undoLabel = {});

// Turns the image clockwise by `angle` degrees; the canvas grows to hold it and its new corners
// take `color`. flags 0 grows the canvas, 1 keeps the old size (the turned image centred).
void Rotate(PixImage& img, double angle, EngineColor color, int flags = 0,
            const QString& undoLabel = {});

// Slants rows (direction 0) or columns (1) by up to `offset` pixels; `fast` uses nearest pixels.
void Skew(PixImage& img, int direction, int offset, EngineColor color, bool fast,
          const QString& undoLabel = {});

// Pixels within `tolerance` percent of `oldColor` take `newColor`'s colour; when `opaque` is
// false they become transparent instead of keeping their alpha.
void ReplaceColor(PixImage& img, EngineColor oldColor, EngineColor newColor, double tolerance,
                  bool opaque, const QString& undoLabel = {});

// Edge bands `size` wide scaled by each side's brightness percent, faded by `smoothness`.
void BevelEdge(PixImage& img, int size, int left, int top, int right, int bottom, double smoothness,
               const QString& undoLabel = {});

// Cracks of strength `depth` (1..100) in one of five looks (mode 0..4).
void Crackle(PixImage& img, int depth, int mode, const QString& undoLabel = {});

// Stretches (or equalises) the channels of `mask` (bit 0 red, 1 green, 2 blue) onto low..high.
void HistogramStretch(PixImage& img, int low, int high, int mask, const QString& undoLabel = {});
void HistogramEqualize(PixImage& img, int low, int high, int mask, const QString& undoLabel = {});

// Linear (0), radial (1) or zoom (2) motion blur over `distance` pixels, repeated `steps` times.
void MotionBlur(PixImage& img, double distance, int steps, double angle, int style,
                const QString& undoLabel = {});

// Pushes the image along the line from (x1, y1) to (x2, y2), strongest at its start.
void Warp(PixImage& img, int x1, int y1, int x2, int y2, const QString& undoLabel = {});

// Highlight and shadow from the shape of the alpha channel (or the luminance when opaque).
void EmbossShape(PixImage& img, int depth, int angle, int softness, EngineColor shadow,
                 EngineColor highlight, const QString& undoLabel = {});

// Replaces the page by a width x height noise picture ("24-bit RGB", or "32-bit RGB w/ Alpha"
// opaque when the page had alpha).
void HugoNoise(PixImage& img, int width, int height, int octaves, int smoothness, int size,
               const QString& undoLabel = {});
void PerlinNoise(PixImage& img, int width, int height, int size, const QString& undoLabel = {});

// Mirrors left-right (0) or top-bottom (1).
void Flip(PixImage& img, int direction, const QString& undoLabel = {});

// Keeps the rectangle, which must lie inside the image.
void Crop(PixImage& img, int left, int top, int width, int height, const QString& undoLabel = {});

} // namespace pix::Effects
