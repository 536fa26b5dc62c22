// The Effects action through the document and the parameter dialog: titles and rows, the live
// link of "Resize", abandoned and cancelled operations, and values reaching the engine.
#include "catalogue/effects_catalogue.h"
#include "catalogue_fixture.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/effects.h"

using pixtest::pressCancel;
using pixtest::pressOk;

TEST_F(CatalogueTest, ResizeLinkFollowsTheCheckBoxLive) {
    setImage(pixtest::flatImage(400, 300, qRgb(10, 20, 30)), 5);
    desktop.answerModal(pressOk([](QDialog& d) {
        frmDialog& dlg = asDialog(d);
        dlg.txtText(0)->setText(QStringLiteral("200"));
        EXPECT_EQ(dlg.txtText(1)->text(), QStringLiteral("150"));
        dlg.chkCheck(3)->click(); // unlinked: the sides are independent
        dlg.txtText(0)->setText(QStringLiteral("100"));
        EXPECT_EQ(dlg.txtText(1)->text(), QStringLiteral("150"));
    }));
    doc->runCatalogue(catalogue::effectsCatalogue(), 2);
    EXPECT_EQ(image().width(), 100);
    EXPECT_EQ(image().height(), 150);
    EXPECT_EQ(image().image().pixel(50, 75), qRgb(10, 20, 30)) << "a flat colour stays flat";
}

TEST_F(CatalogueTest, ResizeWithASelectionStartsAtItsSizeButLinksTheWholeImage) {
    setImage(pixtest::flatImage(400, 300, qRgb(1, 2, 3)), 5);
    select(QRect(10, 10, 100, 80));
    desktop.answerModal(pressCancel());
    desktop.answerModal(pressOk([](QDialog& d) {
        frmDialog& dlg = asDialog(d);
        EXPECT_EQ(dlg.txtText(0)->text(), QStringLiteral("100"));
        EXPECT_EQ(dlg.txtText(1)->text(), QStringLiteral("80"));
        dlg.txtText(0)->setText(QStringLiteral("40"));
        EXPECT_EQ(dlg.txtText(1)->text(), QStringLiteral("30")) << "400 x 300, not 100 x 80";
    }));
    doc->runCatalogue(catalogue::effectsCatalogue(), 2); // cancelled
    EXPECT_EQ(image().Undos(), 0) << "a cancelled operation leaves no step";
    doc->runCatalogue(catalogue::effectsCatalogue(), 2);
    EXPECT_EQ(image().width(), 400) << "the result goes into the selection";
    EXPECT_EQ(image().Undos(), 1);
}

TEST_F(CatalogueTest, AnOpacityOf300AbandonsTheOperation) {
    setImage(2 /* alpha palette */, 30, 20);
    const QImage before = pixels();
    struct Case {
        int index;
        int row;
    };
    for (const Case c : {Case{3, 5}, Case{11, 2}, Case{24, 4}, Case{24, 6}}) {
        SCOPED_TRACE(c.index);
        desktop.answerModal(pressOk(
            [c](QDialog& d) { asDialog(d).txtText(c.row)->setText(QStringLiteral("300")); }));
        desktop.answerMessage(platform::Answer::Ok);
        const int shown = desktop.messagesShown.size();
        doc->runCatalogue(catalogue::effectsCatalogue(), int16_t(c.index));
        ASSERT_EQ(desktop.messagesShown.size(), shown + 1) << "the refusal is reported";
        EXPECT_TRUE(desktop.messagesShown.last().text.contains(QStringLiteral("300")));
        EXPECT_TRUE(desktop.messagesShown.last().text.contains(QStringLiteral("0..255")));
        EXPECT_TRUE(pixtest::samePixels(pixels(), before));
        EXPECT_EQ(image().Undos(), 0);
        EXPECT_FALSE(doc->frmDlg) << "the dialog is released";
    }
}

TEST_F(CatalogueTest, CancelLeavesTheImageAsItWas) {
    setImage(6, 30, 20);
    const QImage before = pixels();
    for (int index : {3, 4, 5, 9, 11, 12, 13, 16, 17, 18, 24, 26, 27}) {
        desktop.answerModal(pressCancel());
        doc->runCatalogue(catalogue::effectsCatalogue(), int16_t(index));
        EXPECT_TRUE(pixtest::samePixels(pixels(), before)) << index;
    }
    EXPECT_EQ(image().Undos(), 0);
    EXPECT_EQ(desktop.pendingAnswers(), 0);
}

TEST_F(CatalogueTest, MenusReachTheEffectsAction) {
    setImage(5, 30, 20);
    const QImage before = pixels();
    desktop.answerModal(
        pressOk([](QDialog& d) { EXPECT_EQ(d.windowTitle(), QStringLiteral("Motion Blur")); }));
    ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuEffects"), 18));
    EXPECT_FALSE(pixtest::samePixels(pixels(), before));
    EXPECT_FALSE(doc->Saved);
    const QImage blurred = pixels();
    // Opening a submenu whose header belongs to the group forwards the header's index; the
    // action does nothing for it (a dialog or message here would fail the scripted desktop).
    int headers = 0;
    for (int header = 0; header < 28; ++header)
        if (frame->submenu(QStringLiteral("mnuEffects"), header)) {
            frame->openSubmenu(QStringLiteral("mnuEffects"), header);
            ++headers;
        }
    EXPECT_GE(headers, 10);
    EXPECT_TRUE(pixtest::samePixels(pixels(), blurred));
    EXPECT_EQ(image().Undos(), 1);
}

TEST_F(CatalogueTest, WarpWaitsForTheNextLine) {
    setImage(5, 60, 40);
    const QImage before = pixels();
    EXPECT_FALSE(doc->finishWarp(1, 1, 20, 20)) << "no warp pending: the line is drawn";
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
    desktop.answerMessage(platform::Answer::Ok);
    select(QRect(5, 5, 10, 10));
    doc->runCatalogue(catalogue::effectsCatalogue(), 23);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text, QStringLiteral("Drag a line to warp the image"));
    EXPECT_EQ(desktop.messagesShown[0].title, QStringLiteral("Pixendra"));
    EXPECT_TRUE(doc->WarpPending);
    EXPECT_EQ(doc->Pix->MouseMode(), pix::kMouseLine);
    EXPECT_EQ(image().Undos(), 0);
    EXPECT_TRUE(doc->finishWarp(10, 20, 40, 20));
    EXPECT_FALSE(doc->WarpPending);
    const QImage warped = pixels();
    EXPECT_FALSE(pixtest::samePixels(warped, before));
    EXPECT_GT(changedOutside(before, warped, QRect(5, 5, 10, 10)), 0)
        << "the warp acts on the whole image";
    EXPECT_EQ(image().Undos(), 1);
    EXPECT_FALSE(doc->finishWarp(10, 20, 40, 20)) << "one line per command";
}
