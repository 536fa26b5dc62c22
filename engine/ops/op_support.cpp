#include "op_support.h"

#include "engine/image_limits.h"

#include <algorithm>
#include <cstring>
#include <opencv2/core.hpp>

namespace pix::ops {

void require(bool ok, const QString& what, const char* source) {
    if (!ok) throw PixError(kErrInvalidArgument, what, QString::fromLatin1(source));
}

void requireAllocated(const QImage& image, const char* source) {
    if (image.isNull())
        throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for the image"),
                       QString::fromLatin1(source));
}

QImage newImage32(int width, int height, bool alpha, const char* source) {
    return allocateImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32,
                         QString::fromLatin1(source));
}

QImage newImageLike(const QImage& image, const char* source) {
    require(image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32,
            QStringLiteral("Needs a 32-bit image"), source);
    QImage fresh =
        newImage32(image.width(), image.height(), image.format() == QImage::Format_ARGB32, source);
    fresh.setDotsPerMeterX(image.dotsPerMeterX());
    fresh.setDotsPerMeterY(image.dotsPerMeterY());
    fresh.setOffset(image.offset());
    for (const QString& key : image.textKeys()) fresh.setText(key, image.text(key));
    return fresh;
}

QImage writableCopy(const QImage& image, const char* source) {
    if (image.isDetached()) return image;
    QImage copy = newImageLike(image, source);
    const RowView out(copy);
    const size_t rowBytes = size_t(image.width()) * 4;
    forEachRowBand(image.height(), {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) std::memcpy(out.bytes(y), image.constScanLine(y), rowBytes);
    });
    return copy;
}

void forEachRowBand(int rows, const ProgressFn& progress,
                    const std::function<void(int y0, int y1)>& body, int percentFrom, int percentTo,
                    int stripesPerThread) {
    if (rows <= 0) return;
    const int threads = std::max(1, cv::getNumThreads());
    auto run = [&](int from, int to) {
        if (stripesPerThread == 0) return body(from, to);
        const int stripes =
            std::clamp((to - from) / 16, 1, threads * std::max(1, stripesPerThread));
        cv::parallel_for_(
            cv::Range(0, stripes),
            [&](const cv::Range& r) {
                const int64_t n = to - from;
                body(from + int(n * r.start / stripes), from + int(n * r.end / stripes));
            },
            stripes);
    };
    if (!progress) {
        run(0, rows);
        return;
    }
    // Chunks of at least 64 rows, enough of them that a 100-megapixel image reports often.
    const int chunks = std::clamp(rows / 64, 1, stripesPerThread > 1 ? 64 : 32);
    for (int c = 0; c < chunks; ++c) {
        run(int(int64_t(rows) * c / chunks), int(int64_t(rows) * (c + 1) / chunks));
        const int pct = percentFrom + (percentTo - percentFrom) * (c + 1) / chunks;
        if (!reportProgress(progress, pct))
            throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QStringLiteral("Effects"));
    }
}

bool isOpaque(const QImage& image) {
    if (image.format() != QImage::Format_ARGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied)
        return !image.hasAlphaChannel();
    for (int y = 0; y < image.height(); ++y) {
        const uint32_t* r = row32(image, y);
        uint32_t all = 0xFFFFFFFFu;
        for (int x = 0; x < image.width(); ++x) all &= r[x];
        if ((all >> 24) != 0xFF) return false;
    }
    return true;
}

void premultiplyRow(uint32_t* row, int n) {
    for (int i = 0; i < n; ++i) row[i] = premul(row[i]);
}

void unpremultiplyRow(uint32_t* row, int n) {
    for (int i = 0; i < n; ++i) row[i] = unpremul(row[i]);
}

} // namespace pix::ops
