// Fractal noise pictures.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// A width x height colour image of fractal value noise: `octaves` (1..16) layers, each of half
// the feature size of the one before; `smoothness` (0..100) fades the finer layers and rounds
// the interpolation; `size` (0..100) sets the coarsest feature from 2 pixels to half the image.
QImage hugoNoise(int width, int height, int octaves, int smoothness, int size,
                 const ProgressFn& progress = {});

// A width x height grey image of fractal gradient (Perlin) noise of four octaves whose coarsest
// feature is set by `size` (0..100) as for hugoNoise.
QImage perlinNoise(int width, int height, int size, const ProgressFn& progress = {});

} // namespace pix::ops
