// Saving a file without ever leaving a half-written one in its place: the bytes go to a
// temporary file in the same folder, which replaces the target only once it is complete and on
// disk. Writeback starts while the file is still being written, so the final flush waits little.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pix {

class AtomicFile {
public:
    // Creates the temporary file next to `path`; throws PixError when the folder refuses it.
    explicit AtomicFile(const QString& path);
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Writes n bytes at offset. Returns false (and keeps errno in error()) on failure, so that
    // callers inside C library callbacks can report it without throwing.
    bool writeAt(int64_t offset, const void* data, int64_t n);
    // Reads back up to n bytes at offset; the count read, or -1.
    int64_t readAt(int64_t offset, void* data, int64_t n) const;
    int64_t size() const { return size_; }
    int error() const { return error_; }

    // Appends the bytes; throws PixError on failure.
    void append(const QByteArray& bytes);
    // Throws PixError for the failure recorded by writeAt (or `err`), naming the target.
    [[noreturn]] void fail(const QString& what, int err = 0) const;
    // Gives the file the target's permissions, flushes it to disk and renames it over the target.
    // Throws PixError on failure; the target is then untouched.
    void commit();

private:
    void startWriteback();

    QString path_;
    QByteArray target_, temp_;
    int fd_ = -1;
    int64_t size_ = 0;
    int64_t writebackFrom_ = 0; // bytes before this offset are already on their way to disk
    int error_ = 0;
    bool committed_ = false;
};

// Writes bytes to path atomically, keeping the target's permissions. Throws PixError with errno's
// text on failure.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Test hook: makes writes fail with errnoValue (as a full disk would) once `afterBytes` bytes are
// in the file; 0 turns it off.
void injectWriteFailureForTesting(int errnoValue, long long afterBytes = 0);

} // namespace pix
