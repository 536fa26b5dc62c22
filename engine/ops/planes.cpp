#include "planes.h"

#include "op_support.h"

#include <vector>

namespace pix::ops {

QImage channelPlane(const QImage& src, int channel, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.GetPlane";
    require(src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32,
            QStringLiteral("Needs a 32-bit image"), kSource);
    require(channel >= 0 && channel <= 3, QStringLiteral("Plane %1 is not 0..3").arg(channel),
            kSource);
    const int shift = channel == 3 ? 24 : 16 - 8 * channel;
    QImage plane(src.size(), QImage::Format_Grayscale8);
    requireAllocated(plane, kSource);
    const RowView rows(plane);
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint8_t* o = rows.bytes(y);
            for (int x = 0; x < src.width(); ++x) o[x] = uint8_t(in[x] >> shift);
        }
    });
    return plane;
}

QImage normalizedDifference(const QImage& a, const QImage& b, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.NormalizedDifference";
    require(a.format() == QImage::Format_Grayscale8 && b.format() == QImage::Format_Grayscale8 &&
                a.size() == b.size(),
            QStringLiteral("Needs two 8-bit planes of the same size"), kSource);
    std::vector<uint8_t> table(65536); // by a * 256 + b
    for (int u = 0; u < 256; ++u)
        for (int v = 0; v < 256; ++v)
            table[size_t(u) * 256 + v] =
                u + v == 0 ? 128 : clampByte((double(u - v) / (u + v) + 1.0) * 127.5);
    QImage out(a.size(), QImage::Format_Grayscale8);
    requireAllocated(out, kSource);
    const RowView rows(out);
    forEachRowBand(a.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t *pa = a.constScanLine(y), *pb = b.constScanLine(y);
            uint8_t* o = rows.bytes(y);
            for (int x = 0; x < a.width(); ++x) o[x] = table[size_t(pa[x]) * 256 + pb[x]];
        }
    });
    return out;
}

} // namespace pix::ops
