#include "colour_adjust_catalogue.h"

#include "engine/processor_colour.h"
#include "values.h"

namespace catalogue {

namespace {

namespace pr = pix::Processor;

QString t(const char* s) {
    return QString::fromLatin1(s);
}

Row amount(const char* caption) {
    return scroll(t(caption), -255, 255, 0, 10);
}

Row adjustType() {
    return list(t("Adjust Type"), {t("Adjust Literal"), t("Adjust Percent")}, 0);
}

// "Adjust..." of the RGB submenu: red, green, blue and alpha amounts, literal or percent.
Entry adjustRgb() {
    return {
        .index = 0,
        .title = t("Adjust RGBA"),
        .rows = {amount("Red"), amount("Green"), amount("Blue"), amount("Alpha"), adjustType()},
        .call =
            [](pix::PixImage& img, const Values& v) {
                if (v.position(4) == 0) {
                    pr::AdjustLiteral(img, v.integer(0), v.integer(1), v.integer(2), v.integer(3));
                    return;
                }
                pr::AdjustPercent(img, percentOfAmount(v.integer(0)), percentOfAmount(v.integer(1)),
                                  percentOfAmount(v.integer(2)), percentOfAmount(v.integer(3)));
            },
        .input = Input::Preview,
        .previewDialog = t("frmAdjustRGB")};
}

// "Adjust..." of the HSL submenu: hue, saturation and luminance amounts, literal or percent.
Entry adjustHsl() {
    return {.index = 0,
            .title = t("Adjust HSL"),
            .rows = {amount("Hue"), amount("Sat"), amount("Lum"), adjustType()},
            .call =
                [](pix::PixImage& img, const Values& v) {
                    if (v.position(3) == 0) {
                        pr::AdjustHSLLiteral(img, v.integer(0), v.integer(1), v.integer(2));
                        return;
                    }
                    pr::AdjustHSLPercent(img, percentOfAmount(v.integer(0)),
                                         percentOfAmount(v.integer(1)),
                                         percentOfAmount(v.integer(2)));
                },
            .input = Input::Preview,
            .previewDialog = t("frmAdjustRGB")};
}

// "Shift...": the checked channels moved by the offsets, on the document image itself. No
// offset, no call.
Entry shift() {
    Row x = scroll(t("Offset X"), -32767, 32767, 0, 10),
        y = scroll(t("Offset Y"), -32767, 32767, 0, 10);
    x.pixelSized = y.pixelSized = true;
    return {
        .index = 1,
        .title = t("Shift Channels"),
        .rows = {x, y, check(t("Red"), true), check(t("Green"), false), check(t("Blue"), false)},
        .call =
            [](pix::PixImage& img, const Values& v) {
                const int dx = v.integer(0), dy = v.integer(1);
                if (dx == 0 && dy == 0) return;
                const int mask = (v.check(2) ? 1 : 0) | (v.check(3) ? 2 : 0) | (v.check(4) ? 4 : 0);
                pr::ShiftChannels(img, mask, dx, dy);
            },
        .input = Input::Preview,
        .target = Target::Document,
        .previewDialog = t("frmShift")};
}

} // namespace

float percentOfAmount(int amount) {
    return float(amount / 2.55);
}

const std::vector<const Catalogue*>& colourAdjustCatalogues() {
    static const Catalogue rgb{"mnuChannelsRGB", "ChannelsRGB", {adjustRgb(), shift()}};
    static const Catalogue hsl{"mnuChannelsAdjust", "ChannelsAdjust", {adjustHsl()}};
    static const std::vector<const Catalogue*> all{&rgb, &hsl};
    return all;
}

} // namespace catalogue
