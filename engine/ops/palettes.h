// Palettes: the four built-in ones, the 768-byte palette file of 6-bit levels, and a chart that
// shows a palette's 256 entries as swatches.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace pix::ops {

// Built-in palette kinds, numbered as the engine's palette object numbers them.
enum PaletteKind : int {
    kSystemPalette = 1,
    kWebPalette = 2,
    kSixteenPalette = 3,
    kBlackWhite = 4
};

// The colours of a built-in palette (opaque); throws PixError for an unknown kind.
QList<QRgb> builtInPalette(int kind);

// A palette file holds exactly 768 bytes: 256 entries of red, green and blue levels 0..63.
inline constexpr qsizetype kPaletteFileSize = 768;

enum class PaletteFileFault { None, Size, Level };
struct PaletteFile {
    QList<QRgb> colours; // 256 entries, each level times 4, when the file is valid
    PaletteFileFault fault = PaletteFileFault::None;
};
PaletteFile parsePaletteFile(const QByteArray& bytes);

// 256 x 128 RGB32 chart: 16 columns of 16-pixel swatches by 16 rows of 8-pixel swatches, entry
// (y / 8) * 16 + x / 16 at (x, y); entries missing from `colours` are black.
QImage paletteChart(const QList<QRgb>& colours);

} // namespace pix::ops
