// The frame's scanner commands: choosing the source and acquiring its pages into the active
// document, with the progress window while the device reads.
#include "document/frm_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "info/frm_progress.h"
#include "mdi_main.h"
#include "platform/desktop.h"
#include "platform/scanner.h"

#include <QPointer>

namespace {

// The page type of a scanned picture: line art, grey or colour.
int pageTypeOf(const QImage& picture) {
    switch (picture.format()) {
    case QImage::Format_Mono:
        return 0;
    case QImage::Format_Grayscale8:
        return 3;
    default:
        return 5;
    }
}

} // namespace

int MDIMain::scannerSourceCount() const {
    return platform::scanner().sourceCount();
}

void MDIMain::cmdSelectTwain(int) {
    platform::scanner().selectSource(this);
}

void MDIMain::cmdAcquireTwain(int) {
    if (!IsAnyOpened()) FileNew();
    frmMain* doc = activeDocument();
    if (!doc) return;
    QPointer<frmMain> target(doc);
    QList<QImage> pages;
    platform::ScanReport report;
    report.pageAcquired = [&pages](const QImage& page) { pages << page; };
    report.progress = [target](int percent) {
        bool cancel = false;
        if (target)
            frmProgress::instance().report(target, percent, QStringLiteral("Scanning"), &cancel);
        return cancel;
    };
    try {
        platform::scanner().acquire(doc, report);
    } catch (const platform::ScanFailure& failure) {
        // A failing or vanished device leaves the document as it was.
        if (target) frmProgress::instance().finish(target);
        platform::messageBox(QStringLiteral("Scanning failed. ") +
                                 QString::fromStdString(failure.what()),
                             platform::Buttons::Ok, platform::Icon::Critical);
        return;
    }
    if (!target) return;
    frmProgress::instance().finish(target);
    // The pages scanned (all of them, or those finished before a Cancel), in arrival order.
    pix::PixImage& image = target->Pix->image();
    for (const QImage& page : pages) {
        const int type = pageTypeOf(page);
        image.AddPage(pix::PixPage{pix::convertToType(page, type), type, {}}, QString());
    }
    if (!pages.isEmpty()) image.setCurrentPage(image.pageCount() - 1);
}
