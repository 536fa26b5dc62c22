// The catalogue actions of the document: each runs the shared skeleton over its table on the
// working copy — a fresh parameter dialog, the values, the engine call, the write-back.
#include "frm_main.h"

#include "catalogue/dialog_source.h"
#include "catalogue/dispatch.h"
#include "catalogue/effects_catalogue.h"
#include "catalogue/frm_dialog.h"
#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "info/frm_progress.h"
#include "platform/desktop.h"

void frmMain::Effects(int16_t index) {
    runCatalogue(catalogue::effectsCatalogue(), index);
}

void frmMain::runCatalogue(const catalogue::Catalogue& table, int16_t index) {
    if (Pix->image().IsEmpty()) return;
    frmDialog dlg(host_.dialogOwner());
    frmDlg = &dlg;
    connect(&dlg, &frmDialog::ControlChanged, this, &frmMain::frmDlg_ControlChanged);
    runningEntry_ = table.find(index);

    catalogue::RunResult result;
    try {
        SetImage2Buffer();
        catalogue::DialogSource source(dlg);
        result = catalogue::runEntry(table, index, pixAction->image(), source);
    } catch (const pix::PixError& e) {
        result.outcome = catalogue::Outcome::Failed;
        result.error = e;
    }
    runningEntry_ = nullptr;
    frmDlg = nullptr;
    frmProgress::instance().finish(this);

    if (result.outcome == catalogue::Outcome::AwaitsLine) {
        platform::messageBox(result.entry->linePrompt);
        Pix->setMouseMode(pix::kMouseLine);
        WarpPending = true;
        pendingLine_ = result.entry;
    }
    // The working copy goes back only when the engine changed it: a cancelled, refused or empty
    // operation leaves no undo step behind, and a cancel leaves the image as it was even when
    // an earlier step of the operation had finished.
    if (result.workingChanged && result.outcome != catalogue::Outcome::Cancelled) {
        try {
            UpdateImage(*Pix);
        } catch (const pix::PixError& e) {
            if (!result.error) result.error = e;
        }
    }
    pixAction->image().ClearUndo();
    if (result.error) RaiseError(*result.error);
}

bool frmMain::finishWarp(int x1, int y1, int x2, int y2) {
    if (!WarpPending) return false;
    const catalogue::Entry* entry = pendingLine_;
    abandonLine(); // the line is taken: the tool's own mouse mode comes back
    if (!entry) return false;
    try {
        entry->onLine(Pix->image(), x1, y1, x2, y2);
    } catch (const pix::PixError& e) {
        RaiseError(e);
    }
    return true;
}

void frmMain::frmDlg_ControlChanged(QWidget*, int index) {
    if (inControlChanged_) return; // setting the other side below notifies again
    if (!frmDlg || !runningEntry_ || !runningEntry_->aspectLink) return;
    const catalogue::AspectLink& link = *runningEntry_->aspectLink;
    if (!frmDlg->chkCheck(link.keepRow) || !frmDlg->chkCheck(link.keepRow)->isChecked()) return;
    QLineEdit* edited = frmDlg->txtText(index);
    if (!edited) return;
    inControlChanged_ = true;
    const QSize whole(Pix->image().width(), Pix->image().height());
    if (const auto change = catalogue::linkedEdit(link, index, edited->text(), whole))
        if (QLineEdit* other = frmDlg->txtText(change->row)) other->setText(change->text);
    inControlChanged_ = false;
}
