#include "distort.h"

#include "distort_noise.h"
#include "inverse_map.h"

#include <array>
#include <cmath>
#include <memory>
#include <numeric>
#include <opencv2/core/hal/hal.hpp>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Distortions";

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

// The source points of a radial distortion inside the disc of `radius` around `c`, from the
// profile tabulated at n + 2 steps of relative distance: a pixel at table position `at` (its
// relative distance times n) reads the centre plus its offset turned and scaled by the table,
// interpolated linearly. Pixels outside the disc, and the centre, read themselves.
class RadialMap {
public:
    RadialMap(Centre c, double radius, const std::vector<Point>& table)
        : n_(int(table.size()) - 2), cx_(float(c.x)), cy_(float(c.y)), r2_(float(radius * radius)),
          inverse_(float(1 / radius)), scale_(float(n_)) {
        for (size_t i = 0; i < table.size(); ++i) {
            const Point b = table[std::min(i + 1, table.size() - 1)];
            x_.push_back(table[i].x);
            y_.push_back(table[i].y);
            stepX_.push_back(b.x - table[i].x);
            stepY_.push_back(b.y - table[i].y);
        }
    }

    void row(int y, int x0, int x1, float* sx, float* sy) const {
        const float dy = float(y) - cy_;
        int i = 0;
#if PIX_HAVE_AVX2_PATH
        if (haveAvx2()) i = rowAvx2(y, x0, x1 - x0, sx, sy);
#endif
        for (; i < x1 - x0; ++i) {
            const float x = float(x0 + i), dx = x - cx_;
            const float d2 = dx * dx + dy * dy;
            const float at = d2 < r2_ && d2 > 0 ? std::sqrt(d2) * inverse_ * scale_ : 0.0f;
            if (at == 0.0f) {
                sx[i] = x;
                sy[i] = float(y);
                continue;
            }
            const float k = scale_ / at; // 1 / s
            const int j = std::min(int(at), n_);
            const float f = at - float(j);
            const float p = (x_[size_t(j)] + stepX_[size_t(j)] * f) * k;
            const float q = (y_[size_t(j)] + stepY_[size_t(j)] * f) * k;
            sx[i] = cx_ + dx * p - dy * q;
            sy[i] = cy_ + dx * q + dy * p;
        }
    }

private:
#if PIX_HAVE_AVX2_PATH
    // The same arithmetic eight pixels at a time, the table entries gathered; returns how many
    // pixels were done.
    PIX_AVX2 int rowAvx2(int row, int x0, int count, float* sx, float* sy) const {
        const float dy = float(row) - cy_;
        const __m256 vdy = _mm256_set1_ps(dy), dy2 = _mm256_set1_ps(dy * dy);
        const __m256 cx = _mm256_set1_ps(cx_), cy = _mm256_set1_ps(cy_);
        const __m256 r2 = _mm256_set1_ps(r2_), inverse = _mm256_set1_ps(inverse_);
        const __m256 scale = _mm256_set1_ps(scale_), zero = _mm256_setzero_ps();
        const __m256 y = _mm256_set1_ps(float(row));
        const __m256i last = _mm256_set1_epi32(n_);
        const __m256 lanes = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
        int i = 0;
        for (; i + 8 <= count; i += 8) {
            const __m256 x = _mm256_add_ps(_mm256_set1_ps(float(x0 + i)), lanes);
            const __m256 dx = _mm256_sub_ps(x, cx);
            const __m256 d2 = _mm256_add_ps(_mm256_mul_ps(dx, dx), dy2);
            const __m256 inside = _mm256_and_ps(_mm256_cmp_ps(d2, r2, _CMP_LT_OQ),
                                                _mm256_cmp_ps(d2, zero, _CMP_GT_OQ));
            const __m256 root = _mm256_sqrt_ps(_mm256_blendv_ps(_mm256_set1_ps(1), d2, inside));
            const __m256 at =
                _mm256_and_ps(_mm256_mul_ps(_mm256_mul_ps(root, inverse), scale), inside);
            const __m256 moved = _mm256_cmp_ps(at, zero, _CMP_NEQ_UQ);
            const __m256 k = _mm256_div_ps(scale, _mm256_blendv_ps(scale, at, moved));
            const __m256i j = _mm256_min_epi32(_mm256_cvttps_epi32(at), last);
            const __m256 f = _mm256_sub_ps(at, _mm256_cvtepi32_ps(j));
            const __m256 p = _mm256_mul_ps(
                _mm256_add_ps(_mm256_i32gather_ps(x_.data(), j, 4),
                              _mm256_mul_ps(_mm256_i32gather_ps(stepX_.data(), j, 4), f)),
                k);
            const __m256 q = _mm256_mul_ps(
                _mm256_add_ps(_mm256_i32gather_ps(y_.data(), j, 4),
                              _mm256_mul_ps(_mm256_i32gather_ps(stepY_.data(), j, 4), f)),
                k);
            const __m256 px =
                _mm256_sub_ps(_mm256_add_ps(cx, _mm256_mul_ps(dx, p)), _mm256_mul_ps(vdy, q));
            const __m256 py =
                _mm256_add_ps(_mm256_add_ps(cy, _mm256_mul_ps(dx, q)), _mm256_mul_ps(vdy, p));
            _mm256_storeu_ps(sx + i, _mm256_blendv_ps(x, px, moved));
            _mm256_storeu_ps(sy + i, _mm256_blendv_ps(y, py, moved));
        }
        return i;
    }
#endif

    int n_;
    float cx_, cy_, r2_, inverse_, scale_;
    std::vector<float> x_, y_, stepX_, stepY_;
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
    const RadialMap map(c, radius, table);
    return inverseMap(
        src, {}, reach,
        [&map](int y, int x0, int x1, float* sx, float* sy) { map.row(y, x0, x1, sx, sy); },
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

// (cos, sin) of 2 pi t from a table of 1024 steps with linear interpolation (error below 1e-5).
class Circle {
public:
    Circle() {
        auto point = [](int i) {
            return Point{float(std::cos(2 * kPi * i / 1024)), float(std::sin(2 * kPi * i / 1024))};
        };
        for (int i = 0; i < 1024; ++i) {
            const Point a = point(i), b = point(i + 1);
            cos_[size_t(i)] = a.x;
            sin_[size_t(i)] = a.y;
            cosStep_[size_t(i)] = b.x - a.x;
            sinStep_[size_t(i)] = b.y - a.y;
        }
    }

    // (cos, sin) of 2 pi t[i] into c[i], s[i] for i in 0..count-1.
    void along(const float* t, int count, float* c, float* s) const {
        int i = 0;
#if PIX_HAVE_AVX2_PATH
        if (haveAvx2()) i = alongAvx2(t, count, c, s);
#endif
        for (; i < count; ++i) {
            const float at = (t[i] - std::floor(t[i])) * 1024.0f;
            const int k = std::clamp(int(at), 0, 1023);
            const float f = at - float(k);
            c[i] = cos_[size_t(k)] + cosStep_[size_t(k)] * f;
            s[i] = sin_[size_t(k)] + sinStep_[size_t(k)] * f;
        }
    }

private:
#if PIX_HAVE_AVX2_PATH
    // The same eight pixels at a time, the table entries gathered; returns how many were done.
    PIX_AVX2 int alongAvx2(const float* t, int count, float* c, float* s) const {
        const __m256 steps = _mm256_set1_ps(1024.0f);
        const __m256i last = _mm256_set1_epi32(1023), zero = _mm256_setzero_si256();
        int i = 0;
        for (; i + 8 <= count; i += 8) {
            const __m256 v = _mm256_loadu_ps(t + i);
            const __m256 at = _mm256_mul_ps(_mm256_sub_ps(v, _mm256_floor_ps(v)), steps);
            const __m256i k =
                _mm256_max_epi32(_mm256_min_epi32(_mm256_cvttps_epi32(at), last), zero);
            const __m256 f = _mm256_sub_ps(at, _mm256_cvtepi32_ps(k));
            const __m256 cosine = _mm256_i32gather_ps(cos_.data(), k, 4);
            const __m256 cosStep = _mm256_i32gather_ps(cosStep_.data(), k, 4);
            const __m256 sine = _mm256_i32gather_ps(sin_.data(), k, 4);
            const __m256 sinStep = _mm256_i32gather_ps(sinStep_.data(), k, 4);
            _mm256_storeu_ps(c + i, _mm256_add_ps(cosine, _mm256_mul_ps(cosStep, f)));
            _mm256_storeu_ps(s + i, _mm256_add_ps(sine, _mm256_mul_ps(sinStep, f)));
        }
        return i;
    }
#endif

    // Each step's start and the way to the next one.
    std::array<float, 1024> cos_{}, sin_{}, cosStep_{}, sinStep_{};
};

const Circle& circle() {
    static const Circle c;
    return c;
}

// Source points of pixels x0.. of row y moved by `a` times the offsets in sx, sy (in place).
PIX_HOT_NO_FMA void displace(float* __restrict sx, float* __restrict sy, int count, int x0, int y,
                             float a) {
    for (int i = 0; i < count; ++i) {
        sx[i] = float(x0 + i) + a * sx[i];
        sy[i] = float(y) + a * sy[i];
    }
}

// Random offsets in [-1, 1) for pixels x0.. of row y, reproducible.
PIX_HOT_NO_FMA void jitterRow(int y, int x0, int count, float* __restrict sx,
                              float* __restrict sy) {
    for (int i = 0; i < count; ++i) {
        sx[i] = 2 * hash01(x0 + i, y, 1) - 1;
        sy[i] = 2 * hash01(x0 + i, y, 2) - 1;
    }
}

// The marble vein's phase: t[x] += slope[x] + down.
PIX_HOT_NO_FMA void addPhase(float* __restrict t, const double* __restrict slope, double down,
                             int count) {
    for (int x = 0; x < count; ++x) t[x] += float(slope[x] + down);
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
            jitterRow(y, x0, x1 - x0, sx, sy);
            displace(sx, sy, x1 - x0, x0, y, o);
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
    const GradientNoise& n = gradientNoise();
    const float a = float(amount);
    const int w = src.width();
    // What follows the column alone: the turbulence's lattice offsets and the vein's slope.
    const double du = 1 / (4 * sizeX), across = 8 * sizeX;
    const auto octaves = GradientNoise::octaves(0, du, w);
    std::vector<double> slope(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) slope[size_t(x)] = x / across;
    return inverseMap(
        src, {}, src.rect(),
        [&, a](int y, int, int, float* sx, float* sy) {
            // Turbulence: three octaves of the noise's magnitude.
            const std::unique_ptr<float[]> phase(new float[size_t(w)]);
            float* t = phase.get();
            n.turbulence(octaves, y / (4 * sizeY), t);
            // The vein's phase, then the direction it gives.
            const double down = y / (8 * sizeY);
            addPhase(t, slope.data(), down, w);
            circle().along(t, w, sx, sy);
            displace(sx, sy, w, 0, y, a);
        },
        progress, kSource);
}

QImage perlin(const QImage& src, double amount, double sizeX, double sizeY,
              const ProgressFn& progress) {
    const GradientNoise& n = gradientNoise();
    const float a = float(amount);
    const int w = src.width();
    const NoiseColumns across(0, 1 / sizeX, w), shifted(19.17, 1 / sizeX, w);
    return inverseMap(
        src, {}, src.rect(),
        [&](int y, int, int, float* sx, float* sy) {
            n.row(across, y / sizeY, sx);
            n.row(shifted, y / sizeY + 7.31, sy);
            displace(sx, sy, w, 0, y, a);
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

// Rec. 601 luminance of n pixels.
PIX_HOT_NO_FMA void lumaRow(const uint32_t* __restrict in, uint8_t* __restrict out, int n) {
    for (int x = 0; x < n; ++x) out[x] = uint8_t(luma(in[x]));
}

// The slope times k of a row of heights `mid` between the rows `up` and `down` into gx, gy: the
// difference of the neighbours either side, the ends reading their clamped neighbours.
PIX_HOT_NO_FMA void slopeRow(const uint8_t* __restrict up, const uint8_t* __restrict mid,
                             const uint8_t* __restrict down, float k, float* __restrict gx,
                             float* __restrict gy, int w) {
    auto edge = [&](int x) {
        gx[x] = k * (float(mid[std::min(x + 1, w - 1)]) - float(mid[std::max(x - 1, 0)]));
        gy[x] = k * (float(down[x]) - float(up[x]));
    };
    edge(0);
    for (int x = 1; x < w - 1; ++x) {
        gx[x] = k * (float(mid[x + 1]) - float(mid[x - 1]));
        gy[x] = k * (float(down[x]) - float(up[x]));
    }
    if (w > 1) edge(w - 1);
}

} // namespace

QImage bumpMap(const QImage& src, double amount, const QImage& bump, const ProgressFn& progress) {
    require(!bump.isNull(), QStringLiteral("The bump map image is empty"), kSource);
    const int w = src.width(), h = src.height();
    const QImage scaled = bump.scaled(src.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_RGB32);
    requireAllocated(scaled, kSource);
    // The relief's height 0..255 by pixel, and its slope in height per pixel times `amount`.
    const size_t width = size_t(w);
    const std::unique_ptr<uint8_t[]> height(new uint8_t[width * size_t(h)]);
    forEachRowBand(h, {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            lumaRow(row32(scaled, y), height.get() + size_t(y) * width, w);
    });
    const float k = float(amount / 510.0);
    // The slope at the pixels of row y into gx, gy (edges clamped).
    auto slopes = [&, k](int y, float* gx, float* gy) {
        const uint8_t* up = height.get() + size_t(std::max(y - 1, 0)) * width;
        const uint8_t* mid = height.get() + size_t(y) * width;
        const uint8_t* down = height.get() + size_t(std::min(y + 1, h - 1)) * width;
        slopeRow(up, mid, down, k, gx, gy, w);
    };
    // Each row is lit as soon as it is read, its slopes worked out again (cheaper than keeping
    // them) in scratch space of the thread's own.
    return inverseMap(
        src, {}, src.rect(),
        [&](int y, int, int, float* sx, float* sy) {
            slopes(y, sx, sy);
            inBlocks(w, [&](int x) {
                sx[x] = float(x) - sx[x];
                sy[x] = float(y) - sy[x];
            });
        },
        progress, kSource,
        [&](int y, uint32_t* row) {
            static thread_local std::vector<float> scratch;
            scratch.resize(3 * width);
            float* gx = scratch.data();
            slopes(y, gx, gx + width);
            light(row, gx, gx + width, gx + 2 * width, w);
        });
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
