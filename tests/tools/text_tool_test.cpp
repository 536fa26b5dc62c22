// The text tool through the real frame: the box opens at the click, the palette's settings reach
// the engine, and the text lands where the box showed it, as one undo step.
#include "palette_fixture.h"

#include <QComboBox>
#include <QTextEdit>

namespace {
// Bounding box of the pixels that are no longer white.
QRect inkBox(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) box |= QRect(x, y, 1, 1);
    return box;
}
int inkCount(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return n;
}
} // namespace

class TextToolTest : public PaletteTest {
protected:
    void SetUp() override {
        PaletteTest::SetUp();
        chooseTool(15);
        palette().lstFontSize->setCurrentText(QStringLiteral("16"));
    }
    // Types `text` at image point p and applies it with the palette's button; gives the image.
    QImage typeAndApply(QPoint p, const QString& text) {
        click(at(p.x(), p.y()));
        EXPECT_TRUE(doc->TextInput->isVisible());
        QTest::keyClicks(doc->TextInput, text);
        QTest::mouseClick(palette().CmdButton[0], Qt::LeftButton);
        EXPECT_FALSE(doc->TextInput->isVisible());
        return doc->Pix->image().image();
    }
    void undo() { frame->chooseMenuItem(QStringLiteral("mnuUndo")); }
};

TEST_F(TextToolTest, TextLandsAtTheClickAtAnyZoomAsOneUndoStep) {
    const QImage blank = doc->Pix->image().image();
    const int undos = doc->Pix->image().Undos();
    const QRect atOne = inkBox(typeAndApply({40, 30}, QStringLiteral("Hi")));
    ASSERT_FALSE(atOne.isEmpty());
    EXPECT_GE(atOne.left(), 40);
    EXPECT_LE(atOne.left(), 44);
    EXPECT_GE(atOne.top(), 30);
    EXPECT_LE(atOne.top(), 41) << "within the line's leading above the capitals";
    EXPECT_EQ(doc->Pix->image().Undos(), undos + 1);
    undo();
    EXPECT_EQ(doc->Pix->image().image(), blank) << "one Undo removes the text";
    // At 200% the box shows the text twice as large, and the image gets the same text at the
    // same place.
    doc->SetZoomValue(200);
    click(at(40, 30));
    QTest::keyClicks(doc->TextInput, QStringLiteral("Hi"));
    EXPECT_EQ(doc->TextInput->pos(), at(40, 30));
    EXPECT_EQ(doc->TextInput->font().pixelSize(),
              2 * pix::Draw::textQFont(doc->Pix->image().Draw().font).pixelSize());
    QTest::mouseClick(palette().CmdButton[0], Qt::LeftButton);
    EXPECT_EQ(inkBox(doc->Pix->image().image()), atOne);
}

TEST_F(TextToolTest, SecondClickMovesTheBoxKeepingTheTextAndRightClickApplies) {
    click(at(10, 10));
    QTest::keyClicks(doc->TextInput, QStringLiteral("A"));
    QTest::keyClick(doc->TextInput, Qt::Key_Return);
    QTest::keyClicks(doc->TextInput, QStringLiteral("B"));
    EXPECT_EQ(doc->TextInput->toPlainText(), QStringLiteral("A\nB"));
    const int oneLine = QFontMetrics(doc->TextInput->font()).lineSpacing();
    EXPECT_GE(doc->TextInput->height(), 2 * oneLine) << "Enter adds a line";
    // The box follows the palette while it is open.
    palette().lstFontSize->setCurrentText(QStringLiteral("32"));
    EXPECT_GE(doc->TextInput->height(), 4 * oneLine) << "twice the size, two lines";
    palette().lstFontSize->setCurrentText(QStringLiteral("16"));
    click(at(50, 12));
    EXPECT_EQ(doc->TextInput->toPlainText(), QStringLiteral("A\nB"));
    EXPECT_EQ(doc->TextAnchor, QPoint(50, 12));
    click(at(5, 5), Qt::RightButton);
    EXPECT_FALSE(doc->TextInput->isVisible());
    const QRect box = inkBox(doc->Pix->image().image());
    EXPECT_GE(box.left(), 50);
    EXPECT_GE(box.top(), 12);
    EXPECT_GT(box.height(), oneLine) << "two lines drawn";
}

TEST_F(TextToolTest, AlphaZeroAndEmptyTextDrawNothingAndDiscardClosesTheBox) {
    const QImage blank = doc->Pix->image().image();
    const int undos = doc->Pix->image().Undos();
    typeAndApply({20, 20}, QString());
    EXPECT_EQ(doc->Pix->image().Undos(), undos) << "an empty text records nothing";
    typeInto(palette().txtAlpha, QStringLiteral("0"));
    EXPECT_EQ(typeAndApply({20, 20}, QStringLiteral("Hidden")), blank);
    typeInto(palette().txtAlpha, QStringLiteral("255"));
    click(at(20, 20));
    QTest::keyClicks(doc->TextInput, QStringLiteral("Gone"));
    QTest::mouseClick(palette().CmdButton[1], Qt::LeftButton);
    EXPECT_FALSE(doc->TextInput->isVisible());
    EXPECT_TRUE(doc->TextInput->toPlainText().isEmpty());
    EXPECT_EQ(doc->Pix->image().image(), blank);
    // Applying with the box hidden does nothing.
    palette().ApplyText();
    EXPECT_EQ(doc->Pix->image().image(), blank);
}

TEST_F(TextToolTest, BoldWithWeightDontCareDrawsBoldAndColoursComeFromTheSwatch) {
    frame->SelColor[0] = 0x0000FF; // red
    const int plain = inkCount(typeAndApply({5, 20}, QStringLiteral("WWW")));
    undo();
    palette().cmdBold->click();
    ASSERT_EQ(palette().lstWeight->currentIndex(), 0);
    const QImage bold = typeAndApply({5, 20}, QStringLiteral("WWW"));
    EXPECT_GT(inkCount(bold), plain * 11 / 10) << "weight 0 with Bold is weight 7";
    EXPECT_EQ(doc->Pix->image().Draw().font.weight, 7);
    const QRect box = inkBox(bold);
    bool red = false;
    for (int x = box.left(); x <= box.right() && !red; ++x)
        for (int y = box.top(); y <= box.bottom() && !red; ++y)
            red = bold.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(red);
    // Another weight is used as it is, whatever Bold says.
    undo();
    palette().lstWeight->setCurrentIndex(3);
    typeAndApply({5, 20}, QStringLiteral("WWW"));
    EXPECT_EQ(doc->Pix->image().Draw().font.weight, 3);
}
