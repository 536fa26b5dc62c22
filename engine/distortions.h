// The Distortions group of an engine image: geometric distortions of the current page, each an
// inverse mapping with bilinear sampling (engine/ops/distort.h). Each call checks its arguments,
// runs as one undo step with its label and stores the result; paletted, mono and grey pages come
// back promoted to "24-bit RGB", or "32-bit RGB w/ Alpha" when they carry alpha. Failures throw
// PixError and leave the image as it was. Arguments follow the Transforms dialog's rows.
#pragma once

#include "pix_image.h"

namespace pix::Distortions {

void Spin(PixImage& img, double maxRadius, double maxAngle, int offsetX, int offsetY,
          const QString& undoLabel = {});
void SpinWave(PixImage& img, double maxRadius, double maxAngle, double wavePeriod, int offsetX,
              int offsetY, const QString& undoLabel = {});
void Lens(PixImage& img, double maxRadius, int offsetX, int offsetY, const QString& undoLabel = {});
// amount -100..100: positive pulls towards the centre, negative pushes out.
void Pinch(PixImage& img, double maxRadius, double amount, int offsetX, int offsetY,
           const QString& undoLabel = {});
void Random(PixImage& img, double offset, const QString& undoLabel = {});
// style 0 slices rows (X), 1 columns (Y).
void LineSlice(PixImage& img, int style, int offset1, int offset2, const QString& undoLabel = {});
// style 0 horizontal, 1 vertical.
void ZigZag(PixImage& img, int style, int maxOffset, double period, const QString& undoLabel = {});
// style 0 X sine, 1 Y sine, 2 X cosine, 3 Y cosine.
void Wave(PixImage& img, int style, double maxOffset, double period, const QString& undoLabel = {});
// style: dampening 0 full intensity, 1 linear, 2 square, 3 sine, 4 cosine.
void Ripple(PixImage& img, int style, int maxRadius, int amount, double periods, int offsetX,
            int offsetY, const QString& undoLabel = {});
// style 0 no wrap, 1 wrap both, 2 wrap X, 3 wrap Y.
void Offset(PixImage& img, int style, int offsetX, int offsetY, const QString& undoLabel = {});
// style 0 stretch, 1 wow.
void Wow(PixImage& img, int style, int maxRadius, const QString& undoLabel = {});
void Marble(PixImage& img, double amount, double sizeX, double sizeY,
            const QString& undoLabel = {});
void Perlin(PixImage& img, double amount, double sizeX, double sizeY,
            const QString& undoLabel = {});
// Relief from the luminance of `bump`'s current page, which must not be empty.
void BumpMap(PixImage& img, double amount, const PixImage& bump, const QString& undoLabel = {});
// The default distortion: a water ripple of both axes, 4 pixels deep with a 32-pixel period.
void Custom(PixImage& img, const QString& undoLabel = {});

} // namespace pix::Distortions
