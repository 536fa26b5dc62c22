#include "distort.h"

#include "inverse_map.h"

#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <opencv2/core/hal/hal.hpp>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Distortions";

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define PIX_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define PIX_WIDE_VECTORS
#endif
constexpr double kPi = 3.14159265358979323846;

struct Point {
    float x, y;
};

struct Centre {
    double x, y;
};

Centre centreOf(const QImage& img, int offsetX, int offsetY) {
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
                sx[x - x0] = p.x;
                sy[x - x0] = p.y;
            }
        },
        progress, kSource);
}

// A shift made of a part that follows the row and a part that follows the column: pixel (x, y)
// reads (x, y) + byRow(y) + byColumn(x). The column part is worked out once per column.
template <class ByRow, class ByColumn>
QImage separable(const QImage& src, Edges edges, const ByRow& byRow, const ByColumn& byColumn,
                 const ProgressFn& progress) {
    std::vector<Point> columns(size_t(src.width()));
    for (int x = 0; x < src.width(); ++x) columns[size_t(x)] = byColumn(x);
    return inverseMap(
        src, edges, src.rect(),
        [&](int y, int x0, int x1, float* sx, float* sy) {
            const Point r = byRow(y);
            for (int x = x0; x < x1; ++x) {
                sx[x - x0] = float(x) + (r.x + columns[size_t(x)].x);
                sy[x - x0] = float(y) + (r.y + columns[size_t(x)].y);
            }
        },
        progress, kSource);
}

constexpr auto kNone = [](int) { return Point{0, 0}; };

// How a radial distortion moves the point at relative distance s: the source lies `scale` times
// as far from the centre, turned by `angle` radians.
struct Turn {
    double scale = 1, angle = 0;
};

// The disc of `radius` around `c`: a pixel at relative distance s (0..1) from the centre reads
// the point that profile(s) names; pixels outside the disc stay. The profile is tabulated once
// (as the source's relative distance, which stays finite where the scale does not) and read
// by linear interpolation, so a pixel costs one square root.
template <class Profile>
QImage radial(const QImage& src, Centre c, double radius, const Profile& profile,
              const ProgressFn& progress) {
    if (!(radius > 0)) return src.copy();
    const int n = int(std::clamp(2 * radius, 256.0, double(1 << 18)));
    std::vector<Point> table(size_t(n) + 2);
    for (int i = 0; i <= n + 1; ++i) {
        const double s = std::max(double(std::min(i, n)) / n, 1e-6);
        const Turn t = profile(s);
        const double rho = std::clamp(s * t.scale, -1e6, 1e6);
        table[size_t(i)] = {float(rho * std::cos(t.angle)), float(rho * std::sin(t.angle))};
    }
    const QRect reach(QPoint(int(std::floor(c.x - radius)), int(std::floor(c.y - radius))),
                      QPoint(int(std::ceil(c.x + radius)), int(std::ceil(c.y + radius))));
    const float r2 = float(radius * radius), inverse = float(1 / radius), scale = float(n);
    const float cx = float(c.x), cy = float(c.y);
    return inverseMap(
        src, {}, reach,
        [&, r2, inverse, scale, cx, cy, n, lut = table.data()](int y, int x0, int x1, float* sx,
                                                               float* sy) {
            const float dy = float(y) - cy;
            const int count = x1 - x0;
            // First the table position and 1 / s of every pixel (vector code; pixels outside the
            // disc get position 0 and are left alone below), kept in sx and sy.
            auto inside = [&](int i, float& d2) {
                const float dx = float(x0 + i) - cx;
                d2 = dx * dx + dy * dy;
                return d2 < r2 && d2 > 0;
            };
            inBlocks(count, [&](int i) {
                float d2;
                sx[i] = inside(i, d2) ? d2 : 1.0f;
            });
            cv::hal::sqrt32f(sx, sx, count); // vector code, correctly rounded like std::sqrt
            inBlocks(count, [&](int i) {
                float d2;
                const float at = sx[i] * inverse * scale;
                sx[i] = inside(i, d2) ? at : 0.0f;
                sy[i] = scale / at; // 1 / s
            });
            for (int i = 0; i < count; ++i) {
                const float at = sx[i], dx = float(x0 + i) - cx;
                if (at == 0.0f) {
                    sx[i] = float(x0 + i);
                    sy[i] = float(y);
                    continue;
                }
                const int j = std::min(int(at), n);
                const float f = at - float(j), k = sy[i];
                const Point a = lut[j], b = lut[j + 1];
                const float p = (a.x + (b.x - a.x) * f) * k, q = (a.y + (b.y - a.y) * f) * k;
                sx[i] = cx + dx * p - dy * q;
                sy[i] = cy + dx * q + dy * p;
            }
        },
        progress, kSource);
}

// A reproducible value in [0, 1) for a pair of whole numbers and a seed (24 bits, so exact in a
// float).
PIX_INLINE float hash01(int a, int b, uint32_t seed) {
    uint32_t h = uint32_t(a) * 0x9E3779B1u ^ (uint32_t(b) * 0x85EBCA77u + seed * 0xC2B2AE3Du);
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return float(h >> 8) * (1.0f / float(1u << 24));
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

    // The noise along a row: out[i] = noise(u0 + i * du, v) for i in 0..count-1, du > 0.
    // Built twice, like turbulence, the wider vectors taken where the processor has them (same
    // arithmetic, no fused multiply-add, so the same results).
    PIX_WIDE_VECTORS void row(double u0, double du, double v, int count, float* out) const {
        const std::unique_ptr<float[]> noise(new float[size_t(count + kLanes)]);
        walk(u0, du, v, count, noise.get());
        std::copy_n(noise.get(), count, out);
    }

    // out[i] = the sum of |noise| / f over the octaves f = 1, 2, 4 at (f * (u0 + i * du), f * v).
    PIX_WIDE_VECTORS void turbulence(double u0, double du, double v, int count, float* out) const {
        const std::unique_ptr<float[]> noise(new float[size_t(count + kLanes)]);
        const float* n = noise.get();
        walk(u0, du, v, count, noise.get());
        inBlocks(count, [&](int i) { out[i] = std::abs(n[i]); });
        for (int f = 2; f <= 4; f *= 2) {
            walk(u0 * f, du * f, v * f, count, noise.get());
            const float weight = 1.0f / float(f); // a power of two: exact
            inBlocks(count, [&](int i) { out[i] += std::abs(n[i]) * weight; });
        }
    }

private:
    // Four pixels at a time, each lane computed exactly as a single pixel would be.
    static constexpr int kLanes = 4;
    using Lanes = double __attribute__((vector_size(kLanes * sizeof(double))));

    // out[i] = noise(u0 + i * du, v) for i in 0..count-1; out holds kLanes - 1 more values. The
    // corner gradients are looked up once per lattice cell, and the pixels inside one cell are
    // worked out in whole blocks of vector code: a block running into the next cell is written
    // over by that cell (or lands in the spare values at the end).
    PIX_INLINE void walk(double u0, double du, double v, int count, float* out) const {
        const double fv = std::floor(v);
        const int yi = int(int64_t(fv) & 255);
        const double ty = v - fv, sv = fade(ty), step = 1 / du;
        for (int i = 0; i < count;) {
            const double fu = std::floor(u0 + i * du), next = fu + 1;
            const int xi = int(int64_t(fu) & 255);
            // Each corner's gradient dotted with the offset, split into its u and v parts.
            auto corner = [&](int cx, int cy, double oy, double& g, double& h) {
                const Gradient& d = kGradients[perm_[size_t(perm_[size_t(cx)] + cy)] & 7];
                g = d.x;
                h = d.y * oy;
            };
            double ga, gb, gc, gd, ha, hb, hc, hd;
            corner(xi, yi, ty, ga, ha);
            corner(xi + 1, yi, ty, gb, hb);
            corner(xi, yi + 1, ty - 1, gc, hc);
            corner(xi + 1, yi + 1, ty - 1, gd, hd);
            // The pixels up to the next cell: estimated, then settled exactly.
            const double room = (next - (u0 + i * du)) * step;
            int end = room < double(count) ? std::min(count, i + 1 + int(room)) : count;
            while (end < count && u0 + end * du < next) ++end;
            while (end > i + 1 && !(u0 + (end - 1) * du < next)) --end;
            for (int b = i; b < end; b += kLanes) {
                const Lanes k = Lanes{0, 1, 2, 3} + double(b);
                const Lanes u = u0 + k * du;
                const Lanes tx = u - fu, su = tx * tx * tx * (tx * (tx * 6 - 15) + 10); // fade
                const Lanes a = ga * tx + ha, b1 = gb * (tx - 1) + hb;
                const Lanes c = gc * tx + hc, d = gd * (tx - 1) + hd;
                const Lanes n = 1.4 * (a + (b1 - a) * su + (c - a + (a - b1 - c + d) * su) * sv);
                for (int j = 0; j < kLanes; ++j) out[b + j] = float(n[j]);
            }
            i = end;
        }
    }

    struct Gradient {
        double x, y;
    };
    static constexpr Gradient kGradients[8] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1},
                                               {1, 0}, {-1, 0}, {0, 1},  {0, -1}};
    static double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
    std::array<uint8_t, 512> perm_{};
};

const GradientNoise& noise() {
    static const GradientNoise n;
    return n;
}

// (cos, sin) of 2 pi t from a table of 1024 steps with linear interpolation (error below 1e-5).
class Circle {
public:
    Circle() {
        auto point = [](int i) {
            return Point{float(std::cos(2 * kPi * i / 1024)), float(std::sin(2 * kPi * i / 1024))};
        };
        for (int i = 0; i < 1024; ++i) {
            const Point a = point(i), b = point(i + 1);
            table_[size_t(i)] = {a, {b.x - a.x, b.y - a.y}};
        }
    }

    PIX_INLINE Point operator()(float t) const {
        const float at = (t - std::floor(t)) * 1024.0f;
        const int i = std::clamp(int(at), 0, 1023);
        const float f = at - float(i);
        const Step& s = table_[size_t(i)];
        return {s.at.x + s.towardsNext.x * f, s.at.y + s.towardsNext.y * f};
    }

    // (cos, sin) of 2 pi t[i] into c[i], s[i] for i in 0..count-1, as operator() gives them (the
    // arrays apart, so that the loop becomes vector code).
    PIX_WIDE_VECTORS void along(const float* __restrict t, int count, float* __restrict c,
                                float* __restrict s) const {
        inBlocks(count, [&](int i) {
            const Point p = (*this)(t[i]);
            c[i] = p.x;
            s[i] = p.y;
        });
    }

private:
    // A step's start and the way to the next one, read together.
    struct Step {
        Point at, towardsNext;
    };
    std::array<Step, 1024> table_{};
};

const Circle& circle() {
    static const Circle c;
    return c;
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
        [a](double s) {
            return Turn{1, a * (1 - s) * (1 - s)};
        },
        progress);
}

QImage spinWave(const QImage& src, double maxRadius, double maxAngle, double period, int offsetX,
                int offsetY, const ProgressFn& progress) {
    const double a = maxAngle * kPi / 180.0, w = 2 * kPi * period;
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [a, w](double s) {
            return Turn{1, a * (1 - s) * std::sin(w * s)};
        },
        progress);
}

QImage lens(const QImage& src, double maxRadius, int offsetX, int offsetY,
            const ProgressFn& progress) {
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [](double s) { return Turn{1 - 0.5 * (1 - s * s) * (1 - s * s)}; }, progress);
}

QImage pinch(const QImage& src, double maxRadius, double amount, int offsetX, int offsetY,
             const ProgressFn& progress) {
    const double a = amount / 20.0;
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [a](double s) { return Turn{std::pow(std::sin(kPi / 2 * s), -a)}; }, progress);
}

QImage randomJitter(const QImage& src, double offset, const ProgressFn& progress) {
    const float o = float(offset);
    return inverseMap(
        src, {}, src.rect(),
        [o](int y, int x0, int x1, float* sx, float* sy) {
            inBlocks(x1 - x0, [&](int i) {
                const int x = x0 + i;
                sx[i] = float(x) + o * (2 * hash01(x, y, 1) - 1);
                sy[i] = float(y) + o * (2 * hash01(x, y, 2) - 1);
            });
        },
        progress, kSource);
}

QImage lineSlice(const QImage& src, int style, int offset1, int offset2,
                 const ProgressFn& progress) {
    const double lo = std::min(offset1, offset2), hi = std::max(offset1, offset2);
    auto shift = [lo, hi](int line) {
        const double amount = std::round(lo + (hi - lo) * hash01(line, 0, 3));
        return float(hash01(line, 0, 4) < 0.5 ? amount : -amount);
    };
    if (style == 0)
        return separable(
            src, {Edge::Wrap, Edge::Clamp},
            [&](int y) {
                return Point{shift(y), 0};
            },
            kNone, progress);
    return separable(
        src, {Edge::Clamp, Edge::Wrap}, kNone,
        [&](int x) {
            return Point{0, shift(x)};
        },
        progress);
}

QImage zigZag(const QImage& src, int style, int maxOffset, double period,
              const ProgressFn& progress) {
    const double w = src.width(), h = src.height();
    auto tooth = [&](double t) { return float(maxOffset * triangle(period * t)); };
    if (style == 0)
        return separable(
            src, {},
            [&](int y) {
                return Point{tooth(y / h), 0};
            },
            kNone, progress);
    return separable(
        src, {}, kNone,
        [&](int x) {
            return Point{0, tooth(x / w)};
        },
        progress);
}

QImage wave(const QImage& src, int style, double maxOffset, double period,
            const ProgressFn& progress) {
    const double w = src.width(), h = src.height();
    const bool cosine = style >= 2;
    auto swing = [&](double t) {
        const double phase = 2 * kPi * period * t;
        return float(maxOffset * (cosine ? std::cos(phase) : std::sin(phase)));
    };
    if (style % 2 == 0)
        return separable(
            src, {},
            [&](int y) {
                return Point{swing(y / h), 0};
            },
            kNone, progress);
    return separable(
        src, {}, kNone,
        [&](int x) {
            return Point{0, swing(x / w)};
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
    const double w = 2 * kPi * periods;
    return radial(
        src, centreOf(src, offsetX, offsetY), maxRadius,
        [&](double s) {
            const double d = s * maxRadius;
            return Turn{(d + amount * damp(s) * std::sin(w * s)) / d};
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
    const Point by{-float(reduce(offsetX, src.width(), edges.x)),
                   -float(reduce(offsetY, src.height(), edges.y))};
    return separable(
        src, edges, [by](int) { return by; }, kNone, progress);
}

QImage wow(const QImage& src, int style, int maxRadius, const ProgressFn& progress) {
    return radial(
        src, centreOf(src, 0, 0), maxRadius,
        [style](double s) { return Turn{style == 0 ? s : std::sin(kPi / 2 * s) / s}; }, progress);
}

QImage marble(const QImage& src, double amount, double sizeX, double sizeY,
              const ProgressFn& progress) {
    const GradientNoise& n = noise();
    const float a = float(amount);
    return inverseMap(
        src, {}, src.rect(),
        [&, a](int y, int x0, int x1, float* sx, float* sy) {
            // Turbulence: three octaves of the noise's magnitude.
            const int count = x1 - x0;
            const double du = 1 / (4 * sizeX), v = y / (4 * sizeY);
            const std::unique_ptr<float[]> phase(new float[size_t(count)]);
            float* t = phase.get();
            n.turbulence(x0 * du, du, v, count, t);
            // The vein's phase, then the direction it gives.
            const double across = 8 * sizeX, down = y / (8 * sizeY);
            inBlocks(count, [&](int i) { t[i] += float((x0 + i) / across + down); });
            circle().along(t, count, sx, sy);
            inBlocks(count, [&](int i) {
                sx[i] = float(x0 + i) + a * sx[i];
                sy[i] = float(y) + a * sy[i];
            });
        },
        progress, kSource);
}

QImage perlin(const QImage& src, double amount, double sizeX, double sizeY,
              const ProgressFn& progress) {
    const GradientNoise& n = noise();
    const float a = float(amount);
    return inverseMap(
        src, {}, src.rect(),
        [&](int y, int x0, int x1, float* sx, float* sy) {
            const int count = x1 - x0;
            n.row(x0 / sizeX, 1 / sizeX, y / sizeY, count, sx);
            n.row(x0 / sizeX + 19.17, 1 / sizeX, y / sizeY + 7.31, count, sy);
            for (int i = 0; i < count; ++i) {
                sx[i] = float(x0 + i) + a * sx[i];
                sy[i] = float(y) + a * sy[i];
            }
        },
        progress, kSource);
}

namespace {

// Light from the top left on pixels o[0..count-1] whose slopes are gx, gy: slopes facing it
// brighten, the others darken (a flat patch has factor 1 and keeps its colour).
// `root` is scratch for count values.
PIX_WIDE_VECTORS void light(uint32_t* __restrict o, const float* __restrict gx,
                            const float* __restrict gy, float* __restrict root, int count) {
    inBlocks(count, [&](int x) { root[x] = gx[x] * gx[x] + gy[x] * gy[x] + 1; });
    cv::hal::sqrt32f(root, root, count);
    inBlocks(count, [&](int x) {
        const float a = gx[x], b = gy[x];
        const float f = std::clamp((1 + a + b) / root[x], 0.0f, 2.0f);
        const uint32_t p = o[x];
        auto channel = [&](int c) {
            const int v = int(float((p >> (8 * c)) & 0xFF) * f + 0.5f);
            return uint32_t(v < 255 ? v : 255) << (8 * c);
        };
        o[x] = (p & 0xFF000000u) | channel(0) | channel(1) | channel(2);
    });
}

} // namespace

QImage bumpMap(const QImage& src, double amount, const QImage& bump, const ProgressFn& progress) {
    require(!bump.isNull(), QStringLiteral("The bump map image is empty"), kSource);
    const int w = src.width(), h = src.height();
    const QImage scaled = bump.scaled(src.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    requireAllocated(scaled, kSource);
    // The relief's height 0..255 by pixel, and its slope in height per pixel times `amount`.
    std::vector<uint8_t> height(size_t(w) * size_t(h));
    forEachRowBand(h, {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < w; ++x)
                height[size_t(y) * size_t(w) + size_t(x)] = uint8_t(luma(row32(scaled, y)[x]));
    });
    const float k = float(amount / 510.0);
    // The slope at pixels x0..x1-1 of row y into gx, gy (edges clamped).
    auto slopes = [&, k](int y, int x0, int x1, float* gx, float* gy) {
        const uint8_t* up = height.data() + size_t(std::max(y - 1, 0)) * size_t(w);
        const uint8_t* mid = height.data() + size_t(y) * size_t(w);
        const uint8_t* down = height.data() + size_t(std::min(y + 1, h - 1)) * size_t(w);
        // The ends read their clamped neighbours; the rest runs as vector code.
        auto edge = [&](int x) {
            gx[x - x0] = k * (float(mid[std::min(x + 1, w - 1)]) - float(mid[std::max(x - 1, 0)]));
            gy[x - x0] = k * (float(down[x]) - float(up[x]));
        };
        const int from = std::max(x0, 1), to = std::min(x1, w - 1);
        for (int x = x0; x < std::min(from, x1); ++x) edge(x);
        if (from < to)
            inBlocks(to - from, [&](int i) {
                const int x = from + i;
                gx[x - x0] = k * (float(mid[x + 1]) - float(mid[x - 1]));
                gy[x - x0] = k * (float(down[x]) - float(up[x]));
            });
        for (int x = std::max(to, from); x < x1; ++x) edge(x);
    };
    QImage out = inverseMap(
        src, {}, src.rect(),
        [&](int y, int x0, int x1, float* sx, float* sy) {
            slopes(y, x0, x1, sx, sy);
            inBlocks(x1 - x0, [&](int i) {
                sx[i] = float(x0 + i) - sx[i];
                sy[i] = float(y) - sy[i];
            });
        },
        progress, kSource);
    const RowView rows(out);
    forEachRowBand(h, {}, [&](int y0, int y1) {
        const size_t width = size_t(w);
        std::vector<float> gx(width), gy(width), root(width);
        for (int y = y0; y < y1; ++y) {
            slopes(y, 0, w, gx.data(), gy.data());
            light(rows[y], gx.data(), gy.data(), root.data(), w);
        }
    });
    return out;
}

QImage customDistortion(const QImage& src, const ProgressFn& progress) {
    auto ripple = [](int t) { return float(4 * std::sin(2 * kPi * t / 32)); };
    return separable(
        src, {},
        [&](int y) {
            return Point{ripple(y), 0};
        },
        [&](int x) {
            return Point{0, ripple(x)};
        },
        progress);
}

} // namespace pix::ops
