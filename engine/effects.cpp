#include "effects.h"

#include "image_limits.h"
#include "image_type.h"
#include "op_kinds.h"
#include "ops/bevel.h"
#include "ops/blur_motion.h"
#include "ops/canvas.h"
#include "ops/color_replace.h"
#include "ops/crackle.h"
#include "ops/emboss_shape.h"
#include "ops/histogram.h"
#include "ops/noise.h"
#include "ops/op_support.h"
#include "ops/resample.h"
#include "ops/rotate.h"
#include "ops/warp.h"
#include "pix_error.h"

#include <cmath>

namespace pix::Effects {

namespace {

const OperationKinds kEffects{"Effects"};

// Rounds halves to the even neighbour, as the dialogs' numbers are rounded.
int roundEven(double v, const char* source) {
    ops::require(std::isfinite(v) && std::abs(v) <= kMaxSide * 2.0,
                 QStringLiteral("Value %1 is out of range").arg(v), source);
    return int(std::nearbyint(v));
}

} // namespace

QStringList resizeMethodCaptions() {
    QStringList captions;
    for (const auto& m : ops::resizeMethods()) captions << QString::fromLatin1(m.caption);
    return captions;
}

void Resize(PixImage& img, int width, int height, int method, const QString& undoLabel) {
    constexpr const char* kSource = "Effects.Resize";
    ops::require(
        width >= 0 && height >= 0 && (width > 0 || height > 0),
        QStringLiteral("Resize to %1 x %2: give a positive width or height").arg(width).arg(height),
        kSource);
    if (img.IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    const double w0 = img.width(), h0 = img.height();
    if (width == 0) width = std::max(1, int(std::lround(height * w0 / h0)));
    if (height == 0) height = std::max(1, int(std::lround(width * h0 / w0)));
    checkImageSize(width, height, QString::fromLatin1(kSource));
    kEffects.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        return ops::resample(work, width, height, method, progress);
    });
}

void FitResize(PixImage& img, int size, const QString& undoLabel) {
    ops::require(size > 0, QStringLiteral("Fit into %1 pixels: give a positive size").arg(size),
                 "Effects.FitResize");
    const int w = img.width(), h = img.height();
    if (img.IsEmpty() || (w <= size && h <= size)) return;
    const double scale = double(size) / std::max(w, h);
    Resize(img, std::max(1, int(std::lround(w * scale))), std::max(1, int(std::lround(h * scale))),
           3, undoLabel);
}

void ResizeCanvas(PixImage& img, int width, int height, EngineColor color, int offsetX, int offsetY,
                  const QString& undoLabel) {
    kEffects.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        return ops::resizeCanvas(work, width, height, toQRgb(color), offsetX, offsetY, progress);
    });
}

void AddBorder(PixImage& img, double thickness, EngineColor color, const QString& undoLabel) {
    constexpr const char* kSource = "Effects.AddBorder";
    ops::require(std::isfinite(thickness) && thickness >= 0,
                 QStringLiteral("Border thickness %1 is not a size").arg(thickness), kSource);
    if (img.IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    ResizeCanvas(img, roundEven(img.width() + 2 * thickness, kSource),
                 roundEven(img.height() + 2 * thickness, kSource), color,
                 roundEven(thickness, kSource), roundEven(thickness, kSource), undoLabel);
}

void Rotate(PixImage& img, double angle, EngineColor color, int flags, const QString& undoLabel) {
    ops::require(flags == 0 || flags == 1,
                 QStringLiteral("Rotate flags %1 are not 0 or 1").arg(flags), "Effects.Rotate");
    kEffects.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        QImage turned = ops::rotate(work, angle, toQRgb(color), progress);
        if (flags == 0) return turned;
        return ops::resizeCanvas(turned, work.width(), work.height(), toQRgb(color),
                                 (work.width() - turned.width()) / 2,
                                 (work.height() - turned.height()) / 2);
    });
}

void Skew(PixImage& img, int direction, int offset, EngineColor color, bool fast,
          const QString& undoLabel) {
    kEffects.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        return ops::skew(work, direction, offset, toQRgb(color), fast, progress);
    });
}

void ReplaceColor(PixImage& img, EngineColor oldColor, EngineColor newColor, double tolerance,
                  bool opaque, const QString& undoLabel) {
    kEffects.inPlace(
        img, undoLabel,
        [&](QImage& work, const ProgressFn& progress) {
            ops::replaceColor(work, toQRgb(oldColor), toQRgb(newColor), tolerance, opaque,
                              progress);
        },
        !opaque);
}

void BevelEdge(PixImage& img, int size, int left, int top, int right, int bottom, double smoothness,
               const QString& undoLabel) {
    kEffects.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::bevelEdge(work, size, left, top, right, bottom, smoothness, progress);
    });
}

void Crackle(PixImage& img, int depth, int mode, const QString& undoLabel) {
    kEffects.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::crackle(work, depth, mode, progress);
    });
}

void HistogramStretch(PixImage& img, int low, int high, int mask, const QString& undoLabel) {
    kEffects.mapped(img, undoLabel,
                    [&](const QImage& src, QImage& out, const ProgressFn& progress) {
                        ops::histogramStretch(src, out, low, high, mask, progress);
                    });
}

void HistogramEqualize(PixImage& img, int low, int high, int mask, const QString& undoLabel) {
    kEffects.mapped(img, undoLabel,
                    [&](const QImage& src, QImage& out, const ProgressFn& progress) {
                        ops::histogramEqualize(src, out, low, high, mask, progress);
                    });
}

void MotionBlur(PixImage& img, double distance, int steps, double angle, int style,
                const QString& undoLabel) {
    kEffects.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        return ops::motionBlur(work, distance, steps, angle, style, progress);
    });
}

void Warp(PixImage& img, int x1, int y1, int x2, int y2, const QString& undoLabel) {
    kEffects.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::warp(work, x1, y1, x2, y2, progress);
    });
}

void EmbossShape(PixImage& img, int depth, int angle, int softness, EngineColor shadow,
                 EngineColor highlight, const QString& undoLabel) {
    kEffects.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::embossShape(work, depth, angle, softness, toQRgb(shadow), toQRgb(highlight), progress);
    });
}

void HugoNoise(PixImage& img, int width, int height, int octaves, int smoothness, int size,
               const QString& undoLabel) {
    kEffects.replaceWith(img, undoLabel, [&](const ProgressFn& progress) {
        return ops::hugoNoise(width, height, octaves, smoothness, size, progress);
    });
}

void PerlinNoise(PixImage& img, int width, int height, int size, const QString& undoLabel) {
    kEffects.replaceWith(img, undoLabel, [&](const ProgressFn& progress) {
        return ops::perlinNoise(width, height, size, progress);
    });
}

void Flip(PixImage& img, int direction, const QString& undoLabel) {
    img.modifyPage(undoLabel,
                   [&](PixPage& page) { page.image = ops::flip(page.image, direction); });
}

void Crop(PixImage& img, int left, int top, int width, int height, const QString& undoLabel) {
    img.modifyPage(undoLabel, [&](PixPage& page) {
        page.image = ops::crop(page.image, QRect(left, top, width, height));
    });
}

} // namespace pix::Effects
