#include "packed_image.h"

#include <cstring>
#include <zstd.h>

namespace pix {

namespace {
// Fast enough to keep up with editing; photographs still shrink to about half.
constexpr int kLevel = 1;
} // namespace

PackedImage packImage(const QImage& image) {
    PackedImage p;
    if (image.isNull()) return p;
    const size_t size = size_t(image.sizeInBytes());
    QByteArray out;
    out.resize(qsizetype(ZSTD_compressBound(size)));
    const size_t n = ZSTD_compress(out.data(), size_t(out.size()), image.constBits(), size, kLevel);
    if (ZSTD_isError(n)) return p;
    out.truncate(qsizetype(n));
    out.squeeze();
    p.data = std::move(out);
    p.size = image.size();
    p.format = image.format();
    p.colors = image.colorTable();
    p.dotsPerMeterX = image.dotsPerMeterX();
    p.dotsPerMeterY = image.dotsPerMeterY();
    p.offset = image.offset();
    for (const QString& key : image.textKeys()) p.text.insert(key, image.text(key));
    return p;
}

QImage unpackImage(const PackedImage& p) {
    if (p.isNull()) return {};
    QImage img(p.size, p.format);
    if (img.isNull()) return {};
    const size_t size = size_t(img.sizeInBytes());
    if (ZSTD_getFrameContentSize(p.data.constData(), size_t(p.data.size())) != size) return {};
    const size_t n = ZSTD_decompress(img.bits(), size, p.data.constData(), size_t(p.data.size()));
    if (ZSTD_isError(n) || n != size) return {};
    img.setColorTable(p.colors);
    img.setDotsPerMeterX(p.dotsPerMeterX);
    img.setDotsPerMeterY(p.dotsPerMeterY);
    img.setOffset(p.offset);
    for (auto it = p.text.begin(); it != p.text.end(); ++it) img.setText(it.key(), it.value());
    return img;
}

} // namespace pix
