// The recovery copy of a 12-megapixel document: what it costs the user-interface thread (the
// shallow copy of the pages and the hand-over; target under 5 ms) and the whole write on the
// worker thread (target under 300 ms).
#include "app/crash_recovery.h"
#include "app/mdi_main.h"
#include "bench_support.h"
#include "document/frm_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "settings/cregister.h"

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

namespace {

struct Setup {
    QTemporaryDir dir;
    std::unique_ptr<CRegister> store;
    std::unique_ptr<MDIMain> frame;
    std::unique_ptr<CrashRecovery> recovery;
    frmMain* doc = nullptr;

    Setup() {
        store = std::make_unique<CRegister>(dir.path() + QStringLiteral("/settings.reg"));
        frame = std::make_unique<MDIMain>(*store);
        frame->Load();
        recovery =
            std::make_unique<CrashRecovery>(*frame, dir.path() + QStringLiteral("/recovery"));
        const int n = frame->createDocumentSlot();
        doc = frame->Documents[n];
        QImage photo(benchsupport::kW, benchsupport::kH, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) row[x] = qRgb(x * 7, y * 3, (x ^ y) & 0xFF);
        }
        doc->Pix->image().setImage(photo, 5, QStringLiteral("no undo"));
        frame->showDocument(n);
    }
    ~Setup() {
        recovery.reset();
        doc->Saved = true;
        frame.reset();
    }
    // An edit, so that the next round has something to write.
    void edit(int i) {
        doc->Pix->image().modifyPage(QStringLiteral("no undo"), [i](pix::PixPage& p) {
            p.image.setPixel(i % p.image.width(), 0, qRgb(i, 0, 0));
        });
        doc->Saved = false;
    }
};

std::unique_ptr<Setup> gSetup; // goes before the application

Setup& setup() {
    if (!gSetup) gSetup = std::make_unique<Setup>();
    return *gSetup;
}

void BM_RecoveryUiThreadCost(benchmark::State& state) {
    Setup& s = setup();
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.recovery->waitForWrites();
        s.edit(++i);
        state.ResumeTiming();
        s.recovery->writeChanged();
    }
    s.recovery->waitForWrites();
}
BENCHMARK(BM_RecoveryUiThreadCost)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_RecoveryWholeWrite(benchmark::State& state) {
    Setup& s = setup();
    int i = 1000;
    for (auto _ : state) {
        state.PauseTiming();
        s.edit(++i);
        state.ResumeTiming();
        s.recovery->writeChanged();
        s.recovery->waitForWrites();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(benchsupport::kW) * benchsupport::kH * 4);
}
BENCHMARK(BM_RecoveryWholeWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gSetup.reset();
    return 0;
}
