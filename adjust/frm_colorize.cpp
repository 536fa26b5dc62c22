#include "frm_colorize.h"

#include "engine/colors_hsl.h"

#include <QCheckBox>
#include <QLabel>
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
    // Each check box sits on its bar's caption line, the bars right below the colour button.
    const int firstBox = chkHue->y();
    int shift = 0;
    for (int i = 0; i < 3; ++i) {
        boxes[i]->setText(QString::fromLatin1(kNames[i]) + QStringLiteral(" 255"));
        QLabel* label = nullptr;
        QScrollBar* bar = addScroll(QString::fromLatin1(kNames[i]), 0, 255, 127, 10, &label);
        if (i == 0) shift = label->y() - firstBox;
        label->hide();
        boxes[i]->move(label->x(), label->y() - shift);
        bar->move(bar->x(), bar->y() - shift);
        *bars[i] = bar;
        connect(bar, &QScrollBar::valueChanged, this,
                [this, i, bar] { barMoved(i, !bar->isSliderDown()); });
        connect(bar, &QScrollBar::sliderReleased, this, [this, i] { barMoved(i, true); });
    }
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
