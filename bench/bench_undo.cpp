// Undo on large images: a rectangle drawn and undone on 12000 x 8000 (rectangle step against the
// whole-page step every edit used to keep), and what 20 whole-image edits of the 12-megapixel
// photograph leave resident once the older steps are compressed.
#include "bench_support.h"
#include "engine/draw.h"
#include "engine/image_type.h"
#if __has_include("engine/undo_memory.h")
#include "engine/undo_memory.h"
#define HAS_UNDO_MEMORY 1
#endif

#include <QPainter>
#include <malloc.h>

namespace {

using benchsupport::Clock;
using benchsupport::since;

double residentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGE_SIZE)) / 1e6;
}

pix::PixImage& large() {
    static pix::PixImage* img = [] {
        auto* i = new pix::PixImage;
        i->setImage(benchsupport::syntheticPicture(12000, 8000, 0.01, 0.013, 40, true), pix::kRgb,
                    QStringLiteral("no undo"));
        return i;
    }();
    return *img;
}

const QPolygonF kBox({{5000, 4000}, {5200, 4200}});

// Draws with `draw`, then undoes it; reports both times and what the step holds.
void drawAndUndo(benchmark::State& state, const std::function<void(pix::PixImage&)>& draw) {
    pix::PixImage& img = large();
    img.Draw().penColor = pix::MakeColor(0x2040C0, 255);
    double drawS = 0, undoS = 0, held = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        draw(img);
        drawS += since(t);
        held = double(img.history().memoryUsed(img.pages()));
        t = Clock::now();
        img.UndoStep();
        undoS += since(t);
    }
    const double n = double(state.iterations());
    state.counters["draw_ms"] = drawS / n * 1e3;
    state.counters["undo_ms"] = undoS / n * 1e3;
    state.counters["step_KB"] = held / 1e3;
}

void BM_RectangleStep96MP(benchmark::State& state) {
    drawAndUndo(state, [](pix::PixImage& img) {
        pix::Draw::DrawShape(img, pix::Draw::ShapeKind::Rectangle, kBox);
    });
}

// The same rectangle recorded as a whole-page step, as every edit was before.
void BM_WholePageStep96MP(benchmark::State& state) {
    drawAndUndo(state, [](pix::PixImage& img) {
        img.modifyPage(QString(), [](pix::PixPage& p) {
            QPainter painter(&p.image);
            painter.setPen(Qt::blue);
            painter.drawRect(kBox.boundingRect());
        });
    });
}

void BM_TwentyEdits12MP(benchmark::State& state) {
    for (auto _ : state) {
        pix::PixImage img;
        if (!benchsupport::loadPhotograph(img)) {
            state.SkipWithError("no photograph");
            return;
        }
        malloc_trim(0);
        const double before = residentMb();
        const auto t = Clock::now();
        for (int i = 0; i < 20; ++i)
            img.modifyPage(QString(), [i](pix::PixPage& p) {
                p.image.invertPixels();
                p.image.setPixel(i, 0, qRgb(i, i, i));
            });
        const double edits = since(t);
#ifdef HAS_UNDO_MEMORY
        pix::UndoMemory::instance().waitIdle();
#endif
        const double packed = since(t);
        malloc_trim(0);
        state.counters["edits_s"] = edits;
        state.counters["compressed_after_s"] = packed;
        state.counters["rss_added_MB"] = residentMb() - before;
        state.counters["undo_held_MB"] = double(img.history().memoryUsed(img.pages())) / 1e6;
        state.counters["raw_steps_MB"] = 20.0 * double(img.image().sizeInBytes()) / 1e6;
        img.UndoStep();
        img.UndoStep();
        const auto u = Clock::now();
        img.UndoStep(); // the newest compressed step
        state.counters["undo_packed_ms"] = since(u) * 1e3;
    }
}

} // namespace

BENCHMARK(BM_RectangleStep96MP)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WholePageStep96MP)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_TwentyEdits12MP)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    if (!benchsupport::initialise(argc, argv)) return 1;
    benchsupport::runAll();
    return 0;
}
