// Photoshop documents: the flattened composite image (raw or RLE, 1/8/16 bits; bitmap, grey,
// indexed, RGB, CMYK, duotone and multichannel modes) and flat files written from one page.
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

const QString kSource = QStringLiteral("psd");
constexpr uint32_t kSignature = 0x38425053; // "8BPS"
constexpr int kTransparencyIndexResource = 1047;

enum Mode : int {
    kModeBitmap = 0,
    kModeGrey = 1,
    kModeIndexed = 2,
    kModeRgb = 3,
    kModeCmyk = 4,
    kModeMultichannel = 7,
    kModeDuotone = 8,
};

// Colour channels each mode needs before an optional alpha channel.
int colourChannels(int mode) {
    switch (mode) {
    case kModeRgb:
        return 3;
    case kModeCmyk:
        return 4;
    case kModeBitmap:
    case kModeGrey:
    case kModeIndexed:
    case kModeMultichannel:
    case kModeDuotone:
        return 1;
    default:
        return 0;
    }
}

// PackBits: a signed count n >= 0 copies n+1 bytes, n in -127..-1 repeats one byte 1-n times.
void unpackBits(ByteReader& r, uint8_t* out, int64_t size) {
    int64_t at = 0;
    while (!r.atEnd() && at < size) {
        const int n = int8_t(r.u8());
        if (n == -128) continue;
        const int64_t count = n >= 0 ? n + 1 : 1 - n;
        if (at + count > size) r.fail(QStringLiteral("RLE run past the end of the row"));
        if (n >= 0) {
            const Bytes lit = r.take(uint64_t(count));
            std::memcpy(out + at, lit.data(), size_t(count));
        } else {
            std::memset(out + at, r.u8(), size_t(count));
        }
        at += count;
    }
}

void packBits(ByteWriter& w, const uint8_t* row, int64_t n) {
    for (int64_t x = 0; x < n;) {
        int64_t run = 1;
        while (x + run < n && run < 128 && row[x + run] == row[x]) ++run;
        if (run >= 2) {
            w.u8(uint32_t(257 - run) & 0xFF);
            w.u8(row[x]);
            x += run;
            continue;
        }
        int64_t end = x + 1;
        while (end < n && end - x < 128 && !(end + 1 < n && row[end] == row[end + 1])) ++end;
        w.u8(uint32_t(end - x - 1));
        w.raw(row + x, end - x);
        x = end;
    }
}

struct Header {
    int channels = 0;
    int64_t width = 0, height = 0;
    int depth = 0;
    int mode = 0;
};

// Planar channel data of the composite image, every value reduced to 8 bits (bitmap rows stay
// packed one bit a pixel).
std::vector<QByteArray> readChannels(ByteReader& r, const Header& h, int count) {
    const int64_t rowSize = rowBytes(h.width, h.depth, 1, kSource);
    const int compression = r.u16be();
    if (compression > 1)
        throw PixError(kErrUnsupported,
                       QStringLiteral("PSD compression %1 is not supported").arg(compression),
                       kSource);
    std::vector<uint32_t> rowLengths;
    if (compression == 1) {
        const int64_t rows = checkedMul(h.channels, h.height, kSource);
        const Bytes table = r.take(uint64_t(checkedMul(rows, 2, kSource)));
        rowLengths.resize(size_t(rows));
        uint64_t total = 0;
        for (size_t i = 0; i < rowLengths.size(); ++i) {
            rowLengths[i] = uint32_t(table[2 * i] << 8 | table[2 * i + 1]);
            total += rowLengths[i];
        }
        if (total > r.remaining()) r.fail(QStringLiteral("PSD image data is truncated"));
    } else if (uint64_t(checkedMul(checkedMul(rowSize, h.height, kSource), count, kSource)) >
               r.remaining()) {
        r.fail(QStringLiteral("PSD image data is truncated"));
    }
    std::vector<QByteArray> planes;
    QByteArray row(qsizetype(rowSize), '\0');
    auto* rp = reinterpret_cast<uint8_t*>(row.data());
    const int outBytes = h.depth == 1 ? int(rowSize) : int(h.width);
    for (int c = 0; c < count; ++c) {
        QByteArray plane(qsizetype(checkedMul(outBytes, h.height, kSource)), '\0');
        auto* dst = reinterpret_cast<uint8_t*>(plane.data());
        for (int64_t y = 0; y < h.height; ++y) {
            reportCodecRows(c * h.height + y, count * h.height, 0, 80);
            if (compression == 1) {
                ByteReader rr(r.take(rowLengths[size_t(c * h.height + y)]), kSource);
                row.fill('\0');
                unpackBits(rr, rp, rowSize);
            } else {
                std::memcpy(rp, r.take(uint64_t(rowSize)).data(), size_t(rowSize));
            }
            uint8_t* d = dst + y * outBytes;
            if (h.depth == 16)
                for (int64_t x = 0; x < h.width; ++x)
                    d[x] = uint8_t(((rp[2 * x] << 8 | rp[2 * x + 1]) + 128) / 257);
            else
                std::memcpy(d, rp, size_t(outBytes));
        }
        planes.push_back(plane);
    }
    return planes;
}

class PsdCodec final : public Codec {
public:
    QString name() const override { return kSource; }
    int fileType() const override { return kFilePsd; }
    QStringList extensions() const override { return {QStringLiteral("psd")}; }
    bool probe(Bytes d) const override {
        return d.size() >= 26 && d[0] == '8' && d[1] == 'B' && d[2] == 'P' && d[3] == 'S' &&
               d[4] == 0 && d[5] == 1;
    }

    DecodedFile read(Bytes data) const override;
    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override;
};

DecodedFile PsdCodec::read(Bytes data) const {
    ByteReader r(data, kSource);
    if (r.u32be() != kSignature || r.u16be() != 1) r.fail(QStringLiteral("Not a PSD file"));
    r.skip(6);
    Header h;
    h.channels = r.u16be();
    h.height = r.u32be();
    h.width = r.u32be();
    h.depth = r.u16be();
    h.mode = r.u16be();
    checkImageSize(h.width, h.height, kSource);
    const int colour = colourChannels(h.mode);
    const bool depthOk = h.mode == kModeBitmap ? h.depth == 1 : (h.depth == 8 || h.depth == 16);
    if (!colour || !depthOk)
        throw PixError(
            kErrUnsupported,
            QStringLiteral("PSD mode %1 with %2 bits is not supported").arg(h.mode).arg(h.depth),
            kSource);
    if (h.channels < colour || h.channels > 56)
        r.fail(QStringLiteral("Invalid PSD channel count %1").arg(h.channels));

    QList<QRgb> palette;
    const Bytes modeData = r.take(r.u32be());
    if (h.mode == kModeIndexed) {
        if (modeData.size() < 768) r.fail(QStringLiteral("The PSD colour table is missing"));
        for (int i = 0; i < 256; ++i)
            palette.append(
                qRgb(modeData[size_t(i)], modeData[size_t(256 + i)], modeData[size_t(512 + i)]));
    }
    ByteReader resources(r.take(r.u32be()), kSource);
    while (resources.remaining() >= 12) {
        resources.skip(4);
        const int id = resources.u16be();
        const int nameLength = resources.u8();
        resources.skip(uint64_t((nameLength + 2) / 2 * 2 - 1)); // name padded to even length
        const uint32_t size = resources.u32be();
        const Bytes body = resources.take(size + (size & 1));
        if (id == kTransparencyIndexResource && size >= 2 && h.mode == kModeIndexed) {
            const int index = body[0] << 8 | body[1];
            if (index < palette.size()) palette[index] &= 0x00FFFFFFu;
        }
    }
    // Layers are not read: the composite holds the flattened image. A negative layer count
    // says the composite's first extra channel is its transparency; files without layers
    // that carry an extra channel are read the same way.
    ByteReader layers(r.take(r.u32be()), kSource);
    bool mergedAlpha = layers.atEnd();
    if (layers.remaining() >= 6) {
        layers.u32be();
        mergedAlpha = layers.i16be() < 0;
    }
    // Extra channels of multichannel and duotone files are inks, never transparency.
    const bool alpha = mergedAlpha && h.channels > colour &&
                       (h.mode == kModeGrey || h.mode == kModeRgb || h.mode == kModeCmyk);
    const std::vector<QByteArray> planes = readChannels(r, h, colour + (alpha ? 1 : 0));
    auto plane = [&](int c, int64_t y) {
        return reinterpret_cast<const uint8_t*>(planes[size_t(c)].constData()) +
               y * (planes[size_t(c)].size() / h.height);
    };

    DecodedFile out;
    out.fileType = kFilePsd;
    if (h.mode == kModeBitmap) {
        QImage mono = allocateImage(h.width, h.height, QImage::Format_Mono, kSource);
        mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        for (int64_t y = 0; y < h.height; ++y) {
            const uint8_t* s = plane(0, y);
            uint8_t* d = mono.scanLine(int(y));
            for (int i = 0; i < mono.bytesPerLine() && i < planes[0].size() / h.height; ++i)
                d[i] = uint8_t(~s[i]); // 1 is black in the file
        }
        out.pages.append({mono, kMono, {}});
        return out;
    }
    if (h.mode == kModeIndexed) {
        QImage idx = allocateImage(h.width, h.height, QImage::Format_Indexed8, kSource);
        for (int64_t y = 0; y < h.height; ++y)
            std::memcpy(idx.scanLine(int(y)), plane(0, y), size_t(h.width));
        out.pages.append(pageFromIndexes(idx, palette, kSource));
        return out;
    }
    if (colour == 1 && !alpha) {
        QImage grey = allocateImage(h.width, h.height, QImage::Format_Grayscale8, kSource);
        for (int64_t y = 0; y < h.height; ++y)
            std::memcpy(grey.scanLine(int(y)), plane(0, y), size_t(h.width));
        out.pages.append({grey, kGray, {}});
        return out;
    }
    QImage img = allocateImage(h.width, h.height, QImage::Format_ARGB32, kSource);
    for (int64_t y = 0; y < h.height; ++y) {
        reportCodecRows(y, h.height, 80, 100);
        auto* d = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        const uint8_t* a = alpha ? plane(colour, y) : nullptr;
        for (int64_t x = 0; x < h.width; ++x) {
            const int av = a ? a[x] : 255;
            if (colour == 1) {
                const int g = plane(0, y)[x];
                d[x] = qRgba(g, g, g, av);
            } else if (colour == 3) {
                d[x] = qRgba(plane(0, y)[x], plane(1, y)[x], plane(2, y)[x], av);
            } else { // CMYK is stored inverted: 255 means no ink
                const int k = plane(3, y)[x];
                auto mix = [k](int v) { return (v * k + 127) / 255; };
                d[x] = qRgba(mix(plane(0, y)[x]), mix(plane(1, y)[x]), mix(plane(2, y)[x]), av);
            }
        }
    }
    if (colour == 1)
        out.pages.append({img, kGrayAlpha, {}});
    else
        out.pages.append(pageFromRgb(std::move(img), alpha));
    return out;
}

QByteArray PsdCodec::write(const QList<PixPage>& pages, const SaveOptions&) const {
    PixPage page = pages.value(0);
    // Two colours other than black and white have no bitmap form: they are written indexed.
    if (page.type == kMono && !monoIsBlackAndWhite(storageImage(page))) {
        page.image = storageImage(page).convertToFormat(QImage::Format_Indexed8);
        page.type = kIndexed;
    }
    const QImage image = storageImage(page);
    const int w = image.width(), h = image.height();
    // Per type: colour mode, channels, bits.
    struct Layout {
        int mode, channels, depth;
    };
    static constexpr std::array<Layout, kImageTypeCount> kLayouts{{
        {kModeBitmap, 1, 1},
        {kModeIndexed, 1, 8},
        {kModeRgb, 4, 8},
        {kModeGrey, 1, 8},
        {kModeGrey, 2, 8},
        {kModeRgb, 3, 8},
        {kModeRgb, 4, 8},
    }};
    const Layout L = kLayouts[size_t(page.type)];

    ByteWriter out;
    out.u32be(kSignature);
    out.u16be(1);
    out.fill(0, 6);
    out.u16be(uint32_t(L.channels));
    out.u32be(uint32_t(h));
    out.u32be(uint32_t(w));
    out.u16be(uint32_t(L.depth));
    out.u16be(uint32_t(L.mode));
    if (L.mode == kModeIndexed) {
        QList<QRgb> pal = image.colorTable();
        pal.resize(256, qRgb(0, 0, 0));
        out.u32be(768);
        for (int shift : {16, 8, 0}) // planes of red, green, blue
            for (QRgb c : pal) out.u8((c >> shift) & 0xFF);
    } else {
        out.u32be(0);
    }
    out.u32be(0); // image resources

    // Planar rows of every channel.
    const int64_t rowSize = rowBytes(w, L.depth, 1, kSource);
    const QImage argb = L.mode == kModeRgb || L.channels == 2
                            ? image.convertToFormat(QImage::Format_ARGB32)
                            : QImage();
    const QList<QRgb> monoPal = page.type == kMono ? monoPalette(image) : QList<QRgb>{};
    std::vector<QByteArray> planes(size_t(L.channels), QByteArray(qsizetype(rowSize) * h, '\0'));
    for (int c = 0; c < L.channels; ++c)
        for (int y = 0; y < h; ++y) {
            reportCodecRows(int64_t(c) * h + y, int64_t(L.channels) * h, 0, 40);
            auto* rp = reinterpret_cast<uint8_t*>(planes[size_t(c)].data()) + y * rowSize;
            if (L.mode == kModeBitmap) {
                const uint8_t* s = image.constScanLine(y);
                const bool dark0 = qGray(monoPal[0]) < 128, dark1 = qGray(monoPal[1]) < 128;
                for (int64_t i = 0; i < rowSize; ++i)
                    rp[i] = uint8_t((s[i] & (dark1 ? 0xFF : 0)) | (~s[i] & (dark0 ? 0xFF : 0)));
            } else if (argb.isNull()) {
                std::memcpy(rp, image.constScanLine(y), size_t(w));
            } else {
                // Grey + alpha: grey, alpha. RGB(A): red, green, blue, alpha.
                using Channel = int (*)(QRgb);
                static constexpr Channel kGreyAlpha[] = {qRed, qAlpha};
                static constexpr Channel kRgba[] = {qRed, qGreen, qBlue, qAlpha};
                const Channel get = L.channels == 2 ? kGreyAlpha[c] : kRgba[c];
                const auto* s = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
                for (int x = 0; x < w; ++x) rp[x] = uint8_t(get(s[x]));
            }
        }

    // Pages with alpha get one layer holding the image (raw channels) and a negative layer
    // count, which marks the composite's last channel as its transparency.
    const bool alpha = typeHasAlpha(page.type);
    if (!alpha) {
        out.u32be(0);
    } else {
        ByteWriter layer;
        layer.u16be(uint32_t(-1) & 0xFFFF);
        for (uint32_t v : {0u, 0u, uint32_t(h), uint32_t(w)}) layer.u32be(v);
        layer.u16be(uint32_t(L.channels));
        for (int c = 0; c < L.channels; ++c) {
            layer.u16be(c == L.channels - 1 ? 0xFFFF : uint32_t(c)); // -1 is transparency
            layer.u32be(uint32_t(2 + planes[size_t(c)].size()));
        }
        layer.raw("8BIMnorm", 8);
        for (uint32_t v : {255u, 0u, 0u, 0u}) layer.u8(v); // opacity, clipping, flags, filler
        layer.u32be(12); // extra data: no mask, no blending ranges, empty name padded to 4
        layer.u32be(0);
        layer.u32be(0);
        layer.u32be(0);
        for (const QByteArray& p : planes) {
            layer.u16be(0);
            layer.raw(p);
        }
        if (layer.size() & 1) layer.u8(0);
        out.u32be(uint32_t(layer.size() + 8));
        out.u32be(uint32_t(layer.size()));
        out.raw(layer.bytes());
        out.u32be(0); // global layer mask
    }

    // The composite: RLE rows with a table of their lengths.
    QList<QByteArray> packed;
    for (const QByteArray& plane : planes)
        for (int y = 0; y < h; ++y) {
            reportCodecRows(packed.size(), int64_t(planes.size()) * h, 40, 85);
            ByteWriter rw;
            packBits(rw, reinterpret_cast<const uint8_t*>(plane.constData()) + y * rowSize,
                     rowSize);
            packed.append(rw.bytes());
        }
    out.u16be(1);
    for (const QByteArray& p : packed) {
        if (p.size() > 0xFFFF)
            throw PixError(kErrTooLarge, QStringLiteral("PSD row too long"), kSource);
        out.u16be(uint32_t(p.size()));
    }
    // Copying the rows into the file is a pass of its own over the whole composite.
    qsizetype total = out.size();
    for (const QByteArray& p : packed) total += p.size();
    out.bytes().reserve(total);
    for (qsizetype i = 0; i < packed.size(); ++i) {
        reportCodecRows(i, packed.size(), 85, 100);
        out.raw(packed[i]);
    }
    return out.bytes();
}

} // namespace

std::unique_ptr<Codec> makePsdCodec() {
    return std::make_unique<PsdCodec>();
}

} // namespace pix
