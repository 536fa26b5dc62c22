// frmShift: "Shift Channels", the preview dialog of Channels > RGB > "Shift...", on the document
// image itself. The offsets range over the image's width and height (bars with number boxes);
// the preview shows them scaled to its size.
#pragma once

#include "preview_dialog.h"

class QLineEdit;

class frmShift : public PreviewDialog {
    Q_OBJECT
public:
    frmShift(const catalogue::Entry& entry, QWidget* owner = nullptr);

    QScrollBar* scrLeftRight = nullptr;
    QScrollBar* scrUpDown = nullptr;
    QLineEdit* txtOffsetX = nullptr;
    QLineEdit* txtOffsetY = nullptr;

protected:
    QString captionText(int row, int value) const override;
    void setupDone() override;
};
