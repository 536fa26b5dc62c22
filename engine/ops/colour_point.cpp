#include "colour_point.h"

#include "op_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define PIX_AVX2_ROWS 1
#endif

namespace pix::ops {

namespace {

void checkOutput(const QImage& src, const QImage& out, const char* source) {
    require(out.size() == src.size() && out.format() == src.format() &&
                (src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32),
            QStringLiteral("The output image does not match the input"), source);
}

// Runs fn(inRow, outRow, width) over every row of src into out, in parallel.
void mapRows(const QImage& src, QImage& out, const ProgressFn& progress,
             const std::function<void(const uint32_t*, uint32_t*, int)>& fn) {
    const RowView rows(out); // before reading src: writing into src itself must not detach it
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) fn(row32(src, y), rows[y], src.width());
    });
}

PIX_HOT void thresholdRow(const uint32_t* in, uint32_t* out, int n, int low, int high, bool alpha) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x];
        const int l = luma(p);
        const uint32_t rgb = l >= low && l <= high ? 0x00FFFFFFu : 0u;
        const int a = int(p >> 24);
        const uint32_t al = alpha ? (a >= low && a <= high ? 0xFF000000u : 0u) : p & 0xFF000000u;
        out[x] = al | rgb;
    }
}

// Each channel l + round((c - l) * f / 256), clamped, where l is the pixel's luminance.
void saturateRowPlain(const uint32_t* in, uint32_t* out, int n, int f256) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x];
        const int r = int(p >> 16) & 0xFF, g = int(p >> 8) & 0xFF, b = int(p) & 0xFF;
        const int l = luma(p);
        const int nr = std::clamp(l + (((r - l) * f256 + 128) >> 8), 0, 255);
        const int ng = std::clamp(l + (((g - l) * f256 + 128) >> 8), 0, 255);
        const int nb = std::clamp(l + (((b - l) * f256 + 128) >> 8), 0, 255);
        out[x] = (p & 0xFF000000u) | uint32_t(nr) << 16 | uint32_t(ng) << 8 | uint32_t(nb);
    }
}

void duotoneRowPlain(const uint32_t* in, uint32_t* out, int n, const uint32_t* ramp) {
    for (int x = 0; x < n; ++x) out[x] = (in[x] & 0xFF000000u) | ramp[luma(in[x])];
}

#ifdef PIX_AVX2_ROWS
// Eight pixels at a time in 16-bit lanes. The compiler's own vectorisation of the plain loops
// works in 32-bit lanes with slow 32-bit multiplies (and is skipped for in-place rows, which
// fail its overlap check); these give the same results bit for bit.
// Built for AVX2 whatever the compiler's default target (GCC and clang both take the attribute;
// lambdas would not inherit it, so the helpers are functions).
#define PIX_AVX2 __attribute__((target("avx2")))

// The luminance of eight pixels, one per 32-bit lane: blue and red, then green, as word pairs
// through one multiply-add each.
PIX_AVX2 inline __m256i luma8(__m256i p) {
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
    const __m256i br = _mm256_and_si256(p, lowBytes);
    const __m256i ga = _mm256_and_si256(_mm256_srli_epi32(p, 8), lowBytes);
    const __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(br, _mm256_set1_epi32(77 << 16 | 29)),
                                         _mm256_madd_epi16(ga, _mm256_set1_epi32(150)));
    return _mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(128)), 8);
}

// (c - l) * 64 times 2 * f through the rounding high multiply is round((c - l) * f / 256)
// exactly, as the plain loop's (x + 128) >> 8.
// One channel pair of eight pixels moved away from their luminance `ll` by `gain`.
PIX_AVX2 inline __m256i scaleFromLuma(__m256i c, __m256i ll, __m256i gain) {
    const __m256i d = _mm256_slli_epi16(_mm256_sub_epi16(c, ll), 6);
    return _mm256_add_epi16(ll, _mm256_mulhrs_epi16(d, gain));
}

PIX_AVX2 void saturateRowAvx2(const uint32_t* in, uint32_t* out, int n, int f256) {
    const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
    const __m256i gain = _mm256_set1_epi16(int16_t(2 * f256));
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    // After the saturating pack each 128-bit half holds b r b r ... of its four pixels, then
    // g a g a ...: back to b g r a per pixel.
    const __m256i order = _mm256_broadcastsi128_si256(
        _mm_setr_epi8(0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15));
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        const __m256i l = luma8(p), ll = _mm256_or_si256(l, _mm256_slli_epi32(l, 16));
        const __m256i br = scaleFromLuma(_mm256_and_si256(p, lowBytes), ll, gain);
        const __m256i ga =
            scaleFromLuma(_mm256_and_si256(_mm256_srli_epi32(p, 8), lowBytes), ll, gain);
        const __m256i bgra = _mm256_shuffle_epi8(_mm256_packus_epi16(br, ga), order);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                            _mm256_blendv_epi8(bgra, p, alpha));
    }
    saturateRowPlain(in + x, out + x, n - x, f256);
}

PIX_AVX2 void duotoneRowAvx2(const uint32_t* in, uint32_t* out, int n, const uint32_t* ramp) {
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    const auto* table = reinterpret_cast<const int*>(ramp);
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        const __m256i colour = _mm256_i32gather_epi32(table, luma8(p), 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                            _mm256_or_si256(colour, _mm256_and_si256(p, alpha)));
    }
    duotoneRowPlain(in + x, out + x, n - x, ramp);
}

#undef PIX_AVX2

// Asked at load time; the explicit init makes the answer right whatever the order of
// initialisation.
const bool kHasAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

void saturateRow(const uint32_t* in, uint32_t* out, int n, int f256) {
#ifdef PIX_AVX2_ROWS
    if (kHasAvx2) return saturateRowAvx2(in, out, n, f256);
#endif
    saturateRowPlain(in, out, n, f256);
}

void duotoneRow(const uint32_t* in, uint32_t* out, int n, const uint32_t* ramp) {
#ifdef PIX_AVX2_ROWS
    if (kHasAvx2) return duotoneRowAvx2(in, out, n, ramp);
#endif
    duotoneRowPlain(in, out, n, ramp);
}

PIX_HOT void grayRow(const uint32_t* in, uint32_t* out, int n) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x], l = uint32_t(luma(p));
        out[x] = (p & 0xFF000000u) | l << 16 | l << 8 | l;
    }
}

} // namespace

void threshold(const QImage& src, QImage& out, int low, int high, bool ignoreAlpha,
               const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Threshold";
    require(low >= 0 && high <= 255 && low <= high,
            QStringLiteral("Levels %1..%2 must satisfy 0 <= low <= high <= 255").arg(low).arg(high),
            kSource);
    checkOutput(src, out, kSource);
    const bool alpha = !ignoreAlpha && src.format() == QImage::Format_ARGB32;
    mapRows(src, out, progress, [&](const uint32_t* in, uint32_t* o, int n) {
        thresholdRow(in, o, n, low, high, alpha);
    });
}

void duotone(const QImage& src, QImage& out, QRgb colour, const ProgressFn& progress) {
    checkOutput(src, out, "Processor.Duotone");
    std::array<uint32_t, 256> ramp{};
    for (int l = 0; l < 256; ++l) {
        auto ch = [l](int c) {
            return l <= 128 ? (c * l + 64) / 128 : c + ((255 - c) * (l - 128) + 63) / 127;
        };
        ramp[l] = uint32_t(ch(qRed(colour))) << 16 | uint32_t(ch(qGreen(colour))) << 8 |
                  uint32_t(ch(qBlue(colour)));
    }
    mapRows(src, out, progress,
            [&](const uint32_t* in, uint32_t* o, int n) { duotoneRow(in, o, n, ramp.data()); });
}

void saturate(const QImage& src, QImage& out, double factor, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Saturation";
    require(std::isfinite(factor) && factor >= 0 && factor <= 10,
            QStringLiteral("Saturation %1 is not 0..10").arg(factor), kSource);
    checkOutput(src, out, kSource);
    const int f256 = int(std::lround(factor * 256));
    mapRows(src, out, progress,
            [&](const uint32_t* in, uint32_t* o, int n) { saturateRow(in, o, n, f256); });
}

void colorKey(QImage& img, QRgb key, int tolerance, int alpha, bool rgbOnly,
              const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.ColorKey";
    require(tolerance >= 0 && tolerance <= 100,
            QStringLiteral("Tolerance %1 is not 0..100").arg(tolerance), kSource);
    require(alpha >= 0 && alpha <= 255, QStringLiteral("Alpha %1 is not 0..255").arg(alpha),
            kSource);
    require(img.format() == QImage::Format_ARGB32, QStringLiteral("Needs an image with alpha"),
            kSource);
    const int limit = tolerance * 255 / 100;
    auto near = [limit](uint32_t p, uint32_t k, int shift) {
        return std::abs(int(p >> shift & 0xFF) - int(k >> shift & 0xFF)) <= limit;
    };
    const uint32_t newAlpha = uint32_t(alpha) << 24;
    mapRows(img, img, progress, [&](const uint32_t* in, uint32_t* o, int n) {
        for (int x = 0; x < n; ++x) {
            const uint32_t p = in[x];
            if (near(p, key, 16) && near(p, key, 8) && near(p, key, 0) &&
                (rgbOnly || near(p, key, 24)))
                o[x] = (p & 0x00FFFFFFu) | newAlpha;
            else
                o[x] = p;
        }
    });
}

QImage grayscale8(const QImage& src, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Grayscale";
    require(src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32,
            QStringLiteral("Needs a 32-bit image"), kSource);
    QImage grey(src.size(), QImage::Format_Grayscale8);
    requireAllocated(grey, kSource);
    const RowView rows(grey);
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* in = row32(src, y);
            uint8_t* o = rows.bytes(y);
            for (int x = 0; x < src.width(); ++x) o[x] = uint8_t(luma(in[x]));
        }
    });
    return grey;
}

void grayscale32(const QImage& src, QImage& out, const ProgressFn& progress) {
    checkOutput(src, out, "Processor.Grayscale");
    mapRows(src, out, progress, [](const uint32_t* in, uint32_t* o, int n) { grayRow(in, o, n); });
}

} // namespace pix::ops
