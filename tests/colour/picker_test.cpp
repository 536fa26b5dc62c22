// The colour picker: field generation, wells, decimal boxes, read-outs, marker and the frame's
// protocol around it.
#include "colour_fixture.h"

#include "colour/colour_math.h"
#include "platform/system_colours.h"

#include <QCheckBox>
#include <QPushButton>

TEST_F(ColourTest, EachSystemWellSelectsExactlyItsColourAndOkSetsTheSwatch) {
    frmColorPicker& picker = openPicker(1);
    EXPECT_FALSE(frame->isEnabled()) << "the frame waits for the picker";
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.lblTitle->text(), QStringLiteral("Select background color:"));
    for (int i = 0; i < platform::kSystemColourCount; ++i) {
        QTest::mouseClick(picker.picSysColor[i], Qt::LeftButton);
        const QColor want = platform::systemColour(i);
        EXPECT_EQ(picker.markerColour(), colour::toColour(want.red(), want.green(), want.blue()))
            << "well " << i;
    }
    QTest::mouseClick(picker.picSysColor[8], Qt::LeftButton);
    const uint32_t chosen = picker.markerColour();
    QTest::mouseClick(picker.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_EQ(frame->SelColor[1], chosen);
    EXPECT_EQ(frame->SelColor[0], 0x000000u) << "only the edited swatch changes";
    // The same window serves the next request; Cancel changes nothing and frees the frame.
    EXPECT_EQ(&openPicker(0), &picker);
    EXPECT_EQ(picker.lblTitle->text(), QStringLiteral("Select foreground color:"));
    QTest::mouseClick(picker.picSysColor[5], Qt::LeftButton);
    QTest::mouseClick(picker.cmdCancel, Qt::LeftButton);
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_EQ(frame->SelColor[0], 0x000000u);
    // Escape (or closing the window) is Cancel: the frame is never left disabled.
    openPicker(0);
    QTest::keyClick(&picker, Qt::Key_Escape);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_TRUE(frame->isEnabled());
}

TEST_F(ColourTest, WebSafeFieldHoldsOnlyWebSafeChannelsWithTheBoundaryAt26) {
    EXPECT_EQ(colour::WebSafe(26), 0);
    EXPECT_EQ(colour::WebSafe(27), 51);
    EXPECT_EQ(colour::WebSafe(230), 255);
    EXPECT_EQ(colour::WebSafe(229), 204);
    frmColorPicker& picker = openPicker(0);
    QTest::mouseClick(picker.chkWebSafe, Qt::LeftButton);
    ASSERT_TRUE(picker.chkWebSafe->isChecked());
    const QSet<int> safe = {0, 51, 102, 153, 204, 255};
    const QImage& field = picker.field();
    int bad = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const QRgb p = field.pixel(x, y);
            bad += !safe.contains(qRed(p)) || !safe.contains(qGreen(p)) || !safe.contains(qBlue(p));
        }
    EXPECT_EQ(bad, 0);
    QTest::mouseClick(picker.chkWebSafe, Qt::LeftButton);
    // Without snapping the field is the plain fade: top row white to the base colour, bottom row
    // black to it, left column the grey ramp.
    const colour::Rgb base = picker.base();
    EXPECT_EQ(picker.field().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(picker.field().pixel(255, 0), qRgb(base.r, base.g, base.b));
    EXPECT_EQ(picker.field().pixel(255, 255), qRgb(base.r, base.g, base.b));
    EXPECT_EQ(picker.field().pixel(0, 200), qRgb(55, 55, 55));
    QTest::mouseClick(picker.cmdCancel, Qt::LeftButton);
}

TEST_F(ColourTest, DecimalBoxesRestoreInvalidTextAndSetTheBase) {
    frmColorPicker& picker = openPicker(0);
    QLineEdit* red = picker.txtRGB[0];
    for (const char* typed : {"256", "-1", "12a"}) {
        const QString before = red->text();
        typeInto(red, QString::fromLatin1(typed));
        EXPECT_EQ(red->text(), before) << typed;
    }
    // With the marker in the top-right corner the selection is the typed base colour.
    picker.moveMarker(255, 0);
    typeInto(picker.txtRGB[0], QStringLiteral("10"));
    typeInto(picker.txtRGB[1], QStringLiteral("0"));
    typeInto(picker.txtRGB[2], QStringLiteral("255"));
    EXPECT_EQ(picker.txtHEX->text(), QStringLiteral("0A00FF"));
    EXPECT_EQ(picker.txtBp->text(), QStringLiteral("100"));
    typeInto(picker.txtRGB[0], QStringLiteral("128"));
    EXPECT_EQ(picker.txtRp->text(), QStringLiteral("50")) << "128 / 2.55 = 50.196";
    EXPECT_EQ(picker.txtHEX->text(), QStringLiteral("8000FF"));
    QTest::mouseClick(picker.cmdCancel, Qt::LeftButton);
}

TEST_F(ColourTest, MarkerIsClampedAndMovingItNeverRegeneratesTheField) {
    frmColorPicker& picker = openPicker(0);
    const int generations = picker.generations();
    QWidget* field = picker.picColors;
    QTest::mousePress(field, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(field, QPoint(300, -40));
    EXPECT_EQ(picker.marker(), QPoint(255, 0));
    QTest::mouseMove(field, QPoint(-5, 400));
    QTest::mouseRelease(field, Qt::LeftButton, Qt::NoModifier, QPoint(-5, 400));
    EXPECT_EQ(picker.marker(), QPoint(0, 255));
    EXPECT_EQ(picker.markerColour(), 0x000000u) << "bottom-left is black";
    EXPECT_EQ(picker.generations(), generations);
    // Releasing the hue strip at row 85 makes pure blue the base.
    QWidget* strip = picker.picColorSlider;
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, QPoint(5, 85));
    EXPECT_EQ(picker.base().b, 255);
    EXPECT_EQ(picker.base().r + picker.base().g, 0);
    EXPECT_EQ(picker.generations(), generations + 1);
    // The strip's anchors, and no step between rows larger than 6 in any channel.
    const QImage hue = colour::hueStrip();
    ASSERT_EQ(hue.size(), QSize(19, 256));
    EXPECT_EQ(hue.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(hue.pixel(18, 170), qRgb(0, 255, 0));
    EXPECT_EQ(hue.pixel(9, 255), qRgb(255, 0, 0));
    for (int y = 1; y < 256; ++y) {
        const QRgb a = hue.pixel(0, y - 1), b = hue.pixel(0, y);
        EXPECT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                      std::abs(qBlue(a) - qBlue(b)),
                  6)
            << y;
    }
    QTest::mouseClick(picker.cmdCancel, Qt::LeftButton);
}
