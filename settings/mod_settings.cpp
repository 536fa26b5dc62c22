#include "mod_settings.h"

#include "cregister.h"
#include "platform/vb.h"

#include <variant>

namespace modSettings {

namespace {

using Field =
    std::variant<int16_t FrameSettings::*, int32_t FrameSettings::*, bool FrameSettings::*>;

struct SettingKey {
    const char* name; // exact stored names, spelling included
    const char* defaultText;
    Field field;
};

const SettingKey kKeys[] = {
    {"JPG Quaity", "75", &FrameSettings::jpegQuality},
    {"JPG Smoothing", "0", &FrameSettings::jpegSmoothing},
    {"JPG Progressive", "0", &FrameSettings::jpegProgressive},
    {"TIFF Compression", "0", &FrameSettings::tiffCompression},
    {"BMP RLE Compression", "0", &FrameSettings::bmpRle},
    {"WMF Placeable", "1", &FrameSettings::wmfPlaceable},
    {"Alpha Display", "1", &FrameSettings::alphaDisplay},
    {"Background Color", "16777215", &FrameSettings::backgroundColor},
    {"Flattern Alpha", "1", &FrameSettings::flattenAlpha},
    {"Dither Error", "20", &FrameSettings::ditherError},
    {"Double Buffer", "1", &FrameSettings::doubleBuffer},
};

// Converts stored text; a value that does not convert falls back to the default text.
template <typename T> T convert(const QString& text, const QString& fallback) {
    auto one = [](const QString& t, bool* ok) -> T {
        *ok = true;
        try {
            if constexpr (std::is_same_v<T, bool>)
                return vb::textToBool(t, ok);
            else if (!vb::isNumeric(t))
                *ok = false;
            else if constexpr (std::is_same_v<T, int16_t>)
                return vb::toInt16(vb::leadingNumber(t));
            else
                return vb::toInt32(vb::leadingNumber(t));
        } catch (const vb::OverflowError&) {
            *ok = false;
        }
        return T{};
    };
    bool ok = false;
    const T value = one(text, &ok);
    return ok ? value : one(fallback, &ok);
}

} // namespace

void LoadFrameSettings(FrameSettings& settings, const CRegister& store) {
    for (const SettingKey& k : kKeys) {
        const QString fallback = QString::fromLatin1(k.defaultText);
        const QString text = store.REGGetSetting(HKEY_LOCAL_MACHINE, kSettingsKey,
                                                 QString::fromLatin1(k.name), fallback);
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(settings.*member)>;
                settings.*member = convert<T>(text, fallback);
            },
            k.field);
    }
}

void SaveFrameSettings(const FrameSettings& settings, CRegister& store) {
    for (const SettingKey& k : kKeys) {
        const QString text = std::visit(
            [&](auto member) -> QString {
                const auto value = settings.*member;
                if constexpr (std::is_same_v<std::remove_cv_t<decltype(value)>, bool>)
                    return vb::boolText(value);
                else
                    return QString::number(value);
            },
            k.field);
        store.REGSaveSetting(HKEY_LOCAL_MACHINE, kSettingsKey, QString::fromLatin1(k.name), text);
    }
}

} // namespace modSettings
