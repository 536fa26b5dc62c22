// EXIF and IPTC reading: blocks built by hand from the standards' layouts, checked through the
// engine's reader and, for EXIF, against ImageMagick.
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/image_type.h"
#include "engine/metadata.h"
#include "engine/pix_image.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace pixtest;

namespace {

void le16(QByteArray& b, int v) {
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
void le32(QByteArray& b, uint32_t v) {
    le16(b, int(v & 0xFFFF)), le16(b, int(v >> 16));
}
void be16(QByteArray& b, int v) {
    b.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
}
void be32(QByteArray& b, uint32_t v) {
    be16(b, int(v >> 16)), be16(b, int(v & 0xFFFF));
}

// An APP1 payload: "Exif\0\0", a little-endian TIFF block whose IFD0 holds Make and Model and
// whose IFD1 points at a JPEG thumbnail.
QByteArray exifBlock(const QByteArray& make, const QByteArray& model, const QByteArray& thumb) {
    const uint32_t ifd0 = 8, ifd0Size = 2 + 2 * 12 + 4;
    const uint32_t ifd1 = ifd0 + ifd0Size, ifd1Size = 2 + 2 * 12 + 4;
    const uint32_t makeAt = ifd1 + ifd1Size, modelAt = makeAt + uint32_t(make.size()) + 1;
    const uint32_t thumbAt = modelAt + uint32_t(model.size()) + 1;
    QByteArray t("II*\0", 4);
    le32(t, ifd0);
    auto entry = [&](int tag, int type, uint32_t count, uint32_t value) {
        le16(t, tag), le16(t, type), le32(t, count), le32(t, value);
    };
    le16(t, 2);
    entry(0x010F, 2, uint32_t(make.size()) + 1, makeAt);
    entry(0x0110, 2, uint32_t(model.size()) + 1, modelAt);
    le32(t, ifd1);
    le16(t, 2);
    entry(0x0201, 4, 1, thumbAt);
    entry(0x0202, 4, 1, uint32_t(thumb.size()));
    le32(t, 0);
    t.append(make).append('\0').append(model).append('\0').append(thumb);
    return QByteArray("Exif\0\0", 6) + t;
}

// An APP13 payload: a Photoshop resource 0x0404 holding IPTC record 2 datasets.
QByteArray iptcBlock(const QList<QPair<int, QByteArray>>& datasets) {
    QByteArray iptc;
    for (const auto& [number, text] : datasets) {
        iptc.append(char(0x1C)).append(char(2)).append(char(number));
        be16(iptc, int(text.size()));
        iptc.append(text);
    }
    QByteArray b("Photoshop 3.0\0", 14);
    b.append("8BIM");
    be16(b, 0x0404);
    b.append(char(0)).append(char(0)); // empty name, padded to even
    be32(b, uint32_t(iptc.size()));
    b.append(iptc);
    if (iptc.size() % 2) b.append(char(0));
    return b;
}

QByteArray jpegWith(const QList<pix::JpegMarker>& markers) {
    pix::PixPage page{gradientImage(64, 48), pix::kRgb, markers};
    return codec(pix::kFileJpeg).write({page}, {});
}

QByteArray thumbnail() {
    return codec(pix::kFileJpeg).write({pix::PixPage{gradientImage(16, 12), pix::kRgb, {}}}, {});
}

QString tagValue(const QList<QPair<QString, QString>>& tags, const QString& name) {
    for (const auto& [n, v] : tags)
        if (n == name) return v;
    return QStringLiteral("<missing>");
}

} // namespace

TEST(Metadata, ExifTagsAndThumbnail) {
    const QByteArray file =
        jpegWith({{0xE1, exifBlock("Pixendra Test Camera", "Model 7", thumbnail())}});
    const pix::ImageMetadata meta = pix::readMetadata(view(file));
    EXPECT_EQ(tagValue(meta.exif, "Image.Make"), "Pixendra Test Camera");
    EXPECT_EQ(tagValue(meta.exif, "Image.Model"), "Model 7");
    ASSERT_FALSE(meta.exifThumbnail.isNull());
    EXPECT_EQ(meta.exifThumbnail.size(), QSize(16, 12));
    EXPECT_TRUE(meta.iptc.isEmpty());

    const QString path = tempDir() + "/exif.jpg";
    writeBytes(path, file);
    EXPECT_EQ(magickFormat(path, "%[EXIF:Make]"), "Pixendra Test Camera");
    EXPECT_EQ(magickFormat(path, "%[EXIF:Model]"), "Model 7");
}

TEST(Metadata, IptcDatasets) {
    const QByteArray file =
        jpegWith({{0xED, iptcBlock({{120, "A caption"}, {5, "Object name"}, {25, "kw"}})}});
    const pix::ImageMetadata meta = pix::readMetadata(view(file));
    EXPECT_EQ(tagValue(meta.iptc, "Application2.Caption"), "A caption");
    EXPECT_EQ(tagValue(meta.iptc, "Application2.ObjectName"), "Object name");
    EXPECT_EQ(tagValue(meta.iptc, "Application2.Keywords"), "kw");
    EXPECT_TRUE(meta.exif.isEmpty());
    EXPECT_TRUE(meta.exifThumbnail.isNull());
}

TEST(Metadata, FilesWithoutOrWithBrokenMetadataGiveNone) {
    EXPECT_EQ(pix::readMetadata(view(jpegWith({}))), pix::ImageMetadata{});
    EXPECT_EQ(pix::readMetadata(view(QByteArray("not an image at all"))), pix::ImageMetadata{});
    EXPECT_EQ(pix::readMetadata({}), pix::ImageMetadata{});
    // An EXIF block whose IFD offset points far outside it.
    QByteArray broken = exifBlock("X", "Y", thumbnail());
    broken[10] = char(0xFF), broken[11] = char(0xFF), broken[12] = char(0xFF);
    const pix::ImageMetadata meta = pix::readMetadata(view(jpegWith({{0xE1, broken}})));
    EXPECT_TRUE(meta.exif.isEmpty());
}

TEST(Metadata, LoadingFillsTheMetadataAndSavingAsJpegCarriesTheMarkersTheMaskAllows) {
    const QString dir = tempDir();
    const QByteArray exif = exifBlock("Kept Maker", "K", thumbnail());
    pix::PixImage image;
    image.LoadFromMemory(jpegWith({{0xE1, exif}}), QStringLiteral("in.jpg"),
                         QStringLiteral("no undo"));
    EXPECT_EQ(tagValue(image.metadata().exif, "Image.Make"), "Kept Maker");
    EXPECT_EQ(image.page(0).markers.value(1), (pix::JpegMarker{0xE1, exif}));
    image.SaveToFile(dir + "/kept.jpg", pix::kFileJpeg, 0, true);
    EXPECT_EQ(magickFormat(dir + "/kept.jpg", "%[EXIF:Make]"), "Kept Maker");

    image.saveOptions().jpegMarkersToSave = 0xFFFF & ~1u; // everything but APP1
    image.SaveToFile(dir + "/dropped.jpg", pix::kFileJpeg, 0, true);
    EXPECT_TRUE(pix::readMetadata(view(readBytes(dir + "/dropped.jpg"))).exif.isEmpty());
}
