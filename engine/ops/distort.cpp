#include "distort.h"

#include "inverse_map.h"

#include <array>
#include <cmath>
#include <numeric>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Distortions";
constexpr double kPi = 3.14159265358979323846;

struct Point {
    double x, y;
};

Point centreOf(const QImage& img, int offsetX, int offsetY) {
    return {(img.width() - 1) / 2.0 + offsetX, (img.height() - 1) / 2.0 + offsetY};
}

// Every pixel of the image, mapped by `fn(x, y)` -> source point.
template <class Fn>
QImage everywhere(const QImage& src, Edges edges, const Fn& fn, const ProgressFn& progress) {
    return inverseMap(
        src, edges, src.rect(),
        [&](int y, int x0, int x1, float* sx, float* sy) {
            for (int x = x0; x < x1; ++x) {
                const Point p = fn(x, y);
                sx[x - x0] = float(p.x);
                sy[x - x0] = float(p.y);
            }
        },
        progress, kSource);
}

// The disc of `radius` around `c`: a pixel at offset (dx, dy) and relative distance s (0..1)
// reads c + fn(dx, dy, s); pixels outside the disc stay.
template <class Fn>
QImage radial(const QImage& src, Point c, double radius, const Fn& fn, const ProgressFn& progress) {
    if (!(radius > 0)) return src.copy();
    const QRect reach(QPoint(int(std::floor(c.x - radius)), int(std::floor(c.y - radius))),
                      QPoint(int(std::ceil(c.x + radius)), int(std::ceil(c.y + radius))));
    const double r2 = radius * radius;
    return inverseMap(
        src, {}, reach,
        [&](int y, int x0, int x1, float* sx, float* sy) {
            const double dy = y - c.y;
            for (int x = x0; x < x1; ++x) {
                const double dx = x - c.x, d2 = dx * dx + dy * dy;
                Point p{double(x), double(y)};
                if (d2 < r2 && d2 > 0) {
                    const Point o = fn(dx, dy, std::sqrt(d2 / r2));
                    p = {c.x + o.x, c.y + o.y};
                }
                sx[x - x0] = float(p.x);
                sy[x - x0] = float(p.y);
            }
        },
        progress, kSource);
}

Point turn(double dx, double dy, double radians) {
    const double cs = std::cos(radians), sn = std::sin(radians);
    return {dx * cs - dy * sn, dx * sn + dy * cs};
}

// A reproducible value in [0, 1) for a pair of whole numbers and a seed.
double hash01(int a, int b, uint32_t seed) {
    uint32_t h = uint32_t(a) * 0x9E3779B1u ^ (uint32_t(b) * 0x85EBCA77u + seed * 0xC2B2AE3Du);
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return double(h >> 8) / double(1u << 24);
}

// Smooth gradient noise in about [-1, 1] with a fixed permutation, so results are reproducible.
class GradientNoise {
public:
    GradientNoise() {
        std::array<int, 256> p{};
        std::iota(p.begin(), p.end(), 0);
        uint32_t s = 0x2545F491u;
        for (int i = 255; i > 0; --i) {
            s = s * 1664525u + 1013904223u;
            std::swap(p[size_t(i)], p[size_t(s >> 8) % size_t(i + 1)]);
        }
        for (int i = 0; i < 512; ++i) perm_[size_t(i)] = uint8_t(p[size_t(i & 255)]);
    }

    double operator()(double x, double y) const {
        const double fx = std::floor(x), fy = std::floor(y);
        const int xi = int(int64_t(fx) & 255), yi = int(int64_t(fy) & 255);
        const double u = x - fx, v = y - fy;
        const double a = grad(xi, yi, u, v), b = grad(xi + 1, yi, u - 1, v);
        const double c = grad(xi, yi + 1, u, v - 1), d = grad(xi + 1, yi + 1, u - 1, v - 1);
        const double su = fade(u), sv = fade(v);
        return 1.4 * (a + (b - a) * su + (c - a + (a - b - c + d) * su) * sv);
    }

private:
    static double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
    double grad(int xi, int yi, double u, double v) const {
        switch (perm_[size_t(perm_[size_t(xi)] + yi)] & 7) {
        case 0:
            return u + v;
        case 1:
            return u - v;
        case 2:
            return -u + v;
        case 3:
            return -u - v;
        case 4:
            return u;
        case 5:
            return -u;
        case 6:
            return v;
        default:
            return -v;
        }
    }
    std::array<uint8_t, 512> perm_{};
};

const GradientNoise& noise() {
    static const GradientNoise n;
    return n;
}

// A triangle wave of period 1 between -1 and 1.
double triangle(double t) {
    return 4.0 * std::abs(t - std::floor(t + 0.5)) - 1.0;
}

} // namespace

QImage spin(const QImage& src, double maxRadius, double maxAngle, int offsetX, int offsetY,
            const ProgressFn& progress) {
    const double a = maxAngle * kPi / 180.0;
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [a](double dx, double dy, double s) { return turn(dx, dy, a * (1 - s) * (1 - s)); },
        progress);
}

QImage spinWave(const QImage& src, double maxRadius, double maxAngle, double period, int offsetX,
                int offsetY, const ProgressFn& progress) {
    const double a = maxAngle * kPi / 180.0;
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [a, period](double dx, double dy, double s) {
            return turn(dx, dy, a * (1 - s) * std::sin(2 * kPi * period * s));
        },
        progress);
}

QImage lens(const QImage& src, double maxRadius, int offsetX, int offsetY,
            const ProgressFn& progress) {
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [](double dx, double dy, double s) {
            const double k = 1 - 0.5 * (1 - s * s) * (1 - s * s);
            return Point{dx * k, dy * k};
        },
        progress);
}

QImage pinch(const QImage& src, double maxRadius, double amount, int offsetX, int offsetY,
             const ProgressFn& progress) {
    const double a = amount / 20.0;
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [a](double dx, double dy, double s) {
            const double k = std::pow(std::sin(kPi / 2 * s), -a);
            return Point{dx * k, dy * k};
        },
        progress);
}

QImage randomJitter(const QImage& src, double offset, const ProgressFn& progress) {
    return everywhere(
        src, {},
        [offset](int x, int y) {
            return Point{x + offset * (2 * hash01(x, y, 1) - 1),
                         y + offset * (2 * hash01(x, y, 2) - 1)};
        },
        progress);
}

QImage lineSlice(const QImage& src, int style, int offset1, int offset2,
                 const ProgressFn& progress) {
    const double lo = std::min(offset1, offset2), hi = std::max(offset1, offset2);
    auto shift = [lo, hi](int line) {
        const double amount = std::round(lo + (hi - lo) * hash01(line, 0, 3));
        return hash01(line, 0, 4) < 0.5 ? -amount : amount;
    };
    const bool rows = style == 0;
    const Edges edges = rows ? Edges{Edge::Wrap, Edge::Clamp} : Edges{Edge::Clamp, Edge::Wrap};
    return everywhere(
        src, edges,
        [&](int x, int y) {
            return rows ? Point{x - shift(y), double(y)} : Point{double(x), y - shift(x)};
        },
        progress);
}

QImage zigZag(const QImage& src, int style, int maxOffset, double period,
              const ProgressFn& progress) {
    const double w = src.width(), h = src.height();
    return everywhere(
        src, {},
        [&](int x, int y) {
            return style == 0 ? Point{x + maxOffset * triangle(period * y / h), double(y)}
                              : Point{double(x), y + maxOffset * triangle(period * x / w)};
        },
        progress);
}

QImage wave(const QImage& src, int style, double maxOffset, double period,
            const ProgressFn& progress) {
    const double w = src.width(), h = src.height();
    const bool cosine = style >= 2, alongX = style % 2 == 0;
    auto swing = [&](double t) {
        return maxOffset *
               (cosine ? std::cos(2 * kPi * period * t) : std::sin(2 * kPi * period * t));
    };
    return everywhere(
        src, {},
        [&](int x, int y) {
            return alongX ? Point{x + swing(y / h), double(y)} : Point{double(x), y + swing(x / w)};
        },
        progress);
}

QImage ripple(const QImage& src, int style, int maxRadius, int amount, double periods, int offsetX,
              int offsetY, const ProgressFn& progress) {
    using Damp = double (*)(double);
    static constexpr Damp kDampening[] = {
        [](double) { return 1.0; },
        [](double s) { return 1 - s; },
        [](double s) { return (1 - s) * (1 - s); },
        [](double s) { return std::cos(kPi / 2 * s); },
        [](double s) { return (1 + std::cos(kPi * s)) / 2; },
    };
    const Damp damp = kDampening[style];
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [&](double dx, double dy, double s) {
            const double d = s * maxRadius;
            const double k = (d + amount * damp(s) * std::sin(2 * kPi * periods * s)) / d;
            return Point{dx * k, dy * k};
        },
        progress);
}

QImage offset(const QImage& src, int style, int offsetX, int offsetY, const ProgressFn& progress) {
    static constexpr Edges kStyles[] = {{Edge::Clamp, Edge::Clamp},
                                        {Edge::Wrap, Edge::Wrap},
                                        {Edge::Wrap, Edge::Clamp},
                                        {Edge::Clamp, Edge::Wrap}};
    // Whole shifts taken modulo the size keep the coordinates small and exact.
    const auto reduce = [](int v, int n, Edge e) { return e == Edge::Wrap ? v % n : v; };
    const Edges edges = kStyles[style];
    const double ox = reduce(offsetX, src.width(), edges.x);
    const double oy = reduce(offsetY, src.height(), edges.y);
    return everywhere(
        src, edges,
        [&](int x, int y) {
            return Point{x - ox, y - oy};
        },
        progress);
}

QImage wow(const QImage& src, int style, int maxRadius, const ProgressFn& progress) {
    return radial(
        src, centreOf(src, 0, 0), maxRadius,
        [style](double dx, double dy, double s) {
            const double k = style == 0 ? s : std::sin(kPi / 2 * s) / s;
            return Point{dx * k, dy * k};
        },
        progress);
}

QImage marble(const QImage& src, double amount, double sizeX, double sizeY,
              const ProgressFn& progress) {
    const GradientNoise& n = noise();
    return everywhere(
        src, {},
        [&](int x, int y) {
            const double u = x / (4 * sizeX), v = y / (4 * sizeY);
            double turbulence = 0;
            for (double f = 1; f <= 4; f *= 2) turbulence += std::abs(n(u * f, v * f)) / f;
            const double phase = 2 * kPi * (x / (8 * sizeX) + y / (8 * sizeY) + turbulence);
            return Point{x + amount * std::cos(phase), y + amount * std::sin(phase)};
        },
        progress);
}

QImage perlin(const QImage& src, double amount, double sizeX, double sizeY,
              const ProgressFn& progress) {
    const GradientNoise& n = noise();
    return everywhere(
        src, {},
        [&](int x, int y) {
            const double u = x / sizeX, v = y / sizeY;
            return Point{x + amount * n(u, v), y + amount * n(u + 19.17, v + 7.31)};
        },
        progress);
}

QImage bumpMap(const QImage& src, double amount, const QImage& bump, const ProgressFn& progress) {
    require(!bump.isNull(), QStringLiteral("The bump map image is empty"), kSource);
    const QImage scaled = bump.scaled(src.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    requireAllocated(scaled, kSource);
    const int w = src.width(), h = src.height();
    auto lum = [&](int x, int y) {
        return luma(row32(scaled, std::clamp(y, 0, h - 1))[std::clamp(x, 0, w - 1)]) / 255.0;
    };
    // The slope of the relief, in luminance per pixel.
    auto slope = [&](int x, int y) {
        return Point{(lum(x + 1, y) - lum(x - 1, y)) / 2, (lum(x, y + 1) - lum(x, y - 1)) / 2};
    };
    QImage out = everywhere(
        src, {},
        [&](int x, int y) {
            const Point g = slope(x, y);
            return Point{x - amount * g.x, y - amount * g.y};
        },
        progress);
    // Light from the top left: slopes facing it brighten, the others darken.
    const RowView rows(out);
    forEachRowBand(h, {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* o = rows[y];
            for (int x = 0; x < w; ++x) {
                const Point g = slope(x, y);
                const double nx = -amount * g.x, ny = -amount * g.y;
                const double shade = (1 - nx - ny) / std::sqrt(nx * nx + ny * ny + 1);
                if (shade == 1.0) continue;
                const double f = std::clamp(shade, 0.0, 2.0);
                uint32_t p = o[x] & 0xFF000000u;
                for (int k = 0; k < 3; ++k)
                    p |= uint32_t(clampByte(((o[x] >> (8 * k)) & 0xFF) * f)) << (8 * k);
                o[x] = p;
            }
        }
    });
    return out;
}

QImage customDistortion(const QImage& src, const ProgressFn& progress) {
    return everywhere(
        src, {},
        [](int x, int y) {
            return Point{x + 4 * std::sin(2 * kPi * y / 32), y + 4 * std::sin(2 * kPi * x / 32)};
        },
        progress);
}

} // namespace pix::ops
