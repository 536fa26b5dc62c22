// The catalogue actions of the document: each runs the shared skeleton over its table on the
// working copy — a fresh parameter dialog, the values, the engine call, the write-back.
#include "frm_main.h"

#include "adjust/frm_transforms.h"
#include "adjust/preview_source.h"
#include "catalogue/dialog_source.h"
#include "catalogue/dispatch.h"
#include "catalogue/frm_dialog.h"
#include "catalogue/menu_paths.h"
#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "info/frm_progress.h"
#include "platform/desktop.h"

#include <memory>

namespace {

// The document's side of a run: its own selection and the frame's check marks.
class DocumentContext : public catalogue::RunContext {
public:
    DocumentContext(const DocumentHost& host, QRect selection, QString chosenItem)
        : host_(host), selection_(selection), chosenItem_(std::move(chosenItem)) {}
    QRect selection() const override { return selection_; }
    bool checked(const QString& item) const override { return host_.isItemChecked(item); }
    QString chosenCaption() const override { return host_.itemCaption(chosenItem_); }

private:
    const DocumentHost& host_;
    QRect selection_;
    QString chosenItem_; // the menu item key of the run, e.g. "mnuChannelsAlphaAddMask(2)"
};

// Where an entry's values come from, by its input kind.
std::unique_ptr<catalogue::ParameterSource> sourceFor(const catalogue::Entry& entry,
                                                      frmDialog& dialog, pix::PixImage& target,
                                                      QWidget* owner, const pix::PixImage* document,
                                                      QPoint at) {
    using catalogue::Input;
    switch (entry.input) {
    case Input::Rows:
        return std::make_unique<catalogue::DialogSource>(dialog);
    case Input::Colour:
        return std::make_unique<catalogue::ColourSource>();
    case Input::File:
        return std::make_unique<catalogue::FileSource>();
    case Input::Prompt:
        return std::make_unique<catalogue::PromptSource>();
    case Input::Asks:
        return std::make_unique<catalogue::AsksSource>(target);
    case Input::Preview:
        return std::make_unique<adjust::PreviewSource>(target, owner, document, at);
    case Input::None:
    case Input::Line:
    case Input::Panel:
        break;
    }
    return std::make_unique<catalogue::NoDialogSource>();
}

} // namespace

void frmMain::reportFailure(const catalogue::Catalogue& table, const catalogue::Entry* entry,
                            const pix::PixError& e) {
    if (e.number() == pix::kSilentStatus || e.number() == pix::kErrCancelled) return;
    // The preview dialogs report their own failures by number.
    const catalogue::FailureStyle style = entry && entry->input == catalogue::Input::Preview
                                              ? catalogue::FailureStyle::NumberAndDescription
                                              : table.failure;
    switch (style) {
    case catalogue::FailureStyle::ErrorAndSource:
        return RaiseError(e);
    case catalogue::FailureStyle::NumberAndDescription:
        platform::messageBox(QStringLiteral("Error: %1\n\n%2").arg(e.number()).arg(e.description()),
                             platform::Buttons::Ok, platform::Icon::Warning, e.source());
        return;
    case catalogue::FailureStyle::DescriptionOnly:
        platform::messageBox(QStringLiteral("Error: ") + e.description());
        return;
    }
}

void frmMain::runCatalogue(const catalogue::Catalogue& table, int16_t index) {
    const catalogue::Entry* entry = table.find(index);
    if (!entry || Pix->image().IsEmpty()) return;
    // Panel entries open the non-modal panel on the document image and return at once.
    if (entry->input == catalogue::Input::Panel) {
        const QString path = catalogue::menuPath(table.menuGroup, index);
        showTransforms(Pix->image(), this, host_.dialogOwner(), path.section(QLatin1Char('/'), -1));
        return;
    }
    // Every run makes a fresh parameter dialog and unloads it, shown or not.
    frmDialog dlg(host_.dialogOwner());
    frmDlg = &dlg;
    connect(&dlg, &frmDialog::ControlChanged, this, &frmMain::frmDlg_ControlChanged);
    runningEntry_ = entry;
    const bool onWorkingCopy = entry->target == catalogue::Target::WorkingCopy;
    const DocumentContext context(
        host_, selectionRect(),
        QStringLiteral("%1(%2)").arg(QLatin1String(table.menuGroup)).arg(index));

    catalogue::RunResult result;
    progressText_ = entry->progressText;
    try {
        if (onWorkingCopy) SetImage2Buffer();
        pix::PixImage& target = onWorkingCopy ? pixAction->image() : Pix->image();
        // A working copy cut from a selection comes with the document it sits in.
        const QRect sel = onWorkingCopy ? selectionRect() : QRect();
        const auto source = sourceFor(*entry, dlg, target, host_.dialogOwner(),
                                      sel.isEmpty() ? nullptr : &Pix->image(), sel.topLeft());
        result = catalogue::runFound(*entry, target, *source, &context);
    } catch (const pix::PixError& e) {
        result.outcome = catalogue::Outcome::Failed;
        result.error = e;
    }
    runningEntry_ = nullptr;
    frmDlg = nullptr;
    progressText_.clear();
    frmProgress::instance().finish(this);

    if (result.outcome == catalogue::Outcome::Refused) {
        if (result.beep) platform::desktop().beep();
        platform::messageBox(result.refusal, platform::Buttons::Ok,
                             entry->refusalInforms ? platform::Icon::Information
                                                   : platform::Icon::None);
    }
    if (result.outcome == catalogue::Outcome::AwaitsLine) {
        platform::messageBox(result.entry->linePrompt);
        Pix->setMouseMode(pix::kMouseLine);
        WarpPending = true;
        pendingLine_ = result.entry;
    }
    // The working copy goes back only when the engine changed it: a cancelled, refused or empty
    // operation leaves no undo step behind, and a cancel leaves the image as it was even when
    // an earlier step of the operation had finished.
    if (onWorkingCopy && result.workingChanged && result.outcome != catalogue::Outcome::Cancelled) {
        try {
            UpdateImage(*Pix);
        } catch (const pix::PixError& e) {
            if (!result.error) result.error = e;
        }
    }
    pixAction->image().ClearUndo();
    if (result.error) reportFailure(table, entry, *result.error);
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
