#include "processor_colour.h"

#include "op_kinds.h"
#include "ops/channel_adjust.h"
#include "ops/hsl.h"
#include "ops/op_support.h"

#include <cmath>

namespace pix::Processor {

namespace {

const OperationKinds kProcessor{"Processor"};

void requireRange(double v, double limit, const char* what) {
    ops::require(
        std::isfinite(v) && v >= -limit && v <= limit,
        QStringLiteral("%1 must lie in %2..%3").arg(QLatin1String(what)).arg(-limit).arg(limit),
        "Processor");
}

// Runs the curves over the page. An alpha curve that makes opaque pixels translucent gives the
// page alpha; on an opaque page any other alpha curve has nothing to change.
void curves(PixImage& img, ops::ToneCurves c, const QString& label) {
    const bool givesAlpha = c.alpha && (*c.alpha)[255] != 255;
    kProcessor.inPlace(
        img, label,
        [&](QImage& work, const ProgressFn& progress) {
            if (work.format() != QImage::Format_ARGB32) c.alpha.reset();
            ops::applyToneCurves(work, work, c, progress);
        },
        givesAlpha);
}

void hsl(PixImage& img, const QString& label, double h, double s, double l, bool percent) {
    kProcessor.mapped(img, label, [&](const QImage& src, QImage& out, const ProgressFn& p) {
        ops::hslShift(src, out, h, s, l, percent, p);
    });
}

} // namespace

void AdjustLiteral(PixImage& img, int red, int green, int blue, int alpha,
                   const QString& undoLabel) {
    for (int v : {red, green, blue, alpha}) requireRange(v, 255, "An amount");
    std::optional<ops::ToneTable> a;
    if (alpha != 0) a = ops::literalShiftTable(alpha);
    curves(img,
           {ops::literalShiftTable(red), ops::literalShiftTable(green),
            ops::literalShiftTable(blue), a},
           undoLabel);
}

void AdjustPercent(PixImage& img, float red, float green, float blue, float alpha,
                   const QString& undoLabel) {
    for (float v : {red, green, blue, alpha}) requireRange(v, 100, "A percent");
    std::optional<ops::ToneTable> a;
    if (alpha != 0) a = ops::percentShiftTable(alpha);
    curves(img,
           {ops::percentShiftTable(red), ops::percentShiftTable(green),
            ops::percentShiftTable(blue), a},
           undoLabel);
}

void AdjustHSLLiteral(PixImage& img, int hue, int sat, int lum, const QString& undoLabel) {
    for (int v : {hue, sat, lum}) requireRange(v, 255, "An amount");
    hsl(img, undoLabel, hue, sat, lum, false);
}

void AdjustHSLPercent(PixImage& img, float hue, float sat, float lum, const QString& undoLabel) {
    for (float v : {hue, sat, lum}) requireRange(v, 100, "A percent");
    hsl(img, undoLabel, hue, sat, lum, true);
}

void Colorize(PixImage& img, EngineColor color, bool hue, bool sat, bool lum,
              const QString& undoLabel) {
    kProcessor.mapped(img, undoLabel, [&](const QImage& src, QImage& out, const ProgressFn& p) {
        ops::colorize(src, out, toQRgb(color), hue, sat, lum, p);
    });
}

void NegativeByColor(PixImage& img, EngineColor color, const QString& undoLabel) {
    // 0x..BBGGRR
    curves(img,
           {ops::distanceTable(int(color & 0xFF)), ops::distanceTable(int(color >> 8 & 0xFF)),
            ops::distanceTable(int(color >> 16 & 0xFF)), std::nullopt},
           undoLabel);
}

void ShiftChannels(PixImage& img, int mask, int dx, int dy, const QString& undoLabel) {
    ops::require(mask >= 0 && mask <= 7, QStringLiteral("The channel mask must lie in 0..7"),
                 "Processor");
    kProcessor.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        QImage out = ops::newImageLike(work, "Processor");
        ops::shiftChannels(work, out, mask, dx, dy, progress);
        return out;
    });
}

} // namespace pix::Processor
