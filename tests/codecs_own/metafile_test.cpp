// The metafile players: shapes with pens and brushes, bitmaps placed inside a larger picture,
// and the picture size from the placeable header or the EMF bounds.
#include "engine/image_type.h"
#include "libcodecs/reference_tools.h"
#include "support/test_images.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace pixtest;

namespace {

// Builds a WMF from (function, 16-bit parameters) records, with an optional placeable header.
class WmfBuilder {
public:
    WmfBuilder& record(uint16_t function, std::initializer_list<int> params) {
        body_ += le32(3 + uint32_t(params.size())) + le16(function);
        for (int v : params) body_ += le16(uint16_t(v));
        return *this;
    }
    WmfBuilder& raw(uint16_t function, const QByteArray& params) {
        body_ += le32(3 + uint32_t(params.size() / 2)) + le16(function) + params;
        return *this;
    }
    QByteArray build(int placeableRight = 0, int placeableBottom = 0, int inch = 96) const {
        const QByteArray body = body_ + le32(3) + le16(0);
        QByteArray out;
        if (placeableRight) {
            const uint16_t words[] = {0xCDD7,
                                      0x9AC6,
                                      0,
                                      0,
                                      0,
                                      uint16_t(placeableRight),
                                      uint16_t(placeableBottom),
                                      uint16_t(inch),
                                      0,
                                      0};
            uint16_t sum = 0;
            for (uint16_t w : words) {
                out += le16(w);
                sum ^= w;
            }
            out += le16(sum);
        }
        return out + le16(1) + le16(9) + le16(0x300) + le32(uint32_t(9 + body.size() / 2)) +
               le16(4) + le32(64) + le16(0) + body;
    }
    static QByteArray le16(uint16_t v) {
        return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8));
    }
    static QByteArray le32(uint32_t v) { return le16(uint16_t(v)) + le16(uint16_t(v >> 16)); }

private:
    QByteArray body_;
};

QRgb at(const QImage& img, int x, int y) {
    return reinterpret_cast<const QRgb*>(
        img.convertToFormat(QImage::Format_RGB32).constScanLine(y))[x];
}

TEST(Metafile, WmfRectangleAndPolygonWithBrushes) {
    const QByteArray wmf = WmfBuilder()
                               .record(0x020C, {10, 20})               // window extent 20 x 10
                               .record(0x02FA, {5, 0, 0, 0, 0})        // null pen -> slot 0
                               .record(0x02FC, {0, 0x00FF, 0x0000, 0}) // red brush -> slot 1
                               .record(0x012D, {0})
                               .record(0x012D, {1})
                               .record(0x041B, {6, 8, 2, 2})           // rectangle (2,2)-(8,6)
                               .record(0x01F0, {1})                    // delete red: slot 1 free
                               .record(0x02FC, {0, 0x0000, 0x00FF, 0}) // blue brush -> slot 1
                               .record(0x012D, {1})
                               .record(0x0324, {4, 12, 1, 19, 1, 19, 9, 12, 9})
                               .build();
    const pix::PixPage p = readFirst("wmf", wmf);
    ASSERT_EQ(p.image.size(), QSize(20, 10));
    EXPECT_EQ(p.type, pix::kRgb);
    EXPECT_EQ(at(p.image, 4, 4), qRgb(255, 0, 0));
    EXPECT_EQ(at(p.image, 15, 5), qRgb(0, 0, 255));
    EXPECT_EQ(at(p.image, 0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(at(p.image, 10, 8), qRgb(255, 255, 255));
}

TEST(Metafile, PlaceableHeaderSetsThePixelSize) {
    // One inch by half an inch in twips is 96 x 48 pixels.
    const QByteArray wmf = WmfBuilder().record(0x020C, {720, 1440}).build(1440, 720, 1440);
    const pix::PixPage p = readFirst("wmf", wmf);
    EXPECT_EQ(p.image.size(), QSize(96, 48));
}

TEST(Metafile, WmfBitmapPlacedInsideALargerPicture) {
    const QImage dibImage = sampleOfType(pix::kRgb, 5, 4);
    const QByteArray bmp = codec("bmp").write({{dibImage, pix::kRgb, {}}}, {});
    QByteArray params = WmfBuilder::le32(0x00CC0020);
    for (int v : {4, 5, 0, 0, 4, 5, 3, 6}) params += WmfBuilder::le16(uint16_t(v));
    params += bmp.mid(14);
    const QByteArray wmf = WmfBuilder()
                               .record(0x020C, {10, 12})
                               .raw(0x0F43, params.mid(0, 4) + WmfBuilder::le16(0) + params.mid(4))
                               .build();
    const pix::PixPage p = readFirst("wmf", wmf);
    ASSERT_EQ(p.image.size(), QSize(12, 10));
    EXPECT_EQ(p.type, pix::kRgb);
    EXPECT_TRUE(pixtest::samePixels(p.image.copy(6, 3, 5, 4), dibImage));
    EXPECT_EQ(at(p.image, 0, 0), qRgb(255, 255, 255));
}

TEST(Metafile, EmfBoundsAndRectangle) {
    // Written picture, then a rectangle record spliced in before EOF.
    const QImage src = sampleOfType(pix::kRgb, 16, 12);
    QByteArray emf = codec("emf").write({{src, pix::kRgb, {}}}, {});
    QByteArray shapes;
    auto rec = [&shapes](uint32_t type, std::initializer_list<uint32_t> v) {
        shapes += WmfBuilder::le32(type) + WmfBuilder::le32(uint32_t(8 + 4 * v.size()));
        for (uint32_t x : v) shapes += WmfBuilder::le32(x);
    };
    rec(39, {1, 0, 0x00FF00, 0}); // green brush in slot 1
    rec(37, {1});
    rec(37, {0x80000008u}); // stock null pen
    rec(43, {2, 2, 6, 5});
    emf.insert(emf.size() - 20, shapes);
    qToLittleEndian<uint32_t>(uint32_t(emf.size()), emf.data() + 48);
    const pix::PixPage p = readFirst("emf", emf);
    ASSERT_EQ(p.image.size(), QSize(16, 12));
    EXPECT_EQ(p.type, pix::kRgb); // a shape over the bitmap: the raster, not the bitmap
    EXPECT_EQ(at(p.image, 3, 3), qRgb(0, 255, 0));
    EXPECT_TRUE(pixtest::samePixels(p.image.copy(8, 0, 8, 12), src.copy(8, 0, 8, 12)));
}

} // namespace
