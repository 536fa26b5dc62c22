#include "noise_add.h"

#include "op_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <vector>

namespace pix::ops {

namespace {

constexpr int kSamples = 65536; // a 16-bit random number picks one quantile

// Inverse of the standard normal distribution function, by bisection (built once).
double normalQuantile(double u) {
    double lo = -10, hi = 10;
    for (int i = 0; i < 40; ++i) {
        const double mid = (lo + hi) / 2;
        (0.5 * std::erfc(-mid / std::sqrt(2.0)) < u ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// Quantiles of each kind with mean 0 and variance 1 at u = (i + 0.5) / kSamples.
const std::vector<float>& unitQuantiles(int kind) {
    static std::array<std::vector<float>, 4> tables;
    static std::once_flag once;
    std::call_once(once, [] {
        const double rayleighScale = 1.0 / std::sqrt((4.0 - M_PI) / 2.0);
        for (auto& t : tables) t.resize(kSamples);
        for (int i = 0; i < kSamples; ++i) {
            const double u = (i + 0.5) / kSamples;
            tables[kNoiseGaussian][i] = float(normalQuantile(u));
            tables[kNoiseNegativeExponential][i] = float(-std::log(1.0 - u) - 1.0);
            tables[kNoiseRayleigh][i] = float(
                rayleighScale * (std::sqrt(-2.0 * std::log(1.0 - u)) - std::sqrt(M_PI / 2.0)));
            tables[kNoiseUniform][i] = float((u - 0.5) * std::sqrt(12.0));
        }
    });
    return tables[kind];
}

uint64_t splitmix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// xorshift64*: fast, and plenty for noise.
struct Random {
    uint64_t s;
    uint64_t next() {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return s * 0x2545F4914F6CDD1Dull;
    }
};

PIX_HOT void noiseRow(const uint32_t* in, uint32_t* out, int n, const int16_t* table, bool mono,
                      bool alpha, Random& rnd) {
    for (int x = 0; x < n; ++x) {
        const uint32_t p = in[x];
        const uint64_t r = rnd.next();
        const int nr = table[r & 0xFFFF];
        const int ng = mono ? nr : table[(r >> 16) & 0xFFFF];
        const int nb = mono ? nr : table[(r >> 32) & 0xFFFF];
        const int na = alpha ? table[r >> 48] : 0;
        out[x] = uint32_t(clampByte(int(p >> 24) + na)) << 24 |
                 uint32_t(clampByte(int((p >> 16) & 0xFF) + nr)) << 16 |
                 uint32_t(clampByte(int((p >> 8) & 0xFF) + ng)) << 8 |
                 uint32_t(clampByte(int(p & 0xFF) + nb));
    }
}

} // namespace

void addNoise(const QImage& src, QImage& out, int kind, int variance, bool monochromatic,
              bool ignoreAlpha, uint64_t seed, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.AddNoise";
    require(kind >= kNoiseGaussian && kind <= kNoiseUniform,
            QStringLiteral("Noise type %1 is not 0..3").arg(kind), kSource);
    require(variance >= 0 && variance <= 255 * 255,
            QStringLiteral("Variance %1 is not 0..65025").arg(variance), kSource);
    require(out.size() == src.size() && out.format() == src.format() &&
                (src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32),
            QStringLiteral("The output image does not match the input"), kSource);
    const std::vector<float>& unit = unitQuantiles(kind);
    const double sigma = std::sqrt(double(variance));
    std::vector<int16_t> table(kSamples);
    for (int i = 0; i < kSamples; ++i)
        table[i] = int16_t(std::clamp(std::lround(unit[i] * sigma), -511L, 511L));
    const bool alpha = !ignoreAlpha && src.format() == QImage::Format_ARGB32;
    const RowView rows(out); // before reading src: writing into src itself must not detach it
    forEachRowBand(src.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint64_t state = seed ^ (uint64_t(y) * 0xD1B54A32D192ED03ull);
            Random rnd{splitmix(state) | 1};
            noiseRow(row32(src, y), rows[y], src.width(), table.data(), monochromatic, alpha, rnd);
        }
    });
}

} // namespace pix::ops
