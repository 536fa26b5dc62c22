// The Effects renderings and the perspective warp on the 12-megapixel photograph (uncompressed
// TIFF in and out): the menu entry in-process as pixendra-convert runs it, the engine operation
// alone, pixendra-convert as a whole process against ImageMagick's convert where it has the
// operation (-distort perspective, -shadow; a screened blur as the nearest glow), and OpenCV's
// warpPerspective at two threads for the warp alone. A summary follows the benchmark output.
#include "cli/catalogue_apply.h"
#include "engine/image_type.h"
#include "engine/ops/drop_shadow.h"
#include "engine/ops/gauzy.h"
#include "engine/ops/perspective.h"
#include "engine/ops/sketch.h"
#include "engine/pix_image.h"

#include "bench_support.h"

#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

using namespace benchsupport;

namespace {

const QString kNoUndo = QStringLiteral("no undo");

struct Setup {
    QTemporaryDir dir;
    QString converter = converterPath();
    QString input;
    pix::PixPage page;
    QImage photo; // 32-bit working form
};

Setup& setup() {
    static Setup s;
    return s;
}

// The "Right to Left" example's points on the photograph.
const pix::ops::Quad kCorners = {QPointF(0, kH - 1), QPointF(0, 0), QPointF(kW - 1, 0),
                                 QPointF(kW - 1, kH - 1)};
const pix::ops::Quad kRightToLeft = {QPointF(0, kH - 1), QPointF(0, 0), QPointF(kW - 1, kH / 4),
                                     QPointF(kW - 1, kH - kH / 4)};

struct Operation {
    QString name;
    QString menuPath;
    std::function<void(const QImage&)> alone;
    QStringList magick{}; // between input and output; empty: no such operation
    bool approximate = false;
    std::function<void()> opencv{};
};

QList<Operation> operations() {
    static cv::Mat out;
    const QString distort = QStringLiteral("0,%1 0,%1  0,0 0,0  %2,0 %2,%3  %2,%1 %2,%4")
                                .arg(kH - 1)
                                .arg(kW - 1)
                                .arg(kH / 4)
                                .arg(kH - kH / 4);
    return {
        {.name = "perspective_right_to_left",
         .menuPath = "Effects/Perspective/Right to Left",
         .alone =
             [](const QImage& w) {
                 benchmark::DoNotOptimize(pix::ops::perspective(w, kCorners, kRightToLeft, true));
             },
         .magick = {"-alpha", "set", "-virtual-pixel", "transparent", "-distort", "Perspective",
                    distort},
         .opencv =
             [] {
                 std::vector<cv::Point2f> a, b;
                 for (int i = 0; i < 4; ++i) {
                     a.emplace_back(kCorners[size_t(i)].x(), kCorners[size_t(i)].y());
                     b.emplace_back(kRightToLeft[size_t(i)].x(), kRightToLeft[size_t(i)].y());
                 }
                 const QImage& p = setup().photo;
                 cv::Mat src(p.height(), p.width(), CV_8UC4, const_cast<uchar*>(p.constBits()),
                             size_t(p.bytesPerLine()));
                 cv::warpPerspective(src, out, cv::getPerspectiveTransform(a, b), src.size(),
                                     cv::INTER_LINEAR, cv::BORDER_CONSTANT);
             }},
        {.name = "drop_shadow_light",
         .menuPath = "Effects/Drop Shadow/Right-Bottom light",
         .alone =
             [](const QImage& w) {
                 benchmark::DoNotOptimize(
                     pix::ops::dropShadow(w, 10, 10, qRgba(0, 0, 0, 128), 255.0, true));
             },
         .magick = {"(", "+clone", "-background", "black", "-shadow", "50x8+10+10", ")", "+swap",
                    "-background", "none", "-layers", "merge"}},
        {.name = "gauzy_medium",
         .menuPath = "Effects/Gauzy/Meduim",
         .alone =
             [](const QImage& w) {
                 benchmark::DoNotOptimize(
                     pix::ops::gauzy(w, 50, 60, 50, pix::ops::GauzyMode::Desaturated));
             },
         .magick = {"(", "+clone", "-blur", "0x10", ")", "-compose", "screen", "-composite"},
         .approximate = true},
        {.name = "scribble_heavy",
         .menuPath = "Effects/Scribble/Heavy",
         .alone = [](const QImage& w) { benchmark::DoNotOptimize(pix::ops::scribble(w, 100)); }},
        {.name = "stipple_glass",
         .menuPath = "Effects/Stipple/Glass",
         .alone = [](const QImage& w) { benchmark::DoNotOptimize(pix::ops::stipple(w, 100)); }},
    };
}

void registerOperation(const Operation& op) {
    const Setup& s = setup();
    const QString base = "op/" + op.name + "/";
    const QString out = s.dir.path() + "/out_" + op.name;
    registerTimed(
        base + "pixendra",
        [op, key = base + "pixendra"](benchmark::State& st) {
            std::unique_ptr<pix::PixImage> image;
            timeInProcess(
                st, key,
                [&] {
                    image = std::make_unique<pix::PixImage>();
                    image->setPage(setup().page, kNoUndo);
                },
                [&] {
                    QString error;
                    if (pixcli::applyCatalogueEntry(*image, op.menuPath, {}, &error) != 0)
                        fail(st, key, error);
                });
        },
        2);
    registerTimed(
        base + "pixendra_op",
        [op, key = base + "pixendra_op"](benchmark::State& st) {
            timeInProcess(st, key, {}, [&] { op.alone(setup().photo); });
        },
        2);
    if (op.opencv)
        registerTimed(
            base + "opencv",
            [op, key = base + "opencv"](benchmark::State& st) {
                cv::setNumThreads(2);
                timeInProcess(st, key, {}, op.opencv);
            },
            2);
    const QStringList ours{s.converter, s.input, out + ".tif", "--apply", op.menuPath};
    registerTimed(
        base + "pixendra-convert",
        [ours, key = base + "pixendra-convert"](benchmark::State& st) {
            timeProcess(st, key, ours);
        },
        1);
    if (!op.magick.isEmpty()) {
        const QStringList argv =
            QStringList{kMagick, s.input} + op.magick + QStringList{"+repage", out + "_im.tif"};
        registerTimed(
            base + "convert",
            [argv, key = base + "convert"](benchmark::State& st) { timeProcess(st, key, argv); },
            1);
    }
}

void printSummary(const QList<Operation>& ops) {
    std::printf("\nSummary, fastest run in milliseconds, 4000 x 3000 photograph, uncompressed TIFF "
                "in and out (~: ImageMagick's nearest operation, not the same one)\n");
    std::printf("%-26s %8s %8s %8s %9s %8s %6s  %s\n", "operation", "in-proc", "op", "opencv",
                "process", "convert", "ratio", "whole process <= 0.8x fastest peer");
    for (const Operation& op : ops) {
        const QString base = "op/" + op.name + "/";
        const auto ours = fastest().find(base + "pixendra-convert");
        const auto peer = fastest().find(base + "convert");
        QString ratio = QStringLiteral("-"), verdict = QStringLiteral("no peer");
        if (ours != fastest().end() && peer != fastest().end()) {
            ratio = QString::number(*ours / *peer, 'f', 2);
            verdict = *ours / *peer <= 0.8 ? "met" : "MISSED";
        }
        std::printf("%-26s %8s %8s %8s %9s %8s %6s  %s%s\n", qPrintable(op.name),
                    qPrintable(ms(base + "pixendra")), qPrintable(ms(base + "pixendra_op")),
                    qPrintable(ms(base + "opencv")), qPrintable(ms(base + "pixendra-convert")),
                    qPrintable(ms(base + "convert")), qPrintable(ratio), qPrintable(verdict),
                    op.approximate ? " ~" : "");
    }
    for (const auto& [key, reason] : failures().asKeyValueRange())
        std::printf("failed: %s: %s\n", qPrintable(key), qPrintable(reason));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Setup& s = setup();
    if (!QFileInfo(s.converter).isExecutable()) {
        std::fprintf(stderr, "pixendra-convert not found at %s; set PIXENDRA_CONVERT\n",
                     qPrintable(s.converter));
        return 1;
    }
    s.input = s.dir.path() + QStringLiteral("/photo.tif");
    if (!writePhotograph(s.input)) {
        std::fprintf(stderr, "could not make the photograph (are plasma-workspace-wallpapers and "
                             "ImageMagick installed?)\n");
        return 1;
    }
    pix::PixImage loaded;
    loaded.LoadFromFile(s.input, kNoUndo);
    s.page = loaded.page(0);
    s.photo = pix::toWorkingFormat(s.page.image, s.page.type);
    const QList<Operation> ops = operations();
    for (const Operation& op : ops) registerOperation(op);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary(ops);
    return 0;
}
