// Bounds-checked reading of little- and big-endian values from a byte buffer, and the matching
// appenders for writers. Every read past the end throws PixError(kErrCorruptImage).
#pragma once

#include "../pix_error.h"
#include "codec.h"
#include "codec_progress.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdint>

namespace pix {

// Throws the corrupt-file error every reader raises.
[[noreturn]] inline void throwCorrupt(const QString& what, const QString& source) {
    throw PixError(kErrCorruptImage, what, source);
}

class ByteReader {
public:
    ByteReader(Bytes data, QString source) : data_(data), source_(std::move(source)) {}

    size_t pos() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    const QString& source() const { return source_; }
    Bytes data() const { return data_; }

    [[noreturn]] void fail(const QString& what) const { throwCorrupt(what, source_); }

    void seek(uint64_t pos) {
        if (pos > data_.size()) fail(QStringLiteral("Offset %1 lies outside the file").arg(pos));
        pos_ = size_t(pos);
    }
    void skip(uint64_t n) { take(n); }

    // The next n bytes as a view; the reader moves past them.
    Bytes take(uint64_t n) {
        if (n > remaining())
            fail(QStringLiteral("Unexpected end of file at offset %1 (%2 more bytes needed)")
                     .arg(pos_)
                     .arg(n));
        Bytes out = data_.subspan(pos_, size_t(n));
        pos_ += size_t(n);
        return out;
    }

    uint8_t u8() { return take(1)[0]; }
    uint16_t u16le() { return uint16_t(le(2)); }
    uint32_t u32le() { return uint32_t(le(4)); }
    int16_t i16le() { return int16_t(u16le()); }
    int32_t i32le() { return int32_t(u32le()); }
    uint16_t u16be() { return uint16_t(be(2)); }
    uint32_t u32be() { return uint32_t(be(4)); }
    int16_t i16be() { return int16_t(u16be()); }
    int32_t i32be() { return int32_t(u32be()); }

private:
    uint64_t le(int n) {
        const Bytes b = take(size_t(n));
        uint64_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[size_t(i)];
        return v;
    }
    uint64_t be(int n) {
        const Bytes b = take(size_t(n));
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | b[size_t(i)];
        return v;
    }

    Bytes data_;
    size_t pos_ = 0;
    QString source_;
};

// Appends values to a growing file image.
class ByteWriter {
public:
    QByteArray& bytes() { return out_; }
    qsizetype size() const { return out_.size(); }

    void u8(uint32_t v) { out_.append(char(v & 0xFF)); }
    void u16le(uint32_t v) { put(v, 2, false); }
    void u32le(uint32_t v) { put(v, 4, false); }
    void u16be(uint32_t v) { put(v, 2, true); }
    void u32be(uint32_t v) { put(v, 4, true); }
    void raw(const void* p, qsizetype n) { out_.append(static_cast<const char*>(p), n); }
    void raw(const QByteArray& b) { out_.append(b); }
    // Appends a large block in pieces, reporting them as from..to % of the current codec stage,
    // with room kept for the few records that usually follow it.
    void rawReported(const QByteArray& b, int from, int to) {
        out_.reserve(out_.size() + b.size() + 4096);
        constexpr qsizetype kPiece = qsizetype(4) << 20;
        for (qsizetype at = 0; at < b.size(); at += kPiece) {
            reportCodecRows(at, b.size(), from, to);
            out_.append(b.constData() + at, std::min(kPiece, b.size() - at));
        }
    }
    void fill(uint8_t v, qsizetype n) { out_.append(n, char(v)); }
    // Overwrites a 32-bit value written earlier (sizes known only at the end).
    void patch32le(qsizetype at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out_[at + i] = char((v >> (8 * i)) & 0xFF);
    }
    void patch32be(qsizetype at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out_[at + i] = char((v >> (8 * (3 - i))) & 0xFF);
    }

private:
    void put(uint32_t v, int n, bool bigEndian) {
        for (int i = 0; i < n; ++i) u8(v >> (8 * (bigEndian ? n - 1 - i : i)));
    }
    QByteArray out_;
};

} // namespace pix
