// JPEG through libjpeg-turbo: baseline and progressive, grey, YCbCr and CMYK, APPn markers kept
// with the page and written back by the save mask.
#include "all_codecs.h"
#include "jpeg_lib.h"
#include "lib_support.h"

#include "../image_type.h"

#include <algorithm>
#include <vector>

namespace pix {

namespace {

const QString kSource = QStringLiteral("JPEG");

struct Decoded {
    PixPage page;
    std::vector<uint8_t> cmykRow;
    std::vector<JSAMPROW> rows;
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

QByteArray encode(const PixPage& page, const SaveOptions& options) {
    const QImage src = encoderInput(page);
    JpegEncoder enc;
    if (setjmp(enc.err.jump)) raiseJpegError(enc.err, kSource);
    enc.startMemoryOutput();
    const bool grayInput = src.format() == QImage::Format_Grayscale8;
    enc.info.image_width = JDIMENSION(src.width());
    enc.info.image_height = JDIMENSION(src.height());
    enc.info.input_components = grayInput ? 1 : 4;
    enc.info.in_color_space = grayInput ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&enc.info);
    // Grey with alpha keeps its grey value (its colour channels are equal) and drops alpha.
    if (page.type == kGrayAlpha) jpeg_set_colorspace(&enc.info, JCS_GRAYSCALE);
    jpeg_set_quality(&enc.info, std::clamp(options.jpegQuality, 1, 100), TRUE);
    enc.info.smoothing_factor = std::clamp(options.jpegSmoothing, 0, 100);
    if (options.jpegProgressive) jpeg_simple_progression(&enc.info);
    jpeg_start_compress(&enc.info, TRUE);
    writeJpegMarkers(enc.info, page.markers, options.jpegMarkersToSave);
    while (enc.info.next_scanline < enc.info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(src.constScanLine(int(enc.info.next_scanline)));
        jpeg_write_scanlines(&enc.info, &row, 1);
    }
    jpeg_finish_compress(&enc.info);
    return enc.bytes();
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
        DecodedFile file;
        file.pages.append(std::move(decoded.page));
        file.fileType = kFileJpeg;
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
