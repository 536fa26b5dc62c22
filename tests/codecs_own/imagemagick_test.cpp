// Files ImageMagick writes, in the layouts each format allows, decode to the pixels ImageMagick
// decodes them to, with the page type the layout implies.
#include "engine/image_type.h"
#include "libcodecs/reference_tools.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

using namespace pixtest;

namespace {

struct TheirFile {
    const char* label;
    const char* codec;
    QStringList args;   // between the source image and the output
    const char* output; // ImageMagick's coder and the file's extension
    bool alphaSource;
    int expectedType; // -1: any type whose storage the page uses
    int tolerance;
    int frames = 1;
    // IM 6.9 cannot read some files it writes (indexed PSD); the reference is then its
    // conversion of the source with the same arguments.
    bool referenceFromPipeline = false;
};

class OursReadTheirs : public ::testing::TestWithParam<TheirFile> {};

TEST_P(OursReadTheirs, SamePixelsAsImageMagick) {
    const TheirFile& f = GetParam();
    const QString dir = tempDir();
    const QString src = dir + QStringLiteral("/src.pam");
    writeBytes(src, toPam(sampleOfType(f.alphaSource ? pix::kRgba : pix::kRgb, 61, 45)));
    const QString out =
        dir + QStringLiteral("/out.") + QString::fromLatin1(f.output).section(':', 1);
    magick(QStringList{src} + f.args +
           QStringList{QString::fromLatin1(f.output).section(':', 0, 0) + ':' + out});
    const pix::DecodedFile ours = codec(f.codec).read(view(readBytes(out)));
    ASSERT_EQ(ours.pages.size(), f.frames);
    for (int i = 0; i < f.frames; ++i) {
        const pix::PixPage& page = ours.pages[i];
        EXPECT_TRUE(f.expectedType < 0 || page.type == f.expectedType) << page.type;
        EXPECT_EQ(page.image.format(), pix::storageFormat(page.type));
        QImage theirs;
        if (f.referenceFromPipeline) {
            const QString ref = dir + QStringLiteral("/ref.bmp");
            magick(QStringList{src} + f.args + QStringList{"-type", "TrueColor", "bmp3:" + ref});
            theirs = magickDecode(ref);
        } else {
            theirs = magickDecode(out, i);
        }
        EXPECT_LE(maxChannelDiff(page.image, theirs), f.tolerance) << "page " << i;
    }
}

// clang-format off
const TheirFile kTheirs[] = {
    {"bmp24", "bmp", {}, "bmp3:bmp", false, -1, 0},
    {"bmp8", "bmp", {"-type", "Palette"}, "bmp3:bmp", false, -1, 0},
    {"bmp_rle8", "bmp", {"-type", "Palette", "-compress", "RLE"}, "bmp3:bmp", false, -1, 0},
    {"bmp4", "bmp", {"-colors", "12"}, "bmp3:bmp", false, -1, 0},
    {"bmp1", "bmp", {"-monochrome"}, "bmp3:bmp", false, -1, 0},
    {"bmp_os2", "bmp", {}, "bmp2:bmp", false, -1, 0},
    {"bmp565", "bmp", {"-define", "bmp:subtype=RGB565"}, "bmp:bmp", false, -1, 0},
    {"bmp32_alpha", "bmp", {}, "bmp:bmp", true, -1, 0},
    {"tga24", "tga", {}, "tga:tga", false, -1, 0},
    {"tga_rle", "tga", {"-compress", "RLE"}, "tga:tga", false, -1, 0},
    {"tga32_alpha_rle", "tga", {"-compress", "RLE"}, "tga:tga", true, -1, 0},
    {"tga_palette", "tga", {"-type", "Palette"}, "tga:tga", false, -1, 0},
    {"tga_grey", "tga", {"-type", "Grayscale"}, "tga:tga", false, -1, 0},
    {"pcx24", "pcx", {}, "pcx:pcx", false, -1, 0},
    {"pcx_palette", "pcx", {"-type", "Palette"}, "pcx:pcx", false, -1, 0},
    {"pcx_mono", "pcx", {"-monochrome"}, "pcx:pcx", false, -1, 0},
    {"pcx_grey", "pcx", {"-type", "Grayscale"}, "pcx:pcx", false, -1, 0},
    {"psd_rgb", "psd", {}, "psd:psd", false, -1, 0},
    {"psd_rgb_raw", "psd", {"-compress", "None"}, "psd:psd", false, -1, 0},
    {"psd_rgba", "psd", {}, "psd:psd", true, -1, 0},
    {"psd_grey", "psd", {"-type", "Grayscale"}, "psd:psd", false, -1, 0},
    {"psd_palette", "psd", {"-type", "Palette"}, "psd:psd", false, -1, 0, 1, true},
    {"psd_16bit", "psd", {"-depth", "16"}, "psd:psd", false, -1, 0},
    {"psd_cmyk", "psd", {"-colorspace", "CMYK"}, "psd:psd", false, -1, 1},
    {"psd_mono", "psd", {"-monochrome"}, "psd:psd", false, -1, 0},
    {"ico32", "ico", {}, "ico:ico", true, -1, 0},
    {"ico_two_sizes", "ico", {"(", "+clone", "-resize", "16x16!", ")"}, "ico:ico", true, -1, 0, 2},
    {"ico_png", "ico", {"-resize", "256x256!"}, "ico:ico", true, -1, 0},
    {"wbmp", "wbmp", {"-monochrome"}, "wbmp:wbmp", false, -1, 0},
    {"png_rgb8", "png", {"-define", "png:color-type=2"}, "png:png", false, pix::kRgb, 0},
    {"png_rgba16", "png", {"-depth", "16", "-define", "png:color-type=6"}, "png:png", true, pix::kRgba, 1},
    {"png_interlaced", "png", {"-interlace", "PNG", "-define", "png:color-type=2"}, "png:png", false, pix::kRgb, 0},
    {"png_grey", "png", {"-colorspace", "Gray", "-define", "png:color-type=0"}, "png:png", false, pix::kGray, 0},
    {"png_grey16", "png", {"-colorspace", "Gray", "-depth", "16"}, "png:png", false, pix::kGray, 1},
    {"png_greyAlpha", "png", {"-colorspace", "Gray", "-define", "png:color-type=4"}, "png:png", true, pix::kGrayAlpha, 0},
    {"png_palette", "png", {"-colors", "50", "-define", "png:color-type=3"}, "png:png", false, pix::kIndexed, 0},
    {"png_bilevel", "png", {"-monochrome"}, "png:png", false, pix::kMono, 0},
    {"jpeg_baseline", "jpeg", {"-quality", "90"}, "jpeg:jpg", false, pix::kRgb, 1},
    {"jpeg_progressive", "jpeg", {"-interlace", "JPEG"}, "jpeg:jpg", false, pix::kRgb, 1},
    {"jpeg_grey", "jpeg", {"-colorspace", "Gray"}, "jpeg:jpg", false, pix::kGray, 1},
    {"jpeg_cmyk", "jpeg", {"-colorspace", "CMYK"}, "jpeg:jpg", false, pix::kRgb, 3},
    {"tiff_plain", "tiff", {}, "tiff:tif", false, pix::kRgb, 0},
    {"tiff_alpha", "tiff", {}, "tiff:tif", true, pix::kRgba, 0},
    {"tiff_associatedAlpha", "tiff", {"-define", "tiff:alpha=associated"}, "tiff:tif", true, pix::kRgba, 1},
    {"tiff_tiled", "tiff", {"-define", "tiff:tile-geometry=32x32"}, "tiff:tif", false, pix::kRgb, 0},
    {"tiff_planar", "tiff", {"-interlace", "Plane"}, "tiff:tif", false, pix::kRgb, 0},
    {"tiff_sixteenBit", "tiff", {"-depth", "16"}, "tiff:tif", false, pix::kRgb, 1},
    {"tiff_bigEndian", "tiff", {"-endian", "MSB", "-compress", "LZW"}, "tiff:tif", false, pix::kRgb, 0},
    // 16-bit colour maps: ImageMagick truncates to 8 bits, libtiff shifts, we round.
    {"tiff_palette", "tiff", {"-colors", "40", "-type", "Palette"}, "tiff:tif", false, pix::kIndexed, 1},
    {"tiff_palette4bit", "tiff", {"-colors", "12", "-type", "Palette", "-depth", "4"}, "tiff:tif", false, pix::kIndexed, 1},
    {"tiff_cmyk", "tiff", {"-colorspace", "CMYK"}, "tiff:tif", false, pix::kRgb, 2},
    {"tiff_grey16", "tiff", {"-colorspace", "Gray", "-depth", "16"}, "tiff:tif", false, pix::kGray, 1},
    {"tiff_greyMinIsWhite", "tiff", {"-colorspace", "Gray", "-define", "tiff:photometric=min-is-white"}, "tiff:tif", false, pix::kGray, 0},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(AllReaders, OursReadTheirs, ::testing::ValuesIn(kTheirs),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
