#include "filters_catalogue.h"

#include "engine/colors_hsl.h"
#include "engine/draw.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "engine/processor_area.h"
#include "engine/processor_colour.h"
#include "engine/processor_point.h"
#include "platform/vb.h"
#include "values.h"

#include <optional>

namespace catalogue {

namespace {

namespace pr = pix::Processor;

const QString kNoUndo = QStringLiteral("No Undo");

QString t(const char* s) {
    return QString::fromLatin1(s);
}

Row ignoreAlpha(bool ticked) {
    return check(t("Ignore Alpha"), ticked);
}

// A preset: an entry without a dialog whose call has its arguments fixed.
Entry preset(int index, const char* title, std::function<void(pix::PixImage&)> call) {
    return {.index = index,
            .title = t(title),
            .call = [call = std::move(call)](pix::PixImage& img, const Values&) { call(img); },
            .input = Input::None};
}

// The entry marked as one the converter may run band by band: it maps each pixel alone.
Entry banded(Entry e) {
    e.streams = Streams::Bands;
    return e;
}

// A kernel or element from its rows, top row first (i across, j down).
pix::ops::Kernel kernel(int width, std::initializer_list<double> rowsTopDown) {
    return {width, int(rowsTopDown.size()) / width, std::vector<double>(rowsTopDown)};
}

// The sharpening kernel of Charcoal and Flaky Paint.
pix::ops::Kernel strokeKernel() {
    return kernel(3, {-0.5, 0, -0.5, 0, 2, 0, -0.5, 0, -0.5});
}

// Runs every step even when one fails, and throws the first failure at the end: the complex
// filters try each step in turn.
void eachStep(std::initializer_list<std::function<void()>> steps) {
    std::optional<pix::PixError> first;
    for (const auto& step : steps) {
        try {
            step();
        } catch (const pix::PixError& e) {
            if (e.number() == pix::kErrCancelled) throw;
            if (!first) first = e;
        }
    }
    if (first) throw *first;
}

// The picture of dark strokes on transparency that the complex filters draw over the image:
// the working copy's lines (after `lines`), despeckled, sharpened, dithered to two colours,
// given a black and white palette, and its white made transparent.
QImage strokes(const pix::PixImage& working, const std::function<void(pix::PixImage&)>& lines,
               bool negative) {
    pix::PixImage t;
    t.CopyFrom(working, kNoUndo);
    // The long steps run on the copy: they report to the working image's handler.
    t.setProgressHandler(working.progressHandler());
    eachStep({[&] { lines(t); }, [&] { pr::Despeckle(t, kNoUndo); },
              [&] { pr::CustomMatrix(t, strokeKernel(), 50.0, 7, false, false, kNoUndo); },
              [&] { pr::DitherTwoColors(t, kNoUndo); },
              [&] {
                  pr::ApplyPalette(
                      t, {pix::MakeColor(0x000000, 255), pix::MakeColor(0xFFFFFF, 255)}, kNoUndo);
              },
              [&] {
                  if (negative) pr::Negative(t, std::nullopt, kNoUndo);
              },
              [&] { pr::ColorKey(t, pix::MakeColor(0xFFFFFF, 255), 0, 0, true, kNoUndo); }});
    return t.image().convertToFormat(QImage::Format_ARGB32);
}

// Colorize's first colour: the one its three bars show at the middle of their range.
uint32_t colorizeStart() {
    const pix::Colors::Triple c = pix::Colors::HSLToRGB(127, 127, 127);
    return c.a | uint32_t(c.b) << 8 | uint32_t(c.c) << 16;
}

// Filters(Index): the plain items of the Filters menus.
Catalogue filters() {
    const QStringList channels = {t("Black"), t("Red"),     t("Green"), t("Yellow"),
                                  t("Blue"),  t("Magenta"), t("Cyan"),  t("White (all colors)")};
    auto mean = [](int index, const char* title,
                   void (*run)(pix::PixImage&, int, bool, const QString&)) {
        return Entry{.index = index,
                     .title = t(title),
                     .rows = {text(t("Filter Size:"), t("3")), ignoreAlpha(true)},
                     .call = [run](pix::PixImage& img, const Values& v) {
                         run(img, v.integer(0), v.check(1), {});
                     }};
    };
    return {
        "mnuFilters",
        "Filters",
        {
            {.index = 0,
             .title = t("AutoBrightness"),
             .rows = {text(t("Low Threshold:"), t("8")), text(t("High Threshold:"), t("248")),
                      check(t("Even Distribution"), false)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::AutoBrightness(img, v.byte(0), v.byte(1), v.check(2));
                 }},
            {.index = 2,
             .title = t("Adjust Brightness and Contrast"),
             .rows = {scroll(t("Brightness"), -100, 100, 0, 10),
                      scroll(t("Contrast"), -100, 100, 0, 10)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::BrightnessContrast(img, v.integer(0), v.integer(1), true);
                 },
             .input = Input::Preview,
             .previewDialog = t("frmBrightContrast"),
             .streams = Streams::Bands},
            {.index = 3,
             .title = t("Adjust Hue, Saturation and Luminance"),
             .rows = {colour(t("Color"), colorizeStart()), check(t("Hue"), true),
                      check(t("Sat"), true), check(t("Lum"), false)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::Colorize(img, v.colour(0, 255), v.check(1), v.check(2), v.check(3));
                 },
             .input = Input::Preview,
             .previewDialog = t("frmColorize")},
            preset(4, "Despeckle", [](pix::PixImage& img) { pr::Despeckle(img); }),
            {.index = 6,
             .title = t("Emboss"),
             .rows = {text(t("Angle:"), t("45")), text(t("Elevation:"), t("45")),
                      text(t("Offset:"), t("4")), check(t("Use image as texture"), false)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::Emboss(img, v.integer(0), v.integer(1), v.integer(2), v.check(3));
                 }},
            {.index = 9,
             .title = t("Median Cut"),
             .rows = {text(t("Filter Size:"), t("3")), ignoreAlpha(false)},
             .call = [](pix::PixImage& img,
                        const Values& v) { pr::Median(img, v.integer(0), v.check(1)); }},
            {.index = 11,
             .title = t("Mosaic"),
             .rows = {text(t("Block X Size:"), t("10")), text(t("Block Y Size:"), t("10")),
                      list(t("Channels:"), channels, 7)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::Mosaic(img, v.integer(0), v.integer(1), v.position(2));
                 }},
            {.index = 13,
             .title = t("Red Eye Reduction"),
             .rows = {text(t("Saturation Level [0..100]:"), t("50")),
                      text(t("Color Range [0..100]:"), t("50"))},
             // The working copy is the selected rectangle itself: the filter covers all of it.
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     const int left = 0, top = 0;
                     pr::RedEyeReduction(img, left, top, vb::toInt32(double(left) + img.width()),
                                         vb::toInt32(double(top) + img.height()), v.integer(0),
                                         v.integer(1));
                 },
             .precondition = [](const pix::PixImage&,
                                const RunContext& c) -> std::optional<QString> {
                 if (c.selection().isEmpty())
                     return t("Please select a region to apply the red eye filter to");
                 return std::nullopt;
             }},
            preset(23, "Normalized Difference",
                   [](pix::PixImage& img) {
                       pr::NormalizedDifference(
                           img, t("Normalized Difference (Red Channel - Green Channel)"));
                   }),
            mean(24, "Arithmetic Mean", &pr::ArithmeticMean),
            mean(25, "Harmonic Mean", &pr::HarmonicMean),
            {.index = 26,
             .title = t("Yp Mean"),
             .rows = {text(t("Filter Size:"), t("3")), check(t("Remove Positive Outliers"), false),
                      ignoreAlpha(true)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::YpMean(img, v.integer(0), v.check(1), v.check(2));
                 }},
            mean(30, "Geometric Mean", &pr::GeometricMean),
            {.index = 31,
             .title = t("Noise"),
             .rows = {list(t("Noise Type:"),
                           {t("Gaussian"), t("Negative Exponential"), t("Rayleigh"), t("Uniform")},
                           0),
                      text(t("Variance:"), t("100")), check(t("Monochromatic"), false),
                      ignoreAlpha(true)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::AddNoise(img, v.position(0), v.integer(1), v.check(2), v.check(3));
                 }},
            {.index = 32,
             .title = t("Threshold"),
             .rows = {text(t("Low [0..255]:"), t("30")), text(t("High [0..255]:"), t("255")),
                      ignoreAlpha(true)},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::Threshold(img, v.integer(0), v.integer(1), v.check(2));
                 },
             .streams = Streams::Bands},
            {.index = 33,
             .title = t("Canny Edge Detection"),
             .rows = {text(t("Intensity:"), t("100")), text(t("Low [0..100]:"), t("40")),
                      text(t("High [0..100]:"), t("40"))},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     pr::CannyEdge(img, v.integer(0), v.integer(1), v.integer(2));
                 }},
            {.index = 34,
             .title = t("Duotone"),
             .rows = {colour(t("Color"), 0x000000)},
             .call = [](pix::PixImage& img,
                        const Values& v) { pr::Duotone(img, v.colour(0, 255)); },
             .input = Input::Colour},
            banded(preset(35, "Posterize", [](pix::PixImage& img) { pr::Posterize(img); })),
            {.index = 36,
             .title = t("Halftone"),
             .rows = {text(t("Max Dot Size:"), t("3")), check(t("Smooth Dots"), false)},
             .call = [](pix::PixImage& img,
                        const Values& v) { pr::Halftone(img, v.integer(0), v.check(1)); }},
            banded(preset(37, "Solarize", [](pix::PixImage& img) { pr::Solarize(img, 0); })),
            {.index = 38,
             .title = t("Tint"),
             .rows = {text(t("Tint [-100..100]:"), t("0"))},
             .call = [](pix::PixImage& img, const Values& v) { pr::Tint(img, v.integer(0)); },
             .streams = Streams::Bands},
            {.index = 39,
             .title = t("Saturation"),
             .rows = {text(t("Saturation Level [0.0..10.0]"), t("1"))},
             .call = [](pix::PixImage& img, const Values& v) { pr::Saturation(img, v.real(0)); },
             .streams = Streams::Bands},
            {.index = 40,
             .title = t("High Pass"),
             .rows = {text(t("Radius"), t("20"))},
             .call = [](pix::PixImage& img, const Values& v) { pr::HighPass(img, v.real(0)); }},
        }};
}

// A submenu of presets: one fixed call per item.
Catalogue presets(const char* group, const char* action, std::vector<Entry> entries,
                  FailureStyle failure = FailureStyle::ErrorAndSource) {
    return {group, action, std::move(entries), failure};
}

std::vector<Entry> percentSteps(const char* title, void (*run)(pix::PixImage&, int)) {
    std::vector<Entry> e;
    for (int i = 0; i < 4; ++i)
        e.push_back(preset(i, title, [run, i](pix::PixImage& img) { run(img, 25 * (i + 1)); }));
    return e;
}

std::vector<Catalogue> presetCatalogues() {
    std::vector<Entry> blur;
    for (int i = 0; i < 4; ++i)
        blur.push_back(
            preset(i, "Blur", [i](pix::PixImage& img) { pr::Blur(img, 25 * (i + 1), 7, false); }));
    const int gaussian[] = {25, 50, 75, 100, 300, 500};
    for (int i = 0; i < 6; ++i)
        blur.push_back(preset(4 + i, "Gaussian Blur",
                              [s = gaussian[i]](pix::PixImage& img) { pr::GaussianBlur(img, s); }));

    std::vector<Entry> gamma;
    const double gammas[] = {0.75, 0.5, 1.25, 1.5};
    for (int i = 0; i < 4; ++i)
        gamma.push_back(
            banded(preset(i, "Gamma", [g = gammas[i]](pix::PixImage& img) { pr::Gamma(img, g); })));

    std::vector<Entry> intensity;
    const int amounts[] = {25, 50, 100, -25, -50, -100};
    for (int i = 0; i < 6; ++i)
        intensity.push_back(banded(preset(
            i, "Intensity", [a = amounts[i]](pix::PixImage& img) { pr::Intensity(img, a); })));

    struct Unsharp {
        int threshold;
        double amount, radius;
    };
    std::vector<Entry> unsharp;
    const Unsharp unsharpPresets[] = {{0, 1.0, 2.4}, {8, 5.0, 2.6}, {0, 29.0, 5.0}, {0, 5.0, 10.0}};
    for (int i = 0; i < 4; ++i)
        unsharp.push_back(preset(i, "Unsharp Mask", [u = unsharpPresets[i]](pix::PixImage& img) {
            pr::UnsharpMask(img, u.threshold, u.amount, u.radius);
        }));

    std::vector<Entry> morpho;
    for (int op = 0; op < 5; ++op)
        morpho.push_back(preset(op, "Morphology", [op](pix::PixImage& img) {
            const pix::ops::Element element{3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1}};
            pr::Morphology(img, element, op);
        }));

    std::vector<Entry> negativeColours;
    const uint32_t pure[] = {0x0000FF, 0x00FF00, 0xFF0000}; // red, green, blue as 0x00BBGGRR
    for (int i = 0; i < 3; ++i)
        negativeColours.push_back(banded(preset(i, "Negative", [c = pure[i]](pix::PixImage& img) {
            pr::Negative(img, pix::MakeColor(c, 255));
        })));

    const auto numbered = FailureStyle::NumberAndDescription;
    return {
        presets("mnuFiltersBlurAction", "FiltersBlurAction", blur),
        presets("mnuFiltersSharpenAction", "FiltersSharpenAction",
                percentSteps("Sharpen",
                             [](pix::PixImage& img, int p) { pr::Sharpen(img, p, 3, true); })),
        presets("mnuFiltersSoftenAction", "FiltersSoftenAction",
                percentSteps("Soften", [](pix::PixImage& img, int p) { pr::Soften(img, p); })),
        presets(
            "mnuFiltersVibrationAction", "FiltersVibrationAction",
            percentSteps("Vibration", [](pix::PixImage& img, int p) { pr::Vibration(img, p); })),
        presets("mnuEdgeDetectionAction", "EdgeDetectionAction",
                percentSteps("Edge Detection",
                             [](pix::PixImage& img, int p) { pr::EdgeDetect(img, p); })),
        presets("mnuFiltersGammaAction", "FiltersGammaAction", gamma),
        presets("mnuFiltersIntensifyAction", "FiltersIntensifyAction", intensity),
        presets("mnuFiltersUnsharpMaskAction", "FiltersUnsharpMaskAction", unsharp),
        presets("mnuFiltersMorpho", "FiltersMorpho", morpho),
        presets("mnuFiltersNegativeWhite", "FiltersNegativeWhite",
                {banded(preset(-1, "Negative", [](pix::PixImage& img) { pr::Negative(img); }))}),
        presets("mnuFiltersNegativeCols", "FiltersNegativeCols", negativeColours),
        // "By Color...": the reference colour from its dialog, on the document image itself.
        presets("mnuFiltersNegativeColor", "FiltersNegativeColor",
                {{.index = -1,
                  .title = t("Negative Color"),
                  .rows = {colour(t("Color"), 0x8000FF)}, // red 255, green 0, blue 128
                  .call = [](pix::PixImage& img,
                             const Values& v) { pr::NegativeByColor(img, v.colour(0, 255)); },
                  .input = Input::Preview,
                  .target = Target::Document,
                  .previewDialog = t("frmNegativeColor"),
                  .streams = Streams::Bands}}),
        presets("mnuFiltersCustomFilterColorEmboss", "FiltersCustomFilterColorEmboss",
                {preset(-1, "Color Relief",
                        [](pix::PixImage& img) {
                            pr::CustomFilter(img, kernel(3, {3, 2, 1, 2, 0, -2, 1, -2, -5}), 10.0,
                                             0, t("Color Relief Filter"));
                        })},
                numbered),
        presets("mnuFiltersCustomFilterOilPainting", "FiltersCustomFilterOilPainting",
                {preset(-1, "Oil Painting",
                        [](pix::PixImage& img) {
                            pr::CustomFilter(
                                img, kernel(3, {-3, -3, -3, -1, -1, -1, 0, 0, 0, 1, 1, 1, 3, 3, 3}),
                                -0.3, 0, t("Oil Painting Filter"));
                        })},
                numbered),
        presets("mnuFiltersCustomMatrixNightLine", "FiltersCustomMatrixNightLine",
                {preset(-1, "Night Line",
                        [](pix::PixImage& img) {
                            pr::CustomMatrix(img, kernel(3, {0.5, 0, 0.5, 0, 2, 0, 0.5, 0, 0.5}),
                                             10.0, 7, false, false, t("Night Line Matrix"));
                        })},
                numbered),
        presets("mnuFiltersCustomMatrixPurpleHaze", "FiltersCustomMatrixPurpleHaze",
                {preset(-1, "Purple Haze",
                        [](pix::PixImage& img) {
                            pr::CustomMatrix(img, kernel(3, {0, 0, 1, -1, -2, -1, 0, 0, 1}), 7.0, 5,
                                             true, true, t("Purple Haze Matrix"));
                        })},
                numbered),
        presets("mnuFiltersDemosPatchWork", "FiltersDemosPatchWork",
                {preset(-1, "PatchWork Mosaic",
                        [](pix::PixImage& img) {
                            eachStep({[&] { pr::Mosaic(img, 26, 22, 1, t("Patchwork Mosaic")); },
                                      [&] { pr::Mosaic(img, 17, 41, 2, kNoUndo); },
                                      [&] { pr::Mosaic(img, 35, 10, 4, kNoUndo); },
                                      [&] { pr::Mosaic(img, 5, 5, 7, kNoUndo); }});
                        })},
                FailureStyle::DescriptionOnly),
        // Charcoal: the image brightened and turned grey, with its dark strokes drawn over it
        // and softened.
        presets("mnuFiltersDemosCharcoal", "FiltersDemosCharcoal",
                {preset(-1, "Charcoal",
                        [](pix::PixImage& img) {
                            const QImage lines = strokes(
                                img, [](pix::PixImage&) {}, /*negative=*/true);
                            eachStep({[&] { pr::Intensity(img, 100, kNoUndo); },
                                      [&] { pr::Grayscale(img, kNoUndo); },
                                      [&] { pix::Draw::DrawImageAlpha(img, lines, 0, 0, kNoUndo); },
                                      [&] { pr::Blur(img, 60, 3, true, kNoUndo); }});
                        })},
                numbered),
        // Flaky Paint: the image's light grey keyed out, with its edge strokes drawn over it.
        presets("mnuFiltersDemosFlakyPaint", "FiltersDemosFlakyPaint",
                {preset(-1, "Flaky Paint",
                        [](pix::PixImage& img) {
                            const QImage lines = strokes(
                                img, [](pix::PixImage& t) { pr::EdgeDetect(t, 10, kNoUndo); },
                                /*negative=*/false);
                            eachStep(
                                {[&] {
                                     pr::ColorKey(img, pix::MakeColor(0xD0D0D0, 255), 0, 0, true,
                                                  kNoUndo);
                                 },
                                 [&] { pix::Draw::DrawImageAlpha(img, lines, 0, 0, kNoUndo); }});
                        })},
                numbered),
    };
}

} // namespace

const std::vector<const Catalogue*>& filtersCatalogues() {
    static const std::vector<Catalogue> tables = [] {
        std::vector<Catalogue> all{filters()};
        for (Catalogue& c : presetCatalogues()) all.push_back(std::move(c));
        return all;
    }();
    static const std::vector<const Catalogue*> pointers = pointersTo(tables);
    return pointers;
}

} // namespace catalogue
