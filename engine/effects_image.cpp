#include "effects_image.h"

#include "codecs/codec_progress.h"
#include "codecs/palette_quantiser.h"
#include "image_type.h"
#include "ops/autocrop.h"
#include "ops/canvas.h"
#include "ops/deskew.h"
#include "ops/op_support.h"
#include "ops/palettes.h"
#include "pix_error.h"

namespace pix::Effects {

namespace {

// The page's colours reduced to `indexes`: as they stand on an opaque page (or when alpha is
// not kept), else as 32-bit colours carrying the page's alpha.
void storeReduced(PixPage& page, const QImage& work, QImage indexes, bool keepAlpha) {
    if (!keepAlpha || !typeHasAlpha(page.type)) {
        page.image = std::move(indexes);
        page.type = kIndexed;
        return;
    }
    QImage out = indexes.convertToFormat(QImage::Format_ARGB32);
    ops::requireAllocated(out, "Effects");
    for (int y = 0; y < out.height(); ++y) {
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        const uint32_t* a = ops::row32(work, y);
        for (int x = 0; x < out.width(); ++x) o[x] = (o[x] & 0xFFFFFFu) | (a[x] & 0xFF000000u);
    }
    page.image = std::move(out);
    page.type = kRgba;
}

// modifyPage for the colour reductions: the palette work inside `change` reports to the image's
// progress handler, which may cancel from the start.
void reduceColours(PixImage& img, const QString& undoLabel, const char* source,
                   const std::function<void(PixPage&)>& change) {
    const ProgressFn progress = img.progressHandler();
    img.modifyPage(undoLabel, [&](PixPage& page) {
        if (!reportProgress(progress, 0))
            throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QString::fromLatin1(source));
        const CodecProgress scope(progress);
        change(page);
    });
}

} // namespace

void Dither(PixImage& img, int colours, bool diffuse, bool keepAlpha, const QString& undoLabel) {
    ops::require(colours >= 2 && colours <= 256,
                 QStringLiteral("Dither reduces an image to 2 to 256 colours, not %1: a palette "
                                "holds at most 256")
                     .arg(colours),
                 "Effects.Dither");
    reduceColours(img, undoLabel, "Effects.Dither", [&](PixPage& page) {
        const QImage work = toWorkingFormat(page.image, page.type);
        ops::requireAllocated(work, "Effects.Dither");
        const QImage opaque = work.convertToFormat(QImage::Format_RGB32);
        QImage indexes = quantiseToPalette(opaque, false, colours).indexes;
        if (!diffuse) indexes = mapToPalette(opaque, indexes.colorTable(), false);
        storeReduced(page, work, std::move(indexes), keepAlpha);
    });
}

void ApplyPalette(PixImage& img, const QList<QRgb>& palette, bool dither,
                  const QString& undoLabel) {
    ops::require(!palette.isEmpty() && palette.size() <= 256,
                 QStringLiteral("A palette of %1 entries is not 1..256").arg(palette.size()),
                 "Effects.ApplyPalette");
    reduceColours(img, undoLabel, "Effects.ApplyPalette", [&](PixPage& page) {
        const QImage work = toWorkingFormat(page.image, page.type);
        ops::requireAllocated(work, "Effects.ApplyPalette");
        storeReduced(page, work, mapToPalette(work, palette, dither), true);
    });
}

void AutoCrop(PixImage& img, float tolerance, std::optional<EngineColor> border,
              const QString& undoLabel) {
    img.modifyPage(undoLabel, [&](PixPage& page) {
        const QImage work = toWorkingFormat(page.image, page.type);
        ops::requireAllocated(work, "Effects.AutoCrop");
        std::optional<QRgb> colour;
        if (border) colour = toQRgb(*border);
        const QRect keep = ops::autoCropRect(work, tolerance, colour);
        if (keep != page.image.rect()) page.image = ops::crop(page.image, keep);
    });
}

void AutoDeskew(PixImage& img, int refinements, int columnStep, int fillWithPage, int left, int top,
                int width, int height, const QString& undoLabel) {
    constexpr const char* kSource = "Effects.AutoDeskew";
    img.modifyPage(undoLabel, [&](PixPage& page) {
        ops::require(page.type == kMono, QStringLiteral("AutoDeskew works on 1-bit images"),
                     kSource);
        // Both entries as grey levels 0 and 255, whichever colours the table holds.
        QImage bits = page.image.convertToFormat(QImage::Format_Mono);
        bits.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        const QImage grey = bits.convertToFormat(QImage::Format_Grayscale8);
        ops::requireAllocated(grey, kSource);
        qint64 ones = 0;
        for (int y = 0; y < grey.height(); ++y) {
            const uchar* r = grey.constScanLine(y);
            for (int x = 0; x < grey.width(); ++x) ones += r[x] != 0;
        }
        const uchar paper = ones * 2 >= qint64(grey.width()) * grey.height() ? 255 : 0;
        const uchar ink = 255 - paper;
        const QRect area =
            width == 0 || height == 0 ? grey.rect() : QRect(left, top, width, height);
        const double skew = ops::findTextSkew(grey, ink, area, refinements, columnStep);
        if (skew == 0) return;
        const QImage turned = ops::turnGrey(grey, skew, fillWithPage ? paper : ink);
        // Back to the page's own two colours: grey 0 stands for entry 0, 255 for entry 1.
        QImage out(turned.size(), QImage::Format_Mono);
        ops::requireAllocated(out, kSource);
        out.setColorTable(page.image.colorTable());
        out.fill(0);
        for (int y = 0; y < out.height(); ++y) {
            const uchar* in = turned.constScanLine(y);
            uchar* bitsOut = out.scanLine(y);
            for (int x = 0; x < out.width(); ++x)
                if (in[x] >= 128) bitsOut[x >> 3] |= uchar(0x80 >> (x & 7));
        }
        page.image = std::move(out);
    });
}

void DisplayPalette(PixImage& img, const QList<QRgb>& palette, const QString& undoLabel) {
    const QImage chart = ops::paletteChart(palette);
    img.CreateBlank(chart.width(), chart.height(), MakeColor(0, 255), kRgb, undoLabel);
    img.setImage(chart, kRgb, QStringLiteral("No Undo"));
}

} // namespace pix::Effects

namespace pix::Image {

void ConvertType(PixImage& img, int type, const QString& undoLabel) {
    ops::require(isValidImageType(type), QStringLiteral("Image type %1 is not 0..6").arg(type),
                 "Image.ConvertType");
    Effects::reduceColours(img, undoLabel, "Image.ConvertType", [&](PixPage& page) {
        const QImage work = toWorkingFormat(page.image, page.type);
        page.image =
            type == page.type ? page.image : convertToType(work, type, img.progressHandler());
        ops::requireAllocated(page.image, "Image.ConvertType");
        page.type = type;
    });
}

} // namespace pix::Image
