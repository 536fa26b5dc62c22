// The progress window: shown at 0 %, filled in proportion, hidden at 100 %, cancel honoured at
// the next report; and Cancel during a long effect on a document.
#include "frame_fixture.h"

#include "info/frm_progress.h"

#include <QLabel>
#include <QPushButton>

TEST(ProgressWindow, ShowsFillsHidesAndHonoursCancelAtTheNextReport) {
    QWidget document;
    frmProgress& w = frmProgress::instance();
    bool cancel = false;
    w.report(&document, 0, QStringLiteral("Downloading Image"), &cancel);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(document.isEnabled());
    EXPECT_EQ(w.lblProgressText->text(), QStringLiteral("Downloading Image"));
    EXPECT_EQ(w.picInner->width(), 1);
    w.report(&document, 50, QString(), &cancel);
    EXPECT_EQ(w.picInner->width(), w.picProgress->width() / 2);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Progress 50%"));
    w.report(&document, 100, QString(), &cancel);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(document.isEnabled());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Progress 100%"));
    EXPECT_FALSE(cancel);

    w.report(&document, 0, QStringLiteral("Working"), &cancel);
    w.btnCancel->click();
    EXPECT_TRUE(w.Cancelled);
    EXPECT_TRUE(w.isVisible()) << "the window stays until the next report";
    w.report(&document, 30, QString(), &cancel);
    EXPECT_TRUE(cancel);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(document.isEnabled());
}

TEST_F(FrameTest, CancelInTheProgressWindowLeavesTheImageAndSaysNothing) {
    frmMain* doc = newDocument(2000, 1500);
    const QImage before = doc->Pix->image().image().copy();
    const int undos = doc->Pix->image().Undos();
    bool pressed = false, shown = false;
    QObject::connect(doc->pixAction, &pix::PixCtrl::progress, doc, [&](int, bool*) {
        if (std::exchange(pressed, true)) return;
        // The frame's handler ran first: the window is up for this document.
        frmProgress& w = frmProgress::instance();
        shown = w.isVisible() && w.lblProgressText->text() == QStringLiteral("Processing Image") &&
                !doc->isEnabled();
        w.btnCancel->click();
    });
    desktop.answerModal(pixtest::pressOk());
    frame->chooseMenuItem(QStringLiteral("mnuEffects"), 18); // Motion Blur
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(desktop.messagesShown.isEmpty());
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), before));
    EXPECT_EQ(doc->Pix->image().Undos(), undos);
    EXPECT_FALSE(frmProgress::instance().isVisible());
    EXPECT_TRUE(doc->isEnabled());
}
