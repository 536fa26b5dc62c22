#include "frm_colorize.h"

#include "engine/colors_hsl.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

const char* const kNames[] = {"Hue", "Sat", "Lum"};

} // namespace

frmColorize::frmColorize(const catalogue::Entry& entry, QWidget* owner)
    : PreviewDialog(entry, owner, Boxes::RealTimeOnly) {
    // Rows: the colour, then the three flags.
    chkHue = check(1);
    chkSat = check(2);
    chkLum = check(3);
    QScrollBar** bars[] = {&scrHue, &scrSat, &scrLum};
    QCheckBox* boxes[] = {chkHue, chkSat, chkLum};
    // The colour button on top; each check box heads its bar, the bars span the dialog; below
    // them "Real-Time Preview" and the buttons on the left, the preview on the right.
    constexpr double kLeft = kScrollLeftTwips, kRowTop = 480, kPitch = 600, kLine = 255;
    for (int i = 0; i < 3; ++i) {
        boxes[i]->setText(QString::fromLatin1(kNames[i]) + QStringLiteral(" 255"));
        QLabel* label = nullptr;
        QScrollBar* bar = addScroll(QString::fromLatin1(kNames[i]), 0, 255, 127, 10, &label);
        label->hide();
        const double top = kRowTop + i * kPitch;
        place(boxes[i], kLeft, top, 2400, kLine);
        place(bar, kLeft, top + kLine, kInnerWidthTwips - 2 * kLeft, kLine);
        *bars[i] = bar;
        connect(bar, &QScrollBar::valueChanged, this,
                [this, i, bar] { barMoved(i, !bar->isSliderDown()); });
        connect(bar, &QScrollBar::sliderReleased, this, [this, i] { barMoved(i, true); });
    }
    const double below = kRowTop + 3 * kPitch;
    place(chkRealTimePreview, kLeft, below, 2700, kLine);
    const QRectF apply = twips(btnApply), cancel = twips(btnCancel);
    const double buttonTop = kInnerHeightTwips - apply.height() - 120;
    place(btnApply, kLeft, buttonTop, apply.width(), apply.height());
    place(btnCancel, kLeft + apply.width() + 120, buttonTop, cancel.width(), cancel.height());
}

PreviewDialog::PreviewArea frmColorize::previewArea() const {
    const QRectF check = twips(chkRealTimePreview), lum = twips(scrLum);
    return {check.left() + check.width(), lum.top() + lum.height(), double(kInnerHeightTwips),
            false};
}

void frmColorize::barMoved(int which, bool settled) {
    QScrollBar* bars[] = {scrHue, scrSat, scrLum};
    QCheckBox* boxes[] = {chkHue, chkSat, chkLum};
    boxes[which]->setText(QString::fromLatin1(kNames[which]) + QStringLiteral(": ") +
                          QString::number(bars[which]->value()));
    const pix::Colors::Triple rgb = pix::Colors::HSLToRGB(
        uint8_t(scrHue->value()), uint8_t(scrSat->value()), uint8_t(scrLum->value()));
    setColour(rgb.a + 256u * rgb.b + 65536u * rgb.c);
    changed(settled);
}

void frmColorize::colourChosen() {
    // The bars and captions follow the chosen colour, which stays exactly as chosen; one
    // preview, whether or not a bar moved.
    const uint32_t c = colour();
    const pix::Colors::Triple hsl =
        pix::Colors::RGBToHSL(uint8_t(c & 0xFF), uint8_t(c >> 8 & 0xFF), uint8_t(c >> 16 & 0xFF));
    const int values[] = {hsl.a, hsl.b, hsl.c};
    QScrollBar* bars[] = {scrHue, scrSat, scrLum};
    QCheckBox* boxes[] = {chkHue, chkSat, chkLum};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker quiet(bars[i]);
        bars[i]->setValue(values[i]);
        boxes[i]->setText(QString::fromLatin1(kNames[i]) + QStringLiteral(": ") +
                          QString::number(values[i]));
    }
    changed(true);
}
