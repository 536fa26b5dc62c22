// The Effects operations on a 12-megapixel photograph (a 2 x 2 mosaic of the photographs in
// Debian's plasma-workspace-wallpapers, cut to 4000 x 3000, as the codecs benchmark builds it),
// saved once as an uncompressed TIFF that every program reads and writes:
//   - in-process: the menu entry run through the catalogue on the loaded image, as
//     pixendra-convert runs it, and the engine operation alone on the 32-bit working image;
//   - whole processes: pixendra-convert --apply against vips, gm and ImageMagick's convert doing
//     the same operation on the same file;
//   - OpenCV at two threads doing the operation alone where it has one.
// Each measurement keeps the fastest of three repetitions (programs: one run each; in-process:
// the mean of a repetition). A summary with the ratios and the targets follows the benchmark
// output. PIXENDRA_CONVERT names the converter (default: ../cli/pixendra-convert next to this
// program).
#include "engine/image_type.h"
#include "engine/ops/bevel.h"
#include "engine/ops/blur_motion.h"
#include "engine/ops/canvas.h"
#include "engine/ops/color_replace.h"
#include "engine/ops/crackle.h"
#include "engine/ops/emboss_shape.h"
#include "engine/ops/histogram.h"
#include "engine/ops/noise.h"
#include "engine/ops/resample.h"
#include "engine/ops/rotate.h"
#include "engine/ops/warp.h"

#include "bench_support.h"

#include <cstring>
#include <opencv2/imgproc.hpp>

using namespace pix::ops;
using namespace benchsupport;

namespace {

// ---- The picture

pix::PixPage page; // the photograph as pixendra-convert loads it
QImage photo;      // its 32-bit working form, input of the operations alone

// ---- The operations

// One Effects operation: the menu entry with its rows, the engine call alone, each peer's
// arguments (between input and output; empty when it has no such operation) and OpenCV's.
struct Operation {
    QString name{};
    QString menuPath{}; // empty: the operation has no menu entry the converter can run
    QList<QPair<QString, QString>> sets{};
    std::function<void(QImage& work)> alone{}; // on a reused copy of the working image
    QStringList vips{}, gm{}, magick{};        // vips: the operation and its arguments after it
    bool approximate = false;                  // the peers' nearest operation, not the same one
    std::function<void()> opencv{};
};

QImage scratch; // the reused working copy of the operations alone

QList<Operation> operations() {
    static cv::Mat out;
    QList<Operation> ops;
    ops.append(
        {.name = "resize_half_lanczos3",
         .menuPath = "Transforms/Resize...",
         .sets = {{"Width:", "2000"}, {"Method:", "Lanczos3 Filter"}},
         .alone = [](QImage& w) { benchmark::DoNotOptimize(resample(w, kW / 2, kH / 2, 15)); },
         .vips = {"resize", "0.5", "--kernel", "lanczos3"},
         .gm = {"-filter", "Lanczos", "-resize", "2000x1500!"},
         .magick = {"-filter", "Lanczos", "-resize", "2000x1500!"},
         .opencv =
             [] {
                 cv::resize(asMat(photo), out, cv::Size(kW / 2, kH / 2), 0, 0, cv::INTER_LANCZOS4);
             }});
    ops.append(
        {.name = "resize_half_bicubic",
         .menuPath = "Transforms/Resize...",
         .sets = {{"Width:", "2000"}, {"Method:", "Bi-Cubic"}},
         .alone = [](QImage& w) { benchmark::DoNotOptimize(resample(w, kW / 2, kH / 2, 1)); },
         .vips = {"resize", "0.5", "--kernel", "cubic"},
         .gm = {"-filter", "Catrom", "-resize", "2000x1500!"},
         .magick = {"-filter", "Catrom", "-resize", "2000x1500!"},
         .opencv =
             [] {
                 cv::resize(asMat(photo), out, cv::Size(kW / 2, kH / 2), 0, 0, cv::INTER_CUBIC);
             }});
    const QSize turned = rotatedBounds(kW, kH, 30);
    ops.append({.name = "rotate_30",
                .menuPath = "Transforms/Rotate...",
                .sets = {{"Angle:", "30"}},
                .alone = [](QImage& w) { benchmark::DoNotOptimize(rotate(w, 30, 0xFF000000u)); },
                .vips = {"rotate", "30"},
                .gm = {"-background", "black", "-rotate", "30"},
                .magick = {"-background", "black", "-rotate", "30"},
                .opencv =
                    [turned] {
                        cv::Mat m =
                            cv::getRotationMatrix2D(cv::Point2f(kW / 2.f, kH / 2.f), -30, 1.0);
                        m.at<double>(0, 2) += (turned.width() - kW) / 2.0;
                        m.at<double>(1, 2) += (turned.height() - kH) / 2.0;
                        cv::warpAffine(asMat(photo), out, m,
                                       cv::Size(turned.width(), turned.height()), cv::INTER_LINEAR);
                    }});
    ops.append({.name = "rotate_90",
                .menuPath = "Transforms/Rotate...",
                .sets = {{"Angle:", "90"}},
                .alone = [](QImage& w) { benchmark::DoNotOptimize(rotate(w, 90, 0xFF000000u)); },
                .vips = {"rot", "d90"},
                .gm = {"-rotate", "90"},
                .magick = {"-rotate", "90"},
                .opencv = [] { cv::rotate(asMat(photo), out, cv::ROTATE_90_CLOCKWISE); }});
    ops.append(
        {.name = "skew_40",
         .menuPath = "Transforms/Skew...",
         .sets = {{"Offset:", "40"}},
         .alone = [](QImage& w) { benchmark::DoNotOptimize(skew(w, 0, 40, 0xFFFFFFFFu, false)); },
         .gm = {"-background", "white", "-shear", "0.764x0"},
         .magick = {"-background", "white", "-shear", "0.764x0"}});
    ops.append(
        {.name = "resize_canvas",
         .menuPath = "Transforms/Resize Canvas...",
         .sets =
             {{"Width:", "4020"}, {"Height:", "3020"}, {"Offset X:", "10"}, {"Offset Y:", "10"}},
         .alone =
             [](QImage& w) {
                 benchmark::DoNotOptimize(resizeCanvas(w, kW + 20, kH + 20, 0xFF000000u, 10, 10));
             },
         .gm = {"-bordercolor", "black", "-border", "10x10"},
         .magick = {"-bordercolor", "black", "-border", "10x10"}});
    ops.append({.name = "add_border",
                .menuPath = "Effects/Add Border",
                .alone =
                    [](QImage& w) {
                        benchmark::DoNotOptimize(
                            resizeCanvas(w, kW + 20, kH + 20, 0xFF000000u, 10, 10));
                    },
                .gm = {"-bordercolor", "black", "-border", "10x10"},
                .magick = {"-bordercolor", "black", "-border", "10x10"}});
    ops.append(
        {"replace_color",
         "Effects/Replace a Color...",
         {{"Old Color:", "#808080"}, {"New Color:", "#00FF00"}, {"Tolerance [0..100]:", "10"}},
         [](QImage& w) { replaceColor(w, 0xFF808080u, 0xFF00FF00u, 10, true); },
         {},
         {"-fuzz", "10%", "-fill", "#00FF00", "-opaque", "#808080"},
         {"-fuzz", "10%", "-fill", "#00FF00", "-opaque", "#808080"}});
    ops.append({.name = "bevel_edge",
                .menuPath = "Effects/Bevel Edge",
                .alone = [](QImage& w) { bevelEdge(w, 10, 140, 140, 80, 80, 100); },
                .gm = {"-raise", "10x10"},
                .magick = {"-raise", "10x10"},
                .approximate = true});
    ops.append({.name = "crackle", .menuPath = "Effects/Crackle", .alone = [](QImage& w) {
                    crackle(w, 50, 0);
                }});
    ops.append({.name = "histogram_stretch",
                .menuPath = "Effects/Histogram Stretch",
                .alone = [](QImage& w) { histogramStretch(w, 0, 255, 7); },
                .gm = {"-normalize"},
                .magick = {"-normalize"}});
    ops.append({.name = "histogram_equalize",
                .menuPath = "Effects/Histogram Equalize",
                .alone = [](QImage& w) { histogramEqualize(w, 0, 255, 7); },
                .vips = {"hist_equal"},
                .gm = {"-equalize"},
                .magick = {"-equalize"},
                .opencv =
                    [] {
                        static std::vector<cv::Mat> planes;
                        cv::split(asMat(photo), planes);
                        for (int c = 0; c < 3; ++c) cv::equalizeHist(planes[c], planes[c]);
                        cv::merge(planes, out);
                    }});
    ops.append({.name = "motion_blur_linear",
                .menuPath = "Effects/Motion Blur",
                .alone = [](QImage& w) { benchmark::DoNotOptimize(motionBlur(w, 10, 2, 90, 0)); },
                .gm = {"-motion-blur", "10x5+90"},
                .magick = {"-motion-blur", "10x5+90"}});
    ops.append({.name = "emboss_shape",
                .menuPath = "Effects/Emboss Shape",
                .alone = [](QImage& w) { embossShape(w, 5, 45, 100, 0xFF000000u, 0xFFFFFFFFu); },
                .gm = {"-shade", "45x30"},
                .magick = {"-shade", "45x30"},
                .approximate = true});
    ops.append({.name = "hugo_noise",
                .menuPath = "Effects/HugoNoise...",
                .sets = {{"Width:", "4000"}, {"Height:", "3000"}},
                .alone = [](QImage&) { benchmark::DoNotOptimize(hugoNoise(kW, kH, 3, 50, 50)); },
                .gm = {"-size", "4000x3000", "plasma:fractal"},
                .magick = {"-size", "4000x3000", "plasma:fractal"},
                .approximate = true});
    ops.append({.name = "perlin_noise",
                .menuPath = "Effects/PerlinNoise...",
                .sets = {{"Width:", "4000"}, {"Height:", "3000"}},
                .alone = [](QImage&) { benchmark::DoNotOptimize(perlinNoise(kW, kH, 50)); },
                .gm = {"-size", "4000x3000", "plasma:fractal"},
                .magick = {"-size", "4000x3000", "plasma:fractal"},
                .approximate = true});
    ops.append({.name = "warp", .alone = [](QImage& w) { warp(w, 2000, 1500, 2300, 1600); }});
    return ops;
}

bool generator(const Operation& op) {
    return op.gm.contains(QStringLiteral("-size"));
}

void restoreScratch() {
    std::memcpy(scratch.bits(), photo.constBits(), size_t(photo.sizeInBytes()));
}

void registerOperation(const Operation& op, const QString& converter) {
    const QString base = "op/" + op.name + "/";
    if (!op.menuPath.isEmpty())
        registerMenuEntry(base + "pixendra", page, op.menuPath, op.sets, {}, 0);
    registerInProcess(
        base + "pixendra_op", [op] { op.alone(scratch); }, 0, restoreScratch);
    if (op.opencv) registerInProcess(base + "opencv", op.opencv, 0, [] { cv::setNumThreads(2); });
    if (op.menuPath.isEmpty()) return;
    const QString out = workDir().path() + "/out_" + op.name;
    QStringList ours{converter, photographPath(), out + ".tif", "--apply", op.menuPath};
    for (const auto& [caption, value] : op.sets) ours << "--set" << caption + "=" + value;
    registerProcess(base + "pixendra-convert", ours);
    registerPeers(base, {op.vips, op.gm, op.magick},
                  generator(op) ? QStringList{} : QStringList{photographPath()}, out, {"+repage"});
}

// Baselines: one plain copy of the 48 MB picture into a reused buffer, and into a fresh one
// (paying for the new buffer's page faults); and the whole process that only converts the file.
void registerBaselines(const QString& converter) {
    registerInProcess(
        "baseline/copy_48MB/pixendra",
        [] {
            restoreScratch();
            benchmark::ClobberMemory();
        },
        0);
    registerInProcess(
        "baseline/copy_fresh_48MB/pixendra", [] { benchmark::DoNotOptimize(photo.copy()); }, 0);
    registerPlainCopies("op/", converter, photographPath(), workDir().path() + "/out_copy");
}

// ---- Summary

void printSummary(const QList<Operation>& ops) {
    std::printf("\nSummary, fastest run in milliseconds, 4000 x 3000 photograph, uncompressed TIFF "
                "in and out\n(in-proc: the menu entry on the loaded image; op: the engine call "
                "alone; ~: the peers' nearest operation, not the same one)\n");
    std::printf("%-22s %8s %8s %9s %8s %8s %8s %7s  %s\n", "operation", "in-proc", "op", "process",
                "vips", "gm", "convert", "ratio", "whole process <= 0.8x fastest peer");
    QStringList names;
    for (const Operation& op : ops) names << op.name;
    names << QStringLiteral("tiff_to_tiff");
    for (const QString& name : names) {
        const QString base = "op/" + name + "/";
        const Verdict v = againstFastestPeer(base);
        bool approx = false;
        for (const Operation& op : ops) approx |= op.name == name && op.approximate;
        std::printf("%-22s %8s %8s %9s %8s %8s %8s %7s  %s%s\n", qPrintable(name),
                    qPrintable(ms(base + "pixendra")), qPrintable(ms(base + "pixendra_op")),
                    qPrintable(ms(base + "pixendra-convert")), qPrintable(ms(base + "vips")),
                    qPrintable(ms(base + "gm")), qPrintable(ms(base + "convert")),
                    qPrintable(v.ratio), qPrintable(v.text), approx ? " ~" : "");
    }
    printAgainstOpenCV("operation alone", "op/", names, 0);
    const auto copy = fastest().find("baseline/copy_48MB/pixendra");
    if (copy == fastest().end()) return;
    std::printf("\n%-22s %8s %8s %7s  %s\n", "against a 48 MB copy", "ours", "copy", "ratio",
                "within 3x");
    for (const char* name : {"histogram_stretch", "histogram_equalize"}) {
        const auto a = fastest().find("op/" + QLatin1String(name) + "/pixendra_op");
        if (a == fastest().end()) continue;
        std::printf("%-22s %8.0f %8.0f %7.2f  %s\n", name, *a * 1000, *copy * 1000, *a / *copy,
                    *a <= 3 * *copy ? "met" : "MISSED");
    }
    std::printf("fresh 48 MB copy (with page faults): %s ms\n",
                qPrintable(ms("baseline/copy_fresh_48MB/pixendra")));
}

} // namespace

int main(int argc, char** argv) {
    QString converter;
    if (!startWithConverter(argc, argv, converter, page)) return 1;
    photo = pix::toWorkingFormat(page.image, page.type);
    scratch = photo.copy();
    const QList<Operation> ops = operations();
    for (const Operation& op : ops) registerOperation(op, converter);
    registerBaselines(converter);
    runAll();
    printSummary(ops);
    return 0;
}
