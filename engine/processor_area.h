// The Processor group's area filters: each pixel computed from a neighbourhood of the current
// page. Each call checks its arguments, runs one operation of engine/ops on the page's 32-bit
// working form with one undo step per label, and reports progress with cancel. Paletted, mono
// and grey pages come back promoted to "24-bit RGB", or to "32-bit RGB w/ Alpha" when they
// carry alpha. Failures throw PixError and leave the image as it was.
#pragma once

#include "ops/area_support.h"
#include "pix_image.h"

namespace pix::Processor {

// Removes isolated specks of noise and keeps edges.
void Despeckle(PixImage& img, const QString& undoLabel = {});

// Relief of the luminance lit from `angle` degrees at `elevation` degrees (0..90), slopes taken
// `offset` pixels apart (1..100); grey, or the picture's colours lit when `useImageAsTexture`.
void Emboss(PixImage& img, int angle, int elevation, int offset, bool useImageAsTexture,
            const QString& undoLabel = {});

// Median of each channel over a size x size window (odd 1..255). `ignoreAlpha`: alpha left as
// it was; otherwise alpha is filtered too. The same for the means below.
void Median(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel = {});
void ArithmeticMean(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel = {});
void HarmonicMean(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel = {});
void GeometricMean(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel = {});
// The power mean with p = 3, or p = -3 when removing bright (positive) outliers.
void YpMean(PixImage& img, int size, bool removePositiveOutliers, bool ignoreAlpha,
            const QString& undoLabel = {});

// Canny edge lines at `intensity` percent brightness on black; `low` and `high` (0..100) are the
// luminance steps that continue and start a line.
void CannyEdge(PixImage& img, int intensity, int low, int high, const QString& undoLabel = {});

// The detail above a Gaussian of standard deviation `radius` (0.1..500) on mid grey.
void HighPass(PixImage& img, double radius, const QString& undoLabel = {});

// A size x size box average (odd 1..99) mixed in by `strength` percent (0..100); `ignoreAlpha`
// keeps the alpha, else it is blurred too.
void Blur(PixImage& img, int strength, int size, bool ignoreAlpha, const QString& undoLabel = {});

// Gaussian blur of strength 25..500 percent: standard deviation strength / 50 pixels.
void GaussianBlur(PixImage& img, int strength, const QString& undoLabel = {});

// Adds strength percent (0..1000) of the detail above a size x size box average (odd 3..99).
void Sharpen(PixImage& img, int strength, int size, bool ignoreAlpha,
             const QString& undoLabel = {});

// The 3 x 3 binomial smoothing mixed in by `strength` percent (0..100).
void Soften(PixImage& img, int strength, const QString& undoLabel = {});

// Shakes each pixel up to strength / 25 pixels (at least 1; strength 1..100).
void Vibration(PixImage& img, int strength, const QString& undoLabel = {});

// Edges (8-neighbour Laplacian) bright on black, times strength / 25 (strength 1..100).
void EdgeDetect(PixImage& img, int strength, const QString& undoLabel = {});

// Adds `amount` (0..100) times the detail above a Gaussian of standard deviation `radius`
// (0.1..500) where that detail exceeds `threshold` levels (0..255).
void UnsharpMask(PixImage& img, int threshold, double amount, double radius,
                 const QString& undoLabel = {});

// Flat morphology with `element` (odd sides up to 31; positive entries belong to it, a 2 marks
// the anchor): op 0 dilation, 1 erosion, 2 open, 3 close, 4 top-hat.
void Morphology(PixImage& img, const ops::Element& element, int op, const QString& undoLabel = {});

// Relief added to the picture: src + (kernel * src) / divisor + bias.
void CustomFilter(PixImage& img, const ops::Kernel& kernel, double divisor, double bias,
                  const QString& undoLabel = {});

// The plain convolution (kernel * src) / divisor + bias; `absolute` takes its magnitude before
// the bias, `invert` gives 255 minus the result.
void CustomMatrix(PixImage& img, const ops::Kernel& kernel, double divisor, double bias,
                  bool absolute, bool invert, const QString& undoLabel = {});

} // namespace pix::Processor
