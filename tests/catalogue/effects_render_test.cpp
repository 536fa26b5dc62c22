// The rendering and perspective submenus driven through the real menus: the perspective
// examples' target points, and the "Custom..." dialogs' lists that start with nothing selected.
#include "catalogue_fixture.h"
#include "engine/effects_render.h"

#include <QComboBox>
#include <functional>

namespace {

// A 400 x 200 picture whose four corner pixels carry their own colours.
QImage cornerMarked() {
    QImage img = pixtest::flatImage(400, 200, qRgb(90, 90, 90));
    img.setPixel(0, 199, qRgb(255, 0, 0));
    img.setPixel(0, 0, qRgb(0, 255, 0));
    img.setPixel(399, 0, qRgb(0, 0, 255));
    img.setPixel(399, 199, qRgb(255, 255, 0));
    return img;
}

} // namespace

TEST_F(CatalogueTest, PerspectiveRightToLeftMovesTheCornersToItsPoints) {
    // Both the plain example and its twin built on explicit source corners put the corners at
    // (0, 199), (0, 0), (399, 50), (399, 150) and leave transparency above and below the
    // narrowed right edge.
    for (int index : {0, 4}) {
        SCOPED_TRACE(index);
        setImage(cornerMarked(), 5);
        ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuEffectsPerspectiveExamples"), index));
        const QImage out = pixels();
        ASSERT_EQ(out.size(), QSize(400, 200));
        EXPECT_EQ(out.pixel(0, 199), qRgb(255, 0, 0));
        EXPECT_EQ(out.pixel(0, 0), qRgb(0, 255, 0));
        EXPECT_EQ(out.pixel(399, 50), qRgb(0, 0, 255));
        EXPECT_EQ(out.pixel(399, 150), qRgb(255, 255, 0));
        EXPECT_EQ(qAlpha(out.pixel(399, 40)), 0);
        EXPECT_EQ(qAlpha(out.pixel(399, 160)), 0);
        EXPECT_EQ(out.pixel(200, 100), qRgb(90, 90, 90));
        EXPECT_EQ(image().Undos(), 1);
    }
}

TEST_F(CatalogueTest, CustomDialogsListsStartEmptyAndPassMinusOne) {
    // Each "Custom..." dialog answered OK as it opens: its list shows no selection, and the
    // result is the engine's answer to -1 with the rows' first values.
    struct Case {
        const char* group;
        int listRow;
        std::function<void(pix::PixImage&)> engine;
    };
    const Case cases[] = {
        {"mnuEffectsGauzy", 3, [](pix::PixImage& i) { pix::Effects::Gauzy(i, 20, 20, 20, -1); }},
        {"mnuEffectsScribble", 1,
         [](pix::PixImage& i) { pix::Effects::Scribble(i, 20, -1, false); }},
        {"mnuEffectsStipple", 1, [](pix::PixImage& i) { pix::Effects::Stipple(i, 20, -1, false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        setImage(6, 40, 30);
        pix::PixImage expected;
        expected.CopyFrom(image(), QStringLiteral("No Undo"));
        c.engine(expected);
        desktop.answerModal(pixtest::pressOk(
            [&c](QDialog& d) { EXPECT_EQ(asDialog(d).cmbCombo(c.listRow)->currentIndex(), -1); }));
        ASSERT_TRUE(frame->chooseMenuItem(QString::fromLatin1(c.group), 0));
        EXPECT_EQ(desktop.pendingAnswers(), 0);
        EXPECT_TRUE(pixtest::samePixels(pixels(), expected.image()));
    }
}
