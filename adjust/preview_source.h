// The preview dialogs as the source of an entry's values: the dialog named by the entry is made,
// set up on the target and shown modally through the desktop seam; "&Apply" gives its values.
#pragma once

#include "catalogue/dispatch.h"

#include <functional>

class PreviewDialog;
class QWidget;

namespace adjust {

// Makes the preview dialog of a class name for an entry; nullptr for an unknown name.
PreviewDialog* makePreviewDialog(const QString& name, const catalogue::Entry& entry,
                                 QWidget* owner);

class PreviewSource : public catalogue::ParameterSource {
public:
    PreviewSource(pix::PixImage& target, QWidget* owner) : target_(target), owner_(owner) {}
    bool fill(const catalogue::Entry& entry, catalogue::Values& values) override;

private:
    pix::PixImage& target_;
    QWidget* owner_;
};

} // namespace adjust
