// The desktop's standard keys reach the real commands, beside the menu table's own; Paste as New
// Image and Select None.
#include "ui/frame_fixture.h"

#include <QClipboard>
#include <QMimeData>
#include <QTest>

TEST_F(FrameTest, StandardKeysRunTheRealCommands) {
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    auto press = [&](const QKeySequence& keys) { QTest::keySequence(frame.get(), keys); };

    // Open and New ask as their menu items do (both cancelled here).
    desktop.answerOpen(QString());
    press(QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(desktop.openRequests.size(), 1);
    desktop.answerModal(pixtest::pressCancel());
    press(QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(desktop.pendingAnswers(), 0) << "the New Image dialog was shown";

    frmMain* doc = newDocument(2000, 1500);
    // Save on a new image is Save As; Save As asks for a file (cancelled).
    desktop.answerSave(QString(), 1);
    press(QKeySequence(QStringLiteral("Ctrl+S")));
    desktop.answerSave(QString(), 1);
    press(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    EXPECT_EQ(desktop.saveRequests.size(), 2);

    // Ctrl+Shift+Z redoes as Ctrl+Y does; Ctrl+Z still undoes.
    doc->Pix->image().ClearUndo();
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::red); });
    press(QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(doc->Pix->image().image().pixel(0, 0), 0xFFFFFFFFu);
    press(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    EXPECT_EQ(doc->Pix->image().image().pixel(0, 0), QColor(Qt::red).rgb());

    // Zoom: Ctrl+1 is 100 %, Ctrl++ zooms in (on X11 and Wayland Ctrl+Shift+= arrives as it),
    // Ctrl+0 fits.
    press(QKeySequence(QStringLiteral("Ctrl+1")));
    EXPECT_DOUBLE_EQ(doc->Pix->ZoomFactor(), 1.0);
    press(QKeySequence(QStringLiteral("Ctrl++")));
    EXPECT_GT(doc->Pix->ZoomFactor(), 1.0);
    press(QKeySequence(QStringLiteral("Ctrl+0")));
    EXPECT_LT(doc->Pix->ZoomFactor(), 1.0) << "the 2000 x 1500 image fits its smaller window";
    press(QKeySequence(QStringLiteral("Ctrl+1")));
    EXPECT_DOUBLE_EQ(doc->Pix->ZoomFactor(), 1.0);

    // Select None: Escape and Ctrl+Shift+A clear the selection, and Copy and Cut follow.
    for (const char* keys : {"Esc", "Ctrl+Shift+A"}) {
        press(QKeySequence(QStringLiteral("Ctrl+A")));
        ASSERT_TRUE(doc->Pix->SelectionShown());
        EXPECT_TRUE(enabled("mnuCopy"));
        press(QKeySequence(QString::fromLatin1(keys)));
        EXPECT_FALSE(doc->Pix->SelectionShown()) << keys;
        EXPECT_FALSE(enabled("mnuCopy")) << keys;
    }

    // F11 puts the frame on the whole screen and back.
    press(QKeySequence(Qt::Key_F11));
    EXPECT_TRUE(frame->isFullScreen());
    press(QKeySequence(Qt::Key_F11));
    EXPECT_FALSE(frame->isFullScreen());

    // Close asks about the unsaved image (kept open here); Quit ends as Exit does.
    desktop.answerMessage(platform::Answer::Cancel);
    press(QKeySequence(QStringLiteral("Ctrl+W")));
    EXPECT_EQ(openDocuments(), 1);
    doc->Saved = true;
    press(QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(openDocuments(), 0);
}

TEST_F(FrameTest, PasteAsNewImageMakesADocumentOfTheClipboardPicture) {
    // Enabled with no document open; without a picture it says so and opens nothing.
    ASSERT_TRUE(enabled("mnuPasteNew"));
    QGuiApplication::clipboard()->setText(QStringLiteral("words"));
    desktop.answerMessage(platform::Answer::Ok);
    frame->chooseMenuItem(QStringLiteral("mnuPasteNew"));
    EXPECT_EQ(openDocuments(), 0);
    EXPECT_EQ(desktop.messagesShown.size(), 1);

    const QImage picture = pixtest::gradientImage(30, 20);
    QGuiApplication::clipboard()->setImage(picture);
    frame->chooseMenuItem(QStringLiteral("mnuPasteNew"));
    ASSERT_EQ(openDocuments(), 1);
    frmMain* doc = frame->activeDocument();
    EXPECT_TRUE(
        pixtest::samePixels(doc->Pix->image().image().convertToFormat(QImage::Format_ARGB32),
                            picture.convertToFormat(QImage::Format_ARGB32)));
    EXPECT_FALSE(doc->Saved) << "a new, unsaved image";
    EXPECT_EQ(doc->Pix->image().Undos(), 0) << "nothing to undo in a fresh image";
    EXPECT_TRUE(enabled("mnuSave"));

    // Ctrl+Shift+V does the same beside a document already open.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QGuiApplication::clipboard()->setImage(pixtest::flatImage(7, 5, qRgb(0, 0, 255)));
    QTest::keySequence(frame.get(), QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    ASSERT_EQ(openDocuments(), 2);
    EXPECT_EQ(frame->activeDocument()->Pix->image().image().size(), QSize(7, 5));
    EXPECT_EQ(doc->Pix->image().image().size(), QSize(30, 20)) << "the first is untouched";
}

TEST_F(FrameTest, TheCaptionMarksAModifiedActiveDocument) {
    const QString path =
        writeImage(QStringLiteral("c.png"), {pixtest::gradientImage(16, 16)}, pix::kFilePng);
    frmMain* doc = openThroughMenu(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane Pixendra"));
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::green); });
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("*Corvane Pixendra"));
    frame->chooseMenuItem(QStringLiteral("mnuSave"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane Pixendra"));
    // A maximized document shows its caption in the frame's; the mark stays in front.
    auto* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget());
    sub->showMaximized();
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::blue); });
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("*Corvane Pixendra - [c.png@100%]"));
    sub->showNormal();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("*Corvane Pixendra"));
    frame->chooseMenuItem(QStringLiteral("mnuSave"));
    // The mark follows the active document.
    frmMain* fresh = newDocument();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("*Corvane Pixendra"));
    fresh->Saved = true;
    frame->chooseMenuItem(QStringLiteral("mnuClose"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Corvane Pixendra"));
}

TEST_F(FrameTest, EscapeGivesUpAPendingWarpLineBeforeItClearsTheSelection) {
    frmMain* doc = newDocument(200, 150);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    doc->Pix->viewport()->setFocus();
    frame->chooseMenuItem(QStringLiteral("mnuSelectAll"));
    doc->WarpPending = true; // as "Warp Image..." leaves it, waiting for a line
    QTest::keyClick(doc->Pix->viewport(), Qt::Key_Escape);
    EXPECT_FALSE(doc->WarpPending) << "the first Escape gives up the line";
    EXPECT_TRUE(doc->Pix->SelectionShown()) << "and leaves the selection";
    QTest::keyClick(doc->Pix->viewport(), Qt::Key_Escape);
    EXPECT_FALSE(doc->Pix->SelectionShown()) << "the next one is Select None";
}
