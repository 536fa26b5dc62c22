// The Metadata menu through the real menus: tags written by exiftool listed, the EXIF thumbnail
// imported as a page, the markers dialog and its mask, and markers copied into another JPEG.
#include "engine/codecs/codec.h"
#include "engine/effects.h"
#include "engine/image_type.h"
#include "info/frm_exif.h"
#include "info/frm_jpeg_markers.h"
#include "ui/frame_fixture.h"

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

namespace {

// Runs exiftool with `args`; false when it is not installed or failed.
bool exiftool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("exiftool"), QStringList{"-overwrite_original", "-q"} + args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray app1Of(const pix::PixPage& page) {
    for (const pix::JpegMarker& m : page.markers)
        if (m.code == 0xE1) return m.data;
    return {};
}

} // namespace

class MetadataTest : public FrameTest {
protected:
    // A JPEG whose EXIF names an artist and carries a thumbnail, opened through File > Open.
    frmMain* openTaggedJpeg() {
        const QString thumb = writeImage(QStringLiteral("thumb.jpg"),
                                         {pixtest::gradientImage(16, 12)}, pix::kFileJpeg);
        tagged = writeImage(QStringLiteral("tagged.jpg"), {pixtest::gradientImage(64, 48)},
                            pix::kFileJpeg);
        if (!exiftool({QStringLiteral("-Artist=Ada Pixel"),
                       QStringLiteral("-ThumbnailImage<=") + thumb, tagged}))
            return nullptr;
        return openThroughMenu(tagged);
    }
    QString tagged;
};

TEST_F(MetadataTest, TagsAndTheThumbnailOfAFileTaggedByExiftool) {
    frmMain* doc = openTaggedJpeg();
    if (!doc) GTEST_SKIP() << "exiftool is missing";
    ASSERT_TRUE(enabled("mnuMetadata", 0));
    frame->chooseMenuItem(QStringLiteral("mnuMetadata"), 0);
    frmEXIF& window = frmEXIF::instance();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.txtExif->toPlainText().contains(QLatin1String("Image.Artist = Ada Pixel")))
        << window.txtExif->toPlainText().toStdString();
    window.resize(300, 200);
    EXPECT_EQ(window.txtExif->geometry(), QRect(0, 0, 300, 200));
    EXPECT_FALSE(enabled("mnuMetadata", 2)) << "no IPTC tags here";
    window.close();

    ASSERT_TRUE(enabled("mnuMetadata", 1));
    frame->chooseMenuItem(QStringLiteral("mnuMetadata"), 1);
    pix::PixImage& img = doc->Pix->image();
    ASSERT_EQ(img.pageCount(), 2);
    EXPECT_EQ(img.page(1).image.size(), QSize(16, 12));
    EXPECT_EQ(img.history().undoLabel(), QStringLiteral("Import EXIF Thumbnail."));

    // An image without a thumbnail: the item goes grey instead of a message.
    newDocument();
    EXPECT_FALSE(enabled("mnuMetadata", 1));
}

TEST_F(MetadataTest, TheMarkersDialogSetsTheMaskOnlyWhenConfirmed) {
    frmMain* doc = newDocument();
    uint32_t& mask = doc->Pix->image().saveOptions().jpegMarkersToSave;
    mask = 0;
    desktop.answerModal([](QDialog& d) {
        auto& dlg = static_cast<frmJPEGMarkers&>(d);
        EXPECT_EQ(dlg.lstJPEGMarkers->count(), 14);
        EXPECT_EQ(dlg.lstJPEGMarkers->item(13)->text(), QStringLiteral("JPEG_APP14"));
        EXPECT_TRUE(dlg.lstJPEGMarkers->selectedItems().isEmpty());
        dlg.lstJPEGMarkers->item(0)->setSelected(true);
        dlg.lstJPEGMarkers->item(2)->setSelected(true);
        EXPECT_EQ(dlg.Mask, 5u);
        dlg.cmdOK->click();
        return dlg.result();
    });
    frame->chooseMenuItem(QStringLiteral("mnuMetadata"), 3);
    EXPECT_EQ(mask, 5u);
    // Cancel and the close button both keep the mask.
    for (const bool closeButton : {false, true}) {
        desktop.answerModal([closeButton](QDialog& d) {
            auto& dlg = static_cast<frmJPEGMarkers&>(d);
            EXPECT_EQ(dlg.lstJPEGMarkers->selectedItems().size(), 2);
            dlg.lstJPEGMarkers->item(5)->setSelected(true);
            if (closeButton)
                dlg.close();
            else
                dlg.cmdCancel->click();
            return dlg.result();
        });
        frame->chooseMenuItem(QStringLiteral("mnuMetadata"), 3);
        EXPECT_EQ(mask, 5u) << closeButton;
    }
}

TEST_F(MetadataTest, CopiedMarkersGoWithTheChosenFilesPixelsUntouched) {
    frmMain* doc = openTaggedJpeg();
    if (!doc) GTEST_SKIP() << "exiftool is missing";
    pix::PixImage& img = doc->Pix->image();
    img.saveOptions().jpegMarkersToSave = 0xFFFF;
    const QString chosen =
        writeImage(QStringLiteral("other.jpg"), {pixtest::gradientImage(30, 20)}, pix::kFileJpeg);
    const QString target = pixtest::tempDir() + QStringLiteral("/copied.jpg");
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerOpen(chosen);
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerSave(target, 1);
    frame->chooseMenuItem(QStringLiteral("mnuMetadata"), 4);
    ASSERT_EQ(desktop.messagesShown.size(), 2);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("Choose source image to copy Metadata to."));
    EXPECT_EQ(desktop.saveRequests.last().filter,
              QStringLiteral("Joint Photographic Experts Group  <JPG>|*.jpg|"));
    EXPECT_EQ(img.saveOptions().jpegMarkersToSave, 1u);
    const pix::DecodedFile written = pix::decodeFile(target);
    ASSERT_EQ(written.pages.size(), 1);
    EXPECT_TRUE(pixtest::samePixels(written.pages[0].image, pix::decodeFile(chosen).pages[0].image))
        << "the coefficients were copied, not compressed again";
    EXPECT_FALSE(app1Of(img.page(0)).isEmpty());
    EXPECT_EQ(app1Of(written.pages[0]), app1Of(img.page(0)));
    // A cancelled save dialog writes nothing.
    QFile::remove(target);
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerOpen(chosen);
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerSave(QString(), 1);
    frame->chooseMenuItem(QStringLiteral("mnuMetadata"), 4);
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(MetadataTest, JpegPngAndTiffKeepTheMetadataWithTheSavedSizeAndEveryPage) {
    if (!openTaggedJpeg()) GTEST_SKIP() << "exiftool is missing";
    ASSERT_TRUE(
        exiftool({QStringLiteral("-ExifImageWidth=64"), QStringLiteral("-ExifImageHeight=48"),
                  QStringLiteral("-IPTC:Keywords=pixels"), tagged}));
    pix::PixImage img;
    img.LoadFromFile(tagged, QStringLiteral("No Undo"));
    pix::Effects::Resize(img, 32, 24, 0, QStringLiteral("No Undo"));
    for (const char* ext : {"jpg", "png", "tif"}) {
        SCOPED_TRACE(ext);
        const QString out = pixtest::tempDir() + QStringLiteral("/kept.") + QLatin1String(ext);
        img.SaveToFile(out, 0, 0, true);
        QProcess p;
        p.start(QStringLiteral("exiftool"),
                {"-s", "-s", "-s", "-Artist", "-ExifImageWidth", "-ExifImageHeight", out});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput())
                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                  QStringList({"Ada Pixel", "32", "24"}));
        const pix::DecodedFile written = pix::decodeFile(out);
        ASSERT_EQ(written.pages.size(), 1);
        EXPECT_EQ(written.pages[0].image.size(), QSize(32, 24));
        if (QLatin1String(ext) != QLatin1String("jpg")) {
            pix::PixImage reread;
            reread.LoadFromFile(out, QStringLiteral("No Undo"));
            EXPECT_FALSE(reread.metadata().iptc.isEmpty()) << "IPTC kept";
        }
    }
    // A TIFF of several pages keeps every page, and the metadata.
    img.AddPage(pix::PixPage{pixtest::gradientImage(20, 10), pix::kRgb, {}},
                QStringLiteral("No Undo"));
    img.AddPage(pix::PixPage{pixtest::gradientImage(8, 6), pix::kRgb, {}},
                QStringLiteral("No Undo"));
    const QString out = pixtest::tempDir() + QStringLiteral("/pages.tif");
    img.SaveToFile(out, 0, 0, true);
    const pix::DecodedFile written = pix::decodeFile(out);
    ASSERT_EQ(written.pages.size(), 3);
    EXPECT_EQ(written.pages[2].image.size(), QSize(8, 6));
    pix::PixImage reread;
    reread.LoadFromFile(out, QStringLiteral("No Undo"));
    EXPECT_FALSE(reread.metadata().exif.isEmpty());
}

TEST_F(MetadataTest, ATiffsOwnStructureIsNotCarriedAsPhotoMetadata) {
    // ImageMagick's TIFF names only how its pixels are stored (resolution, page number, white
    // point...): nothing of it is photo metadata to carry into a saved file.
    const QString plain = pixtest::tempDir() + QStringLiteral("/plain.tif");
    if (QProcess::execute(QStringLiteral("convert"),
                          {"-size", "16x8", "gradient:red-blue", "-depth", "8", plain}) != 0)
        GTEST_SKIP() << "ImageMagick is missing";
    pix::PixImage img;
    img.LoadFromFile(plain, QStringLiteral("No Undo"));
    EXPECT_TRUE(img.metadata().exifBlob.isEmpty());
    ASSERT_TRUE(exiftool({QStringLiteral("-Artist=Ada Pixel"), plain}));
    img.LoadFromFile(plain, QStringLiteral("No Undo"));
    EXPECT_FALSE(img.metadata().exifBlob.isEmpty());
}
