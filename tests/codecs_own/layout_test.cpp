// Layouts our writers do not produce, built by hand from known pixels: top-down and 16-bit
// BMPs, every TGA origin, EGA-plane PCX, a raw 16-bit grey PSD with alpha.
#include "engine/image_type.h"
#include "libcodecs/reference_tools.h"
#include "support/test_images.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace pixtest;

namespace {

template <typename T> void put(QByteArray& b, qsizetype at, T v) {
    qToLittleEndian(v, b.data() + at);
}

TEST(Layouts, TopDownBmpMatchesBottomUp) {
    const QImage src = sampleOfType(pix::kRgb, 13, 7);
    const QByteArray bottomUp = codec("bmp").write({{src, pix::kRgb, {}}}, {});
    QByteArray topDown = bottomUp;
    const int off = qFromLittleEndian<int32_t>(bottomUp.constData() + 10);
    const int stride = (13 * 3 + 3) / 4 * 4;
    put<int32_t>(topDown, 22, -7);
    for (int y = 0; y < 7; ++y)
        topDown.replace(off + y * stride, stride, bottomUp.mid(off + (6 - y) * stride, stride));
    EXPECT_TRUE(pixtest::samePixels(readFirst("bmp", topDown).image, src));
}

TEST(Layouts, Bmp16BitDefaultsTo555) {
    // 2 x 1 pixels: pure red and pure blue in X1R5G5B5, rows padded to 4 bytes.
    QByteArray b(14 + 40 + 4, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put<uint32_t>(b, 10, 54);
    put<uint32_t>(b, 14, 40);
    put<int32_t>(b, 18, 2);
    put<int32_t>(b, 22, 1);
    put<uint16_t>(b, 26, 1);
    put<uint16_t>(b, 28, 16);
    put<uint16_t>(b, 54, 0x7C00);
    put<uint16_t>(b, 56, 0x001F);
    const pix::PixPage p = readFirst("bmp", b);
    EXPECT_EQ(p.type, pix::kRgb);
    const auto* row = reinterpret_cast<const QRgb*>(p.image.constScanLine(0));
    EXPECT_EQ(row[0], qRgb(255, 0, 0));
    EXPECT_EQ(row[1], qRgb(0, 0, 255));
}

// Rewrites our top-down TGA for another origin: bit 5 clear is bottom-up, bit 4 right-to-left.
QByteArray tgaWithOrigin(const QByteArray& topDown, int w, int h, int pixel, bool bottomUp,
                         bool rightToLeft) {
    QByteArray out = topDown;
    const qsizetype start = out.size() - qsizetype(w) * h * pixel;
    out[17] = char((out[17] & 0x0F) | (bottomUp ? 0 : 0x20) | (rightToLeft ? 0x10 : 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sy = bottomUp ? h - 1 - y : y, sx = rightToLeft ? w - 1 - x : x;
            out.replace(start + (qsizetype(y) * w + x) * pixel, pixel,
                        topDown.mid(start + (qsizetype(sy) * w + sx) * pixel, pixel));
        }
    return out;
}

TEST(Layouts, TgaEveryOriginGivesTheSameImage) {
    const QImage src = sampleOfType(pix::kRgba, 11, 6);
    const QByteArray file = codec("tga").write({{src, pix::kRgba, {}}}, {});
    for (bool bottomUp : {false, true})
        for (bool rtl : {false, true}) {
            const pix::PixPage p = readFirst("tga", tgaWithOrigin(file, 11, 6, 4, bottomUp, rtl));
            EXPECT_TRUE(pixtest::samePixels(p.image, src)) << bottomUp << rtl;
        }
}

TEST(Layouts, PcxEgaPlanesUseTheHeaderPalette) {
    // 8 x 1 pixels, 1 bit in 4 planes: pixel x has colour index x (planes hold bits 0..3).
    QByteArray b(128, '\0');
    b[0] = 0x0A;
    b[1] = 2;
    b[2] = 1;
    b[3] = 1;
    put<uint16_t>(b, 8, 7);
    put<uint16_t>(b, 10, 0);
    for (int i = 0; i < 16; ++i) {
        b[16 + 3 * i] = char(i * 16);
        b[17 + 3 * i] = char(255 - i * 16);
        b[18 + 3 * i] = char(i);
    }
    b[65] = 4;
    put<uint16_t>(b, 66, 2);
    for (int plane = 0; plane < 4; ++plane) {
        uint8_t bits = 0;
        for (int x = 0; x < 8; ++x)
            if (x >> plane & 1) bits |= uint8_t(0x80 >> x);
        b.append(char(bits < 0xC0 ? bits : 0xC1));
        if (bits >= 0xC0) b.append(char(bits));
        b.append(char(0));
    }
    const pix::PixPage p = readFirst("pcx", b);
    EXPECT_EQ(p.type, pix::kIndexed);
    const uint8_t* row = p.image.constScanLine(0);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(p.image.color(row[x]), qRgb(x * 16, 255 - x * 16, x)) << x;
}

// A raw (uncompressed) PSD with the given planar channel bytes.
QByteArray rawPsd(int w, int h, int channels, int depth, int mode, const QByteArray& planes) {
    QByteArray b("8BPS\0\1\0\0\0\0\0\0", 12);
    auto be16 = [&b](int v) { b.append(char(v >> 8)).append(char(v)); };
    auto be32 = [&](uint32_t v) {
        be16(int(v >> 16));
        be16(int(v & 0xFFFF));
    };
    be16(channels);
    be32(uint32_t(h));
    be32(uint32_t(w));
    be16(depth);
    be16(mode);
    be32(0);
    be32(0);
    be32(0);
    be16(0);
    return b + planes;
}

TEST(Layouts, Psd16BitGreyWithAlphaScalesTo8Bits) {
    // 2 x 1: grey 0xFFFF and 0x8080, alpha 0x0000 and 0xFFFF.
    const QByteArray planes("\xFF\xFF\x80\x80\x00\x00\xFF\xFF", 8);
    const pix::PixPage p = readFirst("psd", rawPsd(2, 1, 2, 16, 1, planes));
    EXPECT_EQ(p.type, pix::kGrayAlpha);
    const auto* row = reinterpret_cast<const QRgb*>(p.image.constScanLine(0));
    EXPECT_EQ(row[0], qRgba(255, 255, 255, 0));
    EXPECT_EQ(row[1], qRgba(128, 128, 128, 255));
}

} // namespace
