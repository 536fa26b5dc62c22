#include "processor_area.h"

#include "op_kinds.h"
#include "ops/convolve.h"
#include "ops/despeckle.h"
#include "ops/edges.h"
#include "ops/emboss.h"
#include "ops/gaussian.h"
#include "ops/means.h"
#include "ops/median.h"
#include "ops/morphology.h"
#include "ops/op_support.h"

namespace pix::Processor {

namespace {

const OperationKinds kProcessor{"Processor"};

using Filter = std::function<QImage(const QImage& work, const ProgressFn& progress)>;

// One area filter from the page's working image into a new one.
void run(PixImage& img, const QString& label, const Filter& filter) {
    kProcessor.onWorkingImage(img, label, [&](QImage work, const ProgressFn& progress) {
        return filter(work, progress);
    });
}

void mean(PixImage& img, ops::MeanKind kind, int size, bool ignoreAlpha, const QString& label) {
    run(img, label, [&](const QImage& w, const ProgressFn& p) {
        return ops::meanFilter(w, kind, size, ignoreAlpha, p);
    });
}

} // namespace

void Despeckle(PixImage& img, const QString& undoLabel) {
    run(img, undoLabel, [](const QImage& w, const ProgressFn& p) { return ops::despeckle(w, p); });
}

void Emboss(PixImage& img, int angle, int elevation, int offset, bool useImageAsTexture,
            const QString& undoLabel) {
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::emboss(w, angle, elevation, offset, useImageAsTexture, p);
    });
}

void Median(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel) {
    run(img, undoLabel,
        [&](const QImage& w, const ProgressFn& p) { return ops::median(w, size, ignoreAlpha, p); });
}

void ArithmeticMean(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel) {
    mean(img, ops::MeanKind::Arithmetic, size, ignoreAlpha, undoLabel);
}

void HarmonicMean(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel) {
    mean(img, ops::MeanKind::Harmonic, size, ignoreAlpha, undoLabel);
}

void GeometricMean(PixImage& img, int size, bool ignoreAlpha, const QString& undoLabel) {
    mean(img, ops::MeanKind::Geometric, size, ignoreAlpha, undoLabel);
}

void YpMean(PixImage& img, int size, bool removePositiveOutliers, bool ignoreAlpha,
            const QString& undoLabel) {
    mean(img, removePositiveOutliers ? ops::MeanKind::YpHigh : ops::MeanKind::YpLow, size,
         ignoreAlpha, undoLabel);
}

void CannyEdge(PixImage& img, int intensity, int low, int high, const QString& undoLabel) {
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::cannyEdge(w, intensity, low, high, p);
    });
}

void HighPass(PixImage& img, double radius, const QString& undoLabel) {
    run(img, undoLabel,
        [&](const QImage& w, const ProgressFn& p) { return ops::highPass(w, radius, p); });
}

void Blur(PixImage& img, int strength, int size, bool ignoreAlpha, const QString& undoLabel) {
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::boxBlur(w, strength, size, ignoreAlpha, p);
    });
}

void GaussianBlur(PixImage& img, int strength, const QString& undoLabel) {
    ops::require(strength >= 25 && strength <= 500,
                 QStringLiteral("Strength %1 is not 25..500").arg(strength),
                 "Processor.GaussianBlur");
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::gaussianBlur(w, ops::gaussianSigmaOfStrength(strength), true, p);
    });
}

void Sharpen(PixImage& img, int strength, int size, bool ignoreAlpha, const QString& undoLabel) {
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::sharpen(w, strength, size, ignoreAlpha, p);
    });
}

void Soften(PixImage& img, int strength, const QString& undoLabel) {
    run(img, undoLabel,
        [&](const QImage& w, const ProgressFn& p) { return ops::soften(w, strength, p); });
}

void Vibration(PixImage& img, int strength, const QString& undoLabel) {
    run(img, undoLabel,
        [&](const QImage& w, const ProgressFn& p) { return ops::vibration(w, strength, p); });
}

void EdgeDetect(PixImage& img, int strength, const QString& undoLabel) {
    run(img, undoLabel,
        [&](const QImage& w, const ProgressFn& p) { return ops::edgeDetect(w, strength, p); });
}

void UnsharpMask(PixImage& img, int threshold, double amount, double radius,
                 const QString& undoLabel) {
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::unsharpMask(w, threshold, amount, radius, p);
    });
}

void Morphology(PixImage& img, const ops::Element& element, int op, const QString& undoLabel) {
    run(img, undoLabel,
        [&](const QImage& w, const ProgressFn& p) { return ops::morphology(w, element, op, p); });
}

void CustomFilter(PixImage& img, const ops::Kernel& kernel, double divisor, double bias,
                  const QString& undoLabel) {
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::customFilter(w, kernel, divisor, bias, p);
    });
}

void CustomMatrix(PixImage& img, const ops::Kernel& kernel, double divisor, double bias,
                  bool absolute, bool invert, const QString& undoLabel) {
    run(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::customMatrix(w, kernel, divisor, bias, absolute, invert, p);
    });
}

} // namespace pix::Processor
