// libjpeg plumbing shared by the JPEG reader, writer and transcoder: an error manager that turns
// libjpeg's fatal errors into a longjmp back to the caller and notes its warnings, and owners that
// always destroy the library objects.
//
// Pattern: declare the owner, then `if (setjmp(owner.err.jump)) owner.raise(source);` before the
// first library call. Only the owner (and objects reached through pointers) may be touched after
// the jump, so every C++ object the decoding fills lives outside the function that calls setjmp.
#pragma once

#include "codec.h"

#include <QString>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace pix {

struct JpegErrorManager {
    jpeg_error_mgr mgr{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX]{};
    // The first warning (libjpeg recovers from these), and whether the entropy data ended before
    // the picture was complete, so that libjpeg filled the rest with grey.
    char warning[JMSG_LENGTH_MAX]{};
    bool incomplete = false;
};

// Installs the error manager on a libjpeg object (before jpeg_create_*).
jpeg_error_mgr* installJpegErrors(JpegErrorManager& err);

// Throws PixError(kErrCorruptImage) with libjpeg's message after a longjmp.
[[noreturn]] void raiseJpegError(const JpegErrorManager& err, const QString& source);

struct JpegDecoder {
    JpegErrorManager err;
    jpeg_decompress_struct info{};
    jpeg_progress_mgr progress{};
    std::vector<uint8_t> withEnd; // the input with an end marker added, when it had none
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
    // Reads from memory, keeping every APPn marker and refusing files with an absurd scan count.
    void start(Bytes data);
};

struct JpegEncoder {
    JpegErrorManager err;
    jpeg_compress_struct info{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;
    // Writes into a buffer that libjpeg grows; bytes() copies it out after jpeg_finish_compress.
    void startMemoryOutput();
    QByteArray bytes() const;
};

// Writes the markers whose APP number is enabled in the mask (bit k = APP(k+1)); APP0 is the
// JFIF header libjpeg writes itself and is never copied. Call after jpeg_*_compress started.
void writeJpegMarkers(jpeg_compress_struct& info, const QList<JpegMarker>& markers, uint32_t mask);

// The APPn markers libjpeg saved while reading the header.
QList<JpegMarker> savedJpegMarkers(const jpeg_decompress_struct& info);

} // namespace pix
