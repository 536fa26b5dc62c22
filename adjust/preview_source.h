// The preview dialogs as the source of an entry's values: the dialog named by the entry is made,
// set up on the target and shown modally through the desktop seam; "&Apply" gives its values.
#pragma once

#include "catalogue/dispatch.h"

#include <QPoint>
#include <functional>

class PreviewDialog;
class QWidget;

namespace adjust {

// Makes the preview dialog of a class name for an entry; nullptr for an unknown name.
PreviewDialog* makePreviewDialog(const QString& name, const catalogue::Entry& entry,
                                 QWidget* owner);

class PreviewSource : public catalogue::ParameterSource {
public:
    // `document`, when given, is the image `target` was cut from at `at` (a selection).
    PreviewSource(pix::PixImage& target, QWidget* owner, const pix::PixImage* document = nullptr,
                  QPoint at = {})
        : target_(target), owner_(owner), document_(document), at_(at) {}
    bool fill(const catalogue::Entry& entry, catalogue::Values& values) override;

private:
    pix::PixImage& target_;
    QWidget* owner_;
    const pix::PixImage* document_;
    QPoint at_;
};

} // namespace adjust
