// Repaint and wheel-zoom cost of the display control on a 12000 x 8000 image, and how long
// the user-interface thread is held after an edit.
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <thread>

namespace {

pix::PixCtrl& control() {
    static pix::PixCtrl* ctrl = [] {
        auto* c = new pix::PixCtrl;
        c->resize(1600, 1000);
        c->show(); // the viewport takes its size when shown
        QImage img(12000, 8000, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) row[x] = qRgb(x & 255, y & 255, (x ^ y) & 255);
        }
        c->image().setImage(img, 5, QStringLiteral("no undo"));
        return c;
    }();
    return *ctrl;
}

void repaintAt(benchmark::State& state, double zoom) {
    pix::PixCtrl& c = control();
    c.setZoomFactor(zoom);
    QImage canvas(c.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&canvas);
    c.paintView(p, canvas.rect()); // the first paint at a zoom builds its cache
    state.counters["viewport_px"] = double(canvas.width()) * canvas.height();
    for (auto _ : state) {
        c.paintView(p, canvas.rect());
        benchmark::DoNotOptimize(canvas.constBits());
    }
}

void BM_Repaint100(benchmark::State& state) {
    repaintAt(state, 1.0);
}
void BM_Repaint6(benchmark::State& state) {
    repaintAt(state, 0.06);
}
void BM_Repaint400(benchmark::State& state) {
    repaintAt(state, 4.0);
}

// One wheel step at a zoomed-out view: new factor, then the repaint it causes.
void BM_WheelZoomStep(benchmark::State& state) {
    pix::PixCtrl& c = control();
    QImage canvas(c.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&canvas);
    double zoom = 0.06;
    for (auto _ : state) {
        zoom = zoom > 0.2 ? 0.06 : zoom * 1.1;
        c.setZoomFactor(zoom);
        c.paintView(p, canvas.rect());
    }
}

// CPU time of the calling thread: what it spent itself, whatever else ran on the machine.
double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Lets a view rebuild still running finish, so that the next benchmark starts from a built view.
void settle(pix::PixCtrl& c) {
    while (c.viewBuilding()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Writes one pixel: as a whole-page change, or as a change of a 200 x 200 rectangle.
void edit(pix::PixCtrl& c, int i, bool rect) {
    const QPoint at(211 * i % 11800, 97 * i % 7800);
    auto write = [&](pix::PixPage& page) {
        reinterpret_cast<QRgb*>(page.image.scanLine(at.y()))[at.x()] = 0xFF000000u | uint32_t(i);
    };
    if (rect)
        c.image().modifyPage(QStringLiteral("no undo"), QRect(at, QSize(200, 200)), write);
    else
        c.image().modifyPage(QStringLiteral("no undo"), write);
}

// The first zoomed-out repaint after an edit, of the whole page or of a 200 x 200 rectangle
// (the edit itself not counted).
void repaintAfterEdit(benchmark::State& state, bool rect) {
    pix::PixCtrl& c = control();
    c.setZoomFactor(0.06);
    QImage canvas(c.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&canvas);
    c.paintView(p, canvas.rect());
    settle(c);
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        edit(c, i++, rect);
        state.ResumeTiming();
        c.paintView(p, canvas.rect());
    }
    settle(c);
}

void BM_RepaintAfterEdit6(benchmark::State& state) {
    repaintAfterEdit(state, false);
}

void BM_RepaintAfterRectEdit6(benchmark::State& state) {
    repaintAfterEdit(state, true);
}

// The user-interface thread after a whole-page edit, until the rebuilt view is shown: each
// event-loop turn and each repaint is timed, and the longest of them is the stall reported
// (as the iteration's time); rebuilt_ms is the time from the edit to the rebuilt view.
void BM_StallAfterWholeEdit6(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    pix::PixCtrl& c = control();
    c.setZoomFactor(0.06);
    QImage canvas(c.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&canvas);
    c.paintView(p, canvas.rect());
    settle(c);
    double longest = 0, longestCpu = 0, rebuilt = 0;
    int i = 0;
    for (auto _ : state) {
        edit(c, i++, false);
        const Clock::time_point edited = Clock::now();
        double stall = 0;
        auto timed = [&](const auto& work) {
            const Clock::time_point t0 = Clock::now();
            const double cpu0 = threadCpuSeconds();
            work();
            stall = std::max(stall, std::chrono::duration<double>(Clock::now() - t0).count());
            longestCpu = std::max(longestCpu, threadCpuSeconds() - cpu0);
        };
        for (bool building = true; building;) {
            timed([&] { QCoreApplication::processEvents(); });
            timed([&] { c.paintView(p, canvas.rect()); });
            building = c.viewBuilding();
            if (building) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        rebuilt += std::chrono::duration<double>(Clock::now() - edited).count();
        longest = std::max(longest, stall);
        state.SetIterationTime(stall);
    }
    state.counters["longest_stall_ms"] = longest * 1e3;
    state.counters["longest_stall_cpu_ms"] = longestCpu * 1e3;
    state.counters["rebuilt_ms"] =
        benchmark::Counter(rebuilt * 1e3, benchmark::Counter::kAvgIterations);
}

} // namespace

// Each edit of the 96-megapixel page costs far more than what is timed: a few iterations.
BENCHMARK(BM_RepaintAfterEdit6)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintAfterRectEdit6)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StallAfterWholeEdit6)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WheelZoomStep)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
