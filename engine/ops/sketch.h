// Hand-drawn renderings: pencil scribbles and stippled dots on white paper, their darkness or
// size following the image.
#pragma once

#include "engine/progress.h"

#include <QImage>

namespace pix::ops {

// Pencil hatching of `src` (32-bit, straight alpha): up to four layers of wavering lines in
// different directions, each laid where the image is darker than its threshold and drawn more
// strongly the darker it is, on white; `darkness` (0..100) makes the lines darker. Alpha kept;
// the same image gives the same lines.
QImage scribble(const QImage& src, int darkness, const ProgressFn& progress = {});

// Stippling of `src` (32-bit, straight alpha): one round antialiased dot per cell of a jittered
// grid, in the image's colour at its centre, its area growing with the darkness there, on white;
// `size` (0..100) sets the cell pitch from 3 to 15 pixels. Alpha kept; repeatable.
QImage stipple(const QImage& src, int size, const ProgressFn& progress = {});

} // namespace pix::ops
