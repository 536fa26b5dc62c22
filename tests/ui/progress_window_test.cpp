// The progress window during a colour reduction started from the menus: it shows with the usual
// text, and its Cancel button stops the reduction with the image as it was.
#include "frame_fixture.h"

#include "engine/image_type.h"
#include "info/frm_progress.h"

#include <QLabel>
#include <QPushButton>

TEST_F(FrameTest, ProgressWindowShowsForADitherAndItsCancelStopsIt) {
    frmMain* doc = newDocument(600, 400);
    doc->Pix->image().setImage(pixtest::gradientImage(600, 400), pix::kRgb,
                               QStringLiteral("No Undo"));
    const QImage before = doc->Pix->image().image().copy();
    const int undos = doc->Pix->image().Undos();
    int reports = 0;
    bool shown = false;
    QObject::connect(doc->pixAction, &pix::PixCtrl::progress, doc, [&](int, bool*) {
        frmProgress& w = frmProgress::instance();
        if (++reports > 1) return;
        // The frame's handler ran first: the window is up for this document.
        shown = w.isVisible() && w.lblProgressText->text() == QStringLiteral("Processing Image") &&
                !doc->isEnabled();
        w.btnCancel->click();
    });
    frame->chooseMenuItem(QStringLiteral("mnuEffectsDither"), 7); // 256 Colors
    EXPECT_TRUE(shown);
    EXPECT_EQ(reports, 2) << "the reduction stops at the report after the click";
    EXPECT_TRUE(desktop.messagesShown.isEmpty());
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), before));
    EXPECT_EQ(doc->Pix->image().Undos(), undos);
    EXPECT_FALSE(frmProgress::instance().isVisible());
    EXPECT_TRUE(doc->isEnabled());
}
