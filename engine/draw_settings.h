// How the engine draws shapes: pen colour with alpha, antialiasing, thickness, line and fill
// style, and the fill texture.
#pragma once

#include <QImage>
#include <cstdint>

namespace pix {

// Texture placement: stretched over the shape, stretched over the image, or tiled.
enum TextureMode : int { kTextureStretchAction = 0, kTextureStretchImage = 1, kTextureTile = 2 };

struct DrawSettings {
    uint32_t penColor = 0xFF000000u; // engine colour 0xAABBGGRR
    int antialias = 1;               // 0, 1, 10 or 100
    int thickness = 1;
    int lineStyle = 0;  // 0 solid, 1 dash, 2 dot, 3 dash dot, 4 dash dot dot
    int fillStyle = -1; // -1 none, 0 horizontal ... 5 diagonal cross, 6 solid
    QImage texture;
    int textureMode = kTextureTile;
};

} // namespace pix
