// frmBrightContrast: "Adjust Brightness and Contrast", the preview dialog of the Filters entry
// "Brightness && Contrast..." (scrBrightness, scrContrast, lblBrightness, lblContrast).
#pragma once

#include "preview_dialog.h"

class frmBrightContrast : public PreviewDialog {
    Q_OBJECT
public:
    using PreviewDialog::PreviewDialog;
};
