#include "colour_math.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace colour {

namespace {
// Half-to-even rounding in the current (nearest) rounding mode.
int roundEven(double v) {
    return int(std::nearbyint(v));
}
} // namespace

Rgb GetRGB(int32_t c) {
    return {c % 256, (c / 256) % 256, ((c / 256) / 256) % 256};
}

int WebSafe(int v) {
    static constexpr struct {
        int upTo, value;
    } kBands[] = {{26, 0}, {76, 51}, {127, 102}, {178, 153}, {229, 204}};
    for (const auto& b : kBands)
        if (v <= b.upTo) return b.value;
    return 255;
}

void DrawFade(QImage& field, int row, Rgb start, Rgb end, bool webSafe) {
    const double step[3] = {(end.r - start.r) / 255.0, (end.g - start.g) / 255.0,
                            (end.b - start.b) / 255.0};
    double value[3] = {double(start.r), double(start.g), double(start.b)};
    static const auto kSafe = [] {
        std::array<uint8_t, 256> t{};
        for (int v = 0; v < 256; ++v) t[v] = uint8_t(WebSafe(v));
        return t;
    }();
    auto* line = reinterpret_cast<QRgb*>(field.scanLine(row));
    for (int x = 0; x < 256; ++x) {
        int ch[3];
        for (int k = 0; k < 3; ++k) {
            ch[k] = roundEven(std::abs(value[k]));
            if (webSafe) ch[k] = kSafe[std::min(ch[k], 255)];
            value[k] += step[k];
        }
        line[x] = qRgb(ch[0], ch[1], ch[2]);
    }
}

void drawField(QImage& field, Rgb base, bool webSafe) {
    if (field.size() != QSize(256, 256) || field.format() != QImage::Format_RGB32)
        field = QImage(256, 256, QImage::Format_RGB32);
    for (int i = 255; i >= 0; --i) DrawFade(field, 255 - i, {i, i, i}, base, webSafe);
}

Rgb hueAt(int row) {
    const int t = 6 * std::clamp(row, 0, 255);
    const int f = t % 255;
    switch (t / 255) {
    case 0:
        return {255, 0, f};
    case 1:
        return {255 - f, 0, 255};
    case 2:
        return {0, f, 255};
    case 3:
        return {0, 255, 255 - f};
    case 4:
        return {f, 255, 0};
    case 5:
        return {255, 255 - f, 0};
    default:
        return {255, 0, 0};
    }
}

QImage hueStrip() {
    QImage strip(19, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y) {
        const Rgb c = hueAt(y);
        std::fill_n(reinterpret_cast<QRgb*>(strip.scanLine(y)), 19, qRgb(c.r, c.g, c.b));
    }
    return strip;
}

QImage gradientBar(uint32_t foreground, uint32_t background, int width, int height) {
    QImage bar(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    auto split = [](uint32_t c, double out[3]) {
        const double v = double(c);
        out[2] = std::floor(v / 65536.0);
        out[1] = std::floor((v - out[2] * 65536.0) / 256.0);
        out[0] = v - out[2] * 65536.0 - out[1] * 256.0;
    };
    double f[3], b[3], step[3];
    split(foreground, f);
    split(background, b);
    for (int k = 0; k < 3; ++k) step[k] = f[k] != b[k] ? (f[k] - b[k]) / width : 0.0;
    for (int x = 0; x < bar.width(); ++x) {
        for (int k = 0; k < 3; ++k) f[k] = std::clamp(f[k] - step[k], 0.0, 255.0);
        const QRgb p = qRgb(roundEven(f[0]), roundEven(f[1]), roundEven(f[2]));
        for (int y = 0; y < bar.height(); ++y) reinterpret_cast<QRgb*>(bar.scanLine(y))[x] = p;
    }
    return bar;
}

} // namespace colour
