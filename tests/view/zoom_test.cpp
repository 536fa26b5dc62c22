// Zoom steps, limits, the caption, keyboard and wheel zoom, fits and the magnifier.
#include "view_fixture.h"

#include "engine/ctrl/zoom_window.h"

#include <QPainter>

TEST_F(ViewTest, ZoomInStopsAboveSixteenHundredPercent) {
    for (int i = 0; i < 13; ++i) doc->ZoomIn();
    EXPECT_NEAR(doc->Zoom() * 100, 1818.9894, 0.001);
    doc->ZoomIn();
    EXPECT_NEAR(doc->Zoom() * 100, 1818.9894, 0.001) << "a fourteenth step does nothing";
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("@1819.%"));
    ctrl->setZoomFactor(16.0);
    doc->ZoomIn();
    EXPECT_DOUBLE_EQ(doc->Zoom(), 20.0) << "at exactly 1600 % it still zooms";
}

TEST_F(ViewTest, ZoomOutStopsBelowHalfAPercent) {
    doc->ZoomIn();
    doc->ZoomOut();
    EXPECT_DOUBLE_EQ(doc->Zoom(), 0.9375) << "in then out does not return";
    ctrl->setZoomFactor(1.0);
    for (int i = 0; i < 19; ++i) doc->ZoomOut();
    EXPECT_LT(doc->Zoom() * 100, 0.5);
    const double z = doc->Zoom();
    doc->ZoomOut();
    EXPECT_DOUBLE_EQ(doc->Zoom(), z);
}

TEST_F(ViewTest, SetZoomValueOnlyWithinTheRange) {
    doc->SetZoomValue(3000);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 30.0);
    doc->SetZoomValue(100);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 30.0) << "nothing until the zoom is back in range";
    ctrl->setZoomFactor(16.0);
    doc->SetZoomValue(50);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 0.5);
}

TEST_F(ViewTest, CaptionFollowsTheZoom) {
    doc->FilePath = QStringLiteral("/pictures/a.png");
    doc->ZoomIn();
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("a.png@125.%"));
    doc->ZoomIn();
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("a.png@156.3%"));
}

TEST_F(ViewTest, KeyboardZoomNeedsControlAlone) {
    QTest::keyClick(doc, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 1.25);
    QTest::keyClick(doc, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 1.5625);
    QTest::keyClick(doc, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 1.5625) << "Ctrl+Shift+plus does not zoom";
    QTest::keyClick(doc, Qt::Key_Minus, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 1.5625);
    QTest::keyClick(doc, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 1.5625 * 0.75);
    QTest::keyClick(doc, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 1.5625 * 0.75);
}

TEST_F(ViewTest, WheelZoomStaysWithinItsRange) {
    wheel(120); // one notch: three lines, +10 %
    EXPECT_NEAR(doc->Zoom(), 1.1, 1e-9);
    wheel(-120);
    EXPECT_NEAR(doc->Zoom(), 0.99, 1e-9);
    ctrl->setZoomFactor(15.9);
    wheel(120);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 15.9) << "a step that would pass 1600 % is ignored";
    ctrl->setZoomFactor(0.0052);
    wheel(-120);
    EXPECT_DOUBLE_EQ(doc->Zoom(), 0.0052);
}

TEST_F(ViewTest, FitsAreOneTime) {
    doc->ZoomType(2); // fit to width
    const double fitted = doc->Zoom();
    EXPECT_NEAR(fitted * 100, ctrl->maximumViewportSize().width(), 1.0);
    EXPECT_FALSE(ctrl->AutoFit());
    doc->parentWidget()->resize(300, 300);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(doc->Zoom(), fitted) << "resizing does not refit";
    doc->ZoomType(1);
    EXPECT_LE(doc->Zoom() * 80, ctrl->maximumViewportSize().height() + 1);
}

TEST_F(ViewTest, ZoomWindowCommandAndItsCheck) {
    ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuZoomWindow")));
    EXPECT_TRUE(ctrl->zoomWindow().Visible());
    EXPECT_DOUBLE_EQ(ctrl->zoomWindow().ZoomRate(), 8.0);
    ctrl->zoomWindow().close(); // closed by the user
    frame->openSubmenu(QStringLiteral("mnuView"));
    EXPECT_FALSE(frame->menuItem(QStringLiteral("mnuZoomWindow"))->isChecked());
}

TEST_F(ViewTest, PaintingDrawsTheImageAndTheCheckerboard) {
    doc->Pix->image().CreateBlank(100, 80, pix::MakeColor(0x0000FF, 0), 6, QString());
    QImage canvas(ctrl->viewport()->size(), QImage::Format_RGB32);
    {
        QPainter p(&canvas);
        ctrl->paintView(p, canvas.rect());
    }
    const QPoint inside = at(10, 10);
    const QRgb c = canvas.pixel(inside);
    EXPECT_TRUE(c == qRgb(255, 255, 255) || c == qRgb(204, 204, 204)) << "transparent shows checks";
    ctrl->setAlphaDisplay(false);
    ctrl->setBackgroundColor(0x00FF00);
    {
        QPainter p(&canvas);
        ctrl->paintView(p, canvas.rect());
    }
    EXPECT_EQ(canvas.pixel(inside), qRgb(0, 255, 0));
}
