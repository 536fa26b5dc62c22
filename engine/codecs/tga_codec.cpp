// Truevision TGA: colour-mapped, true-colour and grey images, raw or RLE, either origin.
#include "../image_limits.h"
#include "../image_type.h"
#include "all_codecs.h"
#include "byte_reader.h"
#include "codec_progress.h"
#include "raster_util.h"

#include <array>
#include <cstring>

namespace pix {

namespace {

const QString kSource = QStringLiteral("tga");
constexpr int kHeaderSize = 18;

enum TgaKind : int { kColourMapped = 1, kTrueColour = 2, kGrey = 3, kRleFlag = 8 };

struct Header {
    int idLength = 0, cmapType = 0, kind = 0;
    bool rle = false;
    int cmapFirst = 0, cmapLength = 0, cmapBits = 0;
    int width = 0, height = 0, depth = 0, descriptor = 0;
    int alphaBits() const { return descriptor & 15; }
    bool topDown() const { return descriptor & 0x20; }
    bool rightToLeft() const { return descriptor & 0x10; }
};

Header parseHeader(ByteReader& r) {
    Header h;
    h.idLength = r.u8();
    h.cmapType = r.u8();
    const int type = r.u8();
    h.kind = type & 7;
    h.rle = type & kRleFlag;
    h.cmapFirst = r.u16le();
    h.cmapLength = r.u16le();
    h.cmapBits = r.u8();
    r.skip(4);
    h.width = r.u16le();
    h.height = r.u16le();
    h.depth = r.u8();
    h.descriptor = r.u8();
    return h;
}

// Depths each kind accepts.
bool validDepth(const Header& h) {
    switch (h.kind) {
    case kColourMapped:
        return h.depth == 8 && h.cmapType == 1;
    case kTrueColour:
        return h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    case kGrey:
        return h.depth == 8 || h.depth == 16;
    default:
        return false;
    }
}

// One colour value of 15/16/24/32 bits stored little-endian as BGR(A) or X1R5G5B5.
QRgb colourValue(const uint8_t* p, int bits, bool alpha) {
    if (bits <= 16) {
        const int v = p[0] | p[1] << 8;
        auto five = [](int c) { return (c << 3) | (c >> 2); };
        return qRgba(five((v >> 10) & 31), five((v >> 5) & 31), five(v & 31),
                     alpha && bits == 16 && !(v & 0x8000) ? 0 : 255);
    }
    return qRgba(p[2], p[1], p[0], bits == 32 && alpha ? p[3] : 255);
}

// Pixel bytes in file order, expanded from RLE packets when needed; packets may cross rows
// but never the end of the image.
QByteArray pixelBytes(ByteReader& r, const Header& h, int pixelSize) {
    const int64_t count = checkedMul(h.width, h.height, kSource);
    const int64_t size = checkedMul(count, pixelSize, kSource);
    if (!h.rle) {
        const Bytes b = r.take(uint64_t(size));
        return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(size));
    }
    // A packet of at least two bytes gives at most 128 pixels: refuse before allocating when
    // the data left cannot fill the image.
    if (count > int64_t(r.remaining()) * 64) r.fail(QStringLiteral("TGA pixel data is truncated"));
    QByteArray out(qsizetype(size), '\0');
    auto* d = reinterpret_cast<uint8_t*>(out.data());
    for (int64_t at = 0; at < count;) {
        if ((at & 0xFFFFF) < 128) reportCodecProgress(at, count * 2); // the first half
        const int packet = r.u8();
        const int n = (packet & 0x7F) + 1;
        if (at + n > count) r.fail(QStringLiteral("RLE packet past the end of the image"));
        if (packet & 0x80) {
            const Bytes v = r.take(size_t(pixelSize));
            for (int i = 0; i < n; ++i)
                std::memcpy(d + (at + i) * pixelSize, v.data(), size_t(pixelSize));
        } else {
            const Bytes v = r.take(size_t(n) * size_t(pixelSize));
            std::memcpy(d + at * pixelSize, v.data(), v.size());
        }
        at += n;
    }
    return out;
}

class TgaCodec final : public Codec {
public:
    QString name() const override { return kSource; }
    int fileType() const override { return kFileTga; }
    QStringList extensions() const override {
        return {QStringLiteral("tga"), QStringLiteral("targa"), QStringLiteral("vda"),
                QStringLiteral("icb"), QStringLiteral("vst")};
    }
    bool probe(Bytes d) const override {
        if (d.size() < kHeaderSize) return false;
        ByteReader r(d, kSource);
        const Header h = parseHeader(r);
        const int type = d[2];
        if (h.cmapType > 1 || (type & ~0x0B) || h.kind == 0 || h.width == 0 || h.height == 0)
            return false;
        if (h.cmapType == 1 && h.cmapBits != 15 && h.cmapBits != 16 && h.cmapBits != 24 &&
            h.cmapBits != 32)
            return false;
        return validDepth(h) && (h.descriptor & 0xC0) == 0;
    }

    DecodedFile read(Bytes data) const override {
        ByteReader r(data, kSource);
        const Header h = parseHeader(r);
        if (!validDepth(h))
            throw PixError(kErrUnsupported,
                           QStringLiteral("TGA image type %1 with %2 bits is not supported")
                               .arg(h.kind)
                               .arg(h.depth),
                           kSource);
        checkImageSize(h.width, h.height, kSource);
        r.skip(uint64_t(h.idLength));
        QList<QRgb> palette;
        if (h.cmapType == 1) {
            const int entry = (h.cmapBits + 7) / 8;
            if (entry < 2 || entry > 4) r.fail(QStringLiteral("Invalid TGA colour map entry size"));
            for (int i = 0; i < h.cmapLength; ++i) {
                const Bytes e = r.take(size_t(entry));
                if (i < 256) palette.append(colourValue(e.data(), h.cmapBits, h.alphaBits() > 0));
            }
        }
        const int pixelSize = (h.depth + 7) / 8;
        const QByteArray px = pixelBytes(r, h, pixelSize);
        const auto* base = reinterpret_cast<const uint8_t*>(px.constData());

        auto rowOf = [&](int y) { return h.topDown() ? y : h.height - 1 - y; };
        auto colOf = [&](int x) { return h.rightToLeft() ? h.width - 1 - x : x; };
        DecodedFile out;
        out.fileType = kFileTga;
        if (h.kind == kTrueColour || (h.kind == kGrey && h.depth == 16)) {
            QImage img = allocateImage(h.width, h.height, QImage::Format_ARGB32, kSource);
            const bool alpha = h.alphaBits() > 0 || (h.kind == kGrey);
            for (int y = 0; y < h.height; ++y) {
                reportCodecRows(y, h.height, 50, 100);
                auto* d = reinterpret_cast<QRgb*>(img.scanLine(rowOf(y)));
                const uint8_t* s = base + int64_t(y) * h.width * pixelSize;
                for (int x = 0; x < h.width; ++x, s += pixelSize)
                    d[colOf(x)] = h.kind == kGrey ? qRgba(s[0], s[0], s[0], s[1])
                                                  : colourValue(s, h.depth, alpha);
            }
            if (h.kind == kGrey) {
                out.pages.append({img, kGrayAlpha, {}});
                return out;
            }
            out.pages.append(pageFromRgb(std::move(img), alpha && h.depth != 24 && h.depth != 15));
            return out;
        }
        QImage idx = allocateImage(h.width, h.height, QImage::Format_Indexed8, kSource);
        for (int y = 0; y < h.height; ++y) {
            reportCodecRows(y, h.height, 50, 100);
            uint8_t* d = idx.scanLine(rowOf(y));
            const uint8_t* s = base + int64_t(y) * h.width;
            for (int x = 0; x < h.width; ++x) {
                const int v = s[x] - (h.kind == kGrey ? 0 : h.cmapFirst);
                if (v < 0)
                    r.fail(QStringLiteral("Colour index %1 lies before the colour map").arg(s[x]));
                d[colOf(x)] = uint8_t(v);
            }
        }
        out.pages.append(pageFromIndexes(idx, h.kind == kGrey ? greyRamp() : palette, kSource));
        return out;
    }

    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override;
};

QByteArray TgaCodec::write(const QList<PixPage>& pages, const SaveOptions&) const {
    const PixPage page = pages.value(0);
    const QImage image = storageImage(page);
    const int w = image.width(), h = image.height();
    if (w > 0xFFFF || h > 0xFFFF)
        throw PixError(kErrTooLarge,
                       QStringLiteral("TGA images are limited to 65535 pixels a side"), kSource);
    const int type = page.type;
    const bool mapped = type == kMono || type == kIndexed || type == kIndexedAlpha;
    QList<QRgb> palette = type == kMono ? monoPalette(image) : image.colorTable();
    // Per type: image kind, pixel depth, colour-map entry bits, alpha bits.
    struct Layout {
        int kind, depth, cmapBits, alphaBits;
    };
    static constexpr std::array<Layout, kImageTypeCount> kLayouts{{
        {kColourMapped, 8, 24, 0},
        {kColourMapped, 8, 24, 0},
        {kColourMapped, 8, 32, 8},
        {kGrey, 8, 0, 0},
        {kGrey, 16, 0, 8},
        {kTrueColour, 24, 0, 0},
        {kTrueColour, 32, 0, 8},
    }};
    const Layout L = kLayouts[size_t(type)];

    ByteWriter out;
    out.u8(0);
    out.u8(mapped ? 1 : 0);
    out.u8(uint32_t(L.kind));
    out.u16le(0);
    out.u16le(mapped ? uint32_t(palette.size()) : 0);
    out.u8(uint32_t(L.cmapBits));
    out.u32le(0);
    out.u16le(uint32_t(w));
    out.u16le(uint32_t(h));
    out.u8(uint32_t(L.depth));
    out.u8(uint32_t(L.alphaBits) | 0x20); // top-down rows
    if (mapped)
        for (QRgb c : palette) {
            out.u8(uint32_t(qBlue(c)));
            out.u8(uint32_t(qGreen(c)));
            out.u8(uint32_t(qRed(c)));
            if (L.cmapBits == 32) out.u8(uint32_t(qAlpha(c)));
        }
    for (int y = 0; y < h; ++y) {
        reportCodecRows(y, h);
        const uint8_t* s = image.constScanLine(y);
        if (type == kMono) {
            for (int x = 0; x < w; ++x) out.u8((s[x >> 3] >> (7 - (x & 7))) & 1);
        } else if (L.depth == 8) {
            out.raw(s, w);
        } else {
            const auto* p = reinterpret_cast<const QRgb*>(s);
            for (int x = 0; x < w; ++x) {
                if (type == kGrayAlpha) {
                    out.u8(uint32_t(qRed(p[x])));
                } else {
                    out.u8(uint32_t(qBlue(p[x])));
                    out.u8(uint32_t(qGreen(p[x])));
                    out.u8(uint32_t(qRed(p[x])));
                }
                if (L.alphaBits) out.u8(uint32_t(qAlpha(p[x])));
            }
        }
    }
    return out.bytes();
}

} // namespace

std::unique_ptr<Codec> makeTgaCodec() {
    return std::make_unique<TgaCodec>();
}

} // namespace pix
