// The frame's printing: the page set-up and the three placement items of the Print menu, with the
// spooling window shown while a job is rendered.
#include "document/frm_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "info/frm_spooling.h"
#include "mdi_main.h"
#include "platform/desktop.h"
#include "platform/printer.h"

#include <QApplication>
#include <QPointer>

namespace {

const QString kJobName = QStringLiteral("Pixendra");

// The frame's answers to a job's notifications: the spooling window from start to end, its
// Cancel read at every band.
class FrameSpooling : public platform::PrintSpooling {
public:
    explicit FrameSpooling(QWidget* owner) : owner_(owner) {}
    ~FrameSpooling() override { endJob(); }

    void startJob() override {
        window_ = new frmSpooling(owner_);
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->show();
        window_->repaint();
    }
    bool spooling() override {
        QCoreApplication::processEvents(); // lets the Cancel button be pressed
        return window_ && window_->Cancelled;
    }
    void endJob() override {
        if (window_) window_->close();
        window_ = nullptr;
    }

private:
    QWidget* owner_;
    QPointer<frmSpooling> window_;
};

} // namespace

void MDIMain::cmdPageSetup(int) {
    platform::printer().pageSetup(this);
}

void MDIMain::cmdPrint(int index) {
    frmMain* doc = activeDocument();
    if (!doc) return;
    const pix::PixImage& image = doc->Pix->image();
    if (image.IsEmpty()) return;
    const platform::Placement placement{index != 0, index == 2};
    FrameSpooling spooling(this);
    platform::Printer& printer = platform::printer();
    try {
        const int pages = image.pageCount();
        const std::optional<platform::PrintChoice> choice = printer.printDialog(this, 1, pages);
        if (!choice) return;
        if (choice->range == platform::PrintChoice::AllPages && pages > 1) {
            QList<QImage> all;
            for (const pix::PixPage& p : image.pages()) all << p.image;
            printer.print(all, kJobName, placement, spooling);
        } else if (choice->range != platform::PrintChoice::Selection) {
            // Each page of the range is a job of its own; a cancelled job ends the command.
            const int from = std::clamp(choice->fromPage, 1, pages);
            const int to = std::clamp(choice->toPage, from, pages);
            for (int p = from; p <= to; ++p)
                if (!printer.print({image.page(p - 1).image}, kJobName, placement, spooling)) break;
        } else {
            printer.print({image.image()}, kJobName, {true, false}, spooling);
        }
    } catch (const platform::PrintFailure& failure) {
        spooling.endJob();
        platform::messageBox(QStringLiteral("Error Number %1\n%2")
                                 .arg(failure.number)
                                 .arg(QString::fromStdString(failure.what())),
                             platform::Buttons::Ok, platform::Icon::Critical,
                             QStringLiteral("Print Error"));
    }
}
