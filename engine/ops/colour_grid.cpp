#include "colour_grid.h"

#include "engine/pix_error.h"

#include <cmath>

namespace pix::ops {

namespace {

int roundEven(double v) {
    return int(std::nearbyint(v)); // the default rounding mode: halves to even
}

// Reports `done` of `total` steps when the whole percent moved on; throws on a cancel.
class Percent {
public:
    Percent(const ProgressFn& fn, int total) : fn_(fn), total_(std::max(1, total)) {}
    void step(int done) {
        const int p = int(int64_t(done) * 100 / total_);
        if (p == last_) return;
        last_ = p;
        if (!reportProgress(fn_, p))
            throw PixError(kErrCancelled, QStringLiteral("Cancelled"),
                           QStringLiteral("Draw Color Grid"));
    }

private:
    const ProgressFn& fn_;
    int total_;
    int last_ = -1;
};

} // namespace

uint32_t gridColour(int x, int y, int width, int height) {
    const int r = roundEven(double(x) * 255.0 / width);
    const int g = roundEven(double(y) * 255.0 / height);
    const int b = std::clamp(roundEven(255.0 - (r + g) / 2.0), 0, 255);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

void drawColourGrid(QImage& image, const ProgressFn& progress) {
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0) return;
    auto paint = [&](QRgb* row, int x, int y) { row[x] = 0xFF000000u | gridColour(x, y, w, h); };
    // Columns first, then rows; each half of the progress counts its own lines.
    const int columns = (w + 7) / 8, rows = (h + 7) / 8;
    Percent percent(progress, 2 * columns);
    percent.step(0);
    const int stripe = 64; // rows per progress check of the column pass
    for (int y0 = 0; y0 < h; y0 += stripe) {
        for (int y = y0; y < std::min(h, y0 + stripe); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; x += 8) paint(row, x, y);
        }
        percent.step(int(int64_t(columns) * std::min(h, y0 + stripe) / h));
    }
    for (int k = 0; k < rows; ++k) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(8 * k));
        for (int x = 0; x < w; ++x) paint(row, x, 8 * k);
        percent.step(columns + int(int64_t(columns) * (k + 1) / rows));
    }
}

} // namespace pix::ops
