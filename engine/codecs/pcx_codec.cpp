// ZSoft PCX: 1-bit, EGA planes, 2/4/8-bit palettes, 24-bit RGB and 32-bit RGBA planes, RLE.
#include "../image_limits.h"
#include "../image_type.h"
#include "all_codecs.h"
#include "byte_reader.h"
#include "codec_progress.h"
#include "raster_util.h"

#include <cstring>

namespace pix {

namespace {

constexpr int kHeaderSize = 128;
constexpr int kVgaPaletteSize = 769; // marker 0x0C and 256 RGB triples
const QString kSource = QStringLiteral("pcx");

struct Header {
    int version = 0;
    int bits = 0;
    int planes = 0;
    int64_t width = 0, height = 0;
    int64_t bytesPerLine = 0;
    bool rle = true;
    QList<QRgb> egaPalette;
};

Header readHeader(ByteReader& r) {
    Header h;
    if (r.u8() != 0x0A) r.fail(QStringLiteral("Not a PCX file"));
    h.version = r.u8();
    const int encoding = r.u8();
    if (encoding > 1) r.fail(QStringLiteral("Unknown PCX encoding %1").arg(encoding));
    h.rle = encoding == 1;
    h.bits = r.u8();
    const int xmin = r.u16le(), ymin = r.u16le(), xmax = r.u16le(), ymax = r.u16le();
    r.skip(4);
    for (int i = 0; i < 16; ++i) {
        const Bytes c = r.take(3);
        h.egaPalette.append(qRgb(c[0], c[1], c[2]));
    }
    r.u8();
    h.planes = r.u8();
    h.bytesPerLine = r.u16le();
    r.seek(kHeaderSize);
    h.width = int64_t(xmax) - xmin + 1;
    h.height = int64_t(ymax) - ymin + 1;
    checkImageSize(h.width, h.height, kSource);
    return h;
}

// Expands the RLE stream (or copies raw bytes) into `size` bytes; runs may cross rows, not the end.
QByteArray unpack(ByteReader& r, int64_t size, bool rle) {
    if (!rle) {
        const Bytes b = r.take(uint64_t(size));
        return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(size));
    }
    // Two bytes expand to at most 63: refuse before allocating when the data cannot fill it.
    if (size > int64_t(r.remaining()) * 32) r.fail(QStringLiteral("PCX pixel data is truncated"));
    QByteArray out(qsizetype(size), '\0');
    auto* d = reinterpret_cast<uint8_t*>(out.data());
    int64_t at = 0;
    while (at < size) {
        if ((at & 0xFFFFF) < 64) reportCodecProgress(at, size * 2); // the first half
        int v = r.u8();
        int64_t n = 1;
        if ((v & 0xC0) == 0xC0) {
            n = v & 0x3F;
            v = r.u8();
        }
        if (at + n > size) r.fail(QStringLiteral("RLE run past the end of the image"));
        std::memset(d + at, v, size_t(n));
        at += n;
    }
    return out;
}

// The 256-colour palette at the end of the file; version 5 files must have it, older ones are grey.
QList<QRgb> vgaPalette(Bytes data, int version, size_t pixelEnd) {
    const bool present =
        data.size() >= pixelEnd + kVgaPaletteSize && data[data.size() - kVgaPaletteSize] == 0x0C;
    if (!present && version >= 5)
        throwCorrupt(QStringLiteral("The PCX palette is missing"), kSource);
    if (!present) return greyRamp();
    QList<QRgb> pal;
    const uint8_t* p = data.data() + data.size() - 768;
    for (int i = 0; i < 256; ++i, p += 3) pal.append(qRgb(p[0], p[1], p[2]));
    return pal;
}

class PcxCodec final : public Codec {
public:
    QString name() const override { return kSource; }
    int fileType() const override { return kFilePcx; }
    QStringList extensions() const override { return {QStringLiteral("pcx")}; }
    bool probe(Bytes d) const override {
        return d.size() >= kHeaderSize && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1 &&
               (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8);
    }

    DecodedFile read(Bytes data) const override {
        ByteReader r(data, kSource);
        const Header h = readHeader(r);
        const int64_t need = rowBytes(h.width, h.bits, 1, kSource);
        const bool packed =
            h.planes == 1 && (h.bits == 1 || h.bits == 2 || h.bits == 4 || h.bits == 8);
        const bool ega = h.bits == 1 && h.planes >= 2 && h.planes <= 4;
        const bool rgb = h.bits == 8 && (h.planes == 3 || h.planes == 4);
        if (!packed && !ega && !rgb)
            throw PixError(kErrUnsupported,
                           QStringLiteral("PCX with %1 bits in %2 planes is not supported")
                               .arg(h.bits)
                               .arg(h.planes),
                           kSource);
        if (h.bytesPerLine < need || h.bytesPerLine > need + 64)
            r.fail(QStringLiteral("PCX bytes per line (%1) do not match the width (%2)")
                       .arg(h.bytesPerLine)
                       .arg(h.width));
        const int64_t line = h.bytesPerLine * h.planes;
        const QByteArray px = unpack(r, checkedMul(line, h.height, kSource), h.rle);
        const auto* base = reinterpret_cast<const uint8_t*>(px.constData());

        DecodedFile out;
        out.fileType = kFilePcx;
        if (rgb) {
            QImage img = allocateImage(h.width, h.height, QImage::Format_ARGB32, kSource);
            for (int64_t y = 0; y < h.height; ++y) {
                reportCodecRows(y, h.height, 50, 100);
                const uint8_t* s = base + y * line;
                auto* d = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
                const int64_t bpl = h.bytesPerLine;
                for (int64_t x = 0; x < h.width; ++x)
                    d[x] = qRgba(s[x], s[bpl + x], s[2 * bpl + x],
                                 h.planes == 4 ? s[3 * bpl + x] : 255);
            }
            out.pages.append(pageFromRgb(std::move(img), h.planes == 4));
            return out;
        }
        QImage idx = allocateImage(h.width, h.height, QImage::Format_Indexed8, kSource);
        for (int64_t y = 0; y < h.height; ++y) {
            reportCodecRows(y, h.height, 50, 100);
            const uint8_t* s = base + y * line;
            uint8_t* d = idx.scanLine(int(y));
            for (int64_t x = 0; x < h.width; ++x) {
                int v = 0;
                for (int p = 0; p < h.planes; ++p)
                    v |= packedIndex(s + p * h.bytesPerLine, int(x), h.bits) << p;
                d[x] = uint8_t(v);
            }
        }
        QList<QRgb> palette;
        if (h.bits == 8)
            palette = vgaPalette(data, h.version, r.pos());
        else if (h.bits * h.planes == 1)
            palette = h.egaPalette[0] != h.egaPalette[1]
                          ? h.egaPalette.mid(0, 2)
                          : QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)};
        else
            palette = h.egaPalette.mid(0, 1 << (h.bits * h.planes));
        out.pages.append(pageFromIndexes(idx, palette, kSource));
        return out;
    }

    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override;
};

void packRow(ByteWriter& w, const uint8_t* row, int64_t n) {
    for (int64_t x = 0; x < n;) {
        int run = 1;
        while (x + run < n && run < 63 && row[x + run] == row[x]) ++run;
        if (run > 1 || (row[x] & 0xC0) == 0xC0) w.u8(0xC0 | uint32_t(run));
        w.u8(row[x]);
        x += run;
    }
}

QByteArray PcxCodec::write(const QList<PixPage>& pages, const SaveOptions&) const {
    const PixPage page = pages.value(0);
    const QImage image = storageImage(page);
    const int w = image.width(), h = image.height();
    const bool alpha = typeHasAlpha(page.type);
    const bool mono = page.type == kMono;
    const bool paletted = page.type == kIndexed || page.type == kGray;
    const int bits = mono ? 1 : 8;
    const int planes = mono || paletted ? 1 : (alpha ? 4 : 3);
    const int64_t bpl = (rowBytes(w, bits, 1, kSource) + 1) / 2 * 2;

    ByteWriter out;
    out.u8(0x0A);
    out.u8(5);
    out.u8(1);
    out.u8(uint32_t(bits));
    out.u16le(0);
    out.u16le(0);
    out.u16le(uint32_t(w - 1));
    out.u16le(uint32_t(h - 1));
    out.u16le(72);
    out.u16le(72);
    QList<QRgb> header = mono ? monoPalette(image) : QList<QRgb>{};
    header.resize(16, 0);
    for (QRgb c : header) {
        out.u8(uint32_t(qRed(c)));
        out.u8(uint32_t(qGreen(c)));
        out.u8(uint32_t(qBlue(c)));
    }
    out.u8(0);
    out.u8(uint32_t(planes));
    out.u16le(uint32_t(bpl));
    out.u16le(page.type == kGray ? 2 : 1);
    out.fill(0, kHeaderSize - out.size());

    const QImage rgb = planes >= 3 ? image.convertToFormat(QImage::Format_ARGB32) : QImage();
    QByteArray line(qsizetype(bpl * planes), '\0');
    auto* l = reinterpret_cast<uint8_t*>(line.data());
    for (int y = 0; y < h; ++y) {
        reportCodecRows(y, h);
        line.fill('\0');
        if (mono || paletted) {
            std::memcpy(l, image.constScanLine(y), size_t(mono ? (w + 7) / 8 : w));
        } else {
            const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                l[x] = uint8_t(qRed(s[x]));
                l[bpl + x] = uint8_t(qGreen(s[x]));
                l[2 * bpl + x] = uint8_t(qBlue(s[x]));
                if (alpha) l[3 * bpl + x] = uint8_t(qAlpha(s[x]));
            }
        }
        for (int p = 0; p < planes; ++p) packRow(out, l + p * bpl, bpl);
    }
    if (paletted) {
        QList<QRgb> pal = page.type == kGray ? greyRamp() : image.colorTable();
        pal.resize(256, qRgb(0, 0, 0));
        out.u8(0x0C);
        for (QRgb c : pal) {
            out.u8(uint32_t(qRed(c)));
            out.u8(uint32_t(qGreen(c)));
            out.u8(uint32_t(qBlue(c)));
        }
    }
    return out.bytes();
}

} // namespace

std::unique_ptr<Codec> makePcxCodec() {
    return std::make_unique<PcxCodec>();
}

} // namespace pix
