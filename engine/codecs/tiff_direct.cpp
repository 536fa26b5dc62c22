#include "tiff_direct.h"

#include "raster_util.h"
#include "tiff_samples.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "../pix_error.h"

#include <algorithm>

namespace pix::tiff {

PageInfo pageInfo(const TiffStream& s) {
    TIFF* t = s.tiff();
    PageInfo p;
    if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &p.width) ||
        !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &p.height))
        s.fail(QStringLiteral("A TIFF page has no size"));
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &p.spp);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &p.bps);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &p.planar);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &p.photometric))
        p.photometric = p.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    p.hasExtra = extraCount > 0;
    p.associatedAlpha = extraCount > 0 && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_JPEG && p.photometric == PHOTOMETRIC_YCBCR) {
        // libjpeg does the colour conversion; the rows then arrive as RGB.
        TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        p.photometric = PHOTOMETRIC_RGB;
    }
    return p;
}

Direct directLayout(const TiffStream& s, const PageInfo& p) {
    // One sample per pixel is laid out the same whichever planar configuration is named.
    if (TIFFIsTiled(s.tiff()) || (p.planar != PLANARCONFIG_CONTIG && p.spp != 1))
        return Direct::None;
    const bool grey =
        p.photometric == PHOTOMETRIC_MINISBLACK || p.photometric == PHOTOMETRIC_MINISWHITE;
    if ((grey || p.photometric == PHOTOMETRIC_PALETTE) && p.spp == 1 && p.bps == 1)
        return Direct::Bilevel;
    if (p.bps != 8) return Direct::None;
    if (grey && p.spp == 1) return Direct::Gray;
    if (p.photometric == PHOTOMETRIC_MINISBLACK && p.spp == 2) return Direct::GrayAlpha;
    if (p.photometric == PHOTOMETRIC_PALETTE && p.spp == 1) return Direct::Palette;
    if (p.photometric == PHOTOMETRIC_RGB && p.spp == 3) return Direct::Rgb;
    if (p.photometric == PHOTOMETRIC_RGB && p.spp == 4) return Direct::Rgba;
    return Direct::None;
}

void storeRow(Direct layout, const PageInfo& p, const uint8_t* in, uchar* out, int w) {
    auto* px = reinterpret_cast<QRgb*>(out);
    const bool invert = p.photometric == PHOTOMETRIC_MINISWHITE;
    switch (layout) {
    case Direct::Bilevel:
        std::copy(in, in + (w + 7) / 8, out);
        break;
    case Direct::Gray:
    case Direct::Palette:
        for (int x = 0; x < w; ++x) out[x] = invert ? 255 - in[x] : in[x];
        break;
    case Direct::GrayAlpha:
        for (int x = 0; x < w; ++x) px[x] = qRgba(in[2 * x], in[2 * x], in[2 * x], in[2 * x + 1]);
        break;
    case Direct::Rgb:
        rgbToPixels(in, w, px);
        break;
    case Direct::Rgba:
        for (int x = 0; x < w; ++x)
            px[x] =
                qRgba(in[4 * x], in[4 * x + 1], in[4 * x + 2], p.hasExtra ? in[4 * x + 3] : 255);
        break;
    case Direct::None:
        break;
    }
}

namespace {

const QString kSource = QStringLiteral("TIFF");

} // namespace

std::unique_ptr<TiffRowReader> TiffRowReader::open(const QByteArray& bytes) {
    std::unique_ptr<TiffRowReader> r(new TiffRowReader);
    try {
        r->stream_ = std::make_unique<TiffStream>(bytes, "r", kSource);
        TIFF* t = r->stream_->tiff();
        uint16_t orientation = ORIENTATION_TOPLEFT;
        TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &orientation);
        if (TIFFNumberOfDirectories(t) != 1 || wantsSampleReader(t) ||
            orientation != ORIENTATION_TOPLEFT)
            return nullptr;
        r->info_ = pageInfo(*r->stream_);
        const PageInfo& p = r->info_;
        checkImageSize(p.width, p.height, kSource);
        r->layout_ = directLayout(*r->stream_, p);
        const bool rgba = r->layout_ == Direct::Rgba && !p.associatedAlpha;
        if (r->layout_ != Direct::Rgb && !rgba) return nullptr;
        r->lineSize_ = TIFFScanlineSize(t);
        if (r->lineSize_ < int64_t(p.width) * p.spp) return nullptr;
        TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &r->rowsPerStrip_);
        r->rowsPerStrip_ = std::clamp<uint32_t>(r->rowsPerStrip_, 1, p.height);
        if (TIFFNumberOfStrips(t) < (p.height + r->rowsPerStrip_ - 1) / r->rowsPerStrip_)
            return nullptr;
        uint16_t compression = COMPRESSION_NONE, fillOrder = FILLORDER_MSB2LSB;
        TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
        TIFFGetFieldDefaulted(t, TIFFTAG_FILLORDER, &fillOrder);
        r->raw_ = compression == COMPRESSION_NONE && fillOrder == FILLORDER_MSB2LSB;
        r->bytes_ = bytes;
    } catch (const PixError&) {
        return nullptr;
    }
    return r;
}

TiffRowReader::~TiffRowReader() = default;

int TiffRowReader::type() const {
    return layout_ == Direct::Rgba ? kRgba : kRgb;
}

bool TiffRowReader::storesAsWritten() const {
    return layout_ == Direct::Rgb || info_.hasExtra;
}

void TiffRowReader::readRow(int y, int x0, int n, QRgb* out) {
    storeRow(layout_, info_, storedRow(y) + size_t(x0) * info_.spp, reinterpret_cast<uchar*>(out),
             n);
}

const uint8_t* TiffRowReader::storedRow(int y) {
    const int strip = int(uint32_t(y) / rowsPerStrip_);
    const uint32_t top = uint32_t(strip) * rowsPerStrip_;
    if (strip != held_) {
        const uint32_t rows = std::min(rowsPerStrip_, info_.height - top);
        const tmsize_t want = tmsize_t(lineSize_) * tmsize_t(rows);
        held_ = -1;
        // An uncompressed strip that lies whole in the file is read where it lies.
        const uint64_t at = raw_ ? TIFFGetStrileOffset(stream_->tiff(), uint32_t(strip)) : 0;
        const uint64_t stored = raw_ ? TIFFGetStrileByteCount(stream_->tiff(), uint32_t(strip)) : 0;
        if (raw_ && stored >= uint64_t(want) && at <= uint64_t(bytes_.size()) &&
            uint64_t(want) <= uint64_t(bytes_.size()) - at) {
            strip_ = reinterpret_cast<const uint8_t*>(bytes_.constData()) + at;
        } else {
            buffer_.resize(size_t(want));
            if (TIFFReadEncodedStrip(stream_->tiff(), uint32_t(strip), buffer_.data(), want) < want)
                stream_->fail(QStringLiteral("Cannot read row %1 of a TIFF page").arg(top));
            strip_ = buffer_.data();
        }
        held_ = strip;
    }
    return strip_ + size_t(uint32_t(y) - top) * size_t(lineSize_);
}

} // namespace pix::tiff
