// Every format we write re-reads to the same pixels, in every page type, with the type the
// format can keep.
#include "engine/codecs/codec.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "own_codec_support.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

using namespace owntest;

namespace {

struct Writable {
    const char* label;
    const char* codec;
    pix::SaveOptions options;
    int readBackType[pix::kImageTypeCount]; // -1: the writer reduces to 1 bit
};

pix::SaveOptions rle() {
    pix::SaveOptions o;
    o.bmpRle = true;
    return o;
}
pix::SaveOptions bare() {
    pix::SaveOptions o;
    o.wmfPlaceable = false;
    return o;
}

const Writable kWritable[] = {
    {"bmp", "bmp", {}, {0, 1, 6, 3, 6, 5, 6}},
    {"bmp_rle", "bmp", rle(), {0, 1, 6, 3, 6, 5, 6}},
    {"pcx", "pcx", {}, {0, 1, 6, 3, 6, 5, 6}},
    {"tga", "tga", {}, {0, 1, 2, 3, 4, 5, 6}},
    {"psd", "psd", {}, {0, 1, 6, 3, 4, 5, 6}},
    {"ico", "ico", {}, {0, 1, 6, 3, 6, 5, 6}},
    {"wbmp", "wbmp", {}, {0, -1, -1, -1, -1, -1, -1}},
    {"wmf", "wmf", {}, {0, 1, 6, 3, 6, 5, 6}},
    {"wmf_bare", "wmf", bare(), {0, 1, 6, 3, 6, 5, 6}},
    {"emf", "emf", {}, {0, 1, 6, 3, 6, 5, 6}},
};

class RoundTrip : public ::testing::TestWithParam<Writable> {};

TEST_P(RoundTrip, EveryTypeKeepsItsPixels) {
    const Writable& w = GetParam();
    for (int type = 0; type < pix::kImageTypeCount; ++type) {
        SCOPED_TRACE(type);
        const QImage src = sampleOfType(type);
        const QByteArray bytes = codec(w.codec).write({{src, type, {}}}, w.options);
        // The registry recognises the file by its content alone.
        const pix::Codec* probed = pix::codecForData(bytesOf(bytes));
        ASSERT_NE(probed, nullptr);
        EXPECT_EQ(probed->name(), QString::fromLatin1(w.codec));
        const pix::PixPage back = readFirst(w.codec, bytes);
        const int expected = w.readBackType[type];
        EXPECT_EQ(back.type, expected < 0 ? pix::kMono : expected);
        EXPECT_EQ(back.image.format(), pix::storageFormat(back.type));
        const QImage reference = expected < 0 ? pix::convertToType(src, pix::kMono) : src;
        EXPECT_TRUE(pixtest::samePixels(back.image, reference))
            << "max diff " << pixtest::maxChannelDiff(back.image, reference);
    }
}

INSTANTIATE_TEST_SUITE_P(OwnCodecs, RoundTrip, ::testing::ValuesIn(kWritable),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(RoundTrip, BmpRleOfFewColoursUsesRle4AndStaysSmall) {
    QImage img(64, 32, QImage::Format_Indexed8);
    img.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
    for (int y = 0; y < 32; ++y) std::fill_n(img.scanLine(y), 64, uint8_t(y / 11));
    const QByteArray raw = codec("bmp").write({{img, pix::kIndexed, {}}}, {});
    const QByteArray packed = codec("bmp").write({{img, pix::kIndexed, {}}}, rle());
    EXPECT_EQ(uint8_t(packed[30]), 2); // BI_RLE4
    EXPECT_LT(packed.size(), raw.size() / 4);
    EXPECT_TRUE(pixtest::samePixels(readFirst("bmp", packed).image, img));
}

TEST(RoundTrip, IconKeepsEveryPageInOrder) {
    const QList<pix::PixPage> pages = {{sampleOfType(6, 16, 16), 6, {}},
                                       {sampleOfType(1, 32, 32), 1, {}},
                                       {sampleOfType(0, 48, 20), 0, {}}};
    const pix::DecodedFile back = codec("ico").read(bytesOf(codec("ico").write(pages, {})));
    ASSERT_EQ(back.pages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(back.pages[i].type, pages[i].type);
        EXPECT_TRUE(pixtest::samePixels(back.pages[i].image, pages[i].image)) << i;
    }
}

TEST(RoundTrip, IconRefusesPagesOver256Pixels) {
    try {
        codec("ico").write({{sampleOfType(5, 300, 10), 5, {}}}, {});
        FAIL() << "no error";
    } catch (const pix::PixError& e) {
        EXPECT_EQ(e.number(), pix::kErrUnsupported);
    }
}

TEST(RoundTrip, PlaceableWmfStartsWithItsKeyAndBareOneWithTheHeader) {
    const pix::PixPage page{sampleOfType(5, 8, 8), 5, {}};
    pix::SaveOptions placeable;
    const QByteArray a = codec("wmf").write({page}, placeable);
    const QByteArray b = codec("wmf").write({page}, bare());
    EXPECT_EQ(a.left(4), QByteArray("\xD7\xCD\xC6\x9A", 4));
    EXPECT_EQ(b.left(4), QByteArray("\x01\x00\x09\x00", 4));
    EXPECT_EQ(a.size(), b.size() + 22);
}

} // namespace
