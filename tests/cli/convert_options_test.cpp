// The converter's argument parser: values reach the request, bad ones are refused with a reason.
#include "cli/convert_options.h"

#include "engine/codecs/codec.h"

#include <gtest/gtest.h>

using pixcli::parseArguments;
using pixcli::UsageError;

TEST(ConvertOptions, ValuesReachTheRequest) {
    const pixcli::ConvertRequest r =
        parseArguments({"--jpeg-quality", "33", "--jpeg-smoothing=12", "--jpeg-progressive",
                        "--tiff-compression", "lzw", "--bmp-rle", "--no-placeable", "--markers",
                        "0x5", "--page", "2", "--type", "3", "--format", "tif", "in.gif", "out.x"});
    EXPECT_EQ(r.input, "in.gif");
    EXPECT_EQ(r.output, "out.x");
    EXPECT_EQ(r.options.jpegQuality, 33);
    EXPECT_EQ(r.options.jpegSmoothing, 12);
    EXPECT_TRUE(r.options.jpegProgressive);
    EXPECT_EQ(r.options.tiffCompression, pix::kTiffLzw);
    EXPECT_TRUE(r.options.bmpRle);
    EXPECT_FALSE(r.options.wmfPlaceable);
    EXPECT_EQ(r.options.jpegMarkersToSave, 5u);
    EXPECT_EQ(r.page, 2);
    EXPECT_EQ(r.imageType, 3);
    EXPECT_EQ(r.fileType, pix::kFileTiff);
}

TEST(ConvertOptions, FormatsByNameAndCode) {
    EXPECT_EQ(parseArguments({"--format", "jpeg", "a", "b"}).fileType, pix::kFileJpeg);
    EXPECT_EQ(parseArguments({"--format", "8", "a", "b"}).fileType, 8);
    EXPECT_THROW(parseArguments({"--format", "gif", "a", "b"}), UsageError);
    EXPECT_THROW(parseArguments({"--format", "11", "a", "b"}), UsageError);
}

TEST(ConvertOptions, BadCommandLinesAreRefused) {
    EXPECT_THROW(parseArguments({"--jpeg-quality", "0", "a", "b"}), UsageError);
    EXPECT_THROW(parseArguments({"--jpeg-quality", "high", "a", "b"}), UsageError);
    EXPECT_THROW(parseArguments({"--jpeg-quality"}), UsageError);
    EXPECT_THROW(parseArguments({"--jpeg-progressive=yes", "a", "b"}), UsageError);
    EXPECT_THROW(parseArguments({"--frobnicate", "a", "b"}), UsageError);
    EXPECT_THROW(parseArguments({"a"}), UsageError);
    EXPECT_THROW(parseArguments({"--info", "a", "b"}), UsageError);
    EXPECT_NO_THROW(parseArguments({"--info", "a"}));
}

TEST(ConvertOptions, DashDashEndsOptions) {
    const pixcli::ConvertRequest r = parseArguments({"--", "--odd-name.png", "out.png"});
    EXPECT_EQ(r.input, "--odd-name.png");
    EXPECT_EQ(r.output, "out.png");
}

TEST(ConvertOptions, UsageListsEveryOption) {
    const QString usage = pixcli::usageText();
    for (const char* name : {"--format", "--jpeg-quality", "--jpeg-smoothing", "--jpeg-progressive",
                             "--tiff-compression", "--bmp-rle", "--no-placeable", "--markers",
                             "--page", "--type", "--append", "--markers-from", "--info"})
        EXPECT_TRUE(usage.contains(QLatin1String(name))) << name;
}
