#include "area_support.h"

#include "op_support.h"

#include <algorithm>

namespace pix::ops {

cv::Mat matView(const QImage& img) {
    return cv::Mat(img.height(), img.width(), CV_8UC4, const_cast<uchar*>(img.constBits()),
                   size_t(img.bytesPerLine()));
}

QImage filterImage(const QImage& src, AlphaMode mode, bool opaqueAlphaSafe,
                   const std::function<void(const cv::Mat& in, cv::Mat& out)>& filter,
                   const char* source) {
    const bool hasAlpha = src.format() == QImage::Format_ARGB32;
    const bool varying = hasAlpha && !isOpaque(src);
    const bool premultiplied = varying && mode != AlphaMode::KeepStraight;
    const int w = src.width();
    QImage in = src;
    if (premultiplied) {
        in = newImageLike(src, source);
        const RowView rows(in);
        forEachRowBand(src.height(), {}, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const uint32_t* s = row32(src, y);
                uint32_t* d = rows[y];
                for (int x = 0; x < w; ++x) d[x] = premul(s[x]);
            }
        });
    }
    QImage out = newImageLike(src, source);
    cv::Mat outMat = matView(out);
    filter(matView(in), outMat);
    const bool keepAlpha = mode != AlphaMode::Filter || !hasAlpha;
    if (!premultiplied && (varying ? !keepAlpha : opaqueAlphaSafe)) return out;
    // Undo the premultiplication by the filtered alpha, then put the kept alpha back.
    const RowView rows(out);
    forEachRowBand(src.height(), {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* d = rows[y];
            const uint32_t* s = row32(src, y);
            if (premultiplied) {
                for (int x = 0; x < w; ++x) d[x] = unpremul(d[x]);
            }
            if (!keepAlpha) continue;
            if (varying) {
                for (int x = 0; x < w; ++x) d[x] = (d[x] & 0x00FFFFFFu) | (s[x] & 0xFF000000u);
            } else {
                for (int x = 0; x < w; ++x) d[x] |= 0xFF000000u;
            }
        }
    });
    return out;
}

void filterRows(const cv::Mat& in, cv::Mat& out, const ProgressFn& progress,
                const std::function<void(const cv::Mat& in, cv::Mat& out)>& op, int percentFrom,
                int percentTo) {
    forEachRowBand(
        in.rows, progress,
        [&](int y0, int y1) {
            cv::Mat o = out.rowRange(y0, y1);
            op(in.rowRange(y0, y1), o);
        },
        percentFrom, percentTo, 0);
}

void filterRowsWithHalo(const cv::Mat& in, cv::Mat& out, int radius, const ProgressFn& progress,
                        const std::function<void(const cv::Mat& in, cv::Mat& out)>& op,
                        int percentFrom, int percentTo) {
    const int h = in.rows;
    constexpr int kBandRows = 64;
    forEachRowBand(
        h, progress,
        [&](int y0, int y1) {
            thread_local cv::Mat tmp;
            for (int b0 = y0; b0 < y1; b0 += kBandRows) {
                const int b1 = std::min(y1, b0 + kBandRows);
                const int h0 = std::max(0, b0 - radius), h1 = std::min(h, b1 + radius);
                op(in.rowRange(h0, h1), tmp);
                tmp.rowRange(b0 - h0, b1 - h0).copyTo(out.rowRange(b0, b1));
            }
        },
        percentFrom, percentTo, 8);
}

} // namespace pix::ops
