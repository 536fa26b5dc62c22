// Pictures drawn for the screen's pixel ratio and the desktop's palette, and a frame that fits
// small screens with every tool in reach.
#include "platform/artwork.h"
#include "ui/frame_fixture.h"

#include <QGuiApplication>
#include <QToolButton>

namespace {

// Whether some pixel of full coverage touches a transparent one: an edge drawn at the device's
// own resolution rather than a smaller picture scaled up.
bool hasHardEdge(const QImage& image) {
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x + 1 < img.width(); ++x) {
            const int a = qAlpha(img.pixel(x, y)), b = qAlpha(img.pixel(x + 1, y));
            if (std::min(a, b) == 0 && std::max(a, b) == 255) return true;
            if (y + 1 < img.height()) {
                const int c = qAlpha(img.pixel(x, y + 1));
                if (std::min(a, c) == 0 && std::max(a, c) == 255) return true;
            }
        }
    return false;
}

// Mean lightness of the opaque stroke pixels of an icon.
int strokeLightness(const QImage& icon) {
    const QImage img = icon.convertToFormat(QImage::Format_ARGB32);
    long sum = 0, n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) == 255) sum += qGray(img.pixel(x, y)), ++n;
    return n ? int(sum / n) : -1;
}

} // namespace

TEST(Artwork, PicturesAtScaleTwoAreDrawnAtTheDevicesResolution) {
    for (int tool : {2, 9, 19}) {
        const QPixmap pm = artwork::toolIconSet(tool).pixmap(QSize(20, 20), 2.0);
        EXPECT_EQ(pm.size(), QSize(40, 40)) << tool;
        EXPECT_DOUBLE_EQ(pm.devicePixelRatio(), 2.0);
        EXPECT_TRUE(hasHardEdge(pm.toImage())) << "tool " << tool;
        // The same drawing at scale 1 blown up has no such edge: the test can tell them apart.
        const QImage blown =
            artwork::toolIcon(tool).scaled(40, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_FALSE(hasHardEdge(blown)) << "tool " << tool;
        EXPECT_EQ(artwork::toolIcon(tool, 1.5).size(), QSize(30, 30)) << "cursors at 1.5";
    }
    const QImage splash = artwork::splashPicture(2.0);
    EXPECT_EQ(splash.size(), QSize(960, 560));
    EXPECT_EQ(splash.deviceIndependentSize().toSize(), QSize(480, 280));
    const QPixmap app = artwork::appIconSet().pixmap(QSize(32, 32), 2.0);
    EXPECT_EQ(app.size(), QSize(64, 64));
}

TEST(Artwork, ToolIconsFollowTheDesktopPalette) {
    const QPalette original = QGuiApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Button, QColor(45, 45, 45));
    QPalette light = original;
    light.setColor(QPalette::ButtonText, QColor(20, 20, 20));
    light.setColor(QPalette::Base, Qt::white);
    QGuiApplication::setPalette(dark);
    const int onDark =
        strokeLightness(artwork::toolIconSet(9).pixmap(QSize(20, 20), 2.0).toImage());
    QGuiApplication::setPalette(light);
    const int onLight =
        strokeLightness(artwork::toolIconSet(9).pixmap(QSize(20, 20), 2.0).toImage());
    QGuiApplication::setPalette(original);
    EXPECT_GT(onDark, 200) << "light strokes on a dark desktop";
    EXPECT_LT(onLight, 60) << "dark strokes on a light desktop";
}

// 1280 x 720 at scale 1, and 1366 x 768 at scale 1.5 (910 x 512 device-independent pixels).
TEST_F(FrameTest, TheFrameFitsSmallScreensWithEveryToolInReach) {
    for (const QSize screen : {QSize(1280, 720), QSize(910, 512)}) {
        const QSize least = frame->minimumSizeHint();
        EXPECT_LE(least.width(), screen.width());
        EXPECT_LE(least.height(), screen.height()) << screen.width();
        frame->resize(screen);
        QCoreApplication::processEvents();
        ASSERT_EQ(frame->size(), screen);
        for (QToolButton* b : std::as_const(frame->cmd)) {
            if (!b->isVisibleTo(frame.get())) continue;
            const QRect r(b->mapTo(frame.get(), QPoint(0, 0)), b->size());
            EXPECT_TRUE(frame->rect().contains(r)) << b->objectName().toStdString() << " at "
                                                   << screen.width() << "x" << screen.height();
        }
        EXPECT_TRUE(frame->rect().contains(
            QRect(frame->ColorsBg->mapTo(frame.get(), QPoint(0, 0)), frame->ColorsBg->size())));
    }
}
