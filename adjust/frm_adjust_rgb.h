// frmAdjustRGB: "Adjust RGBA" / "Adjust HSL", the preview dialog of Channels > RGB > "Adjust..."
// and Channels > HSL > "Adjust...". Signed amounts -255..255 per channel (bars with number boxes
// beside them), taken literally or as percents ("Adjust Type"). Its entry's rows say the mode:
// four amounts (red, green, blue, alpha) or three (hue, saturation, luminance; the alpha bar is
// then shown disabled).
#pragma once

#include "preview_dialog.h"

class QLineEdit;

class frmAdjustRGB : public PreviewDialog {
    Q_OBJECT
public:
    frmAdjustRGB(const catalogue::Entry& entry, QWidget* owner = nullptr);

    // True in HSL mode.
    bool HSL() const { return hsl_; }
    QScrollBar* scrAlpha = nullptr;
    QComboBox* lstAdjustType = nullptr;

protected:
    QString captionText(int row, int value) const override;

private:
    bool hsl_ = false;
};
