#include "frm_negative_color.h"

#include "engine/colors_hsl.h"
#include "platform/vb.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

namespace {

// The whole number a box holds; `fallback` when it holds none (it can only be empty).
int boxValue(const QLineEdit* box, int fallback) {
    bool ok = false;
    const qlonglong v = box->text().toLongLong(&ok);
    return ok ? int(std::clamp<qlonglong>(v, 0, 255)) : fallback;
}

} // namespace

frmNegativeColor::frmNegativeColor(const catalogue::Entry& entry, QWidget* owner)
    : PreviewDialog(entry, owner, Boxes::DelayedWithButton) {
    // The colour button with its label on one line.
    auto* label = new QLabel(QStringLiteral("Select a Color:"), this);
    label->setObjectName(QStringLiteral("lblColor"));
    const QRect button = btnColor->geometry();
    label->setGeometry(button.x(), button.y(), button.width() / 2, button.height());
    btnColor->setGeometry(button.x() + button.width() / 2, button.y(), button.width() / 2,
                          button.height());

    const char* names[] = {"Red", "Green", "Blue"};
    QScrollBar** bars[] = {&scrRed, &scrGreen, &scrBlue};
    QLineEdit** boxes[] = {&txtRed, &txtGreen, &txtBlue};
    for (int i = 0; i < 3; ++i) {
        const QString name = QString::fromLatin1(names[i]);
        QLabel* caption = nullptr;
        QScrollBar* bar = addScroll(name, 0, 255, rgb_[i], 10, &caption);
        caption->setText(name + QStringLiteral(":"));
        *bars[i] = bar;
        connect(bar, &QScrollBar::valueChanged, this, [this, i](int v) {
            if (!busy) setChannel(i, v);
        });
        // A channel above 255 is 255 (the keys admit no sign).
        *boxes[i] =
            addNumberBox(bar, QStringLiteral("txt") + name, false, true,
                         [this, i](QLineEdit* box) { setChannel(i, boxValue(box, rgb_[i])); });
    }
    const char* hslNames[] = {"Hue", "Sat", "Lum"};
    QLineEdit** hslBoxes[] = {&txtHue, &txtSat, &txtLum};
    for (int i = 0; i < 3; ++i) {
        const QString name = QString::fromLatin1(hslNames[i]);
        *hslBoxes[i] = addLooseBox(QStringLiteral("txt") + name, name + QStringLiteral(":"), false,
                                   true, [this](QLineEdit* box) {
                                       box->setText(QString::number(boxValue(box, 0)));
                                       const pix::Colors::Triple c =
                                           pix::Colors::HSLToRGB(uint8_t(boxValue(txtHue, 0)),
                                                                 uint8_t(boxValue(txtSat, 0)),
                                                                 uint8_t(boxValue(txtLum, 0)));
                                       rgb_[0] = c.a, rgb_[1] = c.b, rgb_[2] = c.c;
                                       refresh();
                                   });
    }
    setColour(uint32_t(rgb_[0] + 256 * rgb_[1] + 65536 * rgb_[2]));
}

PreviewDialog::PreviewArea frmNegativeColor::previewArea() const {
    const QRectF red = twips(scrRed);
    return {red.left() + red.width(), 0, twips(btnPreview).top(), true};
}

void frmNegativeColor::setChannel(int which, int value) {
    rgb_[which] = std::clamp(value, 0, 255);
    refresh();
}

void frmNegativeColor::colourChosen() {
    const uint32_t c = colour();
    rgb_[0] = int(c & 0xFF), rgb_[1] = int(c >> 8 & 0xFF), rgb_[2] = int(c >> 16 & 0xFF);
    refresh();
}

void frmNegativeColor::refresh() {
    busy = true;
    setColour(uint32_t(rgb_[0] + 256 * rgb_[1] + 65536 * rgb_[2]));
    const pix::Colors::Triple hsl =
        pix::Colors::RGBToHSL(uint8_t(rgb_[0]), uint8_t(rgb_[1]), uint8_t(rgb_[2]));
    txtHue->setText(QString::number(hsl.a));
    txtSat->setText(QString::number(hsl.b));
    txtLum->setText(QString::number(hsl.c));
    QScrollBar* bars[] = {scrRed, scrGreen, scrBlue};
    QLineEdit* boxes[] = {txtRed, txtGreen, txtBlue};
    for (int i = 0; i < 3; ++i) {
        boxes[i]->setText(QString::number(rgb_[i]));
        bars[i]->setValue(rgb_[i]);
    }
    changed(true);
    busy = false;
}
