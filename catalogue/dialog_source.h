// The parameter dialog as the source of an entry's values: one dialog row per table row, its
// control chosen by the row's kind, shown modally through the desktop seam and read back.
#pragma once

#include "dispatch.h"

class frmDialog;

namespace catalogue {

class DialogSource : public ParameterSource {
public:
    explicit DialogSource(frmDialog& dialog) : dlg_(dialog) {}
    bool fill(const Entry& entry, Values& values) override;

private:
    frmDialog& dlg_;
};

} // namespace catalogue
