// Zoom steps, limits, the caption, keyboard and wheel zoom, fits and the magnifier.
#include "view_fixture.h"

#include "engine/ctrl/zoom_window.h"

#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>

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
    doc->ZoomType(2); // fit to width: the height scrolls, the whole width shows beside its bar
    QApplication::processEvents();
    const double fitted = doc->Zoom();
    EXPECT_NEAR(fitted * 100, ctrl->viewport()->width(), 1.0);
    EXPECT_TRUE(ctrl->verticalScrollBar()->isVisible());
    EXPECT_FALSE(ctrl->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(ctrl->AutoFit());
    doc->parentWidget()->resize(300, 300);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(doc->Zoom(), fitted) << "resizing does not refit";
    doc->ZoomType(1);
    EXPECT_LE(doc->Zoom() * 80, ctrl->maximumViewportSize().height() + 1);
}

TEST_F(ViewTest, ZoomWindowOpensBesideTheDocumentAndFollowsTheActiveOne) {
    auto globalRect = [](QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
    auto check = [&](frmMain* active) {
        const pix::ZoomWindow& zoom = active->Pix->zoomWindow();
        ASSERT_TRUE(zoom.Visible());
        const QRect placed = zoom.frameGeometry();
        EXPECT_TRUE(zoom.screen()->availableGeometry().contains(placed)) << "inside the screen";
        EXPECT_FALSE(placed.intersects(globalRect(frame->menuBar()))) << "clear of the menus";
        EXPECT_FALSE(placed.intersects(globalRect(active->parentWidget())))
            << "beside the document";
    };
    frame->resize(500, 400);
    doc->parentWidget()->resize(200, 150);
    ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuZoomWindow")));
    check(doc);
    // Another document becomes active: the magnifier goes with it.
    frmMain* other = newDocument(50, 40);
    QApplication::processEvents();
    EXPECT_FALSE(ctrl->zoomWindow().Visible());
    check(other);
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuZoomWindow"))->isChecked());
    frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(doc->parentWidget()));
    EXPECT_FALSE(other->Pix->zoomWindow().Visible());
    check(doc);
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

TEST_F(ViewTest, BestFitShowsTheWholeImageWithoutScrollBars) {
    // Sizes whose ratio to the view is no exact binary fraction, large and small images.
    for (QSize size : {QSize(4000, 3000), QSize(3001, 4001), QSize(37, 23)}) {
        doc->Pix->image().CreateBlank(size.width(), size.height(), pix::MakeColor(0xFFFFFF, 255), 5,
                                      QStringLiteral("no undo"));
        ctrl->setZoomFactor(1.0);
        QApplication::processEvents();
        ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuZoomType"), 1));
        QApplication::processEvents();
        EXPECT_FALSE(ctrl->horizontalScrollBar()->isVisible()) << size.width();
        EXPECT_FALSE(ctrl->verticalScrollBar()->isVisible()) << size.width();
        const QRectF shown = ctrl->imageRectInViewport();
        EXPECT_TRUE(QRectF(ctrl->viewport()->rect()).contains(shown)) << size.width();
        // Best: one side fills the view.
        EXPECT_TRUE(shown.width() >= ctrl->viewport()->width() - 1 ||
                    shown.height() >= ctrl->viewport()->height() - 1)
            << size.width();
    }
}
