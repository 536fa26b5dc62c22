// TIFF pages whose samples are plain 8-bit or bilevel strips: what a page holds, which of these
// layouts it has, and the unpacking of one stored row into image pixels. The codec reads whole
// pages this way; TiffRowReader reads a single-page file a row at a time, holding one strip.
#pragma once

#include "tiff_stream.h"

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

namespace pix::tiff {

// The layouts read directly from scanlines.
enum class Direct { None, Bilevel, Gray, GrayAlpha, Palette, Rgb, Rgba };

struct PageInfo {
    uint32_t width = 0, height = 0;
    uint16_t spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    bool associatedAlpha = false;
    bool hasExtra = false;
};

// The current page's description; asks libjpeg for RGB rows from a YCbCr JPEG page.
PageInfo pageInfo(const TiffStream& s);
Direct directLayout(const TiffStream& s, const PageInfo& p);
// Unpacks one scanline into an image row `w` pixels wide.
void storeRow(Direct layout, const PageInfo& p, const uint8_t* in, uchar* out, int w);

// A single-page file of upright 8-bit RGB or unassociated RGBA strips, read a row at a time
// into the 32-bit pixels the codec would give the whole page.
class TiffRowReader {
public:
    // The reader of `bytes` (which must outlive it), or nullptr when the file is not of that kind
    // or cannot be opened; the codec then reads it whole, with its own messages.
    static std::unique_ptr<TiffRowReader> open(const QByteArray& bytes);
    ~TiffRowReader();

    int width() const { return int(info_.width); }
    int height() const { return int(info_.height); }
    // kRgb or kRgba.
    int type() const;
    // Writes the pixels of row y from column x0, n of them, to `out`; decodes the row's strip
    // when it is not the one held. Throws PixError when the strip cannot be read.
    void readRow(int y, int x0, int n, QRgb* out);
    // Whether the stored samples are those the writer stores for the page's type (RGB, or RGBA
    // whose fourth sample is named alpha), so that rows can be copied as they are.
    bool storesAsWritten() const;
    // The stored samples of row y (`spp` bytes a pixel), valid until another strip is read.
    const uint8_t* storedRow(int y);
    int samplesPerPixel() const { return info_.spp; }

private:
    TiffRowReader() = default;

    std::unique_ptr<TiffStream> stream_;
    PageInfo info_;
    Direct layout_ = Direct::None;
    uint32_t rowsPerStrip_ = 1;
    int64_t lineSize_ = 0;
    bool raw_ = false; // uncompressed strips, read straight from bytes_
    QByteArray bytes_; // the file (not a copy)
    int held_ = -1;    // the strip at strip_
    const uint8_t* strip_ = nullptr;
    std::vector<uint8_t> buffer_; // a decoded strip
};

} // namespace pix::tiff
