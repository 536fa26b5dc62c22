#include "tiff_stream.h"

#include "atomic_write.h"

#include "../image_limits.h"
#include "../pix_error.h"

#include <cstdarg>
#include <cstring>

namespace pix {

namespace {

// Largest single buffer libtiff may allocate for one file: a full page of 32-bit pixels.
constexpr tmsize_t kMaxAlloc = tmsize_t(kMaxPixels) * 4;

TiffStream* self(thandle_t h) {
    return static_cast<TiffStream*>(h);
}

tmsize_t readProc(thandle_t h, void* out, tmsize_t n) {
    TiffStream* s = self(h);
    if (n < 0 || s->pos < 0) return -1;
    if (s->file) {
        const int64_t got = s->file->readAt(s->pos, out, n);
        if (got > 0) s->pos += got;
        return tmsize_t(got);
    }
    const qint64 left = std::max<qint64>(0, s->buffer.size() - s->pos);
    const qint64 count = std::min<qint64>(left, n);
    std::memcpy(out, s->buffer.constData() + s->pos, size_t(count));
    s->pos += count;
    return tmsize_t(count);
}

tmsize_t writeProc(thandle_t h, void* in, tmsize_t n) {
    TiffStream* s = self(h);
    if (n < 0 || s->pos < 0) return -1;
    qint64 end = 0;
    if (__builtin_add_overflow(s->pos, qint64(n), &end) || end > qint64(kMaxAlloc) * 4) return -1;
    if (s->file) {
        if (!s->file->writeAt(s->pos, in, n)) return -1;
        s->pos = end;
        return n;
    }
    if (end > s->buffer.size()) s->buffer.resize(end, '\0');
    std::memcpy(s->buffer.data() + s->pos, in, size_t(n));
    s->pos = end;
    return n;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence) {
    TiffStream* s = self(h);
    const qint64 end = s->file ? s->file->size() : s->buffer.size();
    const qint64 base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? end : 0;
    const qint64 target = base + qint64(offset);
    if (offset > toff_t(INT64_MAX / 2) || target < 0) return toff_t(-1);
    s->pos = target;
    return toff_t(target);
}

int closeProc(thandle_t) {
    return 0;
}
toff_t sizeProc(thandle_t h) {
    const TiffStream* s = self(h);
    return toff_t(s->file ? s->file->size() : s->buffer.size());
}
int mapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void unmapProc(thandle_t, void*, toff_t) {}

int onError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    auto* s = static_cast<TiffStream*>(user);
    s->lastError = module ? QStringLiteral("%1: %2").arg(QString::fromLatin1(module),
                                                         QString::fromLatin1(text))
                          : QString::fromLatin1(text);
    return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

} // namespace

TiffStream::TiffStream(QByteArray bytes, const char* mode, const QString& source)
    : buffer(std::move(bytes)), source_(source) {
    open(mode);
}

TiffStream::TiffStream(AtomicFile& out, const QString& source) : file(&out), source_(source) {
    open("w");
}

void TiffStream::open(const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, this);
    tiff_ = TIFFClientOpenExt("memory", mode, this, readProc, writeProc, seekProc, closeProc,
                              sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!tiff_) fail(QStringLiteral("Not a readable TIFF file"));
}

TiffStream::~TiffStream() {
    if (tiff_) TIFFClose(tiff_);
}

void TiffStream::fail(const QString& what) const {
    if (file && file->error()) file->fail(QStringLiteral("write failed"));
    throw PixError(kErrCorruptImage,
                   lastError.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, lastError),
                   source_);
}

QByteArray TiffStream::finish() {
    TIFFFlush(tiff_);
    if (!lastError.isEmpty()) fail(QStringLiteral("Cannot write the TIFF file"));
    TIFFClose(tiff_);
    tiff_ = nullptr;
    if (!lastError.isEmpty()) fail(QStringLiteral("Cannot write the TIFF file"));
    return buffer;
}

} // namespace pix
