// The Channels group: merge types against their definitions, flatten, alpha blur, channel order,
// every page type, and arguments refused.
#include "engine/channels_alpha.h"
#include "engine/color_values.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <functional>
#include <gtest/gtest.h>

using namespace pix;
using opstest::at;

namespace {

// A 256 x 256 image whose alpha is its column (x), colours fixed.
QImage alphaRampImage() {
    QImage img(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) img.setPixel(x, y, qRgba(30, 140, 220, x));
    return img;
}

// A grey mask whose level is its row (y).
QImage rowRamp(int w, int h) {
    QImage m(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) std::fill_n(m.scanLine(y), w, uchar(y));
    return m;
}

TEST(Channels, EachMergeTypeCombinesExistingAndNewAlphaAsDefined) {
    // Existing alpha e (the column) meets new alpha n (the mask's row), every pair once.
    const std::function<int(int, int)> definition[] = {
        [](int, int n) { return n; },
        [](int e, int n) { return std::max(e, n); },
        [](int e, int n) { return std::min(e, n); },
        [](int e, int n) { return std::min(255, e + n); },
        [](int e, int n) { return std::max(0, e - n); },
        [](int e, int n) { return e & n; },
        [](int e, int n) { return e | n; },
        [](int e, int n) { return e ^ n; },
        [](int e, int) { return e; },
    };
    PixImage mask;
    mask.setImage(rowRamp(256, 256), kGray, {});
    for (int merge = 0; merge < 9; ++merge) {
        SCOPED_TRACE(merge);
        PixImage img;
        img.setImage(alphaRampImage(), kRgba, {});
        Channels::AddAlphaMask(img, mask, false, 0, 0, merge);
        int wrong = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const QRgb p = at(img.image(), x, y);
                wrong += qAlpha(p) != definition[merge](x, y) || (p & 0xFFFFFF) != 0x1E8CDCu;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(Channels, MaskPlacedAtTheOriginLeavesTheRestAndAFittedMaskCoversAll) {
    PixImage mask;
    mask.setImage(rowRamp(16, 16), kGray, {});
    for (int merge : {0, 3, 7}) {
        PixImage img;
        img.setImage(alphaRampImage(), kRgba, {});
        Channels::AddAlphaMask(img, mask, false, 0, 0, merge);
        EXPECT_EQ(qAlpha(at(img.image(), 100, 100)), 100) << "outside the mask, merge " << merge;
        EXPECT_EQ(qAlpha(at(img.image(), 0, 10)), 10) << "inside, merge " << merge;
    }
    PixImage img;
    img.setImage(pixtest::gradientImage(64, 64), kRgb, {});
    Channels::AddAlphaMask(img, mask, true, 0, 0, 0);
    EXPECT_EQ(img.imageType(), kRgba);
    EXPECT_LE(qAlpha(at(img.image(), 30, 0)), 1);
    EXPECT_GE(qAlpha(at(img.image(), 30, 63)), 14); // the mask's last row, stretched
}

TEST(Channels, FlattenOntoWhiteOfHalfTransparentBlackIsMidGrey) {
    PixImage img;
    img.setImage(opstest::flat(8, 8, qRgba(0, 0, 0, 128)), kRgba, {});
    Channels::Flatten(img, MakeColor(0xFFFFFF, 255));
    const QRgb p = at(img.image(), 3, 3);
    EXPECT_EQ(qAlpha(p), 255);
    for (int c : {qRed(p), qGreen(p), qBlue(p)}) EXPECT_NEAR(c, 127, 1);
}

TEST(Channels, ConstantAndColourMatchGiveTheirAlphaAndKeepTheColours) {
    PixImage img;
    img.setImage(opstest::flat(4, 4, qRgb(200, 100, 50)), kRgb, {});
    Channels::SetAlpha(img, 64, 0);
    EXPECT_EQ(img.imageType(), kRgba);
    EXPECT_EQ(at(img.image(), 1, 1), qRgba(200, 100, 50, 64));

    // 10 % of 255 is 26 levels: a pixel 26 away matches, 27 away does not.
    QImage two = opstest::flat(2, 1, qRgb(126, 100, 50));
    two.setPixel(1, 0, qRgb(127, 100, 50));
    img.setImage(two, kRgb, {});
    Channels::AlphaByColor(img, MakeColor(0x326464, 255), 10, 0, 255, 0, 0, 0);
    EXPECT_EQ(qAlpha(at(img.image(), 0, 0)), 0);
    EXPECT_EQ(qAlpha(at(img.image(), 1, 0)), 255);
    EXPECT_EQ(at(img.image(), 1, 0) & 0xFFFFFF, 0x7F6432u);
}

TEST(Channels, BlurAlphaSpreadsAlphaAloneAndKeepsItsMean) {
    QImage src = opstest::checkerboard(32, 32).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb p = src.pixel(x, y);
            src.setPixel(x, y, qRgba(qRed(p), 90, 10, (x / 4 + y / 4) % 2 ? 255 : 0));
        }
    PixImage img;
    img.setImage(src, kRgba, {});
    Channels::BlurAlpha(img, 2.0);
    double sumBefore = 0, sumAfter = 0;
    int colourChanged = 0, between = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb a = at(src, x, y), b = at(img.image(), x, y);
            colourChanged += (a & 0xFFFFFF) != (b & 0xFFFFFF);
            between += qAlpha(b) > 20 && qAlpha(b) < 235;
            sumBefore += qAlpha(a), sumAfter += qAlpha(b);
        }
    EXPECT_EQ(colourChanged, 0);
    EXPECT_GT(between, 200);
    EXPECT_NEAR(sumAfter / 1024, sumBefore / 1024, 2.0);
}

TEST(Channels, ReorderRedAndBlueTwiceIsTheIdentityOnEveryType) {
    for (int type = 0; type < kImageTypeCount; ++type) {
        SCOPED_TRACE(type);
        PixImage img;
        img.setImage(pixtest::imageOfType(type, 24, 16), type, {});
        const QImage before = img.image().convertToFormat(QImage::Format_ARGB32);
        Channels::Reorder(img, 2, 1, 0, 3);
        if (type == kRgb) {
            const QRgb b = before.pixel(5, 5), a = at(img.image(), 5, 5);
            EXPECT_EQ(qRgb(qBlue(b), qGreen(b), qRed(b)), a | 0xFF000000u);
        }
        Channels::Reorder(img, 2, 1, 0, 3);
        EXPECT_TRUE(pixtest::samePixels(img.image(), before));
        EXPECT_EQ(typeHasAlpha(img.imageType()), typeHasAlpha(type));
    }
}

TEST(Channels, EveryTypeUndoesExactlyAndAlphaComesWhereItIsGiven) {
    std::array<uint8_t, 256> invert{};
    for (int i = 0; i < 256; ++i) invert[size_t(i)] = uint8_t(255 - i);
    PixImage mask;
    mask.setImage(rowRamp(8, 8), kGray, {});
    const opstest::Calls calls = {
        {"AlphaByColor",
         [](PixImage& i) { Channels::AlphaByColor(i, MakeColor(0, 255), 30, 0, 255, 0, 0, 2); },
         false},
        {"SetAlpha", [](PixImage& i) { Channels::SetAlpha(i, 64, 1); }, false},
        {"MapAlpha", [&](PixImage& i) { Channels::MapAlpha(i, invert); }, false},
        {"BlurAlpha", [](PixImage& i) { Channels::BlurAlpha(i, 1.5); }, false},
        {"AddAlphaMask", [&](PixImage& i) { Channels::AddAlphaMask(i, mask, true, 0, 0, 0); },
         false},
        {"Flatten", [](PixImage& i) { Channels::Flatten(i, MakeColor(0xFF00FF, 255)); }},
        {"ClearAlpha", [](PixImage& i) { Channels::ClearAlpha(i); }},
        {"Reorder", [](PixImage& i) { Channels::Reorder(i, 1, 2, 0, 3); }},
    };
    opstest::expectEveryTypeUndoes(
        calls, 20, 14, [](const opstest::Call& call, int type, const QImage&, const PixImage& img) {
            EXPECT_EQ(img.image().format(), storageFormat(img.imageType()));
            if (!call.keepsAlpha)
                EXPECT_EQ(img.imageType(), kRgba);
            else
                EXPECT_EQ(typeHasAlpha(img.imageType()), typeHasAlpha(type));
        });
    opstest::expectRejected({
        {"merge 9", [](PixImage& i) { Channels::SetAlpha(i, 10, 9); }},
        {"alpha 256", [](PixImage& i) { Channels::SetAlpha(i, 256, 0); }},
        {"tolerance 101", [](PixImage& i) { Channels::AlphaByColor(i, 0, 101, 0, 255, 0, 0, 0); }},
        {"sigma 0", [](PixImage& i) { Channels::BlurAlpha(i, 0); }},
        {"channel 4", [](PixImage& i) { Channels::Reorder(i, 4, 1, 2, 3); }},
        {"empty mask", [](PixImage& i) { Channels::AddAlphaMask(i, PixImage(), true, 0, 0, 0); }},
    });
}

TEST(Colors, SplitColorUndoesMakeColorRGBAAndOutOfRangeIsRefused) {
    for (int v = 0; v < 256; v += 15) {
        const int r = v, g = 255 - v, b = (v * 7) % 256, a = (v * 13) % 256;
        const EngineColor c = Colors::MakeColorRGBA(r, g, b, a);
        EXPECT_EQ(c, MakeColor(uint32_t(r | g << 8 | b << 16), a));
        const Colors::ColorParts p = Colors::SplitColor(c);
        EXPECT_EQ((std::array{p.red, p.green, p.blue, p.alpha}), (std::array{r, g, b, a}));
    }
    EXPECT_THROW(Colors::MakeColorRGBA(0, 256, 0, 0), PixError);
    EXPECT_THROW(Colors::MakeColorRGBA(0, 0, 0, -1), PixError);
}

} // namespace
