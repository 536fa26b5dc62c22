// pixendra-convert run as a program: conversions checked by decoding the output, failures by exit
// code, message and untouched files.
#include "libcodecs/reference_tools.h"
#include "support/test_images.h"

#include "engine/codecs/codec.h"
#include "engine/image_type.h"

#include "support/program_run.h"
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace pixtest;

namespace {

pixtest::ProgramRun convert(const QStringList& args) {
    return pixtest::runProgram(QStringLiteral(PIXENDRA_CONVERT), args);
}

void write(const QString& path, const QList<pix::PixPage>& pages, pix::SaveOptions o = {}) {
    pix::encodeFile(path, pix::kFileAuto, pages, o);
}

QList<pix::PixPage> pagesOf(const QString& path) {
    return pix::decodeFile(path).pages;
}

} // namespace

TEST(ConvertCli, PngToTiffAndBackIsExact) {
    const QString dir = tempDir();
    write(dir + "/a.png", {pageOfType(pix::kRgba)});
    ASSERT_EQ(convert({dir + "/a.png", dir + "/b.tif", "--tiff-compression", "deflate"}).code, 0);
    ASSERT_EQ(convert({dir + "/b.tif", dir + "/c.png"}).code, 0);
    EXPECT_TRUE(samePixels(pagesOf(dir + "/c.png").value(0).image, pageOfType(pix::kRgba).image));
}

TEST(ConvertCli, PagesAreKeptOrPicked) {
    const QString dir = tempDir();
    const QList<pix::PixPage> pages = {pageOfType(pix::kRgb, 10, 10), pageOfType(pix::kGray, 20, 5),
                                       pageOfType(pix::kMono, 9, 9)};
    write(dir + "/in.tif", pages);
    ASSERT_EQ(convert({dir + "/in.tif", dir + "/all.tif"}).code, 0);
    EXPECT_EQ(pagesOf(dir + "/all.tif").size(), 3);
    ASSERT_EQ(convert({"--page", "2", dir + "/in.tif", dir + "/two.png"}).code, 0);
    const QList<pix::PixPage> two = pagesOf(dir + "/two.png");
    ASSERT_EQ(two.size(), 1);
    EXPECT_TRUE(samePixels(two[0].image, pages[1].image));
    const pixtest::ProgramRun missing =
        convert({"--page", "4", dir + "/in.tif", dir + "/four.png"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_FALSE(QFile::exists(dir + "/four.png"));
}

TEST(ConvertCli, TypeAndQualityOptionsTakeEffect) {
    const QString dir = tempDir();
    write(dir + "/in.png", {pageOfType(pix::kRgb, 120, 90)});
    ASSERT_EQ(convert({"--type", "3", dir + "/in.png", dir + "/grey.png"}).code, 0);
    EXPECT_EQ(pagesOf(dir + "/grey.png").value(0).type, pix::kGray);
    ASSERT_EQ(convert({"--jpeg-quality", "10", dir + "/in.png", dir + "/low.jpg"}).code, 0);
    ASSERT_EQ(convert({"--jpeg-quality", "95", dir + "/in.png", dir + "/high.jpg"}).code, 0);
    EXPECT_LT(QFileInfo(dir + "/low.jpg").size(), QFileInfo(dir + "/high.jpg").size());
    ASSERT_EQ(convert({"--format", "jpg", dir + "/in.png", dir + "/noext"}).code, 0);
    EXPECT_EQ(pix::decodeFile(dir + "/noext").fileType, pix::kFileJpeg);
}

TEST(ConvertCli, AppendAddsATiffPage) {
    const QString dir = tempDir();
    write(dir + "/book.tif", {pageOfType(pix::kRgb)});
    write(dir + "/extra.png", {pageOfType(pix::kGray, 8, 8)});
    ASSERT_EQ(convert({"--append", dir + "/extra.png", dir + "/book.tif"}).code, 0);
    const QList<pix::PixPage> pages = pagesOf(dir + "/book.tif");
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(samePixels(pages[1].image, pageOfType(pix::kGray, 8, 8).image));
}

TEST(ConvertCli, MarkersFromAnotherJpeg) {
    const QString dir = tempDir();
    pix::PixPage donor = pageOfType(pix::kRgb);
    donor.markers = {{0xE1, QByteArray("Exif donor")}, {0xE2, QByteArray("icc")}};
    write(dir + "/donor.jpg", {donor});
    write(dir + "/plain.jpg", {pageOfType(pix::kRgb, 50, 40)});
    ASSERT_EQ(convert({"--markers", "1", "--markers-from", dir + "/donor.jpg", dir + "/plain.jpg",
                       dir + "/out.jpg"})
                  .code,
              0);
    const pix::PixPage out = pagesOf(dir + "/out.jpg").value(0);
    EXPECT_TRUE(samePixels(out.image, pagesOf(dir + "/plain.jpg").value(0).image));
    ASSERT_EQ(out.markers.size(), 2);
    EXPECT_EQ(out.markers[1], donor.markers[0]);
}

TEST(ConvertCli, InfoListsPages) {
    const QString dir = tempDir();
    write(dir + "/in.tif", {pageOfType(pix::kRgb, 11, 7), pageOfType(pix::kRgba, 3, 4)});
    const pixtest::ProgramRun r = convert({"--info", dir + "/in.tif"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("pages: 2"));
    EXPECT_TRUE(r.out.contains("page 1: 11 x 7, 24-bit RGB"));
    EXPECT_TRUE(r.out.contains("page 2: 3 x 4, 32-bit RGB w/ Alpha"));
}

TEST(ConvertCli, FailuresExplainAndLeaveFilesAlone) {
    const QString dir = tempDir();
    writeBytes(dir + "/bad.png", "\x89PNG\r\n\x1a\n garbage");
    write(dir + "/keep.jpg", {pageOfType(pix::kRgb)});
    const QByteArray before = readBytes(dir + "/keep.jpg");
    const pixtest::ProgramRun r = convert({dir + "/bad.png", dir + "/keep.jpg"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("Error: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("\nSource: ")) << r.err.toStdString();
    EXPECT_EQ(readBytes(dir + "/keep.jpg"), before);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2);

    EXPECT_EQ(convert({dir + "/missing.png", dir + "/x.png"}).code, 1);
    EXPECT_EQ(convert({"--bogus", "a", "b"}).code, 2);
    EXPECT_EQ(convert({"--help"}).code, 0);
}

TEST(ConvertCli, ACutJpegIsRefusedUnlessSalvaged) {
    const QString dir = tempDir();
    write(dir + "/full.jpg", {pageOfType(pix::kRgb, 200, 160)});
    const QByteArray bytes = readBytes(dir + "/full.jpg");
    writeBytes(dir + "/cut.jpg", bytes.left(bytes.size() * 2 / 3));
    const pixtest::ProgramRun refused = convert({dir + "/cut.jpg", dir + "/a.png"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("Warning: ")) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("--salvage")) << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir + "/a.png"));
    const pixtest::ProgramRun salvaged = convert({"--salvage", dir + "/cut.jpg", dir + "/a.png"});
    EXPECT_EQ(salvaged.code, 0) << salvaged.err.toStdString();
    EXPECT_EQ(pagesOf(dir + "/a.png").value(0).image.size(), QSize(200, 160));
}
