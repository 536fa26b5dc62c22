// The Processor group's point and colour operations: the shared call sweeps, and each
// operation against its own definition.
#include "engine/image_type.h"
#include "engine/ops/colour_point.h"
#include "engine/ops/dither_two.h"
#include "engine/ops/noise_add.h"
#include "engine/ops/op_support.h"
#include "engine/ops/planes.h"
#include "engine/ops/tone_point.h"
#include "engine/pix_error.h"
#include "engine/processor_point.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <set>

using namespace pix;
using opstest::at;
using opstest::Call;
using opstest::Calls;

namespace {

const EngineColor kRed = MakeColor(0x0000FF, 255);

// Each call with the catalogue's arguments (the alpha-keeping choice where there is one).
const Calls& calls() {
    using namespace Processor;
    static const Calls c{
        {"AutoBrightness", [](PixImage& i) { AutoBrightness(i, 8, 248, false); }},
        {"AutoBrightnessEven", [](PixImage& i) { AutoBrightness(i, 8, 248, true); }},
        {"AddNoise", [](PixImage& i) { AddNoise(i, 0, 100, false, true); }},
        {"AddNoiseMono", [](PixImage& i) { AddNoise(i, 2, 400, true, true); }},
        {"Threshold", [](PixImage& i) { Threshold(i, 30, 255, true); }},
        {"Duotone", [](PixImage& i) { Duotone(i, MakeColor(0x2080C0, 255)); }},
        {"Posterize", [](PixImage& i) { Posterize(i); }},
        {"Halftone", [](PixImage& i) { Halftone(i, 3, false); }},
        {"HalftoneSmooth", [](PixImage& i) { Halftone(i, 2, true); }},
        {"Solarize", [](PixImage& i) { Solarize(i, 0); }},
        {"Tint", [](PixImage& i) { Tint(i, 40); }},
        {"Saturation", [](PixImage& i) { Saturation(i, 1.5); }},
        {"Gamma", [](PixImage& i) { Gamma(i, 1.5); }},
        {"Intensity", [](PixImage& i) { Intensity(i, -50); }},
        {"Negative", [](PixImage& i) { Negative(i); }},
        {"NegativeRed", [](PixImage& i) { Negative(i, kRed); }},
        {"BrightnessContrast", [](PixImage& i) { BrightnessContrast(i, 20, -10, true); }},
        {"Mosaic", [](PixImage& i) { Mosaic(i, 4, 3, 5); }},
        {"RedEye", [](PixImage& i) { RedEyeReduction(i, 2, 3, 20, 15, 50, 50); }},
        {"ColorKey", [](PixImage& i) { ColorKey(i, MakeColor(0xD0D0D0, 255), 10, 0, true); },
         false},
        {"Grayscale", [](PixImage& i) { Grayscale(i); }},
        {"DitherTwoColors", [](PixImage& i) { DitherTwoColors(i); }, false},
        {"ApplyPalette",
         [](PixImage& i) {
             ApplyPalette(i, {MakeColor(0, 255), MakeColor(0xFFFFFF, 255)});
         },
         false},
        {"NormalizedDifference", [](PixImage& i) { NormalizedDifference(i); }},
    };
    return c;
}

TEST(ProcessorPointSweep, EveryCallOnEveryTypeKeepsAlphaAndUndoesExactly) {
    opstest::expectEveryTypeUndoes(
        calls(), 37, 29, [](const Call& call, int, const QImage& before, const PixImage& img) {
            if (call.keepsAlpha) {
                EXPECT_TRUE(
                    pixtest::samePixels(opstest::alphaOf(img.image()), opstest::alphaOf(before)));
            }
        });
}

TEST(ProcessorPointSweep, CancelAndBadArguments) {
    const QImage src = pixtest::gradientImage(300, 700, true);
    // Noise draws from row-seeded generators: the same seed gives the same noise either way.
    QImage a = src, b = src;
    ops::addNoise(src, a, 0, 300, false, false, 42);
    ops::addNoise(src, b, 0, 300, false, false, 42, [](int) { return true; });
    EXPECT_TRUE(pixtest::samePixels(a, b));
    opstest::expectCancelLeavesTheImage(calls(), src, 0);

    using namespace Processor;
    opstest::expectRejected({
        {"auto low>high", [](PixImage& i) { AutoBrightness(i, 200, 100, false); }},
        {"noise type", [](PixImage& i) { AddNoise(i, 4, 100, false, true); }},
        {"noise variance", [](PixImage& i) { AddNoise(i, 0, -1, false, true); }},
        {"threshold", [](PixImage& i) { Threshold(i, -1, 255, true); }},
        {"halftone", [](PixImage& i) { Halftone(i, 0, false); }},
        {"solarize", [](PixImage& i) { Solarize(i, 256); }},
        {"tint", [](PixImage& i) { Tint(i, 101); }},
        {"saturation nan", [](PixImage& i) { Saturation(i, std::nan("")); }},
        {"gamma 0", [](PixImage& i) { Gamma(i, 0); }},
        {"intensity", [](PixImage& i) { Intensity(i, 256); }},
        {"contrast", [](PixImage& i) { BrightnessContrast(i, 0, -101, true); }},
        {"mosaic block", [](PixImage& i) { Mosaic(i, 0, 10, 7); }},
        {"mosaic mask", [](PixImage& i) { Mosaic(i, 10, 10, 8); }},
        {"red eye outside", [](PixImage& i) { RedEyeReduction(i, 50, 50, 60, 60, 50, 50); }},
        {"red eye level", [](PixImage& i) { RedEyeReduction(i, 0, 0, 10, 10, 101, 50); }},
        {"colour key", [](PixImage& i) { ColorKey(i, 0, 101, 0, true); }},
        {"palette empty", [](PixImage& i) { ApplyPalette(i, {}); }},
    });
    PixImage empty;
    EXPECT_THROW(Processor::Gamma(empty, 1.5), PixError);
}

// A 256 x 1 grey ramp 0..255 as the page.
void setGreyRamp(PixImage& img) {
    QImage ramp(256, 1, QImage::Format_RGB32);
    for (int v = 0; v < 256; ++v) ramp.setPixel(v, 0, qRgb(v, v, v));
    img.setImage(ramp, kRgb, {});
}

TEST(ToneCurves, GammaAndIntensityFollowTheirFormulas) {
    for (double g : {0.5, 0.75, 1.25, 1.5, 3.0}) {
        PixImage img;
        setGreyRamp(img);
        Processor::Gamma(img, g);
        for (int v = 0; v < 256; ++v) {
            const QRgb p = at(img.image(), v, 0);
            EXPECT_EQ(qRed(p), int(std::lround(255 * std::pow(v / 255.0, 1 / g)))) << g << " " << v;
            EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
        }
    }
    for (int a : {-100, -25, 25, 100}) {
        PixImage img;
        setGreyRamp(img);
        Processor::Intensity(img, a);
        for (int v = 0; v < 256; ++v)
            EXPECT_EQ(qBlue(at(img.image(), v, 0)), std::clamp(v + a, 0, 255)) << a << " " << v;
    }
}

TEST(ToneCurves, NegativeTwiceIsTheIdentityAndOneColoursNegativeTouchesOnlyItsChannel) {
    PixImage img;
    img.setImage(pixtest::gradientImage(50, 40, true), kRgba, {});
    const QImage before = img.image();
    Processor::Negative(img);
    EXPECT_EQ(at(img.image(), 7, 9),
              qRgba(255 - qRed(at(before, 7, 9)), 255 - qGreen(at(before, 7, 9)),
                    255 - qBlue(at(before, 7, 9)), qAlpha(at(before, 7, 9))));
    Processor::Negative(img);
    EXPECT_TRUE(pixtest::samePixels(img.image(), before));
    Processor::Negative(img, kRed);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const QRgb p = at(img.image(), x, y), q = at(before, x, y);
            ASSERT_EQ(p, qRgba(255 - qRed(q), qGreen(q), qBlue(q), qAlpha(q))) << x << "," << y;
        }
}

TEST(ToneCurves, ThresholdLeavesTwoLevelsAndPosterizeItsFour) {
    PixImage img;
    img.setImage(pixtest::gradientImage(64, 64), kRgb, {});
    const QImage before = img.image();
    Processor::Threshold(img, 100, 200, true);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int l = ops::luma(at(before, x, y));
            EXPECT_EQ(at(img.image(), x, y), l >= 100 && l <= 200 ? 0xFFFFFFFFu : 0xFF000000u);
        }
    PixImage ramp;
    setGreyRamp(ramp);
    Processor::Posterize(ramp);
    std::set<int> levels;
    for (int v = 0; v < 256; ++v) {
        const int out = qGreen(at(ramp.image(), v, 0));
        levels.insert(out);
        EXPECT_LE(std::abs(out - v), 255 / (2 * (ops::kPosterizeLevels - 1)) + 1) << v;
    }
    EXPECT_EQ(levels, (std::set<int>{0, 85, 170, 255}));
}

// Random pixels of every value, on rows whose width is no multiple of the vector width, in place
// and into a second image: Saturation and Duotone give their per-pixel definitions exactly.
TEST(ColourPoint, SaturationAndDuotoneFollowTheirDefinitionsOnEveryPixel) {
    QImage src(37, 29, QImage::Format_ARGB32);
    std::mt19937 random(7);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) src.setPixel(x, y, random());
    auto saturated = [](QRgb p, int f256) {
        const int l = ops::luma(p);
        auto ch = [&](int c) { return std::clamp(l + (((c - l) * f256 + 128) >> 8), 0, 255); };
        return qRgba(ch(qRed(p)), ch(qGreen(p)), ch(qBlue(p)), qAlpha(p));
    };
    auto duo = [](QRgb p, QRgb c) {
        const int l = ops::luma(p);
        auto ch = [l](int v) {
            return l <= 128 ? (v * l + 64) / 128 : v + ((255 - v) * (l - 128) + 63) / 127;
        };
        return qRgba(ch(qRed(c)), ch(qGreen(c)), ch(qBlue(c)), qAlpha(p));
    };
    const QRgb colour = qRgb(192, 128, 32);
    for (const double factor : {0.0, 0.3, 1.0, 1.5, 4.0, 10.0}) {
        QImage inPlace = src.copy(), apart(src.size(), src.format());
        ops::saturate(inPlace, inPlace, factor);
        ops::saturate(src, apart, factor);
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x) {
                const QRgb want = saturated(src.pixel(x, y), int(std::lround(factor * 256)));
                ASSERT_EQ(inPlace.pixel(x, y), want) << factor << " at " << x << "," << y;
                ASSERT_EQ(apart.pixel(x, y), want) << factor << " at " << x << "," << y;
            }
    }
    QImage toned = src.copy();
    ops::duotone(toned, toned, colour);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            ASSERT_EQ(toned.pixel(x, y), duo(src.pixel(x, y), colour)) << x << "," << y;
}

TEST(RedEye, LowersRedOnRedDominantPixelsInsideOnlyAndLeavesTheRest) {
    QImage face(60, 40, QImage::Format_RGB32);
    face.fill(qRgb(200, 30, 40)); // red-dominant everywhere
    for (int x = 0; x < 60; ++x) face.setPixel(x, 20, qRgb(90, 140, 200)); // a blue row
    PixImage img;
    img.setImage(face, kRgb, {});
    Processor::RedEyeReduction(img, 10, 10, 30, 30, 100, 50);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const QRgb p = at(img.image(), x, y), q = face.pixel(x, y);
            const bool inside = x >= 10 && x < 30 && y >= 10 && y < 30;
            if (!inside || y == 20) {
                ASSERT_EQ(p, q) << x << "," << y;
            } else {
                ASSERT_EQ(qRed(p), 35) << x << "," << y; // the mean of green and blue
                ASSERT_EQ(p & 0xFF00FFFFu, q & 0xFF00FFFFu);
            }
        }
}

TEST(AddNoise, HasTheAskedVarianceAndMonochromaticGivesEqualChannels) {
    const QImage grey = opstest::flat(400, 300, qRgb(128, 128, 128));
    for (int kind = 0; kind < 4; ++kind) {
        QImage out = grey;
        ops::addNoise(grey, out, kind, 225, false, true, 7);
        const auto s = opstest::stats(out);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(s.var[c], 225, 25) << kind;
            EXPECT_NEAR(s.mean[c], 128, 1) << kind;
        }
        ops::addNoise(grey, out, kind, 225, true, true, 8);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                const QRgb p = out.pixel(x, y);
                ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << kind;
            }
        EXPECT_NEAR(opstest::stats(out).var[0], 225, 25) << kind;
    }
}

TEST(ComplexFilterSteps, DitherPaletteAndNormalizedDifferenceFollowTheirDefinitions) {
    // Dithering keeps the mean tone in two inks; the palette then names them black and white.
    PixImage img;
    img.setImage(pixtest::gradientImage(120, 90), kRgb, {});
    const double meanBefore =
        opstest::stats(img.image().convertToFormat(QImage::Format_RGB32)).mean[1];
    Processor::DitherTwoColors(img);
    ASSERT_EQ(img.imageType(), kMono);
    Processor::ApplyPalette(img, {MakeColor(0, 255), MakeColor(0xFFFFFF, 255)});
    EXPECT_EQ(img.imageType(), kMono);
    EXPECT_EQ(img.image().colorTable(), (QList<QRgb>{0xFF000000u, 0xFFFFFFFFu}));
    // Black and white now: the green mean of the two-ink picture is near the grey mean.
    const auto s = opstest::stats(img.image().convertToFormat(QImage::Format_RGB32));
    EXPECT_NEAR(s.mean[1], meanBefore, 30);
    // (R - G) / (R + G) onto 0..255.
    QImage two(3, 1, QImage::Format_RGB32);
    two.setPixel(0, 0, qRgb(200, 100, 9));
    two.setPixel(1, 0, qRgb(0, 0, 9));
    two.setPixel(2, 0, qRgb(0, 50, 9));
    PixImage nd;
    nd.setImage(two, kRgb, {});
    Processor::NormalizedDifference(nd);
    ASSERT_EQ(nd.imageType(), kGray);
    EXPECT_EQ(qGray(nd.image().pixel(0, 0)), 170);
    EXPECT_EQ(qGray(nd.image().pixel(1, 0)), 128);
    EXPECT_EQ(qGray(nd.image().pixel(2, 0)), 0);
}

TEST(Halftone, DotsMatchTheToneOfTheirCells) {
    for (int v : {0, 64, 128, 200, 255}) {
        QImage img = opstest::flat(96, 96, qRgb(v, v, v));
        PixImage page;
        page.setImage(img, kRgb, {});
        Processor::Halftone(page, 4, false);
        EXPECT_NEAR(opstest::stats(page.image()).mean[0], v, 4) << v;
    }
}

} // namespace
