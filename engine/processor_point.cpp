#include "processor_point.h"

#include "image_type.h"
#include "op_kinds.h"
#include "ops/colour_point.h"
#include "ops/dither_two.h"
#include "ops/halftone.h"
#include "ops/mosaic.h"
#include "ops/noise_add.h"
#include "ops/op_support.h"
#include "ops/planes.h"
#include "ops/red_eye.h"
#include "ops/tone_point.h"

#include <atomic>

namespace pix::Processor {

namespace {

const OperationKinds kProcessor{"Processor"};

// Runs the curves over the page (the curves are built, and so checked, before any work).
void curves(PixImage& img, const ops::ToneCurves& c, const QString& label) {
    kProcessor.mapped(img, label, [&](const QImage& src, QImage& out, const ProgressFn& progress) {
        ops::applyToneCurves(src, out, c, progress);
    });
}

// A grey page of the plane `grey` (8-bit), or grey + alpha with the alpha of `work` when the
// page type carries alpha.
void setGreyPage(PixPage& page, const QImage& work, const QImage& grey) {
    if (!typeHasAlpha(page.type) && !work.hasAlphaChannel()) {
        page.image = grey;
        page.type = kGray;
        return;
    }
    QImage out = ops::newImage32(grey.width(), grey.height(), true, "Processor");
    const ops::RowView rows(out);
    ops::forEachRowBand(grey.height(), {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* g = grey.constScanLine(y);
            const uint32_t* a = ops::row32(work, y);
            uint32_t* o = rows[y];
            for (int x = 0; x < grey.width(); ++x)
                o[x] = (a[x] & 0xFF000000u) | uint32_t(g[x]) * 0x010101u;
        }
    });
    page.image = std::move(out);
    page.type = kGrayAlpha;
}

} // namespace

void AutoBrightness(PixImage& img, int low, int high, bool even, const QString& undoLabel) {
    kProcessor.mapped(img, undoLabel,
                      [&](const QImage& src, QImage& out, const ProgressFn& progress) {
                          ops::autoBrightness(src, out, low, high, even, progress);
                      });
}

void AddNoise(PixImage& img, int type, int variance, bool monochromatic, bool ignoreAlpha,
              const QString& undoLabel) {
    // Each call draws fresh noise; the sequence is the same in every run of the program.
    static std::atomic<uint64_t> calls{0};
    const uint64_t seed = 0x5EED0F0015Eull + calls.fetch_add(1) * 0x9E3779B97F4A7C15ull;
    kProcessor.mapped(
        img, undoLabel, [&](const QImage& src, QImage& out, const ProgressFn& progress) {
            ops::addNoise(src, out, type, variance, monochromatic, ignoreAlpha, seed, progress);
        });
}

void Threshold(PixImage& img, int low, int high, bool ignoreAlpha, const QString& undoLabel) {
    kProcessor.mapped(img, undoLabel,
                      [&](const QImage& src, QImage& out, const ProgressFn& progress) {
                          ops::threshold(src, out, low, high, ignoreAlpha, progress);
                      });
}

void Duotone(PixImage& img, EngineColor color, const QString& undoLabel) {
    kProcessor.mapped(img, undoLabel,
                      [&](const QImage& src, QImage& out, const ProgressFn& progress) {
                          ops::duotone(src, out, toQRgb(color), progress);
                      });
}

void Posterize(PixImage& img, const QString& undoLabel) {
    curves(img, ops::sameCurves(ops::posterizeTable(ops::kPosterizeLevels)), undoLabel);
}

void Halftone(PixImage& img, int maxDotSize, bool smooth, const QString& undoLabel) {
    kProcessor.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::halftone(work, maxDotSize, smooth, progress);
    });
}

void Solarize(PixImage& img, int threshold, const QString& undoLabel) {
    curves(img, ops::sameCurves(ops::solarizeTable(threshold)), undoLabel);
}

void Tint(PixImage& img, int tint, const QString& undoLabel) {
    curves(img, ops::tintCurves(tint), undoLabel);
}

void Saturation(PixImage& img, double level, const QString& undoLabel) {
    kProcessor.mapped(img, undoLabel,
                      [&](const QImage& src, QImage& out, const ProgressFn& progress) {
                          ops::saturate(src, out, level, progress);
                      });
}

void Gamma(PixImage& img, double gamma, const QString& undoLabel) {
    curves(img, ops::sameCurves(ops::gammaTable(gamma)), undoLabel);
}

void Intensity(PixImage& img, int amount, const QString& undoLabel) {
    curves(img, ops::sameCurves(ops::intensityTable(amount)), undoLabel);
}

void Negative(PixImage& img, std::optional<EngineColor> color, const QString& undoLabel) {
    const ops::ToneTable inverted = ops::negativeTable(), kept = ops::identityTable();
    auto pick = [&](int shift) {
        return !color || ((*color >> shift) & 0xFF) != 0 ? inverted : kept;
    };
    curves(img, {pick(0), pick(8), pick(16), std::nullopt}, undoLabel); // 0x..BBGGRR
}

void BrightnessContrast(PixImage& img, int brightness, int contrast, bool ignoreAlpha,
                        const QString& undoLabel) {
    ops::ToneCurves c = ops::sameCurves(ops::brightnessContrastTable(brightness, contrast));
    if (!ignoreAlpha) c.alpha = c.red;
    curves(img, c, undoLabel);
}

void Mosaic(PixImage& img, int blockX, int blockY, int mask, const QString& undoLabel) {
    kProcessor.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::mosaic(work, blockX, blockY, mask, progress);
    });
}

void RedEyeReduction(PixImage& img, int left, int top, int right, int bottom, int saturation,
                     int colourRange, const QString& undoLabel) {
    kProcessor.inPlace(img, undoLabel, [&](QImage& work, const ProgressFn& progress) {
        ops::redEyeReduction(work, left, top, right, bottom, saturation, colourRange, progress);
    });
}

void ColorKey(PixImage& img, EngineColor key, int tolerance, int alpha, bool rgbOnly,
              const QString& undoLabel) {
    kProcessor.inPlace(
        img, undoLabel,
        [&](QImage& work, const ProgressFn& progress) {
            ops::colorKey(work, toQRgb(key), tolerance, alpha, rgbOnly, progress);
        },
        true);
}

// The conversions below change the page type, which the operation kinds (always 32-bit
// results) do not: they change the page directly, in one undo step as well.

void Grayscale(PixImage& img, const QString& undoLabel) {
    const ProgressFn progress = img.progressHandler();
    img.modifyPage(undoLabel, [&](PixPage& page) {
        const QImage work = toWorkingFormat(page.image, page.type);
        ops::requireAllocated(work, "Processor.Grayscale");
        setGreyPage(page, work, ops::grayscale8(work, progress));
    });
}

void DitherTwoColors(PixImage& img, const QString& undoLabel) {
    const ProgressFn progress = img.progressHandler();
    img.modifyPage(undoLabel, [&](PixPage& page) {
        const QImage work = toWorkingFormat(page.image, page.type);
        ops::requireAllocated(work, "Processor.DitherTwoColors");
        page.image = ops::ditherTwoColors(work, progress);
        page.type = kMono;
    });
}

void ApplyPalette(PixImage& img, const QList<EngineColor>& entries, const QString& undoLabel) {
    QList<QRgb> colours;
    bool opaque = true;
    for (EngineColor c : entries) {
        colours << toQRgb(c);
        opaque &= qAlpha(colours.last()) == 255;
    }
    const ProgressFn progress = img.progressHandler();
    img.modifyPage(undoLabel, [&](PixPage& page) {
        const bool paletted =
            page.type == kMono || page.type == kIndexed || page.type == kIndexedAlpha;
        const QImage source = paletted ? page.image : toWorkingFormat(page.image, page.type);
        ops::requireAllocated(source, "Processor.ApplyPalette");
        QImage out = ops::applyPalette(source, colours, progress);
        if (out.format() == QImage::Format_Mono && !opaque)
            out = out.convertToFormat(QImage::Format_Indexed8);
        page.type = out.format() == QImage::Format_Mono ? kMono : imageTypeFromFormat(out);
        page.image = std::move(out);
    });
}

void NormalizedDifference(PixImage& img, const QString& undoLabel) {
    const ProgressFn progress = img.progressHandler();
    img.modifyPage(undoLabel, [&](PixPage& page) {
        const QImage work = toWorkingFormat(page.image, page.type);
        ops::requireAllocated(work, "Processor.NormalizedDifference");
        const QImage red = ops::channelPlane(work, 0), green = ops::channelPlane(work, 1);
        setGreyPage(page, work, ops::normalizedDifference(red, green, progress));
    });
}

} // namespace pix::Processor
