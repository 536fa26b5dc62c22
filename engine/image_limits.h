// Size limits every reader and every blank-image request is checked against before allocating.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <thread>

namespace pix {

inline constexpr int64_t kMaxPixels = 268'435'456; // 16384 x 16384
inline constexpr int64_t kMaxSide = 65'535;
inline constexpr int64_t kMaxPages = 1'000;

// Throws PixError(kErrTooLarge) naming the size and the limit when width x height is not allowed,
// and PixError(kErrInvalidArgument) for non-positive sides. Uses overflow-checked 64-bit maths.
void checkImageSize(int64_t width, int64_t height, const QString& source);

// Throws when a file claims more pages than allowed.
void checkPageCount(int64_t pages, const QString& source);

// Overflow-checked a * b for sizes; throws PixError(kErrTooLarge) on overflow or negative input.
int64_t checkedMul(int64_t a, int64_t b, const QString& source);

// Checks the size against the limits, then allocates; throws PixError(kErrTooLarge) when the
// size is refused or the memory is not there. Large images sit in memory the kernel may back
// with 2 MB pages, so that a fresh buffer costs a few hundred page faults instead of thousands.
QImage allocateImage(int64_t width, int64_t height, QImage::Format format, const QString& source);
// Large buffers released lately are kept for the next images of their size; this gives them
// back to the system (when the program has no use for them in sight).
void releaseKeptBuffers();

// Faults in a fresh image's pages on another thread while a single-threaded decoder fills the
// image from the top: the kernel's zeroing of new pages then runs on an idle core instead of in
// the decoder's page faults. The pixels are never written by it. Joins on destruction, which must
// come before the image's.
class BackgroundPrefault {
public:
    explicit BackgroundPrefault(QImage& image);
    ~BackgroundPrefault();
    BackgroundPrefault(const BackgroundPrefault&) = delete;
    BackgroundPrefault& operator=(const BackgroundPrefault&) = delete;

private:
    std::thread thread_;
};

} // namespace pix
