#include "tiff_write.h"

#include "atomic_write.h"
#include "parallel_bands.h"
#include "raster_util.h"

#include "../image_type.h"
#include "../pix_error.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace pix {

namespace {

const QString kSource = QStringLiteral("TIFF");

struct WriteForm {
    uint16_t photometric, spp, bps;
    bool alpha;
};

// How each page type is stored. A colour table with alpha has no TIFF form: it is written as RGBA.
constexpr WriteForm kWriteForms[kImageTypeCount] = {
    {PHOTOMETRIC_MINISBLACK, 1, 1, false}, // 1-bit
    {PHOTOMETRIC_PALETTE, 1, 8, false},    // 8-bit colormapped
    {PHOTOMETRIC_RGB, 4, 8, true},         // colormapped with alpha
    {PHOTOMETRIC_MINISBLACK, 1, 8, false}, // grey
    {PHOTOMETRIC_MINISBLACK, 2, 8, true},  // grey + alpha
    {PHOTOMETRIC_RGB, 3, 8, false},        // RGB
    {PHOTOMETRIC_RGB, 4, 8, true},         // RGBA
};

// Compression list positions to libtiff codes.
constexpr uint16_t kCompressions[] = {
    COMPRESSION_NONE,     COMPRESSION_CCITTFAX3,     COMPRESSION_CCITTFAX4, COMPRESSION_JPEG,
    COMPRESSION_PACKBITS, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_LZW};

// The compression used for a page: fax codings fit only bilevel pages and JPEG only 8-bit grey or
// RGB without alpha; other pages asked for them get LZW, which is lossless and fits all.
uint16_t compressionFor(const WriteForm& form, int option) {
    const uint16_t wanted = option >= 0 && option < int(std::size(kCompressions))
                                ? kCompressions[option]
                                : COMPRESSION_NONE;
    const bool bilevel = form.bps == 1;
    const bool fax = wanted == COMPRESSION_CCITTFAX3 || wanted == COMPRESSION_CCITTFAX4;
    if (fax && (!bilevel || form.photometric == PHOTOMETRIC_PALETTE)) return COMPRESSION_LZW;
    if (wanted == COMPRESSION_JPEG &&
        (bilevel || form.alpha || form.photometric == PHOTOMETRIC_PALETTE))
        return COMPRESSION_LZW;
    return wanted;
}

QImage rowsFor(const PixPage& page) {
    switch (page.type) {
    case kMono:
        return page.image.convertToFormat(QImage::Format_Mono);
    case kIndexed:
        return page.image.convertToFormat(QImage::Format_Indexed8);
    case kGray:
        return page.image.convertToFormat(QImage::Format_Grayscale8);
    case kRgb:
        return page.image.convertToFormat(QImage::Format_RGB32);
    default:
        return page.image.convertToFormat(QImage::Format_ARGB32);
    }
}

// Packs a row of `w` pixels in the page type's format into the stored form.
void packRow(const uchar* in, int w, const WriteForm& form, uint8_t* out) {
    const auto* px = reinterpret_cast<const QRgb*>(in);
    if (form.bps == 1) {
        std::copy(in, in + (w + 7) / 8, out);
    } else if (form.photometric == PHOTOMETRIC_PALETTE || (form.spp == 1)) {
        std::copy(in, in + w, out);
    } else if (form.spp == 2) {
        pixelsToGrayAlpha(px, w, out);
    } else if (form.spp == 3) {
        pixelsToRgb(px, w, out);
    } else {
        pixelsToRgba(px, w, out);
    }
}

// One fed row in the stored form, `lineSize` bytes.
void storeFedRow(const RowFeed& feed, const uchar* in, const WriteForm& form, tmsize_t lineSize,
                 uint8_t* out) {
    if (feed.stored)
        std::memcpy(out, in, size_t(lineSize));
    else
        packRow(in, feed.width, form, out);
}

// Sets the tags that describe a page's pixels on a file being written.
void setImageTags(TIFF* t, const RowFeed& feed, const QList<QRgb>& table, const WriteForm& form,
                  uint16_t compression, const SaveOptions& options, uint32_t height) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(feed.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, form.spp);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, form.bps);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    uint16_t photometric = form.photometric;
    if (form.bps == 1 && photometric != PHOTOMETRIC_PALETTE) {
        // A mono page whose first colour is the lighter one is stored white-is-zero.
        if (table.size() >= 2 && qGray(table[0]) > qGray(table[1]))
            photometric = PHOTOMETRIC_MINISWHITE;
    }
    if (compression == COMPRESSION_JPEG) {
        TIFFSetField(t, TIFFTAG_JPEGQUALITY, std::clamp(options.jpegQuality, 1, 100));
        if (photometric == PHOTOMETRIC_RGB) photometric = PHOTOMETRIC_YCBCR;
    }
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
    if (compression == COMPRESSION_JPEG && photometric == PHOTOMETRIC_YCBCR)
        TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if ((compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE) &&
        form.bps == 8 && form.photometric != PHOTOMETRIC_PALETTE)
        TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (form.alpha) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (form.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> r(256, 0), g(256, 0), b(256, 0);
        for (int i = 0; i < std::min<int>(256, int(table.size())); ++i) {
            r[size_t(i)] = uint16_t(qRed(table[i]) * 257);
            g[size_t(i)] = uint16_t(qGreen(table[i]) * 257);
            b[size_t(i)] = uint16_t(qBlue(table[i]) * 257);
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
}

// Strips of about this size: large enough for the coders, small enough to share out.
constexpr tmsize_t kStripBytes = 256 * 1024;
// Strips encoded per round before they are written out, bounding the memory held.
constexpr int kStripsPerRound = 32;

// Compressions whose strips are independent, so that they can be encoded on the shared pool.
bool encodesInParallel(uint16_t compression) {
    return compression == COMPRESSION_NONE || compression == COMPRESSION_LZW ||
           compression == COMPRESSION_ADOBE_DEFLATE || compression == COMPRESSION_PACKBITS;
}

// Writes the feed's rows as strips encoded on the shared pool. A libtiff handle is not
// thread-safe, so each band of strips is encoded into a scratch file of its own and copied into
// the page raw.
void writeStrips(TiffStream& s, const RowFeed& feed, const QList<QRgb>& table,
                 const WriteForm& form, uint16_t compression, const SaveOptions& options) {
    TIFF* t = s.tiff();
    const uint32_t height = uint32_t(feed.height);
    const tmsize_t lineSize = TIFFScanlineSize(t);
    const uint32_t rowsPerStrip =
        std::clamp<uint32_t>(uint32_t(kStripBytes / std::max<tmsize_t>(1, lineSize)), 1, height);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    const int strips = int((height + rowsPerStrip - 1) / rowsPerStrip);
    const int perRound = std::max(1, feed.stripsPerRound);
    std::vector<QByteArray> encoded(size_t(std::min(strips, perRound)));
    for (int round = 0; round < strips; round += perRound) {
        const int roundEnd = std::min(strips, round + perRound);
        const uint32_t roundTop = uint32_t(round) * rowsPerStrip;
        const std::vector<const uchar*>& fed = feed.rows(
            int(roundTop), int(std::min(height, uint32_t(roundEnd) * rowsPerStrip) - roundTop));
        const int bands = std::clamp((roundEnd - round) / 4, 1, poolThreads());
        forEachBand(bands, [&](int band) {
            const int first = bandStart(roundEnd - round, bands, band);
            const int end = bandStart(roundEnd - round, bands, band + 1);
            const uint32_t bandTop = uint32_t(round + first) * rowsPerStrip;
            const uint32_t bandRows =
                std::min(height, uint32_t(round + end) * rowsPerStrip) - bandTop;
            std::unique_ptr<TiffStream> scratch;
            if (compression != COMPRESSION_NONE) {
                scratch = std::make_unique<TiffStream>(QByteArray(), "w", kSource);
                setImageTags(scratch->tiff(), feed, table, form, compression, options, bandRows);
                TIFFSetField(scratch->tiff(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
            }
            for (int i = first; i < end; ++i) {
                const uint32_t y0 = uint32_t(round + i) * rowsPerStrip;
                const uint32_t rows = std::min(rowsPerStrip, height - y0);
                QByteArray& out = encoded[size_t(i)];
                out.resize(qsizetype(lineSize) * rows);
                for (uint32_t r = 0; r < rows; ++r)
                    storeFedRow(feed, fed[y0 + r - roundTop], form, lineSize,
                                reinterpret_cast<uint8_t*>(out.data()) + r * lineSize);
                if (!scratch) continue;
                const uint32_t local = uint32_t(i - first);
                if (TIFFWriteEncodedStrip(scratch->tiff(), local, out.data(),
                                          tmsize_t(out.size())) < 0)
                    scratch->fail(QStringLiteral("Cannot write row %1 of a TIFF page").arg(y0));
                const uint64_t at = TIFFGetStrileOffset(scratch->tiff(), local);
                const uint64_t n = TIFFGetStrileByteCount(scratch->tiff(), local);
                if (at + n > uint64_t(scratch->buffer.size()))
                    scratch->fail(QStringLiteral("Cannot write a TIFF page"));
                out.resize(qsizetype(n));
                std::memcpy(out.data(), scratch->buffer.constData() + at, size_t(n));
            }
        });
        for (int i = round; i < roundEnd; ++i) {
            const QByteArray& out = encoded[size_t(i - round)];
            if (TIFFWriteRawStrip(t, uint32_t(i), const_cast<char*>(out.constData()),
                                  tmsize_t(out.size())) < 0)
                s.fail(QStringLiteral("Cannot write a TIFF page"));
        }
    }
}

// Writes the feed as a new directory of `s` in the stored form `form`.
void writeFed(TiffStream& s, const RowFeed& feed, const QList<QRgb>& table, const WriteForm& form,
              const SaveOptions& options, int number, int count) {
    TIFF* t = s.tiff();
    const uint16_t compression = compressionFor(form, options.tiffCompression);
    setImageTags(t, feed, table, form, compression, options, uint32_t(feed.height));
    if (count != 1) TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    if (count > 1) TIFFSetField(t, TIFFTAG_PAGENUMBER, uint16_t(number), uint16_t(count));
    if (encodesInParallel(compression)) {
        writeStrips(s, feed, table, form, compression, options);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        const tmsize_t lineSize = TIFFScanlineSize(t);
        std::vector<uint8_t> line(size_t(lineSize) + 4);
        const std::vector<const uchar*>& fed = feed.rows(0, feed.height);
        for (int y = 0; y < feed.height; ++y) {
            storeFedRow(feed, fed[size_t(y)], form, lineSize, line.data());
            if (TIFFWriteScanline(t, line.data(), uint32_t(y), 0) < 0)
                s.fail(QStringLiteral("Cannot write row %1 of a TIFF page").arg(y));
        }
    }
    if (!TIFFWriteDirectory(t)) s.fail(QStringLiteral("Cannot write a TIFF page"));
}

} // namespace

void writeTiffPage(TiffStream& s, const PixPage& page, const SaveOptions& options, int number,
                   int count) {
    WriteForm form = kWriteForms[isValidImageType(page.type) ? page.type : kRgba];
    const QImage image = rowsFor(page);
    // Two colours other than black and white keep them in a 1-bit colour map.
    if (page.type == kMono && !monoIsBlackAndWhite(image))
        form = {PHOTOMETRIC_PALETTE, 1, 1, false};
    if (image.isNull()) throw PixError(kErrNoImage, QStringLiteral("No image to write"), kSource);
    std::vector<const uchar*> rows;
    RowFeed feed{.width = image.width(),
                 .height = image.height(),
                 .type = page.type,
                 .stripsPerRound = kStripsPerRound,
                 .rows = [&image, &rows](int y0, int n) -> const std::vector<const uchar*>& {
                     rows.resize(size_t(n));
                     for (int r = 0; r < n; ++r) rows[size_t(r)] = image.constScanLine(y0 + r);
                     return rows;
                 }};
    writeFed(s, feed, image.colorTable(), form, options, number, count);
}

bool tiffWritesRows(int type, const SaveOptions& options) {
    if (type != kRgb && type != kRgba && type != kGray && type != kGrayAlpha) return false;
    return encodesInParallel(compressionFor(kWriteForms[type], options.tiffCompression));
}

QImage::Format tiffRowFormat(int type) {
    return type == kGray  ? QImage::Format_Grayscale8
           : type == kRgb ? QImage::Format_RGB32
                          : QImage::Format_ARGB32;
}

void writeTiffRows(AtomicFile& out, const RowFeed& feed, const SaveOptions& options) {
    if (!tiffWritesRows(feed.type, options) || feed.width <= 0 || feed.height <= 0)
        throw PixError(kErrInvalidArgument, QStringLiteral("No rows to write"), kSource);
    TiffStream s(out, kSource);
    writeFed(s, feed, {}, kWriteForms[feed.type], options, 0, 1);
    s.finish();
}

} // namespace pix
