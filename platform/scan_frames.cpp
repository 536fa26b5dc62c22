#include "scan_frames.h"

namespace platform {

namespace {

// Sample `i` of a line as 8 bits (16-bit samples arrive in the machine's byte order).
int sample(const uchar* line, int i, int depth) {
    switch (depth) {
    case 1:
        return (line[i >> 3] >> (7 - (i & 7))) & 1 ? 0 : 255; // a set bit is black
    case 16:
        return reinterpret_cast<const quint16*>(line)[i] >> 8;
    default:
        return line[i];
    }
}

} // namespace

bool addScanFrame(const ScanFrame& frame, QImage& picture) {
    const int samples = frame.band == ScanBand::Rgb ? 3 : 1;
    if ((frame.depth != 1 && frame.depth != 8 && frame.depth != 16) || frame.width <= 0 ||
        frame.bytesPerLine < (int64_t(frame.width) * samples * frame.depth + 7) / 8 ||
        (frame.depth == 1 && samples != 1))
        return false;
    const int lines = int(frame.data.size() / frame.bytesPerLine);
    const bool single = frame.band != ScanBand::Gray && frame.band != ScanBand::Rgb;
    if (picture.isNull()) {
        picture = QImage(frame.width, lines, QImage::Format_RGB32);
        if (picture.isNull()) return false;
        picture.fill(Qt::black);
    } else if (!single || picture.width() != frame.width || picture.height() != lines) {
        return false;
    }
    const int shift = frame.band == ScanBand::Red ? 16 : frame.band == ScanBand::Green ? 8 : 0;
    for (int y = 0; y < lines; ++y) {
        const auto* in = reinterpret_cast<const uchar*>(frame.data.constData()) +
                         qsizetype(y) * frame.bytesPerLine;
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < frame.width; ++x) {
            if (frame.band == ScanBand::Gray) {
                const int v = sample(in, x, frame.depth);
                out[x] = qRgb(v, v, v);
            } else if (frame.band == ScanBand::Rgb) {
                out[x] = qRgb(sample(in, 3 * x, frame.depth), sample(in, 3 * x + 1, frame.depth),
                              sample(in, 3 * x + 2, frame.depth));
            } else {
                out[x] = (out[x] & ~(0xFFu << shift)) | (QRgb(sample(in, x, frame.depth)) << shift);
            }
        }
    }
    return true;
}

} // namespace platform
