#include "view_scale.h"

#include <algorithm>
#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

namespace pix::view {

namespace {

bool cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// Runs the rows of `area` through `row(y)`. Work in the background (with a cancel flag) keeps
// to its own thread and stops early once cancelled; otherwise bands are shared out between
// threads.
template <typename Row>
bool forRows(const QRect& area, const std::atomic<bool>* cancel, const Row& row) {
    if (cancel) {
        for (int y = area.top(); y <= area.bottom() && !cancelled(cancel); ++y) row(y);
        return !cancelled(cancel);
    }
    if (!area.isEmpty())
        cv::parallel_for_(cv::Range(area.top(), area.bottom() + 1), [&](const cv::Range& rows) {
            for (int y = rows.start; y < rows.end; ++y) row(y);
        });
    return true;
}

// How one axis of a scaled image samples the source: for each target index, the first source
// index and its weights (summing to 256). The nearest pixel has the single weight 256.
struct AxisTaps {
    std::vector<int> first, offset, count;
    std::vector<uint32_t> weight;
};

AxisTaps axisTaps(int from, int to, int begin, int end, bool smooth) {
    AxisTaps t;
    const int64_t src = from, dst = to;
    for (int64_t d = begin; d < end; ++d) {
        t.offset.push_back(int(t.weight.size()));
        if (!smooth) {
            t.first.push_back(int(std::min(src - 1, (2 * d + 1) * src / (2 * dst))));
            t.count.push_back(1);
            t.weight.push_back(256);
            continue;
        }
        // Target pixel d covers [d * src, (d + 1) * src) in units of 1 / dst source pixel.
        const int64_t lo = d * src, hi = (d + 1) * src;
        const int64_t i0 = lo / dst, i1 = std::min(src - 1, (hi - 1) / dst);
        int64_t covered = 0, given = 0;
        for (int64_t i = i0; i <= i1; ++i) {
            covered += std::min(hi, (i + 1) * dst) - std::max(lo, i * dst);
            const int64_t upTo = (256 * covered + src / 2) / src;
            t.weight.push_back(uint32_t(upTo - given));
            given = upTo;
        }
        t.first.push_back(int(i0));
        t.count.push_back(int(i1 - i0 + 1));
    }
    return t;
}

} // namespace

QSize halvedSize(QSize size) {
    return QSize(std::max(1, size.width() / 2), std::max(1, size.height() / 2));
}

QRect halvedRect(const QRect& rect, QSize size) {
    if (rect.isEmpty()) return {};
    const int x0 = rect.left() / 2, y0 = rect.top() / 2;
    const int x1 = (rect.right() + 2) / 2, y1 = (rect.bottom() + 2) / 2; // exclusive
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)) & QRect(QPoint(), halvedSize(size));
}

bool halveInto(const QImage& src, QImage& out, const QRect& area, const std::atomic<bool>* cancel) {
    const QRect rect = area & out.rect();
    const int sw = src.width(), sh = src.height();
    const uchar* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    uchar* outBits = out.bits();
    const qsizetype outStride = out.bytesPerLine();
    return forRows(rect, cancel, [&](int y) {
        const auto* a =
            reinterpret_cast<const QRgb*>(srcBits + std::min(2 * y, sh - 1) * srcStride);
        const auto* b =
            reinterpret_cast<const QRgb*>(srcBits + std::min(2 * y + 1, sh - 1) * srcStride);
        auto* o = reinterpret_cast<QRgb*>(outBits + y * outStride);
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const int x0 = std::min(2 * x, sw - 1), x1 = std::min(2 * x + 1, sw - 1);
            const QRgb p[4] = {a[x0], a[x1], b[x0], b[x1]};
            auto avg = [&](int shift) {
                int sum = 0;
                for (QRgb q : p) sum += int((q >> shift) & 0xFF);
                return uint32_t((sum + 2) / 4) << shift;
            };
            o[x] = avg(24) | avg(16) | avg(8) | avg(0);
        }
    });
}

QRect scaledRect(const QRect& rect, QSize from, QSize to) {
    if (rect.isEmpty() || from.isEmpty() || to.isEmpty()) return {};
    // A target pixel reads the source pixels under it and, when smooth, the ones it touches:
    // one pixel more each side covers both.
    auto range = [](int a, int b, int64_t src, int64_t dst) {
        const int64_t lo = a * dst / src - 1, hi = ((b + 1) * dst + src - 1) / src + 1;
        return std::pair<int, int>(int(std::max<int64_t>(0, lo)),
                                   int(std::min<int64_t>(dst - 1, hi)));
    };
    const auto [x0, x1] = range(rect.left(), rect.right(), from.width(), to.width());
    const auto [y0, y1] = range(rect.top(), rect.bottom(), from.height(), to.height());
    return QRect(QPoint(x0, y0), QPoint(x1, y1));
}

bool scaleInto(const QImage& src, QImage& dst, const QRect& area, bool smooth,
               const std::atomic<bool>* cancel) {
    const QRect rect = area & dst.rect();
    if (rect.isEmpty() || src.isNull()) return !cancelled(cancel);
    const AxisTaps tx = axisTaps(src.width(), dst.width(), rect.left(), rect.right() + 1, smooth);
    const AxisTaps ty = axisTaps(src.height(), dst.height(), rect.top(), rect.bottom() + 1, smooth);
    const uchar* srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    uchar* dstBits = dst.bits();
    const qsizetype dstStride = dst.bytesPerLine();
    return forRows(rect, cancel, [&](int y) {
        const int j = y - rect.top();
        auto* out = reinterpret_cast<QRgb*>(dstBits + y * dstStride) + rect.left();
        if (!smooth) {
            const auto* row = reinterpret_cast<const QRgb*>(srcBits + ty.first[j] * srcStride);
            for (int i = 0; i < rect.width(); ++i) out[i] = row[tx.first[i]];
            return;
        }
        for (int i = 0; i < rect.width(); ++i) {
            uint32_t acc[4] = {0, 0, 0, 0};
            for (int v = 0; v < ty.count[j]; ++v) {
                const auto* row =
                    reinterpret_cast<const QRgb*>(srcBits + (ty.first[j] + v) * srcStride);
                const uint32_t wy = ty.weight[ty.offset[j] + v];
                for (int u = 0; u < tx.count[i]; ++u) {
                    const QRgb p = row[tx.first[i] + u];
                    const uint32_t w = wy * tx.weight[tx.offset[i] + u];
                    for (int c = 0; c < 4; ++c) acc[c] += ((p >> (8 * c)) & 0xFF) * w;
                }
            }
            QRgb p = 0;
            for (int c = 0; c < 4; ++c) p |= ((acc[c] + 32768) >> 16) << (8 * c);
            out[i] = p;
        }
    });
}

} // namespace pix::view
