// The demonstrations on a 12-megapixel picture (encryption, decryption, the colour grid) and the
// Images menu's page list of a 100-page TIFF. Encryption is memory-bound: its rate is reported
// as bytes of pixels per second.
#include "app/mdi_main.h"
#include "document/frm_main.h"
#include "engine/codecs/codec.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/demos.h"
#include "engine/pix_image.h"
#include "settings/cregister.h"

#include "bench_support.h"

#include <QTemporaryDir>

namespace {

const QString kNoUndo = QStringLiteral("No Undo");

// A 4000 x 3000 picture with different pixels everywhere.
pix::PixImage& photo() {
    static pix::PixImage* img = [] {
        auto* p = new pix::PixImage;
        QImage pic(4000, 3000, QImage::Format_RGB32);
        for (int y = 0; y < pic.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(pic.scanLine(y));
            for (int x = 0; x < pic.width(); ++x) row[x] = qRgb(x & 255, y & 255, (x ^ y) & 255);
        }
        p->setImage(pic, 5, kNoUndo);
        return p;
    }();
    return *img;
}

void scramble(benchmark::State& state, bool forward) {
    pix::PixImage& img = photo();
    for (auto _ : state) {
        if (forward)
            pix::Effects::Encrypt(img, QStringLiteral("1234"), kNoUndo);
        else
            pix::Effects::Decrypt(img, QStringLiteral("1234"), kNoUndo);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * img.image().sizeInBytes());
}

void BM_Encrypt(benchmark::State& state) {
    scramble(state, true);
}
void BM_Decrypt(benchmark::State& state) {
    scramble(state, false);
}

void BM_ColourGrid(benchmark::State& state) {
    pix::PixImage& img = photo();
    for (auto _ : state) pix::Effects::DrawColorGrid(img, kNoUndo);
}

// The page list of a document holding a 100-page TIFF, rebuilt as the Images menu opens.
void BM_PageList(benchmark::State& state) {
    QTemporaryDir dir;
    QList<pix::PixPage> pages;
    for (int i = 0; i < 100; ++i) {
        QImage page(64 + i, 48, QImage::Format_RGB32);
        page.fill(qRgb(i, 2 * i, 255 - i));
        pages.append(pix::PixPage{page, 5, {}});
    }
    const QString path = dir.path() + QStringLiteral("/pages.tif");
    pix::encodeFile(path, pix::kFileTiff, pages, pix::SaveOptions{});
    CRegister store(dir.path() + QStringLiteral("/settings.reg"));
    MDIMain frame(store);
    frame.Load();
    const int n = frame.createDocumentSlot();
    frmMain* doc = frame.Documents[n];
    doc->LoadImage(path);
    frame.showDocument(n);
    for (auto _ : state) frame.openSubmenu(QStringLiteral("mnumImages"));
    doc->Saved = true;
}

} // namespace

int main(int argc, char** argv) {
    const auto app = benchsupport::startWindowed(argc, argv);
    if (!app) return 1;
    // The work runs on the shared pool: wall-clock time is what counts.
    benchmark::RegisterBenchmark("demos/encrypt_12mp", &BM_Encrypt)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("demos/decrypt_12mp", &BM_Decrypt)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("demos/colour_grid_12mp", &BM_ColourGrid)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("demos/page_list_100", &BM_PageList)
        ->Unit(benchmark::kMillisecond);
    benchsupport::runAll();
    return 0;
}
