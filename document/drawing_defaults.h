// The drawing settings every new document starts from; the Draw menu's choices update them.
#pragma once

#include <QImage>
#include <cstdint>

struct DrawingDefaults {
    int16_t thickness = 1;
    int32_t lineStyle = 0;
    int32_t fillStyle = -1;
    double penAlpha = 255.0; // 0..255, as the Opacity items set it
    int32_t textureMode = 2;
    int16_t texturePreset = -1; // 1..3 for a preset, -1 for none
    int antialias = 1;
    QImage texture; // the fill texture last chosen (none after "Clear")
};
