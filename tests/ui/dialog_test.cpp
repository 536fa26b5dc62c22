// The parameter dialog: geometry, the numeric guard, change notifications, closing; and the
// New Image flow that uses it.
#include "catalogue/frm_dialog.h"
#include "frame_fixture.h"
#include "platform/vb.h"
#include "support/typing.h"

#include <QSignalSpy>
#include <QTest>
#include <functional>

TEST(ParameterDialog, RowsArePlacedFourHundredTwipsApart) {
    pixtest::ScriptedDesktop desktop;
    frmDialog dlg;
    dlg.AddControl(QStringLiteral("Width:"), 10, frmDialog::kText);
    const int oneRow = dlg.clientHeightTwips();
    dlg.AddControl(QStringLiteral("Colour:"), 255, frmDialog::kColour);
    dlg.AddControl(QStringLiteral("Sharp"), true, frmDialog::kCheck);
    EXPECT_EQ(dlg.labelTopTwips(1) - dlg.labelTopTwips(0), 400);
    EXPECT_EQ(dlg.labelTopTwips(2) - dlg.labelTopTwips(1), 400);
    // From the first label's top to the button strip: three pitches.
    EXPECT_EQ(dlg.clientHeightTwips() - frmDialog::kBottomHeightTwips - dlg.labelTopTwips(0),
              3 * 400);
    EXPECT_EQ(dlg.clientHeightTwips() - oneRow, 800);
    EXPECT_EQ(dlg.height(), vb::twipsToPixels(dlg.clientHeightTwips()));
    // A check row shows its caption by the box and leaves the label column blank.
    EXPECT_EQ(dlg.chkCheck(2)->text(), QStringLiteral("Sharp"));
    EXPECT_TRUE(dlg.lblLabel(2)->text().isEmpty());
}

TEST(ParameterDialog, TextRowsStayNumeric) {
    pixtest::ScriptedDesktop desktop;
    frmDialog dlg;
    dlg.AddControl(QStringLiteral("Amount:"), 10, frmDialog::kText);
    dlg.AddControl(QStringLiteral("Other:"), 1, frmDialog::kText);
    dlg.show();
    QLineEdit* t = dlg.txtText(0);
    pixtest::typeInto(t, QStringLiteral("10"));
    QTest::keyClick(t, Qt::Key_A);
    EXPECT_EQ(t->text(), QStringLiteral("10")) << "a letter is taken back at once";
    QTest::keyClick(t, Qt::Key_5);
    EXPECT_EQ(t->text(), QStringLiteral("105"));
    t->clear(); // empty is allowed while typing...
    pixtest::leave(t);
    EXPECT_EQ(t->text(), QStringLiteral("10")) << "...but not when leaving the box";
}

TEST(ParameterDialog, FillingIsSilentAndEditsNotify) {
    pixtest::ScriptedDesktop desktop;
    frmDialog dlg;
    QSignalSpy changed(&dlg, &frmDialog::ControlChanged);
    dlg.AddControl(QStringLiteral("Width:"), 10, frmDialog::kText);
    dlg.AddControl(QStringLiteral("Colour:"), 0, frmDialog::kColour);
    dlg.AddControl(QStringLiteral("Method:"), 0, frmDialog::kList);
    dlg.AddControl(QStringLiteral("Fast"), false, frmDialog::kCheck);
    dlg.cmbCombo(2)->addItems({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(changed.count(), 0);
    dlg.txtText(0)->setText(QStringLiteral("12"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][1].toInt(), 0);
    desktop.answerColor(QColor(1, 2, 3));
    dlg.cmdColor(1)->click();
    EXPECT_EQ(dlg.colorValue(1), 0x030201u);
    EXPECT_EQ(changed.count(), 2);
    desktop.answerColor(std::nullopt); // cancelled colour dialog: the colour stays
    dlg.cmdColor(1)->click();
    EXPECT_EQ(dlg.colorValue(1), 0x030201u);
    dlg.chkCheck(3)->click();
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(changed.last()[1].toInt(), 3);
}

TEST(ParameterDialog, EscapeAndTitleBarCloseReportCancelledAndReturnAccepts) {
    pixtest::ScriptedDesktop desktop;
    const std::pair<bool, std::function<void(frmDialog&)>> ways[] = {
        {true, [](frmDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {true, [](frmDialog& d) { d.close(); }},
        {false, [](frmDialog& d) { QTest::keyClick(d.txtText(0), Qt::Key_Return); }},
    };
    for (const auto& [cancels, close] : ways) {
        frmDialog dlg;
        dlg.AddControl(QStringLiteral("A:"), 1, frmDialog::kText);
        dlg.show();
        close(dlg);
        EXPECT_EQ(dlg.Cancelled, cancels);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), cancels ? QDialog::Rejected : QDialog::Accepted);
        EXPECT_EQ(dlg.txtText(0)->text(), QStringLiteral("1")) << "still there to be read";
    }
}

TEST_F(FrameTest, NewImageWithTheDefaults) {
    desktop.answerModal(pixtest::pressOk([](QDialog& d) {
        auto& dlg = static_cast<frmDialog&>(d);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("New Image"));
        EXPECT_EQ(dlg.txtText(0)->text(), QStringLiteral("640"));
        EXPECT_EQ(dlg.txtText(1)->text(), QStringLiteral("480"));
        EXPECT_EQ(dlg.colorValue(2), 16777215u);
        EXPECT_EQ(dlg.txtText(3)->text(), QStringLiteral("255"));
        EXPECT_EQ(dlg.cmbCombo(4)->currentText(), QStringLiteral("24-bit RGB"));
    }));
    frame->FileNew();
    ASSERT_EQ(openDocuments(), 1);
    frmMain* doc = frame->activeDocument();
    const pix::PixImage& img = doc->Pix->image();
    EXPECT_EQ(img.width(), 640);
    EXPECT_EQ(img.height(), 480);
    EXPECT_EQ(img.imageType(), 5);
    EXPECT_EQ(img.image().pixel(639, 479), 0xFFFFFFFFu);
    EXPECT_FALSE(doc->Saved);
    EXPECT_TRUE(enabled("mnuSave"));
}

TEST_F(FrameTest, NewImageCancelledOrTooLargeReleasesTheSlot) {
    desktop.answerModal(pixtest::pressCancel());
    frame->FileNew();
    EXPECT_EQ(openDocuments(), 0);
    EXPECT_EQ(frame->DocumentCount, 0);
    desktop.answerModal(pixtest::pressOk([](QDialog& d) {
        auto& dlg = static_cast<frmDialog&>(d);
        dlg.txtText(0)->setText(QStringLiteral("100000"));
        dlg.txtText(1)->setText(QStringLiteral("100000"));
    }));
    desktop.answerMessage(platform::Answer::Ok);
    frame->FileNew();
    EXPECT_EQ(openDocuments(), 0);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_TRUE(desktop.messagesShown[0].text.contains(QStringLiteral("exceeds the limit")));
    desktop.answerModal(pixtest::pressOk(
        [](QDialog& d) { static_cast<frmDialog&>(d).txtText(3)->setText(QStringLiteral("300")); }));
    desktop.answerMessage(platform::Answer::Ok);
    frame->FileNew();
    EXPECT_EQ(openDocuments(), 0) << "an alpha of 300 is refused";
}

namespace {
// The scripted desktop at another screen scale.
class ScaledDesktop : public pixtest::ScriptedDesktop {
public:
    explicit ScaledDesktop(double tpp) : tpp_(tpp) {}
    double twipsPerPixel() const override { return tpp_; }

private:
    double tpp_;
};
} // namespace

TEST(ParameterDialog, CaptionsAreNeverCutOff) {
    for (double tpp : {15.0, 7.5, 30.0}) {
        ScaledDesktop desktop(tpp);
        frmDialog dlg;
        dlg.AddControl(QStringLiteral("Width:"), 10, frmDialog::kText);
        dlg.AddControl(QStringLiteral("Bottom Bright Percent [0..100]:"), 5, frmDialog::kText);
        dlg.AddControl(QStringLiteral("Smoothness [0..500]:"), 0, frmDialog::kColour);
        dlg.AddControl(QStringLiteral("Method:"), 0, frmDialog::kList);
        dlg.AddControl(QStringLiteral("Keep the aspect ratio of the original picture"), true,
                       frmDialog::kCheck);
        dlg.show();
        EXPECT_GE(dlg.width(), vb::twipsToPixels(frmDialog::kClientWidthTwips, tpp))
            << "the design width is the least";
        for (int k = 0; k < dlg.RowCount; ++k) {
            QLabel* label = dlg.lblLabel(k);
            QWidget* control = dlg.txtText(k)    ? static_cast<QWidget*>(dlg.txtText(k))
                               : dlg.cmdColor(k) ? dlg.cmdColor(k)
                               : dlg.cmbCombo(k) ? static_cast<QWidget*>(dlg.cmbCombo(k))
                                                 : dlg.chkCheck(k);
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
                << tpp << " " << k;
            EXPECT_GE(label->width(), vb::twipsToPixels(1785, tpp));
            EXPECT_LE(label->geometry().right(), control->x()) << "the caption ends before "
                                                                  "its control";
            EXPECT_LE(control->geometry().right(), dlg.width()) << tpp << " " << k;
            if (QCheckBox* check = dlg.chkCheck(k)) { // its caption sits in the box
                EXPECT_GE(check->width(), check->sizeHint().width()) << tpp;
            }
        }
    }
}
