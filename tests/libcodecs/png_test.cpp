// PNG: lossless round trips of every page type, and agreement with ImageMagick both ways.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/image_type.h"
#include "engine/pix_error.h"

#include <QTransform>
#include <gtest/gtest.h>

using namespace pixtest;

namespace {

pix::PixPage pageOfType(int type, int w = 37, int h = 23) {
    return pix::PixPage{imageOfType(type, w, h), type, {}};
}

pix::PixPage decodeOnly(const pix::Codec& c, const QByteArray& bytes) {
    const pix::DecodedFile f = c.read(view(bytes));
    EXPECT_EQ(f.pages.size(), 1);
    return f.pages.value(0);
}

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

class PngTypes : public ::testing::TestWithParam<int> {};

// Small pages, and pages whose image data is compressed in several bands and joined (read back by
// libpng, which shares no code with our writer).
TEST_P(PngTypes, RoundTripKeepsPixelsAndType) {
    const int type = GetParam();
    const QSize many = type == pix::kMono ? QSize(20000, 800) : QSize(1500, 800);
    for (const QSize size : {QSize(37, 23), many}) {
        const pix::PixPage page = pageOfType(type, size.width(), size.height());
        const pix::Codec& png = codec(pix::kFilePng);
        const pix::PixPage back = decodeOnly(png, png.write({page}, {}));
        EXPECT_EQ(back.type, type);
        EXPECT_EQ(back.image.format(), pix::storageFormat(type));
        EXPECT_TRUE(samePixels(back.image, page.image)) << maxChannelDiff(back.image, page.image);
    }
}

TEST_P(PngTypes, MagickReadsOurFileAsWeWroteIt) {
    const int type = GetParam();
    const pix::PixPage page = pageOfType(type);
    const QString path = tempDir() + QStringLiteral("/ours.png");
    writeBytes(path, codec(pix::kFilePng).write({page}, {}));
    EXPECT_TRUE(samePixels(magickDecode(path), page.image));
}

INSTANTIATE_TEST_SUITE_P(AllTypes, PngTypes, ::testing::Range(0, pix::kImageTypeCount));

struct MagickPngCase {
    const char* name;
    QStringList options;
    int expectedType;
    int tolerance;
};

class PngFromMagick : public ::testing::TestWithParam<MagickPngCase> {};

TEST_P(PngFromMagick, DecodesLikeMagick) {
    const MagickPngCase& c = GetParam();
    const bool alpha = c.expectedType == pix::kRgba || c.expectedType == pix::kGrayAlpha ||
                       c.expectedType == pix::kIndexedAlpha;
    QImage source = gradientImage(61, 45, alpha);
    const QString path = tempDir() + QStringLiteral("/magick.png");
    magickEncode(source, path, c.options);
    const pix::PixPage page = decodeOnly(codec(pix::kFilePng), readBytes(path));
    EXPECT_EQ(page.type, c.expectedType);
    EXPECT_LE(maxChannelDiff(page.image, magickDecode(path)), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, PngFromMagick,
    ::testing::Values(
        MagickPngCase{"rgb8", {"-define", "png:color-type=2"}, pix::kRgb, 0},
        MagickPngCase{"rgba16", {"-depth", "16", "-define", "png:color-type=6"}, pix::kRgba, 1},
        MagickPngCase{
            "interlaced", {"-interlace", "PNG", "-define", "png:color-type=2"}, pix::kRgb, 0},
        MagickPngCase{
            "grey", {"-colorspace", "Gray", "-define", "png:color-type=0"}, pix::kGray, 0},
        MagickPngCase{"grey16", {"-colorspace", "Gray", "-depth", "16"}, pix::kGray, 1},
        MagickPngCase{"greyAlpha",
                      {"-colorspace", "Gray", "-define", "png:color-type=4"},
                      pix::kGrayAlpha,
                      0},
        MagickPngCase{
            "palette", {"-colors", "50", "-define", "png:color-type=3"}, pix::kIndexed, 0},
        MagickPngCase{"bilevel", {"-monochrome"}, pix::kMono, 0}),
    [](const auto& info) { return std::string(info.param.name); });

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
