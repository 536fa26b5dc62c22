// The engine image: types, blank images, pages, limits, change notification.
#include "engine/image_limits.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "engine/pix_image.h"
#include "support/test_images.h"

#include <QSignalSpy>
#include <cstring>
#include <gtest/gtest.h>

using namespace pix;

TEST(ImageCore, MakeColorPairsColourAndAlpha) {
    EXPECT_EQ(MakeColor(0x00332211u, 0x80), 0x80332211u);
    EXPECT_EQ(MakeColor(0xFF332211u, 0), 0x00332211u); // stray high byte of the colour dropped
    const QRgb q = toQRgb(MakeColor(0x00332211u, 0x80));
    EXPECT_EQ(qRed(q), 0x11);
    EXPECT_EQ(qGreen(q), 0x22);
    EXPECT_EQ(qBlue(q), 0x33);
    EXPECT_EQ(qAlpha(q), 0x80);
}

TEST(ImageCore, BlankImagesInEveryType) {
    for (int type = 0; type < kImageTypeCount; ++type) {
        PixImage img;
        img.CreateBlank(31, 17, MakeColor(0x00FFFFFF, 255), type, QString());
        ASSERT_FALSE(img.IsEmpty()) << type;
        EXPECT_EQ(img.width(), 31);
        EXPECT_EQ(img.height(), 17);
        EXPECT_EQ(img.imageType(), type);
        EXPECT_EQ(img.image().format(), storageFormat(type)) << type;
        const QImage argb = img.image().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(argb.pixel(30, 16), 0xFFFFFFFFu) << "white in type " << type;
        // A translucent colour keeps its alpha in 32 bits and turns opaque in 24.
        img.CreateBlank(4, 4, MakeColor(0x000000FF, 100), type, QString());
        const QRgb p = img.image().convertToFormat(QImage::Format_ARGB32).pixel(1, 1);
        if (type == kRgb || type == kRgba) {
            EXPECT_EQ(qAlpha(p), type == kRgba ? 100 : 255);
        }
    }
}

TEST(ImageCore, AbsurdSizesAreRefusedBeforeAllocating) {
    PixImage img;
    try {
        img.CreateBlank(100000, 100000, 0, kRgb, QString());
        FAIL() << "no error";
    } catch (const PixError& e) {
        EXPECT_EQ(e.number(), kErrTooLarge);
        EXPECT_TRUE(e.description().contains(QStringLiteral("100000"))) << e.what();
    }
    EXPECT_THROW(img.CreateBlank(20000, 20000, 0, kRgb, QString()), PixError); // 400 Mpixel
    EXPECT_THROW(img.CreateBlank(-5, 10, 0, kRgb, QString()), PixError);
    EXPECT_THROW(img.CreateBlank(10, 10, 0, 7, QString()), PixError);
    EXPECT_TRUE(img.IsEmpty());
    EXPECT_THROW(checkedMul(int64_t(1) << 40, int64_t(1) << 40, QString()), PixError);
    EXPECT_THROW(checkPageCount(1001, QString()), PixError);
}

// Large buffers are recycled after an image is released: a recycled buffer serves one image at a
// time, keeps the rows the format needs, and images alive together never share pixels.
TEST(ImageCore, RecycledLargeBuffersAreNeverShared) {
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_Indexed8, QImage::Format_Mono}) {
        const int w = format == QImage::Format_Mono ? 30001 : 3001, h = 3000;
        { const QImage released = allocateImage(w, h, format, "test"); }
        QImage a = allocateImage(w, h, format, "test");
        QImage b = allocateImage(w, h, format, "test");
        ASSERT_EQ(a.size(), QSize(w, h));
        EXPECT_GE(a.bytesPerLine() * 8, qsizetype(w) * a.depth());
        EXPECT_NE(a.constBits(), b.constBits());
        a.fill(0);
        b.fill(1);
        EXPECT_EQ(a.constScanLine(h - 1)[0], 0);
        if (format == QImage::Format_Indexed8) a.setColorTable({qRgb(1, 2, 3)}); // keeps the pixels
        EXPECT_EQ(a.constScanLine(h / 2)[1], 0);
    }
}

TEST(ImageCore, PagesAndCurrentPage) {
    PixImage img;
    QSignalSpy changed(&img, &PixImage::changed);
    for (int i = 0; i < 3; ++i)
        img.AddPage(PixPage{pixtest::gradientImage(10 + i, 5), kRgb, {}},
                    QStringLiteral("no undo"));
    EXPECT_EQ(img.pageCount(), 3);
    EXPECT_EQ(img.currentPage(), 0);
    EXPECT_EQ(changed.count(), 3);
    img.setCurrentPage(2);
    EXPECT_EQ(img.width(), 12);
    img.RemovePage(0, QString());
    EXPECT_EQ(img.currentPage(), 1) << "the current page stays the same picture";
    EXPECT_EQ(img.width(), 12);
    img.setCurrentPage(7); // out of range: ignored
    EXPECT_EQ(img.currentPage(), 1);
    EXPECT_THROW(img.RemovePage(5, QString()), PixError);
    img.ClearPages(QStringLiteral("no undo"));
    EXPECT_TRUE(img.IsEmpty());
}

TEST(ImageCore, CopyFromTakesTheCurrentPageOrARectangle) {
    PixImage src, dst;
    src.setImage(pixtest::gradientImage(40, 30), kRgb, QStringLiteral("no undo"));
    dst.CopyFrom(src, QRect(5, 6, 10, 8), QStringLiteral("no undo"));
    EXPECT_EQ(dst.image().size(), QSize(10, 8));
    EXPECT_TRUE(pixtest::samePixels(dst.image(), src.image().copy(5, 6, 10, 8)));
    dst.CopyFrom(src, QRect(35, 25, 50, 50), QStringLiteral("no undo")); // clipped
    EXPECT_EQ(dst.image().size(), QSize(5, 5));
    EXPECT_THROW(dst.CopyFrom(src, QRect(100, 100, 5, 5), QString()), PixError);
}

TEST(ImageCore, FailedChangeLeavesTheImageAsItWas) {
    PixImage img;
    img.setImage(pixtest::gradientImage(8, 8), kRgb, QStringLiteral("no undo"));
    const QImage before = img.image();
    img.setModified(false);
    EXPECT_THROW(img.modifyPage(QString(),
                                [](PixPage& p) {
                                    p.image.fill(Qt::red);
                                    throw PixError(kErrCancelled, QStringLiteral("stop"), {});
                                }),
                 PixError);
    EXPECT_TRUE(pixtest::samePixels(img.image(), before));
    EXPECT_EQ(img.Undos(), 0);
    EXPECT_FALSE(img.Modified());
}

TEST(ImageCore, TypeConversionsKeepWhatTheTypeCanHold) {
    const QImage src = pixtest::gradientImage(64, 16, true);
    const QImage ga = convertToType(src, kGrayAlpha);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; x += 7) {
            const QRgb p = ga.pixel(x, y);
            EXPECT_EQ(qRed(p), qGreen(p));
            EXPECT_EQ(qGreen(p), qBlue(p));
            EXPECT_EQ(qAlpha(p), qAlpha(src.pixel(x, y)));
        }
    EXPECT_EQ(imageTypeFromFormat(convertToType(src, kIndexedAlpha)), kIndexedAlpha);
    EXPECT_EQ(imageTypeFromFormat(convertToType(src, kIndexed)), kIndexed);
    EXPECT_EQ(imageTypeFromFormat(convertToType(src, kMono)), kMono);
}

// The banded conversion with progress gives the one-pass result, colour table included: on a
// gradient with alpha, and on a picture whose first band holds few colours and later ones many.
TEST(ImageCore, ColourMappedWithAlphaInBandsIsTheOnePassResult) {
    QImage mixed = pixtest::gradientImage(300, 700, true);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) mixed.setPixel(x, y, qRgba(x % 3 * 90, 0, 0, x % 2 * 255));
    for (const QImage& src :
         {pixtest::gradientImage(333, 600, true), mixed, pixtest::smoothImage(200, 513)}) {
        int reports = 0;
        const QImage banded = convertToType(src, kIndexedAlpha, [&](int) { return ++reports > 0; });
        const QImage whole = convertToType(src, kIndexedAlpha);
        EXPECT_GT(reports, 1);
        EXPECT_EQ(banded.colorTable(), whole.colorTable());
        for (int y = 0; y < src.height(); ++y)
            ASSERT_EQ(
                std::memcmp(banded.constScanLine(y), whole.constScanLine(y), size_t(src.width())),
                0);
    }
    try {
        convertToType(mixed, kIndexedAlpha, [](int) { return false; });
        FAIL() << "a cancel was ignored";
    } catch (const PixError& e) {
        EXPECT_EQ(e.number(), kErrCancelled);
    }
}
