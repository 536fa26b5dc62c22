#include "effects_image_catalogue.h"

#include "dispatch.h"
#include "engine/effects.h"
#include "engine/effects_image.h"
#include "engine/image_type.h"
#include "engine/ops/palettes.h"
#include "platform/vb.h"
#include "values.h"

#include <QFile>
#include <algorithm>

namespace catalogue {

namespace {

namespace fx = pix::Effects;

QString t(const char* s) {
    return QString::fromLatin1(s);
}

// An entry without a dialog whose call has its arguments fixed.
Entry preset(int index, const char* title, std::function<void(pix::PixImage&)> call,
             Target target = Target::WorkingCopy) {
    return {.index = index,
            .title = t(title),
            .call = [call = std::move(call)](pix::PixImage& img, const Values&) { call(img); },
            .input = Input::None,
            .target = target};
}

// The entry marked as one the converter may run band by band: it maps each row alone.
Entry banded(Entry e) {
    e.streams = Streams::Bands;
    return e;
}

// The entry marked as one whose result is whole rows of the part of the source `plan` gives.
Entry rows(Entry e, std::function<RowPlan(QSize)> plan) {
    e.streams = Streams::Rows;
    e.rowPlan = std::move(plan);
    return e;
}

// An entry whose row 0 is a palette file chosen in the open-file dialog.
Entry paletteFileEntry(int index, Target target,
                       std::function<void(pix::PixImage&, const QList<QRgb>&, const Values&)> use) {
    Row file = text(t("Palette File:"), QString());
    file.items = {t("Palette Files|*.pal|All Files|*.*")};
    return {.index = index,
            .title = t("Open Palette File"),
            .rows = {file},
            .call =
                [use = std::move(use)](pix::PixImage& img, const Values& v) {
                    use(img, readPaletteFile(v[0].text), v);
                },
            .input = Input::File,
            .target = target};
}

// Whether the frame's "Dither Palette" item is ticked.
bool ditherPalette(const Values& v) {
    return v.context().checked(t("mnuEffectsDitherPalette"));
}

Catalogue flip() {
    return {"mnuFlip",
            "EffectsFlip",
            {banded(preset(0, "Flip", [](pix::PixImage& img) { fx::Flip(img, 0); })),
             rows(preset(1, "Flip", [](pix::PixImage& img) { fx::Flip(img, 1); }), [](QSize size) {
                 return RowPlan{QRect(QPoint(), size), true};
             })}};
}

Catalogue thumbnail() {
    return {"mnuEffectsThumbnail",
            "EffectsThumbnail",
            {preset(0, "Thumbnail", [](pix::PixImage& img) { fx::Resize(img, 100, 0, 3); }),
             preset(1, "Thumbnail", [](pix::PixImage& img) { fx::Resize(img, 100, 0, 0); })},
            FailureStyle::NumberAndDescription};
}

Catalogue dither() {
    std::vector<Entry> e;
    for (int i = 0; i < 8; ++i)
        e.push_back(preset(i, "Dither Image",
                           [n = 2 << i](pix::PixImage& img) { fx::Dither(img, n, true, true); }));
    // The count goes to the engine as typed: it refuses what a palette cannot hold.
    e.push_back({.index = 9,
                 .title = t("Dither Image"),
                 .rows = {text(t("Number of colors [2..255]:"), t("255"))},
                 .call = [](pix::PixImage& img, const Values& v) {
                     fx::Dither(img, v.integer(0), true, true);
                 }});
    return {"mnuEffectsDither", "EffectsDither", std::move(e)};
}

Catalogue imageType() {
    std::vector<Entry> e;
    for (int type = 0; type < pix::kImageTypeCount; ++type) {
        e.push_back(preset(
            type, "Image Type", [type](pix::PixImage& img) { pix::Image::ConvertType(img, type); },
            Target::Document));
        // Grey and RGB forms are a map of each pixel; 1-bit and colour-mapped ones are not.
        if (type == pix::kGray || type == pix::kGrayAlpha || type == pix::kRgb ||
            type == pix::kRgba)
            e.back() = banded(e.back());
    }
    return {"mnuImageType", "ImageType", std::move(e)};
}

// Crop presets: a corner or the centre of half the image's size, each side at least 20.
QRect cropPresetRect(QSize size, double fx0, double fy0) {
    const int w = size.width(), h = size.height();
    const int cw = std::max(20, vb::toInt32(w / 2.0));
    const int ch = std::max(20, vb::toInt32(h / 2.0));
    return {vb::toInt32((w - cw) * fx0), vb::toInt32((h - ch) * fy0), cw, ch};
}

Entry cropPreset(int index, double fx0, double fy0) {
    return rows(preset(
                    index, "Crop",
                    [fx0, fy0](pix::PixImage& img) {
                        const QRect r = cropPresetRect(img.image().size(), fx0, fy0);
                        fx::Crop(img, r.x(), r.y(), r.width(), r.height());
                    },
                    Target::Document),
                [fx0, fy0](QSize size) { return RowPlan{cropPresetRect(size, fx0, fy0)}; });
}

Catalogue crop() {
    Entry selection{
        .index = 0,
        .title = t("Crop"),
        .call =
            [](pix::PixImage& img, const Values& v) {
                const QRect r = v.context().selection();
                fx::Crop(img, r.x(), r.y(), r.width(), r.height());
            },
        .input = Input::None,
        .target = Target::Document,
        .precondition = [](const pix::PixImage&, const RunContext& c) -> std::optional<QString> {
            if (c.selection().isEmpty()) return t("You must select a cropping area with the mouse");
            return std::nullopt;
        },
        .refusalInforms = true};
    return {"mnuEffectsCrop",
            "EffectsCrop",
            {selection,
             preset(
                 1, "AutoCrop", [](pix::PixImage& img) { fx::AutoCrop(img, 1.0f, std::nullopt); },
                 Target::Document),
             cropPreset(3, 0, 0), cropPreset(4, 1, 0), cropPreset(5, 0, 1), cropPreset(6, 1, 1),
             cropPreset(7, 0.5, 0.5)},
            FailureStyle::NumberAndDescription};
}

Catalogue autoDeskew() {
    Entry e{
        .index = -1,
        .title = t("AutoDeskew"),
        // The working copy is the selected rectangle itself: the skew is found in all of it.
        .call =
            [](pix::PixImage& img, const Values& v) {
                if (v.context().selection().isEmpty())
                    fx::AutoDeskew(img, 2, 4, 1, 0, 0, 0, 0);
                else
                    fx::AutoDeskew(img, 2, 4, 1, 0, 0, img.width(), img.height());
            },
        .input = Input::None,
        .precondition = [](const pix::PixImage& img, const RunContext&) -> std::optional<QString> {
            if (pix::bitsPerPixel(img.imageType()) != 1)
                return t("You can only use AutoDeskew on 1-bit images.");
            return std::nullopt;
        }};
    return {"mnuEffectsAutoDeskew", "EffectsAutoDeskew", {e}};
}

Catalogue palette() {
    std::vector<Entry> e;
    const int kinds[] = {pix::ops::kWebPalette, pix::ops::kSystemPalette, pix::ops::kSixteenPalette,
                         pix::ops::kBlackWhite};
    for (int i = 0; i < 4; ++i)
        e.push_back({.index = i,
                     .title = t("Apply Palette"),
                     .call =
                         [kind = kinds[i]](pix::PixImage& img, const Values& v) {
                             fx::ApplyPalette(img, pix::ops::builtInPalette(kind),
                                              ditherPalette(v));
                         },
                     .input = Input::None});
    e.push_back(
        paletteFileEntry(4, Target::WorkingCopy,
                         [](pix::PixImage& img, const QList<QRgb>& colours, const Values& v) {
                             fx::ApplyPalette(img, colours, ditherPalette(v));
                         }));
    return {"mnuEffectsPalette", "EffectsPalette", std::move(e),
            FailureStyle::NumberAndDescription};
}

Catalogue displayPalette() {
    return {"mnuEffectsPalDisplayPalFile",
            "EffectsPalDisplayPalFile",
            {paletteFileEntry(-1, Target::Document,
                              [](pix::PixImage& img, const QList<QRgb>& colours, const Values&) {
                                  fx::DisplayPalette(img, colours);
                              })},
            FailureStyle::NumberAndDescription};
}

} // namespace

QList<QRgb> readPaletteFile(const QString& path) {
    const Refusal invalid{path + t(" is not a valid palette file.")};
    QFile file(path);
    // The size is checked before reading: a large file is never read into memory.
    if (!file.open(QIODevice::ReadOnly) || file.size() != pix::ops::kPaletteFileSize) throw invalid;
    const pix::ops::PaletteFile parsed = pix::ops::parsePaletteFile(file.read(file.size() + 1));
    switch (parsed.fault) {
    case pix::ops::PaletteFileFault::None:
        return parsed.colours;
    case pix::ops::PaletteFileFault::Level:
        throw Refusal{invalid.message, true};
    case pix::ops::PaletteFileFault::Size:
        break;
    }
    throw invalid;
}

const std::vector<const Catalogue*>& effectsImageCatalogues() {
    static const std::vector<Catalogue> tables = {flip(),      thumbnail(),     dither(),
                                                  imageType(), crop(),          autoDeskew(),
                                                  palette(),   displayPalette()};
    static const std::vector<const Catalogue*> pointers = pointersTo(tables);
    return pointers;
}

} // namespace catalogue
