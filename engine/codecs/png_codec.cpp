// PNG: every colour type and depth is read through libpng (16-bit scaled to 8); each page type
// is written in the PNG form that holds it without loss (png_writer).
#include "all_codecs.h"
#include "codec_progress.h"
#include "lib_support.h"
#include "orientation.h"
#include "png_writer.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "../pix_error.h"

#include <algorithm>
#include <cstring>
#include <png.h>
#include <vector>
#include <zlib.h>

namespace pix {

namespace {

const QString kSource = QStringLiteral("PNG");
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Message {
    char text[256] = {};
};

void onError(png_structp png, png_const_charp msg) {
    auto* m = static_cast<Message*>(png_get_error_ptr(png));
    std::snprintf(m->text, sizeof m->text, "%s", msg);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

[[noreturn]] void raise(const Message& m) {
    throw PixError(kErrCorruptImage,
                   QStringLiteral("PNG error: %1").arg(QString::fromLatin1(m.text)), kSource);
}

struct MemoryInput {
    Bytes data;
    size_t pos = 0;
};

void readFromMemory(png_structp png, png_bytep out, size_t n) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (n > in->data.size() - in->pos) png_error(png, "Unexpected end of file");
    std::memcpy(out, in->data.data() + in->pos, n);
    in->pos += n;
}

struct Reader {
    Message message;
    png_structp png = nullptr;
    png_infop info = nullptr;
    Reader() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &message, onError, onWarning);
        if (png) info = png_create_info_struct(png);
        if (!png || !info)
            throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for PNG"), kSource);
    }
    ~Reader() { png_destroy_read_struct(&png, &info, nullptr); }
};

// The colour table of a palette file, alpha taken from its tRNS chunk.
QList<QRgb> paletteOf(png_structp png, png_infop info) {
    png_colorp palette = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &palette, &count);
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
    QList<QRgb> table;
    for (int i = 0; i < count; ++i)
        table.append(qRgba(palette[i].red, palette[i].green, palette[i].blue,
                           i < alphaCount ? alpha[i] : 255));
    return table;
}

struct Layout {
    QImage::Format format;
    int type;
};

// Sets libpng's transforms so that rows come out in the storage form of the chosen page type.
Layout chooseLayout(png_structp png, png_infop info) {
    const int colorType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS);
    if (depth == 16) png_set_scale_16(png);
    switch (colorType) {
    case PNG_COLOR_TYPE_PALETTE:
        if (depth == 1 && !trns) return {QImage::Format_Mono, kMono};
        png_set_packing(png);
        return {QImage::Format_Indexed8, kIndexed};
    case PNG_COLOR_TYPE_GRAY:
        if (depth == 1 && !trns) return {QImage::Format_Mono, kMono};
        png_set_expand_gray_1_2_4_to_8(png);
        if (!trns) return {QImage::Format_Grayscale8, kGray};
        png_set_tRNS_to_alpha(png);
        [[fallthrough]];
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
        return {QImage::Format_ARGB32, kGrayAlpha};
    case PNG_COLOR_TYPE_RGB:
        png_set_bgr(png);
        if (trns) {
            png_set_tRNS_to_alpha(png);
            return {QImage::Format_ARGB32, kRgba};
        }
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        return {QImage::Format_RGB32, kRgb};
    default:
        png_set_bgr(png);
        return {QImage::Format_ARGB32, kRgba};
    }
}

void decode(Bytes data, PixPage& page, std::vector<png_bytep>& rows, int& orientation) {
    Reader r;
    MemoryInput input{data, 0};
    if (setjmp(png_jmpbuf(r.png))) raise(r.message);
    png_set_read_fn(r.png, &input, readFromMemory);
    png_set_user_limits(r.png, uint32_t(kMaxSide), uint32_t(kMaxSide));
    png_set_chunk_cache_max(r.png, 1000);
    png_set_chunk_malloc_max(r.png, 64 * 1024 * 1024);
    png_read_info(r.png, r.info);
    // An eXIf chunk before the image data may name the orientation the picture is stored in.
    png_uint_32 exifSize = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(r.png, r.info, &exifSize, &exif) && exif)
        orientation =
            exifOrientation(QByteArray(reinterpret_cast<const char*>(exif), qsizetype(exifSize)));
    const Layout layout = chooseLayout(r.png, r.info);
    page.type = layout.type;
    page.image = allocateImage(png_get_image_width(r.png, r.info),
                               png_get_image_height(r.png, r.info), layout.format, kSource);
    const int passes = png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) > size_t(page.image.bytesPerLine()))
        throw PixError(kErrCorruptImage, QStringLiteral("PNG rows are wider than the image"),
                       kSource);
    const int height = page.image.height();
    rows.resize(size_t(height));
    for (int y = 0; y < height; ++y) rows[size_t(y)] = page.image.scanLine(y);
    // Read in bands of rows (each pass of an interlaced file in turn), reporting between them.
    constexpr int kBand = 64;
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; y += kBand) {
            const int n = std::min(kBand, height - y);
            png_read_rows(r.png, rows.data() + y, nullptr, png_uint_32(n));
            reportCodecRows(int64_t(pass) * height + y + n, int64_t(passes) * height);
        }

    if (layout.format == QImage::Format_Mono) {
        QList<QRgb> table = png_get_color_type(r.png, r.info) == PNG_COLOR_TYPE_PALETTE
                                ? paletteOf(r.png, r.info)
                                : QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)};
        while (table.size() < 2) table.append(qRgb(0, 0, 0));
        page.image.setColorTable(table);
    } else if (layout.format == QImage::Format_Indexed8) {
        padTableToIndexes(page.image, paletteOf(r.png, r.info));
        page.type = imageTypeFromFormat(page.image);
    }
}

class PngCodec final : public Codec {
public:
    QString name() const override { return QStringLiteral("png"); }
    int fileType() const override { return kFilePng; }
    QStringList extensions() const override { return {QStringLiteral("png")}; }
    bool probe(Bytes data) const override {
        return data.size() >= 8 && std::equal(kSignature, kSignature + 8, data.begin());
    }
    DecodedFile read(Bytes data) const override {
        DecodedFile file;
        PixPage page;
        std::vector<png_bytep> rows;
        int orientation = 1;
        decode(data, page, rows, orientation);
        turnUpright(page, orientation);
        file.pages.append(page);
        file.fileType = kFilePng;
        return file;
    }
    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override {
        return encodePng(pages.at(0));
    }
};

} // namespace

std::unique_ptr<Codec> makePngCodec() {
    return std::make_unique<PngCodec>();
}

} // namespace pix
