// Motion blur: the image averaged along a path through each pixel.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

enum MotionStyle : int { kMotionLinear = 0, kMotionRadial = 1, kMotionZoom = 2 };

// `src` (32-bit) averaged along, per pixel: a line of `distance` pixels centred on it at `angle`
// degrees (0 right, 90 up) for linear; an arc about the image centre that spans `distance`
// pixels at the farthest corner for radial; a ray of that length towards the centre for zoom.
// `steps` (1..20) repeats the averaging, softening the trail. Premultiplied, so alpha is kept.
QImage motionBlur(const QImage& src, double distance, int steps, double angle, int style,
                  const ProgressFn& progress = {});

} // namespace pix::ops
