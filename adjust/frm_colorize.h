// frmColorize: "Adjust Hue, Saturation and Luminance", the preview dialog of the Filters entry
// "Colorize...". Three hue/saturation/luminance bars (or the colour dialog) set the colour held
// by btnColor; the check boxes chkHue, chkSat, chkLum choose what of it is imposed.
#pragma once

#include "preview_dialog.h"

class frmColorize : public PreviewDialog {
    Q_OBJECT
public:
    frmColorize(const catalogue::Entry& entry, QWidget* owner = nullptr);

    QScrollBar* scrHue = nullptr;
    QScrollBar* scrSat = nullptr;
    QScrollBar* scrLum = nullptr;
    QCheckBox* chkHue = nullptr;
    QCheckBox* chkSat = nullptr;
    QCheckBox* chkLum = nullptr;

protected:
    void colourChosen() override;
    // Right of "Real-Time Preview", below the luminance bar; sized by the free height alone.
    PreviewArea previewArea() const override;

private:
    void barMoved(int which, bool settled);
};
