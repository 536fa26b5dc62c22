// The frame's swatches: restore, swap, the gradient bar and picking from it, and the colours
// reaching the active document.
#include "colour_fixture.h"

#include "colour/colour_math.h"

#include <QTextEdit>

TEST_F(ColourTest, RestoreThenSwapGivesWhiteOverBlackAndTheGradientRunsWhiteToBlack) {
    frmMain* doc = newDocument();
    frame->SelColor[0] = 0x123456;
    frame->SelColor[1] = 0x654321;
    QTest::mouseClick(swatches().RestoreColors, Qt::LeftButton);
    EXPECT_EQ(frame->SelColor[0], 0x000000u);
    EXPECT_EQ(frame->SelColor[1], 0xFFFFFFu);
    QTest::mouseClick(swatches().ShiftColors, Qt::LeftButton);
    EXPECT_EQ(frame->SelColor[0], 0xFFFFFFu);
    EXPECT_EQ(frame->SelColor[1], 0x000000u);
    EXPECT_EQ(swatches().GetSelectedColor(), 0);
    const QImage& bar = swatches().gradientPicture();
    const int w = bar.width();
    ASSERT_GT(w, 2);
    // Column x holds 255 - (x + 1) * 255 / w: the last is the background, the foreground itself
    // never appears.
    for (int x = 0; x < w; ++x) {
        const int want = int(std::nearbyint(255.0 - (x + 1) * 255.0 / w));
        EXPECT_NEAR(qRed(bar.pixel(x, 10)), want, 1) << x;
        EXPECT_EQ(qRed(bar.pixel(x, 10)), qBlue(bar.pixel(x, 10)));
    }
    EXPECT_EQ(bar.pixel(w - 1, 0), qRgb(0, 0, 0));
    EXPECT_NE(bar.pixel(0, 0), qRgb(255, 255, 255));
    // The new colours reached the active document's text box.
    EXPECT_EQ(doc->TextInput->palette().color(QPalette::Text), QColor(Qt::white));
}

TEST_F(ColourTest, GradientPicksForegroundWithTheLeftButtonAndBackgroundWithAnyOther) {
    frame->SelColor[0] = colour::toColour(200, 0, 0);
    frame->SelColor[1] = colour::toColour(0, 0, 200);
    frame->refreshColours();
    const QImage bar = swatches().gradientPicture();
    const QPoint middle(bar.width() / 2, 5);
    QTest::mouseClick(swatches().Gradient, Qt::RightButton, Qt::NoModifier, middle);
    EXPECT_EQ(frame->SelColor[1], colour::toColour(bar.pixel(middle)));
    EXPECT_EQ(frame->SelColor[0], colour::toColour(200, 0, 0));
    const QImage redrawn = swatches().gradientPicture();
    const QPoint left(2, 5);
    QTest::mouseClick(swatches().Gradient, Qt::LeftButton, Qt::NoModifier, left);
    EXPECT_EQ(frame->SelColor[0], colour::toColour(redrawn.pixel(left)));
    // Equal colours give one flat colour; a bar one pixel wide is the background.
    const QImage flat = colour::gradientBar(0x336699, 0x336699, 30, 4);
    EXPECT_EQ(flat.pixel(0, 0), flat.pixel(29, 3));
    EXPECT_EQ(colour::gradientBar(0x000000, 0xFFFFFF, 1, 4).pixel(0, 0), qRgb(255, 255, 255));
}
