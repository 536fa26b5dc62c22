// JPEG through libjpeg-turbo: baseline and progressive, grey, YCbCr and CMYK, APPn markers kept
// with the page and written back by the save mask; pages turned upright by their EXIF
// orientation; libjpeg's warnings noted (a picture cut short opens with its rest grey); large
// baseline pages are encoded in parallel bands joined by restart markers.
#include "all_codecs.h"
#include "codec_progress.h"
#include "jpeg_lib.h"
#include "lib_support.h"
#include "orientation.h"
#include "parallel_bands.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "../pix_error.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace pix {

namespace {

const QString kSource = QStringLiteral("JPEG");

struct Decoded {
    PixPage page;
    std::vector<uint8_t> cmykRow;
    std::vector<JSAMPROW> rows;
    std::optional<PageNote> note;
    std::optional<BackgroundPrefault> prefault; // declared after the page: ends before it
};

// CMYK (or YCCK, which libjpeg turns into CMYK) to RGB. Adobe's files store the inks inverted.
void cmykToRgb(const uint8_t* in, QRgb* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, in += 4) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

void decode(Bytes data, Decoded& out) {
    JpegDecoder dec;
    if (setjmp(dec.err.jump)) raiseJpegError(dec.err, kSource);
    dec.start(data);
    jpeg_read_header(&dec.info, TRUE);

    const bool gray = dec.info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk =
        dec.info.jpeg_color_space == JCS_CMYK || dec.info.jpeg_color_space == JCS_YCCK;
    dec.info.out_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    out.page.type = gray ? kGray : kRgb;
    out.page.image =
        allocateImage(dec.info.image_width, dec.info.image_height,
                      gray ? QImage::Format_Grayscale8 : QImage::Format_RGB32, kSource);
    out.prefault.emplace(out.page.image);
    out.page.markers = savedJpegMarkers(dec.info);
    if (cmyk) out.cmykRow.resize(size_t(dec.info.image_width) * 4);

    jpeg_start_decompress(&dec.info);
    QImage& image = out.page.image;
    if (!cmyk) {
        // Every row pointer at once: libjpeg then fills whole row groups straight into the image
        // instead of upsampling through a spare row.
        out.rows.resize(size_t(image.height()));
        for (int y = 0; y < image.height(); ++y) out.rows[size_t(y)] = image.scanLine(y);
    }
    while (dec.info.output_scanline < dec.info.output_height) {
        const int y = int(dec.info.output_scanline);
        reportCodecRows(y, image.height());
        if (!cmyk) {
            jpeg_read_scanlines(&dec.info, out.rows.data() + y,
                                dec.info.output_height - JDIMENSION(y));
            continue;
        }
        JSAMPROW row = out.cmykRow.data();
        jpeg_read_scanlines(&dec.info, &row, 1);
        cmykToRgb(out.cmykRow.data(), reinterpret_cast<QRgb*>(image.scanLine(y)), image.width(),
                  dec.info.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&dec.info);
    if (dec.err.warning[0])
        out.note = PageNote{0, QString::fromLocal8Bit(dec.err.warning), dec.err.incomplete, {}};
}

// The rows libjpeg is fed: 8-bit grey, or 32-bit pixels whose fourth byte it skips.
QImage encoderInput(const PixPage& page) {
    switch (page.type) {
    case kMono:
    case kGray:
        return page.image.convertToFormat(QImage::Format_Grayscale8);
    default:
        return page.image.format() == QImage::Format_ARGB32 ||
                       page.image.format() == QImage::Format_RGB32
                   ? page.image
                   : page.image.convertToFormat(QImage::Format_ARGB32);
    }
}

// Sets up an encoder for `height` rows of src with the save options.
void configure(JpegEncoder& enc, const QImage& src, const PixPage& page, const SaveOptions& options,
               int height) {
    const bool grayInput = src.format() == QImage::Format_Grayscale8;
    enc.info.image_width = JDIMENSION(src.width());
    enc.info.image_height = JDIMENSION(height);
    enc.info.input_components = grayInput ? 1 : 4;
    enc.info.in_color_space = grayInput ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&enc.info);
    // Grey with alpha keeps its grey value (its colour channels are equal) and drops alpha.
    if (page.type == kGrayAlpha) jpeg_set_colorspace(&enc.info, JCS_GRAYSCALE);
    jpeg_set_quality(&enc.info, std::clamp(options.jpegQuality, 1, 100), TRUE);
    enc.info.smoothing_factor = std::clamp(options.jpegSmoothing, 0, 100);
    if (options.jpegProgressive) jpeg_simple_progression(&enc.info);
}

// Rows [top, bottom) of src as a file of their own. The first band carries the markers; with a
// restart interval every band holds exactly that many MCUs (the last may hold fewer), so that
// their scans can be joined by restart markers.
QByteArray encodeRows(const QImage& src, const PixPage& page, const SaveOptions& options, int top,
                      int bottom, unsigned restartInterval) {
    std::vector<JSAMPROW> rows(size_t(bottom - top));
    for (int y = top; y < bottom; ++y)
        rows[size_t(y - top)] = const_cast<JSAMPROW>(src.constScanLine(y));
    JpegEncoder enc;
    if (setjmp(enc.err.jump)) raiseJpegError(enc.err, kSource);
    enc.startMemoryOutput();
    configure(enc, src, page, options, bottom - top);
    enc.info.restart_interval = restartInterval;
    jpeg_start_compress(&enc.info, TRUE);
    // The pixels written are the upright ones, so a kept EXIF block says so.
    if (top == 0)
        writeJpegMarkers(enc.info, uprightMarkers(page.markers), options.jpegMarkersToSave);
    // In blocks of rows, reporting between them (on the pool's threads nothing listens).
    while (enc.info.next_scanline < enc.info.image_height) {
        jpeg_write_scanlines(&enc.info, rows.data() + enc.info.next_scanline,
                             std::min(enc.info.image_height - enc.info.next_scanline, 64u));
        reportCodecRows(enc.info.next_scanline, enc.info.image_height);
    }
    jpeg_finish_compress(&enc.info);
    return enc.bytes();
}

// How a page is cut into bands encoded side by side: whole MCU rows per band, and the restart
// interval that makes each band one interval of the joined scan.
struct BandPlan {
    int bands = 1;
    int rowsPerBand = 0;
    unsigned restartInterval = 0;
};

BandPlan planBands(const QImage& src, const PixPage& page, const SaveOptions& options) {
    BandPlan plan;
    // Progressive scans and smoothing (which looks at the neighbouring rows) stay in one piece.
    if (options.jpegProgressive || options.jpegSmoothing > 0 || poolThreads() < 2 ||
        src.height() < 256)
        return plan;
    JpegEncoder enc;
    if (setjmp(enc.err.jump)) raiseJpegError(enc.err, kSource);
    configure(enc, src, page, options, src.height());
    int mcuWidth = 8, mcuHeight = 8; // one block: the MCU of a single-component scan
    if (enc.info.num_components > 1)
        for (int c = 0; c < enc.info.num_components; ++c) {
            mcuWidth = std::max(mcuWidth, 8 * enc.info.comp_info[c].h_samp_factor);
            mcuHeight = std::max(mcuHeight, 8 * enc.info.comp_info[c].v_samp_factor);
        }
    const int mcusPerRow = (src.width() + mcuWidth - 1) / mcuWidth;
    const int mcuRows = (src.height() + mcuHeight - 1) / mcuHeight;
    // Two bands per thread even out the load; a restart interval holds at most 65535 MCUs.
    const int wanted = (mcuRows + 2 * poolThreads() - 1) / (2 * poolThreads());
    const int mcuRowsPerBand = std::clamp(wanted, 1, 65535 / mcusPerRow);
    plan.bands = (mcuRows + mcuRowsPerBand - 1) / mcuRowsPerBand;
    plan.rowsPerBand = mcuRowsPerBand * mcuHeight;
    plan.restartInterval = unsigned(mcuRowsPerBand * mcusPerRow);
    return plan;
}

// Offset just past the start-of-scan segment of a file libjpeg wrote.
qsizetype scanDataStart(const QByteArray& jpeg) {
    const auto* b = reinterpret_cast<const uint8_t*>(jpeg.constData());
    for (qsizetype pos = 2; pos + 4 <= jpeg.size() && b[pos] == 0xFF;) {
        const qsizetype next = pos + 2 + (b[pos + 2] << 8 | b[pos + 3]);
        if (b[pos + 1] == 0xDA) return next;
        pos = next;
    }
    throw PixError(kErrCorruptImage, QStringLiteral("The encoder wrote no scan"), kSource);
}

// Joins bands encoded by encodeRows into one file: the first band's headers with the page's
// height, then every band's scan data, each after a restart marker.
QByteArray joinBands(const std::vector<QByteArray>& parts, int height) {
    QByteArray out = parts[0].left(parts[0].size() - 2); // without its end-of-image marker
    const qsizetype sos = scanDataStart(out);
    auto* b = reinterpret_cast<uint8_t*>(out.data());
    for (qsizetype pos = 2; pos + 9 <= sos;) {
        if (b[pos + 1] >= 0xC0 && b[pos + 1] <= 0xC2) { // the frame header: patch its height
            b[pos + 5] = uint8_t(height >> 8);
            b[pos + 6] = uint8_t(height & 0xFF);
            break;
        }
        pos += 2 + (b[pos + 2] << 8 | b[pos + 3]);
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        out.append(char(0xFF)).append(char(0xD0 + (i - 1) % 8));
        const qsizetype start = scanDataStart(parts[i]);
        out.append(parts[i].constData() + start, parts[i].size() - 2 - start);
    }
    return out.append(char(0xFF)).append(char(0xD9));
}

// Encodes a page; large baseline pages are encoded in bands on the shared pool and joined.
QByteArray encode(const PixPage& page, const SaveOptions& options) {
    const QImage src = encoderInput(page);
    const BandPlan plan = planBands(src, page, options);
    if (plan.bands <= 1) return encodeRows(src, page, options, 0, src.height(), 0);
    std::vector<QByteArray> parts(size_t(plan.bands));
    forEachBand(plan.bands, [&](int band) {
        const int top = band * plan.rowsPerBand;
        parts[size_t(band)] =
            encodeRows(src, page, options, top, std::min(src.height(), top + plan.rowsPerBand),
                       plan.restartInterval);
    });
    return joinBands(parts, src.height());
}

class JpegCodec final : public Codec {
public:
    QString name() const override { return QStringLiteral("jpeg"); }
    int fileType() const override { return kFileJpeg; }
    QStringList extensions() const override {
        return {QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jpe"),
                QStringLiteral("jfif")};
    }
    bool probe(Bytes data) const override {
        return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
    }
    DecodedFile read(Bytes data) const override {
        Decoded decoded;
        decode(data, decoded);
        decoded.prefault.reset();
        // Photos are shown upright; the EXIF block keeps the stored value for the tag listing.
        turnUpright(decoded.page, markerOrientation(decoded.page.markers));
        DecodedFile file;
        file.pages.append(std::move(decoded.page));
        file.fileType = kFileJpeg;
        if (decoded.note) file.notes.append(*decoded.note);
        return file;
    }
    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions& options) const override {
        return encode(pages.at(0), options);
    }
};

} // namespace

std::unique_ptr<Codec> makeJpegCodec() {
    return std::make_unique<JpegCodec>();
}

} // namespace pix
