// The distortions: each an inverse mapping through the shared driver (inverse_map.h), returning
// a new image of the same size and format. Centres are the image's centre moved by the offsets;
// radii, offsets and sizes are in pixels, angles in degrees. Arguments are checked by the
// Distortions group; these functions expect sane values.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// A swirl inside maxRadius, turning by maxAngle at the centre and fading to nothing at the rim.
QImage spin(const QImage& src, double maxRadius, double maxAngle, int offsetX, int offsetY,
            const ProgressFn& progress = {});
// A swirl whose angle swings back and forth `period` times between centre and rim.
QImage spinWave(const QImage& src, double maxRadius, double maxAngle, double period, int offsetX,
                int offsetY, const ProgressFn& progress = {});
// A magnifying glass of maxRadius: twice the size at the centre, seamless at the rim.
QImage lens(const QImage& src, double maxRadius, int offsetX, int offsetY,
            const ProgressFn& progress = {});
// Pulls the disc of maxRadius towards its centre (negative amounts push outwards); amount 10
// is a moderate pinch, 0 none.
QImage pinch(const QImage& src, double maxRadius, double amount, int offsetX, int offsetY,
             const ProgressFn& progress = {});
// Every pixel read from a point up to `offset` pixels away in each direction (reproducible).
QImage randomJitter(const QImage& src, double offset, const ProgressFn& progress = {});
// Rows (style 0) or columns (1) slid, wrapped, by a reproducible amount between the two offsets
// with a random sign.
QImage lineSlice(const QImage& src, int style, int offset1, int offset2,
                 const ProgressFn& progress = {});
// Rows (style 0, horizontal) or columns (1) shifted by a triangle wave of maxOffset pixels with
// `period` teeth across the image.
QImage zigZag(const QImage& src, int style, int maxOffset, double period,
              const ProgressFn& progress = {});
// Rows or columns shifted by a sine or cosine of maxOffset pixels with `period` cycles across the
// image: style 0 X sine, 1 Y sine, 2 X cosine, 3 Y cosine.
QImage wave(const QImage& src, int style, double maxOffset, double period,
            const ProgressFn& progress = {});
// Circular waves of `amount` pixels and `periods` rings inside maxRadius, damped towards the rim:
// style 0 full intensity, 1 linear, 2 square, 3 sine, 4 cosine.
QImage ripple(const QImage& src, int style, int maxRadius, int amount, double periods, int offsetX,
              int offsetY, const ProgressFn& progress = {});
// Moves the image by (offsetX, offsetY): style 0 no wrap (edges stretched), 1 wrap both, 2 wrap
// X only, 3 wrap Y only.
QImage offset(const QImage& src, int style, int offsetX, int offsetY,
              const ProgressFn& progress = {});
// Inside maxRadius: style 0 stretches the centre outwards, 1 ("wow") squeezes it inwards.
QImage wow(const QImage& src, int style, int maxRadius, const ProgressFn& progress = {});
// Marble veins: each pixel pushed `amount` pixels along a direction set by turbulent noise whose
// grain is sizeX by sizeY pixels.
QImage marble(const QImage& src, double amount, double sizeX, double sizeY,
              const ProgressFn& progress = {});
// Pixels displaced up to `amount` pixels by smooth gradient noise of grain sizeX by sizeY.
QImage perlin(const QImage& src, double amount, double sizeX, double sizeY,
              const ProgressFn& progress = {});
// Relief from the luminance of `bump` (scaled to the image): pixels refracted along the slope
// and lit from the top left, both by `amount`. A flat bump changes nothing.
QImage bumpMap(const QImage& src, double amount, const QImage& bump,
               const ProgressFn& progress = {});
// The default distortion: a water ripple of both axes, 4 pixels deep with a 32-pixel period.
QImage customDistortion(const QImage& src, const ProgressFn& progress = {});

} // namespace pix::ops
