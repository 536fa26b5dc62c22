#include "palettes.h"

#include "op_support.h"

#include <array>

namespace pix::ops {

namespace {

// The 16 colours of the classic 4-bit display palette, black first, white last.
constexpr std::array<QRgb, 16> kSixteen = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

// The 20 colours a desktop reserves in its system palette: the 16 above and four pastels.
constexpr std::array<QRgb, 4> kSystemExtras = {0xFFC0DCC0, 0xFFA6CAF0, 0xFFFFFBF0, 0xFFA0A0A4};

} // namespace

QList<QRgb> builtInPalette(int kind) {
    QList<QRgb> out;
    switch (kind) {
    case kSystemPalette:
        out = QList<QRgb>(kSixteen.begin(), kSixteen.end() - 1);
        out += QList<QRgb>(kSystemExtras.begin(), kSystemExtras.end());
        out.append(kSixteen.back());
        break;
    case kWebPalette: // the 6 x 6 x 6 cube of levels 0, 51, ..., 255
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) out.append(qRgb(r * 51, g * 51, b * 51));
        break;
    case kSixteenPalette:
        out = QList<QRgb>(kSixteen.begin(), kSixteen.end());
        break;
    case kBlackWhite:
        out = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        break;
    default:
        require(false, QStringLiteral("Unknown palette kind %1").arg(kind), "Palette");
    }
    return out;
}

PaletteFile parsePaletteFile(const QByteArray& bytes) {
    PaletteFile file;
    if (bytes.size() != kPaletteFileSize) {
        file.fault = PaletteFileFault::Size;
        return file;
    }
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (uchar(bytes[i]) > 63) {
            file.fault = PaletteFileFault::Level;
            return file;
        }
    for (qsizetype i = 0; i < bytes.size(); i += 3)
        file.colours.append(
            qRgb(4 * uchar(bytes[i]), 4 * uchar(bytes[i + 1]), 4 * uchar(bytes[i + 2])));
    return file;
}

QImage paletteChart(const QList<QRgb>& colours) {
    QImage chart = newImage32(256, 128, false, "Palette");
    for (int y = 0; y < 128; ++y) {
        auto* row = reinterpret_cast<QRgb*>(chart.scanLine(y));
        for (int x = 0; x < 256; ++x) {
            const int entry = (y / 8) * 16 + x / 16;
            row[x] = (entry < colours.size() ? colours[entry] : 0) | 0xFF000000u;
        }
    }
    return chart;
}

} // namespace pix::ops
