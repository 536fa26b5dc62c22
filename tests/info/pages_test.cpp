// The Images menu through the frame's real menus: the page list and its captions, navigation,
// adding, removing and undoing, appending to a TIFF file that libtiff then reads.
#include "document/file_formats.h"
#include "engine/codecs/codec.h"
#include "ui/frame_fixture.h"

#include <QMenu>
#include <QProcess>

namespace {

QStringList pageCaptions(MDIMain& frame) {
    QStringList captions;
    for (QAction* a : frame.submenu(QStringLiteral("mnuImages"), 0)->actions())
        captions << a->text();
    return captions;
}

int checkedPage(MDIMain& frame) {
    const QList<QAction*> items = frame.submenu(QStringLiteral("mnuImages"), 0)->actions();
    for (int i = 0; i < items.size(); ++i)
        if (items[i]->isChecked()) return i;
    return -1;
}

} // namespace

class PagesTest : public FrameTest {
protected:
    // Opens a three-page TIFF (40 x 30, 50 x 20, 30 x 30) and opens the Images menu.
    frmMain* openThreePages() {
        tiff = writeImage(QStringLiteral("three.tif"),
                          {pixtest::gradientImage(40, 30), pixtest::gradientImage(50, 20),
                           pixtest::gradientImage(30, 30)},
                          pix::kFileTiff);
        frmMain* doc = openThroughMenu(tiff);
        frame->openSubmenu(QStringLiteral("mnumImages"));
        return doc;
    }
    QString tiff;
};

TEST_F(PagesTest, TheListShowsEveryPageAndFollowsNavigation) {
    frmMain* doc = openThreePages();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(pageCaptions(*frame), QStringList({"1: 40 x 30 x 16777216 Colors (24bpp)  ",
                                                 "2: 50 x 20 x 16777216 Colors (24bpp)  ",
                                                 "3: 30 x 30 x 16777216 Colors (24bpp)  "}));
    EXPECT_EQ(checkedPage(*frame), 0);
    EXPECT_FALSE(enabled("mnuImages", 5));
    EXPECT_TRUE(enabled("mnuImages", 4));
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuImageType"), 5)->isChecked());
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 4);
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 4);
    EXPECT_EQ(doc->Pix->image().currentPage(), 2);
    EXPECT_EQ(checkedPage(*frame), 2);
    EXPECT_FALSE(enabled("mnuImages", 4)) << "Next Image on the last page";
    EXPECT_TRUE(enabled("mnuImages", 5));
    // A page chosen in the list is shown; an edit marks its caption.
    frame->chooseMenuItem(QStringLiteral("mnuImagesImage"), 1);
    EXPECT_EQ(doc->Pix->image().currentPage(), 1);
    EXPECT_EQ(doc->Pix->image().width(), 50);
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::red); });
    EXPECT_EQ(pageCaptions(*frame)[1], "2: 50 x 20 x 16777216 Colors (24bpp)    (Changed)");
    EXPECT_EQ(checkedPage(*frame), 1);
    // With a selection, the chosen page is drawn at its corner, cut to its size, as one step.
    doc->Pix->setSelection(QRectF(5, 4, 10, 6));
    const int undos = doc->Pix->image().Undos();
    frame->chooseMenuItem(QStringLiteral("mnuImagesImage"), 0);
    EXPECT_EQ(doc->Pix->image().currentPage(), 1);
    const QImage shown = doc->Pix->image().image();
    const QImage first = doc->Pix->image().page(0).image;
    EXPECT_EQ(shown.pixel(5, 4), first.pixel(0, 0));
    EXPECT_EQ(shown.pixel(14, 9), first.pixel(9, 5));
    EXPECT_EQ(shown.pixel(15, 9), qRgb(255, 0, 0)) << "outside the selection";
    EXPECT_EQ(doc->Pix->image().Undos(), undos + 1);
}

TEST_F(PagesTest, RemovingAddingAndAppendingLoseNothing) {
    frmMain* doc = openThreePages();
    ASSERT_NE(doc, nullptr);
    pix::PixImage& img = doc->Pix->image();
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 7);
    EXPECT_EQ(pageCaptions(*frame).size(), 2);
    frame->chooseMenuItem(QStringLiteral("mnuUndo"));
    EXPECT_EQ(pageCaptions(*frame).size(), 3) << "undo brings the page back";
    EXPECT_EQ(img.page(0).image.size(), QSize(40, 30));

    // Inserting at 0 appends; a cancelled prompt and an unreadable file change nothing.
    const QString extra =
        writeImage(QStringLiteral("extra.png"), {pixtest::gradientImage(12, 10)}, pix::kFilePng);
    desktop.answerOpen(extra);
    desktop.answerInput(QStringLiteral("0"));
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 6);
    ASSERT_EQ(img.pageCount(), 4);
    EXPECT_EQ(img.page(3).image.size(), QSize(12, 10));
    EXPECT_TRUE(pageCaptions(*frame)[3].endsWith(QLatin1String("(Changed)")));
    desktop.answerOpen(extra);
    desktop.answerInput(std::nullopt);
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 6);
    const QString junk = pixtest::tempDir() + QStringLiteral("/junk.png");
    pixtest::writeBytes(junk, "not a picture");
    desktop.answerOpen(junk);
    desktop.answerMessage(platform::Answer::Ok);
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 6);
    EXPECT_EQ(img.pageCount(), 4);
    desktop.answerOpen(extra);
    desktop.answerInput(QStringLiteral("2"));
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 6);
    EXPECT_EQ(img.page(1).image.size(), QSize(12, 10)) << "page number 2 inserts before page 2";

    // Append Image to TIFF asks for a TIFF file; the next open dialog offers images again.
    img.setCurrentPage(4);
    desktop.answerOpen(tiff);
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 9);
    EXPECT_EQ(desktop.openRequests.last().filter, QStringLiteral("TIFF Images|*.tif;*.tiff"));
    QProcess info;
    info.start(QStringLiteral("tiffinfo"), {tiff});
    if (info.waitForFinished(30000) && info.exitStatus() == QProcess::NormalExit) {
        const QString out = QString::fromLatin1(info.readAllStandardOutput());
        EXPECT_EQ(out.count(QLatin1String("TIFF Directory")), 4) << out.toStdString();
    }
    const pix::DecodedFile appended = pix::decodeFile(tiff);
    ASSERT_EQ(appended.pages.size(), 4);
    EXPECT_EQ(appended.pages[3].image.size(), QSize(12, 10));
    desktop.answerOpen(extra);
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 11);
    EXPECT_EQ(desktop.openRequests.last().filter, fileformats::kOpenFilter);
    EXPECT_EQ(doc->Pix->BackgroundPicture().size(), QSize(12, 10));
    frame->chooseMenuItem(QStringLiteral("mnuImages"), 12);
    EXPECT_TRUE(doc->Pix->BackgroundPicture().isNull());

    // Removing every page leaves "No Images".
    while (img.pageCount() > 0) frame->chooseMenuItem(QStringLiteral("mnuImages"), 7);
    EXPECT_EQ(pageCaptions(*frame), QStringList({"No Images"}));
    EXPECT_FALSE(enabled("mnuImagesImage", 0));
    EXPECT_FALSE(enabled("mnuImages", 7));
}
