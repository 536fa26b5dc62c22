// The drawing settings a document takes from the Draw menu: antialias, thickness, line style,
// fill style and opacity, each a radio group of menu items.
#include "frm_main.h"

#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "platform/vb.h"

#include <cmath>

namespace {
constexpr int kThickness[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 30, 50};

// The choice becomes the default of the documents opened later.
template <typename T, typename V>
void remember(DocumentHost& host, T DrawingDefaults::*field, V value) {
    DrawingDefaults d = host.drawingDefaults();
    d.*field = T(value);
    host.setDrawingDefaults(d);
}

} // namespace

void frmMain::DrawAntialias(int16_t index) {
    if (index < 0 || index > 3) return;
    emit drawingSettingChosen(QStringLiteral("mnuDrawAntialias"), index);
    Pix->image().Draw().antialias = int(std::pow(10.0, index) / 10.0);
}

void frmMain::DrawThickness(int16_t index) {
    if (index < 0 || index >= int(std::size(kThickness))) return;
    emit drawingSettingChosen(QStringLiteral("mnuDrawThickness"), index);
    const int t = kThickness[index];
    Pix->Shape().thickness = t;
    Pix->image().Draw().thickness = t;
    remember(host_, &DrawingDefaults::thickness, t);
    Pix->setMouseMode(Pix->MouseMode());
}

void frmMain::DrawLineStyle(int16_t index) {
    if (index < 0 || index > 4) return;
    emit drawingSettingChosen(QStringLiteral("mnuDrawLineStyle"), index);
    Pix->Shape().lineStyle = index;
    Pix->image().Draw().lineStyle = index;
    remember(host_, &DrawingDefaults::lineStyle, index);
}

void frmMain::DrawFillStyle(int16_t index) {
    if (index < 0 || index > 7) return;
    emit drawingSettingChosen(QStringLiteral("mnuDrawFillStyle"), index);
    Pix->Shape().fillStyle = index - 1;
    Pix->image().Draw().fillStyle = index - 1;
    remember(host_, &DrawingDefaults::fillStyle, index - 1);
}

void frmMain::DrawOpacity(int16_t index) {
    if (index < 0 || index > 9) return;
    emit drawingSettingChosen(QStringLiteral("mnuDrawOpacity"), index);
    const int alpha = vb::toInt32((100.0 - 10.0 * index) / 100.0 * 255.0);
    uint32_t& pen = Pix->image().Draw().penColor;
    pen = (pen & 0x00FFFFFFu) | (uint32_t(alpha) << 24);
    remember(host_, &DrawingDefaults::penAlpha, alpha);
}

int frmMain::drawOpacityAlpha() const {
    return int(Pix->image().Draw().penColor >> 24);
}
