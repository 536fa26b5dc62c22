#include "perspective.h"

#include "engine/image_limits.h"
#include "op_support.h"
#include "sample_bilinear.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <vector>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Effects.Perspective";

// Twice the signed area of the triangle a, b, c.
double cross(QPointF a, QPointF b, QPointF c) {
    return (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
}

// Whether no three of the four points lie on one line (within a hundredth of a pixel squared).
bool proper(const Quad& q) {
    for (int skip = 0; skip < 4; ++skip) {
        QPointF p[3];
        for (int i = 0, k = 0; i < 4; ++i)
            if (i != skip) p[k++] = q[size_t(i)];
        if (std::abs(cross(p[0], p[1], p[2])) < 1e-2) return false;
    }
    for (const QPointF& p : q)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || std::abs(p.x()) > 1e7 ||
            std::abs(p.y()) > 1e7)
            return false;
    return true;
}

// The projective sums of a canvas pixel: numerators of u and v and the common denominator.
struct Sums {
    double nu, nv, d;
};

// `count` pixels of a canvas row from the sums of its first one, each pixel sampled at its
// pre-image under `m` and the sums stepped by m's first column; `side` is the sign of the
// denominator in front of the horizon.
PIX_HOT void warpRow(uint32_t* dst, int count, Sums s, const std::array<double, 9>& m, double side,
                     const SampleSource& source, bool opaque) {
    for (int x = 0; x < count; ++x) {
        if (s.d * side > 1e-12) {
            const double inv = 1.0 / s.d;
            dst[x] =
                sampleBilinear(source, s.nu * inv, s.nv * inv, SampleEdge::Transparent, opaque);
        } else {
            dst[x] = 0;
        }
        s.nu += m[0], s.nv += m[3], s.d += m[6];
    }
}

// Canvas rows are warped in tiles of kTileRows by kTileColumns pixels, so that a warp that turns
// the picture reads a small patch of the source per tile rather than a column per row.
constexpr int kTileRows = 32, kTileColumns = 64;

// The rows y0..y1-1 (fewer than kTileRows) of a canvas whose left edge is at X0: the sums at the
// start of each tile, stepped across each row exactly as the row's pixels step them, then the
// tiles one by one.
void warpRows(const RowView& rows, int width, int y0, int y1, double X0, double top,
              const std::array<double, 9>& m, double side, const SampleSource& source,
              bool opaque) {
    const int tiles = (width + kTileColumns - 1) / kTileColumns;
    std::vector<Sums> starts(size_t(tiles) * size_t(y1 - y0));
    for (int y = y0; y < y1; ++y) {
        const double Y = y + top;
        Sums s{m[0] * X0 + m[1] * Y + m[2], m[3] * X0 + m[4] * Y + m[5],
               m[6] * X0 + m[7] * Y + m[8]};
        Sums* at = starts.data() + size_t(y - y0) * size_t(tiles);
        for (int x = 0; x < width; ++x) {
            if (x % kTileColumns == 0) at[x / kTileColumns] = s;
            s.nu += m[0], s.nv += m[3], s.d += m[6];
        }
    }
    for (int t = 0; t < tiles; ++t) {
        const int x = t * kTileColumns, count = std::min(kTileColumns, width - x);
        for (int y = y0; y < y1; ++y)
            warpRow(rows[y] + x, count, starts[size_t(y - y0) * size_t(tiles) + size_t(t)], m, side,
                    source, opaque);
    }
}

} // namespace

std::array<double, 9> homography(const Quad& from, const Quad& to) {
    require(proper(from) && proper(to),
            QStringLiteral("The perspective's points must make a quadrilateral without three "
                           "points on one line"),
            kSource);
    // u = (a x + b y + c) / (g x + h y + 1), v = (d x + e y + f) / (g x + h y + 1).
    cv::Matx<double, 8, 8> a;
    cv::Vec<double, 8> rhs;
    for (int i = 0; i < 4; ++i) {
        const double x = from[size_t(i)].x(), y = from[size_t(i)].y();
        const double u = to[size_t(i)].x(), v = to[size_t(i)].y();
        const double r0[8] = {x, y, 1, 0, 0, 0, -x * u, -y * u};
        const double r1[8] = {0, 0, 0, x, y, 1, -x * v, -y * v};
        for (int k = 0; k < 8; ++k) {
            a(2 * i, k) = r0[k];
            a(2 * i + 1, k) = r1[k];
        }
        rhs[2 * i] = u;
        rhs[2 * i + 1] = v;
    }
    cv::Vec<double, 8> h;
    const bool solved = cv::solve(a, rhs, h, cv::DECOMP_LU);
    require(solved, QStringLiteral("The perspective's points give no projective map"), kSource);
    return {h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7], 1.0};
}

QRect perspectiveCanvas(QSize source, const Quad& to, bool growCanvas) {
    QRect canvas(QPoint(0, 0), source);
    if (!growCanvas) return canvas;
    double x0 = 0, y0 = 0, x1 = source.width() - 1, y1 = source.height() - 1;
    for (const QPointF& p : to) {
        x0 = std::min(x0, p.x()), y0 = std::min(y0, p.y());
        x1 = std::max(x1, p.x()), y1 = std::max(y1, p.y());
    }
    const auto lo = [](double v) { return int(std::floor(std::clamp(v, -1e7, 1e7))); };
    const auto hi = [](double v) { return int(std::ceil(std::clamp(v, -1e7, 1e7))); };
    return QRect(QPoint(lo(x0), lo(y0)), QPoint(hi(x1), hi(y1)));
}

QImage perspective(const QImage& src, const Quad& from, const Quad& to, bool growCanvas,
                   const ProgressFn& progress) {
    // The inverse map takes each canvas pixel back to the source.
    const std::array<double, 9> m = homography(to, from);
    const QRect canvas = perspectiveCanvas(src.size(), to, growCanvas);
    checkImageSize(canvas.width(), canvas.height(), QString::fromLatin1(kSource));
    QImage out = newImage32(canvas.width(), canvas.height(), true, kSource);
    // Points whose denominator has the other sign than the quadrilateral's centre lie beyond
    // the horizon: they show nothing.
    QPointF centre;
    for (const QPointF& p : to) centre += p / 4.0;
    const double side = m[6] * centre.x() + m[7] * centre.y() + m[8] < 0 ? -1.0 : 1.0;
    const SampleSource source(src);
    const bool opaque = src.format() == QImage::Format_RGB32 || isOpaque(src);
    const RowView rows(out);
    forEachRowBand(out.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; y += kTileRows)
            warpRows(rows, out.width(), y, std::min(y + kTileRows, y1), canvas.left(), canvas.top(),
                     m, side, source, opaque);
    });
    return out;
}

} // namespace pix::ops
