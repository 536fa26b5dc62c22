// modSettings: the eleven application-wide settings and the routines that load and save them.
#pragma once

#include <QString>
#include <cstdint>

class CRegister;

// The settings as the program holds them while it runs.
struct FrameSettings {
    int16_t jpegQuality = 75;
    int16_t jpegSmoothing = 0;
    bool jpegProgressive = false;
    int16_t tiffCompression = 0;
    bool bmpRle = false;
    bool wmfPlaceable = true;
    bool alphaDisplay = true;
    int32_t backgroundColor = 16777215;
    bool flattenAlpha = true;
    int16_t ditherError = 20;
    bool doubleBuffer = true;
};

namespace modSettings {

// The key under which the settings live, as the program names it.
inline const QString kSettingsKey = QStringLiteral("SOFTWARE\\Corvane\\Pixendra Settings\\");

// Reads the eleven keys in order with their defaults; missing, empty or unreadable values give
// the default.
void LoadFrameSettings(FrameSettings& settings, const CRegister& store);
// Writes the eleven values in the same order (booleans as "True"/"False").
void SaveFrameSettings(const FrameSettings& settings, CRegister& store);

} // namespace modSettings
