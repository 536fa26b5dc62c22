#include "drop_shadow.h"

#include "area_support.h"
#include "engine/image_limits.h"
#include "op_support.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Effects.DropShadow";

// How far the blur reaches beyond the shape: three standard deviations.
int blurReach(double blur) {
    return int(std::ceil(3.0 * shadowSigma(blur)));
}

} // namespace

double shadowSigma(double blur) {
    return blur / 32.0;
}

QRect shadowCanvas(QSize image, int offsetX, int offsetY, double blur, bool increaseCanvas) {
    const QRect own(QPoint(0, 0), image);
    if (!increaseCanvas) return own;
    const int reach = blurReach(blur);
    return own.united(own.translated(offsetX, offsetY).adjusted(-reach, -reach, reach, reach));
}

QImage dropShadow(const QImage& src, int offsetX, int offsetY, QRgb colour, double blur,
                  bool increaseCanvas, const ProgressFn& progress) {
    require(std::isfinite(blur) && blur >= 0 && blur <= 1000,
            QStringLiteral("Shadow blur %1 is not in 0..1000").arg(blur), kSource);
    const int limit = kMaxSide;
    require(std::abs(offsetX) <= limit && std::abs(offsetY) <= limit,
            QStringLiteral("Shadow offset %1, %2 is too far").arg(offsetX).arg(offsetY), kSource);
    const QRect canvas = shadowCanvas(src.size(), offsetX, offsetY, blur, increaseCanvas);
    checkImageSize(canvas.width(), canvas.height(), QString::fromLatin1(kSource));
    if (!reportProgress(progress, 0))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QString::fromLatin1(kSource));
    const bool opaque = src.format() == QImage::Format_RGB32 || isOpaque(src);
    if (!increaseCanvas && opaque) // the shadow lies wholly under the image
        return src.convertToFormat(QImage::Format_ARGB32);

    // The shape's alpha at its shadow place, with room for the blur on every side.
    const int reach = blurReach(blur);
    cv::Mat mask = cv::Mat::zeros(canvas.height() + 2 * reach, canvas.width() + 2 * reach, CV_8UC1);
    const QRect shadow = QRect(QPoint(0, 0), src.size()).translated(offsetX, offsetY);
    const QRect visible = shadow & canvas.adjusted(-reach, -reach, reach, reach);
    const int mx = reach - canvas.left(), my = reach - canvas.top();
    forEachRowBand(
        visible.height(), progress,
        [&](int r0, int r1) {
            for (int y = visible.top() + r0; y < visible.top() + r1; ++y) {
                const uint32_t* in = row32(src, y - offsetY);
                uint8_t* m = mask.ptr<uint8_t>(y + my);
                for (int x = visible.left(); x <= visible.right(); ++x)
                    m[x + mx] = opaque ? 255 : uint8_t(in[x - offsetX] >> 24);
            }
        },
        0, 10);
    if (reach > 0) {
        // In bands with their halo rows (exactly the whole picture's blur), reporting between.
        cv::Mat blurred(mask.size(), CV_8UC1);
        filterRowsWithHalo(
            mask, blurred, reach, progress,
            [&](const cv::Mat& in, cv::Mat& out) {
                cv::GaussianBlur(in, out, cv::Size(2 * reach + 1, 2 * reach + 1), shadowSigma(blur),
                                 shadowSigma(blur), cv::BORDER_CONSTANT | cv::BORDER_ISOLATED);
            },
            10, 60);
        mask = blurred;
    }

    QImage out = newImage32(canvas.width(), canvas.height(), true, kSource);
    const RowView rows(out);
    const uint32_t opacity = qAlpha(colour), cr = qRed(colour), cg = qGreen(colour),
                   cb = qBlue(colour);
    forEachRowBand(
        out.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uint32_t* dst = rows[y];
                const uint8_t* m = mask.ptr<uint8_t>(y + reach);
                const int sy = y + canvas.top();
                const uint32_t* in = sy >= 0 && sy < src.height() ? row32(src, sy) : nullptr;
                for (int x = 0; x < out.width(); ++x) {
                    const int sx = x + canvas.left();
                    const uint32_t p = in && sx >= 0 && sx < src.width()
                                           ? (opaque ? in[sx] | 0xFF000000u : in[sx])
                                           : 0;
                    const uint32_t a = p >> 24;
                    if (a == 255) {
                        dst[x] = p;
                        continue;
                    }
                    // The image over the shadow (alphas and colours in 0..255, products by 255^2).
                    const uint32_t s = (m[x + reach] * opacity + 127) / 255;
                    const uint32_t under = s * (255 - a); // shadow's share, times 255
                    const uint32_t total = a * 255 + under;
                    if (total == 0) {
                        dst[x] = 0;
                        continue;
                    }
                    auto mix = [&](uint32_t c, uint32_t shade) {
                        return (c * a * 255 + shade * under + total / 2) / total;
                    };
                    dst[x] = (((total + 127) / 255) << 24) | (mix((p >> 16) & 0xFF, cr) << 16) |
                             (mix((p >> 8) & 0xFF, cg) << 8) | mix(p & 0xFF, cb);
                }
            }
        },
        reach > 0 ? 60 : 0, 100);
    return out;
}

} // namespace pix::ops
