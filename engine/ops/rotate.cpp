#include "rotate.h"

#include "op_support.h"

#include "engine/image_limits.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

namespace {

// Source pixel of every output pixel through the inverse affine map `inv` (output -> source),
// bilinear or nearest, with `fill` outside the source. Colour is filtered premultiplied.
QImage warpAffine(const QImage& src, const cv::Matx23d& inv, QSize size, QRgb fill, bool nearest,
                  const ProgressFn& progress, const char* source) {
    const bool alpha = src.format() == QImage::Format_ARGB32 || qAlpha(fill) != 255;
    QImage dst = newImage32(size.width(), size.height(), alpha, source);
    const bool premultiply = alpha && !nearest;
    QImage in = src;
    if (premultiply && src.format() == QImage::Format_ARGB32) {
        in = src.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        requireAllocated(in, source);
    }
    const QRgb f = premultiply ? qPremultiply(fill) : (alpha ? fill : (fill | 0xFF000000u));
    const cv::Mat srcMat(in.height(), in.width(), CV_8UC4, const_cast<uchar*>(in.constBits()),
                         size_t(in.bytesPerLine()));
    const RowView out(dst);
    const cv::Scalar border(qBlue(f), qGreen(f), qRed(f), qAlpha(f));
    forEachRowBand(
        dst.height(), progress,
        [&](int y0, int y1) {
            cv::Mat band(y1 - y0, dst.width(), CV_8UC4, out.bytes(y0), size_t(dst.bytesPerLine()));
            cv::Matx23d m = inv;
            m(0, 2) += m(0, 1) * y0;
            m(1, 2) += m(1, 1) * y0;
            cv::warpAffine(srcMat, band, cv::Mat(m), band.size(),
                           (nearest ? cv::INTER_NEAREST : cv::INTER_LINEAR) | cv::WARP_INVERSE_MAP,
                           cv::BORDER_CONSTANT, border);
            // An RGB32 source and an opaque fill already give alpha 255 everywhere.
            if (premultiply)
                forEachRowBand(band.rows, {}, [&](int r0, int r1) {
                    for (int y = r0; y < r1; ++y)
                        unpremultiplyRow(band.ptr<uint32_t>(y), band.cols);
                });
        },
        0, 100, 0);
    return dst;
}

// `src` turned clockwise by quarter turns (1, 2 or 3), moving pixels exactly, in 64-pixel tiles.
QImage quarterTurns(const QImage& src, int turns, const ProgressFn& progress) {
    const int w = src.width(), h = src.height();
    const bool swap = turns != 2;
    QImage dst = newImage32(swap ? h : w, swap ? w : h, src.format() == QImage::Format_ARGB32,
                            "Effects.Rotate");
    constexpr int kTile = 64;
    const uchar* base = src.constBits();
    const qsizetype stride = src.bytesPerLine();
    auto pixel = [&](int sx, int sy) {
        return reinterpret_cast<const uint32_t*>(base + sy * stride)[sx];
    };
    const RowView out(dst);
    forEachRowBand(dst.height(), progress, [&](int y0, int y1) {
        for (int ty = y0; ty < y1; ty += kTile)
            for (int tx = 0; tx < dst.width(); tx += kTile)
                for (int y = ty; y < std::min(y1, ty + kTile); ++y) {
                    uint32_t* row = out[y];
                    const int xEnd = std::min(dst.width(), tx + kTile);
                    // Source of output (x, y) for each clockwise turn count.
                    if (turns == 1)
                        for (int x = tx; x < xEnd; ++x) row[x] = pixel(y, h - 1 - x);
                    else if (turns == 2)
                        for (int x = tx; x < xEnd; ++x) row[x] = pixel(w - 1 - x, h - 1 - y);
                    else
                        for (int x = tx; x < xEnd; ++x) row[x] = pixel(w - 1 - y, x);
                }
    });
    return dst;
}

} // namespace

QSize rotatedBounds(int w, int h, double degrees) {
    const double r = degrees * M_PI / 180.0;
    const double c = std::abs(std::cos(r)), s = std::abs(std::sin(r));
    // The tolerance keeps 90-degree multiples from gaining a pixel to rounding noise.
    return QSize(int(std::ceil(w * c + h * s - 1e-6)), int(std::ceil(w * s + h * c - 1e-6)));
}

QImage rotate(const QImage& src, double degrees, QRgb fill, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Rotate";
    require(std::isfinite(degrees), QStringLiteral("Rotation angle is not a number"), kSource);
    double a = std::fmod(degrees, 360.0);
    if (a < 0) a += 360.0;
    const double quarters = a / 90.0;
    if (std::abs(quarters - std::round(quarters)) < 1e-9) {
        const int turns = int(std::round(quarters)) % 4;
        return turns == 0 ? src.copy() : quarterTurns(src, turns, progress);
    }
    const QSize size = rotatedBounds(src.width(), src.height(), a);
    const double r = a * M_PI / 180.0, c = std::cos(r), s = std::sin(r);
    // Output pixel centre -> source pixel centre: turn back by the angle about both centres.
    const double cx = (size.width() - 1) / 2.0, cy = (size.height() - 1) / 2.0;
    const double sx = (src.width() - 1) / 2.0, sy = (src.height() - 1) / 2.0;
    const cv::Matx23d inv(c, s, sx - c * cx - s * cy, -s, c, sy + s * cx - c * cy);
    return warpAffine(src, inv, size, fill, false, progress, kSource);
}

QImage skew(const QImage& src, int direction, int offset, QRgb fill, bool fast,
            const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Skew";
    require(direction == 0 || direction == 1,
            QStringLiteral("Skew direction must be 0 (horizontal) or 1 (vertical), not %1")
                .arg(direction),
            kSource);
    require(std::abs(int64_t(offset)) <= kMaxSide,
            QStringLiteral("Skew offset %1 is too large").arg(offset), kSource);
    const int w = src.width(), h = src.height();
    const int along = direction == 0 ? h : w; // the axis along which the shift grows
    const double slope = along > 1 ? double(offset) / (along - 1) : 0.0;
    const double base = offset < 0 ? -offset : 0.0;
    // Horizontal: source x = x - (base + slope * y); vertical: source y = y - (base + slope * x).
    const cv::Matx23d inv = direction == 0 ? cv::Matx23d(1, -slope, -base, 0, 1, 0)
                                           : cv::Matx23d(1, 0, 0, -slope, 1, -base);
    const QSize size =
        direction == 0 ? QSize(w + std::abs(offset), h) : QSize(w, h + std::abs(offset));
    return warpAffine(src, inv, size, fill, fast, progress, kSource);
}

} // namespace pix::ops
