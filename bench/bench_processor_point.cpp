// The Processor group's point and colour operations on a 12-megapixel photograph (a 2 x 2 mosaic
// of the photographs in Debian's plasma-workspace-wallpapers, cut to 4000 x 3000, as the other
// benchmarks build it), saved once as an uncompressed TIFF:
//   - in-process: each operation alone on the 32-bit working image, in place, against one plain
//     copy of the 48 MB picture into a reused buffer (target: point maps within 3x that copy);
//   - load, operation and save of the TIFF in this process through the Processor group (no menu
//     entry reaches these operations yet, so pixendra-convert cannot run them);
//   - whole processes: vips, gm and ImageMagick's convert doing the nearest operation they have
//     on the same file.
// Each measurement keeps the fastest of three repetitions (in-process: of their means). A summary
// follows the benchmark output.
#include "engine/image_type.h"
#include "engine/ops/colour_point.h"
#include "engine/ops/dither_two.h"
#include "engine/ops/halftone.h"
#include "engine/ops/mosaic.h"
#include "engine/ops/noise_add.h"
#include "engine/ops/red_eye.h"
#include "engine/ops/tone_point.h"
#include "engine/pix_image.h"
#include "engine/processor_point.h"

#include "bench_support.h"

#include <cstring>

using namespace pix;
using namespace benchsupport;

namespace {

const QString kNoUndo = QStringLiteral("no undo");

QImage photo;   // the photograph's 32-bit working form
QImage scratch; // the reused working copy of the operations alone

void restoreScratch() {
    std::memcpy(scratch.bits(), photo.constBits(), size_t(photo.sizeInBytes()));
}

// One operation: the engine op alone on the working image, the Processor call, and each peer's
// arguments between input and output (vips: the operation name first, its arguments after the
// files; empty when the peer has nothing close).
struct Operation {
    QString name;
    bool point = false; // a point map, held to 3x a plain copy
    std::function<void(QImage& work)> alone;
    std::function<void(PixImage&)> call;
    QStringList vips{}, gm{}, magick{};
    bool approximate = false; // the peers' nearest operation, not the same one
};

QList<Operation> operations() {
    using namespace ops;
    auto curve = [](ToneCurves c) { return [c](QImage& w) { applyToneCurves(w, w, c, {}); }; };
    return {
        {"gamma_1.5",
         true,
         curve(sameCurves(gammaTable(1.5))),
         [](PixImage& i) { Processor::Gamma(i, 1.5, kNoUndo); },
         {"gamma", "--exponent", "1.5"},
         {"-gamma", "1.5"},
         {"-gamma", "1.5"}},
        {"intensity_+50",
         true,
         curve(sameCurves(intensityTable(50))),
         [](PixImage& i) { Processor::Intensity(i, 50, kNoUndo); },
         {"linear", "1", "50", "--uchar"},
         {"-operator", "All", "Add", "19.6%"},
         {"-evaluate", "add", "19.6%"}},
        {"negative",
         true,
         curve(sameCurves(negativeTable())),
         [](PixImage& i) { Processor::Negative(i, std::nullopt, kNoUndo); },
         {"invert"},
         {"-negate"},
         {"-negate"}},
        {"threshold_30_255",
         true,
         [](QImage& w) { threshold(w, w, 30, 255, true); },
         [](PixImage& i) { Processor::Threshold(i, 30, 255, true, kNoUndo); },
         {},
         {"-colorspace", "gray", "-threshold", "11.8%"},
         {"-colorspace", "gray", "-threshold", "11.8%"},
         true},
        {"posterize_4",
         true,
         curve(sameCurves(posterizeTable(kPosterizeLevels))),
         [](PixImage& i) { Processor::Posterize(i, kNoUndo); },
         {},
         {},
         {"-posterize", "4"}},
        {"solarize",
         true,
         curve(sameCurves(solarizeTable(0))),
         [](PixImage& i) { Processor::Solarize(i, 0, kNoUndo); },
         {},
         {"-solarize", "50%"},
         {"-solarize", "50%"}},
        {"tint_40", true, curve(tintCurves(40)),
         [](PixImage& i) { Processor::Tint(i, 40, kNoUndo); }},
        {"saturation_1.5",
         true,
         [](QImage& w) { saturate(w, w, 1.5); },
         [](PixImage& i) { Processor::Saturation(i, 1.5, kNoUndo); },
         {},
         {"-modulate", "100,150"},
         {"-modulate", "100,150"},
         true},
        {"brightness_contrast",
         true,
         curve(sameCurves(brightnessContrastTable(20, -10))),
         [](PixImage& i) { Processor::BrightnessContrast(i, 20, -10, true, kNoUndo); },
         {},
         {},
         {"-brightness-contrast", "20x-10"}},
        {"duotone", false, [](QImage& w) { duotone(w, w, qRgb(192, 128, 32)); },
         [](PixImage& i) { Processor::Duotone(i, MakeColor(0x2080C0, 255), kNoUndo); }},
        {"auto_brightness",
         false,
         [](QImage& w) { autoBrightness(w, w, 8, 248, false); },
         [](PixImage& i) { Processor::AutoBrightness(i, 8, 248, false, kNoUndo); },
         {},
         {"-normalize"},
         {"-normalize"},
         true},
        {"add_noise_gaussian",
         false,
         [](QImage& w) { addNoise(w, w, kNoiseGaussian, 100, false, true, 1); },
         [](PixImage& i) { Processor::AddNoise(i, 0, 100, false, true, kNoUndo); },
         {},
         {"+noise", "Gaussian"},
         {"+noise", "Gaussian"},
         true},
        {"mosaic_10",
         false,
         [](QImage& w) { mosaic(w, 10, 10, 7); },
         [](PixImage& i) { Processor::Mosaic(i, 10, 10, 7, kNoUndo); },
         {},
         {"-scale", "10%", "-scale", "1000%"},
         {"-scale", "10%", "-scale", "1000%"},
         true},
        {"halftone_3",
         false,
         [](QImage& w) { halftone(w, 3, false); },
         [](PixImage& i) { Processor::Halftone(i, 3, false, kNoUndo); },
         {},
         {},
         {"-colorspace", "gray", "-ordered-dither", "h6x6o"},
         true},
        {"red_eye_all", false, [](QImage& w) { redEyeReduction(w, 0, 0, kW, kH, 50, 50); },
         [](PixImage& i) { Processor::RedEyeReduction(i, 0, 0, kW, kH, 50, 50, kNoUndo); }},
        {"grayscale",
         false,
         [](QImage& w) { benchmark::DoNotOptimize(grayscale8(w)); },
         [](PixImage& i) { Processor::Grayscale(i, kNoUndo); },
         {"colourspace", "b-w"},
         {"-colorspace", "gray"},
         {"-colorspace", "gray"}},
        {"dither_two",
         false,
         [](QImage& w) { benchmark::DoNotOptimize(ditherTwoColors(w)); },
         [](PixImage& i) { Processor::DitherTwoColors(i, kNoUndo); },
         {},
         {"-monochrome"},
         {"-monochrome"},
         true},
    };
}

void registerOperation(const Operation& op) {
    const QString base = "op/" + op.name + "/";
    registerInProcess(
        base + "alone", [op] { op.alone(scratch); }, 0, restoreScratch);
    const QString out = workDir().path() + "/out_" + op.name;
    registerInProcess(
        base + "load_op_save",
        [op, out] {
            PixImage image;
            image.LoadFromFile(photographPath(), kNoUndo);
            op.call(image);
            image.SaveToFile(out + ".tif", 3, 0, false);
        },
        0);
    registerPeers(base, {op.vips, op.gm, op.magick}, {photographPath()}, out);
}

void printSummary(const QList<Operation>& ops) {
    const double copy = fastest().value("baseline/copy_48MB", 0);
    std::printf("\nSummary, fastest run in milliseconds, 4000 x 3000 photograph (~: the peers' "
                "nearest operation)\nplain 48 MB copy: %.1f ms\n",
                copy * 1000);
    std::printf("%-20s %7s %7s %9s %8s %8s %8s  %s\n", "operation", "alone", "x copy",
                "load+op+save", "vips", "gm", "convert", "point map within 3x copy");
    for (const Operation& op : ops) {
        const QString base = "op/" + op.name + "/";
        const double alone = fastest().value(base + "alone", 0);
        std::printf("%-20s %7.1f %7.2f %9s %8s %8s %8s  %s%s\n", qPrintable(op.name), alone * 1000,
                    copy > 0 ? alone / copy : 0.0, qPrintable(ms(base + "load_op_save")),
                    qPrintable(ms(base + "vips")), qPrintable(ms(base + "gm")),
                    qPrintable(ms(base + "convert")),
                    !op.point           ? ""
                    : alone <= 3 * copy ? "met"
                                        : "MISSED",
                    op.approximate ? " ~" : "");
    }
    std::printf("TIFF load + save alone in this process: %s ms; whole-process copies: vips %s, "
                "gm %s, convert %s ms\n",
                qPrintable(ms("op/tiff_to_tiff/load_save")), qPrintable(ms("op/tiff_to_tiff/vips")),
                qPrintable(ms("op/tiff_to_tiff/gm")), qPrintable(ms("op/tiff_to_tiff/convert")));
}

void registerBaselines() {
    registerInProcess(
        "baseline/copy_48MB",
        [] {
            restoreScratch();
            benchmark::ClobberMemory();
        },
        0);
    const QString out = workDir().path() + "/out_copy";
    registerInProcess(
        "op/tiff_to_tiff/load_save",
        [out] {
            PixImage image;
            image.LoadFromFile(photographPath(), kNoUndo);
            image.SaveToFile(out + ".tif", 3, 0, false);
        },
        0);
    registerPlainCopies("op/", {}, photographPath(), out);
}

} // namespace

int main(int argc, char** argv) {
    if (!initialise(argc, argv)) return 1;
    PixImage loaded;
    if (!loadPhotograph(loaded)) return 1;
    photo = toWorkingFormat(loaded.image(), loaded.imageType());
    scratch = photo.copy();
    const QList<Operation> ops = operations();
    registerBaselines();
    for (const Operation& op : ops) registerOperation(op);
    runAll();
    printSummary(ops);
    return 0;
}
