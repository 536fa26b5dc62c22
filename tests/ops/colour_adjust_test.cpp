// The colour adjustments of the preview dialogs: every type and undo, the HSL conversions as
// inverses, and each operation against its definition or an identity.
#include "engine/colors_hsl.h"
#include "engine/ops/hsl.h"
#include "engine/processor_colour.h"
#include "engine/processor_point.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace pix;
using opstest::at;
using opstest::Call;

namespace {

const opstest::Calls& calls() {
    using namespace Processor;
    static const opstest::Calls c{
        {"AdjustLiteral", [](PixImage& i) { AdjustLiteral(i, 40, -30, 10, 0); }},
        {"AdjustLiteralAlpha", [](PixImage& i) { AdjustLiteral(i, 0, 0, 0, -60); }, false},
        {"AdjustPercent", [](PixImage& i) { AdjustPercent(i, 50.196f, -20.f, 0.f, 0.f); }},
        {"AdjustHSLLiteral", [](PixImage& i) { AdjustHSLLiteral(i, 30, -40, 20); }},
        {"AdjustHSLPercent", [](PixImage& i) { AdjustHSLPercent(i, -10.f, 30.f, -5.f); }},
        {"Colorize", [](PixImage& i) { Colorize(i, MakeColor(0x3080C0, 255), true, true, false); }},
        {"NegativeByColor", [](PixImage& i) { NegativeByColor(i, MakeColor(0x8000FF, 255)); }},
        {"ShiftChannels", [](PixImage& i) { ShiftChannels(i, 5, 3, -2); }},
    };
    return c;
}

// `op` on a page of `image`; the result as ARGB32.
QImage after(const QImage& image, const std::function<void(PixImage&)>& op) {
    PixImage img;
    img.setImage(image, image.hasAlphaChannel() ? 6 : 5, QStringLiteral("No Undo"));
    op(img);
    return img.image().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(ColourAdjustSweep, EveryTypeKeepsAlphaUndoesExactlyAndBadArgumentsFail) {
    opstest::expectEveryTypeUndoes(
        calls(), 23, 17, [](const Call& call, int, const QImage& before, const PixImage& img) {
            if (call.keepsAlpha) {
                EXPECT_TRUE(
                    pixtest::samePixels(opstest::alphaOf(img.image()), opstest::alphaOf(before)));
            }
        });
    using namespace Processor;
    opstest::expectRejected({
        {"literal 256", [](PixImage& i) { AdjustLiteral(i, 256, 0, 0, 0); }},
        {"percent 101", [](PixImage& i) { AdjustPercent(i, 0, 0, 0, -101.f); }},
        {"hsl -256", [](PixImage& i) { AdjustHSLLiteral(i, 0, -256, 0); }},
        {"shift mask 8", [](PixImage& i) { ShiftChannels(i, 8, 1, 1); }},
    });
}

TEST(ColourConversions, HslIsTheInverseOfRgbOnAColourSample) {
    // 16 levels per channel: 4096 colours.
    int worstBytes = 0;
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17) {
                double r2, g2, b2;
                ops::hslToRgb(ops::rgbToHsl(r, g, b), r2, g2, b2);
                ASSERT_LE(std::max({std::abs(r2 - r), std::abs(g2 - g), std::abs(b2 - b)}), 1.0)
                    << r << "," << g << "," << b;
                const Colors::Triple hsl = Colors::RGBToHSL(uint8_t(r), uint8_t(g), uint8_t(b));
                const Colors::Triple back = Colors::HSLToRGB(hsl.a, hsl.b, hsl.c);
                worstBytes = std::max(
                    {worstBytes, std::abs(back.a - r), std::abs(back.b - g), std::abs(back.c - b)});
            }
    // In whole numbers 256 hues cover the 1530 hues of 8-bit colour: a hue step moves a
    // channel by up to six levels, so rounding loses at most three.
    EXPECT_LE(worstBytes, 3);
    // Known colours: pure red, a mid grey, and blue a third of a turn past green.
    EXPECT_EQ(Colors::RGBToHSL(255, 0, 0), (Colors::Triple{0, 255, 128}));
    EXPECT_EQ(Colors::RGBToHSL(128, 128, 128), (Colors::Triple{0, 0, 128}));
    EXPECT_EQ(Colors::RGBToHSL(0, 0, 255), (Colors::Triple{170, 255, 128}));
    EXPECT_EQ(Colors::HSLToRGB(85, 255, 128), (Colors::Triple{1, 255, 1})); // luminance 128/255
}

TEST(ColourAdjust, IdentitiesAndDefinitions) {
    const QImage src = pixtest::gradientImage(31, 19, true);
    auto run = [&](const std::function<void(PixImage&)>& op) { return after(src, op); };
    using namespace Processor;
    // No change asked: no change made (a full hue turn included).
    EXPECT_TRUE(pixtest::samePixels(
        run([](PixImage& i) { Colorize(i, MakeColor(0x3080C0, 255), false, false, false); }), src));
    EXPECT_TRUE(pixtest::samePixels(run([](PixImage& i) { AdjustHSLLiteral(i, 0, 0, 0); }), src));
    EXPECT_TRUE(pixtest::samePixels(run([](PixImage& i) { AdjustHSLLiteral(i, 255, 0, 0); }), src));
    EXPECT_TRUE(pixtest::samePixels(run([](PixImage& i) { AdjustLiteral(i, 0, 0, 0, 0); }), src));
    EXPECT_TRUE(pixtest::samePixels(run([](PixImage& i) { ShiftChannels(i, 0, 5, 5); }), src));
    EXPECT_TRUE(pixtest::samePixels(
        run([](PixImage& i) { NegativeByColor(i, MakeColor(0x000000, 255)); }), src));
    // White is the plain negative.
    EXPECT_TRUE(
        pixtest::samePixels(run([](PixImage& i) { NegativeByColor(i, MakeColor(0xFFFFFF, 255)); }),
                            run([](PixImage& i) { Negative(i); })));
    // Every flag: every pixel takes the colour (alpha kept).
    const QImage all =
        run([](PixImage& i) { Colorize(i, MakeColor(0x3080C0, 255), true, true, true); });
    QImage opaque = all;
    opaque.fill(qRgb(0xC0, 0x80, 0x30));
    for (int y = 0; y < all.height(); ++y)
        for (int x = 0; x < all.width(); ++x) opaque.setPixel(x, y, at(all, x, y) | 0xFF000000u);
    EXPECT_LE(pixtest::maxChannelDiff(opaque, opstest::flat(31, 19, qRgb(0xC0, 0x80, 0x30))), 1);
    EXPECT_TRUE(pixtest::samePixels(opstest::alphaOf(all), opstest::alphaOf(src)));
    // Percents move each level its share of the way: +100 to 255, -50.196 from 255 to 127.
    const QImage pct = run([](PixImage& i) { AdjustPercent(i, 100.f, -50.196f, 0.f, 0.f); });
    const QImage white = after(opstest::flat(2, 2, qRgb(10, 255, 60)),
                               [](PixImage& i) { AdjustPercent(i, 100.f, -50.196f, 0.f, 0.f); });
    EXPECT_EQ(at(white, 0, 0), qRgb(255, 127, 60));
    EXPECT_EQ(qRed(at(pct, 3, 3)), 255);
}

TEST(ColourAdjust, ShiftedChannelsComeFromTheEdgeNotTheOtherSide) {
    const QImage src = pixtest::gradientImage(13, 9, true);
    for (const auto& [mask, dx, dy] : {std::tuple{1, 3, 0}, {6, -4, 2}, {7, 20, -30}, {2, 0, -1}}) {
        const QImage out =
            after(src, [mask, dx, dy](PixImage& i) { Processor::ShiftChannels(i, mask, dx, dy); });
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x) {
                const QRgb here = at(src, x, y);
                const QRgb from = at(src, std::clamp(x - dx, 0, src.width() - 1),
                                     std::clamp(y - dy, 0, src.height() - 1));
                const QRgb want = qRgba(mask & 1 ? qRed(from) : qRed(here),
                                        mask & 2 ? qGreen(from) : qGreen(here),
                                        mask & 4 ? qBlue(from) : qBlue(here), qAlpha(here));
                ASSERT_EQ(at(out, x, y), want)
                    << mask << " " << dx << "," << dy << " at " << x << "," << y;
            }
    }
}
