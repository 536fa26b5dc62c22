// JPEG: quality and progressive options, markers and their save mask, lossless transcoding,
// damaged files and orientations.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/codecs/jpeg_transcode.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"

#include <QProcess>
#include <gtest/gtest.h>

using namespace pixtest;

namespace {

const pix::Codec& jpeg() {
    return codec(pix::kFileJpeg);
}

pix::PixPage decode(const QByteArray& bytes) {
    return jpeg().read(view(bytes)).pages.value(0);
}

QByteArray encode(const pix::PixPage& page, pix::SaveOptions o = {}) {
    return jpeg().write({page}, o);
}

pix::PixPage rgbPage(int w = 96, int h = 64) {
    return {smoothImage(w, h), pix::kRgb, {}};
}

// Start-of-frame marker kind: 0xC0 baseline, 0xC2 progressive; 0 when none is found.
int frameKind(const QByteArray& jpegBytes) {
    for (qsizetype i = 2; i + 1 < jpegBytes.size(); ++i)
        if (uchar(jpegBytes[i]) == 0xFF && (uchar(jpegBytes[i + 1]) & 0xF0) == 0xC0 &&
            uchar(jpegBytes[i + 1]) != 0xC4)
            return uchar(jpegBytes[i + 1]);
    return 0;
}

pix::JpegMarker marker(int code, const char* text) {
    return {code, QByteArray(text)};
}

} // namespace

// At quality 100 colour stays close and grey stays grey; grey with alpha keeps its grey levels.
TEST(JpegRoundTrip, HighQualityIsCloseAndGreyStaysGrey) {
    pix::SaveOptions o;
    o.jpegQuality = 100;
    QImage greyAlpha = pix::convertToType(smoothImage(64, 64), pix::kGrayAlpha);
    greyAlpha.setPixel(3, 3, qRgba(90, 90, 90, 10)); // one see-through pixel
    const struct {
        pix::PixPage page;
        int type, tolerance;
    } cases[] = {
        {rgbPage(), pix::kRgb, 8},
        {{pix::convertToType(smoothImage(96, 64), pix::kGray), pix::kGray, {}}, pix::kGray, 4},
        {{greyAlpha, pix::kGrayAlpha, {}}, pix::kGray, 4}};
    for (const auto& c : cases) {
        const pix::PixPage back = decode(encode(c.page, o));
        EXPECT_EQ(back.type, c.type);
        const QImage expected = pix::convertToType(c.page.image, c.type);
        EXPECT_LE(maxChannelDiff(back.image, expected.convertToFormat(QImage::Format_RGB32)),
                  c.tolerance);
    }
}

TEST(JpegOptions, LowerQualityGivesSmallerFilesAndLargerErrorsAndSmoothingChangesTheOutput) {
    pix::SaveOptions low, high;
    low.jpegQuality = 20;
    high.jpegQuality = 95;
    const QImage src = smoothImage(160, 120);
    const QByteArray a = encode({src, pix::kRgb, {}}, low), b = encode({src, pix::kRgb, {}}, high);
    EXPECT_LT(a.size(), b.size());
    EXPECT_GT(maxChannelDiff(decode(a).image, src), maxChannelDiff(decode(b).image, src));
    pix::SaveOptions smooth;
    smooth.jpegSmoothing = 80;
    EXPECT_NE(encode(rgbPage(), smooth), encode(rgbPage()));
}

// Progressive coding holds the same coefficients as baseline. Large baseline pages are encoded in
// bands joined by restart markers: they decode exactly like the progressive coding of the same
// page (made in one piece), keep their markers once, and ImageMagick reads them as we do.
TEST(JpegBands, BandedBaselineDecodesLikeOnePiece) {
    pix::SaveOptions baseline, progressive;
    progressive.jpegProgressive = true;
    const pix::PixPage pages[] = {
        rgbPage(),
        rgbPage(1001, 777),
        {smoothImage(640, 1000).convertToFormat(QImage::Format_Grayscale8), pix::kGray, {}}};
    for (pix::PixPage page : pages) {
        page.markers = {marker(0xE1, "Exif once")};
        const QByteArray banded = encode(page, baseline), whole = encode(page, progressive);
        EXPECT_EQ(frameKind(banded), 0xC0);
        EXPECT_EQ(frameKind(whole), 0xC2);
        const bool large = page.image.height() > 100;
        EXPECT_EQ(banded.contains("\xFF\xDD"), large) << "restart intervals only when banded";
        const pix::PixPage back = decode(banded);
        EXPECT_TRUE(samePixels(back.image, decode(whole).image));
        EXPECT_EQ(back.markers.size(), 2); // JFIF + ours
        const QString path = tempDir() + "/banded.jpg";
        writeBytes(path, banded);
        EXPECT_LE(
            maxChannelDiff(magickDecode(path), back.image.convertToFormat(QImage::Format_RGB32)),
            1);
    }
}

TEST(JpegMarkers, WrittenByMaskAndReadBackExactly) {
    pix::PixPage page = rgbPage();
    page.markers = {marker(0xE1, "Exif first"), marker(0xE2, "second"),
                    marker(0xED, "Photoshop 3.0")};
    pix::SaveOptions all;
    const QList<pix::JpegMarker> back = decode(encode(page, all)).markers;
    // libjpeg adds its JFIF APP0 first; ours follow in order.
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back[0].code, 0xE0);
    EXPECT_EQ(back.mid(1), page.markers);

    pix::SaveOptions onlyApp1And13;
    onlyApp1And13.jpegMarkersToSave = (1u << 0) | (1u << 12); // bit k = APP(k+1)
    const QList<pix::JpegMarker> some = decode(encode(page, onlyApp1And13)).markers;
    ASSERT_EQ(some.size(), 3);
    EXPECT_EQ(some[1], page.markers[0]);
    EXPECT_EQ(some[2], page.markers[2]);

    pix::SaveOptions none;
    none.jpegMarkersToSave = 0;
    EXPECT_EQ(decode(encode(page, none)).markers.size(), 1);
}

TEST(JpegTranscode, KeepsPixelsExactlyAndSwapsMarkers) {
    pix::PixPage source = rgbPage(120, 80);
    source.markers = {marker(0xE1, "old exif"), marker(0xE3, "old app3")};
    const QByteArray original = encode(source);
    const QList<pix::JpegMarker> donor = {marker(0xE1, "new exif"), marker(0xE4, "new app4")};

    const QByteArray out = pix::jpegWithMarkers(view(original), donor, 1u, {}, QStringLiteral("t"));
    const pix::PixPage result = decode(out);
    EXPECT_TRUE(samePixels(result.image, decode(original).image));
    ASSERT_EQ(result.markers.size(), 2); // JFIF + the donor's APP1 (mask 1 = APP1 only)
    EXPECT_EQ(result.markers[1], donor[0]);
}

TEST(JpegTranscode, OtherFormatsAreEncodedWithTheMarkers) {
    const QString dir = tempDir();
    const pix::PixPage page{smoothImage(40, 30), pix::kRgb, {}};
    writeBytes(dir + "/in.png", codec(pix::kFilePng).write({page}, {}));
    const QList<pix::JpegMarker> donor = {marker(0xE1, "exif here")};
    pix::CopyMarkers(dir + "/in.png", dir + "/out.jpg", donor, 1u, {});
    const pix::PixPage result = decode(readBytes(dir + "/out.jpg"));
    EXPECT_EQ(result.markers.value(1), donor[0]);
    EXPECT_LE(maxChannelDiff(result.image, page.image), 16);
}

// libjpeg's warnings never refuse a file: a segment cut short resynchronises at the next restart
// marker and decodes as djpeg decodes it; a file cut short opens with its rest grey and noted.
TEST(JpegDamage, WarningsOpenTheFileAndACutPictureIsNoted) {
    const QString dir = tempDir();
    magickEncode(smoothImage(160, 96), dir + "/src.ppm");
    QProcess cjpeg;
    cjpeg.start("cjpeg", {"-restart", "1", "-outfile", dir + "/rst.jpg", dir + "/src.ppm"});
    if (!cjpeg.waitForFinished() || cjpeg.exitCode() != 0) GTEST_SKIP() << "cjpeg is missing";
    QByteArray damaged = readBytes(dir + "/rst.jpg");
    const qsizetype rst = damaged.indexOf("\xFF\xD3");
    ASSERT_GT(rst, 40);
    damaged.remove(rst - 30, 25); // the segment before RST3 ends early
    writeBytes(dir + "/damaged.jpg", damaged);
    QProcess djpeg;
    djpeg.start("djpeg", {"-pnm", "-outfile", dir + "/djpeg.ppm", dir + "/damaged.jpg"});
    ASSERT_TRUE(djpeg.waitForFinished());
    ASSERT_EQ(djpeg.exitCode(), 2); // warnings
    const pix::DecodedFile file = jpeg().read(view(damaged));
    EXPECT_EQ(visibleDiff(file.pages.value(0).image, magickDecode(dir + "/djpeg.ppm")), 0);
    ASSERT_EQ(file.notes.size(), 1);
    EXPECT_FALSE(file.notes[0].incomplete);
    EXPECT_TRUE(file.notes[0].warning.contains("Corrupt JPEG data"));

    const QByteArray full = encode(rgbPage(200, 120));
    for (qsizetype cut : {full.size() / 3, full.size() - 40}) {
        const pix::DecodedFile part = jpeg().read(view(full.left(cut)));
        EXPECT_EQ(part.pages.value(0).image.size(), QSize(200, 120));
        ASSERT_EQ(part.notes.size(), 1) << cut;
        EXPECT_TRUE(part.notes[0].incomplete) << cut;
    }
    for (qsizetype cut : {qsizetype(3), qsizetype(40)})
        EXPECT_THROW(jpeg().read(view(full.left(cut))), pix::PixError) << cut;
    EXPECT_THROW(jpeg().read(view(QByteArray("\xFF\xD8\xFF\x00garbage", 11))), pix::PixError);
    EXPECT_TRUE(jpeg().read(view(full)).notes.isEmpty());
    // Only the end marker missing: accepted, the same picture.
    ASSERT_TRUE(full.endsWith("\xFF\xD9"));
    EXPECT_TRUE(samePixels(decode(full.chopped(2)).image, decode(full).image));
}

namespace {

// How each EXIF orientation 1..8 is made from the upright picture: jpegtran's lossless turns and
// ImageMagick's, and the TIFF name of the orientation.
struct OrientationCase {
    int value;
    QStringList jpegtran, magick;
    const char* tiffName;
};

const OrientationCase kOrientations[] = {
    {1, {}, {}, "TopLeft"},
    {2, {"-flip", "horizontal"}, {"-flop"}, "TopRight"},
    {3, {"-rotate", "180"}, {"-rotate", "180"}, "BottomRight"},
    {4, {"-flip", "vertical"}, {"-flip"}, "BottomLeft"},
    {5, {"-transpose"}, {"-transpose"}, "LeftTop"},
    {6, {"-rotate", "270"}, {"-rotate", "270"}, "RightTop"},
    {7, {"-transverse"}, {"-transverse"}, "RightBottom"},
    {8, {"-rotate", "90"}, {"-rotate", "90"}, "LeftBottom"},
};

} // namespace

// Every stored orientation opens as the same upright picture; a copy we save is upright with
// orientation 1 for an independent reader, while the lossless marker copy keeps the stored value.
TEST(JpegOrientation, EveryOrientationOpensUprightAndSavesAsOne) {
    if (!haveTool("exiftool") || !haveTool("jpegtran") || !haveTool("cjpeg"))
        GTEST_SKIP() << "exiftool or libjpeg's tools are missing";
    const QString dir = tempDir();
    magickEncode(smoothImage(64, 48), dir + "/up.ppm");
    runTool("cjpeg",
            {"-sample", "1x1", "-quality", "95", "-outfile", dir + "/up.jpg", dir + "/up.ppm"});
    const QImage upright = decode(readBytes(dir + "/up.jpg")).image;
    for (const OrientationCase& c : kOrientations) {
        SCOPED_TRACE(c.value);
        const QString path = dir + QString("/o%1.jpg").arg(c.value);
        runTool("jpegtran", QStringList{"-perfect"} + c.jpegtran +
                                QStringList{"-outfile", path, dir + "/up.jpg"});
        runTool("exiftool",
                {"-q", "-n", QString("-Orientation=%1").arg(c.value), "-overwrite_original", path});
        const pix::PixPage page = decode(readBytes(path));
        EXPECT_LE(visibleDiff(page.image, upright), 2);
        if (c.value != 6) continue;
        pix::SaveOptions o;
        o.jpegQuality = 100;
        writeBytes(dir + "/saved.jpg", encode(page, o));
        EXPECT_EQ(runTool("exiftool", {"-n", "-s3", "-Orientation", dir + "/saved.jpg"}).trimmed(),
                  "1");
        EXPECT_LE(visibleDiff(magickDecode(dir + "/saved.jpg"), upright), 4);
        writeBytes(dir + "/copy.jpg", pix::jpegWithMarkers(view(readBytes(dir + "/up.jpg")),
                                                           page.markers, 1u, o, "t"));
        EXPECT_EQ(runTool("exiftool", {"-n", "-s3", "-Orientation", dir + "/copy.jpg"}).trimmed(),
                  "6");
    }
}

// TIFF pages read directly (8 bits) and through libtiff's RGBA reader (16 bits) turn alike.
TEST(TiffOrientation, EveryOrientationOpensUpright) {
    const QString dir = tempDir();
    const QImage up = smoothImage(45, 31);
    magickEncode(up, dir + "/up.png");
    for (const char* depth : {"8", "16"})
        for (const OrientationCase& c : kOrientations) {
            SCOPED_TRACE(QString("%1 bits, orientation %2").arg(depth).arg(c.value).toStdString());
            const QString path = dir + "/o.tif";
            runTool("/usr/bin/convert",
                    QStringList{dir + "/up.png"} + c.magick +
                        QStringList{"-depth", depth, "-orient", c.tiffName, path});
            const QImage got =
                codec(pix::kFileTiff).read(view(readBytes(path))).pages.value(0).image;
            EXPECT_LE(visibleDiff(got, up), 0);
        }
}
