#include "channels_alpha.h"

#include "op_kinds.h"
#include "ops/alpha_channel.h"
#include "ops/op_support.h"

#include <algorithm>
#include <cmath>

namespace pix::Channels {

namespace {

const OperationKinds kChannels{"Channels"};
constexpr const char* kSource = "Channels";

void requireByte(int v, const char* what) {
    ops::require(v >= 0 && v <= 255, QStringLiteral("%1 %2 is not 0..255").arg(what).arg(v),
                 kSource);
}

void requireMerge(int merge) {
    ops::require(merge >= 0 && merge < ops::kAlphaMergeCount,
                 QStringLiteral("Merge type %1 is not 0..8").arg(merge), kSource);
}

// New alpha merged into the page, which gains alpha.
void withAlpha(PixImage& img, const QString& label,
               const std::function<void(QImage&, const ProgressFn&)>& op) {
    kChannels.inPlace(img, label, op, true);
}

} // namespace

void AlphaByColor(PixImage& img, EngineColor color, int tolerance, int matchAlpha, int otherAlpha,
                  int softness, int compareAlpha, int merge, const QString& undoLabel) {
    requireMerge(merge);
    requireByte(matchAlpha, "Alpha");
    requireByte(otherAlpha, "Alpha");
    ops::require(tolerance >= 0 && tolerance <= 100,
                 QStringLiteral("Tolerance %1 is not 0..100").arg(tolerance), kSource);
    ops::require(softness >= 0 && softness <= 100,
                 QStringLiteral("Softness %1 is not 0..100").arg(softness), kSource);
    const ops::ColourMatch match{toQRgb(color), tolerance, matchAlpha,
                                 otherAlpha,    softness,  compareAlpha != 0};
    withAlpha(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::alphaByColour(work, match, merge, progress);
    });
}

void SetAlpha(PixImage& img, int alpha, int merge, const QString& undoLabel) {
    requireMerge(merge);
    requireByte(alpha, "Alpha");
    withAlpha(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::mergeNewAlpha(
            work, merge,
            [&](int, const uint32_t*, uint8_t* a) { std::fill_n(a, work.width(), uint8_t(alpha)); },
            progress);
    });
}

void MapAlpha(PixImage& img, const std::array<uint8_t, 256>& table, const QString& undoLabel) {
    withAlpha(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::mapAlpha(work, table, progress);
    });
}

void Flatten(PixImage& img, EngineColor color, const QString& undoLabel) {
    kChannels.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::flatten(work, toQRgb(color), progress);
    });
}

void BlurAlpha(PixImage& img, double sigma, const QString& undoLabel) {
    ops::require(std::isfinite(sigma) && sigma >= 0.1 && sigma <= 500,
                 QStringLiteral("Antialias level %1 is not 0.1..500").arg(sigma), kSource);
    withAlpha(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::blurAlpha(work, sigma, progress);
    });
}

void ClearAlpha(PixImage& img, const QString& undoLabel) {
    std::array<uint8_t, 256> opaque;
    opaque.fill(255);
    kChannels.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        if (work.format() == QImage::Format_ARGB32) ops::mapAlpha(work, opaque, progress);
    });
}

void AddAlphaMask(PixImage& img, const PixImage& mask, bool fit, int x, int y, int merge,
                  const QString& undoLabel) {
    requireMerge(merge);
    if (mask.IsEmpty())
        throw PixError(kErrNoImage, QStringLiteral("The mask holds no image"), kSource);
    const QImage maskImage = mask.image();
    withAlpha(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::alphaFromMask(work, maskImage, fit, x, y, merge, progress);
    });
}

void Reorder(PixImage& img, int red, int green, int blue, int alpha, const QString& undoLabel) {
    const std::array<int, 4> sources{red, green, blue, alpha};
    for (int s : sources)
        ops::require(s >= 0 && s <= 3, QStringLiteral("Channel %1 is not 0..3").arg(s), kSource);
    kChannels.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::reorderChannels(work, sources, progress);
    });
}

} // namespace pix::Channels
