#include "preview_source.h"

#include "frm_adjust_rgb.h"
#include "frm_bright_contrast.h"
#include "frm_colorize.h"
#include "frm_negative_color.h"
#include "frm_shift.h"
#include "platform/desktop.h"

#include <memory>

namespace adjust {

namespace {

using Factory = PreviewDialog* (*)(const catalogue::Entry&, QWidget*);

template <class Dialog> PreviewDialog* make(const catalogue::Entry& entry, QWidget* owner) {
    return new Dialog(entry, owner);
}

struct Kind {
    const char* name;
    Factory make;
};

// The preview dialogs by the class names the catalogue entries give.
constexpr Kind kDialogs[] = {
    {"frmBrightContrast", &make<frmBrightContrast>},
    {"frmColorize", &make<frmColorize>},
    {"frmNegativeColor", &make<frmNegativeColor>},
    {"frmAdjustRGB", &make<frmAdjustRGB>},
    {"frmShift", &make<frmShift>},
};

} // namespace

PreviewDialog* makePreviewDialog(const QString& name, const catalogue::Entry& entry,
                                 QWidget* owner) {
    for (const Kind& k : kDialogs)
        if (name == QLatin1String(k.name)) return k.make(entry, owner);
    return nullptr;
}

bool PreviewSource::fill(const catalogue::Entry& entry, catalogue::Values& values) {
    std::unique_ptr<PreviewDialog> dlg(makePreviewDialog(entry.previewDialog, entry, owner_));
    if (!dlg)
        throw pix::PixError(pix::kErrInvalidArgument,
                            QStringLiteral("No preview dialog %1").arg(entry.previewDialog),
                            entry.title);
    if (document_) dlg->setBackdrop(*document_, at_);
    dlg->Setup(target_);
    platform::desktop().showModal(*dlg);
    if (!dlg->Applied) return false;
    dlg->readValues(values);
    return true;
}

} // namespace adjust
