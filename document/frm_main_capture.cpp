// Screen capture into the document: the whole screen and a dragged rectangle become new last
// pages, a picked window replaces the image. The frame hides while the screen is read.
#include "document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "frm_get_window.h"
#include "frm_main.h"
#include "platform/capture.h"
#include "platform/desktop.h"

#include <QCoreApplication>

namespace {

// Lets pending window messages run `passes` times (repaints of what the hidden frame uncovered).
void letMessagesRun(int passes) {
    for (int i = 0; i < passes; ++i) QCoreApplication::processEvents();
}

// False (after saying why) when this session cannot read the screen.
bool captureAvailable() {
    const QString reason = platform::capture().unavailableReason();
    if (reason.isEmpty()) return true;
    platform::messageBox(QStringLiteral("Screen capture is not available: ") + reason,
                         platform::Buttons::Ok, platform::Icon::Information);
    return false;
}

} // namespace

// A captured picture as the new last page, shown at once.
static void addCapturedPage(pix::PixImage& image, const QImage& picture) {
    image.AddPage(pix::PixPage{picture.convertToFormat(QImage::Format_RGB32), 5, {}}, QString());
    image.setCurrentPage(image.pageCount() - 1);
}

void frmMain::CaptureScreen() {
    if (!captureAvailable()) return;
    QWidget* frame = host_.dialogOwner();
    frame->hide();
    letMessagesRun(6);
    const QImage picture = platform::capture().captureScreen();
    if (!picture.isNull()) addCapturedPage(Pix->image(), picture);
    letMessagesRun(3);
    frame->show();
}

void frmMain::CaptureRect() {
    if (!captureAvailable()) return;
    host_.dialogOwner()->hide();
    letMessagesRun(4);
    QPointer<frmMain> self(this);
    platform::capture().selectRectangle([self](const QRect& r) {
        if (self) self->Capture_ScreenSelectionFinished(r.x(), r.y(), r.width(), r.height());
    });
}

void frmMain::Capture_ScreenSelectionFinished(int selLeft, int selTop, int selWidth,
                                              int selHeight) {
    const QRect area(selLeft, selTop, selWidth, selHeight);
    // An abandoned selection (Escape) captures nothing.
    const QImage picture = area.isEmpty() ? QImage() : platform::capture().captureRect(area);
    if (!picture.isNull()) addCapturedPage(Pix->image(), picture);
    letMessagesRun(4);
    host_.dialogOwner()->show();
}

void frmMain::CaptureWindow() {
    if (!captureAvailable()) return;
    if (!platform::capture().canPickWindows()) {
        platform::messageBox(QStringLiteral("Picking a window is not possible in this session; "
                                            "capture a rectangle instead."),
                             platform::Buttons::Ok, platform::Icon::Information);
        return;
    }
    QWidget* frame = host_.dialogOwner();
    frame->hide();
    frmGetWindow picker(frame);
    platform::desktop().showModal(picker);
    if (picker.Picked) {
        letMessagesRun(1);
        const QImage picture = platform::capture().captureWindow(picker.Picked);
        if (!picture.isNull()) {
            pix::PixImage shot;
            shot.setImage(picture, 5, QStringLiteral("no undo"));
            Pix->image().CopyFrom(shot, QString());
        }
    }
    frame->show();
}
