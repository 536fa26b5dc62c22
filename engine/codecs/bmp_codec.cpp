// Windows and OS/2 bitmaps: every depth, RLE4/RLE8, bit fields, top-down rows.
#include "all_codecs.h"
#include "dib.h"

namespace pix {

namespace {

constexpr int kFileHeaderSize = 14;

class BmpCodec final : public Codec {
public:
    QString name() const override { return QStringLiteral("bmp"); }
    int fileType() const override { return kFileBmp; }
    QStringList extensions() const override {
        return {QStringLiteral("bmp"), QStringLiteral("dib")};
    }
    bool probe(Bytes d) const override {
        if (d.size() < kFileHeaderSize + 4 || d[0] != 'B' || d[1] != 'M') return false;
        const uint32_t header = d[14] | d[15] << 8 | d[16] << 16 | uint32_t(d[17]) << 24;
        return header >= 12 && header <= 4096;
    }

    DecodedFile read(Bytes data) const override {
        ByteReader r(data, QStringLiteral("bmp"));
        if (r.u16le() != 0x4D42) r.fail(QStringLiteral("Not a BMP file"));
        r.skip(8);
        const uint32_t offBits = r.u32le();
        DibReadOptions options;
        // Some writers leave the offset at zero; the pixels then follow the palette.
        if (offBits) options.bitsOffset = offBits;
        DecodedFile out;
        out.pages.append(readDib(r, options).page);
        out.fileType = kFileBmp;
        return out;
    }

    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions& options) const override {
        const DibData dib = writeDib(pages.value(0), {.rle = options.bmpRle, .alphaHeader = true});
        ByteWriter w;
        const qsizetype offBits = kFileHeaderSize + dib.header.size();
        w.u16le(0x4D42);
        w.u32le(uint32_t(offBits + dib.bits.size()));
        w.u32le(0);
        w.u32le(uint32_t(offBits));
        w.raw(dib.header);
        w.raw(dib.bits);
        return w.bytes();
    }
};

} // namespace

std::unique_ptr<Codec> makeBmpCodec() {
    return std::make_unique<BmpCodec>();
}

} // namespace pix
