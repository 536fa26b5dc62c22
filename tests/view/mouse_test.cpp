// Mouse tools on the document: selection, shapes, flood fill, pick colour, crop, eraser,
// the pop-up menu, the pixel read-out and the overlay.
#include "catalogue/effects_catalogue.h"
#include "view_fixture.h"

#include "catalogue/frm_dialog.h"
#include "engine/codecs/codec.h"
#include "engine/pix_image.h"
#include "platform/desktop.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <functional>

namespace {
int countPixels(const QImage& img, QRgb colour, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += img.pixel(x, y) == colour;
    return n;
}
} // namespace

class SelectionTest : public ViewTest {
protected:
    // The outline, bRegionSelected with Copy and Cut, and the frame's rectangle tell the same
    // story, and a shown selection lies inside the image.
    void expectAgreement(const char* after) {
        SCOPED_TRACE(after);
        EXPECT_EQ(frame->bRegionSelected, ctrl->SelectionShown());
        EXPECT_EQ(enabled("mnuCopy"), frame->bRegionSelected);
        EXPECT_EQ(enabled("mnuCut"), frame->bRegionSelected);
        EXPECT_EQ(doc->selectionRect().isEmpty(), !frame->bRegionSelected);
        EXPECT_EQ(frame->SelLeft, int(ctrl->SelectionLeft()));
        EXPECT_EQ(frame->SelTop, int(ctrl->SelectionTop()));
        EXPECT_EQ(frame->SelWidth, int(ctrl->SelectionWidth()));
        EXPECT_EQ(frame->SelHeight, int(ctrl->SelectionHeight()));
        if (ctrl->SelectionShown()) {
            const QRectF sel(ctrl->SelectionLeft(), ctrl->SelectionTop(), ctrl->SelectionWidth(),
                             ctrl->SelectionHeight());
            EXPECT_TRUE(QRectF(doc->Pix->image().image().rect()).contains(sel));
        }
    }
    // A selection towards the bottom right, where a smaller image no longer reaches.
    void selectBottomRight() {
        frame->SelectTool(2);
        const QSize size = doc->Pix->image().image().size();
        drag(at(size.width() - 30.75, size.height() - 25.75),
             at(size.width() - 0.75, size.height() - 0.75));
        ASSERT_TRUE(frame->bRegionSelected);
    }
    void transform(int16_t index, std::function<void(frmDialog&)> fill = {}) {
        desktop.answerModal(pixtest::pressOk([fill](QDialog& d) {
            if (fill) fill(static_cast<frmDialog&>(d));
        }));
        doc->runCatalogue(catalogue::effectsCatalogue(), index);
    }
};

TEST_F(SelectionTest, OutlineFlagAndRectangleAgreeAfterEveryKindOfChange) {
    frame->SelectTool(2);
    drag(at(10.25, 10.25), at(12.25, 12.25)); // 2 x 2: not a selection
    EXPECT_EQ(frame->SelWidth, 2);
    expectAgreement("a 2 x 2 drag");
    EXPECT_FALSE(frame->bRegionSelected);
    drag(at(10.25, 10.25), at(13.25, 11.25)); // 3 x 1
    EXPECT_TRUE(frame->bRegionSelected);
    expectAgreement("a 3 x 1 drag");

    frame->SelectTool(0);
    click(at(50, 50));
    expectAgreement("a click with the pointer");
    EXPECT_FALSE(ctrl->SelectionShown()) << "a press starts anew: no outline is left";

    // Whole-image changes of size after the selection was cleared by a click, and one while it
    // is shown: each leaves no selection behind that the new image does not hold.
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"resize",
         [&] { transform(2, [](frmDialog& d) { d.txtText(0)->setText(QStringLiteral("50")); }); }},
        {"rotate", [&] { transform(4); }},
        {"undo", [&] { doc->Undo(); }},
        {"a new blank image",
         [&] {
             doc->Pix->image().CreateBlank(40, 30, pix::MakeColor(0xFFFFFF, 255), 5, QString());
         }},
    };
    for (const auto& [name, change] : changes) {
        selectBottomRight();
        if (std::string(name) != "a new blank image") {
            frame->SelectTool(0);
            click(at(1, 1));
        }
        change();
        expectAgreement(name);
    }
    frame->SelectTool(19); // crop: select, then crop on release
    drag(at(5.25, 5.25), at(25.25, 20.25));
    EXPECT_EQ(doc->Pix->image().image().size(), QSize(20, 15));
    expectAgreement("the crop tool");
    EXPECT_FALSE(frame->bRegionSelected);

    doc->SelectAll();
    expectAgreement("select all");
    EXPECT_EQ(doc->selectionRect(), QRect(0, 0, 20, 15));
}

TEST_F(SelectionTest, CropToSelectionUsesTheDocumentsOwnSelection) {
    selectBottomRight(); // in this document
    frmMain* other = newDocument(60, 50);
    frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(other->parentWidget()));
    ASSERT_EQ(frame->activeDocument(), other);
    EXPECT_FALSE(frame->bRegionSelected) << "the frame follows the active document";
    EXPECT_FALSE(enabled("mnuCopy"));

    desktop.answerMessage(platform::Answer::Ok);
    frame->chooseMenuItem(QStringLiteral("mnuEffectsCrop"), 0);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("You must select a cropping area with the mouse"));
    EXPECT_EQ(desktop.messagesShown[0].icon, platform::Icon::Information);
    EXPECT_EQ(other->Pix->image().image().size(), QSize(60, 50));
    EXPECT_EQ(doc->Pix->image().image().size(), QSize(100, 80));

    frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    EXPECT_TRUE(frame->bRegionSelected);
    frame->chooseMenuItem(QStringLiteral("mnuEffectsCrop"), 0);
    EXPECT_EQ(doc->Pix->image().image().size(), QSize(30, 25));
    EXPECT_EQ(desktop.messagesShown.size(), 1);
}

TEST_F(ViewTest, RectangleWithThickPenDashAndHatchIsOneUndoStep) {
    frame->chooseMenuItem(QStringLiteral("mnuDrawThickness"), 2); // 3
    frame->chooseMenuItem(QStringLiteral("mnuDrawLineStyle"), 1); // dash
    frame->chooseMenuItem(QStringLiteral("mnuDrawFillStyle"), 1); // horizontal hatch
    frame->chooseMenuItem(QStringLiteral("mnuDrawAntialias"), 0);
    frame->SelectTool(9);
    const QImage before = doc->Pix->image().image().copy();
    const int undos = doc->Pix->image().Undos();
    drag(at(20, 20), at(60, 50));
    const QImage after = doc->Pix->image().image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(doc->Pix->image().Undos(), undos + 1);
    const QRgb black = qRgb(0, 0, 0);
    // The outline is three pixels wide on every side.
    EXPECT_EQ(after.pixel(40, 19), black);
    EXPECT_EQ(after.pixel(40, 21), black);
    EXPECT_EQ(after.pixel(19, 35), black);
    EXPECT_EQ(after.pixel(61, 35), black);
    // Outside the shape nothing changed.
    EXPECT_EQ(countPixels(after, black, QRect(0, 0, 100, 17)), 0);
    EXPECT_EQ(countPixels(after, black, QRect(65, 0, 35, 80)), 0);
    // Inside: horizontal hatch lines, not a solid fill.
    const int inside = countPixels(after, black, QRect(25, 25, 30, 20));
    EXPECT_GT(inside, 30);
    EXPECT_LT(inside, 30 * 20 / 2);
    doc->Undo();
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), before));
}

TEST_F(ViewTest, DashedThinLineHasGaps) {
    frame->chooseMenuItem(QStringLiteral("mnuDrawLineStyle"), 1);
    frame->chooseMenuItem(QStringLiteral("mnuDrawAntialias"), 0);
    frame->SelectTool(7);
    drag(at(5, 40), at(95, 40));
    const QImage img = doc->Pix->image().image();
    const int black = countPixels(img, qRgb(0, 0, 0), QRect(5, 40, 90, 1));
    EXPECT_GT(black, 30);
    EXPECT_LT(black, 85);
}

TEST_F(ViewTest, FloodFillStopsAtAColourEdge) {
    twoHalves(qRgb(255, 255, 255), qRgb(0, 0, 200));
    frame->SelColor[0] = 0x0000FF; // red, 0x00BBGGRR
    frame->SelectTool(17);
    QTest::mouseMove(ctrl->viewport(), at(10.5, 10.5));
    click(at(10.5, 10.5));
    const QImage img = doc->Pix->image().image();
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(49, 79), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(50, 0), qRgb(0, 0, 200)) << "the other side of the edge";
    EXPECT_EQ(img.pixel(99, 79), qRgb(0, 0, 200));
}

TEST_F(ViewTest, PickColourOnReleaseAndThePixelReadOut) {
    twoHalves(qRgb(10, 20, 30), qRgb(200, 100, 50));
    frame->SelectTool(16);
    QTest::mouseMove(ctrl->viewport(), at(75.5, 7.5));
    click(at(75.5, 7.5));
    EXPECT_EQ(frame->SelColor[0], 0x3264C8u); // 200, 100, 50 as 0x00BBGGRR
    doc->ShowPixelInfo(5, 7);
    EXPECT_EQ(doc->lblStatus->text(),
              QStringLiteral("X:5       Y:7       Pal:0     R:10   G:20   B:30   A:255   "
                             "ColorDepth: 24bpp"));
}

TEST_F(ViewTest, EraserErasesAlongTheDraggedPathWithTheThickness) {
    twoHalves(qRgb(0, 0, 0), qRgb(0, 0, 0));
    frame->SelColor[0] = 0x00FF00;
    frame->chooseMenuItem(QStringLiteral("mnuDrawThickness"), 4); // 5 pixels
    frame->chooseMenuItem(QStringLiteral("mnuDrawAntialias"), 0);
    frame->SelectTool(20);
    // An L-shaped stroke, right along y = 10, then down along x = 60; the last stretch has no
    // move of its own (a quick release).
    QWidget* vp = ctrl->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, at(10, 10));
    for (int x = 15; x <= 60; x += 5) QTest::mouseMove(vp, at(x, 10));
    for (int y = 15; y <= 50; y += 5) QTest::mouseMove(vp, at(60, y));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, at(60, 70));
    const QImage img = doc->Pix->image().image();
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    for (QPoint p : {QPoint(35, 10), QPoint(35, 12), QPoint(35, 8), QPoint(60, 40), QPoint(62, 40),
                     QPoint(60, 68)})
        EXPECT_EQ(img.pixel(p), white) << p.x() << "," << p.y();
    EXPECT_EQ(img.pixel(35, 40), black) << "not the straight line from press to release";
    EXPECT_EQ(img.pixel(35, 14), black) << "no thicker than the pen";
    EXPECT_EQ(countPixels(img, qRgb(0, 255, 0), img.rect()), 0) << "never the foreground";
}

TEST_F(ViewTest, ZoomHandZoomsWhileDraggedAroundThePressedPoint) {
    ctrl->setZoomFactor(8.0); // larger than the view, so that it can scroll
    frame->SelectTool(12);
    QWidget* vp = ctrl->viewport();
    const QPoint press(vp->width() / 2 - 40, vp->height() / 2 - 30);
    const QPointF pressed = ctrl->controlToImage(press);
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, press);
    double last = ctrl->ZoomFactor();
    for (int dy : {-10, -20, -40, 20}) { // up zooms in, down zooms out
        QTest::mouseMove(vp, press + QPoint(0, dy));
        EXPECT_EQ(ctrl->ZoomFactor() > last, dy < 0) << dy;
        last = ctrl->ZoomFactor();
        const QPointF under = ctrl->controlToImage(press);
        EXPECT_NEAR(under.x(), pressed.x(), 1.0 / last) << dy;
        EXPECT_NEAR(under.y(), pressed.y(), 1.0 / last) << dy;
    }
    QTest::mouseMove(vp, press - QPoint(0, 5000));
    EXPECT_DOUBLE_EQ(ctrl->ZoomFactor(), 16.0) << "at most 1600 %";
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, press + QPoint(0, 5000));
    EXPECT_DOUBLE_EQ(ctrl->ZoomFactor(), 0.005) << "at least 0.5 %, also on a quick release";
    QTest::mouseMove(vp, press);
    EXPECT_DOUBLE_EQ(ctrl->ZoomFactor(), 0.005) << "no zoom without a drag";
}

TEST_F(ViewTest, RightClickPopUpOnlyInPlainOrPanModes) {
    frame->SelectTool(0);
    click(at(20, 20), Qt::RightButton);
    QMenu* effects = frame->submenu(QStringLiteral("mnumEffects"));
    EXPECT_TRUE(effects->isVisible());
    EXPECT_TRUE(enabled("mnuEffects", 0)) << "100 x 80 is large enough to crop";
    EXPECT_FALSE(enabled("mnuEffectsCrop", 0)) << "no selection shown";
    effects->hide();
    frame->SelectTool(9);
    click(at(20, 20), Qt::RightButton);
    EXPECT_FALSE(effects->isVisible()) << "no pop-up while drawing";
    frame->SelectTool(0);
    doc->Pix->image().CreateBlank(20, 500, pix::MakeColor(0xFFFFFF, 255), 5, QString());
    click(at(5, 5), Qt::RightButton);
    EXPECT_FALSE(enabled("mnuEffects", 0)) << "20 pixels wide is too narrow to crop";
    effects->hide();
}

TEST_F(ViewTest, OverlayLandsWhereItWasSeenAtAnyZoom) {
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    const QString file = writeImage(QStringLiteral("overlay.png"), {red}, pix::kFilePng);

    QTest::mouseDClick(ctrl->viewport(), Qt::LeftButton, Qt::NoModifier, at(5, 5));
    EXPECT_EQ(doc->Pix->image().Undos(), 1) << "without an overlay a double click does nothing";
    ctrl->setZoomFactor(2.0);
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerOpen(file);
    doc->Draw_Image();
    ASSERT_TRUE(doc->OverlayActive);
    EXPECT_EQ(ctrl->MouseMode(), 0);
    // Drag the overlay from its corner to where image pixel (30, 20) is shown.
    const QPoint grab(doc->OverlayLeft + 2, doc->OverlayTop + 2);
    const QPoint target = at(30, 20) + QPoint(2, 2);
    drag(grab, target);
    EXPECT_FALSE(doc->OverlayDragging);
    const int undos = doc->Pix->image().Undos();
    QTest::mouseDClick(ctrl->viewport(), Qt::LeftButton, Qt::NoModifier, target);
    EXPECT_FALSE(doc->OverlayActive);
    EXPECT_EQ(doc->Pix->image().Undos(), undos + 1);
    const QImage img = doc->Pix->image().image();
    EXPECT_EQ(img.pixel(30, 20), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(39, 29), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(29, 19), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(40, 30), qRgb(255, 255, 255));
}

TEST_F(ViewTest, PanZoomRectangleAndZoomClickModes) {
    ctrl->setZoomFactor(4.0); // 400 x 320 on screen: larger than the view only in part
    doc->parentWidget()->resize(300, 250);
    QApplication::processEvents();
    frame->SelectTool(1); // hand: pan
    ctrl->setScroll(50, 50);
    const QPoint before(ctrl->ScrollX(), ctrl->ScrollY());
    drag(QPoint(100, 100), QPoint(80, 90));
    EXPECT_EQ(ctrl->ScrollX(), before.x() + 20);
    EXPECT_EQ(ctrl->ScrollY(), before.y() + 10);

    frame->SelectTool(4); // zoom to a dragged rectangle
    ctrl->setZoomFactor(1.0);
    QApplication::processEvents();
    drag(at(10, 10), at(30, 20));
    EXPECT_NEAR(ctrl->ZoomFactor(),
                std::min(ctrl->viewport()->width() / 20.0, ctrl->viewport()->height() / 10.0), 0.2);

    frame->SelectTool(3); // click zooms in, right click out
    ctrl->setZoomFactor(1.0);
    click(at(50, 40));
    EXPECT_DOUBLE_EQ(ctrl->ZoomFactor(), 1.25);
    click(at(50, 40), Qt::RightButton);
    EXPECT_DOUBLE_EQ(ctrl->ZoomFactor(), 0.9375);
}

TEST_F(ViewTest, PolygonClosesOnDoubleClickAsOneStep) {
    frame->chooseMenuItem(QStringLiteral("mnuDrawFillStyle"), 7); // solid
    frame->chooseMenuItem(QStringLiteral("mnuDrawAntialias"), 0);
    frame->SelectTool(8);
    const int undos = doc->Pix->image().Undos();
    click(at(20, 10));
    QTest::mouseMove(ctrl->viewport(), at(80, 10));
    click(at(80, 10));
    QTest::mouseMove(ctrl->viewport(), at(50, 70));
    QTest::mouseDClick(ctrl->viewport(), Qt::LeftButton, Qt::NoModifier, at(50, 70));
    EXPECT_EQ(doc->Pix->image().Undos(), undos + 1);
    const QImage img = doc->Pix->image().image();
    EXPECT_EQ(img.pixel(50, 30), qRgb(0, 0, 0)) << "inside the triangle";
    EXPECT_EQ(img.pixel(10, 60), qRgb(255, 255, 255)) << "outside it";
}

TEST_F(ViewTest, AClickOrACancelledShapeDrawsNothing) {
    const QImage before = doc->Pix->image().image().copy();
    for (int tool : {7, 9}) { // line, rectangle
        frame->SelectTool(tool);
        click(at(30, 30));
    }
    QObject::connect(ctrl, &pix::PixCtrl::shapeFinished, ctrl,
                     [](double, double, double, double, bool* cancel) { *cancel = true; });
    drag(at(10, 10), at(90, 70));
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), before));
}

TEST_F(ViewTest, TheToolsMouseModeComesBackAfterTheWarpLine) {
    twoHalves(qRgb(0, 0, 0), qRgb(255, 255, 255));
    frame->SelectTool(2);
    auto startWarp = [&] {
        desktop.answerMessage(platform::Answer::Ok);
        doc->runCatalogue(catalogue::effectsCatalogue(), 23);
        ASSERT_EQ(ctrl->MouseMode(), pix::kMouseLine);
    };
    startWarp();
    drag(at(30, 40), at(70, 40));
    EXPECT_FALSE(doc->WarpPending);
    EXPECT_EQ(ctrl->MouseMode(), pix::kMouseSelect);
    const QImage warped = doc->Pix->image().image().copy();
    drag(at(10, 10), at(60, 60));
    EXPECT_TRUE(frame->bRegionSelected) << "the Select tool selects again";
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), warped)) << "and draws nothing";

    // Abandoned lines: Escape, a right click, another tool.
    const std::pair<const char*, std::function<void()>> abandons[] = {
        {"escape", [&] { QTest::keyClick(ctrl->viewport(), Qt::Key_Escape); }},
        {"right click", [&] { click(at(20, 20), Qt::RightButton); }},
        {"tool change", [&] { frame->SelectTool(9); }},
    };
    for (const auto& [name, abandon] : abandons) {
        SCOPED_TRACE(name);
        startWarp();
        abandon();
        EXPECT_FALSE(doc->WarpPending);
        EXPECT_EQ(ctrl->MouseMode(),
                  frame->CurrTool == 9 ? pix::kMouseRectangle : pix::kMouseSelect);
        if (QMenu* effects = frame->submenu(QStringLiteral("mnumEffects"))) effects->hide();
    }
    const int undos = doc->Pix->image().Undos();
    drag(at(30, 30), at(60, 60));
    EXPECT_EQ(doc->Pix->image().Undos(), undos + 1) << "the rectangle is drawn, not a warp";
}
