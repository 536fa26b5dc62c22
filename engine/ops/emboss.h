// Emboss: the picture's luminance as a relief lit from a direction.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Lights the luminance relief from azimuth `angle` degrees (0 from the right, counter-clockwise)
// and `elevation` degrees above the picture (0..90); slopes are measured between samples
// `offset` pixels (1..100) either side, so a larger offset gives a broader relief. The result is
// grey (a flat area at 255 * sin elevation) or, with `useImageAsTexture`, each pixel's colour
// times the light it gets. Alpha kept.
QImage emboss(const QImage& src, int angle, int elevation, int offset, bool useImageAsTexture,
              const ProgressFn& progress = {});

} // namespace pix::ops
