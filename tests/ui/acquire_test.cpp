// Acquisition through the Import menu: screen capture with a scripted screen (the frame hides
// while the screen is read, a screen or rectangle capture becomes the last page, a picked window
// the image), scanning with a scripted scanner, and the real scanner access on SANE's test
// backend.
#include "document/frm_get_window.h"
#include "frame_fixture.h"

#include "info/frm_progress.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>

namespace {

using CaptureTest = FrameTest;

} // namespace

TEST_F(CaptureTest, ScreenAndRectangleBecomeTheLastPageWithTheFrameHidden) {
    frmMain* doc = newDocument(64, 48);
    const pix::PixImage& image = doc->Pix->image();
    desktop.answerModal(pixtest::pressOk()); // the New dialog's defaults
    frame->chooseMenuItem(QStringLiteral("mnuCaptureScreen"));
    // "New" ran first: the capture went into the new document, as its last page.
    frmMain* captured = frame->activeDocument();
    ASSERT_NE(captured, doc);
    ASSERT_EQ(captured->Pix->image().pageCount(), 2);
    EXPECT_EQ(captured->Pix->image().image().size(), QSize(40, 30));
    EXPECT_EQ(screen.frameVisibleAtCapture, QList<bool>{false});
    EXPECT_TRUE(frame->isVisible());

    // A rectangle: the frame stays hidden until the selection ends; Escape captures nothing.
    captured->CaptureRect();
    EXPECT_FALSE(frame->isVisible());
    ASSERT_TRUE(screen.pendingRectangle);
    screen.pendingRectangle(QRect());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(captured->Pix->image().pageCount(), 2);
    captured->CaptureRect();
    screen.pendingRectangle(QRect(5, 6, 25, 15));
    EXPECT_EQ(captured->Pix->image().pageCount(), 3);
    EXPECT_EQ(captured->Pix->image().image().size(), QSize(25, 15));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(image.pageCount(), 1); // the other document is untouched
}

TEST_F(CaptureTest, APickedWindowReplacesTheImageAndNoPickChangesNothing) {
    frmMain* doc = newDocument(64, 48);
    const pix::PixImage& image = doc->Pix->image();
    // Closed without a pick: nothing captured, the frame back.
    desktop.answerModal([this](QDialog& d) {
        EXPECT_FALSE(frame->isVisible());
        EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                  QStringLiteral("Drag the image below to the window you want to capture."));
        d.reject();
        return int(QDialog::Rejected);
    });
    doc->CaptureWindow();
    EXPECT_TRUE(screen.windowsCaptured.isEmpty());
    EXPECT_EQ(image.image().size(), QSize(64, 48));
    EXPECT_TRUE(frame->isVisible());
    // Dropped on another window: that window replaces the image, one undo step.
    const int undos = image.Undos();
    desktop.answerModal([](QDialog& d) {
        static_cast<frmGetWindow&>(d).dropAt(QPoint(5000, 5000));
        return d.result();
    });
    doc->CaptureWindow();
    EXPECT_EQ(screen.windowsCaptured, QList<quintptr>{77});
    EXPECT_EQ(image.image().size(), QSize(50, 20));
    EXPECT_EQ(image.Undos(), undos + 1);
}

TEST_F(CaptureTest, ASessionThatCannotCaptureSaysSoAndKeepsTheFrame) {
    frmMain* doc = newDocument();
    screen.unavailable = QStringLiteral("no screen here.");
    desktop.answerMessage(platform::Answer::Ok);
    doc->CaptureScreen();
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("Screen capture is not available: no screen here."));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(screen.frameVisibleAtCapture.isEmpty());
}

TEST_F(FrameTest, ScannedPagesArriveInOrderAndAFailureLeavesTheDocument) {
    frmMain* doc = newDocument(64, 48);
    const pix::PixImage& image = doc->Pix->image();
    frame->openSubmenu(QStringLiteral("mnuImport"));
    EXPECT_FALSE(enabled("mnuAcquireTwain")) << "no source";
    scanner.sources = 2;
    frame->openSubmenu(QStringLiteral("mnuImport"));
    EXPECT_TRUE(enabled("mnuAcquireTwain"));
    QImage colour(20, 10, QImage::Format_RGB32), grey(30, 10, QImage::Format_Grayscale8),
        lineArt(8, 8, QImage::Format_Mono);
    colour.fill(Qt::red);
    grey.fill(128);
    lineArt.fill(0);
    scanner.pages = {colour, grey, lineArt};
    frame->chooseMenuItem(QStringLiteral("mnuAcquireTwain"));
    ASSERT_EQ(image.pageCount(), 4);
    const int types[] = {5, 3, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(image.page(i + 1).image.size(), scanner.pages[i].size());
        EXPECT_EQ(image.page(i + 1).type, types[i]);
    }
    EXPECT_FALSE(frmProgress::instance().isVisible());
    EXPECT_TRUE(doc->isEnabled());
    // The device fails after two pages: a clear message, no page added.
    scanner.pages = {colour, grey};
    scanner.failAfterAll = QStringLiteral("The device disappeared.");
    desktop.answerMessage(platform::Answer::Ok);
    frame->chooseMenuItem(QStringLiteral("mnuAcquireTwain"));
    EXPECT_EQ(image.pageCount(), 4);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("Scanning failed. The device disappeared."));
    EXPECT_TRUE(doc->isEnabled());
}

// SANE's own test backend, enabled through a configuration folder of the test's.
TEST(SaneScanner, TheTestBackendDeliversItsPictureOncePerAcquisition) {
    if (!QFile::exists(QStringLiteral("/etc/sane.d/test.conf"))) GTEST_SKIP() << "no test backend";
    const QString config = pixtest::tempDir() + QStringLiteral("/sane");
    QDir().mkpath(config);
    QFile dll(config + QStringLiteral("/dll.conf"));
    ASSERT_TRUE(dll.open(QIODevice::WriteOnly));
    dll.write("test\n");
    dll.close();
    ASSERT_TRUE(QFile::copy(QStringLiteral("/etc/sane.d/test.conf"),
                            config + QStringLiteral("/test.conf")));
    qputenv("SANE_CONFIG_DIR", config.toLocal8Bit());
    platform::SaneTwain twain;
    const auto devices = twain.devices();
    ASSERT_GE(devices.size(), 1);
    EXPECT_TRUE(devices[0].first.startsWith(QStringLiteral("test:")));
    QList<QImage> pages;
    int reports = 0;
    const platform::ScanReport report{[&](const QImage& p) { pages << p; },
                                      [&](int) { return ++reports, false; }};
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(twain.acquire(nullptr, report));
    ASSERT_EQ(pages.size(), 3);
    EXPECT_GT(reports, 0);
    for (const QImage& p : pages) {
        // The backend's default: 8-bit grey, 80 x 100 mm at 50 dots per inch.
        EXPECT_EQ(p.format(), QImage::Format_Grayscale8);
        EXPECT_NEAR(p.width(), 157, 1);
        EXPECT_NEAR(p.height(), 197, 1);
    }
    // Stopped from the progress report: no page, and the device is free for the next scan.
    pages.clear();
    const platform::ScanReport stop{[&](const QImage& p) { pages << p; }, [](int) { return true; }};
    EXPECT_FALSE(twain.acquire(nullptr, stop));
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_TRUE(twain.acquire(nullptr, report));
    EXPECT_EQ(pages.size(), 1);
}
