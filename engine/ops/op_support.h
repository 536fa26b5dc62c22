// Shared plumbing of the pixel operations: argument checks, row-band parallelism with
// progress and cancel, and straight <-> premultiplied alpha for filtering.
#pragma once

#include "engine/pix_error.h"
#include "engine/progress.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

namespace pix::ops {

// Marks a hot loop: vectorised fully, with a second build for CPUs of the x86-64-v3 level (AVX2,
// FMA) picked at load time by feature, not by CPU model (GCC on x86-64; elsewhere a plain
// function).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define PIX_HOT __attribute__((target_clones("arch=x86-64-v3", "default"), optimize("O3")))
#else
#define PIX_HOT
#endif

// Throws PixError(kErrInvalidArgument) with `what` when `ok` is false.
void require(bool ok, const QString& what, const char* source);

// Throws PixError(kErrTooLarge) when a fresh image could not be allocated.
void requireAllocated(const QImage& image, const char* source);

// A new 32-bit image of the given size, from allocateImage (checked, large ones on 2 MB pages).
QImage newImage32(int width, int height, bool alpha, const char* source);

// A new 32-bit image of the same size, format, resolution, offset and texts as `image` (the
// pixels are not copied).
QImage newImageLike(const QImage& image, const char* source);

// A writable copy of a 32-bit image in a buffer of its own (from newImage32), copied in row
// bands on the shared pool; the image itself when no other image shares its pixels.
QImage writableCopy(const QImage& image, const char* source);

// Runs body(y0, y1) over row bands of [0, rows) on the shared pool. With a progress callback
// the rows go in a few sequential chunks and the callback is asked between them; a false
// answer throws PixError(kErrCancelled). percentFrom..percentTo is the span reported.
// stripesPerThread > 1 balances uneven rows; ops whose bands share overlapping input ask for 1;
// 0 calls body serially per chunk, for bodies that run OpenCV's own parallel code.
void forEachRowBand(int rows, const ProgressFn& progress,
                    const std::function<void(int y0, int y1)>& body, int percentFrom = 0,
                    int percentTo = 100, int stripesPerThread = 4);

// True when every pixel of an ARGB32 image is opaque (RGB32 is always opaque).
bool isOpaque(const QImage& image);

// Straight ARGB -> premultiplied, and back (rounding), for one pixel.
inline uint32_t premul(uint32_t p) {
    const uint32_t a = p >> 24;
    if (a == 255) return p;
    if (a == 0) return 0;
    auto ch = [a](uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}
inline uint32_t unpremul(uint32_t p) {
    const uint32_t a = p >> 24;
    if (a == 255) return p;
    if (a == 0) return 0;
    auto ch = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
    return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

// Premultiplies (or un-premultiplies) a row in place.
void premultiplyRow(uint32_t* row, int n);
void unpremultiplyRow(uint32_t* row, int n);

// Rec. 601 luminance 0..255 of a pixel.
inline int luma(uint32_t p) {
    return int((((p >> 16) & 0xFF) * 77 + ((p >> 8) & 0xFF) * 150 + (p & 0xFF) * 29 + 128) >> 8);
}

inline uint8_t clampByte(int v) {
    return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}
inline uint8_t clampByte(double v) {
    return uint8_t(v <= 0.0 ? 0 : (v >= 255.0 ? 255 : int(v + 0.5)));
}

// Row y of a 32-bit image as pixels, for reading.
inline const uint32_t* row32(const QImage& img, int y) {
    return reinterpret_cast<const uint32_t*>(img.constScanLine(y));
}

// Writable rows of an image, detached once on the calling thread: QImage::scanLine may copy
// a shared image and is not safe to call from the pool's threads.
class RowView {
public:
    explicit RowView(QImage& img) : base_(img.bits()), stride_(img.bytesPerLine()) {}
    uint8_t* bytes(int y) const { return base_ + y * stride_; }
    uint32_t* operator[](int y) const { return reinterpret_cast<uint32_t*>(bytes(y)); }

private:
    uint8_t* base_;
    qsizetype stride_;
};

} // namespace pix::ops
