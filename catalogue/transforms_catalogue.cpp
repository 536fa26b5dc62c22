#include "transforms_catalogue.h"

#include "engine/distortions.h"
#include "engine/pix_error.h"
#include "values.h"

namespace catalogue {

namespace {

namespace dx = pix::Distortions;

QString t(const char* s) {
    return QString::fromLatin1(s);
}

Row styles(const char* caption, std::initializer_list<const char*> items) {
    QStringList names;
    for (const char* item : items) names << t(item);
    return list(t(caption), names, 0);
}

// The distortions; each title is the menu caption without its "...". Rows after a style list
// are numbered from 1 in the panel, as its text boxes are.
std::vector<Entry> entries() {
    const Input panel = Input::Panel;
    const Target doc = Target::Document;
    return {
        {.index = 0,
         .title = t("Spin"),
         .rows = {text(t("Max Radius"), t("200")), text(t("Max Angle Offset"), t("45")),
                  text(t("Offset X"), t("0")), text(t("Offset Y"), t("0"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 dx::Spin(img, v.real(0), v.real(1), v.integer(2), v.integer(3));
             },
         .input = panel,
         .target = doc},
        {.index = 1,
         .title = t("Spin Wave"),
         .rows = {text(t("Max Radius"), t("200")), text(t("Max Angle Offset"), t("45")),
                  text(t("Wave Period"), t("3")), text(t("Offset X"), t("0")),
                  text(t("Offset Y"), t("0"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 dx::SpinWave(img, v.real(0), v.real(1), v.real(2), v.integer(3), v.integer(4));
             },
         .input = panel,
         .target = doc},
        {.index = 2,
         .title = t("Lens"),
         .rows = {text(t("Max Radius"), t("200")), text(t("Offset X"), t("0")),
                  text(t("Offset Y"), t("0"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { dx::Lens(img, v.real(0), v.integer(1), v.integer(2)); },
         .input = panel,
         .target = doc},
        {.index = 3,
         .title = t("Pinch"),
         .rows = {text(t("Max Radius"), t("200")), text(t("Amount"), t("10")),
                  text(t("Offset X"), t("0")), text(t("Offset Y"), t("0"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 dx::Pinch(img, v.real(0), v.real(1), v.integer(2), v.integer(3));
             },
         .input = panel,
         .target = doc},
        {.index = 4,
         .title = t("Random"),
         .rows = {text(t("Offset"), t("10"))},
         .call = [](pix::PixImage& img, const Values& v) { dx::Random(img, v.real(0)); },
         .input = panel,
         .target = doc},
        {.index = 5,
         .title = t("Line Slice"),
         .rows = {styles("Style", {"X", "Y"}), text(t("Offset 1"), t("100")),
                  text(t("Offset 2"), t("250"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 dx::LineSlice(img, v.position(0), v.integer(1), v.integer(2));
             },
         .input = panel,
         .target = doc},
        {.index = 6,
         .title = t("Zig Zag"),
         .rows = {styles("Style", {"Horizontal", "Vertical"}), text(t("Max Offset"), t("20")),
                  text(t("Period"), t("4"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { dx::ZigZag(img, v.position(0), v.integer(1), v.real(2)); },
         .input = panel,
         .target = doc},
        {.index = 7,
         .title = t("Wave"),
         .rows = {styles("Style", {"X Sine", "Y Sine", "X Cosine", "Y Cosine"}),
                  text(t("Max Offset"), t("20")), text(t("Period"), t("2"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { dx::Wave(img, v.position(0), v.real(1), v.real(2)); },
         .input = panel,
         .target = doc},
        {.index = 8,
         .title = t("Ripple"),
         .rows = {styles("Dampening Style",
                         {"Full Intensity", "Linear", "Square", "Sine", "Cosine"}),
                  text(t("Max Radius"), t("200")), text(t("Amount"), t("10")),
                  text(t("Periods"), t("4")), text(t("Offset X"), t("0")),
                  text(t("Offset Y"), t("0"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 dx::Ripple(img, v.position(0), v.integer(1), v.integer(2), v.real(3), v.integer(4),
                            v.integer(5));
             },
         .input = panel,
         .target = doc},
        {.index = 9,
         .title = t("Offset"),
         .rows = {styles("Style", {"No Wrap", "Wrap Both", "Wrap X", "Wrap Y"}),
                  text(t("Offset X"), t("10")), text(t("Offset Y"), t("50"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 dx::Offset(img, v.position(0), v.integer(1), v.integer(2));
             },
         .input = panel,
         .target = doc},
        {.index = 10,
         .title = t("Wow"),
         .rows = {styles("Style", {"Stretch", "Wow"}), text(t("Max Radius"), t("200"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { dx::Wow(img, v.position(0), v.integer(1)); },
         .input = panel,
         .target = doc},
        {.index = 11,
         .title = t("Marble"),
         .rows = {text(t("Amount"), t("10")), text(t("Size X"), t("5")), text(t("Size Y"), t("5"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { dx::Marble(img, v.real(0), v.real(1), v.real(2)); },
         .input = panel,
         .target = doc},
        {.index = 12,
         .title = t("Perlin"),
         .rows = {text(t("Amount"), t("10")), text(t("Size X"), t("10")),
                  text(t("Size Y"), t("50"))},
         .call = [](pix::PixImage& img,
                    const Values& v) { dx::Perlin(img, v.real(0), v.real(1), v.real(2)); },
         .input = panel,
         .target = doc},
        {.index = 13,
         .title = t("Bump Map"),
         .rows = {text(t("Amount"), t("10")), file(t("Bump Map Image"))},
         .call =
             [](pix::PixImage& img, const Values& v) {
                 const QString path = v.path(1);
                 if (path.isEmpty())
                     throw pix::PixError(pix::kErrInvalidArgument,
                                         t("No bump map image was chosen"), t("Bump Map"));
                 pix::PixImage bump;
                 bump.LoadFromFile(path, t("No Undo"));
                 dx::BumpMap(img, v.real(0), bump);
             },
         .input = panel,
         .target = doc},
        {.index = 14,
         .title = t("Custom"),
         .call = [](pix::PixImage& img, const Values&) { dx::Custom(img); },
         .input = Input::None,
         .target = doc},
    };
}

} // namespace

const Catalogue& transformsCatalogue() {
    static const Catalogue table{"mnuTransforms", "Transforms", entries(),
                                 FailureStyle::DescriptionOnly};
    return table;
}

QString transformName(const QString& caption) {
    return QString(caption).remove(QStringLiteral("...")).toLower();
}

const Entry* findTransform(const QString& name) {
    for (const Entry& e : transformsCatalogue().entries)
        if (transformName(e.title) == name) return &e;
    return nullptr;
}

} // namespace catalogue
