#include "dib.h"
#include "codec_progress.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "raster_util.h"

#include <array>
#include <bit>
#include <climits>
#include <cstring>

namespace pix {

namespace {

enum Compression : uint32_t {
    kBiRgb = 0,
    kBiRle8 = 1,
    kBiRle4 = 2,
    kBiBitfields = 3,
    kBiAlphaBitfields = 6,
};

struct Header {
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kBiRgb;
    uint32_t colorsUsed = 0;
    int paletteEntryBytes = 4;
    std::array<uint32_t, 4> masks{}; // r, g, b, a
    bool hasMasks = false;
};

Header readHeader(ByteReader& r) {
    const size_t start = r.pos();
    const uint32_t size = r.u32le();
    Header h;
    if (size == 12) { // OS/2 1.x core header
        h.width = r.u16le();
        h.height = r.u16le();
        r.u16le();
        h.bits = r.u16le();
        h.paletteEntryBytes = 3;
        return h;
    }
    if (size < 16 || size > 4096) r.fail(QStringLiteral("Unknown bitmap header size %1").arg(size));
    const bool os2v2 = size != 40 && size != 52 && size != 56 && size != 108 && size != 124;
    h.width = r.i32le();
    const int32_t height = r.i32le();
    if (height == INT_MIN) r.fail(QStringLiteral("Invalid bitmap height"));
    h.topDown = height < 0;
    h.height = height < 0 ? -int64_t(height) : height;
    r.u16le();
    h.bits = r.u16le();
    if (size >= 20) h.compression = r.u32le();
    if (size >= 36) {
        r.skip(12);
        h.colorsUsed = r.u32le();
    }
    if (os2v2 && h.compression >= kBiBitfields)
        throw PixError(kErrUnsupported,
                       QStringLiteral("OS/2 Huffman and RLE24 bitmaps are not supported"),
                       r.source());
    const bool fields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (fields) {
        // Masks sit in the larger headers, or just after the 40-byte one.
        r.seek(start + (size >= 52 ? 40 : size));
        const int count = size >= 56 || h.compression == kBiAlphaBitfields ? 4 : 3;
        for (int i = 0; i < count; ++i) h.masks[size_t(i)] = r.u32le();
        h.hasMasks = true;
        if (size >= 52) r.seek(start + size);
    } else {
        r.seek(start + size);
    }
    return h;
}

// One colour channel described by a bit mask, scaled to 8 bits.
struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit MaskChannel(uint32_t m) : mask(m) {
        if (!m) return;
        shift = std::countr_zero(m);
        bits = std::bit_width(m >> shift);
    }
    // Fewer than 8 bits are widened by repeating their bit pattern (0x1F -> 0xFF, 0x10 -> 0x84).
    int get(uint32_t px, int fallback) const {
        if (!mask) return fallback;
        const uint32_t v = (px & mask) >> shift;
        if (bits >= 8) return int(v >> (bits - 8));
        uint32_t wide = v << (32 - bits);
        for (int filled = bits; filled < 8; filled += bits) wide |= wide >> bits;
        return int(wide >> 24);
    }
};

void readMaskedPixels(Bytes px, int64_t stride, const Header& h, QImage& out, bool& alphaUsed,
                      const QString& source) {
    std::array<uint32_t, 4> masks = h.masks;
    if (!h.hasMasks)
        masks = h.bits == 16 ? std::array<uint32_t, 4>{0x7C00, 0x03E0, 0x001F, 0}
                             : std::array<uint32_t, 4>{0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    const MaskChannel r(masks[0]), g(masks[1]), b(masks[2]), a(masks[3]);
    const int bytes = h.bits / 8;
    if (bytes != 2 && bytes != 4 && bytes != 3)
        throwCorrupt(QStringLiteral("Bit fields need 16 or 32 bits per pixel"), source);
    bool anyAlpha = false;
    for (int64_t y = 0; y < h.height; ++y) {
        reportCodecRows(y, h.height);
        const uint8_t* src = px.data() + y * stride;
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(int(h.topDown ? y : h.height - 1 - y)));
        for (int64_t x = 0; x < h.width; ++x, src += bytes) {
            uint32_t v = src[0] | (uint32_t(src[1]) << 8);
            if (bytes >= 3) v |= uint32_t(src[2]) << 16;
            if (bytes == 4) v |= uint32_t(src[3]) << 24;
            const int alpha = a.get(v, 255);
            anyAlpha = anyAlpha || (v & masks[3]);
            dst[x] = qRgba(r.get(v, 0), g.get(v, 0), b.get(v, 0), alpha);
        }
    }
    // A bitmap whose alpha bytes are all zero is opaque (many writers leave them unset).
    alphaUsed = masks[3] && anyAlpha;
    if (masks[3] && !alphaUsed) {
        for (int y = 0; y < out.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x) row[x] |= 0xFF000000u;
        }
    }
}

// Expands RLE8/RLE4 data into palette indexes (bottom-up rows). Some writers encode the row
// padding too, so pixels between the width and the padded row end are dropped; runs past the
// padded row, past the last row or past the buffer are errors.
void readRle(ByteReader& r, int bits, const Header& h, QImage& indexes) {
    int64_t x = 0, y = 0;
    const int64_t w = h.width, hh = h.height;
    const int64_t padded = rowBytes(w, bits, 4, r.source()) * 8 / bits;
    auto put = [&](int v) {
        if (x >= padded || y >= hh) r.fail(QStringLiteral("RLE run past the end of the row"));
        if (x < w) indexes.scanLine(int(hh - 1 - y))[x] = uint8_t(v);
        ++x;
    };
    for (;;) {
        const int n = r.u8();
        const int c = r.u8();
        if (n > 0) {
            for (int i = 0; i < n; ++i) put(bits == 8 ? c : (i & 1 ? c & 15 : c >> 4));
            continue;
        }
        if (c == 0) {
            x = 0;
            ++y;
        } else if (c == 1) {
            return;
        } else if (c == 2) {
            x += r.u8();
            y += r.u8();
            if (x > w || y > hh) r.fail(QStringLiteral("RLE delta past the image"));
        } else {
            const size_t bytes = bits == 8 ? size_t(c) : size_t(c + 1) / 2;
            const Bytes lit = r.take(bytes);
            for (int i = 0; i < c; ++i)
                put(bits == 8 ? lit[size_t(i)]
                              : (i & 1 ? lit[size_t(i / 2)] & 15 : lit[size_t(i / 2)] >> 4));
            if (bytes & 1) r.skip(1);
        }
        if (y > hh) r.fail(QStringLiteral("RLE data past the last row"));
    }
}

} // namespace

DibImage readDib(ByteReader& r, const DibReadOptions& options) {
    const QString& src = r.source();
    Header h = readHeader(r);
    if (options.iconHeight) h.height /= 2;
    if (h.width <= 0 || h.height <= 0)
        throwCorrupt(QStringLiteral("Invalid bitmap size %1 x %2").arg(h.width).arg(h.height), src);
    checkImageSize(h.width, h.height, src);

    static constexpr std::array kBits{1, 2, 4, 8, 16, 24, 32};
    if (std::find(kBits.begin(), kBits.end(), h.bits) == kBits.end())
        throwCorrupt(QStringLiteral("Unsupported bit depth %1").arg(h.bits), src);
    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    const bool fields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (h.compression > kBiAlphaBitfields || h.compression == 4 || h.compression == 5)
        throw PixError(kErrUnsupported,
                       QStringLiteral("Bitmap compression %1 is not supported").arg(h.compression),
                       src);
    if (rle && (h.bits != (h.compression == kBiRle8 ? 8 : 4) || h.topDown))
        throwCorrupt(QStringLiteral("Invalid RLE bitmap"), src);
    if (fields && h.bits != 16 && h.bits != 32)
        throwCorrupt(QStringLiteral("Bit fields need 16 or 32 bits per pixel"), src);

    QList<QRgb> palette;
    if (h.bits <= 8) {
        const uint32_t count = h.colorsUsed ? h.colorsUsed : 1u << h.bits;
        const uint32_t kept = std::min<uint32_t>(count, 256);
        for (uint32_t i = 0; i < kept; ++i) {
            const Bytes e = r.take(size_t(h.paletteEntryBytes));
            palette.append(qRgb(e[2], e[1], e[0]));
        }
        if (!options.bitsOffset) r.skip(uint64_t(count - kept) * uint64_t(h.paletteEntryBytes));
    } else if (h.colorsUsed && !options.bitsOffset) {
        r.skip(uint64_t(h.colorsUsed) * 4);
    }
    if (options.bitsOffset) r.seek(*options.bitsOffset);

    DibImage out;
    if (h.bits <= 8) {
        // Raw pixels must all be there before the image is allocated.
        const int64_t stride = rowBytes(h.width, h.bits, 4, src);
        const Bytes px = rle ? Bytes() : r.take(uint64_t(checkedMul(stride, h.height, src)));
        QImage indexes = allocateImage(h.width, h.height, QImage::Format_Indexed8, src);
        indexes.fill(0);
        if (rle) {
            readRle(r, h.bits, h, indexes);
        } else {
            for (int64_t y = 0; y < h.height; ++y) {
                reportCodecRows(y, h.height);
                const uint8_t* row = px.data() + y * stride;
                uint8_t* dst = indexes.scanLine(int(h.topDown ? y : h.height - 1 - y));
                for (int64_t x = 0; x < h.width; ++x)
                    dst[x] = uint8_t(packedIndex(row, int(x), h.bits));
            }
        }
        if (palette.isEmpty()) throwCorrupt(QStringLiteral("The bitmap has no palette"), src);
        out.page = pageFromIndexes(indexes, palette, src);
    } else {
        const int64_t stride = rowBytes(h.width, h.bits, 4, src);
        const Bytes px = r.take(uint64_t(checkedMul(stride, h.height, src)));
        QImage rgb = allocateImage(h.width, h.height, QImage::Format_ARGB32, src);
        bool alpha = false;
        if (h.bits == 24) {
            for (int64_t y = 0; y < h.height; ++y) {
                reportCodecRows(y, h.height);
                const uint8_t* s = px.data() + y * stride;
                auto* d =
                    reinterpret_cast<QRgb*>(rgb.scanLine(int(h.topDown ? y : h.height - 1 - y)));
                for (int64_t x = 0; x < h.width; ++x, s += 3) d[x] = qRgb(s[2], s[1], s[0]);
            }
        } else {
            readMaskedPixels(px, stride, h, rgb, alpha, src);
        }
        out.page = pageFromRgb(std::move(rgb), alpha);
    }
    out.end = r.pos();
    return out;
}

namespace {

// RLE8 / RLE4 encoding of palette-index rows (bottom-up), with runs and absolute stretches.
QByteArray encodeRle(const QImage& indexes, int bits) {
    ByteWriter w;
    const int width = indexes.width();
    for (int y = indexes.height() - 1; y >= 0; --y) {
        reportCodecRows(indexes.height() - 1 - y, indexes.height());
        const uint8_t* row = indexes.constScanLine(y);
        int x = 0;
        auto runAt = [&](int at) {
            int n = 1;
            while (at + n < width && n < 255 && row[at + n] == row[at]) ++n;
            return n;
        };
        while (x < width) {
            int run = runAt(x);
            if (run >= 3 || width - x < 3) {
                w.u8(uint32_t(run));
                w.u8(bits == 8 ? row[x] : uint32_t(row[x] << 4 | row[x]));
                x += run;
                continue;
            }
            int end = x;
            while (end < width && end - x < 255 && (runAt(end) < 3)) ++end;
            const int n = end - x;
            if (n < 3) {
                for (int i = 0; i < n; ++i) {
                    w.u8(1);
                    w.u8(bits == 8 ? row[x + i] : uint32_t(row[x + i] << 4));
                }
            } else {
                w.u8(0);
                w.u8(uint32_t(n));
                QByteArray lit;
                if (bits == 8) {
                    lit = QByteArray(reinterpret_cast<const char*>(row + x), n);
                } else {
                    lit.fill(0, (n + 1) / 2);
                    for (int i = 0; i < n; ++i)
                        lit[i / 2] = char(lit[i / 2] | (row[x + i] << (i & 1 ? 0 : 4)));
                }
                w.raw(lit);
                if (lit.size() & 1) w.u8(0);
            }
            x = end;
        }
        w.u8(0);
        w.u8(y == 0 ? 1 : 0);
    }
    return w.bytes();
}

// Palette indexes (one byte a pixel) and the palette of an 8-bit-or-less page.
QImage paletteIndexes(const QImage& image, int type, QList<QRgb>& palette) {
    if (type == kMono) {
        palette = monoPalette(image);
        QImage idx(image.size(), QImage::Format_Indexed8);
        for (int y = 0; y < image.height(); ++y) {
            const uint8_t* s = image.constScanLine(y);
            uint8_t* d = idx.scanLine(y);
            for (int x = 0; x < image.width(); ++x) d[x] = (s[x >> 3] >> (7 - (x & 7))) & 1;
        }
        return idx;
    }
    palette = type == kGray ? greyRamp() : image.colorTable();
    QImage idx(image.size(), QImage::Format_Indexed8);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(idx.scanLine(y), image.constScanLine(y), size_t(image.width()));
    return idx;
}

} // namespace

DibData writeDib(const PixPage& page, const DibWriteOptions& options) {
    const QImage image = storageImage(page);
    const int type = page.type;
    const int w = image.width(), h = image.height();
    const bool paletted = type == kMono || type == kIndexed || type == kGray;
    const bool alpha = typeHasAlpha(type);

    QList<QRgb> palette;
    QImage idx;
    int bits = alpha ? 32 : 24;
    uint32_t compression = kBiRgb;
    if (paletted) {
        idx = paletteIndexes(image, type, palette);
        bits = type == kMono ? 1 : 8;
        if (options.rle) {
            bits = palette.size() <= 16 ? 4 : 8;
            compression = bits == 8 ? kBiRle8 : kBiRle4;
        }
    }
    const bool v4 = alpha && options.alphaHeader;
    if (v4) compression = kBiBitfields;

    const QImage rgb =
        paletted ? QImage()
                 : image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    DibData out;
    if (compression == kBiRle8 || compression == kBiRle4) {
        out.bits = encodeRle(idx, bits);
    } else {
        const int stride = int(rowBytes(w, bits, 4, QStringLiteral("bmp")));
        out.bits.fill(0, qsizetype(stride) * h);
        for (int y = 0; y < h; ++y) {
            reportCodecRows(y, h);
            auto* d = reinterpret_cast<uint8_t*>(out.bits.data()) + qsizetype(h - 1 - y) * stride;
            if (type == kMono) {
                std::memcpy(d, image.constScanLine(y), size_t((w + 7) / 8));
            } else if (paletted) {
                std::memcpy(d, idx.constScanLine(y), size_t(w));
            } else {
                const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                for (int x = 0; x < w; ++x) {
                    *d++ = uint8_t(qBlue(s[x]));
                    *d++ = uint8_t(qGreen(s[x]));
                    *d++ = uint8_t(qRed(s[x]));
                    if (alpha) *d++ = uint8_t(qAlpha(s[x]));
                }
            }
        }
    }

    ByteWriter hw;
    hw.u32le(v4 ? 108 : 40);
    hw.u32le(uint32_t(w));
    hw.u32le(uint32_t(options.iconHeight ? 2 * h : h));
    hw.u16le(1);
    hw.u16le(uint32_t(bits));
    hw.u32le(compression);
    hw.u32le(uint32_t(out.bits.size()));
    hw.u32le(2835); // 72 dpi
    hw.u32le(2835);
    hw.u32le(uint32_t(palette.size()));
    hw.u32le(0);
    if (v4) {
        for (uint32_t m : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) hw.u32le(m);
        hw.u32le(0x73524742); // 'sRGB'
        hw.fill(0, 48);       // endpoints and gamma, unused with sRGB
    }
    for (QRgb c : palette) {
        hw.u8(uint32_t(qBlue(c)));
        hw.u8(uint32_t(qGreen(c)));
        hw.u8(uint32_t(qRed(c)));
        hw.u8(0);
    }
    out.header = hw.bytes();
    return out;
}

} // namespace pix
