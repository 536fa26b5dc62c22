// Flip, dither, palettes, AutoCrop and AutoDeskew: properties against independent measures.
#include "engine/effects.h"
#include "engine/effects_image.h"
#include "engine/image_type.h"
#include "engine/ops/deskew.h"
#include "engine/ops/palettes.h"
#include "engine/ops/rotate.h"
#include "ops_test_util.h"
#include "support/test_images.h"
#include "support/text_page.h"

#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>

using namespace pix;

namespace {

const QString kNoUndo = QStringLiteral("No Undo");

QSet<QRgb> coloursOf(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> set;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) set.insert(rgb.pixel(x, y) | 0xFF000000u);
    return set;
}

} // namespace

TEST(EffectsImage, FlipTwiceIsTheIdentityOnEveryType) {
    for (int type = 0; type < kImageTypeCount; ++type)
        for (int direction : {0, 1}) {
            PixImage img;
            img.setImage(pixtest::imageOfType(type, 37, 23), type, kNoUndo);
            const QImage before = img.image();
            Effects::Flip(img, direction);
            EXPECT_FALSE(pixtest::samePixels(img.image(), before)) << type;
            Effects::Flip(img, direction);
            EXPECT_TRUE(pixtest::samePixels(img.image(), before)) << type;
            EXPECT_EQ(img.imageType(), type);
        }
}

TEST(EffectsImage, DitherLeavesAtMostNColoursKeepsTheMeanAndRefusesWhatAPaletteCannotHold) {
    for (bool alpha : {false, true}) {
        const QImage src = opstest::smoothImage(160, 120, alpha);
        const opstest::Stats want = opstest::stats(src);
        for (int n : {2, 7, 64, 256}) {
            SCOPED_TRACE(testing::Message() << n << " colours, alpha " << alpha);
            PixImage img;
            img.setImage(src, alpha ? kRgba : kRgb, kNoUndo);
            Effects::Dither(img, n, true, true);
            EXPECT_LE(coloursOf(img.image()).size(), n);
            const opstest::Stats got = opstest::stats(img.image());
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(got.mean[size_t(c)], want.mean[size_t(c)], 4.0);
            EXPECT_TRUE(pixtest::samePixels(opstest::alphaOf(img.image()), opstest::alphaOf(src)));
        }
    }
    opstest::expectRejected({{"301", [](PixImage& i) { Effects::Dither(i, 300, true, true); }},
                             {"1", [](PixImage& i) { Effects::Dither(i, 1, true, true); }}});
}

TEST(EffectsImage, TheWebPaletteLeavesOnlyWebColoursAndKeepsAlpha) {
    const QImage src = opstest::smoothImage(120, 80, true);
    for (bool dither : {false, true}) {
        PixImage img;
        img.setImage(src, kRgba, kNoUndo);
        Effects::ApplyPalette(img, ops::builtInPalette(ops::kWebPalette), dither);
        for (QRgb c : coloursOf(img.image()))
            EXPECT_TRUE(qRed(c) % 51 == 0 && qGreen(c) % 51 == 0 && qBlue(c) % 51 == 0)
                << std::hex << c;
        EXPECT_TRUE(pixtest::samePixels(opstest::alphaOf(img.image()), opstest::alphaOf(src)));
    }
}

TEST(EffectsImage, AutoCropTrimsABorderWithinItsTolerance) {
    const QImage inner = pixtest::gradientImage(30, 20);
    QImage framed(44, 31, QImage::Format_RGB32);
    for (int y = 0; y < framed.height(); ++y) // a border of (100, 110, 120), two levels of noise
        for (int x = 0; x < framed.width(); ++x)
            framed.setPixel(x, y, qRgb(100 + (x + y) % 3, 110 - x % 3, 120 + y % 3));
    QPainter(&framed).drawImage(5, 4, inner);
    PixImage img;
    img.setImage(framed, kRgb, kNoUndo);
    Effects::AutoCrop(img, 1.0f, std::nullopt);
    EXPECT_TRUE(pixtest::samePixels(img.image(), inner));
    Effects::AutoCrop(img, 1.0f, MakeColor(0x0000FF, 255)); // no red border: nothing trimmed
    EXPECT_TRUE(pixtest::samePixels(img.image(), inner));
}

TEST(EffectsImage, AutoDeskewStraightensLinesTurnedBy3Degrees) {
    ASSERT_EQ(pixtest::measureLines(pixtest::textPage(0)).count, 12);
    for (double degrees : {3.0, -3.0}) {
        PixImage img;
        img.setImage(pixtest::textPage(degrees), kMono, kNoUndo);
        Effects::AutoDeskew(img, 2, 4, 1, 0, 0, 0, 0);
        const pixtest::Lines lines = pixtest::measureLines(img.image());
        EXPECT_EQ(lines.count, 12) << degrees;
        EXPECT_NEAR(lines.degrees, 0.0, 0.2) << degrees;
        EXPECT_EQ(img.imageType(), kMono);
    }
    opstest::expectRejected(
        {{"24-bit", [](PixImage& i) { Effects::AutoDeskew(i, 2, 4, 1, 0, 0, 0, 0); }}});
}

// Pages of 32767 pixels a side or more are turned by the engine's own warp, which must turn as
// OpenCV's does on smaller ones.
TEST(EffectsImage, DeskewTurnOfPagesTooLargeForOpenCvMatchesItsTurn) {
    const QImage grey = pixtest::gradientImage(300, 200).convertToFormat(QImage::Format_Grayscale8);
    const QImage byOpenCv = ops::turnGrey(grey, 3.0, 255);
    const QImage ours = ops::turnAboutCentre(grey.convertToFormat(QImage::Format_RGB32), 3.0,
                                             qRgb(255, 255, 255), "test")
                            .convertToFormat(QImage::Format_Grayscale8);
    EXPECT_LE(pixtest::maxChannelDiff(ours, byOpenCv), 2);
    const QImage wide =
        pixtest::flatImage(32800, 3, qRgb(90, 90, 90)).convertToFormat(QImage::Format_Grayscale8);
    EXPECT_EQ(ops::turnGrey(wide, 0.0, 255).pixelColor(16400, 1).red(), 90);
}
