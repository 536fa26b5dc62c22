// Every format we write, in every page type: the file is recognised by its content, re-reads to
// the same pixels with the type the format can keep, and ImageMagick reads the same pixels.
#include "engine/codecs/codec.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "libcodecs/reference_tools.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

using namespace pixtest;

namespace {

struct Writable {
    const char* label;
    const char* codec;
    pix::SaveOptions options;
    int readBackType[pix::kImageTypeCount]; // -1: the writer reduces to 1 bit
    unsigned magickTypes; // bit t: ImageMagick reads type t back (IM 6.9 reads no indexed PSD,
                          // loses grey + alpha transparency and misses some BMP RLE forms)
};

pix::SaveOptions options(bool rle, bool placeable = true, int tiff = pix::kTiffNone) {
    pix::SaveOptions o;
    o.bmpRle = rle;
    o.wmfPlaceable = placeable;
    o.tiffCompression = tiff;
    return o;
}

const Writable kWritable[] = {
    {"bmp", "bmp", {}, {0, 1, 6, 3, 6, 5, 6}, 0x7F},
    {"bmp_rle", "bmp", options(true), {0, 1, 6, 3, 6, 5, 6}, 0x0B},
    {"pcx", "pcx", {}, {0, 1, 6, 3, 6, 5, 6}, 0x2B},
    {"tga", "tga", {}, {0, 1, 2, 3, 4, 5, 6}, 0x6B},
    {"psd", "psd", {}, {0, 1, 6, 3, 4, 5, 6}, 0x69},
    {"ico", "ico", {}, {0, 1, 6, 3, 6, 5, 6}, 0x6B},
    {"wbmp", "wbmp", {}, {0, -1, -1, -1, -1, -1, -1}, 0x01},
    {"wmf", "wmf", {}, {0, 1, 6, 3, 6, 5, 6}, 0},
    {"wmf_bare", "wmf", options(false, false), {0, 1, 6, 3, 6, 5, 6}, 0},
    {"emf", "emf", {}, {0, 1, 6, 3, 6, 5, 6}, 0},
    {"png", "png", {}, {0, 1, 2, 3, 4, 5, 6}, 0x7F},
    // A colour table with alpha has no TIFF form and is stored as RGBA; the fax codings fit only
    // bilevel pages and fall back to LZW for the others.
    {"tiff", "tiff", {}, {0, 1, 6, 3, 4, 5, 6}, 0x7F},
    {"tiff_g3", "tiff", options(false, true, pix::kTiffG3), {0, 1, 6, 3, 4, 5, 6}, 0},
    {"tiff_g4", "tiff", options(false, true, pix::kTiffG4), {0, 1, 6, 3, 4, 5, 6}, 0},
    {"tiff_packbits", "tiff", options(false, true, pix::kTiffPackBits), {0, 1, 6, 3, 4, 5, 6}, 0},
    {"tiff_deflate", "tiff", options(false, true, pix::kTiffDeflate), {0, 1, 6, 3, 4, 5, 6}, 0},
    {"tiff_lzw", "tiff", options(false, true, pix::kTiffLzw), {0, 1, 6, 3, 4, 5, 6}, 0},
};

class RoundTrip : public ::testing::TestWithParam<Writable> {};

TEST_P(RoundTrip, EveryTypeKeepsItsPixels) {
    const Writable& w = GetParam();
    for (int type = 0; type < pix::kImageTypeCount; ++type) {
        SCOPED_TRACE(type);
        const QImage src = sampleOfType(type);
        const QByteArray bytes = codec(w.codec).write({{src, type, {}}}, w.options);
        const pix::Codec* probed = pix::codecForData(view(bytes));
        ASSERT_NE(probed, nullptr);
        EXPECT_EQ(probed->name(), QString::fromLatin1(w.codec));
        const pix::PixPage back = readFirst(w.codec, bytes);
        const int expected = w.readBackType[type];
        EXPECT_EQ(back.type, expected < 0 ? pix::kMono : expected);
        EXPECT_EQ(back.image.format(), pix::storageFormat(back.type));
        const QImage reference = expected < 0 ? pix::convertToType(src, pix::kMono) : src;
        EXPECT_TRUE(samePixels(back.image, reference))
            << "max diff " << maxChannelDiff(back.image, reference);
        if (w.magickTypes >> type & 1) {
            const QString path = tempDir() + QStringLiteral("/t%1.%2").arg(type).arg(w.codec);
            writeBytes(path, bytes);
            EXPECT_EQ(maxChannelDiff(magickDecode(path), reference), 0) << "ImageMagick";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllWriters, RoundTrip, ::testing::ValuesIn(kWritable),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(RoundTrip, BmpRleOfFewColoursUsesRle4AndStaysSmall) {
    QImage img(64, 32, QImage::Format_Indexed8);
    img.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
    for (int y = 0; y < 32; ++y) std::fill_n(img.scanLine(y), 64, uint8_t(y / 11));
    const QByteArray raw = codec("bmp").write({{img, pix::kIndexed, {}}}, {});
    const QByteArray packed = codec("bmp").write({{img, pix::kIndexed, {}}}, options(true));
    EXPECT_EQ(uint8_t(packed[30]), 2); // BI_RLE4
    EXPECT_LT(packed.size(), raw.size() / 4);
    EXPECT_TRUE(samePixels(readFirst("bmp", packed).image, img));
}

TEST(RoundTrip, IconKeepsEveryPageInOrderAndRefusesPagesOver256Pixels) {
    const QList<pix::PixPage> pages = {{sampleOfType(6, 16, 16), 6, {}},
                                       {sampleOfType(1, 32, 32), 1, {}},
                                       {sampleOfType(0, 48, 20), 0, {}}};
    const pix::DecodedFile back = codec("ico").read(view(codec("ico").write(pages, {})));
    ASSERT_EQ(back.pages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.pages[i].type, pages[i].type);
        EXPECT_TRUE(samePixels(back.pages[i].image, pages[i].image)) << i;
    }
    try {
        codec("ico").write({{sampleOfType(5, 300, 10), 5, {}}}, {});
        FAIL() << "no error";
    } catch (const pix::PixError& e) {
        EXPECT_EQ(e.number(), pix::kErrUnsupported);
    }
}

TEST(RoundTrip, PlaceableWmfStartsWithItsKeyAndBareOneWithTheHeader) {
    const pix::PixPage page{sampleOfType(5, 8, 8), 5, {}};
    EXPECT_EQ(codec("wmf").write({page}, {}).left(4), QByteArray("\xD7\xCD\xC6\x9A", 4));
    EXPECT_EQ(codec("wmf").write({page}, options(false, false)).left(4),
              QByteArray("\x01\x00\x09\x00", 4));
}

} // namespace
