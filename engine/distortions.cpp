#include "distortions.h"

#include "op_kinds.h"
#include "ops/distort.h"
#include "ops/op_support.h"

#include <cmath>
#include <initializer_list>

namespace pix::Distortions {

namespace {

const OperationKinds kDistortions{"Distortions"};

// Lengths and amounts beyond this are no distortion of any image the engine can hold.
constexpr double kReach = 1e6;

void requireReal(std::initializer_list<double> values, const char* op) {
    for (double v : values)
        ops::require(std::isfinite(v) && std::abs(v) <= kReach,
                     QStringLiteral("%1 is out of range for %2").arg(v).arg(QLatin1String(op)),
                     "Distortions");
}

void requireStyle(int style, int count, const char* op) {
    ops::require(
        style >= 0 && style < count,
        QStringLiteral("%1 style %2 is not 0..%3").arg(QLatin1String(op)).arg(style).arg(count - 1),
        "Distortions");
}

void requireSize(double size, const char* op) {
    ops::require(size > 0,
                 QStringLiteral("%1 size %2 must be above 0").arg(QLatin1String(op)).arg(size),
                 "Distortions");
}

// Runs `op` on the page's working image as one undo step.
template <class Op> void distort(PixImage& img, const QString& undoLabel, const Op& op) {
    kDistortions.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        return op(work, progress);
    });
}

} // namespace

void Spin(PixImage& img, double maxRadius, double maxAngle, int offsetX, int offsetY,
          const QString& undoLabel) {
    requireReal({maxRadius, maxAngle, double(offsetX), double(offsetY)}, "Spin");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::spin(w, maxRadius, maxAngle, offsetX, offsetY, p);
    });
}

void SpinWave(PixImage& img, double maxRadius, double maxAngle, double wavePeriod, int offsetX,
              int offsetY, const QString& undoLabel) {
    requireReal({maxRadius, maxAngle, wavePeriod, double(offsetX), double(offsetY)}, "SpinWave");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::spinWave(w, maxRadius, maxAngle, wavePeriod, offsetX, offsetY, p);
    });
}

void Lens(PixImage& img, double maxRadius, int offsetX, int offsetY, const QString& undoLabel) {
    requireReal({maxRadius, double(offsetX), double(offsetY)}, "Lens");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::lens(w, maxRadius, offsetX, offsetY, p);
    });
}

void Pinch(PixImage& img, double maxRadius, double amount, int offsetX, int offsetY,
           const QString& undoLabel) {
    requireReal({maxRadius, amount, double(offsetX), double(offsetY)}, "Pinch");
    ops::require(std::abs(amount) <= 100,
                 QStringLiteral("Pinch amount %1 is not -100..100").arg(amount), "Distortions");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::pinch(w, maxRadius, amount, offsetX, offsetY, p);
    });
}

void Random(PixImage& img, double offset, const QString& undoLabel) {
    requireReal({offset}, "Random");
    distort(img, undoLabel,
            [&](const QImage& w, const ProgressFn& p) { return ops::randomJitter(w, offset, p); });
}

void LineSlice(PixImage& img, int style, int offset1, int offset2, const QString& undoLabel) {
    requireStyle(style, 2, "LineSlice");
    requireReal({double(offset1), double(offset2)}, "LineSlice");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::lineSlice(w, style, offset1, offset2, p);
    });
}

void ZigZag(PixImage& img, int style, int maxOffset, double period, const QString& undoLabel) {
    requireStyle(style, 2, "ZigZag");
    requireReal({double(maxOffset), period}, "ZigZag");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::zigZag(w, style, maxOffset, period, p);
    });
}

void Wave(PixImage& img, int style, double maxOffset, double period, const QString& undoLabel) {
    requireStyle(style, 4, "Wave");
    requireReal({maxOffset, period}, "Wave");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::wave(w, style, maxOffset, period, p);
    });
}

void Ripple(PixImage& img, int style, int maxRadius, int amount, double periods, int offsetX,
            int offsetY, const QString& undoLabel) {
    requireStyle(style, 5, "Ripple");
    requireReal({double(maxRadius), double(amount), periods, double(offsetX), double(offsetY)},
                "Ripple");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::ripple(w, style, maxRadius, amount, periods, offsetX, offsetY, p);
    });
}

void Offset(PixImage& img, int style, int offsetX, int offsetY, const QString& undoLabel) {
    requireStyle(style, 4, "Offset");
    requireReal({double(offsetX), double(offsetY)}, "Offset");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::offset(w, style, offsetX, offsetY, p);
    });
}

void Wow(PixImage& img, int style, int maxRadius, const QString& undoLabel) {
    requireStyle(style, 2, "Wow");
    requireReal({double(maxRadius)}, "Wow");
    distort(img, undoLabel,
            [&](const QImage& w, const ProgressFn& p) { return ops::wow(w, style, maxRadius, p); });
}

void Marble(PixImage& img, double amount, double sizeX, double sizeY, const QString& undoLabel) {
    requireReal({amount, sizeX, sizeY}, "Marble");
    requireSize(sizeX, "Marble");
    requireSize(sizeY, "Marble");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::marble(w, amount, sizeX, sizeY, p);
    });
}

void Perlin(PixImage& img, double amount, double sizeX, double sizeY, const QString& undoLabel) {
    requireReal({amount, sizeX, sizeY}, "Perlin");
    requireSize(sizeX, "Perlin");
    requireSize(sizeY, "Perlin");
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::perlin(w, amount, sizeX, sizeY, p);
    });
}

void BumpMap(PixImage& img, double amount, const PixImage& bump, const QString& undoLabel) {
    requireReal({amount}, "BumpMap");
    ops::require(!bump.IsEmpty(), QStringLiteral("No bump map image was loaded"), "Distortions");
    const QImage relief = bump.image();
    distort(img, undoLabel, [&](const QImage& w, const ProgressFn& p) {
        return ops::bumpMap(w, amount, relief, p);
    });
}

void Custom(PixImage& img, const QString& undoLabel) {
    distort(img, undoLabel,
            [&](const QImage& w, const ProgressFn& p) { return ops::customDistortion(w, p); });
}

} // namespace pix::Distortions
