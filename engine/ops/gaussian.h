// Gaussian blur whose cost does not grow with the radius, and the filters built on it (high
// pass, unsharp mask).
#pragma once

#include "engine/progress.h"

#include <QImage>
#include <opencv2/core.hpp>

namespace pix::ops {

// Standard deviation of the blur of a strength in percent: 25 % -> 0.5 px ... 500 % -> 10 px.
double gaussianSigmaOfStrength(int percent);

// `in` (CV_8UC4) blurred by a Gaussian of standard deviation `sigma` (0.1..500) into `out` (same
// size; may be `in`), edges repeated. Small sigmas use the sampled kernel; larger ones a
// fourth-order recursive filter whose cost does not depend on sigma.
void gaussianBlurMat(const cv::Mat& in, cv::Mat& out, double sigma, const ProgressFn& progress = {},
                     int percentFrom = 0, int percentTo = 100);

// `src` (32-bit) blurred with standard deviation `sigma`; colour premultiplied, alpha kept
// (`ignoreAlpha`) or blurred too.
QImage gaussianBlur(const QImage& src, double sigma, bool ignoreAlpha,
                    const ProgressFn& progress = {}, int percentFrom = 0, int percentTo = 100);

// The detail above a Gaussian of standard deviation `radius`: src - blur + 128 per channel
// (flat areas become mid grey). Alpha kept.
QImage highPass(const QImage& src, double radius, const ProgressFn& progress = {});

// Sharpens by adding `amount` times the detail above a Gaussian of standard deviation `radius`
// to each channel where that detail exceeds `threshold` levels (0..255). Alpha kept.
QImage unsharpMask(const QImage& src, int threshold, double amount, double radius,
                   const ProgressFn& progress = {});

} // namespace pix::ops
