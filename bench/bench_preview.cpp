// The brightness and contrast preview dialog on the 12-megapixel photograph (offscreen unless
// QT_QPA_PLATFORM says otherwise): Setup, which scales the target to the preview box once, and
// one preview update, from moving a scroll bar until the dialog has computed the preview at the
// new value (target: at most 8 ms), then with the repaint of the preview box as well.
#include "adjust/preview_dialog.h"
#include "bench_support.h"
#include "catalogue/catalogue.h"
#include "engine/pix_image.h"

#include <QLabel>
#include <QScrollBar>

using namespace benchsupport;

namespace {

pix::PixImage& target() {
    static pix::PixImage image;
    return image;
}

const catalogue::Entry& brightnessContrast() {
    return *catalogue::catalogueOfAction(QStringLiteral("Filters"))->find(2);
}

void BM_Setup(benchmark::State& state) {
    PreviewDialog dlg(brightnessContrast());
    timeInProcess(state, "setup", {}, [&] { dlg.Setup(target()); });
}

// Moves the brightness bar to a new value and processes events until the preview at that value
// is computed; with `painted`, also until the preview box has repainted.
void update(benchmark::State& state, bool painted) {
    PreviewDialog dlg(brightnessContrast());
    dlg.Setup(target());
    dlg.show();
    QCoreApplication::processEvents();
    QScrollBar* bar = dlg.scroll(0);
    int value = 0;
    const QString key = painted ? "update_painted" : "update";
    timeInProcess(state, key, {}, [&] {
        const int before = dlg.previewsComputed();
        value = value == 20 ? -20 : 20;
        bar->setValue(value);
        while (dlg.previewsComputed() == before) QCoreApplication::processEvents();
        if (painted) dlg.picPreview->repaint();
    });
}

void BM_Update(benchmark::State& state) {
    update(state, false);
}
void BM_UpdatePainted(benchmark::State& state) {
    update(state, true);
}

} // namespace

int main(int argc, char** argv) {
    const auto app = startWindowed(argc, argv);
    if (!app || !loadPhotograph(target())) return 1;
    for (auto [name, fn] :
         {std::pair{"preview/setup", &BM_Setup}, std::pair{"preview/update", &BM_Update},
          std::pair{"preview/update_painted", &BM_UpdatePainted}})
        registerTimed(name, fn, 0);
    runAll();
    const double update = fastest().value("update", -1) * 1000;
    std::printf("\nSummary, 4000 x 3000 photograph, fastest repetition's mean in milliseconds\n"
                "Setup: %s ms\none preview update: %.2f ms (target at most 8 ms: %s); with the "
                "repaint of the box: %s ms\n",
                qPrintable(ms("setup")), update, update >= 0 && update <= 8 ? "met" : "MISSED",
                qPrintable(QString::number(fastest().value("update_painted", -1) * 1000, 'f', 2)));
    return 0;
}
