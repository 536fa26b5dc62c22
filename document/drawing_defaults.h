// The drawing settings every new document starts from; the Draw menu's choices update them.
#pragma once

#include <cstdint>

struct DrawingDefaults {
    int16_t thickness = 1;
    int32_t lineStyle = 0;
    int32_t fillStyle = -1;
    double penAlpha = 100.0;
    int32_t textureMode = 2;
    int16_t texturePreset = -1;
};
