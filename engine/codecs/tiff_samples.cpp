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

// The values shown as black to white. Integers below 24 bits use the depth's range; wider
// integers and floating point use SMin/SMaxSampleValue when the page has them, floating point
// 0..1 when its values lie there, else the page's own minimum and maximum.
std::pair<double, double> shownRange(TIFF* t, const Layout& l, const std::vector<float>& v,
                                     int colours, QString& note) {
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
    for (size_t i = 0; i < v.size(); ++i)
        if (int(i % l.spp) < colours && std::isfinite(v[i])) {
            lo = std::min(lo, double(v[i]));
            hi = std::max(hi, double(v[i]));
        }
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

QRgb labPixel(const float* s, const Layout& l, const Matrix& toRgb,
              const std::array<double, 3>& white) {
    // L* over the depth's unsigned range; a* and b* signed, 1/256 per unit at 16 bits.
    const double full = l.bps == 16 ? 65535.0 : 255.0;
    const double L = s[0] * 100.0 / full;
    auto chroma = [&](float v) {
        const double half = (full + 1) / 2;
        const double signedV = v >= half ? v - (full + 1) : v; // stored as two's complement
        return l.bps == 16 ? signedV / 256.0 : signedV;
    };
    const double fy = (L + 16) / 116, fx = fy + chroma(s[1]) / 500, fz = fy - chroma(s[2]) / 200;
    auto inverse = [](double f) {
        constexpr double d = 6.0 / 29;
        return f > d ? f * f * f : 3 * d * d * (f - 4.0 / 29);
    };
    const std::array<double, 3> xyz{white[0] * inverse(fx), white[1] * inverse(fy),
                                    white[2] * inverse(fz)};
    const auto rgb = toRgb * xyz;
    return qRgb(encodeSrgb(rgb[0]), encodeSrgb(rgb[1]), encodeSrgb(rgb[2]));
}

// Every sample of the page as a number, pixel by pixel.
std::vector<float> readValues(const TiffStream& s, const Layout& l) {
    std::vector<float> v;
    try {
        v.resize(size_t(l.width) * l.height * l.spp);
    } catch (const std::bad_alloc&) {
        throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for the TIFF page"),
                       kSource);
    }
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
            float* out = v.data() + size_t(y) * l.width * l.spp;
            for (uint32_t x = 0; x < l.width; ++x)
                for (int c = 0; c < perLine; ++c)
                    out[size_t(x) * l.spp + size_t(plane + c)] =
                        float(sampleAt(line.data(), size_t(x) * perLine + size_t(c), l));
        }
    return v;
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
    const std::vector<float> v = readValues(s, l);

    PixPage page;
    const bool grey = colours == 1;
    page.type = grey ? (alpha ? kGrayAlpha : kGray) : (alpha ? kRgba : kRgb);
    page.image = allocateImage(l.width, l.height,
                               page.type == kGray  ? QImage::Format_Grayscale8
                               : page.type == kRgb ? QImage::Format_RGB32
                                                   : QImage::Format_ARGB32,
                               kSource);
    const bool lab = l.photometric == PHOTOMETRIC_CIELAB;
    // Plain values, not a structured binding: lambdas below capture them.
    const std::pair<double, double> range =
        lab ? std::pair{0.0, 1.0} : shownRange(t, l, v, colours, note);
    const double lo = range.first, hi = range.second;
    const auto [alphaLo, alphaHi] = depthRange(l);
    auto level = [](double x, double a, double b) {
        return std::isfinite(x) ? int(std::lround(std::clamp((x - a) / (b - a), 0.0, 1.0) * 255))
                                : 0;
    };
    const bool invert = l.photometric == PHOTOMETRIC_MINISWHITE;
    const std::array<double, 3> white = whitePoint(t);
    const Matrix toRgb = labToLinearSrgb(white);
    for (uint32_t y = 0; y < l.height; ++y) {
        uchar* row = page.image.scanLine(int(y));
        auto* px = reinterpret_cast<QRgb*>(row);
        for (uint32_t x = 0; x < l.width; ++x) {
            const float* p = v.data() + (size_t(y) * l.width + x) * l.spp;
            const int a = alpha ? level(p[colours], alphaLo, alphaHi) : 255;
            if (lab) {
                const QRgb c = labPixel(p, l, toRgb, white);
                px[x] = qRgba(qRed(c), qGreen(c), qBlue(c), a);
            } else if (grey) {
                int g = level(p[0], lo, hi);
                if (invert) g = 255 - g;
                if (alpha)
                    px[x] = qRgba(g, g, g, a);
                else
                    row[x] = uchar(g);
            } else if (l.photometric == PHOTOMETRIC_SEPARATED) {
                const int k = 255 - level(p[3], lo, hi);
                auto ink = [&](double c) { return ((255 - level(c, lo, hi)) * k + 127) / 255; };
                px[x] = qRgb(ink(p[0]), ink(p[1]), ink(p[2]));
            } else {
                px[x] = qRgba(level(p[0], lo, hi), level(p[1], lo, hi), level(p[2], lo, hi), a);
            }
        }
    }
    if (alpha && l.associatedAlpha) page.image = unpremultiplied(page.image);
    return page;
}

} // namespace pix
