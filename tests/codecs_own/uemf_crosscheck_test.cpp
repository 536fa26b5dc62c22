// Metafiles written by libuemf, an independent writer, played by our WMF and EMF readers: shapes
// drawn with a solid pen and brush land on the pixels GDI gives them, and embedded 24-bit bitmaps
// come back exactly. Every mapping is 1:1 and every shape sits on whole pixels.
#include "engine/codecs/codec.h"
#include "engine/image_type.h"
#include "libcodecs/reference_tools.h"
#include "support/test_images.h"

#include <QDir>
#include <QImage>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <uemf.h>
#include <uwmf.h>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 160, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kYellow = qRgb(255, 220, 0);

U_COLORREF ref(QRgb c) {
    return colorref3_set(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)));
}

// A small bitmap with a different colour in every pixel and no two channels alike.
QImage sampleBitmap(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(30 + 40 * x, 20 + 50 * y, 230 - 25 * x - 9 * y));
    return img;
}

// The image as libuemf's bottom-up 24-bit DIB: the BITMAPINFO and the padded rows.
class Dib {
public:
    explicit Dib(const QImage& image) {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        PU_RGBQUAD table = nullptr;
        int tableSize = 0;
        const int status = RGBA_to_DIB(&px_, &cbPx_, &table, &tableSize,
                                       reinterpret_cast<const char*>(rgba.constBits()),
                                       rgba.width(), rgba.height(), int(rgba.bytesPerLine()),
                                       U_BCBM_COLOR24, U_CT_NO, U_ROW_ORDER_INVERT);
        EXPECT_EQ(status, 0);
        std::free(table);
        const U_BITMAPINFOHEADER header = bitmapinfoheader_set(
            rgba.width(), rgba.height(), 1, U_BCBM_COLOR24, U_BI_RGB, cbPx_, 3780, 3780, 0, 0);
        bmi_ = bitmapinfo_set(header, nullptr);
    }
    ~Dib() {
        std::free(px_);
        std::free(bmi_);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;

    PU_BITMAPINFO bmi() const { return bmi_; }
    uint32_t size() const { return cbPx_; }
    char* bits() const { return px_; }

private:
    char* px_ = nullptr;
    uint32_t cbPx_ = 0;
    PU_BITMAPINFO bmi_ = nullptr;
};

QRgb at(const QImage& img, int x, int y) {
    return img.pixel(x, y) | 0xFF000000u;
}

// Checks GDI's Rectangle(l, t, r, b) with a one-pixel pen: the outline on columns l and r - 1
// and rows t and b - 1, the brush inside, the background on a one-pixel ring around it.
void expectOutlinedRect(const QImage& img, int l, int t, int r, int b, QRgb pen, QRgb brush) {
    for (int y = t - 1; y <= b; ++y)
        for (int x = l - 1; x <= r; ++x) {
            const bool outside = x < l || x >= r || y < t || y >= b;
            const bool border = x == l || x == r - 1 || y == t || y == b - 1;
            const QRgb want = outside ? kWhite : border ? pen : brush;
            ASSERT_EQ(at(img, x, y), want) << "at (" << x << ", " << y << ")";
        }
}

// Whether the part of the page at (x, y) equals the expected image, pixel for pixel.
void expectRegion(const QImage& page, int x, int y, const QImage& want) {
    const QImage got = page.copy(x, y, want.width(), want.height());
    EXPECT_TRUE(pixtest::samePixels(got.convertToFormat(QImage::Format_RGB32),
                                    want.convertToFormat(QImage::Format_RGB32)))
        << "region at (" << x << ", " << y << ") of size " << want.width() << "x" << want.height();
}

// ---- EMF ----

constexpr int kEmfW = 48, kEmfH = 36;

// Writes an EMF of the given size with libuemf; `draw` appends the records between the header
// and the end-of-file record.
QString writeEmf(const QString& name, int w, int h,
                 const std::function<void(EMFTRACK*, EMFHANDLES*)>& draw) {
    const QString path = QDir(pixtest::tempDir()).filePath(name);
    EMFTRACK* et = nullptr;
    EMFHANDLES* eht = nullptr;
    EXPECT_EQ(emf_start(path.toLocal8Bit().constData(), 100000, 25000, &et), 0);
    EXPECT_EQ(emf_htable_create(128, 128, &eht), 0);
    // Bounds in device pixels (inclusive); frame in 0.01 mm at 96 pixels an inch.
    const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(w - 1, h - 1));
    const U_RECTL frame = rectl_set(point32_set(0, 0), point32_set(w * 2540 / 96, h * 2540 / 96));
    EXPECT_EQ(emf_append(reinterpret_cast<PU_ENHMETARECORD>(
                             U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr,
                                             sizel_set(1024, 768), sizel_set(271, 203), 0)),
                         et, U_REC_FREE),
              0);
    draw(et, eht);
    EXPECT_EQ(emf_append(reinterpret_cast<PU_ENHMETARECORD>(U_EMREOF_set(0, nullptr, et)), et,
                         U_REC_FREE),
              0);
    EXPECT_EQ(emf_finish(et, eht), 0);
    emf_free(&et);
    emf_htable_free(&eht);
    return path;
}

void append(EMFTRACK* et, char* record) {
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), et, U_REC_FREE), 0);
}

// EMR_STRETCHDIBITS of the source rectangle (sx, sy, sw, sh) of the bitmap, the y counted from
// its bottom row as GDI does for bottom-up DIBs.
char* stretchDibits(const Dib& dib, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    const U_RECTL bounds = rectl_set(point32_set(x, y), point32_set(x + w - 1, y + h - 1));
    return U_EMRSTRETCHDIBITS_set(bounds, point32_set(x, y), point32_set(w, h), point32_set(sx, sy),
                                  point32_set(sw, sh), U_DIB_RGB_COLORS, U_SRCCOPY, dib.bmi(),
                                  dib.size(), dib.bits());
}

TEST(UemfCrossCheck, EmfShapesAndBitmaps) {
    const QImage bitmap = sampleBitmap(5, 4);
    const Dib dib(bitmap);
    const QString path = writeEmf("shapes.emf", kEmfW, kEmfH, [&](EMFTRACK* et, EMFHANDLES* eht) {
        uint32_t pen = 0, red = 0, green = 0, yellow = 0;
        append(et, U_EMRSETMAPMODE_set(U_MM_TEXT));
        append(et, createpen_set(&pen, eht, logpen_set(U_PS_SOLID, point32_set(1, 1), ref(kBlue))));
        append(et, selectobject_set(pen, eht));
        append(et, createbrushindirect_set(&red, eht, logbrush_set(U_BS_SOLID, ref(kRed), 0)));
        append(et, selectobject_set(red, eht));
        append(et, U_EMRRECTANGLE_set(rectl_set(point32_set(2, 2), point32_set(12, 10))));
        append(et, createbrushindirect_set(&green, eht, logbrush_set(U_BS_SOLID, ref(kGreen), 0)));
        append(et, selectobject_set(green, eht));
        append(et, U_EMRELLIPSE_set(rectl_set(point32_set(14, 2), point32_set(26, 14))));
        append(et,
               createbrushindirect_set(&yellow, eht, logbrush_set(U_BS_SOLID, ref(kYellow), 0)));
        append(et, selectobject_set(yellow, eht));
        const U_POINTL triangle[] = {point32_set(28, 2), point32_set(44, 2), point32_set(44, 18)};
        append(et,
               U_EMRPOLYGON_set(rectl_set(point32_set(28, 2), point32_set(44, 18)), 3, triangle));
        append(et, selectobject_set(green, eht)); // with the stock null pen
        append(et, selectobject_set(U_NULL_PEN, eht));
        append(et, U_EMRRECTANGLE_set(rectl_set(point32_set(2, 13), point32_set(8, 19))));
        append(et, deleteobject_set(&red, eht));
        append(et, stretchDibits(dib, 30, 24, 5, 4, 0, 0, 5, 4));  // 1:1, the whole bitmap
        append(et, stretchDibits(dib, 2, 24, 3, 2, 1, 0, 3, 2));   // 1:1, a part of it
        append(et, stretchDibits(dib, 12, 20, 10, 8, 0, 0, 5, 4)); // twice the size
    });
    const pix::PixPage page = pixtest::decodeOnly(path, pix::kFileEmf);
    const QImage& img = page.image;
    ASSERT_EQ(img.size(), QSize(kEmfW, kEmfH));
    EXPECT_EQ(page.type, pix::kRgb);

    expectOutlinedRect(img, 2, 2, 12, 10, kBlue, kRed);
    // The ellipse: the brush at its centre, background in the corners of its box, and (its edge
    // being smoothed) mostly the pen on its leftmost pixel.
    EXPECT_EQ(at(img, 20, 8), kGreen);
    const QRgb edge = at(img, 14, 8);
    EXPECT_TRUE(qBlue(edge) > qGreen(edge) && qRed(edge) < 64) << std::hex << edge;
    for (const QPoint corner : {QPoint(14, 2), QPoint(25, 2), QPoint(14, 13), QPoint(25, 13)})
        EXPECT_EQ(at(img, corner.x(), corner.y()), kWhite) << corner.x() << ", " << corner.y();
    // The null-pen rectangle: the brush inside, no outline.
    for (const QPoint p : {QPoint(3, 14), QPoint(5, 16)})
        EXPECT_EQ(at(img, p.x(), p.y()), kGreen) << p.x() << ", " << p.y();
    for (const QPoint p : {QPoint(1, 15), QPoint(9, 15), QPoint(4, 12), QPoint(4, 20)})
        EXPECT_EQ(at(img, p.x(), p.y()), kWhite) << p.x() << ", " << p.y();
    // The triangle: the brush well inside, background across its long edge.
    EXPECT_EQ(at(img, 40, 5), kYellow);
    EXPECT_EQ(at(img, 33, 12), kWhite);
    EXPECT_EQ(at(img, 28, 2), kBlue);

    expectRegion(img, 30, 24, bitmap);
    // Source y = 0 counts from the bottom row: the lower two of the four rows.
    expectRegion(img, 2, 24, bitmap.copy(1, 2, 3, 2));
    expectRegion(img, 12, 20, bitmap.scaled(10, 8, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    // Nothing drawn around the bitmaps.
    for (const QPoint p : {QPoint(29, 24), QPoint(35, 27), QPoint(30, 28), QPoint(5, 24),
                           QPoint(2, 26), QPoint(11, 20), QPoint(22, 27), QPoint(12, 28),
                           QPoint(0, 0), QPoint(kEmfW - 1, kEmfH - 1)})
        EXPECT_EQ(at(img, p.x(), p.y()), kWhite) << p.x() << ", " << p.y();
}

TEST(UemfCrossCheck, EmfWholePictureBitmapComesBackAsItself) {
    const QImage bitmap = sampleBitmap(7, 5);
    const Dib dib(bitmap);
    const QString path = writeEmf("bitmap.emf", 7, 5, [&](EMFTRACK* et, EMFHANDLES*) {
        append(et, stretchDibits(dib, 0, 0, 7, 5, 0, 0, 7, 5));
    });
    const pix::PixPage page = pixtest::decodeOnly(path, pix::kFileEmf);
    EXPECT_EQ(page.type, pix::kRgb);
    ASSERT_EQ(page.image.size(), QSize(7, 5));
    expectRegion(page.image, 0, 0, bitmap);
}

// ---- WMF ----

constexpr int kWmfW = 32, kWmfH = 24;

void append(WMFTRACK* wt, char* record) {
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(wmf_append(reinterpret_cast<U_METARECORD*>(record), wt, U_REC_FREE), 0);
}

// Writes a WMF with libuemf, with a placeable header of that size in inches when `inches` is
// given, at `dpi` logical units an inch; `draw` appends the records after the window set-up.
QString writeWmf(const QString& name, std::optional<QSizeF> inches, int dpi, QSize window,
                 const std::function<void(WMFTRACK*, WMFHANDLES*)>& draw) {
    const QString path = QDir(pixtest::tempDir()).filePath(name);
    WMFTRACK* wt = nullptr;
    WMFHANDLES* wht = nullptr;
    EXPECT_EQ(wmf_start(path.toLocal8Bit().constData(), 100000, 25000, &wt), 0);
    EXPECT_EQ(wmf_htable_create(128, 128, &wht), 0);
    U_PAIRF* size = inches ? U_PAIRF_set(float(inches->width()), float(inches->height())) : nullptr;
    EXPECT_EQ(wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(size, dpi)), wt,
                                U_REC_FREE),
              0);
    std::free(size);
    append(wt, U_WMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    append(wt, U_WMRSETWINDOWORG_set(point16_set(0, 0)));
    append(wt, U_WMRSETWINDOWEXT_set(point16_set(window.width(), window.height())));
    draw(wt, wht);
    append(wt, U_WMREOF_set());
    EXPECT_EQ(wmf_finish(wt), 0);
    wmf_free(&wt);
    wmf_htable_free(&wht);
    return path;
}

// A placeable header in twips: one inch by half an inch is 96 x 48 pixels.
TEST(UemfCrossCheck, PlaceableHeaderSetsThePixelSize) {
    const QString path = writeWmf("twips.wmf", QSizeF(1.0, 0.5), 1440, QSize(1440, 720),
                                  [](WMFTRACK*, WMFHANDLES*) {});
    EXPECT_EQ(pixtest::decodeOnly(path, pix::kFileWmf).image.size(), QSize(96, 48));
}

// Shapes and bitmaps in a 32 x 24 WMF, with or without the placeable header (at 96 units an
// inch, so one logical unit is one pixel either way).
TEST(UemfCrossCheck, WmfWithAndWithoutPlaceableHeader) {
    const QImage bitmap = sampleBitmap(5, 4);
    const Dib dib(bitmap);
    const auto draw = [&](WMFTRACK* wt, WMFHANDLES* wht) {
        uint32_t pen = 0, red = 0, green = 0, nullPen = 0;
        append(wt, wcreatepenindirect_set(&pen, wht, U_PEN_set(U_PS_SOLID, 1, ref(kBlue))));
        append(wt, wselectobject_set(pen, wht));
        append(wt, wcreatebrushindirect_set(&red, wht, U_WLOGBRUSH_set(U_BS_SOLID, ref(kRed), 0)));
        append(wt, wselectobject_set(red, wht));
        append(wt, U_WMRRECTANGLE_set(U_RECT16_set(point16_set(2, 2), point16_set(12, 10))));
        // A rectangle and a triangle with the null pen, after the red brush is deleted and its
        // slot reused.
        append(wt, wcreatepenindirect_set(&nullPen, wht, U_PEN_set(U_PS_NULL, 1, ref(kBlue))));
        append(wt, wselectobject_set(nullPen, wht));
        append(wt, wdeleteobject_set(&red, wht));
        append(wt,
               wcreatebrushindirect_set(&green, wht, U_WLOGBRUSH_set(U_BS_SOLID, ref(kGreen), 0)));
        append(wt, wselectobject_set(green, wht));
        append(wt, U_WMRRECTANGLE_set(U_RECT16_set(point16_set(16, 2), point16_set(24, 10))));
        const U_POINT16 triangle[] = {point16_set(26, 2), point16_set(31, 2), point16_set(31, 7)};
        append(wt, U_WMRPOLYGON_set(3, triangle));
        append(wt, U_WMRSTRETCHDIB_set(point16_set(2, 14), point16_set(5, 4), point16_set(0, 0),
                                       point16_set(5, 4), U_DIB_RGB_COLORS, U_SRCCOPY, dib.bmi(),
                                       dib.size(), dib.bits()));
        append(wt, U_WMRDIBSTRETCHBLT_set(point16_set(10, 14), point16_set(5, 4), point16_set(0, 0),
                                          point16_set(5, 4), U_SRCCOPY, dib.bmi(), dib.size(),
                                          dib.bits()));
        append(wt, U_WMRDIBSTRETCHBLT_set(point16_set(18, 14), point16_set(3, 2), point16_set(1, 0),
                                          point16_set(3, 2), U_SRCCOPY, dib.bmi(), dib.size(),
                                          dib.bits()));
    };
    for (const bool placeable : {false, true}) {
        SCOPED_TRACE(placeable ? "placeable" : "plain");
        const auto inches =
            placeable ? std::optional(QSizeF(kWmfW / 96.0, kWmfH / 96.0)) : std::nullopt;
        const pix::PixPage page =
            pixtest::decodeOnly(writeWmf(placeable ? "placeable.wmf" : "plain.wmf", inches, 96,
                                         QSize(kWmfW, kWmfH), draw),
                                pix::kFileWmf);
        const QImage& img = page.image;
        if (img.size() != QSize(kWmfW, kWmfH)) {
            ADD_FAILURE() << "size";
            continue;
        }
        EXPECT_EQ(page.type, pix::kRgb);

        expectOutlinedRect(img, 2, 2, 12, 10, kBlue, kRed);
        // Null pen: the brush fills the inside; the last column and row are left open, as GDI
        // draws one pixel smaller there, so only the pixels past them are checked.
        for (int y = 2; y < 9; ++y)
            for (int x = 16; x < 23; ++x) EXPECT_EQ(at(img, x, y), kGreen) << x << ", " << y;
        for (int i = 0; i < 10; ++i)
            for (const QPoint p :
                 {QPoint(15, 1 + i), QPoint(24, 1 + i), QPoint(15 + i, 1), QPoint(15 + i, 10)})
                EXPECT_EQ(at(img, p.x(), p.y()), kWhite) << p.x() << ", " << p.y();
        EXPECT_EQ(at(img, 30, 3), kGreen) << "inside the triangle";
        EXPECT_EQ(at(img, 26, 6), kWhite) << "outside it";

        expectRegion(img, 2, 14, bitmap);
        expectRegion(img, 10, 14, bitmap);
        expectRegion(img, 18, 14, bitmap.copy(1, 2, 3, 2));
        for (const QPoint p :
             {QPoint(1, 14), QPoint(7, 17), QPoint(2, 18), QPoint(9, 14), QPoint(15, 17),
              QPoint(17, 14), QPoint(21, 14), QPoint(18, 16), QPoint(kWmfW - 1, kWmfH - 1)})
            EXPECT_EQ(at(img, p.x(), p.y()), kWhite) << p.x() << ", " << p.y();
    }
}

} // namespace
