// libtiff over a byte buffer or a file being saved: reading a file held in memory, writing a new
// one, or appending a page to an existing one, with libtiff's messages collected for the error
// text.
#pragma once

#include <QByteArray>
#include <QString>
#include <tiffio.h>

namespace pix {

class AtomicFile;

class TiffStream {
public:
    // mode: "r" reads `bytes`, "w" starts an empty file, "a" appends to `bytes`.
    TiffStream(QByteArray bytes, const char* mode, const QString& source);
    // Writes a new file straight into `out`.
    TiffStream(AtomicFile& out, const QString& source);
    ~TiffStream();
    TiffStream(const TiffStream&) = delete;
    TiffStream& operator=(const TiffStream&) = delete;

    TIFF* tiff() const { return tiff_; }
    // Throws PixError with libtiff's last message (or `what` when it said nothing).
    [[noreturn]] void fail(const QString& what) const;
    // Closes the file (flushing what libtiff holds) and hands back the bytes (none when writing to
    // a file); throws on failure.
    QByteArray finish();

    // Internal state reached from libtiff's callbacks.
    AtomicFile* file = nullptr;
    QByteArray buffer;
    qint64 pos = 0;
    QString lastError;

private:
    void open(const char* mode);

    TIFF* tiff_ = nullptr;
    QString source_;
};

} // namespace pix
