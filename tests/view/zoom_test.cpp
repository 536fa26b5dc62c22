// Zoom steps, limits, the caption, keyboard and wheel zoom, fits and the magnifier.
#include "view_fixture.h"

#include "engine/ctrl/zoom_window.h"

#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <functional>
#include <tuple>

TEST_F(ViewTest, ZoomStepsKeysAndWheelStayWithinTheLimits) {
    for (int i = 0; i < 14; ++i) doc->ZoomIn(); // the fourteenth step would pass 1600 %
    EXPECT_NEAR(doc->Zoom() * 100, 1818.9894, 0.001);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("@1819.%"));
    for (int i = 0; i < 40; ++i) doc->ZoomOut(); // the last step taken passes below 0.5 %
    EXPECT_LT(doc->Zoom(), 0.005);
    EXPECT_GT(doc->Zoom(), 0.005 * 0.75);
    auto key = [this](Qt::Key k, Qt::KeyboardModifiers m) {
        return [this, k, m] { QTest::keyClick(doc, k, m); };
    };
    const Qt::KeyboardModifiers ctrlKey = Qt::ControlModifier;
    // From a zoom, one action, the zoom it leaves.
    const std::tuple<double, std::function<void()>, double> steps[] = {
        {1.0, [&] { doc->ZoomIn(), doc->ZoomOut(); }, 0.9375}, // in then out does not return
        {16.0, [&] { doc->ZoomIn(); }, 20.0},                  // at exactly 1600 % it still zooms
        {1.0, [&] { doc->SetZoomValue(3000), doc->SetZoomValue(100); },
         30.0}, // back in range first
        {16.0, [&] { doc->SetZoomValue(50); }, 0.5},
        {1.0, key(Qt::Key_Equal, ctrlKey), 1.25},
        {1.0, key(Qt::Key_Plus, ctrlKey | Qt::KeypadModifier), 1.25},
        {1.0, key(Qt::Key_Plus, ctrlKey | Qt::ShiftModifier), 1.0}, // Control alone
        {1.0, key(Qt::Key_Minus, ctrlKey | Qt::AltModifier), 1.0},
        {1.0, key(Qt::Key_Minus, ctrlKey), 0.75},
        {1.0, key(Qt::Key_Plus, Qt::NoModifier), 1.0},
        {1.0, [&] { wheel(120); }, 1.1}, // one notch: three lines, +10 %
        {1.1, [&] { wheel(-120); }, 0.99},
        {15.9, [&] { wheel(120); }, 15.9}, // a step that would pass 1600 % is ignored
        {0.0052, [&] { wheel(-120); }, 0.0052},
    };
    for (const auto& [from, act, expected] : steps) {
        ctrl->setZoomFactor(from);
        act();
        EXPECT_NEAR(doc->Zoom(), expected, 1e-9) << "from " << from << " expected " << expected;
    }
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
