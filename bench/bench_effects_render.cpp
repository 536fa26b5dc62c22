// The Effects renderings and the perspective warp on the 12-megapixel photograph (uncompressed
// TIFF in and out): the menu entry in-process as pixendra-convert runs it, the engine operation
// alone, pixendra-convert as a whole process against ImageMagick's convert where it has the
// operation (-distort perspective, -shadow; a screened blur as the nearest glow), and OpenCV's
// warpPerspective at two threads for the warp alone. A summary follows the benchmark output.
#include "engine/image_type.h"
#include "engine/ops/drop_shadow.h"
#include "engine/ops/gauzy.h"
#include "engine/ops/perspective.h"
#include "engine/ops/sketch.h"

#include "bench_support.h"

#include <opencv2/imgproc.hpp>

using namespace benchsupport;

namespace {

pix::PixPage page; // the photograph as pixendra-convert loads it
QImage photo;      // its 32-bit working form

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
                 const cv::Mat src = asMat(photo);
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

void registerOperation(const Operation& op, const QString& converter) {
    const QString base = "op/" + op.name + "/";
    const QString out = workDir().path() + "/out_" + op.name;
    registerMenuEntry(base + "pixendra", page, op.menuPath, {});
    registerInProcess(
        base + "pixendra_op", [op] { op.alone(photo); }, 2);
    if (op.opencv) registerInProcess(base + "opencv", op.opencv, 2, [] { cv::setNumThreads(2); });
    registerProcess(base + "pixendra-convert",
                    {converter, photographPath(), out + ".tif", "--apply", op.menuPath});
    registerPeers(base, {.magick = op.magick}, {photographPath()}, out, {"+repage"});
}

void printSummary(const QList<Operation>& ops) {
    std::printf("\nSummary, fastest run in milliseconds, 4000 x 3000 photograph, uncompressed TIFF "
                "in and out (~: ImageMagick's nearest operation, not the same one)\n");
    std::printf("%-26s %8s %8s %8s %9s %8s %6s  %s\n", "operation", "in-proc", "op", "opencv",
                "process", "convert", "ratio", "whole process <= 0.8x fastest peer");
    for (const Operation& op : ops) {
        const QString base = "op/" + op.name + "/";
        const Verdict v = againstFastestPeer(base, {"convert"}, false);
        std::printf("%-26s %8s %8s %8s %9s %8s %6s  %s%s\n", qPrintable(op.name),
                    qPrintable(ms(base + "pixendra")), qPrintable(ms(base + "pixendra_op")),
                    qPrintable(ms(base + "opencv")), qPrintable(ms(base + "pixendra-convert")),
                    qPrintable(ms(base + "convert")), qPrintable(v.ratio), qPrintable(v.text),
                    op.approximate ? " ~" : "");
    }
    printFailures("failed:");
}

} // namespace

int main(int argc, char** argv) {
    QString converter;
    if (!startWithConverter(argc, argv, converter, page)) return 1;
    photo = pix::toWorkingFormat(page.image, page.type);
    const QList<Operation> ops = operations();
    for (const Operation& op : ops) registerOperation(op, converter);
    runAll();
    printSummary(ops);
    return 0;
}
