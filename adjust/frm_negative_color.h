// frmNegativeColor: "Negative Color", the preview dialog of the Filters entry Negative > "By
// Color...", on the document image itself. The reference colour is entered as red/green/blue
// (bars and boxes), as hue/saturation/luminance (boxes) or with the colour dialog; every
// representation follows each change.
#pragma once

#include "preview_dialog.h"

class QLineEdit;

class frmNegativeColor : public PreviewDialog {
    Q_OBJECT
public:
    frmNegativeColor(const catalogue::Entry& entry, QWidget* owner = nullptr);

    QScrollBar* scrRed = nullptr;
    QScrollBar* scrGreen = nullptr;
    QScrollBar* scrBlue = nullptr;
    QLineEdit* txtRed = nullptr;
    QLineEdit* txtGreen = nullptr;
    QLineEdit* txtBlue = nullptr;
    QLineEdit* txtHue = nullptr;
    QLineEdit* txtSat = nullptr;
    QLineEdit* txtLum = nullptr;

protected:
    void setupDone() override { refresh(); }
    // Right of the red bar, above "Preview".
    PreviewArea previewArea() const override;
    void colourChosen() override;

private:
    // Shows R, G, B in every representation and previews (unless delayed).
    void refresh();
    void setChannel(int which, int value);

    int rgb_[3] = {255, 0, 128};
};
