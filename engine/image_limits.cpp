#include "image_limits.h"

#include "pix_error.h"

#include <cstdlib>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace pix {

int64_t checkedMul(int64_t a, int64_t b, const QString& source) {
    int64_t result = 0;
    if (a < 0 || b < 0 || __builtin_mul_overflow(a, b, &result))
        throw PixError(kErrTooLarge, QStringLiteral("Image size overflows"), source);
    return result;
}

void checkImageSize(int64_t width, int64_t height, const QString& source) {
    if (width <= 0 || height <= 0)
        throw PixError(kErrInvalidArgument,
                       QStringLiteral("Invalid image size %1 x %2").arg(width).arg(height), source);
    if (width > kMaxSide || height > kMaxSide)
        throw PixError(kErrTooLarge,
                       QStringLiteral("Image size %1 x %2 exceeds the limit of %3 pixels per side")
                           .arg(width)
                           .arg(height)
                           .arg(kMaxSide),
                       source);
    const int64_t pixels = checkedMul(width, height, source);
    if (pixels > kMaxPixels)
        throw PixError(
            kErrTooLarge,
            QStringLiteral("Image size %1 x %2 (%3 pixels) exceeds the limit of %4 pixels")
                .arg(width)
                .arg(height)
                .arg(pixels)
                .arg(kMaxPixels),
            source);
}

namespace {

// A QImage over fresh memory the kernel may back with 2 MB pages: a large buffer then costs a few
// hundred page faults instead of thousands. Null for small images (or when memory is short),
// which take Qt's own allocation.
QImage hugePageImage(int width, int height, QImage::Format format) {
#ifdef __linux__
    constexpr size_t kHugePage = size_t(2) << 20;
    const qsizetype rowBytes =
        (qsizetype(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4;
    const size_t bytes = size_t(rowBytes) * size_t(height);
    if (bytes < 4 * kHugePage) return {};
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
    if (!memory) return {};
    ::madvise(memory, rounded, MADV_HUGEPAGE); // only a hint: it may be refused
    QImage image(static_cast<uchar*>(memory), width, height, rowBytes, format, std::free, memory);
    if (image.isNull()) std::free(memory);
    return image;
#else
    Q_UNUSED(width)
    Q_UNUSED(height)
    Q_UNUSED(format)
    return {};
#endif
}

} // namespace

QImage allocateImage(int64_t width, int64_t height, QImage::Format format, const QString& source) {
    checkImageSize(width, height, source);
    QImage image = hugePageImage(int(width), int(height), format);
    if (image.isNull()) image = QImage(int(width), int(height), format);
    if (image.isNull())
        throw PixError(
            kErrTooLarge,
            QStringLiteral("Not enough memory for a %1 x %2 image").arg(width).arg(height), source);
    return image;
}

void checkPageCount(int64_t pages, const QString& source) {
    if (pages > kMaxPages)
        throw PixError(kErrTooLarge,
                       QStringLiteral("The file holds %1 pages, more than the limit of %2")
                           .arg(pages)
                           .arg(kMaxPages),
                       source);
}

} // namespace pix
