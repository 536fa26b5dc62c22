// TIFF: every page type under every compression, pages, appending, and agreement with libtiff's
// tools and ImageMagick.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/codecs/atomic_write.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <gtest/gtest.h>
#include <tiffio.h>

using namespace pixtest;

namespace {

const pix::Codec& tiffCodec() {
    return codec(pix::kFileTiff);
}

pix::PixPage pageOfType(int type, int w = 45, int h = 31) {
    return {imageOfType(type, w, h), type, {}};
}

QList<pix::PixPage> decodeAll(const QByteArray& bytes) {
    return tiffCodec().read(view(bytes)).pages;
}

pix::SaveOptions compression(int c) {
    pix::SaveOptions o;
    o.tiffCompression = c;
    return o;
}

// Type a page comes back as: a colour table with alpha has no TIFF form and is stored as RGBA.
int storedType(int type) {
    return type == pix::kIndexedAlpha ? pix::kRgba : type;
}

} // namespace

// Every type x every lossless compression: exact pixels and the same type.
class TiffLossless : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(TiffLossless, RoundTripIsExact) {
    const auto [type, comp] = GetParam();
    const pix::PixPage page = pageOfType(type);
    const QList<pix::PixPage> back = decodeAll(tiffCodec().write({page}, compression(comp)));
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0].type, storedType(type));
    EXPECT_TRUE(samePixels(back[0].image, page.image)) << maxChannelDiff(back[0].image, page.image);
}

INSTANTIATE_TEST_SUITE_P(TypesAndCompressions, TiffLossless,
                         ::testing::Combine(::testing::Range(0, pix::kImageTypeCount),
                                            ::testing::Values(pix::kTiffNone, pix::kTiffG3,
                                                              pix::kTiffG4, pix::kTiffPackBits,
                                                              pix::kTiffDeflate, pix::kTiffLzw)));

// Pages of many strips go through the parallel strip coders in several bands and rounds: they
// come back exact, and a damaged strip in a later band fails the whole read.
TEST(TiffStrips, ManyStripPagesRoundTripAndADamagedStripFails) {
    for (int type : {pix::kMono, pix::kIndexed, pix::kGray, pix::kRgba})
        for (int comp : {pix::kTiffNone, pix::kTiffPackBits, pix::kTiffLzw}) {
            const pix::PixPage page = pageOfType(type, 3000, 900);
            const QList<pix::PixPage> back =
                decodeAll(tiffCodec().write({page}, compression(comp)));
            ASSERT_EQ(back.size(), 1);
            EXPECT_TRUE(samePixels(back[0].image, page.image))
                << "type " << type << " compression " << comp;
        }
    const QString path = tempDir() + "/strips.tif";
    QByteArray bytes =
        tiffCodec().write({pageOfType(pix::kRgb, 3000, 900)}, compression(pix::kTiffLzw));
    writeBytes(path, bytes);
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "r");
    ASSERT_TRUE(t);
    ASSERT_EQ(TIFFNumberOfStrips(t), 32u); // two bands of 16
    const uint64_t at = TIFFGetStrileOffset(t, 20), n = TIFFGetStrileByteCount(t, 20);
    TIFFClose(t);
    std::memset(bytes.data() + at, 0xFF, size_t(n)); // codes past the LZW table
    EXPECT_THROW(decodeAll(bytes), pix::PixError);
}

struct CompressionName {
    int option;
    int type;
    const char* libtiffName;
};

class TiffCompressionTag : public ::testing::TestWithParam<CompressionName> {};

// libtiff's own tiffinfo names the scheme each option produced.
TEST_P(TiffCompressionTag, TiffinfoReportsTheScheme) {
    const CompressionName c = GetParam();
    const QString path = tempDir() + "/c.tif";
    writeBytes(path, tiffCodec().write({pageOfType(c.type, 64, 48)}, compression(c.option)));
    const QString info = QString::fromLatin1(runTool("tiffinfo", {path}));
    EXPECT_TRUE(info.contains(QStringLiteral("Compression Scheme: %1").arg(c.libtiffName)))
        << info.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Options, TiffCompressionTag,
    ::testing::Values(CompressionName{pix::kTiffNone, pix::kRgb, "None"},
                      CompressionName{pix::kTiffG3, pix::kMono, "CCITT Group 3"},
                      CompressionName{pix::kTiffG4, pix::kMono, "CCITT Group 4"},
                      CompressionName{pix::kTiffJpeg, pix::kRgb, "JPEG"},
                      CompressionName{pix::kTiffPackBits, pix::kRgb, "PackBits"},
                      CompressionName{pix::kTiffDeflate, pix::kRgb, "AdobeDeflate"},
                      CompressionName{pix::kTiffLzw, pix::kRgb, "LZW"},
                      // fax codings fit only bilevel pages, JPEG no alpha: LZW instead
                      CompressionName{pix::kTiffG4, pix::kRgb, "LZW"},
                      CompressionName{pix::kTiffJpeg, pix::kRgba, "LZW"}));

TEST(TiffJpeg, JpegCompressedPagesAreClose) {
    for (int type : {pix::kGray, pix::kRgb}) {
        // A smooth picture, where JPEG's error is small.
        QImage smooth(64, 48, QImage::Format_RGB32);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) smooth.setPixel(x, y, qRgb(x * 4, y * 5, x + y));
        const pix::PixPage page{pix::convertToType(smooth, type), type, {}};
        pix::SaveOptions o = compression(pix::kTiffJpeg);
        o.jpegQuality = 95;
        const QList<pix::PixPage> back = decodeAll(tiffCodec().write({page}, o));
        ASSERT_EQ(back.size(), 1);
        EXPECT_EQ(back[0].type, type);
        EXPECT_LE(maxChannelDiff(back[0].image, page.image), 12);
    }
}

TEST(TiffPages, EveryPageComesBackInOrder) {
    const QList<pix::PixPage> pages = {pageOfType(pix::kRgb, 20, 10), pageOfType(pix::kGray, 7, 9),
                                       pageOfType(pix::kRgba, 33, 2)};
    const QString path = tempDir() + "/pages.tif";
    writeBytes(path, tiffCodec().write(pages, compression(pix::kTiffLzw)));
    const QList<pix::PixPage> back = decodeAll(readBytes(path));
    ASSERT_EQ(back.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back[i].type, pages[i].type);
        EXPECT_TRUE(samePixels(back[i].image, pages[i].image)) << "page " << i;
        EXPECT_TRUE(samePixels(magickDecode(path, i), pages[i].image)) << "magick page " << i;
    }
    EXPECT_EQ(magickFormat(path, "%n\n").split('\n').first(), "3");
}

TEST(TiffAppend, AddsOnePageAndKeepsTheOthers) {
    const QString path = tempDir() + "/append.tif";
    const QList<pix::PixPage> pages = {pageOfType(pix::kRgb), pageOfType(pix::kMono)};
    writeBytes(path, tiffCodec().write(pages, compression(pix::kTiffDeflate)));
    const pix::PixPage extra = pageOfType(pix::kRgba, 17, 19);
    pix::appendPageToTiff(path, extra, compression(pix::kTiffPackBits));
    const QList<pix::PixPage> back = decodeAll(readBytes(path));
    ASSERT_EQ(back.size(), 3);
    EXPECT_TRUE(samePixels(back[0].image, pages[0].image));
    EXPECT_TRUE(samePixels(back[1].image, pages[1].image));
    EXPECT_TRUE(samePixels(back[2].image, extra.image));
    EXPECT_TRUE(samePixels(magickDecode(path, 2), extra.image));
}

TEST(TiffAppend, RefusesOtherFilesAndLeavesThemAlone) {
    const QString path = tempDir() + "/not.tif";
    const QByteArray png = codec(pix::kFilePng).write({pageOfType(pix::kRgb)}, {});
    writeBytes(path, png);
    EXPECT_THROW(pix::appendPageToTiff(path, pageOfType(pix::kRgb), {}), pix::PixError);
    EXPECT_EQ(readBytes(path), png);
    EXPECT_THROW(pix::appendPageToTiff(tempDir() + "/missing.tif", pageOfType(pix::kRgb), {}),
                 pix::PixError);
}

TEST(TiffAppend, FailingDiskKeepsTheOldFile) {
    const QString path = tempDir() + "/disk.tif";
    const QByteArray before = tiffCodec().write({pageOfType(pix::kRgb)}, {});
    writeBytes(path, before);
    pix::injectWriteFailureForTesting(ENOSPC, 100);
    EXPECT_THROW(pix::appendPageToTiff(path, pageOfType(pix::kGray), {}), pix::PixError);
    pix::injectWriteFailureForTesting(0);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// One sample per pixel stored as "separate planes" (tiffcp -p separate) reads like contiguous
// samples: same pixels, same type, through the direct strip reader.
TEST(TiffLayouts, OneSampleSeparatePlanesReadLikeContiguous) {
    for (int type : {pix::kGray, pix::kIndexed}) { // tiffcp separates 8-bit samples only
        const QString in = tempDir() + "/contig.tif", out = tempDir() + "/separate.tif";
        const pix::PixPage page = pageOfType(type, 300, 200);
        writeBytes(in, tiffCodec().write({page}, compression(pix::kTiffLzw)));
        runTool("tiffcp", {"-p", "separate", in, out});
        ASSERT_TRUE(QString::fromLatin1(runTool("tiffinfo", {out})).contains("separate"));
        const QList<pix::PixPage> back = decodeAll(readBytes(out));
        ASSERT_EQ(back.size(), 1);
        EXPECT_EQ(back[0].type, type);
        EXPECT_TRUE(samePixels(back[0].image, page.image)) << "type " << type;
    }
}

// A save streamed into the file (libtiff writing through our callbacks) that hits a full disk
// reports the disk's error and leaves the old file as it was, with no temporary file behind.
TEST(TiffSave, FailingDiskDuringAStreamedSaveKeepsTheOldFile) {
    const QString path = tempDir() + "/streamed.tif";
    const QByteArray before = tiffCodec().write({pageOfType(pix::kGray)}, {});
    writeBytes(path, before);
    for (long long after : {0LL, 100LL, 5000LL}) {
        pix::injectWriteFailureForTesting(ENOSPC, after);
        try {
            pix::encodeFile(path, pix::kFileTiff, {pageOfType(pix::kRgb), pageOfType(pix::kRgba)},
                            {});
            ADD_FAILURE() << "the save succeeded on a full disk";
        } catch (const pix::PixError& e) {
            EXPECT_TRUE(e.description().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))))
                << e.description().toStdString();
        }
        pix::injectWriteFailureForTesting(0);
        EXPECT_EQ(readBytes(path), before);
        EXPECT_EQ(QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

struct MagickTiffCase {
    const char* name;
    QStringList options;
    bool alpha;
    int expectedType;
    int tolerance;
};

class TiffFromMagick : public ::testing::TestWithParam<MagickTiffCase> {};

TEST_P(TiffFromMagick, DecodesLikeMagick) {
    const QString path = tempDir() + "/magick.tif";
    magickEncode(gradientImage(70, 50, GetParam().alpha), path, GetParam().options);
    const QList<pix::PixPage> pages = decodeAll(readBytes(path));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pages[0].type, GetParam().expectedType);
    EXPECT_LE(maxChannelDiff(pages[0].image, magickDecode(path)), GetParam().tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TiffFromMagick,
    ::testing::Values(
        MagickTiffCase{"plain", {}, false, pix::kRgb, 0},
        MagickTiffCase{"alpha", {}, true, pix::kRgba, 0},
        MagickTiffCase{
            "associatedAlpha", {"-define", "tiff:alpha=associated"}, true, pix::kRgba, 1},
        MagickTiffCase{"tiled", {"-define", "tiff:tile-geometry=32x32"}, false, pix::kRgb, 0},
        MagickTiffCase{"planar", {"-interlace", "Plane"}, false, pix::kRgb, 0},
        MagickTiffCase{"sixteenBit", {"-depth", "16"}, false, pix::kRgb, 1},
        MagickTiffCase{"bigEndian", {"-endian", "MSB", "-compress", "LZW"}, false, pix::kRgb, 0},
        // 16-bit colour maps: ImageMagick truncates to 8 bits, libtiff shifts, we round.
        MagickTiffCase{"palette", {"-colors", "40", "-type", "Palette"}, false, pix::kIndexed, 1},
        MagickTiffCase{"palette4bit",
                       {"-colors", "12", "-type", "Palette", "-depth", "4"},
                       false,
                       pix::kIndexed,
                       1},
        MagickTiffCase{"cmyk", {"-colorspace", "CMYK"}, false, pix::kRgb, 2},
        MagickTiffCase{"grey16", {"-colorspace", "Gray", "-depth", "16"}, false, pix::kGray, 1},
        MagickTiffCase{"greyMinIsWhite",
                       {"-colorspace", "Gray", "-define", "tiff:photometric=min-is-white"},
                       false,
                       pix::kGray,
                       0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TiffErrors, BrokenFilesAreErrors) {
    const QByteArray full = tiffCodec().write({pageOfType(pix::kRgb, 64, 64)}, {});
    EXPECT_THROW(tiffCodec().read(view(full.left(full.size() / 2))), pix::PixError);
    EXPECT_THROW(tiffCodec().read(view(full.left(6))), pix::PixError);
    QByteArray badOffset = full;
    badOffset[4] = char(0xF0); // first directory beyond the end
    badOffset[5] = char(0xFF);
    badOffset[6] = char(0xFF);
    EXPECT_THROW(tiffCodec().read(view(badOffset)), pix::PixError);
}
