// The tool palette: strips per tool, numeric fields, the slider, the setting buttons, the zoom
// and pick-colour strips, and its pictures at two screen scales.
#include "palette_fixture.h"

#include <QTextEdit>

TEST_F(PaletteTest, EachToolShowsItsOwnStripOnly) {
    chooseTool(15);
    EXPECT_TRUE(palette().DrawToolbar[15]->isVisible());
    EXPECT_GT(palette().stripRight(), 0);
    chooseTool(9);
    EXPECT_FALSE(palette().DrawToolbar[15]->isVisible());
    EXPECT_TRUE(palette().DrawToolbar[9]->isVisible());
    frame->SelectTool(5); // a tool without a strip
    for (QWidget* strip : std::as_const(palette().DrawToolbar)) EXPECT_FALSE(strip->isVisible());
    EXPECT_EQ(palette().stripRight(), 0);
}

TEST_F(PaletteTest, NumericFieldsKeepAWholeNumberFrom0To255) {
    QLineEdit* alpha = palette().txtAlpha;
    ASSERT_EQ(alpha->text(), QStringLiteral("255"));
    typeInto(alpha, QStringLiteral("300"));
    EXPECT_EQ(alpha->text(), QStringLiteral("255"));
    typeInto(alpha, QStringLiteral("abc"));
    EXPECT_EQ(alpha->text(), QStringLiteral("255"));
    typeInto(alpha, QStringLiteral("128"));
    EXPECT_EQ(alpha->text(), QStringLiteral("128"));
    // An emptied field stays empty while typing; leaving it brings the last good text back.
    QLineEdit* antialias = palette().txtAntialias;
    typeInto(antialias, QString());
    QTest::keyClick(antialias, Qt::Key_Backspace);
    EXPECT_EQ(antialias->text(), QString());
    leave(antialias);
    EXPECT_EQ(antialias->text(), QStringLiteral("0"));
}

TEST_F(PaletteTest, SliderDragStopsAtEitherEndAndSetsTheTextSize) {
    chooseTool(13);
    PaletteButton* dropDown = palette().CmdDropDown[7];
    QTest::mouseClick(dropDown, Qt::LeftButton);
    frmSelector& slider = palette().selector();
    ASSERT_TRUE(slider.isVisible());
    EXPECT_TRUE(dropDown->isDown());
    QWidget* block = slider.ScrollBlock;
    QTest::mousePress(block, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTest::mouseMove(block, QPoint(-500, 3));
    EXPECT_EQ(block->x(), slider.ScrollBar->x());
    EXPECT_EQ(palette().lblSelector[8]->text(), QStringLiteral("1 pixel"));
    EXPECT_EQ(frmControls::Values[7].Value, 1.0);
    QTest::mouseMove(block, QPoint(900, 3));
    QTest::mouseRelease(block, Qt::LeftButton, Qt::NoModifier, QPoint(900, 3));
    EXPECT_EQ(block->x() + block->width(), slider.ScrollBar->x() + slider.ScrollBar->width());
    EXPECT_EQ(palette().lblSelector[8]->text(), QStringLiteral("100 pixel"));
    EXPECT_EQ(frmControls::Values[7].Value, 100.0);
    // Drop-down 7 sizes the active document's second text box and its buffer's font.
    EXPECT_EQ(doc->PixBuffer->image().Draw().font.size, 100.0);
    EXPECT_EQ(doc->TextInput2->font().pointSizeF(), 100.0);
    // Pressing the open drop-down again closes the slider and raises the button.
    QTest::mouseClick(dropDown, Qt::LeftButton);
    EXPECT_FALSE(slider.isVisible());
    EXPECT_FALSE(dropDown->isDown());
    EXPECT_EQ(palette().OpenDropDown, -1);
    frmControls::resetValues();
}

TEST_F(PaletteTest, ThicknessButtonsPopUpTheSetupMenuAndThickPensDisableLineStyles) {
    chooseTool(9);
    chooseFromButton(QStringLiteral("cmdThickness(0)"), QStringLiteral("15"));
    EXPECT_EQ(doc->Pix->image().Draw().thickness, 15);
    EXPECT_FALSE(frame->menuItem(QStringLiteral("mnuDrawSetup"), 3)->isEnabled());
    for (int k = 0; k < 5; ++k)
        EXPECT_FALSE(
            palette().settingButtons.value(QStringLiteral("cmdLineStyle(%1)").arg(k))->isEnabled());
    chooseFromButton(QStringLiteral("cmdThickness(0)"), QStringLiteral("1"));
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuDrawSetup"), 3)->isEnabled());
    EXPECT_TRUE(palette().settingButtons.value(QStringLiteral("cmdLineStyle(3)"))->isEnabled());
    chooseFromButton(QStringLiteral("cmdOpacity(0)"), QStringLiteral("10%"));
    EXPECT_EQ(doc->drawOpacityAlpha(), 26);
}

TEST_F(PaletteTest, ZoomFieldAppliesOnEnterAndPickStripFollowsThePointer) {
    chooseTool(3);
    palette().txtZoom->setText(QStringLiteral("250%"));
    QTest::keyClick(palette().txtZoom, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 2.5);
    chooseTool(16);
    twoHalves(qRgb(10, 20, 30), qRgb(200, 100, 50));
    QTest::mouseMove(ctrl->viewport(), at(80, 10));
    EXPECT_EQ(palette().lblRed->text(), QStringLiteral("200"));
    EXPECT_EQ(palette().lblBlue->text(), QStringLiteral("50"));
    EXPECT_EQ(palette().ColorPick->palette().color(QPalette::Window), QColor(200, 100, 50));
}

namespace {
QImage pictureAt(QWidget* w, qreal scale) {
    QImage img(w->size() * scale, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::transparent);
    w->render(&img);
    return img;
}
} // namespace

TEST_F(PaletteTest, PicturesAreDrawnForScale1And2) {
    chooseTool(9);
    PaletteButton* button = palette().settingButtons.value(QStringLiteral("cmdTexture(0)"));
    const QImage one = pictureAt(button, 1.0);
    const QImage two = pictureAt(button, 2.0);
    ASSERT_EQ(two.size(), one.size() * 2);
    // The raised edges lie on whole device pixels at both scales: the top rows are the pure
    // highlight colour, the last rows the pure shadow colour.
    const QRgb highlight = platform::systemColour(platform::kButtonHighlight).rgb();
    const QRgb shadow = platform::systemColour(platform::kButtonShadow).rgb();
    for (const QImage* img : {&one, &two}) {
        const int scale = img->width() / one.width();
        for (int row = 0; row < scale; ++row) {
            EXPECT_EQ(img->pixel(img->width() / 2, row), highlight) << scale;
            EXPECT_EQ(img->pixel(img->width() / 2, img->height() - 1 - row), shadow) << scale;
        }
    }
    // The scale-2 picture is drawn anew, not the scale-1 picture blown up.
    const QImage blownUp = one.scaled(one.size() * 2);
    EXPECT_NE(two.convertToFormat(QImage::Format_ARGB32).copy(),
              blownUp.convertToFormat(QImage::Format_ARGB32));
    // So is the tool's picture on the strip, and the whole strip renders at both scales.
    QWidget* strip = palette().DrawToolbar[9];
    const QImage stripTwo = pictureAt(strip, 2.0);
    const QImage stripOne = pictureAt(strip, 1.0);
    EXPECT_NE(stripTwo.convertToFormat(QImage::Format_ARGB32),
              stripOne.scaled(stripOne.size() * 2).convertToFormat(QImage::Format_ARGB32));
}
