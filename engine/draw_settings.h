// How the engine draws shapes: pen colour with alpha, antialiasing, thickness, line and fill
// style, and the fill texture.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

namespace pix {

// Texture placement: stretched over the shape, stretched over the image, or tiled.
enum TextureMode : int { kTextureStretchAction = 0, kTextureStretchImage = 1, kTextureTile = 2 };

// The font DrawText uses. Size in points at 96 dots per inch of the image; weight 0..9 is
// "don't care", thin, extra light, light, normal, medium, semi-bold, bold, extra bold, heavy.
struct TextFont {
    QString name = QStringLiteral("Times New Roman");
    double size = 12.0;
    int weight = 0;
    bool italic = false, underline = false, strikeOut = false;
};

struct DrawSettings {
    uint32_t penColor = 0xFF000000u; // engine colour 0xAABBGGRR
    int antialias = 1;               // 0, 1, 10 or 100
    int thickness = 1;
    int lineStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash dot, 4 dash dot dot
    int fillStyle = -1; // -1 none, 0 horizontal ... 5 diagonal cross, 6 solid
    QImage texture;
    int textureMode = kTextureTile;
    TextFont font;
};

} // namespace pix
