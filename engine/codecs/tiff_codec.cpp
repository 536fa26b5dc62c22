// TIFF through libtiff: every page of a file, the common 8-bit and bilevel layouts read sample by
// sample (so alpha and palettes survive exactly) with their strips decoded in parallel, integer
// and floating-point samples of other depths, 16-bit CMYK and CIELab by tiff_samples, anything
// else through libtiff's RGBA reader; pages turned upright by their Orientation, and a page that
// cannot be read left out with its reason; seven compressions on writing (the strip-wise ones
// encoded in parallel), and pages appended to an existing file.
#include "all_codecs.h"
#include "atomic_write.h"
#include "input_file.h"
#include "lib_support.h"
#include "orientation.h"
#include "parallel_bands.h"
#include "raster_util.h"
#include "tiff_samples.h"
#include "tiff_stream.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "../pix_error.h"

#include <QFileInfo>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace pix {

namespace {

const QString kSource = QStringLiteral("TIFF");

// The layouts read directly from scanlines.
enum class Direct { None, Bilevel, Gray, GrayAlpha, Palette, Rgb, Rgba };

struct PageInfo {
    uint32_t width = 0, height = 0;
    uint16_t spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    bool associatedAlpha = false;
    bool hasExtra = false;
};

PageInfo pageInfo(const TiffStream& s) {
    TIFF* t = s.tiff();
    PageInfo p;
    if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &p.width) ||
        !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &p.height))
        s.fail(QStringLiteral("A TIFF page has no size"));
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &p.spp);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &p.bps);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &p.planar);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &p.photometric))
        p.photometric = p.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    p.hasExtra = extraCount > 0;
    p.associatedAlpha = extraCount > 0 && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_JPEG && p.photometric == PHOTOMETRIC_YCBCR) {
        // libjpeg does the colour conversion; the rows then arrive as RGB.
        TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        p.photometric = PHOTOMETRIC_RGB;
    }
    return p;
}

Direct directLayout(const TiffStream& s, const PageInfo& p) {
    // One sample per pixel is laid out the same whichever planar configuration is named.
    if (TIFFIsTiled(s.tiff()) || (p.planar != PLANARCONFIG_CONTIG && p.spp != 1))
        return Direct::None;
    const bool grey =
        p.photometric == PHOTOMETRIC_MINISBLACK || p.photometric == PHOTOMETRIC_MINISWHITE;
    if ((grey || p.photometric == PHOTOMETRIC_PALETTE) && p.spp == 1 && p.bps == 1)
        return Direct::Bilevel;
    if (p.bps != 8) return Direct::None;
    if (grey && p.spp == 1) return Direct::Gray;
    if (p.photometric == PHOTOMETRIC_MINISBLACK && p.spp == 2) return Direct::GrayAlpha;
    if (p.photometric == PHOTOMETRIC_PALETTE && p.spp == 1) return Direct::Palette;
    if (p.photometric == PHOTOMETRIC_RGB && p.spp == 3) return Direct::Rgb;
    if (p.photometric == PHOTOMETRIC_RGB && p.spp == 4) return Direct::Rgba;
    return Direct::None;
}

QList<QRgb> colorMap(const TiffStream& s, int entries) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(s.tiff(), TIFFTAG_COLORMAP, &r, &g, &b))
        s.fail(QStringLiteral("A palette TIFF page has no colour map"));
    // Old writers stored 8-bit values; scale only when some entry uses the 16-bit range.
    bool wide = false;
    for (int i = 0; i < entries; ++i) wide = wide || r[i] > 255 || g[i] > 255 || b[i] > 255;
    auto level = [wide](uint16_t v) { return wide ? (int(v) + 128) / 257 : int(v); };
    QList<QRgb> table;
    for (int i = 0; i < entries; ++i) table.append(qRgb(level(r[i]), level(g[i]), level(b[i])));
    return table;
}

// Unpacks one scanline into an image row `w` pixels wide.
void storeRow(Direct layout, const PageInfo& p, const uint8_t* in, uchar* out, int w) {
    auto* px = reinterpret_cast<QRgb*>(out);
    const bool invert = p.photometric == PHOTOMETRIC_MINISWHITE;
    switch (layout) {
    case Direct::Bilevel:
        std::copy(in, in + (w + 7) / 8, out);
        break;
    case Direct::Gray:
    case Direct::Palette:
        for (int x = 0; x < w; ++x) out[x] = invert ? 255 - in[x] : in[x];
        break;
    case Direct::GrayAlpha:
        for (int x = 0; x < w; ++x) px[x] = qRgba(in[2 * x], in[2 * x], in[2 * x], in[2 * x + 1]);
        break;
    case Direct::Rgb:
        rgbToPixels(in, w, px);
        break;
    case Direct::Rgba:
        for (int x = 0; x < w; ++x)
            px[x] =
                qRgba(in[4 * x], in[4 * x + 1], in[4 * x + 2], p.hasExtra ? in[4 * x + 3] : 255);
        break;
    case Direct::None:
        break;
    }
}

struct DirectForm {
    Direct layout;
    QImage::Format format;
    int type;
};

constexpr DirectForm kDirectForms[] = {
    {Direct::Bilevel, QImage::Format_Mono, kMono},
    {Direct::Gray, QImage::Format_Grayscale8, kGray},
    {Direct::GrayAlpha, QImage::Format_ARGB32, kGrayAlpha},
    {Direct::Palette, QImage::Format_Indexed8, kIndexed},
    {Direct::Rgb, QImage::Format_RGB32, kRgb},
    {Direct::Rgba, QImage::Format_ARGB32, kRgba},
};

// Decodes the strips of the current page on the shared pool. A libtiff handle is not
// thread-safe, so each band of strips opens its own over the same bytes.
void readStrips(const TiffStream& s, const PageInfo& p, Direct layout, QImage& image) {
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(s.tiff(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, p.height);
    const int strips = int((p.height + rowsPerStrip - 1) / rowsPerStrip);
    if (TIFFNumberOfStrips(s.tiff()) < uint32_t(strips))
        s.fail(QStringLiteral("A TIFF page has fewer strips than rows"));
    const tdir_t page = TIFFCurrentDirectory(s.tiff());
    const tmsize_t lineSize = TIFFScanlineSize(s.tiff());
    // Row addresses taken once here: QImage::scanLine() may not be called from several threads.
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int bands = std::clamp(strips / 8, 1, poolThreads());
    forEachBand(bands, [&](int band) {
        const std::unique_ptr<TiffStream> own =
            band == 0 ? nullptr : std::make_unique<TiffStream>(s.buffer, "r", kSource);
        const TiffStream& h = own ? *own : s;
        if (own) {
            if (!TIFFSetDirectory(h.tiff(), page))
                h.fail(QStringLiteral("Cannot read a TIFF page"));
            pageInfo(h); // the same decoding set-up as the first handle
        }
        std::vector<uint8_t> strip(size_t(lineSize) * rowsPerStrip);
        for (int i = bandStart(strips, bands, band); i < bandStart(strips, bands, band + 1); ++i) {
            const uint32_t y0 = uint32_t(i) * rowsPerStrip;
            const uint32_t rows = std::min(rowsPerStrip, p.height - y0);
            const tmsize_t want = lineSize * tmsize_t(rows);
            if (TIFFReadEncodedStrip(h.tiff(), uint32_t(i), strip.data(), want) < want)
                h.fail(QStringLiteral("Cannot read row %1 of a TIFF page").arg(y0));
            for (uint32_t r = 0; r < rows; ++r)
                storeRow(layout, p, strip.data() + size_t(r) * size_t(lineSize),
                         bits + qsizetype(y0 + r) * stride, int(p.width));
        }
    });
}

PixPage readDirect(const TiffStream& s, const PageInfo& p, Direct layout) {
    const DirectForm form = *std::find_if(std::begin(kDirectForms), std::end(kDirectForms),
                                          [&](const DirectForm& f) { return f.layout == layout; });
    PixPage page;
    page.type = form.type;
    page.image = allocateImage(p.width, p.height, form.format, kSource);
    const int64_t expected = (int64_t(p.width) * p.spp * p.bps + 7) / 8;
    if (TIFFScanlineSize(s.tiff()) < expected)
        s.fail(QStringLiteral("TIFF scanlines are shorter than the image"));
    readStrips(s, p, layout, page.image);
    if (layout == Direct::Bilevel && p.photometric == PHOTOMETRIC_PALETTE) {
        page.image.setColorTable(colorMap(s, 2));
    } else if (layout == Direct::Bilevel) {
        const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
        page.image.setColorTable(p.photometric == PHOTOMETRIC_MINISWHITE
                                     ? QList<QRgb>{white, black}
                                     : QList<QRgb>{black, white});
    } else if (layout == Direct::Palette) {
        page.image.setColorTable(colorMap(s, 256));
    } else if (p.associatedAlpha) {
        page.image = unpremultiplied(page.image);
    }
    return page;
}

// Any other layout (tiles, planes, 16-bit, CMYK, YCbCr, LogLuv...) through libtiff's RGBA reader.
PixPage readRgba(const TiffStream& s, const PageInfo& p) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(s.tiff(), message))
        throw PixError(
            kErrUnsupported,
            QStringLiteral("Unsupported TIFF layout: %1").arg(QString::fromLatin1(message)),
            kSource);
    QImage image = allocateImage(p.width, p.height, QImage::Format_ARGB32, kSource);
    // ARGB32 rows are contiguous with no padding, so the image is the raster libtiff fills.
    auto* raster = reinterpret_cast<uint32_t*>(image.bits());
    // Rows in stored order: libtiff flips only, so it is asked for the file's own orientation
    // (its transposed ones count as their unturned forms) and readPage turns the page.
    uint16_t stored = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(s.tiff(), TIFFTAG_ORIENTATION, &stored);
    const int asked = stored >= 1 && stored <= 8 ? (stored > 4 ? stored - 4 : stored) : 1;
    // Stop at the first damaged strip or tile rather than hand back a half-blank page.
    if (!TIFFReadRGBAImageOriented(s.tiff(), p.width, p.height, raster, asked, 1))
        s.fail(QStringLiteral("Cannot read a TIFF page"));
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t v = row[x]; // libtiff's ABGR: red in the low byte
            row[x] = qRgba(int(TIFFGetR(v)), int(TIFFGetG(v)), int(TIFFGetB(v)), int(TIFFGetA(v)));
        }
    }
    PixPage page;
    const bool alpha = p.hasExtra || (p.photometric == PHOTOMETRIC_RGB && p.spp > 3);
    page.image = alpha ? unpremultiplied(image) : image.convertToFormat(QImage::Format_RGB32);
    page.type = alpha ? kRgba : kRgb;
    const bool grey =
        p.photometric == PHOTOMETRIC_MINISBLACK || p.photometric == PHOTOMETRIC_MINISWHITE;
    if (grey && !alpha) {
        page.type = p.bps == 1 ? kMono : kGray;
        page.image = convertToType(page.image, page.type);
    } else if (p.photometric == PHOTOMETRIC_PALETTE) {
        if (auto indexed = toIndexedExact(page.image)) {
            page.image = *indexed;
            page.type = imageTypeFromFormat(page.image);
        }
    }
    return page;
}

PixPage readStored(const TiffStream& s, QString& rangeNote) {
    if (wantsSampleReader(s.tiff())) return readTiffSamples(s, rangeNote);
    const PageInfo p = pageInfo(s);
    checkImageSize(p.width, p.height, kSource);
    const Direct layout = directLayout(s, p);
    return layout == Direct::None ? readRgba(s, p) : readDirect(s, p, layout);
}

// A page read in stored order and turned upright by its Orientation tag.
PixPage readPage(const TiffStream& s, QString& rangeNote) {
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(s.tiff(), TIFFTAG_ORIENTATION, &orientation);
    PixPage page = readStored(s, rangeNote);
    turnUpright(page, orientation);
    return page;
}

// ---- writing --------------------------------------------------------------------------------

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

void packRow(const QImage& image, const WriteForm& form, int y, uint8_t* out) {
    const uchar* in = image.constScanLine(y);
    const auto* px = reinterpret_cast<const QRgb*>(in);
    const int w = image.width();
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

// Sets the tags that describe a page's pixels on a file being written.
void setImageTags(TIFF* t, const QImage& image, const WriteForm& form, uint16_t compression,
                  const SaveOptions& options, uint32_t height) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, form.spp);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, form.bps);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    uint16_t photometric = form.photometric;
    if (form.bps == 1 && photometric != PHOTOMETRIC_PALETTE) {
        // A mono page whose first colour is the lighter one is stored white-is-zero.
        const QList<QRgb> table = image.colorTable();
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
        const QList<QRgb> table = image.colorTable();
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

// Writes the page's rows as strips encoded on the shared pool. A libtiff handle is not
// thread-safe, so each band of strips is encoded into a scratch file of its own and copied into
// the page raw.
void writeStrips(TiffStream& s, const QImage& image, const WriteForm& form, uint16_t compression,
                 const SaveOptions& options) {
    TIFF* t = s.tiff();
    const uint32_t height = uint32_t(image.height());
    const tmsize_t lineSize = TIFFScanlineSize(t);
    const uint32_t rowsPerStrip =
        std::clamp<uint32_t>(uint32_t(kStripBytes / std::max<tmsize_t>(1, lineSize)), 1, height);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    const int strips = int((height + rowsPerStrip - 1) / rowsPerStrip);
    std::vector<QByteArray> encoded(size_t(std::min(strips, kStripsPerRound)));
    for (int round = 0; round < strips; round += kStripsPerRound) {
        const int roundEnd = std::min(strips, round + kStripsPerRound);
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
                setImageTags(scratch->tiff(), image, form, compression, options, bandRows);
                TIFFSetField(scratch->tiff(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
            }
            for (int i = first; i < end; ++i) {
                const uint32_t y0 = uint32_t(round + i) * rowsPerStrip;
                const uint32_t rows = std::min(rowsPerStrip, height - y0);
                QByteArray& out = encoded[size_t(i)];
                out.resize(qsizetype(lineSize) * rows);
                for (uint32_t r = 0; r < rows; ++r)
                    packRow(image, form, int(y0 + r),
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

void writePage(TiffStream& s, const PixPage& page, const SaveOptions& options, int number,
               int count) {
    TIFF* t = s.tiff();
    WriteForm form = kWriteForms[isValidImageType(page.type) ? page.type : kRgba];
    const QImage image = rowsFor(page);
    // Two colours other than black and white keep them in a 1-bit colour map.
    if (page.type == kMono && !monoIsBlackAndWhite(image))
        form = {PHOTOMETRIC_PALETTE, 1, 1, false};
    if (image.isNull()) throw PixError(kErrNoImage, QStringLiteral("No image to write"), kSource);
    const uint16_t compression = compressionFor(form, options.tiffCompression);
    setImageTags(t, image, form, compression, options, uint32_t(image.height()));
    if (count != 1) TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    if (count > 1) TIFFSetField(t, TIFFTAG_PAGENUMBER, uint16_t(number), uint16_t(count));
    if (encodesInParallel(compression)) {
        writeStrips(s, image, form, compression, options);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        std::vector<uint8_t> line(size_t(TIFFScanlineSize(t)) + 4);
        for (int y = 0; y < image.height(); ++y) {
            packRow(image, form, y, line.data());
            if (TIFFWriteScanline(t, line.data(), uint32_t(y), 0) < 0)
                s.fail(QStringLiteral("Cannot write row %1 of a TIFF page").arg(y));
        }
    }
    if (!TIFFWriteDirectory(t)) s.fail(QStringLiteral("Cannot write a TIFF page"));
}

void writePages(TiffStream& s, const QList<PixPage>& pages, const SaveOptions& options) {
    for (int i = 0; i < pages.size(); ++i) writePage(s, pages[i], options, i, int(pages.size()));
}

int countPages(const QByteArray& bytes, const QString& source) {
    TiffStream s(bytes, "r", source);
    int count = 1;
    while (TIFFReadDirectory(s.tiff())) checkPageCount(++count, source);
    return count;
}

class TiffCodec final : public Codec {
public:
    QString name() const override { return QStringLiteral("tiff"); }
    int fileType() const override { return kFileTiff; }
    QStringList extensions() const override {
        return {QStringLiteral("tif"), QStringLiteral("tiff")};
    }
    bool probe(Bytes data) const override {
        if (data.size() < 4) return false;
        const bool intel =
            data[0] == 'I' && data[1] == 'I' && data[3] == 0 && (data[2] == 42 || data[2] == 43);
        const bool motorola =
            data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43);
        return intel || motorola;
    }
    DecodedFile read(Bytes data) const override {
        const TiffStream s(QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                                   qsizetype(data.size())),
                           "r", kSource);
        DecodedFile file;
        file.fileType = kFileTiff;
        int64_t pixels = 0;
        std::optional<PixError> firstFault;
        int number = 0;
        do {
            ++number;
            checkPageCount(number, kSource);
            // A page of a layout or state that cannot be read is left out with its reason; the
            // others open. Limits (size, memory) still end the read.
            // Every page tried counts toward the file's pixel budget, read or not, so that a
            // file of many failing pages costs no more than a readable one.
            uint32_t w = 0, h = 0;
            if (TIFFGetField(s.tiff(), TIFFTAG_IMAGEWIDTH, &w) &&
                TIFFGetField(s.tiff(), TIFFTAG_IMAGELENGTH, &h))
                addPagePixels(pixels, w, h, kSource);
            QString range;
            try {
                PixPage page = readPage(s, range);
                if (!range.isEmpty())
                    file.notes.append(PageNote{int(file.pages.size()), {}, false, range});
                file.pages.append(std::move(page));
            } catch (const PixError& e) {
                if (e.number() != kErrCorruptImage && e.number() != kErrUnsupported) throw;
                if (!firstFault) firstFault = e;
                file.unreadable.append(UnreadablePage{number, e.description()});
            }
        } while (TIFFReadDirectory(s.tiff()));
        if (file.pages.isEmpty()) throw *firstFault;
        return file;
    }
    bool canWrite() const override { return true; }
    bool writesPages() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions& options) const override {
        TiffStream s(QByteArray(), "w", kSource);
        writePages(s, pages, options);
        return s.finish();
    }
    void writeFile(AtomicFile& out, const QList<PixPage>& pages,
                   const SaveOptions& options) const override {
        TiffStream s(out, kSource);
        writePages(s, pages, options);
        s.finish();
    }
};

} // namespace

std::unique_ptr<Codec> makeTiffCodec() {
    return std::make_unique<TiffCodec>();
}

void appendPageToTiff(const QString& path, const PixPage& page, const SaveOptions& options) {
    const QString name = QFileInfo(path).fileName();
    const InputFile file(path, QStringLiteral("AppendToTiff"));
    const QByteArray bytes = file.byteArray();
    const Bytes data = file.bytes();
    if (!TiffCodec().probe(data))
        throw PixError(kErrUnsupported, QStringLiteral("%1 is not a TIFF file").arg(name),
                       QStringLiteral("AppendToTiff"));
    checkPageCount(countPages(bytes, name) + 1, name);
    TiffStream s(bytes, "a", name);
    writePage(s, page, options, 0, 0);
    const QByteArray out = s.finish();
    file.checkUnchanged();
    writeFileAtomically(path, out);
}

} // namespace pix
