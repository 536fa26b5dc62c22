// Screen capture through the Import menu with a scripted screen: the frame hides while the screen
// is read, a screen or rectangle capture becomes the last page, a picked window the image.
#include "document/frm_get_window.h"
#include "frame_fixture.h"
#include "platform/capture.h"

#include <QApplication>
#include <QLabel>

namespace {

// A screen of known pictures: captures return pictures of the asked size and remember whether
// the frame was hidden at the time.
class ScriptedCapture : public platform::Capture {
public:
    explicit ScriptedCapture(QWidget* frame) : frame_(frame) { platform::setCapture(this); }
    ~ScriptedCapture() override { platform::setCapture(nullptr); }

    QString unavailable;
    QList<bool> frameVisibleAtCapture;
    std::function<void(const QRect&)> pendingRectangle;
    QList<quintptr> windowsCaptured;

    QString unavailableReason() const override { return unavailable; }
    QImage captureScreen() override { return picture(QSize(40, 30)); }
    QImage captureRect(const QRect& area) override { return picture(area.size()); }
    QImage captureWindow(quintptr window) override {
        windowsCaptured << window;
        return picture(QSize(50, 20));
    }
    quintptr windowAt(const QPoint&) const override { return 77; }
    void selectRectangle(std::function<void(const QRect&)> finished) override {
        pendingRectangle = std::move(finished);
    }

private:
    QImage picture(const QSize& size) {
        frameVisibleAtCapture << frame_->isVisible();
        QImage p(size, QImage::Format_RGB32);
        p.fill(qRgb(10, 200, 30));
        return p;
    }
    QWidget* frame_;
};

class CaptureTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        screen = std::make_unique<ScriptedCapture>(frame.get());
    }
    void TearDown() override {
        screen.reset();
        FrameTest::TearDown();
    }
    std::unique_ptr<ScriptedCapture> screen;
};

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
    EXPECT_EQ(screen->frameVisibleAtCapture, QList<bool>{false});
    EXPECT_TRUE(frame->isVisible());

    // A rectangle: the frame stays hidden until the selection ends; Escape captures nothing.
    captured->CaptureRect();
    EXPECT_FALSE(frame->isVisible());
    ASSERT_TRUE(screen->pendingRectangle);
    screen->pendingRectangle(QRect());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(captured->Pix->image().pageCount(), 2);
    captured->CaptureRect();
    screen->pendingRectangle(QRect(5, 6, 25, 15));
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
    EXPECT_TRUE(screen->windowsCaptured.isEmpty());
    EXPECT_EQ(image.image().size(), QSize(64, 48));
    EXPECT_TRUE(frame->isVisible());
    // Dropped on another window: that window replaces the image, one undo step.
    const int undos = image.Undos();
    desktop.answerModal([](QDialog& d) {
        static_cast<frmGetWindow&>(d).dropAt(QPoint(5000, 5000));
        return d.result();
    });
    doc->CaptureWindow();
    EXPECT_EQ(screen->windowsCaptured, QList<quintptr>{77});
    EXPECT_EQ(image.image().size(), QSize(50, 20));
    EXPECT_EQ(image.Undos(), undos + 1);
}

TEST_F(CaptureTest, ASessionThatCannotCaptureSaysSoAndKeepsTheFrame) {
    frmMain* doc = newDocument();
    screen->unavailable = QStringLiteral("no screen here.");
    desktop.answerMessage(platform::Answer::Ok);
    doc->CaptureScreen();
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("Screen capture is not available: no screen here."));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(screen->frameVisibleAtCapture.isEmpty());
}
