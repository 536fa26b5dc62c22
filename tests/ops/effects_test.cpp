// The Effects group: the shared call sweeps, and the effects' own properties (blur, crackle,
// warp, emboss, bevel, noise).
#include "engine/effects.h"
#include "engine/image_type.h"
#include "engine/ops/bevel.h"
#include "engine/ops/blur_motion.h"
#include "engine/ops/crackle.h"
#include "engine/ops/emboss_shape.h"
#include "engine/ops/noise.h"
#include "engine/ops/op_support.h"
#include "engine/ops/warp.h"
#include "engine/pix_error.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

using namespace pix;
using namespace pix::ops;
using opstest::alphaOf;
using opstest::at;

namespace {

TEST(EffectsSweep, CancelAndBadArguments) {
    opstest::expectCancelLeavesTheImage(
        {{"Resize", [](PixImage& i) { Effects::Resize(i, 700, 900, 15); }},
         {"Rotate", [](PixImage& i) { Effects::Rotate(i, 30, MakeColor(0, 255)); }},
         {"MotionBlur", [](PixImage& i) { Effects::MotionBlur(i, 10, 2, 0, 1); }},
         {"Crackle", [](PixImage& i) { Effects::Crackle(i, 50, 2); }},
         {"Equalize", [](PixImage& i) { Effects::HistogramEqualize(i, 20, 230, 7); }},
         {"Emboss",
          [](PixImage& i) {
              Effects::EmbossShape(i, 5, 45, 100, MakeColor(0, 255), MakeColor(0xFFFFFF, 255));
          }}},
        pixtest::gradientImage(600, 500, true), 1);
    opstest::expectRejected({
        {"resize zero", [](PixImage& i) { Effects::Resize(i, 0, 0, 3); }},
        {"resize method", [](PixImage& i) { Effects::Resize(i, 10, 10, 22); }},
        {"resize huge", [](PixImage& i) { Effects::Resize(i, 100000, 100000, 0); }},
        {"canvas", [](PixImage& i) { Effects::ResizeCanvas(i, 0, 10, 0, 0, 0); }},
        {"canvas huge", [](PixImage& i) { Effects::ResizeCanvas(i, 70000, 70000, 0, 0, 0); }},
        {"border", [](PixImage& i) { Effects::AddBorder(i, 1e9, 0); }},
        {"rotate nan", [](PixImage& i) { Effects::Rotate(i, std::nan(""), 0); }},
        {"rotate flags", [](PixImage& i) { Effects::Rotate(i, 10, 0, 7); }},
        {"skew dir", [](PixImage& i) { Effects::Skew(i, 2, 10, 0, true); }},
        {"skew huge", [](PixImage& i) { Effects::Skew(i, 0, 2000000000, 0, true); }},
        {"tolerance", [](PixImage& i) { Effects::ReplaceColor(i, 0, 0, -1, true); }},
        {"bevel", [](PixImage& i) { Effects::BevelEdge(i, 10, 140, 140, 80, 80, 600); }},
        {"crackle depth", [](PixImage& i) { Effects::Crackle(i, 0, 0); }},
        {"crackle mode", [](PixImage& i) { Effects::Crackle(i, 50, 5); }},
        {"stretch", [](PixImage& i) { Effects::HistogramStretch(i, 0, 300, 7); }},
        {"blur steps", [](PixImage& i) { Effects::MotionBlur(i, 10, 0, 0, 0); }},
        {"blur style", [](PixImage& i) { Effects::MotionBlur(i, 10, 2, 0, 3); }},
        {"warp", [](PixImage& i) { Effects::Warp(i, 0, 0, 2000000000, 0); }},
        {"emboss", [](PixImage& i) { Effects::EmbossShape(i, 5, 45, -1, 0, 0); }},
        {"hugo", [](PixImage& i) { Effects::HugoNoise(i, 100, 100, 0, 50, 50); }},
        {"perlin", [](PixImage& i) { Effects::PerlinNoise(i, -100, 100, 50); }},
        {"perlin huge", [](PixImage& i) { Effects::PerlinNoise(i, 100000, 100000, 50); }},
    });
    PixImage empty;
    EXPECT_THROW(Effects::Crackle(empty, 50, 0), PixError);
    PixImage img; // the "No Undo" label records nothing
    img.setImage(pixtest::gradientImage(40, 30), kRgb, {});
    Effects::Crackle(img, 50, 1, QStringLiteral("No Undo"));
    EXPECT_EQ(img.Undos(), 1);
}

TEST(MotionBlur, KeepsTheMeanAndSoftensAlongItsDirectionOnly) {
    // Vertical stripes: a horizontal blur removes them, a vertical one leaves them.
    QImage stripes(80, 60, QImage::Format_RGB32);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            stripes.setPixel(x, y, (x / 2) % 2 ? qRgb(220, 220, 220) : qRgb(20, 20, 20));
    const auto s0 = opstest::stats(stripes);
    const auto across = opstest::stats(ops::motionBlur(stripes, 12, 2, 0, kMotionLinear));
    const QImage along = ops::motionBlur(stripes, 12, 2, 90, kMotionLinear);
    EXPECT_NEAR(across.mean[0], s0.mean[0], 2.0);
    EXPECT_LT(across.var[0], s0.var[0] / 20);
    EXPECT_TRUE(pixtest::samePixels(along, stripes));
    // A flat image stays flat in every style.
    const QImage flatImg = opstest::flat(50, 40, qRgba(30, 60, 90, 200));
    for (int style = 0; style < 3; ++style)
        EXPECT_LE(pixtest::maxChannelDiff(ops::motionBlur(flatImg, 9, 3, 33, style), flatImg), 1);
}

TEST(MotionBlur, RadialAndZoomLeaveTheCentreAndBlurTheRim) {
    const QImage board = opstest::checkerboard(101, 101);
    for (int style : {kMotionRadial, kMotionZoom}) {
        const QImage out = ops::motionBlur(board, 20, 1, 0, style);
        EXPECT_EQ(at(out, 50, 50), at(board, 50, 50)) << style;
        EXPECT_NEAR(qRed(at(out, 8, 37)), 128, 40) << style; // off the diagonals
    }
    EXPECT_FALSE(pixtest::samePixels(ops::motionBlur(board, 20, 1, 0, kMotionRadial),
                                     ops::motionBlur(board, 20, 1, 0, kMotionZoom)));
}

TEST(Crackle, ModesLookDifferentAndDepthDeepens) {
    const QImage base = opstest::flat(120, 90, qRgb(150, 140, 130));
    std::vector<QImage> looks;
    for (int mode = 0; mode < ops::kCrackleModeCount; ++mode) {
        QImage img = base;
        ops::crackle(img, 60, mode);
        for (const QImage& other : looks)
            EXPECT_GT(pixtest::maxChannelDiff(img, other), 30) << mode;
        looks.push_back(img);
    }
    QImage shallow = base, deep = base;
    ops::crackle(shallow, 10, 0);
    ops::crackle(deep, 90, 0);
    EXPECT_LT(opstest::stats(deep).mean[0], opstest::stats(shallow).mean[0]);
}

TEST(Warp, MovesContentNearTheStartAndLeavesFarPixels) {
    const QImage src = pixtest::gradientImage(200, 100);
    QImage img = src;
    ops::warp(img, 50, 50, 60, 50);
    EXPECT_LE(pixtest::maxChannelDiff(img.copy(50, 50, 1, 1), src.copy(40, 50, 1, 1)), 1);
    EXPECT_TRUE(pixtest::samePixels(img.copy(100, 0, 100, 100), src.copy(100, 0, 100, 100)));
    QImage same = src;
    ops::warp(same, 10, 10, 10, 10);
    EXPECT_TRUE(pixtest::samePixels(same, src));
    // A line long enough that the pixels it reads span more than 32767 columns.
    const QImage wide = pixtest::gradientImage(40000, 3);
    QImage far = wide;
    ops::warp(far, 20000, 1, 25500, 1);
    EXPECT_LE(pixtest::maxChannelDiff(far.copy(20000, 1, 1, 1), wide.copy(14500, 1, 1, 1)), 1);
    EXPECT_TRUE(pixtest::samePixels(far.copy(0, 0, 1000, 3), wide.copy(0, 0, 1000, 3)));
}

TEST(EmbossShape, LightsTheSideFacingTheLightAndShadesTheOther) {
    // An opaque grey disc on a transparent ground: the alpha gives the shape.
    QImage disc(80, 80, QImage::Format_ARGB32);
    disc.fill(0);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x)
            if ((x - 40) * (x - 40) + (y - 40) * (y - 40) < 30 * 30)
                disc.setPixel(x, y, qRgba(128, 128, 128, 255));
    QImage img = disc;
    ops::embossShape(img, 5, 0, 50, qRgba(0, 0, 0, 255),
                     qRgba(255, 255, 255, 255));  // light from the right
    EXPECT_GT(qRed(at(img, 68, 40)), 160);        // right rim faces the light
    EXPECT_LT(qRed(at(img, 12, 40)), 96);         // left rim faces away
    EXPECT_EQ(at(img, 40, 40), at(disc, 40, 40)); // flat middle untouched
    EXPECT_TRUE(pixtest::samePixels(alphaOf(img), alphaOf(disc)));
    QImage flatImg = opstest::flat(30, 30, qRgb(99, 99, 99));
    ops::embossShape(flatImg, 5, 45, 100, qRgba(0, 0, 0, 255), qRgba(255, 255, 255, 255));
    EXPECT_TRUE(pixtest::samePixels(flatImg, opstest::flat(30, 30, qRgb(99, 99, 99))));
}

// Emboss Shape by its definition, over whole-image buffers: heights from the alpha (or the
// luminance) over 255, one Gaussian blur of the whole field with its edges repeated, central
// differences, and each colour blended in by how far the slope faces the light.
QImage embossReference(QImage img, int depth, int angle, int softness, QRgb shadow,
                       QRgb highlight) {
    const bool byAlpha = img.format() == QImage::Format_ARGB32 && !ops::isOpaque(img);
    const int w = img.width(), h = img.height();
    cv::Mat height(h, w, CV_32F);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = img.pixel(x, y);
            height.at<float>(y, x) = (byAlpha ? qAlpha(p) : ops::luma(p)) / 255.0f;
        }
    const double sigma = 0.5 + softness / 25.0;
    cv::GaussianBlur(height, height, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
    const double a = angle * M_PI / 180, lx = std::cos(a), ly = -std::sin(a);
    auto at = [&](int x, int y) {
        return double(height.at<float>(std::clamp(y, 0, h - 1), std::clamp(x, 0, w - 1)));
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double gx = (at(x + 1, y) - at(x - 1, y)) / 2,
                         gy = (at(x, y + 1) - at(x, y - 1)) / 2;
            const double facing = -(gx * lx + gy * ly) * depth * sigma * 0.5;
            const QRgb c = facing > 0 ? highlight : shadow;
            const double k = std::min(1.0, std::abs(facing)) * qAlpha(c) / 255;
            const QRgb p = img.pixel(x, y);
            auto mix = [&](int v, int target) { return int(v + (target - v) * k + 0.5); };
            img.setPixel(x, y,
                         qRgba(mix(qRed(p), qRed(c)), mix(qGreen(p), qGreen(c)),
                               mix(qBlue(p), qBlue(c)), qAlpha(p)));
        }
    return img;
}

TEST(EmbossShape, MatchesItsDefinitionOverTheWholeImage) {
    // Tall enough for several bands and steps per band, each softened on its own.
    struct Args {
        int depth, angle, softness;
        QRgb shadow, highlight;
    };
    for (bool alpha : {false, true})
        for (const Args& a :
             {Args{5, 45, 100, 0xFF000000u, 0xFFFFFFFFu},
              Args{100, 200, 7, 0x80102030u, 0xC0F0E0D0u}, Args{40, 0, 0, 0xFF000000u, 0xFFFFFFFFu},
              Args{30, 120, 1000, 0xFF402000u, 0xFFFFFF80u}}) {
            const QImage src = pixtest::gradientImage(150, 700, alpha);
            QImage img = src;
            ops::embossShape(img, a.depth, a.angle, a.softness, a.shadow, a.highlight);
            EXPECT_LE(
                pixtest::maxChannelDiff(
                    img, embossReference(src, a.depth, a.angle, a.softness, a.shadow, a.highlight)),
                1)
                << "depth " << a.depth << " angle " << a.angle << " softness " << a.softness
                << (alpha ? " by alpha" : "");
        }
}

TEST(BevelEdge, BrightensAndDarkensTheBandsAndLeavesTheMiddle) {
    QImage img = opstest::flat(60, 40, qRgb(100, 100, 100));
    ops::bevelEdge(img, 8, 140, 140, 80, 80, 0);
    EXPECT_EQ(qRed(at(img, 2, 20)), 140);
    EXPECT_EQ(qRed(at(img, 30, 2)), 140);
    EXPECT_EQ(qRed(at(img, 57, 20)), 80);
    EXPECT_EQ(qRed(at(img, 30, 38)), 80);
    EXPECT_EQ(qRed(at(img, 30, 20)), 100);
    QImage soft = opstest::flat(60, 40, qRgb(100, 100, 100));
    ops::bevelEdge(soft, 8, 140, 140, 80, 80, 100);
    EXPECT_GT(qRed(at(soft, 0, 20)), qRed(at(soft, 6, 20)));
}

TEST(Noise, HasTheAskedSizeUsesTheRangeAndFollowsFeatureSize) {
    const QImage hugo = ops::hugoNoise(120, 80, 3, 50, 50);
    const QImage perlin = ops::perlinNoise(120, 80, 50);
    EXPECT_EQ(hugo.size(), QSize(120, 80));
    EXPECT_EQ(perlin.size(), QSize(120, 80));
    for (const QImage& n : {hugo, perlin}) EXPECT_GT(opstest::stats(n).var[1], 100.0);
    // Larger features: neighbouring pixels closer together.
    auto roughness = [](const QImage& img) {
        double d = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 1; x < img.width(); ++x)
                d += std::abs(qGreen(img.pixel(x, y)) - qGreen(img.pixel(x - 1, y)));
        return d;
    };
    EXPECT_LT(roughness(ops::perlinNoise(120, 80, 90)), roughness(ops::perlinNoise(120, 80, 5)));
    EXPECT_LT(roughness(ops::hugoNoise(120, 80, 1, 50, 90)),
              roughness(ops::hugoNoise(120, 80, 1, 50, 5)));
}

} // namespace
