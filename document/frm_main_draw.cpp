// The drawing settings a document takes from the Draw menu: antialias, thickness, line style,
// fill style and opacity, each a radio group of menu items.
#include "frm_main.h"

#include "app/mdi_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "platform/vb.h"

#include <QAction>
#include <cmath>

namespace {
constexpr int kThickness[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 30, 50};
}

// Checks item `index` of a radio group of the frame's menu and clears the others.
void frmMain::checkMenuGroup(const char* group, int count, int index) {
    for (int i = 0; i < count; ++i)
        if (QAction* a = frame_.menuItem(QString::fromLatin1(group), i)) a->setChecked(i == index);
}

void frmMain::DrawAntialias(int16_t index) {
    if (index < 0 || index > 3) return;
    checkMenuGroup("mnuDrawAntialias", 4, index);
    Pix->image().Draw().antialias = int(std::pow(10.0, index) / 10.0);
}

void frmMain::DrawThickness(int16_t index) {
    if (index < 0 || index >= int(std::size(kThickness))) return;
    checkMenuGroup("mnuDrawThickness", int(std::size(kThickness)), index);
    const int t = kThickness[index];
    Pix->Shape().thickness = t;
    Pix->image().Draw().thickness = t;
    // Line styles are offered for thin pens only.
    if (QAction* a = frame_.menuItem(QStringLiteral("mnuDrawSetup"), 3)) a->setEnabled(index == 0);
    frame_.drawing.thickness = int16_t(t);
    Pix->setMouseMode(Pix->MouseMode());
}

void frmMain::DrawLineStyle(int16_t index) {
    if (index < 0 || index > 4) return;
    checkMenuGroup("mnuDrawLineStyle", 5, index);
    Pix->Shape().lineStyle = index;
    Pix->image().Draw().lineStyle = index;
    frame_.drawing.lineStyle = index;
}

void frmMain::DrawFillStyle(int16_t index) {
    if (index < 0 || index > 7) return;
    checkMenuGroup("mnuDrawFillStyle", 8, index);
    Pix->Shape().fillStyle = index - 1;
    Pix->image().Draw().fillStyle = index - 1;
    frame_.drawing.fillStyle = index - 1;
}

void frmMain::DrawOpacity(int16_t index) {
    if (index < 0 || index > 9) return;
    checkMenuGroup("mnuDrawOpacity", 10, index);
    const int alpha = vb::toInt32((100.0 - 10.0 * index) / 100.0 * 255.0);
    uint32_t& pen = Pix->image().Draw().penColor;
    pen = (pen & 0x00FFFFFFu) | (uint32_t(alpha) << 24);
    frame_.drawing.penAlpha = alpha;
}

int frmMain::drawOpacityAlpha() const {
    return int(Pix->image().Draw().penColor >> 24);
}
