// The working copies: operations run on pixAction, filled from the document image (cut to the
// selection when there is one) and written back into the selection or over the whole image.
#include "frm_main.h"

#include "engine/ctrl/pix_ctrl.h"
#include "engine/draw.h"
#include "engine/effects.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "engine/pix_image.h"

#include <cmath>

namespace {

const QString kNoUndo = QStringLiteral("No Undo");

// Writes the working copy into `target`: into the selection `sel` when there is one, else as
// the whole image.
void writeBack(const pix::PixCtrl& working, pix::PixImage& target, const QRect& sel) {
    if (working.image().IsEmpty())
        throw pix::PixError(pix::kErrNoImage, QStringLiteral("No image"),
                            QStringLiteral("UpdateImage"));
    if (!sel.isEmpty()) {
        // Only the selected rectangle changes, even when the operation changed the size.
        const QImage& result = working.image().image();
        const QImage clipped = result.width() > sel.width() || result.height() > sel.height()
                                   ? result.copy(0, 0, sel.width(), sel.height())
                                   : result;
        // The pixels go in as the operation left them, alpha included: a result with alpha
        // gives the page an alpha channel, as it would when written back whole.
        const bool alpha = pix::typeHasAlpha(working.image().imageType());
        pix::Draw::PutImage(target, clipped, sel.x(), sel.y(), alpha, QString());
        return;
    }
    target.setPage(working.image().page(working.image().currentPage()), QString());
}

} // namespace

// This document's selection in whole pixels; empty when none is shown (a rectangle of 2 x 2
// pixels or less never is). The control keeps it inside the image.
QRect frmMain::selectionRect() const {
    if (!Pix->SelectionShown() || Pix->image().IsEmpty()) return {};
    const QRect r(int(std::floor(Pix->SelectionLeft())), int(std::floor(Pix->SelectionTop())),
                  int(std::ceil(Pix->SelectionWidth())), int(std::ceil(Pix->SelectionHeight())));
    return r & Pix->image().image().rect();
}

// The copy shares the document's pixels until an operation writes; cut to a selection, it
// copies the selection only.
void frmMain::fillFromDocument(pix::PixCtrl& target) {
    target.image().CopyFrom(Pix->image(), selectionRect(), kNoUndo);
}

void frmMain::SetImage2Buffer() {
    fillFromDocument(*pixAction);
}

void frmMain::SetImage2Buffer2(pix::PixCtrl& preview) {
    fillFromDocument(*pixAction);
    preview.setRedraw(false);
    fillFromDocument(preview);
    if (selectionRect().isEmpty()) {
        // The whole image scaled to fit the preview, never larger than the image itself.
        const pix::PixImage& img = Pix->image();
        const QSize view = preview.maximumViewportSize();
        const double scale = std::min(
            {double(view.width()) / img.width(), double(view.height()) / img.height(), 1.0});
        if (scale < 1.0 && view.width() > 0 && view.height() > 0) {
            const bool wide = img.width() * view.height() >= img.height() * view.width();
            const int side = std::max(1, int((wide ? img.width() : img.height()) * scale));
            pix::Effects::Resize(preview.image(), wide ? side : 0, wide ? 0 : side, 0, kNoUndo);
        }
    }
    preview.setRedraw(true);
}

void frmMain::UpdateImage(pix::PixCtrl& target) {
    // Once written back (or failed), the working copy lets go of its pixels: the document's
    // then are its own again, and its next edit writes into them without a copy.
    const auto release = [this] {
        pix::PixImage& work = pixAction->image();
        work.ClearUndo();
        if (!work.IsEmpty()) work.ClearPages(kNoUndo);
    };
    try {
        writeBack(*pixAction, target.image(), selectionRect());
    } catch (...) {
        release();
        throw;
    }
    release();
}
