// Edits and undo on large images: a rectangle drawn and undone on 12000 x 8000 (against a
// whole-page step), an operation on a 200 x 200 selection of it through the working copy, what
// 20 whole-image edits of the 12-megapixel photograph leave resident once the older steps are
// compressed, and whether a 96-megapixel document opened, edited and closed gives its memory
// back.
#include "bench_support.h"
#include "engine/draw.h"
#include "engine/image_type.h"
#include "engine/processor_area.h"
#include "engine/processor_point.h"
#include "engine/undo_memory.h"

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

// The same rectangle drawn as a change of the whole page: a copy of the page and a whole step.
void BM_WholePageStep96MP(benchmark::State& state) {
    drawAndUndo(state, [](pix::PixImage& img) {
        img.modifyPage(QString(), [](pix::PixPage& p) {
            QPainter painter(&p.image);
            painter.setPen(Qt::blue);
            painter.drawRect(kBox.boundingRect());
        });
    });
}

// 20 whole-image edits (each a new page buffer) of the photograph: the memory they add once the
// program has compressed the older steps and given back what it freed.
void BM_TwentyEdits12MP(benchmark::State& state) {
    for (auto _ : state) {
        pix::PixImage img;
        if (!benchsupport::loadPhotograph(img)) {
            state.SkipWithError("no photograph");
            return;
        }
        pix::UndoMemory::instance().waitIdle();
        malloc_trim(0);
        const double before = residentMb();
        const auto t = Clock::now();
        for (int i = 0; i < 20; ++i) pix::Processor::Negative(img);
        const double edits = since(t);
        pix::UndoMemory::instance().waitIdle();
        const double packed = since(t);
        state.counters["edits_s"] = edits;
        state.counters["compressed_after_s"] = packed;
        state.counters["rss_added_MB"] = residentMb() - before;
        state.counters["undo_held_MB"] = double(img.history().memoryUsed(img.pages())) / 1e6;
        state.counters["raw_steps_MB"] = 20.0 * double(img.image().sizeInBytes()) / 1e6;
        img.UndoStep();
        const auto u = Clock::now();
        img.UndoStep(); // the newest compressed step
        state.counters["undo_packed_ms"] = since(u) * 1e3;
    }
}

// An operation on a 200 x 200 selection of 96 MP as the document runs it: the working copy cut
// from the document, the operation on it, the copy written back into the selection and let go.
void BM_SelectionOperation96MP(benchmark::State& state) {
    pix::PixImage& doc = large();
    const QRect sel(6000, 3000, 200, 200);
    double totalS = 0, opS = 0;
    for (auto _ : state) {
        const auto t = Clock::now();
        pix::PixImage work;
        work.CopyFrom(doc, sel, QStringLiteral("No Undo"));
        const auto o = Clock::now();
        pix::Processor::Blur(work, 50, 5, false, QStringLiteral("No Undo"));
        opS += since(o);
        pix::Draw::PutImage(doc, work.image(), sel.x(), sel.y(), false, QString());
        work.ClearPages(QStringLiteral("No Undo"));
        totalS += since(t);
        doc.UndoStep();
    }
    const double n = double(state.iterations());
    state.counters["total_ms"] = totalS / n * 1e3;
    state.counters["op_ms"] = opS / n * 1e3;
    state.counters["beyond_op_ms"] = (totalS - opS) / n * 1e3;
}

// A 96 MP document read from a file, edited 20 times (16 rectangles and 4 whole-image
// operations) and closed: the process's resident size before opening and after closing.
void BM_OpenEditClose96MP(benchmark::State& state) {
    const QString path = benchsupport::workDir().path() + QStringLiteral("/large.bmp");
    {
        pix::PixImage source;
        source.setImage(benchsupport::syntheticPicture(12000, 8000, 0.01, 0.013, 40, true),
                        pix::kRgb, QStringLiteral("no undo"));
        source.SaveToFile(path, 0, 0, false);
    }
    pix::UndoMemory::instance().waitIdle();
    malloc_trim(0);
    // The first session also loads code and starts thread pools for good: the second shows what
    // a document leaves behind.
    int session = 0;
    for (auto _ : state) {
        ++session;
        const double before = residentMb();
        double peak = before;
        const auto t = Clock::now();
        {
            pix::PixImage doc;
            doc.LoadFromFile(path, QStringLiteral("no undo"));
            doc.Draw().penColor = pix::MakeColor(0x2040C0, 255);
            for (int i = 0; i < 20; ++i) {
                if (i % 5 == 4) {
                    pix::Processor::Negative(doc);
                } else {
                    const QPointF at(500 + 400 * i, 300 + 300 * i);
                    pix::Draw::DrawShape(doc, pix::Draw::ShapeKind::Rectangle,
                                         QPolygonF({at, at + QPointF(300, 200)}));
                }
                peak = std::max(peak, residentMb());
            }
        }
        pix::UndoMemory::instance().waitIdle();
        const double after = residentMb();
        const std::string name = session == 1 ? "first_" : "";
        state.counters[name + "session_s"] = since(t);
        state.counters[name + "rss_before_MB"] = before;
        state.counters[name + "rss_peak_MB"] = peak;
        state.counters[name + "rss_after_MB"] = after;
        state.counters[name + "after_vs_before_pct"] = (after - before) / before * 100.0;
    }
    QFile::remove(path);
}

} // namespace

// The open-edit-close session runs first, so that its "before" is the bare process.
BENCHMARK(BM_OpenEditClose96MP)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RectangleStep96MP)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WholePageStep96MP)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SelectionOperation96MP)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_TwentyEdits12MP)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    if (!benchsupport::initialise(argc, argv)) return 1;
    benchsupport::runAll();
    return 0;
}
