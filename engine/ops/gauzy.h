// Gauzy: a soft-focus glow, the image's blur blended back over it.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// How the glow is laid over the image.
enum class GauzyMode : int {
    Desaturated = 0,  // a grey glow screened over the image
    FullColor = 1,    // the coloured glow screened over the image
    HighContrast = 2, // the glow overlaid: darks darker, lights lighter
    Max = 3,          // the lighter of image and glow
    Min = 4,          // the darker of image and glow
};

// The glow of `src` (32-bit, straight alpha): a blur of standard deviation blur / 5 pixels
// (blur 0..100) laid over the image in `mode`, mixed in by (100 - sharpen) percent (sharpen
// 0..100: 100 keeps the image sharp), then half the image's detail above the blur added back
// by `clarity` percent (0..100). Alpha kept.
QImage gauzy(const QImage& src, int blur, int sharpen, int clarity, GauzyMode mode,
             const ProgressFn& progress = {});

} // namespace pix::ops
