#include "jpeg_lib.h"

#include "../pix_error.h"

#include <cstdlib>
#include <cstring>
#include <jerror.h>

namespace pix {

namespace {

// Progressive files may hold any number of scans; a hostile one uses thousands to burn time.
constexpr int kMaxScans = 500;

void onFatal(j_common_ptr c) {
    auto* err = reinterpret_cast<JpegErrorManager*>(c->err);
    c->err->format_message(c, err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr c, int level) {
    // Warnings never end a read: libjpeg resynchronises at the next restart marker. The data ends
    // early when it runs out, or when the marker it hit is the end of the image.
    if (level >= 0) return;
    auto* err = reinterpret_cast<JpegErrorManager*>(c->err);
    if (!err->warning[0]) c->err->format_message(c, err->warning);
    const int code = c->err->msg_code;
    const bool atEnd =
        code == JWRN_JPEG_EOF || (code == JWRN_HIT_MARKER && c->is_decompressor &&
                                  reinterpret_cast<j_decompress_ptr>(c)->unread_marker == JPEG_EOI);
    err->incomplete = err->incomplete || atEnd;
}

void onProgress(j_common_ptr c) {
    if (!c->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<JpegErrorManager*>(c->err);
        std::snprintf(err->message, sizeof err->message, "More than %d scans", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

} // namespace

jpeg_error_mgr* installJpegErrors(JpegErrorManager& err) {
    jpeg_error_mgr* mgr = jpeg_std_error(&err.mgr);
    mgr->error_exit = onFatal;
    mgr->emit_message = onMessage;
    return mgr;
}

void raiseJpegError(const JpegErrorManager& err, const QString& source) {
    throw PixError(kErrCorruptImage,
                   QStringLiteral("JPEG error: %1").arg(QString::fromLocal8Bit(err.message)),
                   source);
}

JpegDecoder::JpegDecoder() {
    info.err = installJpegErrors(err);
    jpeg_create_decompress(&info);
}

JpegDecoder::~JpegDecoder() {
    jpeg_destroy_decompress(&info);
}

void JpegDecoder::start(Bytes data) {
    progress.progress_monitor = onProgress;
    info.progress = &progress;
    info.mem->max_memory_to_use = 2048L * 1024 * 1024;
    // Many files lack the end marker. Supplying it lets a complete picture decode cleanly,
    // while a truncated one runs into the marker early and is noted as incomplete.
    const bool ended = data.size() >= 2 && data[data.size() - 2] == 0xFF && data.back() == 0xD9;
    if (!ended) {
        withEnd.assign(data.begin(), data.end());
        withEnd.insert(withEnd.end(), {0xFF, 0xD9});
        data = Bytes(withEnd);
    }
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    for (int m = 0; m < 16; ++m) jpeg_save_markers(&info, JPEG_APP0 + m, 0xFFFF);
}

JpegEncoder::JpegEncoder() {
    info.err = installJpegErrors(err);
    jpeg_create_compress(&info);
}

JpegEncoder::~JpegEncoder() {
    jpeg_destroy_compress(&info);
    std::free(buffer);
}

void JpegEncoder::startMemoryOutput() {
    jpeg_mem_dest(&info, &buffer, &size);
}

QByteArray JpegEncoder::bytes() const {
    return QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
}

void writeJpegMarkers(jpeg_compress_struct& info, const QList<JpegMarker>& markers, uint32_t mask) {
    for (const JpegMarker& m : markers) {
        const int app = m.code - JPEG_APP0;
        if (app < 1 || app > 15 || !(mask & (1u << (app - 1)))) continue;
        jpeg_write_marker(&info, m.code, reinterpret_cast<const JOCTET*>(m.data.constData()),
                          unsigned(m.data.size()));
    }
}

QList<JpegMarker> savedJpegMarkers(const jpeg_decompress_struct& info) {
    QList<JpegMarker> out;
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        if (m->marker < JPEG_APP0 || m->marker > JPEG_APP0 + 15) continue;
        out.append(JpegMarker{m->marker, QByteArray(reinterpret_cast<const char*>(m->data),
                                                    qsizetype(m->data_length))});
    }
    return out;
}

} // namespace pix
