// Every preview dialog of the catalogues on the 12-megapixel photograph (offscreen unless
// QT_QPA_PLATFORM says otherwise): one preview update, from moving the dialog's first scroll bar
// until the dialog has computed the preview at the new value (target: at most 8 ms each).
#include "adjust/preview_dialog.h"
#include "adjust/preview_source.h"
#include "bench_support.h"
#include "catalogue/catalogue.h"
#include "engine/pix_image.h"

#include <QScrollBar>

using namespace benchsupport;

namespace {

pix::PixImage& target() {
    static pix::PixImage image;
    return image;
}

// Moves the dialog's first enabled scroll bar between a quarter and three quarters of its range
// and processes events until the preview at that value is computed.
void update(benchmark::State& state, const catalogue::Entry* entry, const QString& key) {
    std::unique_ptr<PreviewDialog> dlg(
        adjust::makePreviewDialog(entry->previewDialog, *entry, nullptr));
    dlg->Setup(target());
    dlg->show();
    QCoreApplication::processEvents();
    QScrollBar* bar = nullptr;
    for (QScrollBar* b : dlg->findChildren<QScrollBar*>())
        if (!bar && b->isEnabled()) bar = b;
    const int quarter = (bar->maximum() - bar->minimum()) / 4;
    const int low = bar->minimum() + quarter, high = bar->maximum() - quarter;
    timeInProcess(state, key, {}, [&] {
        const int before = dlg->previewsComputed();
        bar->setValue(bar->value() == low ? high : low);
        while (dlg->previewsComputed() == before) QCoreApplication::processEvents();
    });
}

} // namespace

int main(int argc, char** argv) {
    const auto app = startWindowed(argc, argv);
    if (!app || !loadPhotograph(target())) return 1;
    QStringList keys;
    for (const catalogue::Catalogue* table : catalogue::allCatalogues())
        for (const catalogue::Entry& entry : table->entries) {
            if (entry.input != catalogue::Input::Preview) continue;
            const QString key = entry.previewDialog + QLatin1Char('/') + entry.title;
            keys << key;
            registerTimed(
                QStringLiteral("preview/") + key,
                [&entry, key](benchmark::State& state) { update(state, &entry, key); }, 0);
        }
    runAll();
    std::printf("\nSummary, 4000 x 3000 photograph, one preview update, fastest repetition's mean "
                "(target at most 8 ms)\n");
    for (const QString& key : keys) {
        const double ms = fastest().value(key, -1) * 1000;
        std::printf("%-60s %7.2f ms %s\n", qPrintable(key), ms,
                    ms >= 0 && ms <= 8 ? "met" : "MISSED");
    }
    return 0;
}
