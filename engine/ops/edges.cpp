#include "edges.h"

#include "area_support.h"
#include "op_support.h"

#include <opencv2/imgproc.hpp>

namespace pix::ops {

QImage cannyEdge(const QImage& src, int intensity, int low, int high, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.CannyEdge";
    require(intensity >= 0 && intensity <= 100,
            QStringLiteral("Intensity %1 is not 0..100").arg(intensity), kSource);
    require(low >= 0 && low <= 100 && high >= 0 && high <= 100,
            QStringLiteral("Thresholds %1, %2 are not 0..100").arg(low).arg(high), kSource);
    if (!reportProgress(progress, 0))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QString::fromLatin1(kSource));
    cv::Mat grey;
    cv::cvtColor(matView(src), grey, cv::COLOR_BGRA2GRAY);
    if (!reportProgress(progress, 20))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QString::fromLatin1(kSource));
    cv::Mat edges;
    // A step of d levels gives a 3 x 3 Sobel gradient of 4 d.
    cv::Canny(grey, edges, 4.0 * low, 4.0 * high, 3, true);
    if (!reportProgress(progress, 80))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QString::fromLatin1(kSource));
    QImage out = newImageLike(src, kSource);
    const uint32_t level = uint32_t(intensity * 255 + 50) / 100;
    const uint32_t on = level * 0x010101u, w = uint32_t(src.width());
    const RowView rows(out);
    // Canny follows edges across the whole picture in one call: it cannot go in bands.
    forEachRowBand(
        src.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const uint8_t* e = edges.ptr<uint8_t>(y);
                const uint32_t* s = row32(src, y);
                uint32_t* d = rows[y];
                for (uint32_t x = 0; x < w; ++x) d[x] = (s[x] & 0xFF000000u) | (e[x] ? on : 0u);
            }
        },
        80, 100);
    return out;
}

} // namespace pix::ops
