// Repaint and wheel-zoom cost of the display control on a 12000 x 8000 image.
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>

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

// The first zoomed-out repaint after an edit: the halved copies are rebuilt.
void BM_RepaintAfterEdit6(benchmark::State& state) {
    pix::PixCtrl& c = control();
    c.setZoomFactor(0.06);
    QImage canvas(c.viewport()->size(), QImage::Format_RGB32);
    QPainter p(&canvas);
    int i = 0;
    for (auto _ : state) {
        c.image().modifyPage(QStringLiteral("no undo"), [&](pix::PixPage& page) {
            reinterpret_cast<QRgb*>(page.image.scanLine(0))[i++ % 100] = 0xFF000000u;
        });
        c.paintView(p, canvas.rect());
    }
}

} // namespace

BENCHMARK(BM_RepaintAfterEdit6)->Unit(benchmark::kMillisecond);
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
