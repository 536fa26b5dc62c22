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
#include "tiff_direct.h"
#include "tiff_samples.h"
#include "tiff_stream.h"
#include "tiff_write.h"

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

using tiff::Direct;
using tiff::PageInfo;
using tiff::pageInfo;

const QString kSource = QStringLiteral("TIFF");

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
                tiff::storeRow(layout, p, strip.data() + size_t(r) * size_t(lineSize),
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
    const Direct layout = tiff::directLayout(s, p);
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

void writePages(TiffStream& s, const QList<PixPage>& pages, const SaveOptions& options) {
    for (int i = 0; i < pages.size(); ++i)
        writeTiffPage(s, pages[i], options, i, int(pages.size()));
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
    writeTiffPage(s, page, options, 0, 0);
    const QByteArray out = s.finish();
    file.checkUnchanged();
    writeFileAtomically(path, out);
}

} // namespace pix
