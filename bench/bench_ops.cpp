// Effects operations on a 12-megapixel picture: our code in-process, OpenCV doing the same
// operation alone at two threads, and vips / gm / ImageMagick as whole processes on a file.
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

#include <QDir>
#include <QImage>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

using namespace pix::ops;

namespace {

constexpr int kW = 4000, kH = 3000;

// A photograph-like test picture: smooth light, texture and hard edges, made once.
const QImage& photo() {
    static const QImage img = [] {
        QImage p = perlinNoise(kW, kH, 30);
        const QImage fine = hugoNoise(kW, kH, 4, 30, 3);
        for (int y = 0; y < kH; ++y) {
            auto* r = reinterpret_cast<uint32_t*>(p.scanLine(y));
            const auto* f = reinterpret_cast<const uint32_t*>(fine.constScanLine(y));
            for (int x = 0; x < kW; ++x) {
                const int g = r[x] & 0xFF;
                const bool block = ((x / 500) + (y / 400)) % 3 == 0;
                const int R = std::min<int>(255, g * x / kW + (f[x] & 0x3F) + (block ? 60 : 0));
                const int G = std::min<int>(255, g * y / kH + ((f[x] >> 8) & 0x3F));
                const int B = std::min<int>(255, g / 2 + ((f[x] >> 16) & 0x7F));
                r[x] = 0xFF000000u | uint32_t(R << 16) | uint32_t(G << 8) | uint32_t(B);
            }
        }
        return p;
    }();
    return img;
}

cv::Mat asMat(const QImage& img) {
    return cv::Mat(img.height(), img.width(), CV_8UC4, const_cast<uchar*>(img.constBits()),
                   size_t(img.bytesPerLine()));
}

// --- our operations ------------------------------------------------------------------------

void BM_Resize(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(resample(photo(), kW / 2, kH / 2, int(s.range(0))));
    s.SetLabel(resizeMethods()[s.range(0)].caption);
}
BENCHMARK(BM_Resize)
    ->Arg(15)
    ->Arg(3)
    ->Arg(0)
    ->Arg(2)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Rotate(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(rotate(photo(), double(s.range(0)), 0xFF000000u));
}
BENCHMARK(BM_Rotate)->Arg(30)->Arg(90)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Skew(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(skew(photo(), 0, 40, 0xFFFFFFFFu, s.range(0)));
}
BENCHMARK(BM_Skew)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResizeCanvas(benchmark::State& s) {
    for (auto _ : s)
        benchmark::DoNotOptimize(resizeCanvas(photo(), kW + 20, kH + 20, 0xFF000000u, 10, 10));
}
BENCHMARK(BM_ResizeCanvas)->Unit(benchmark::kMillisecond)->UseRealTime();

// In-place operations work on one reused copy, as the engine works on a detached page.
template <class Op> void inPlace(benchmark::State& s, Op op) {
    QImage work = photo().copy();
    for (auto _ : s) op(work);
}

void BM_HistogramStretch(benchmark::State& s) {
    inPlace(s, [](QImage& w) { histogramStretch(w, 0, 255, 7); });
}
BENCHMARK(BM_HistogramStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HistogramEqualize(benchmark::State& s) {
    inPlace(s, [](QImage& w) { histogramEqualize(w, 0, 255, 7); });
}
BENCHMARK(BM_HistogramEqualize)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReplaceColor(benchmark::State& s) {
    inPlace(s, [](QImage& w) { replaceColor(w, 0xFF808080u, 0xFF00FF00u, 10, true); });
}
BENCHMARK(BM_ReplaceColor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BevelEdge(benchmark::State& s) {
    inPlace(s, [](QImage& w) { bevelEdge(w, 10, 140, 140, 80, 80, 100); });
}
BENCHMARK(BM_BevelEdge)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Crackle(benchmark::State& s) {
    inPlace(s, [&](QImage& w) { crackle(w, 50, int(s.range(0))); });
}
BENCHMARK(BM_Crackle)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Warp(benchmark::State& s) {
    inPlace(s, [](QImage& w) { warp(w, 2000, 1500, 2300, 1600); });
}
BENCHMARK(BM_Warp)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EmbossShape(benchmark::State& s) {
    inPlace(s, [](QImage& w) { embossShape(w, 5, 45, 100, 0xFF000000u, 0xFFFFFFFFu); });
}
BENCHMARK(BM_EmbossShape)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MotionBlur(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(motionBlur(photo(), 10, 2, 90, int(s.range(0))));
}
BENCHMARK(BM_MotionBlur)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Noise(benchmark::State& s) {
    for (auto _ : s)
        benchmark::DoNotOptimize(s.range(0) ? perlinNoise(kW, kH, 50)
                                            : hugoNoise(kW, kH, 3, 50, 50));
}
BENCHMARK(BM_Noise)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Flip(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(flip(photo(), int(s.range(0))));
}
BENCHMARK(BM_Flip)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: one plain copy of the 48 MB picture into a reused buffer.
void BM_Copy48MB(benchmark::State& s) {
    QImage dst = photo().copy();
    for (auto _ : s) {
        std::memcpy(dst.bits(), photo().constBits(), size_t(photo().sizeInBytes()));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Copy48MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: a fresh copy, paying for the new buffer's page faults as an undoable edit does.
void BM_CopyFresh48MB(benchmark::State& s) {
    for (auto _ : s) benchmark::DoNotOptimize(photo().copy());
}
BENCHMARK(BM_CopyFresh48MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- OpenCV, the operation alone, two threads ----------------------------------------------

void BM_OpenCV_ResizeLanczosHalf(benchmark::State& s) {
    cv::setNumThreads(2);
    cv::Mat out;
    for (auto _ : s)
        cv::resize(asMat(photo()), out, cv::Size(kW / 2, kH / 2), 0, 0, cv::INTER_LANCZOS4);
}
BENCHMARK(BM_OpenCV_ResizeLanczosHalf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_ResizeAreaHalf(benchmark::State& s) {
    cv::setNumThreads(2);
    cv::Mat out;
    for (auto _ : s)
        cv::resize(asMat(photo()), out, cv::Size(kW / 2, kH / 2), 0, 0, cv::INTER_AREA);
}
BENCHMARK(BM_OpenCV_ResizeAreaHalf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_Rotate30(benchmark::State& s) {
    cv::setNumThreads(2);
    const QSize b = rotatedBounds(kW, kH, 30);
    cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(kW / 2.f, kH / 2.f), -30, 1.0);
    m.at<double>(0, 2) += (b.width() - kW) / 2.0;
    m.at<double>(1, 2) += (b.height() - kH) / 2.0;
    cv::Mat out;
    for (auto _ : s)
        cv::warpAffine(asMat(photo()), out, m, cv::Size(b.width(), b.height()), cv::INTER_LINEAR);
}
BENCHMARK(BM_OpenCV_Rotate30)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_Equalize(benchmark::State& s) {
    cv::setNumThreads(2);
    std::vector<cv::Mat> planes;
    cv::Mat out;
    for (auto _ : s) {
        cv::split(asMat(photo()), planes);
        for (int c = 0; c < 3; ++c) cv::equalizeHist(planes[c], planes[c]);
        cv::merge(planes, out);
    }
}
BENCHMARK(BM_OpenCV_Equalize)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCV_MotionBlurLinear(benchmark::State& s) {
    cv::setNumThreads(2);
    cv::Mat k = cv::Mat::zeros(21, 1, CV_32F); // the same 2-pass 11-tap vertical kernel
    for (int i = 0; i < 11; ++i)
        for (int j = 0; j < 11; ++j) k.at<float>(i + j) += 1.0f / 121;
    cv::Mat out;
    for (auto _ : s) cv::filter2D(asMat(photo()), out, -1, k);
}
BENCHMARK(BM_OpenCV_MotionBlurLinear)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- peers as whole processes on a PPM of the picture ----------------------------------------

const QString& inputFile() {
    static const QString path = [] {
        const QString p = QDir::tempPath() + QStringLiteral("/pixendra_bench_photo.ppm");
        photo().convertToFormat(QImage::Format_RGB888).save(p);
        return p;
    }();
    return path;
}

// Times one shell command per iteration; skips when the tool is missing.
void runTool(benchmark::State& s, const char* tool, const QString& args) {
    if (std::system((QStringLiteral("command -v %1 >/dev/null").arg(tool)).toLocal8Bit()) != 0) {
        s.SkipWithError("tool not installed");
        return;
    }
    const QString out = QDir::tempPath() + QStringLiteral("/pixendra_bench_out.ppm");
    const QByteArray cmd =
        QString(args).arg(inputFile(), out).prepend(QStringLiteral("%1 ").arg(tool)).toLocal8Bit() +
        " >/dev/null 2>&1";
    for (auto _ : s)
        if (std::system(cmd.constData()) != 0) s.SkipWithError(cmd.constData());
}

#define PEER(name, tool, args)                                                                     \
    void BM_Peer_##name(benchmark::State& s) {                                                     \
        runTool(s, tool, QStringLiteral(args));                                                    \
    }                                                                                              \
    BENCHMARK(BM_Peer_##name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

PEER(Vips_ResizeLanczosHalf, "vips", "resize %1 %2 0.5 --kernel lanczos3")
PEER(Vips_Rotate30, "vips", "rotate %1 %2 30")
PEER(Vips_Equalize, "vips", "hist_equal %1 %2")
PEER(Gm_ResizeLanczosHalf, "gm", "convert %1 -filter Lanczos -resize 50% %2")
PEER(Gm_Rotate30, "gm", "convert %1 -rotate 30 %2")
PEER(Gm_Equalize, "gm", "convert %1 -equalize %2")
PEER(Gm_Normalize, "gm", "convert %1 -normalize %2")
PEER(Gm_MotionBlur, "gm", "convert %1 -motion-blur 0x5+90 %2")
PEER(Gm_Flip, "gm", "convert %1 -flop %2")
PEER(Im_ResizeLanczosHalf, "convert", "%1 -filter Lanczos -resize 50% %2")
PEER(Im_Rotate30, "convert", "%1 -rotate 30 %2")
PEER(Im_Equalize, "convert", "%1 -equalize %2")
PEER(Im_Normalize, "convert", "%1 -normalize %2")
PEER(Im_MotionBlur, "convert", "%1 -motion-blur 0x5+90 %2")
PEER(Im_Shear, "convert", "%1 -shear 0x0.57 %2")
PEER(Im_Border, "convert", "%1 -bordercolor black -border 10 %2")
PEER(Im_Flip, "convert", "%1 -flop %2")
PEER(Copy_PpmOnly, "cp", "%1 %2")

} // namespace

int main(int argc, char** argv) {
    photo(); // made before any timing starts
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
