// The Effects and Images presets through the real menus: palette files checked before use, the
// palette chart, the crop presets' sizes, the dither count passed as typed, and the frame's
// "Dither Palette" mark reaching the palette.
#include "catalogue_fixture.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/effects_image.h"
#include "engine/image_type.h"
#include "engine/ops/palettes.h"
#include "support/text_page.h"

#include <QAction>

using pixtest::pressOk;

namespace {

// A palette file of 256 entries, entry i at levels (i % 64, 63 - i % 64, i / 4).
QByteArray paletteBytes() {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        for (int level : {i % 64, 63 - i % 64, i / 4}) bytes.append(char(level));
    return bytes;
}

QString writePalette(const QString& name, const QByteArray& bytes) {
    const QString path = pixtest::tempDir() + QLatin1Char('/') + name;
    pixtest::writeBytes(path, bytes);
    return path;
}

} // namespace

TEST_F(CatalogueTest, PaletteFilesAreCheckedExactlyBeforeUse) {
    setImage(pixtest::gradientImage(40, 30), 5);
    const QImage before = pixels();
    QByteArray highLevel = paletteBytes();
    highLevel[5] = char(64);
    const struct {
        QString path;
        int beeps;
    } bad[] = {{writePalette("long.pal", paletteBytes() + QByteArray(1, '\0')), 0},
               {writePalette("level.pal", highLevel), 1},
               {pixtest::tempDir() + QStringLiteral("/missing.pal"), 0}};
    const std::pair<const char*, int> items[] = {{"mnuEffectsPalette", 4},
                                                 {"mnuEffectsPalDisplayPalFile", -1}};
    for (const auto& [item, index] : items)
        for (const auto& file : bad) {
            SCOPED_TRACE(file.path.toStdString());
            const int beeps = desktop.beeps;
            desktop.answerOpen(file.path);
            desktop.answerMessage(platform::Answer::Ok);
            frame->chooseMenuItem(QString::fromLatin1(item), index);
            ASSERT_FALSE(desktop.messagesShown.isEmpty());
            EXPECT_EQ(desktop.messagesShown.last().text,
                      file.path + QStringLiteral(" is not a valid palette file."));
            EXPECT_EQ(desktop.beeps - beeps, file.beeps);
            EXPECT_EQ(image().Undos(), 0);
            EXPECT_TRUE(pixtest::samePixels(pixels(), before));
        }

    // A valid file: its chart replaces the image, entry 17 at (17, 9).
    desktop.answerOpen(writePalette("good.pal", paletteBytes()));
    frame->chooseMenuItem(QStringLiteral("mnuEffectsPalDisplayPalFile"));
    ASSERT_EQ(image().image().size(), QSize(256, 128));
    EXPECT_EQ(image().imageType(), pix::kRgb);
    EXPECT_EQ(pixels().pixel(17, 9), qRgb(4 * 17, 4 * (63 - 17), 4 * (17 / 4)));
    EXPECT_EQ(pixels().pixel(255, 127), qRgb(4 * 63, 0, 4 * 63));
}

TEST_F(CatalogueTest, CropPresetsTakeHalfTheImageRaisedTo20) {
    const struct {
        QSize image;
        int index;
        QRect kept;
    } cases[] = {{{30, 30}, 3, {0, 0, 20, 20}},
                 {{200, 100}, 3, {0, 0, 100, 50}},
                 {{200, 100}, 6, {100, 50, 100, 50}},
                 {{201, 101}, 7, {50, 26, 100, 50}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        const QImage src = pixtest::gradientImage(c.image.width(), c.image.height());
        setImage(src, 5);
        select(QRect(1, 1, 5, 5)); // the presets ignore the selection
        frame->chooseMenuItem(QStringLiteral("mnuEffectsCrop"), c.index);
        EXPECT_TRUE(
            pixtest::samePixels(pixels(), src.copy(c.kept).convertToFormat(QImage::Format_ARGB32)));
    }
}

TEST_F(CatalogueTest, XColorsPassesItsCountAsTypedAndTheEngineRefusesWhatItCannotHold) {
    setImage(pixtest::gradientImage(40, 30), 5);
    const QImage before = pixels();
    desktop.answerModal(pressOk([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Dither Image"));
        asDialog(d).txtText(0)->setText(QStringLiteral("300"));
    }));
    desktop.answerMessage(platform::Answer::Ok);
    frame->chooseMenuItem(QStringLiteral("mnuEffectsDither"), 9);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_TRUE(desktop.messagesShown[0].text.contains(QStringLiteral("not 300")))
        << desktop.messagesShown[0].text.toStdString();
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
    EXPECT_EQ(image().Undos(), 0);
}

TEST_F(CatalogueTest, TheDitherPaletteMarkReachesThePalette) {
    const QImage src = pixtest::gradientImage(60, 40);
    for (bool dither : {false, true}) {
        setImage(src, 5);
        frame->menuItem(QStringLiteral("mnuEffectsDitherPalette"))->setChecked(dither);
        frame->chooseMenuItem(QStringLiteral("mnuEffectsPalette"), 2);
        pix::PixImage expected;
        expected.setImage(src, 5, QStringLiteral("No Undo"));
        pix::Effects::ApplyPalette(expected, pix::ops::builtInPalette(pix::ops::kSixteenPalette),
                                   dither);
        EXPECT_TRUE(pixtest::samePixels(image().image(), expected.image())) << dither;
    }
}

TEST_F(CatalogueTest, AutoDeskewStraightensTheSelectedLinesOnly) {
    // Text turned by 3 degrees in the lower right quarter of the page, selected.
    const QRect quarter(320, 210, 320, 210);
    const QImage page = pixtest::textPage(3.0, {640, 420}, quarter.adjusted(20, 20, -20, -20));
    setImage(page, pix::kMono);
    select(quarter);
    frame->chooseMenuItem(QStringLiteral("mnuEffectsAutoDeskew"));
    const pixtest::Lines lines = pixtest::measureLines(image().image(), quarter);
    EXPECT_EQ(lines.count, 6);
    EXPECT_NEAR(lines.degrees, 0.0, 0.2);
    // Outside the selection nothing changes.
    EXPECT_TRUE(
        pixtest::samePixels(pixels().copy(0, 0, 320, 210),
                            page.copy(0, 0, 320, 210).convertToFormat(QImage::Format_ARGB32)));
}
