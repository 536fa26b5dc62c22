#include "alpha_channel.h"

#include "gaussian.h"
#include "op_support.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pix::ops {

namespace {

constexpr const char* kSource = "Channels";

// Bit offsets of red, green, blue and alpha (channel numbers 0..3) in a QRgb.
constexpr int kShift[4] = {16, 8, 0, 24};

// mergeAlpha for every (existing, incoming) pair of one type, looked up per pixel.
std::vector<uint8_t> mergeTable(int type) {
    std::vector<uint8_t> t(256 * 256);
    for (int e = 0; e < 256; ++e)
        for (int n = 0; n < 256; ++n)
            t[size_t(e * 256 + n)] = mergeAlpha(type, uint8_t(e), uint8_t(n));
    return t;
}

} // namespace

uint8_t mergeAlpha(int type, uint8_t e, uint8_t n) {
    switch (type) {
    case 0:
        return n;
    case 1:
        return std::max(e, n);
    case 2:
        return std::min(e, n);
    case 3:
        return clampByte(int(e) + int(n));
    case 4:
        return clampByte(int(e) - int(n));
    case 5:
        return e & n;
    case 6:
        return e | n;
    case 7:
        return e ^ n;
    case 8:
        return e;
    }
    return n;
}

void mergeNewAlpha(QImage& img, int merge, const AlphaRowFn& newAlpha, const ProgressFn& progress) {
    require(merge >= 0 && merge < kAlphaMergeCount,
            QStringLiteral("Merge type %1 is not 0..8").arg(merge), kSource);
    require(img.format() == QImage::Format_ARGB32, QStringLiteral("The image has no alpha"),
            kSource);
    const std::vector<uint8_t> table = mergeTable(merge);
    const RowView rows(img);
    const int w = img.width();
    forEachRowBand(img.height(), progress, [&](int y0, int y1) {
        std::vector<uint8_t> alpha(static_cast<size_t>(w));
        for (int y = y0; y < y1; ++y) {
            uint32_t* p = rows[y];
            newAlpha(y, p, alpha.data());
            for (int x = 0; x < w; ++x) {
                const uint32_t e = p[x] >> 24;
                p[x] = (p[x] & 0x00FFFFFFu) | uint32_t(table[e * 256 + alpha[size_t(x)]]) << 24;
            }
        }
    });
}

void alphaByColour(QImage& img, const ColourMatch& m, int merge, const ProgressFn& progress) {
    require(m.tolerance >= 0 && m.tolerance <= 100,
            QStringLiteral("Tolerance %1 is not 0..100").arg(m.tolerance), kSource);
    require(m.softness >= 0 && m.softness <= 100,
            QStringLiteral("Softness %1 is not 0..100").arg(m.softness), kSource);
    require(m.matchAlpha >= 0 && m.matchAlpha <= 255 && m.otherAlpha >= 0 && m.otherAlpha <= 255,
            QStringLiteral("Alpha values must be 0..255"), kSource);
    // Distances in levels: the largest channel difference from the key.
    const int near = (m.tolerance * 255 + 50) / 100;
    const int ramp = (m.softness * 255 + 50) / 100;
    const uint32_t key = m.key;
    mergeNewAlpha(
        img, merge,
        [&](int, const uint32_t* p, uint8_t* alpha) {
            for (int x = 0; x < img.width(); ++x) {
                int d = 0;
                for (int c = 0; c < (m.compareAlpha ? 4 : 3); ++c)
                    d = std::max(d, std::abs(int((p[x] >> kShift[c]) & 0xFF) -
                                             int((key >> kShift[c]) & 0xFF)));
                if (d <= near) {
                    alpha[x] = uint8_t(m.matchAlpha);
                } else if (d > near + ramp) {
                    alpha[x] = uint8_t(m.otherAlpha);
                } else {
                    const double t = double(d - near) / ramp;
                    alpha[x] = clampByte(m.matchAlpha + (m.otherAlpha - m.matchAlpha) * t);
                }
            }
        },
        progress);
}

void mapAlpha(QImage& img, const std::array<uint8_t, 256>& table, const ProgressFn& progress) {
    mergeNewAlpha(
        img, 0,
        [&](int, const uint32_t* p, uint8_t* alpha) {
            for (int x = 0; x < img.width(); ++x) alpha[x] = table[p[x] >> 24];
        },
        progress);
}

void flatten(QImage& img, QRgb colour, const ProgressFn& progress) {
    const RowView rows(img);
    const int w = img.width();
    const bool keepFormatAlpha = img.format() == QImage::Format_ARGB32;
    forEachRowBand(img.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* p = rows[y];
            for (int x = 0; x < w; ++x) {
                const uint32_t a = keepFormatAlpha ? p[x] >> 24 : 255;
                uint32_t out = 0xFF000000u;
                for (int s : {0, 8, 16}) {
                    const uint32_t fg = (p[x] >> s) & 0xFF, bg = (colour >> s) & 0xFF;
                    out |= ((fg * a + bg * (255 - a) + 127) / 255) << s;
                }
                p[x] = out;
            }
        }
    });
}

void blurAlpha(QImage& img, double sigma, const ProgressFn& progress) {
    require(img.format() == QImage::Format_ARGB32, QStringLiteral("The image has no alpha"),
            kSource);
    // The alpha plane, spread over the four lanes the blur works on, blurred, and put back.
    QImage plane = newImage32(img.width(), img.height(), true, kSource);
    const RowView in(plane);
    const RowView rows(img);
    const int w = img.width();
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < w; ++x) in[y][x] = (rows[y][x] >> 24) * 0x01010101u;
        },
        0, 10);
    cv::Mat m(plane.height(), plane.width(), CV_8UC4, plane.bits(), size_t(plane.bytesPerLine()));
    gaussianBlurMat(m, m, sigma, progress, 10, 90);
    forEachRowBand(
        img.height(), progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < w; ++x)
                    rows[y][x] = (rows[y][x] & 0x00FFFFFFu) | (in[y][x] & 0xFF000000u);
        },
        90, 100);
}

void alphaFromMask(QImage& img, const QImage& mask, bool fit, int x0, int y0, int merge,
                   const ProgressFn& progress) {
    require(!mask.isNull(), QStringLiteral("The mask is empty"), kSource);
    // The mask's luminance at the size it is used at.
    const QImage sized =
        fit ? mask.scaled(img.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation) : mask;
    QImage grey = sized.convertToFormat(QImage::Format_ARGB32);
    requireAllocated(grey, kSource);
    const int w = img.width();
    const int ox = fit ? 0 : x0, oy = fit ? 0 : y0;
    const bool zeroKeeps = merge == 3 || merge == 4 || merge == 7;
    mergeNewAlpha(
        img, merge,
        [&](int y, const uint32_t* p, uint8_t* alpha) {
            const int my = y - oy;
            const bool rowIn = my >= 0 && my < grey.height();
            const uint32_t* m = rowIn ? row32(grey, my) : nullptr;
            for (int x = 0; x < w; ++x) {
                const int mx = x - ox;
                // Outside the mask the pixel keeps its alpha: the new alpha is the one that the
                // merge leaves unchanged (0 for add, subtract and XOR, the alpha itself else).
                if (!rowIn || mx < 0 || mx >= grey.width()) {
                    alpha[x] = zeroKeeps ? 0 : uint8_t(p[x] >> 24);
                    continue;
                }
                // A mask pixel's own transparency counts as black.
                const uint32_t mp = m[mx];
                alpha[x] = uint8_t((luma(mp) * int(mp >> 24) + 127) / 255);
            }
        },
        progress);
}

void reorderChannels(QImage& img, const std::array<int, 4>& sources, const ProgressFn& progress) {
    for (int s : sources)
        require(s >= 0 && s <= 3, QStringLiteral("Channel %1 is not 0..3").arg(s), kSource);
    const RowView rows(img);
    const int w = img.width();
    const bool alpha = img.format() == QImage::Format_ARGB32;
    forEachRowBand(img.height(), progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* p = rows[y];
            for (int x = 0; x < w; ++x) {
                const uint32_t v = alpha ? p[x] : p[x] | 0xFF000000u;
                uint32_t out = 0;
                for (int c = 0; c < 4; ++c)
                    out |= ((v >> kShift[sources[size_t(c)]]) & 0xFF) << kShift[c];
                p[x] = alpha ? out : out | 0xFF000000u;
            }
        }
    });
}

} // namespace pix::ops
