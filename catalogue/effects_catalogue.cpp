#include "effects_catalogue.h"

#include "engine/effects.h"
#include "values.h"

namespace catalogue {

namespace {

namespace fx = pix::Effects;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

QString t(const char* s) {
    return QString::fromLatin1(s);
}

// The channel mask by list position: bit 0 red, bit 1 green, bit 2 blue.
Row channelMask() {
    return list(t("Channel Mask:"),
                {t("Black"), t("Red"), t("Green"), t("Yellow"), t("Blue"), t("Magenta"), t("Cyan"),
                 t("White (all colors)")},
                7);
}

std::vector<Entry> entries() {
    return {
        {.index = 2,
         .title = t("Resize"),
         .rows = {text(t("Width:"), Start::WorkingWidth), text(t("Height:"), Start::WorkingHeight),
                  list(t("Method:"), fx::resizeMethodCaptions(), 3),
                  check(t("Keep Aspect Ratio:"), true)},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::Resize(img, v.integer(0), v.integer(1), v.position(2));
             },
         .aspectLink = AspectLink{.widthRow = 0, .heightRow = 1, .keepRow = 3}},
        {.index = 3,
         .title = t("Resize Canvas"),
         .rows = {text(t("Width:"), Start::WorkingWidth), text(t("Height:"), Start::WorkingHeight),
                  text(t("Offset X:"), t("0")), text(t("Offset Y:"), t("0")),
                  colour(t("Background Color:"), kBlack), text(t("Opacity:"), t("255"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::ResizeCanvas(img, v.integer(0), v.integer(1), v.colour(4, v.byte(5)),
                                  v.integer(2), v.integer(3));
             }},
        {.index = 4,
         .title = t("Rotate"),
         .rows = {text(t("Angle:"), t("90")), colour(t("Background Color:"), kBlack)},
         .call = [](pix::PixImage& img,
                    const Values& v) { fx::Rotate(img, v.real(0), v.colour(1, 255), 0); }},
        {.index = 5,
         .title = t("Skew"),
         .rows = {list(t("Direction:"), {t("Horizontal"), t("Vertical")}, 0),
                  text(t("Offset:"), t("40")), colour(t("BackColor:"), kWhite),
                  check(t("Fast"), false)},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::Skew(img, v.position(0), v.integer(1), v.colour(2, 255), v.check(3));
             }},
        {.index = 9,
         .title = t("Replace Color"),
         .rows = {colour(t("Old Color:"), kWhite), colour(t("New Color:"), kWhite),
                  text(t("Tolerance [0..100]:"), t("1")), text(t("Opacity [0..255]:"), t("255"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::ReplaceColor(img, v.colour(0, 255), v.colour(1, 255), v.real(2),
                                  v.real(3) != 0);
             }},
        {.index = 11,
         .title = t("Add Border"),
         .rows = {text(t("Border Thickness"), t("10")), colour(t("Border Color"), kBlack),
                  text(t("Border Opacity"), t("255"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { fx::AddBorder(img, v.real(0), v.colour(1, v.byte(2))); }},
        {.index = 12,
         .title = t("Bevel Edge"),
         .rows = {text(t("Bevel Size:"), t("10")), text(t("Left Bright Percent:"), t("140")),
                  text(t("Top Bright Percent:"), t("140")),
                  text(t("Right Bright Percent:"), t("80")),
                  text(t("Bottom Bright Percent:"), t("80")),
                  text(t("Smoothness [0..500]:"), t("100"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::BevelEdge(img, v.integer(0), v.integer(1), v.integer(2), v.integer(3),
                               v.integer(4), v.real(5));
             }},
        {.index = 13,
         .title = t("Crackle"),
         .rows = {text(t("Depth [1..100]:"), t("50")), text(t("Mode [0..4]:"), t("0"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { fx::Crackle(img, v.integer(0), v.integer(1)); }},
        {.index = 16,
         .title = t("Histogram Stretch"),
         .rows = {text(t("Low Limit:"), t("0")), text(t("High Limit:"), t("255")), channelMask()},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::HistogramStretch(img, v.integer(0), v.integer(1), v.position(2));
             }},
        {.index = 17,
         .title = t("Histogram Stretch"), // the equalise dialog shares the stretch dialog's title
         .rows = {text(t("Low Threshold:"), t("0")), text(t("High Threshold:"), t("255")),
                  channelMask()},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::HistogramEqualize(img, v.integer(0), v.integer(1), v.position(2));
             }},
        {.index = 18,
         .title = t("Motion Blur"),
         .rows = {text(t("Distance:"), t("10")), text(t("Steps:"), t("2")),
                  text(t("Angle:"), t("90")),
                  list(t("Style:"), {t("Linear"), t("Radial"), t("Zoom")}, 0)},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::MotionBlur(img, v.real(0), v.integer(1), v.real(2), v.position(3));
             }},
        {.index = 23,
         .input = Input::Line,
         .linePrompt = t("Drag a line to warp the image"),
         .onLine = [](pix::PixImage& img, int x1, int y1, int x2,
                      int y2) { fx::Warp(img, x1, y1, x2, y2); }},
        {.index = 24,
         .title = t("Emboss Shape"),
         .rows = {text(t("Depth:"), t("5")), text(t("Angle:"), t("45")),
                  text(t("Softness:"), t("100")), colour(t("Shadow Color:"), kBlack),
                  text(t("Shadow Opacity:"), t("255")), colour(t("Highlight Color:"), kWhite),
                  text(t("Highlight Opacity:"), t("255"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::EmbossShape(img, v.integer(0), v.integer(1), v.integer(2),
                                 v.colour(3, v.byte(4)), v.colour(5, v.byte(6)));
             }},
        {.index = 26,
         .title = t("Hugo Noise"),
         .rows = {text(t("Width:"), t("100")), text(t("Height:"), t("100")),
                  text(t("Octaves:"), t("3")), text(t("Smoothness [0..100]:"), t("50")),
                  text(t("Size [0..100]:"), t("50"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::HugoNoise(img, v.integer(0), v.integer(1), v.integer(2), v.integer(3),
                               v.integer(4));
             }},
        {.index = 27,
         .title = t("Perlin Noise"),
         .rows = {text(t("Width:"), t("100")), text(t("Height:"), t("100")),
                  text(t("Size [0..100]:"), t("50"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 fx::PerlinNoise(img, v.integer(0), v.integer(1), v.integer(2));
             }},
    };
}

} // namespace

const Catalogue& effectsCatalogue() {
    static const Catalogue table{"mnuEffects", "Effects", entries()};
    return table;
}

} // namespace catalogue
