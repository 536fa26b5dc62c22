// The drawing settings a document takes from the Draw menu: antialias, thickness, line style,
// fill style and opacity, each a radio group of menu items; the pen colour and the textures.
#include "frm_main.h"

#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "platform/desktop.h"
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
    remember(host_, &DrawingDefaults::antialias, Pix->image().Draw().antialias);
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

void frmMain::DrawSetup(int16_t index) {
    // Items 1..6 open submenus; only "Color..." acts. A cancelled dialog changes nothing.
    if (index != 0) return;
    uint32_t& pen = Pix->image().Draw().penColor;
    const QColor current(int(pen & 0xFF), int((pen >> 8) & 0xFF), int((pen >> 16) & 0xFF));
    const std::optional<QColor> chosen = platform::desktop().chooseColor(current);
    if (!chosen) return;
    pen = (pen & 0xFF000000u) | uint32_t(chosen->red()) | (uint32_t(chosen->green()) << 8) |
          (uint32_t(chosen->blue()) << 16);
}

void frmMain::DrawTexture(int16_t index) {
    pix::DrawSettings& draw = Pix->image().Draw();
    switch (index) {
    case 0:
        host_.chooseTexture();
        return;
    case 4: // "Clear"
        draw.texture = QImage();
        remember(host_, &DrawingDefaults::texture, QImage());
        remember(host_, &DrawingDefaults::texturePreset, -1);
        return;
    case 6: // "Stretch to action", "Stretch to image", "Tile"
    case 7:
    case 8:
        draw.textureMode = index - 6;
        emit drawingSettingChosen(QStringLiteral("mnuDrawTexture"), index);
        remember(host_, &DrawingDefaults::textureMode, draw.textureMode);
        return;
    default: // the Presets and Gradient submenus
        return;
    }
}

void frmMain::DrawTextureEx(int16_t index) {
    if (index < 0 || index > 2) return;
    const QImage texture(QStringLiteral(":/CUSTOM/TEXTURE%1").arg(index + 1));
    if (texture.isNull()) return;
    pix::DrawSettings& draw = Pix->image().Draw();
    draw.texture = texture;
    draw.textureMode = pix::kTextureTile;
    emit drawingSettingChosen(QStringLiteral("mnuDrawTexture"), 8);
    remember(host_, &DrawingDefaults::texture, texture);
    remember(host_, &DrawingDefaults::textureMode, pix::kTextureTile);
    remember(host_, &DrawingDefaults::texturePreset, index + 1);
}

void frmMain::applyTexture(const QImage& texture) {
    Pix->image().Draw().texture = texture;
    remember(host_, &DrawingDefaults::texture, texture);
    DrawFillStyle(7); // "Solid": the texture fills the shapes
}
