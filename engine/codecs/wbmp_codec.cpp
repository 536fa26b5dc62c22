// Wireless bitmap, type 0: one bit a pixel, 1 = white, rows padded to bytes.
#include "../image_type.h"
#include "all_codecs.h"
#include "byte_reader.h"
#include "codec_progress.h"
#include "raster_util.h"

#include <cstring>

namespace pix {

namespace {

const QString kSource = QStringLiteral("wbmp");

// WAP multi-byte integer: 7 bits a byte, high bit set on all but the last. Four bytes at most.
uint32_t readUintVar(ByteReader& r) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const int b = r.u8();
        v = (v << 7) | uint32_t(b & 0x7F);
        if (!(b & 0x80)) return v;
    }
    r.fail(QStringLiteral("Invalid WBMP size field"));
}

void writeUintVar(ByteWriter& w, uint32_t v) {
    int groups = 1;
    while (groups < 5 && (v >> (7 * groups))) ++groups;
    for (int i = groups - 1; i >= 0; --i) w.u8(((v >> (7 * i)) & 0x7F) | (i ? 0x80 : 0));
}

struct Header {
    uint32_t width = 0, height = 0;
};

Header readHeader(ByteReader& r) {
    if (r.u8() != 0) r.fail(QStringLiteral("Only WBMP type 0 is supported"));
    if (r.u8() & 0x9F) r.fail(QStringLiteral("Invalid WBMP header"));
    Header h;
    h.width = readUintVar(r);
    h.height = readUintVar(r);
    return h;
}

class WbmpCodec final : public Codec {
public:
    QString name() const override { return kSource; }
    int fileType() const override { return kFileWbmp; }
    QStringList extensions() const override { return {QStringLiteral("wbmp")}; }
    // The signature is weak: the file must also be exactly as long as its size says.
    bool probe(Bytes d) const override {
        try {
            ByteReader r(d, kSource);
            const Header h = readHeader(r);
            return h.width && h.height &&
                   uint64_t(h.width + 7) / 8 * h.height == uint64_t(r.remaining());
        } catch (const PixError&) {
            return false;
        }
    }

    DecodedFile read(Bytes data) const override {
        ByteReader r(data, kSource);
        const Header h = readHeader(r);
        QImage img = allocateImage(h.width, h.height, QImage::Format_Mono, kSource);
        img.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        const size_t stride = (size_t(h.width) + 7) / 8;
        const Bytes px = r.take(stride * h.height);
        for (uint32_t y = 0; y < h.height; ++y) {
            reportCodecRows(y, h.height);
            std::memcpy(img.scanLine(int(y)), px.data() + y * stride, stride);
        }
        DecodedFile out;
        out.fileType = kFileWbmp;
        out.pages.append({img, kMono, {}});
        return out;
    }

    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override {
        const QImage mono = convertToType(storageImage(pages.value(0)), kMono);
        const QList<QRgb> pal = monoPalette(mono);
        // Each palette entry becomes black or white by its brightness.
        const bool white0 = qGray(pal[0]) >= 128, white1 = qGray(pal[1]) >= 128;
        ByteWriter out;
        out.u8(0);
        out.u8(0);
        writeUintVar(out, uint32_t(mono.width()));
        writeUintVar(out, uint32_t(mono.height()));
        const int stride = (mono.width() + 7) / 8;
        const int tail = mono.width() % 8 ? 0xFF00 >> (mono.width() % 8) : 0xFF;
        for (int y = 0; y < mono.height(); ++y) {
            reportCodecRows(y, mono.height());
            const uint8_t* s = mono.constScanLine(y);
            for (int i = 0; i < stride; ++i) {
                uint8_t b = uint8_t((s[i] & (white1 ? 0xFF : 0)) | (~s[i] & (white0 ? 0xFF : 0)));
                if (i == stride - 1) b &= uint8_t(tail);
                out.u8(b);
            }
        }
        return out.bytes();
    }
};

} // namespace

std::unique_ptr<Codec> makeWbmpCodec() {
    return std::make_unique<WbmpCodec>();
}

} // namespace pix
