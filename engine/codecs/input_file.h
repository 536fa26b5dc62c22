// A whole file's bytes for the readers: regular files are mapped (no copy, no fresh buffer to
// fault in), anything else is read into memory. A mapped file that another program shortens
// while it is being read does not crash the reader: the pages past the new end read as zeros,
// and checkUnchanged() reports it.
#pragma once

#include "codec.h"

#include <QByteArray>
#include <QString>

namespace pix {

class InputFile {
public:
    // Opens and maps or reads the file; throws PixError(kErrIo) naming the path and the cause.
    // `source` names the operation in the error.
    InputFile(const QString& path, const QString& source);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    Bytes bytes() const { return {data_, size_}; }
    // The bytes without a copy; valid while this object lives.
    QByteArray byteArray() const {
        return QByteArray::fromRawData(reinterpret_cast<const char*>(data_), qsizetype(size_));
    }
    // Throws PixError(kErrIo) when the file was shortened while mapped: what was read from it is
    // not the file.
    void checkUnchanged() const;

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    void* mapping_ = nullptr;
    int guardSlot_ = -1; // the bus-error guard's slot watching the mapping
    QString path_, source_;
    QByteArray read_; // the bytes when the file could not be mapped
};

} // namespace pix
