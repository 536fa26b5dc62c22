// The settings store: defaults on a first run, stored text forms, sections, corruption.
#include "settings/cregister.h"
#include "settings/mod_settings.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

namespace {
QString freshStore() {
    return pixtest::tempDir() + QStringLiteral("/settings.reg");
}
} // namespace

TEST(SettingsStore, FirstRunGivesTheDefaults) {
    CRegister store(freshStore());
    FrameSettings s;
    s.jpegQuality = 1; // overwritten by the load
    s.doubleBuffer = false;
    modSettings::LoadFrameSettings(s, store);
    EXPECT_EQ(s.jpegQuality, 75);
    EXPECT_EQ(s.jpegSmoothing, 0);
    EXPECT_FALSE(s.jpegProgressive);
    EXPECT_EQ(s.tiffCompression, 0);
    EXPECT_FALSE(s.bmpRle);
    EXPECT_TRUE(s.wmfPlaceable);
    EXPECT_TRUE(s.alphaDisplay);
    EXPECT_EQ(s.backgroundColor, 16777215);
    EXPECT_TRUE(s.flattenAlpha);
    EXPECT_EQ(s.ditherError, 20);
    EXPECT_TRUE(s.doubleBuffer);
}

TEST(SettingsStore, StoredTextFormsAndKeyNames) {
    CRegister store(freshStore());
    auto put = [&](const char* name, const char* value) {
        store.REGSaveSetting(HKEY_LOCAL_MACHINE, modSettings::kSettingsKey,
                             QString::fromLatin1(name), QString::fromLatin1(value));
    };
    auto get = [&](const char* name) {
        return store.REGGetSetting(HKEY_LOCAL_MACHINE, modSettings::kSettingsKey,
                                   QString::fromLatin1(name));
    };
    put("JPG Progressive", "True");
    put("WMF Placeable", "0");
    put("JPG Quaity", "150");
    put("Dither Error", "garbage");
    FrameSettings s;
    modSettings::LoadFrameSettings(s, store);
    EXPECT_TRUE(s.jpegProgressive);
    EXPECT_FALSE(s.wmfPlaceable);
    EXPECT_EQ(s.jpegQuality, 150);
    EXPECT_EQ(s.ditherError, 20) << "a value that does not convert gives the default";

    s.bmpRle = true;
    s.backgroundColor = 0x123456;
    modSettings::SaveFrameSettings(s, store);
    EXPECT_EQ(get("BMP RLE Compression"), QStringLiteral("True"));
    EXPECT_EQ(get("Flattern Alpha"), QStringLiteral("True"));
    EXPECT_EQ(get("Background Color"), QStringLiteral("1193046"));
    FrameSettings back;
    modSettings::LoadFrameSettings(back, store);
    EXPECT_TRUE(back.bmpRle);
    EXPECT_EQ(back.backgroundColor, 0x123456);
}

TEST(SettingsStore, SectionsDefaultValueAndSubKeys) {
    CRegister store(freshStore());
    const auto hk = HKEY_CURRENT_USER;
    auto q = [](const char* text) { return QString::fromLatin1(text); };
    auto get = [&](const char* section, const char* name) {
        return store.REGGetSetting(hk, q(section), q(name), q("none"));
    };
    ASSERT_TRUE(store.REGSaveSetting(hk, q("\\A\\B\\"), q("k"), q("v")));
    EXPECT_EQ(get("A\\B", "K"), q("v")) << "names are case-insensitive, the section normalised";
    EXPECT_EQ(store.REGGetSetting(HKEY_LOCAL_MACHINE, q("A\\B"), q("k"), q("none")), q("none"))
        << "another root is another store";
    store.REGSaveSetting(hk, q("A\\B"), q("*"), q("the default"));
    EXPECT_EQ(get("A\\B", "*"), q("the default"));
    store.REGSaveSetting(hk, q("A\\C\\D"), q("x"), q("=@\\\n"));
    EXPECT_EQ(get("A\\C\\D", "x"), q("=@\\\n")) << "special characters survive";
    EXPECT_EQ(store.GetAllKeys(hk, q("A")), QStringList({q("B"), q("C")}));
    EXPECT_TRUE(store.GetAllKeys(hk, q("Nothing")).isEmpty());
    EXPECT_FALSE(store.REGDeleteSetting(hk, q("A\\C"))) << "a key with sub-keys is not deleted";
    EXPECT_TRUE(store.REGDeleteSetting(hk, q("A\\B"), q("k")));
    EXPECT_EQ(get("A\\B", "k"), q("none"));
    EXPECT_TRUE(store.REGDeleteSetting(hk, q("A\\C\\D")));
}

TEST(SettingsStore, CorruptOrUnreadableStoreGivesDefaults) {
    const QString file = freshStore();
    for (const QByteArray& junk :
         {QByteArray("\xff\xfe\x00garbage", 10), QByteArray("no section line\n"),
          QByteArray("[HKEY_LOCAL_MACHINE\\SOFTWARE]\nbad\\q=1\n")}) {
        pixtest::writeBytes(file, junk);
        CRegister store(file);
        FrameSettings s;
        s.jpegQuality = 3;
        modSettings::LoadFrameSettings(s, store);
        EXPECT_EQ(s.jpegQuality, 75);
        // Saving over a corrupt store replaces it with a good one.
        EXPECT_TRUE(store.REGSaveSetting(HKEY_LOCAL_MACHINE, modSettings::kSettingsKey,
                                         QStringLiteral("JPG Quaity"), QStringLiteral("80")));
        modSettings::LoadFrameSettings(s, store);
        EXPECT_EQ(s.jpegQuality, 80);
    }
    // A folder where the file should be: reads give defaults, writes fail without a crash.
    const QString dirAsFile = pixtest::tempDir();
    CRegister blocked(dirAsFile);
    FrameSettings s;
    modSettings::LoadFrameSettings(s, blocked);
    EXPECT_EQ(s.ditherError, 20);
    EXPECT_FALSE(blocked.REGSaveSetting(HKEY_LOCAL_MACHINE, QStringLiteral("X"),
                                        QStringLiteral("y"), QStringLiteral("z")));
}

TEST(SettingsStore, DefaultStoreLivesInTheConfigurationFolder) {
    // Tests run in Qt's test mode, so this is never the user's real folder.
    EXPECT_TRUE(CRegister::defaultStoreFile().contains(QStringLiteral("qttest")))
        << CRegister::defaultStoreFile().toStdString();
}
