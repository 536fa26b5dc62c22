// The Effects action through the document and the parameter dialog: the live link of "Resize",
// cancelled and abandoned operations, and submenu headers that run nothing.
#include "catalogue/effects_catalogue.h"
#include "catalogue_fixture.h"

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
    const QImage before = pixels();
    doc->runCatalogue(catalogue::effectsCatalogue(), 2); // cancelled
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
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

// Opening a submenu whose header belongs to the group forwards the header's index; the action
// does nothing for it (a dialog or message here would fail the scripted desktop).
TEST_F(CatalogueTest, OpeningAnEffectsSubmenuRunsNothing) {
    setImage(5, 30, 20);
    const QImage before = pixels();
    int headers = 0;
    for (int header = 0; header < 28; ++header)
        if (frame->submenu(QStringLiteral("mnuEffects"), header)) {
            frame->openSubmenu(QStringLiteral("mnuEffects"), header);
            ++headers;
        }
    EXPECT_GE(headers, 10);
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
    EXPECT_EQ(image().Undos(), 0);
}
