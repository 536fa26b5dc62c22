#include "image_limits.h"

#include "pix_error.h"

#include <cstdlib>
#include <mutex>
#include <utility>
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

constexpr size_t kHugePage = size_t(2) << 20;

// Large pixel buffers, 2 MB aligned. The last two released are kept for the next images of
// about their size: an editor allocates a page-sized buffer per operation (and a filter often a
// second one for its passes), and a fresh one costs page faults and the kernel's zeroing on every
// call while a kept one costs nothing. Kept buffers are handed out as they are, not cleared.
class BufferCache {
public:
    struct Block {
        void* memory;
        size_t size;
    };

    // Never destroyed: images held in static storage may be released after it would be.
    static BufferCache& instance() {
        static auto* cache = new BufferCache;
        return *cache;
    }

    Block* take(size_t size) {
        {
            const std::lock_guard lock(mutex_);
            for (Block*& kept : kept_)
                if (kept && kept->size >= size && kept->size - size <= size / 4)
                    return std::exchange(kept, nullptr);
        }
        void* memory = std::aligned_alloc(kHugePage, size);
        if (!memory) return nullptr;
#ifdef __linux__
        ::madvise(memory, size, MADV_HUGEPAGE); // only a hint: it may be refused
#endif
        return new Block{memory, size};
    }

    // Keeps the block in place of the older kept one; the kept total stays within kMaxKept.
    void give(Block* block) {
        Block* dropped[3] = {nullptr, nullptr, nullptr};
        {
            const std::lock_guard lock(mutex_);
            dropped[0] = std::exchange(kept_[1], kept_[0]);
            kept_[0] = block;
            size_t total = 0;
            for (int i = 0; i < 2; ++i) {
                Block*& kept = kept_[i];
                if (kept && total + kept->size > kMaxKept)
                    dropped[1 + i] = std::exchange(kept, nullptr);
                else if (kept)
                    total += kept->size;
            }
        }
        for (Block* b : dropped)
            if (b) release(b);
    }

    // Frees the kept blocks.
    void clear() {
        Block* dropped[2] = {nullptr, nullptr};
        {
            const std::lock_guard lock(mutex_);
            for (int i = 0; i < 2; ++i) dropped[i] = std::exchange(kept_[i], nullptr);
        }
        for (Block* b : dropped)
            if (b) release(b);
    }

private:
    static constexpr size_t kMaxKept = size_t(256) << 20;

    static void release(Block* block) {
        std::free(block->memory);
        delete block;
    }

    std::mutex mutex_;
    Block* kept_[2] = {nullptr, nullptr}; // the most recently released first
};

void giveBack(void* block) {
    BufferCache::instance().give(static_cast<BufferCache::Block*>(block));
}

// A QImage over a large buffer from the cache. Null for small images (or when memory is short),
// which take Qt's own allocation.
QImage largeImage(int width, int height, QImage::Format format) {
    const qsizetype rowBytes =
        (qsizetype(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4;
    const size_t bytes = size_t(rowBytes) * size_t(height);
    if (bytes < 4 * kHugePage) return {};
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    BufferCache::Block* block = BufferCache::instance().take(rounded);
    if (!block) return {};
    QImage image(static_cast<uchar*>(block->memory), width, height, rowBytes, format, giveBack,
                 block);
    if (image.isNull()) giveBack(block);
    return image;
}

} // namespace

QImage allocateImage(int64_t width, int64_t height, QImage::Format format, const QString& source) {
    checkImageSize(width, height, source);
    QImage image = largeImage(int(width), int(height), format);
    if (image.isNull()) image = QImage(int(width), int(height), format);
    if (image.isNull())
        throw PixError(
            kErrTooLarge,
            QStringLiteral("Not enough memory for a %1 x %2 image").arg(width).arg(height), source);
    return image;
}

void releaseKeptBuffers() {
    BufferCache::instance().clear();
}

BackgroundPrefault::BackgroundPrefault(QImage& image) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    const size_t bytes = size_t(image.sizeInBytes());
    if (bytes < 4 * kHugePage || std::thread::hardware_concurrency() < 2) return;
    const auto start = reinterpret_cast<uintptr_t>(image.bits()) & ~uintptr_t(4095);
    const size_t length = reinterpret_cast<uintptr_t>(image.bits()) + bytes - start;
    // Only a hint: an older kernel refuses it, and the decoder's own faults then do the work.
    thread_ = std::thread([start, length] {
        ::madvise(reinterpret_cast<void*>(start), length, MADV_POPULATE_WRITE);
    });
#else
    Q_UNUSED(image)
#endif
}

BackgroundPrefault::~BackgroundPrefault() {
    if (thread_.joinable()) thread_.join();
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
