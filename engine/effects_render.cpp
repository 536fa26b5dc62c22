#include "effects_render.h"

#include "op_kinds.h"
#include "ops/despeckle.h"
#include "ops/drop_shadow.h"
#include "ops/gaussian.h"
#include "ops/gauzy.h"
#include "ops/means.h"
#include "ops/morphology.h"
#include "ops/op_support.h"
#include "ops/perspective.h"
#include "ops/sketch.h"
#include "ops/tone_point.h"

#include <array>

namespace pix::Effects {

namespace {

const OperationKinds kEffects{"Effects"};

using Filter = QImage (*)(const QImage&, const ProgressFn&);

// A 3 x 3 square element for the minimum and maximum filters.
ops::Element square3() {
    return {3, 3, std::vector<int>(9, 1)};
}

QImage posterized(const QImage& src, const ProgressFn& progress) {
    QImage out = ops::newImageLike(src, "Effects.Scribble");
    ops::applyToneCurves(src, out, ops::sameCurves(ops::posterizeTable(ops::kPosterizeLevels)),
                         progress);
    return out;
}

const std::array<Filter, 4> kScribbleFilters = {
    [](const QImage& s, const ProgressFn& p) { return ops::gaussianBlur(s, 1.5, true, p); },
    [](const QImage& s, const ProgressFn& p) { return ops::unsharpMask(s, 0, 1.0, 2.0, p); },
    posterized,
    [](const QImage& s, const ProgressFn& p) { return ops::despeckle(s, p); },
};

const std::array<Filter, 5> kStippleFilters = {
    [](const QImage& s, const ProgressFn& p) {
        return ops::meanFilter(s, ops::MeanKind::Arithmetic, 3, true, p);
    },
    [](const QImage& s, const ProgressFn& p) {
        return ops::morphology(s, square3(), ops::kErode, p);
    },
    [](const QImage& s, const ProgressFn& p) {
        return ops::morphology(s, square3(), ops::kDilate, p);
    },
    [](const QImage& s, const ProgressFn& p) {
        return ops::meanFilter(s, ops::MeanKind::Geometric, 3, true, p);
    },
    [](const QImage& s, const ProgressFn& p) {
        return ops::meanFilter(s, ops::MeanKind::YpLow, 3, true, p);
    },
};

// The filter at list position `filter` (-1: the first), checked against the table.
template <size_t N>
Filter pickFilter(const std::array<Filter, N>& filters, int filter, const char* source) {
    ops::require(filter >= -1 && filter < int(N),
                 QStringLiteral("Filter %1 is not -1..%2").arg(filter).arg(int(N) - 1), source);
    return filters[size_t(filter < 0 ? 0 : filter)];
}

// A rendering with its filter applied to the image first, or to the rendering after.
void rendered(PixImage& img, const QString& undoLabel, Filter filter, bool filterFirst,
              const std::function<QImage(const QImage&, const ProgressFn&)>& render) {
    kEffects.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        if (filterFirst) return render(filter(work, progress), progress);
        return filter(render(work, progress), progress);
    });
}

void warp(PixImage& img, const ops::Quad& from, const ops::Quad& to, int flags,
          const QString& undoLabel) {
    ops::require(flags == 0 || flags == 1,
                 QStringLiteral("Perspective flags %1 are not 0 or 1").arg(flags),
                 "Effects.Perspective");
    kEffects.onWorkingImage(
        img, undoLabel,
        [&](QImage work, const ProgressFn& progress) {
            return ops::perspective(work, from, to, flags == 1, progress);
        },
        true);
}

} // namespace

void DropShadow(PixImage& img, int offsetX, int offsetY, std::optional<EngineColor> color,
                double blur, bool increaseCanvas, const QString& undoLabel) {
    kEffects.onWorkingImage(
        img, undoLabel,
        [&](QImage work, const ProgressFn& progress) {
            return ops::dropShadow(work, offsetX, offsetY,
                                   toQRgb(color.value_or(kDefaultShadowColor)), blur,
                                   increaseCanvas, progress);
        },
        true);
}

void Gauzy(PixImage& img, int blur, int sharpen, int clarity, int mode, const QString& undoLabel) {
    ops::require(mode >= -1 && mode <= 4, QStringLiteral("Gauzy mode %1 is not -1..4").arg(mode),
                 "Effects.Gauzy");
    const auto how = mode < 0 ? ops::GauzyMode::FullColor : ops::GauzyMode(mode);
    kEffects.onWorkingImage(img, undoLabel, [&](QImage work, const ProgressFn& progress) {
        return ops::gauzy(work, blur, sharpen, clarity, how, progress);
    });
}

void Scribble(PixImage& img, int darkness, int filter, bool filterFirst, const QString& undoLabel) {
    const Filter f = pickFilter(kScribbleFilters, filter, "Effects.Scribble");
    rendered(img, undoLabel, f, filterFirst, [darkness](const QImage& s, const ProgressFn& p) {
        return ops::scribble(s, darkness, p);
    });
}

void Stipple(PixImage& img, int size, int filter, bool filterFirst, const QString& undoLabel) {
    const Filter f = pickFilter(kStippleFilters, filter, "Effects.Stipple");
    rendered(img, undoLabel, f, filterFirst,
             [size](const QImage& s, const ProgressFn& p) { return ops::stipple(s, size, p); });
}

void Perspective(PixImage& img, QPointF p1, QPointF p2, QPointF p3, QPointF p4, int flags,
                 const QString& undoLabel) {
    const double r = img.width() - 1, b = img.height() - 1;
    warp(img, {QPointF(0, b), QPointF(0, 0), QPointF(r, 0), QPointF(r, b)}, {p1, p2, p3, p4}, flags,
         undoLabel);
}

void PerspectiveEx(PixImage& img, QPointF p1, QPointF p2, QPointF p3, QPointF p4, QPointF s1,
                   QPointF s2, QPointF s3, QPointF s4, int flags, const QString& undoLabel) {
    warp(img, {s1, s2, s3, s4}, {p1, p2, p3, p4}, flags, undoLabel);
}

} // namespace pix::Effects
