#include "channels_catalogue.h"

#include "engine/channels_alpha.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "platform/vb.h"
#include "values.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <array>

namespace catalogue {

namespace {

namespace ch = pix::Channels;

QString t(const char* s) {
    return QString::fromLatin1(s);
}

const char* const kMergeTypes[] = {
    "Replace Existing Alpha",
    "Use the most opaque per pixel",
    "Use the most transparent per pixel",
    "Add to the existing alpha",
    "Subtract from the existing alpha",
    "Logical AND with the existing alpha",
    "Logical OR with the existing alpha",
    "Logical XOR with the existing alpha",
    "Use only the existing alpha",
};
constexpr int kLastMerge = int(std::size(kMergeTypes)) - 1;

// The merge type is asked of images that carry alpha (by type for the colour match, by depth for
// the constant and the masks); the others replace.
bool hasAlphaType(const pix::PixImage& img) {
    return img.imageType() == pix::kGrayAlpha || img.imageType() == pix::kRgba;
}
bool has32Bits(const pix::PixImage& img) {
    return pix::bitsPerPixel(img.imageType()) == 32;
}
Row mergeRow() {
    return prompt(mergePromptText(), t("2"), 0, kLastMerge);
}
Ask mergeAsk(int row, std::function<bool(const pix::PixImage&)> when) {
    return {.kind = AskKind::Prompt, .row = row, .when = std::move(when), .otherwise = t("0")};
}
Ask ask(AskKind kind, int row) {
    return {.kind = kind, .row = row};
}

// A real typed in the user's own notation, else read as the program reads numbers.
double localReal(const QString& text) {
    bool ok = false;
    const double v = QLocale::system().toDouble(text.trimmed(), &ok);
    return ok ? v : vb::leadingNumber(text);
}

std::array<uint8_t, 256> invertTable() {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[size_t(i)] = uint8_t(255 - i);
    return table;
}

const Catalogue& alphaCatalogue() {
    static const Catalogue table{
        "mnuChannelsAlpha",
        "ChannelsAlpha",
        {
            {.index = 1,
             .title = t("Add Alpha by Color"),
             .rows = {colour(t("Color:"), 0xFFFFFF),
                      prompt(t("Enter Colormatch tolerance (0..100)"), t("5"), 0, 100), mergeRow()},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     ch::AlphaByColor(img, v.colour(0, 255), v.byte(1), 0, 255, 0, 0, v.integer(2));
                 },
             .input = Input::Asks,
             .target = Target::Document,
             .asks = {ask(AskKind::Colour, 0), ask(AskKind::Prompt, 1), mergeAsk(2, hasAlphaType)}},
            {.index = 2,
             .title = t("Set Constant Alpha"),
             .rows = {prompt(t("What Alpha? [0..255]"), t("127"), 0, 255), mergeRow()},
             .call = [](pix::PixImage& img,
                        const Values& v) { ch::SetAlpha(img, v.byte(0), v.integer(1)); },
             .input = Input::Asks,
             .target = Target::Document,
             .asks = {ask(AskKind::Prompt, 0), mergeAsk(1, has32Bits)}},
            {.index = 3,
             .title = t("Invert Alpha"),
             .call = [](pix::PixImage& img,
                        const Values&) { ch::MapAlpha(img, invertTable(), t("Invert Alpha")); },
             .input = Input::None,
             .target = Target::Document},
            {.index = 4,
             .title = t("Flatten onto Color"),
             .rows = {colour(t("Color:"), 0xFFFFFF)},
             .call = [](pix::PixImage& img,
                        const Values& v) { ch::Flatten(img, v.colour(0, 255)); },
             .input = Input::Asks,
             .target = Target::Document,
             .asks = {ask(AskKind::Colour, 0)}},
            {.index = 5,
             .title = t("Antialias (Blur Alpha)"),
             .rows = {text(t("Enter Antialias Level:"), QString())},
             .call = [](pix::PixImage& img,
                        const Values& v) { ch::BlurAlpha(img, localReal(v[0].text)); },
             .input = Input::Asks,
             .target = Target::Document,
             .asks = {ask(AskKind::Prompt, 0)}},
            {.index = 7,
             .title = t("Clear"),
             .call = [](pix::PixImage& img, const Values&) { ch::ClearAlpha(img); },
             .input = Input::None,
             .target = Target::Document},
        }};
    return table;
}

// Loads the mask file and merges its luminance into the image's alpha.
void addMask(pix::PixImage& img, const QString& path, const Values& v) {
    pix::PixImage mask;
    mask.LoadFromFile(path, t("No Undo"));
    ch::AddAlphaMask(img, mask, v.check(2), 0, 0, v.integer(1));
}

// The mask file's row: its path, with the open-file dialog's filter in its items.
Row maskFileRow() {
    Row r = text(t("Mask file:"), QString());
    r.items = QStringList{t("All Images|*.jpg;*.gif;*.bmp;*.png;*.psd;*.tif;*.tiff;*.pcx;*.tga;"
                            "*.wbmp;*.ico|All Files|*.*")};
    return r;
}

const Catalogue& maskCatalogue() {
    const Row fit = check(t("Size Mask to Fit?"), true);
    const auto asks = [](AskKind first) {
        return std::vector<Ask>{ask(first, 0), mergeAsk(1, has32Bits), ask(AskKind::YesNo, 2)};
    };
    static const Catalogue table{
        "mnuChannelsAlphaAddMask",
        "ChannelsAlphaAddMask",
        {
            {.index = 0,
             .title = t("Add Alpha Mask"),
             .rows = {maskFileRow(), mergeRow(), fit},
             .call = [](pix::PixImage& img, const Values& v) { addMask(img, v[0].text, v); },
             .input = Input::Asks,
             .target = Target::Document,
             .asks = asks(AskKind::File)},
            // The mask files of the folder, one menu item each from index 2 on.
            {.index = 2,
             .title = t("Add Alpha Mask"),
             .rows = {text(t("Mask:"), QString()), mergeRow(), fit},
             .call =
                 [](pix::PixImage& img, const Values& v) {
                     const QString name = v[0].text;
                     // Only a file of the folder itself, never a path leading out of it.
                     if (name.isEmpty() || QFileInfo(name).fileName() != name || name == t(".."))
                         throw pix::PixError(pix::kErrInvalidArgument,
                                             t("No mask named \"%1\"").arg(name),
                                             t("Add Alpha Mask"));
                     addMask(img, QDir(alphaMaskFolder()).filePath(name), v);
                 },
             .input = Input::Asks,
             .target = Target::Document,
             .asks = asks(AskKind::ChosenCaption),
             .coversFollowing = true},
        }};
    return table;
}

// Channel swaps: the source channel of red, green and blue (alpha stays).
Entry swap(int index, int red, int green, int blue) {
    return {
        .index = index,
        .title = t("Swap"),
        .call = [=](pix::PixImage& img, const Values&) { ch::Reorder(img, red, green, blue, 3); },
        .input = Input::None};
}

const Catalogue& swapCatalogue() {
    static const Catalogue table{"mnuChannelsRGBSwap",
                                 "ChannelsRGBSwap",
                                 {swap(0, 1, 0, 2), swap(1, 2, 1, 0), swap(2, 0, 2, 1)}};
    return table;
}

} // namespace

QString mergePromptText() {
    QStringList lines;
    for (int i = 0; i <= kLastMerge; ++i)
        lines << QStringLiteral("%1 = %2").arg(i).arg(QLatin1String(kMergeTypes[i]));
    return t("\nPlease select one of the following merge types.\n\n") +
           lines.join(QLatin1Char('\n'));
}

QString alphaMaskFolder() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(t("AlphaMasks"));
}

std::vector<const Catalogue*> channelsCatalogues() {
    return {&alphaCatalogue(), &maskCatalogue(), &swapCatalogue()};
}

} // namespace catalogue
