#include "palette_quantiser.h"

#include "codec_progress.h"

#include "../pix_error.h"

#include <QHash>
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace pix {

namespace {

constexpr int kAlphaThreshold = 128;
constexpr int kRefinePasses = 2;

struct Rgb {
    int r = 0, g = 0, b = 0;
};

bool isTransparent(QRgb c, bool keepTransparency) {
    return keepTransparency && qAlpha(c) < kAlphaThreshold;
}

QImage indexedLike(const QImage& src) {
    QImage out(src.size(), QImage::Format_Indexed8);
    if (out.isNull())
        throw PixError(kErrTooLarge,
                       QStringLiteral("Not enough memory to quantise a %1 x %2 image")
                           .arg(src.width())
                           .arg(src.height()),
                       QStringLiteral("Palette"));
    return out;
}

// One entry per opaque colour, or nothing once the picture needs more than maxColours entries.
std::optional<PalettedImage> exactPalette(const QImage& src, bool keepTransparency,
                                          int maxColours) {
    PalettedImage result{indexedLike(src), -1};
    QHash<QRgb, int> index;
    QList<QRgb> table;
    QRgb last = 0;
    int lastIndex = -1;
    for (int y = 0; y < src.height(); ++y) {
        reportCodecRows(y, src.height(), 0, 10);
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* out = result.indexes.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            if (isTransparent(in[x], keepTransparency)) {
                if (result.transparentIndex < 0) {
                    result.transparentIndex = int(table.size());
                    table.append(qRgba(0, 0, 0, 0));
                    if (table.size() > maxColours) return std::nullopt;
                }
                out[x] = uchar(result.transparentIndex);
                continue;
            }
            const QRgb c = in[x] | 0xFF000000u;
            if (c != last || lastIndex < 0) {
                auto it = index.constFind(c);
                if (it == index.constEnd()) {
                    if (table.size() == maxColours) return std::nullopt;
                    it = index.insert(c, int(table.size()));
                    table.append(c);
                }
                last = c;
                lastIndex = *it;
            }
            out[x] = uchar(lastIndex);
        }
    }
    result.indexes.setColorTable(table);
    return result;
}

// Colours counted in 5-bit cells; each cell keeps the exact sum of its pixels so that palette
// entries are true means, not cell centres.
struct Cell {
    std::array<uint8_t, 3> key{};
    uint64_t count = 0;
    std::array<uint64_t, 3> sum{};
    Rgb mean() const {
        return {int((sum[0] + count / 2) / count), int((sum[1] + count / 2) / count),
                int((sum[2] + count / 2) / count)};
    }
};

struct Histogram {
    std::vector<Cell> cells;
    bool hasTransparent = false;
};

Histogram histogramOf(const QImage& src, bool keepTransparency) {
    std::vector<Cell> grid(1 << 15);
    Histogram h;
    for (int y = 0; y < src.height(); ++y) {
        reportCodecRows(y, src.height(), 10, 30);
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            if (isTransparent(in[x], keepTransparency)) {
                h.hasTransparent = true;
                continue;
            }
            const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
            Cell& c = grid[size_t((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))];
            ++c.count;
            c.sum[0] += uint64_t(r);
            c.sum[1] += uint64_t(g);
            c.sum[2] += uint64_t(b);
        }
    }
    for (size_t i = 0; i < grid.size(); ++i) {
        if (!grid[i].count) continue;
        grid[i].key = {uint8_t(i >> 10), uint8_t((i >> 5) & 31), uint8_t(i & 31)};
        h.cells.push_back(grid[i]);
    }
    return h;
}

struct Box {
    size_t begin = 0, end = 0;
    uint64_t count = 0;
    int axis = 0;   // longest side
    int extent = 0; // its length in cells
};

Box boxOf(const std::vector<Cell>& cells, size_t begin, size_t end) {
    Box box{begin, end, 0, 0, 0};
    std::array<int, 3> lo{31, 31, 31}, hi{0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        box.count += cells[i].count;
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], int(cells[i].key[a]));
            hi[a] = std::max(hi[a], int(cells[i].key[a]));
        }
    }
    for (int a = 0; a < 3; ++a) {
        if (hi[a] - lo[a] > box.extent) {
            box.extent = hi[a] - lo[a];
            box.axis = a;
        }
    }
    return box;
}

// Heckbert's median cut: split the most populous long box at its median until there are enough.
std::vector<Rgb> medianCut(std::vector<Cell>& cells, int colours) {
    std::vector<Box> boxes{boxOf(cells, 0, cells.size())};
    while (int(boxes.size()) < colours) {
        auto best = boxes.end();
        double bestScore = 0;
        for (auto it = boxes.begin(); it != boxes.end(); ++it) {
            const double score = double(it->count) * it->extent;
            if (it->end - it->begin > 1 && score > bestScore) {
                bestScore = score;
                best = it;
            }
        }
        if (best == boxes.end()) break;
        const Box box = *best;
        std::sort(cells.begin() + ptrdiff_t(box.begin), cells.begin() + ptrdiff_t(box.end),
                  [a = box.axis](const Cell& l, const Cell& r) { return l.key[a] < r.key[a]; });
        uint64_t below = 0;
        size_t split = box.begin + 1;
        for (size_t i = box.begin; i < box.end - 1; ++i) {
            below += cells[i].count;
            split = i + 1;
            if (2 * below >= box.count) break;
        }
        *best = boxOf(cells, box.begin, split);
        boxes.push_back(boxOf(cells, split, box.end));
    }
    std::vector<Rgb> palette;
    for (const Box& box : boxes) {
        Cell total;
        for (size_t i = box.begin; i < box.end; ++i) {
            total.count += cells[i].count;
            for (int a = 0; a < 3; ++a) total.sum[a] += cells[i].sum[a];
        }
        palette.push_back(total.mean());
    }
    return palette;
}

int nearestEntry(const std::vector<Rgb>& palette, int r, int g, int b) {
    int best = 0, bestDistance = INT32_MAX;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - r, dg = palette[i].g - g, db = palette[i].b - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

// Moves each entry to the mean of the colours nearest to it (Lloyd's k-means over the cells).
void refine(std::vector<Rgb>& palette, const std::vector<Cell>& cells) {
    for (int pass = 0; pass < kRefinePasses; ++pass) {
        std::vector<Cell> groups(palette.size());
        for (const Cell& c : cells) {
            const Rgb m = c.mean();
            Cell& g = groups[size_t(nearestEntry(palette, m.r, m.g, m.b))];
            g.count += c.count;
            for (int a = 0; a < 3; ++a) g.sum[a] += c.sum[a];
        }
        for (size_t i = 0; i < palette.size(); ++i)
            if (groups[i].count) palette[i] = groups[i].mean();
    }
}

// Nearest palette entry, remembered per 6-bit cell of the colour cube.
class NearestCache {
public:
    explicit NearestCache(const std::vector<Rgb>& palette)
        : palette_(palette), cache_(size_t(1) << 18, -1) {}
    int operator()(int r, int g, int b) {
        int16_t& slot = cache_[size_t((r >> 2) << 12 | (g >> 2) << 6 | (b >> 2))];
        if (slot < 0) slot = int16_t(nearestEntry(palette_, r, g, b));
        return slot;
    }

private:
    const std::vector<Rgb>& palette_;
    std::vector<int16_t> cache_;
};

// Floyd-Steinberg error diffusion in serpentine order; transparent pixels neither take nor pass
// on error.
void diffuse(const QImage& src, const std::vector<Rgb>& palette, PalettedImage& out,
             bool keepTransparency) {
    const int w = src.width();
    NearestCache nearest(palette);
    // Errors in sixteenths, one pixel of padding on each side.
    std::vector<std::array<int, 3>> current(size_t(w) + 2), next(size_t(w) + 2);
    for (int y = 0; y < src.height(); ++y) {
        reportCodecRows(y, src.height(), 30, 100);
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = out.indexes.scanLine(y);
        std::fill(next.begin(), next.end(), std::array<int, 3>{0, 0, 0});
        const int dir = (y % 2 == 0) ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            if (isTransparent(in[x], keepTransparency)) {
                dst[x] = uchar(out.transparentIndex);
                continue;
            }
            const std::array<int, 3>& e = current[size_t(x) + 1];
            const int want[3] = {std::clamp(qRed(in[x]) + e[0] / 16, 0, 255),
                                 std::clamp(qGreen(in[x]) + e[1] / 16, 0, 255),
                                 std::clamp(qBlue(in[x]) + e[2] / 16, 0, 255)};
            const int k = nearest(want[0], want[1], want[2]);
            dst[x] = uchar(k);
            const int got[3] = {palette[size_t(k)].r, palette[size_t(k)].g, palette[size_t(k)].b};
            for (int a = 0; a < 3; ++a) {
                const int err = want[a] - got[a];
                current[size_t(x + 1 + dir)][size_t(a)] += err * 7;
                next[size_t(x + 1 - dir)][size_t(a)] += err * 3;
                next[size_t(x + 1)][size_t(a)] += err * 5;
                next[size_t(x + 1 + dir)][size_t(a)] += err;
            }
        }
        std::swap(current, next);
    }
}

// Each pixel's nearest entry, without diffusion.
void nearestOnly(const QImage& src, const std::vector<Rgb>& palette, PalettedImage& out) {
    NearestCache nearest(palette);
    for (int y = 0; y < src.height(); ++y) {
        reportCodecRows(y, src.height(), 30, 100);
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = out.indexes.scanLine(y);
        for (int x = 0; x < src.width(); ++x)
            dst[x] = uchar(nearest(qRed(in[x]), qGreen(in[x]), qBlue(in[x])));
    }
}

} // namespace

QImage mapToPalette(const QImage& image, const QList<QRgb>& palette, bool withDiffusion) {
    if (image.isNull() || palette.isEmpty() || palette.size() > 256)
        throw PixError(kErrInvalidArgument, QStringLiteral("Cannot map this image to a palette"),
                       QStringLiteral("Palette"));
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage src = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    std::vector<Rgb> entries;
    for (QRgb c : palette) entries.push_back({qRed(c), qGreen(c), qBlue(c)});
    PalettedImage out{indexedLike(src), -1};
    QList<QRgb> table;
    for (QRgb c : palette) table.append(c | 0xFF000000u);
    out.indexes.setColorTable(table);
    if (withDiffusion)
        diffuse(src, entries, out, false);
    else
        nearestOnly(src, entries, out);
    return out.indexes;
}

PalettedImage quantiseToPalette(const QImage& image, bool keepTransparency, int maxColours) {
    if (image.isNull() || maxColours < 2 || maxColours > 256)
        throw PixError(kErrInvalidArgument, QStringLiteral("Cannot quantise this image"),
                       QStringLiteral("Palette"));
    const bool direct =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage src = direct ? image : image.convertToFormat(QImage::Format_ARGB32);
    keepTransparency = keepTransparency && src.hasAlphaChannel();
    if (auto exact = exactPalette(src, keepTransparency, maxColours)) return *exact;

    Histogram h = histogramOf(src, keepTransparency);
    std::vector<Rgb> palette = medianCut(h.cells, maxColours - (h.hasTransparent ? 1 : 0));
    refine(palette, h.cells);

    PalettedImage out{indexedLike(src), -1};
    QList<QRgb> table;
    for (const Rgb& c : palette) table.append(qRgb(c.r, c.g, c.b));
    if (h.hasTransparent) {
        out.transparentIndex = int(table.size());
        table.append(qRgba(0, 0, 0, 0));
    }
    out.indexes.setColorTable(table);
    diffuse(src, palette, out, keepTransparency);
    return out;
}

} // namespace pix
