// Assembling the pictures a scanner sends: grey or interleaved colour lines of 1, 8 or 16 bits,
// or a colour picture sent as three single-colour frames.
#pragma once

#include <QByteArray>
#include <QImage>

namespace platform {

enum class ScanBand { Gray, Rgb, Red, Green, Blue };

struct ScanFrame {
    ScanBand band = ScanBand::Gray;
    int width = 0;        // pixels per line
    int bytesPerLine = 0; // as sent
    int depth = 8;        // bits per sample: 1, 8 or 16
    QByteArray data;      // whole lines, top first
};

// Writes one frame into `picture` (made at the frame's size on the first frame): grey and
// interleaved colour fill it, a single-colour frame sets its channel. 1-bit samples are black
// when set. Returns false for a frame it cannot read (depth, size or band mismatch).
bool addScanFrame(const ScanFrame& frame, QImage& picture);

} // namespace platform
