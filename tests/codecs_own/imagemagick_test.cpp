// Independent checks: ImageMagick decodes the files we write to the same pixels, and we decode
// the files ImageMagick writes to the pixels it decodes them to.
#include "engine/image_type.h"
#include "own_codec_support.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

using namespace owntest;

namespace {

struct OurFile {
    const char* codec;
    const char* extension;
    bool rle;
    std::vector<int> types;
};

// IM reads PSD alpha un-blended from white unless told not to; our files store plain alpha.
const QStringList kReadDefines = {QStringLiteral("-define"),
                                  QStringLiteral("psd:alpha-unblend=off")};

TEST(ImageMagickReadsOurs, EveryTypeGivesTheSamePixels) {
    const OurFile files[] = {
        {"bmp", "bmp", false, {0, 1, 2, 3, 4, 5, 6}},
        {"bmp", "bmp", true, {0, 1, 3}},
        {"pcx", "pcx", false, {0, 1, 3, 5}},
        {"tga", "tga", false, {0, 1, 3, 5, 6}},
        // IM 6.9 cannot read indexed PSD, and loses grey + alpha transparency on output.
        {"psd", "psd", false, {0, 3, 5, 6}},
        {"ico", "ico", false, {0, 1, 3, 5, 6}},
        {"wbmp", "wbmp", false, {0}},
    };
    const QString dir = pixtest::tempDir();
    for (const OurFile& f : files)
        for (int type : f.types) {
            SCOPED_TRACE(std::string(f.codec) + (f.rle ? " rle" : "") + " type " +
                         std::to_string(type));
            const QImage src = sampleOfType(type);
            pix::SaveOptions options;
            options.bmpRle = f.rle;
            const QString path =
                dir +
                QStringLiteral("/t%1%2.%3").arg(type).arg(f.rle).arg(QLatin1String(f.extension));
            writeAll(path, codec(f.codec).write({{src, type, {}}}, options));
            QStringList args = kReadDefines;
            args << path + QStringLiteral("[0]") << QStringLiteral("-auto-orient")
                 << QStringLiteral("-depth") << QStringLiteral("8") << QStringLiteral("rgba:-");
            const QByteArray raw = magick(args);
            ASSERT_EQ(raw.size(), src.width() * src.height() * 4);
            const QImage ours = src.convertToFormat(QImage::Format_ARGB32);
            int worst = 0;
            for (int y = 0; y < src.height(); ++y) {
                const auto* p = reinterpret_cast<const QRgb*>(ours.constScanLine(y));
                const auto* m =
                    reinterpret_cast<const uint8_t*>(raw.constData()) + y * src.width() * 4;
                for (int x = 0; x < src.width(); ++x, m += 4)
                    worst =
                        std::max({worst, std::abs(qRed(p[x]) - m[0]), std::abs(qGreen(p[x]) - m[1]),
                                  std::abs(qBlue(p[x]) - m[2]), std::abs(qAlpha(p[x]) - m[3])});
            }
            EXPECT_EQ(worst, 0);
        }
}

struct TheirFile {
    const char* label;
    const char* codec;
    QStringList args;   // between the source image and the output
    const char* output; // IM's coder prefix and our extension
    bool alphaSource;
    int tolerance;
    int frames;
    // IM 6.9 cannot read some files it writes (indexed PSD); the reference is then its
    // conversion of the source with the same arguments.
    bool referenceFromPipeline = false;
};

class OursReadTheirs : public ::testing::TestWithParam<TheirFile> {};

TEST_P(OursReadTheirs, SamePixelsAsImageMagick) {
    const TheirFile& f = GetParam();
    const QString dir = pixtest::tempDir();
    const QString src = dir + QStringLiteral("/src.png");
    ASSERT_TRUE(sampleOfType(f.alphaSource ? 6 : 5, 37, 23).save(src, "PNG"));
    const QString out =
        dir + QStringLiteral("/out.") + QString::fromLatin1(f.output).section(':', 1);
    QStringList args{src};
    args << f.args << QString::fromLatin1(f.output).section(':', 0, 0) + ':' + out;
    magick(args);
    const pix::DecodedFile ours = codec(f.codec).read(bytesOf(readAll(out)));
    ASSERT_EQ(ours.pages.size(), f.frames);
    for (int i = 0; i < f.frames; ++i) {
        const QImage page = ours.pages[i].image;
        EXPECT_EQ(page.format(), pix::storageFormat(ours.pages[i].type));
        QList<QImage> theirs;
        if (f.referenceFromPipeline) {
            const QString ref = dir + QStringLiteral("/ref.bmp");
            magick(QStringList{src} << f.args << QStringLiteral("-type")
                                    << QStringLiteral("TrueColor")
                                    << QStringLiteral("bmp3:") + ref);
            theirs = magickDecode(ref, page.size());
        } else {
            theirs = magickDecode(out + QStringLiteral("[%1]").arg(i), page.size());
        }
        ASSERT_EQ(theirs.size(), 1);
        EXPECT_LE(pixtest::maxChannelDiff(page, theirs[0]), f.tolerance) << "page " << i;
    }
}

const TheirFile kTheirs[] = {
    {"bmp24", "bmp", {}, "bmp3:bmp", false, 0, 1},
    {"bmp8", "bmp", {"-type", "Palette"}, "bmp3:bmp", false, 0, 1},
    {"bmp_rle8", "bmp", {"-type", "Palette", "-compress", "RLE"}, "bmp3:bmp", false, 0, 1},
    {"bmp4", "bmp", {"-colors", "12"}, "bmp3:bmp", false, 0, 1},
    {"bmp1", "bmp", {"-monochrome"}, "bmp3:bmp", false, 0, 1},
    {"bmp_os2", "bmp", {}, "bmp2:bmp", false, 0, 1},
    {"bmp565", "bmp", {"-define", "bmp:subtype=RGB565"}, "bmp:bmp", false, 0, 1},
    {"bmp32_alpha", "bmp", {}, "bmp:bmp", true, 0, 1},
    {"tga24", "tga", {}, "tga:tga", false, 0, 1},
    {"tga_rle", "tga", {"-compress", "RLE"}, "tga:tga", false, 0, 1},
    {"tga32_alpha_rle", "tga", {"-compress", "RLE"}, "tga:tga", true, 0, 1},
    {"tga_palette", "tga", {"-type", "Palette"}, "tga:tga", false, 0, 1},
    {"tga_grey", "tga", {"-type", "Grayscale"}, "tga:tga", false, 0, 1},
    {"pcx24", "pcx", {}, "pcx:pcx", false, 0, 1},
    {"pcx_palette", "pcx", {"-type", "Palette"}, "pcx:pcx", false, 0, 1},
    {"pcx_mono", "pcx", {"-monochrome"}, "pcx:pcx", false, 0, 1},
    {"pcx_grey", "pcx", {"-type", "Grayscale"}, "pcx:pcx", false, 0, 1},
    {"psd_rgb", "psd", {}, "psd:psd", false, 0, 1},
    {"psd_rgb_raw", "psd", {"-compress", "None"}, "psd:psd", false, 0, 1},
    {"psd_rgba", "psd", {}, "psd:psd", true, 0, 1},
    {"psd_grey", "psd", {"-type", "Grayscale"}, "psd:psd", false, 0, 1},
    {"psd_palette", "psd", {"-type", "Palette"}, "psd:psd", false, 0, 1, true},
    {"psd_16bit", "psd", {"-depth", "16"}, "psd:psd", false, 0, 1},
    {"psd_cmyk", "psd", {"-colorspace", "CMYK"}, "psd:psd", false, 1, 1},
    {"psd_mono", "psd", {"-monochrome"}, "psd:psd", false, 0, 1},
    {"ico32", "ico", {}, "ico:ico", true, 0, 1},
    {"ico_two_sizes", "ico", {"(", "+clone", "-resize", "16x16!", ")"}, "ico:ico", true, 0, 2},
    {"ico_png", "ico", {"-resize", "256x256!"}, "ico:ico", true, 0, 1},
    {"wbmp", "wbmp", {"-monochrome"}, "wbmp:wbmp", false, 0, 1},
};

INSTANTIATE_TEST_SUITE_P(OwnCodecs, OursReadTheirs, ::testing::ValuesIn(kTheirs),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
