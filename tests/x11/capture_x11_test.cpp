// The real capture component on an X server: a window of known colours at a known place is
// found in the screen, in a rectangle and as a window, and the window tree names it.
#include "platform/capture.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Red left half, blue right half, no frame, at (100, 80), 120 x 90.
class KnownWindow : public QWidget {
public:
    KnownWindow() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint) {
        setGeometry(100, 80, 120, 90);
        setAutoFillBackground(true);
        setPalette(QPalette(Qt::red));
        auto* right = new QWidget(this);
        right->setGeometry(60, 0, 60, 90);
        right->setAutoFillBackground(true);
        right->setPalette(QPalette(Qt::blue));
    }
};

bool isColour(const QImage& image, int x, int y, QRgb colour) {
    return (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
}

} // namespace

TEST(CaptureX11, AKnownWindowIsFoundInEveryKindOfCapture) {
    platform::QtCapture capture;
    ASSERT_EQ(capture.unavailableReason(), QString());
    KnownWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);

    const QImage screen = capture.captureScreen();
    ASSERT_EQ(screen.size(), QSize(640, 480));
    EXPECT_TRUE(isColour(screen, 110, 100, qRgb(255, 0, 0)));
    EXPECT_TRUE(isColour(screen, 210, 160, qRgb(0, 0, 255)));
    EXPECT_FALSE(isColour(screen, 90, 70, qRgb(255, 0, 0)));

    const QImage rect = capture.captureRect(QRect(150, 80, 40, 30));
    ASSERT_EQ(rect.size(), QSize(40, 30));
    EXPECT_TRUE(isColour(rect, 5, 5, qRgb(255, 0, 0)));
    EXPECT_TRUE(isColour(rect, 15, 5, qRgb(0, 0, 255)));

    const quintptr id = capture.windowAt(QPoint(150, 120));
    EXPECT_EQ(id, quintptr(window.winId()));
    EXPECT_EQ(capture.windowAt(QPoint(20, 20)), quintptr(0)); // the bare desktop
    const QImage shot = capture.captureWindow(id);
    ASSERT_EQ(shot.size(), QSize(120, 90));
    EXPECT_TRUE(isColour(shot, 0, 0, qRgb(255, 0, 0)));
    EXPECT_TRUE(isColour(shot, 119, 89, qRgb(0, 0, 255)));
}

TEST(CaptureX11, TheRectangleIsDraggedOverTheFrozenScreenAndEscapeAbandonsIt) {
    platform::QtCapture capture;
    auto selector = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowFlags().testFlag(Qt::FramelessWindowHint)) return w;
        return static_cast<QWidget*>(nullptr);
    };
    QList<QRect> finished;
    capture.selectRectangle([&](const QRect& r) { finished << r; });
    QWidget* over = selector();
    ASSERT_NE(over, nullptr);
    EXPECT_EQ(over->geometry(), QRect(0, 0, 640, 480));
    QTest::keyClick(over, Qt::Key_Escape);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_TRUE(finished[0].isEmpty());
    QApplication::processEvents();
    EXPECT_EQ(selector(), nullptr); // gone with the selection

    capture.selectRectangle([&](const QRect& r) { finished << r; });
    over = selector();
    ASSERT_NE(over, nullptr);
    QTest::mousePress(over, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(over, QPoint(40, 40));
    QTest::mouseRelease(over, Qt::LeftButton, {}, QPoint(60, 50));
    ASSERT_EQ(finished.size(), 2);
    EXPECT_EQ(finished[1], QRect(10, 20, 50, 30));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
