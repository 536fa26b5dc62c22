// Windows icons and cursors: every entry (BMP with AND mask, or PNG) becomes a page.
#include "../image_limits.h"
#include "../image_type.h"
#include "all_codecs.h"
#include "dib.h"
#include "raster_util.h"

#include <QBuffer>
#include <QImageReader>

namespace pix {

namespace {

const QString kSource = QStringLiteral("ico");
constexpr int kDirEntrySize = 16;
constexpr int kMaxIconSide = 256;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

PixPage readPngEntry(Bytes entry) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(entry.data()),
                                                     qsizetype(entry.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    checkImageSize(size.width(), size.height(), kSource);
    const QImage image = reader.read();
    if (image.isNull())
        throwCorrupt(QStringLiteral("Invalid PNG icon entry: %1").arg(reader.errorString()),
                     kSource);
    const int type = imageTypeFromFormat(image);
    return {convertToType(image, type), type, {}};
}

// Applies the 1-bit AND mask that follows the colour rows (set bits are transparent).
PixPage applyMask(ByteReader& r, PixPage page) {
    const int w = page.image.width(), h = page.image.height();
    const int64_t stride = rowBytes(w, 1, 4, kSource);
    const Bytes mask = r.take(uint64_t(stride * h));
    if (page.type == kRgba) return page; // the alpha channel already says it
    bool any = false;
    for (uint8_t b : mask) any = any || b;
    if (!any) return page;
    QImage argb = page.image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        const uint8_t* m = mask.data() + int64_t(h - 1 - y) * stride;
        auto* d = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < w; ++x)
            if (packedIndex(m, x, 1)) d[x] &= 0x00FFFFFFu;
    }
    return {argb, kRgba, {}};
}

class IcoCodec final : public Codec {
public:
    QString name() const override { return kSource; }
    int fileType() const override { return kFileAuto; }
    QStringList extensions() const override {
        return {QStringLiteral("ico"), QStringLiteral("cur")};
    }
    bool probe(Bytes d) const override {
        return d.size() >= 6 + kDirEntrySize && d[0] == 0 && d[1] == 0 &&
               (d[2] == 1 || d[2] == 2) && d[3] == 0 && (d[4] | d[5]) != 0;
    }
    bool writesPages() const override { return true; }

    DecodedFile read(Bytes data) const override {
        ByteReader r(data, kSource);
        r.skip(4);
        const int count = r.u16le();
        if (count == 0) r.fail(QStringLiteral("The icon has no entries"));
        checkPageCount(count, kSource);
        DecodedFile out;
        for (int i = 0; i < count; ++i) {
            r.seek(6 + uint64_t(i) * kDirEntrySize + 8);
            const uint32_t size = r.u32le();
            const uint32_t offset = r.u32le();
            if (uint64_t(offset) + size > data.size() || size < 8)
                r.fail(QStringLiteral("Icon entry %1 points outside the file").arg(i + 1));
            const Bytes entry = data.subspan(offset, size);
            if (std::equal(std::begin(kPngSignature), std::end(kPngSignature), entry.begin())) {
                out.pages.append(readPngEntry(entry));
                continue;
            }
            ByteReader er(entry, kSource);
            DibImage dib = readDib(er, {.bitsOffset = {}, .iconHeight = true});
            out.pages.append(applyMask(er, std::move(dib.page)));
        }
        return out;
    }

    bool canWrite() const override { return true; }
    QByteArray write(const QList<PixPage>& pages, const SaveOptions&) const override {
        checkPageCount(pages.size(), kSource);
        ByteWriter out;
        out.u16le(0);
        out.u16le(1);
        out.u16le(uint32_t(pages.size()));
        QList<QByteArray> entries;
        for (const PixPage& page : pages) {
            const QImage image = storageImage(page);
            const int w = image.width(), h = image.height();
            if (w > kMaxIconSide || h > kMaxIconSide)
                throw PixError(kErrUnsupported,
                               QStringLiteral("Icons are limited to 256 x 256 pixels, this page is "
                                              "%1 x %2")
                                   .arg(w)
                                   .arg(h),
                               kSource);
            const DibData dib = writeDib(page, {.iconHeight = true});
            ByteWriter e;
            e.raw(dib.header);
            e.raw(dib.bits);
            const int stride = int(rowBytes(w, 1, 4, kSource));
            QByteArray mask(qsizetype(stride) * h, '\0');
            if (typeHasAlpha(page.type)) {
                const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < h; ++y) {
                    const auto* s = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
                    char* m = mask.data() + qsizetype(h - 1 - y) * stride;
                    for (int x = 0; x < w; ++x)
                        if (qAlpha(s[x]) == 0) m[x >> 3] = char(m[x >> 3] | (0x80 >> (x & 7)));
                }
            }
            e.raw(mask);
            entries.append(e.bytes());
            // Bits per pixel writeDib chooses for each page type.
            static constexpr int kBits[kImageTypeCount] = {1, 8, 32, 8, 32, 24, 32};
            const int bits = kBits[page.type];
            out.u8(uint32_t(w & 0xFF));
            out.u8(uint32_t(h & 0xFF));
            out.u8(bits == 1 ? 2 : 0);
            out.u8(0);
            out.u16le(1);
            out.u16le(uint32_t(bits));
            out.u32le(uint32_t(e.size()));
            out.u32le(0); // offset patched below
        }
        qsizetype offset = out.size();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            out.patch32le(6 + i * kDirEntrySize + 12, uint32_t(offset));
            offset += entries[i].size();
        }
        for (const QByteArray& e : entries) out.raw(e);
        return out.bytes();
    }
};

} // namespace

std::unique_ptr<Codec> makeIcoCodec() {
    return std::make_unique<IcoCodec>();
}

} // namespace pix
