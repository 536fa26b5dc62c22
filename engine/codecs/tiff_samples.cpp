#include "tiff_samples.h"

#include "lib_support.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "../pix_error.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace pix {

namespace {

const QString kSource = QStringLiteral("TIFF");

struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t spp = 1, bps = 8, format = SAMPLEFORMAT_UINT, photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planar = PLANARCONFIG_CONTIG, extra = 0;
    bool associatedAlpha = false;
};

Layout layoutOf(TIFF* t) {
    Layout l;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &l.spp);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &l.bps);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &l.format);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &l.planar);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &l.photometric))
        l.photometric = l.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    uint16_t* types = nullptr;
    TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &l.extra, &types);
    l.associatedAlpha = l.extra > 0 && types[0] == EXTRASAMPLE_ASSOCALPHA;
    return l;
}

// Colour samples per pixel for the photometric interpretations read here (0: not read here).
int colourSamples(const Layout& l) {
    switch (l.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        return 1;
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_CIELAB:
        return 3;
    case PHOTOMETRIC_SEPARATED:
        return 4;
    default:
        return 0;
    }
}

bool depthReadable(const Layout& l) {
    if (l.format == SAMPLEFORMAT_IEEEFP) return l.bps == 16 || l.bps == 32 || l.bps == 64;
    if (l.format != SAMPLEFORMAT_UINT && l.format != SAMPLEFORMAT_INT) return false;
    return l.bps >= 2 && l.bps <= 32;
}

// One sample of a row: packed most significant bit first below 8 bits and at odd depths, in
// host order at 16, 24, 32 and 64 bits (libtiff swaps those).
double sampleAt(const uint8_t* row, size_t index, const Layout& l) {
    const bool sign = l.format == SAMPLEFORMAT_INT;
    if (l.format == SAMPLEFORMAT_IEEEFP) {
        if (l.bps == 64) {
            double d;
            std::memcpy(&d, row + index * 8, 8);
            return d;
        }
        if (l.bps == 32) {
            float f;
            std::memcpy(&f, row + index * 4, 4);
            return f;
        }
        uint16_t h;
        std::memcpy(&h, row + index * 2, 2);
        const int exp = (h >> 10) & 0x1F, mant = h & 0x3FF;
        const double v = exp == 0    ? std::ldexp(mant, -24)
                         : exp == 31 ? (mant ? std::numeric_limits<double>::quiet_NaN()
                                             : std::numeric_limits<double>::infinity())
                                     : std::ldexp(mant + 1024, exp - 25);
        return (h & 0x8000) ? -v : v;
    }
    uint32_t u = 0;
    switch (l.bps) {
    case 8:
        u = row[index];
        break;
    case 16: {
        uint16_t v;
        std::memcpy(&v, row + index * 2, 2);
        u = v;
        break;
    }
    case 24: {
        uint8_t b[3];
        std::memcpy(b, row + index * 3, 3);
        u = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16;
        if constexpr (std::endian::native == std::endian::big)
            u = uint32_t(b[2]) | uint32_t(b[1]) << 8 | uint32_t(b[0]) << 16;
        break;
    }
    case 32:
        std::memcpy(&u, row + index * 4, 4);
        break;
    default: {
        const size_t bit = index * l.bps;
        for (int i = 0; i < l.bps; ++i) {
            const size_t b = bit + size_t(i);
            u = (u << 1) | ((row[b / 8] >> (7 - b % 8)) & 1u);
        }
    }
    }
    if (!sign) return double(u);
    const int shift = 32 - l.bps;
    return double(int32_t(u << shift) >> shift);
}

// The depth's own range of an integer sample.
std::pair<double, double> depthRange(const Layout& l) {
    if (l.format == SAMPLEFORMAT_IEEEFP) return {0.0, 1.0};
    const double span = std::ldexp(1.0, l.bps);
    return l.format == SAMPLEFORMAT_INT ? std::pair{-span / 2, span / 2 - 1}
                                        : std::pair{0.0, span - 1};
}

// Calls `visit(sample index within the pixel, value)` for every sample of the page, plane by plane
// and row by row, so that a page is never held as numbers in memory.
template <typename Visit> void forEachSample(const TiffStream& s, const Layout& l, Visit visit) {
    TIFF* t = s.tiff();
    const tmsize_t lineSize = TIFFScanlineSize(t);
    const int planes = l.planar == PLANARCONFIG_SEPARATE ? l.spp : 1;
    const int perLine = planes == 1 ? l.spp : 1;
    if (lineSize < tmsize_t((uint64_t(l.width) * perLine * l.bps + 7) / 8))
        s.fail(QStringLiteral("TIFF scanlines are shorter than the image"));
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    for (int plane = 0; plane < planes; ++plane)
        for (uint32_t y = 0; y < l.height; ++y) {
            if (TIFFReadScanline(t, line.data(), y, uint16_t(plane)) < 0)
                s.fail(QStringLiteral("Cannot read row %1 of a TIFF page").arg(y));
            for (uint32_t x = 0; x < l.width; ++x)
                for (int c = 0; c < perLine; ++c)
                    visit(plane + c, x, y,
                          sampleAt(line.data(), size_t(x) * perLine + size_t(c), l));
        }
}

// The values shown as black to white. Integers below 24 bits use the depth's range; wider
// integers and floating point use SMin/SMaxSampleValue when the page has them, floating point
// 0..1 when its values lie there, else the page's own minimum and maximum (a first pass).
std::pair<double, double> shownRange(const TiffStream& s, const Layout& l, int colours,
                                     QString& note) {
    TIFF* t = s.tiff();
    const auto own = depthRange(l);
    if (l.format != SAMPLEFORMAT_IEEEFP && l.bps < 24) return own;
    double lo = 0, hi = 0;
    if (TIFFGetField(t, TIFFTAG_SMINSAMPLEVALUE, &lo) &&
        TIFFGetField(t, TIFFTAG_SMAXSAMPLEVALUE, &hi) && hi > lo) {
        if (std::pair{lo, hi} != own)
            note = QStringLiteral("Sample range %1 to %2 shown as black to white").arg(lo).arg(hi);
        return {lo, hi};
    }
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    forEachSample(s, l, [&](int c, uint32_t, uint32_t, double v) {
        if (c < colours && std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    });
    if (!(lo <= hi)) return own; // no finite value at all
    if (l.format == SAMPLEFORMAT_IEEEFP && lo >= 0 && hi <= 1) return own;
    note = QStringLiteral("Values %1 to %2 shown as black to white").arg(lo).arg(hi);
    return {lo, hi > lo ? hi : lo + 1};
}

// ---- CIELab ---------------------------------------------------------------------------------

struct Matrix {
    double m[3][3];
    std::array<double, 3> operator*(const std::array<double, 3>& v) const {
        std::array<double, 3> r{};
        for (int i = 0; i < 3; ++i) r[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
        return r;
    }
};

constexpr Matrix kBradford{
    {{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
constexpr Matrix kBradfordInverse{{{0.9869929, -0.1470543, 0.1599627},
                                   {0.4323053, 0.5183603, 0.0492912},
                                   {-0.0085287, 0.0400428, 0.9684867}}};
constexpr Matrix kXyzToSrgb{{{3.2404542, -1.5371385, -0.4985314},
                             {-0.9692660, 1.8760108, 0.0415560},
                             {0.0556434, -0.2040259, 1.0572252}}};
constexpr std::array<double, 3> kD65{0.95047, 1.0, 1.08883};

// XYZ under the page's white (D50 unless WhitePoint says otherwise) to linear sRGB: Bradford
// adaptation to D65, then the sRGB primaries.
Matrix labToLinearSrgb(const std::array<double, 3>& white) {
    const auto src = kBradford * white;
    const auto dst = kBradford * kD65;
    Matrix adapt{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += kBradfordInverse.m[i][k] * (dst[k] / src[k]) * kBradford.m[k][j];
            adapt.m[i][j] = sum;
        }
    Matrix out{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double sum = 0;
            for (int k = 0; k < 3; ++k) sum += kXyzToSrgb.m[i][k] * adapt.m[k][j];
            out.m[i][j] = sum;
        }
    return out;
}

std::array<double, 3> whitePoint(TIFF* t) {
    float* xy = nullptr;
    if (TIFFGetField(t, TIFFTAG_WHITEPOINT, &xy) && xy && xy[1] > 0.01f && xy[0] > 0 &&
        xy[0] + xy[1] < 1)
        return {xy[0] / xy[1], 1.0, (1.0 - xy[0] - xy[1]) / xy[1]};
    return {0.9642, 1.0, 0.8249}; // D50
}

int encodeSrgb(double linear) {
    const double v =
        linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
    return int(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

QRgb labPixel(const uchar* b, const Matrix& toRgb, const std::array<double, 3>& white) {
    // L* over 0..255; a* and b* signed bytes.
    const double L = b[0] * 100.0 / 255;
    const double fy = (L + 16) / 116, fx = fy + int8_t(b[1]) / 500.0,
                 fz = fy - int8_t(b[2]) / 200.0;
    auto inverse = [](double f) {
        constexpr double d = 6.0 / 29;
        return f > d ? f * f * f : 3 * d * d * (f - 4.0 / 29);
    };
    const std::array<double, 3> xyz{white[0] * inverse(fx), white[1] * inverse(fy),
                                    white[2] * inverse(fz)};
    const auto rgb = toRgb * xyz;
    return qRgb(encodeSrgb(rgb[0]), encodeSrgb(rgb[1]), encodeSrgb(rgb[2]));
}

} // namespace

bool wantsSampleReader(TIFF* t) {
    if (TIFFIsTiled(t)) return false;
    const Layout l = layoutOf(t);
    const int colours = colourSamples(l);
    if (colours == 0 || l.spp < colours || l.spp > colours + 1 || !depthReadable(l)) return false;
    if (l.photometric == PHOTOMETRIC_CIELAB) return l.bps == 8 || l.bps == 16;
    if (l.photometric == PHOTOMETRIC_SEPARATED) {
        uint16_t inks = INKSET_CMYK;
        TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &inks);
        if (inks != INKSET_CMYK || l.spp != 4) return false;
        return l.bps == 16 || l.bps > 16 || l.format != SAMPLEFORMAT_UINT;
    }
    // What the direct and RGBA readers take stays with them: unsigned 1..16 bits.
    return l.format != SAMPLEFORMAT_UINT || l.bps > 16 || l.bps == 12;
}

PixPage readTiffSamples(const TiffStream& s, QString& note) {
    TIFF* t = s.tiff();
    const Layout l = layoutOf(t);
    checkImageSize(l.width, l.height, kSource);
    const int colours = colourSamples(l);
    const bool alpha = l.spp > colours;
    const bool lab = l.photometric == PHOTOMETRIC_CIELAB;
    // Plain values, not a structured binding: lambdas below capture them.
    const std::pair<double, double> range =
        lab ? std::pair{0.0, 1.0} : shownRange(s, l, colours, note);
    const double lo = range.first, hi = range.second;
    const std::pair<double, double> alphaRange = depthRange(l);
    auto level = [](double x, double a, double b) {
        return std::isfinite(x) ? int(std::lround(std::clamp((x - a) / (b - a), 0.0, 1.0) * 255))
                                : 0;
    };
    // Each sample is stored as one byte of the pixel (at most four samples), then every pixel is
    // turned into its colour in place: levels for grey and RGB, inks for CMYK, Lab's own bytes.
    QImage image = allocateImage(l.width, l.height, QImage::Format_ARGB32, kSource);
    image.fill(0);
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    forEachSample(s, l, [&](int c, uint32_t x, uint32_t y, double v) {
        int byte = 0;
        if (c == colours) {
            byte = level(v, alphaRange.first, alphaRange.second);
        } else if (lab) {
            // a* and b* are two's complement: their top byte keeps the sign.
            const auto raw = int64_t(std::isfinite(v) ? v : 0);
            byte = int((l.bps == 16 ? raw >> 8 : raw) & 0xFF);
        } else {
            byte = level(v, lo, hi);
        }
        bits[qsizetype(y) * stride + qsizetype(x) * 4 + c] = uchar(byte);
    });
    const bool invert = l.photometric == PHOTOMETRIC_MINISWHITE;
    const std::array<double, 3> white = whitePoint(t);
    const Matrix toRgb = labToLinearSrgb(white);
    for (uint32_t y = 0; y < l.height; ++y) {
        uchar* row = bits + qsizetype(y) * stride;
        for (uint32_t x = 0; x < l.width; ++x) {
            const uchar* b = row + size_t(x) * 4;
            const int a = alpha ? b[colours] : 255;
            QRgb out;
            if (lab) {
                const QRgb c = labPixel(b, toRgb, white);
                out = qRgba(qRed(c), qGreen(c), qBlue(c), a);
            } else if (colours == 1) {
                const int g = invert ? 255 - b[0] : b[0];
                out = qRgba(g, g, g, a);
            } else if (colours == 4) {
                auto ink = [k = 255 - b[3]](int c) { return ((255 - c) * k + 127) / 255; };
                out = qRgb(ink(b[0]), ink(b[1]), ink(b[2]));
            } else {
                out = qRgba(b[0], b[1], b[2], a);
            }
            reinterpret_cast<QRgb*>(row)[x] = out;
        }
    }
    PixPage page;
    page.type = colours == 1 ? (alpha ? kGrayAlpha : kGray) : (alpha ? kRgba : kRgb);
    page.image = alpha && l.associatedAlpha ? unpremultiplied(image) : image;
    if (!alpha) page.image = convertToType(page.image, page.type);
    return page;
}

} // namespace pix
