// PNG: banded compression, damaged and absurd headers, and the EXIF orientation.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/image_type.h"
#include "engine/pix_error.h"

#include <QTransform>
#include <gtest/gtest.h>

using namespace pixtest;

namespace {

// CRC-32 as PNG chunks use it, so that an edited header still passes libpng's check.
uint32_t crc32(const QByteArray& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : bytes) {
        crc ^= uint8_t(ch);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace

// Pages whose image data is compressed in several bands and joined come back exact (read by
// libpng, which shares no code with our writer).
TEST(PngBands, ManyBandPagesRoundTripInEveryType) {
    for (int type = 0; type < pix::kImageTypeCount; ++type) {
        const QSize size = type == pix::kMono ? QSize(20000, 800) : QSize(1500, 800);
        const pix::PixPage page = pageOfType(type, size.width(), size.height());
        const pix::Codec& png = codec(pix::kFilePng);
        const QList<pix::PixPage> pages = png.read(view(png.write({page}, {}))).pages;
        ASSERT_EQ(pages.size(), 1);
        const pix::PixPage& back = pages[0];
        EXPECT_EQ(back.type, type);
        EXPECT_TRUE(samePixels(back.image, page.image)) << maxChannelDiff(back.image, page.image);
    }
}

TEST(PngErrors, TruncatedFileIsCorruptNotCrash) {
    const QByteArray full = codec(pix::kFilePng).write({pageOfType(pix::kRgb, 200, 100)}, {});
    for (qsizetype cut : {qsizetype(8), qsizetype(33), full.size() / 2, full.size() - 13}) {
        try {
            codec(pix::kFilePng).read(view(full.left(cut)));
            ADD_FAILURE() << "no error for a file cut at " << cut;
        } catch (const pix::PixError& e) {
            EXPECT_EQ(e.number(), pix::kErrCorruptImage);
            EXPECT_EQ(e.source(), QStringLiteral("PNG"));
        }
    }
}

TEST(PngErrors, AbsurdSizeIsRefusedBeforeAllocating) {
    QByteArray bytes = codec(pix::kFilePng).write({pageOfType(pix::kRgb, 4, 4)}, {});
    // IHDR width at offset 16: claim 60000 x 60000 (libpng accepts the header, we must not).
    const char huge[8] = {0, 0, char(0xEA), 0x60, 0, 0, char(0xEA), 0x60};
    bytes.replace(16, 8, QByteArray(huge, 8));
    const uint32_t crc = crc32(bytes.mid(12, 17));
    for (int i = 0; i < 4; ++i) bytes[29 + i] = char(crc >> (24 - 8 * i));
    try {
        codec(pix::kFilePng).read(view(bytes));
        ADD_FAILURE() << "a 60000 x 60000 image was accepted";
    } catch (const pix::PixError& e) {
        EXPECT_EQ(e.number(), pix::kErrTooLarge) << e.description().toStdString();
    }
}

// An eXIf chunk's orientation turns the picture upright.
TEST(PngOrientation, ExifChunkTurnsThePicture) {
    if (!haveTool("exiftool")) GTEST_SKIP() << "exiftool is missing";
    const QString dir = tempDir();
    const QImage up = gradientImage(30, 20);
    magickEncode(up.transformed(QTransform().rotate(270)), dir + "/o.png");
    runTool("exiftool", {"-q", "-n", "-Orientation=6", "-overwrite_original", dir + "/o.png"});
    const QImage got =
        codec(pix::kFilePng).read(view(readBytes(dir + "/o.png"))).pages.value(0).image;
    EXPECT_EQ(visibleDiff(got, up), 0);
}
