#include "printer.h"

#include "desktop.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <memory>

namespace platform {

namespace {

// Rows of a picture drawn between two spooling notifications.
constexpr int kBandRows = 256;

// A picture's size on the device: its pixels at its own resolution (96 dots per inch when it
// names none), so that a printed photograph keeps its physical size.
QSizeF naturalSize(const QImage& picture, double deviceDpi) {
    const double dpmX = picture.dotsPerMeterX(), dpmY = picture.dotsPerMeterY();
    const double dpiX = dpmX > 0 ? dpmX * 0.0254 : 96.0;
    const double dpiY = dpmY > 0 ? dpmY * 0.0254 : 96.0;
    return {picture.width() * deviceDpi / dpiX, picture.height() * deviceDpi / dpiY};
}

Printer* gInstalled = nullptr;

} // namespace

QRectF placePicture(const QSizeF& natural, const QSizeF& area, Placement placement) {
    QSizeF size = natural;
    if (placement.fit && !natural.isEmpty()) size = natural.scaled(area, Qt::KeepAspectRatio);
    const QPointF at = placement.centred ? QPointF((area.width() - size.width()) / 2,
                                                   (area.height() - size.height()) / 2)
                                         : QPointF(0, 0);
    return {at, size};
}

QtPrinter::QtPrinter() : printer_(new QPrinter(QPrinter::HighResolution)) {}

QtPrinter::~QtPrinter() {
    delete printer_;
}

void QtPrinter::pageSetup(QWidget* owner) {
    QPageSetupDialog dialog(printer_, owner);
    desktop().showModal(dialog);
}

std::optional<PrintChoice> QtPrinter::printDialog(QWidget* owner, int minPage, int maxPage) {
    QPrintDialog dialog(printer_, owner);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(minPage, maxPage);
    dialog.setFromTo(minPage, maxPage);
    if (desktop().showModal(dialog) != QDialog::Accepted) return std::nullopt;
    PrintChoice choice;
    switch (dialog.printRange()) {
    case QAbstractPrintDialog::Selection:
        choice.range = PrintChoice::Selection;
        break;
    case QAbstractPrintDialog::PageRange:
    case QAbstractPrintDialog::CurrentPage:
        choice.range = PrintChoice::PageRange;
        break;
    case QAbstractPrintDialog::AllPages:
        choice.range = PrintChoice::AllPages;
        break;
    }
    choice.fromPage = dialog.fromPage() > 0 ? dialog.fromPage() : minPage;
    choice.toPage = dialog.toPage() > 0 ? dialog.toPage() : maxPage;
    return choice;
}

bool QtPrinter::print(const QList<QImage>& pictures, const QString& jobName, Placement placement,
                      PrintSpooling& spooling) {
    printer_->setDocName(jobName);
    printer_->setFromTo(0, 0); // the pages were chosen already: each picture is printed
    spooling.startJob();
    struct EndJob {
        PrintSpooling& s;
        ~EndJob() { s.endJob(); }
    } endJob{spooling};
    QPainter painter;
    if (!painter.begin(printer_))
        throw PrintFailure(1,
                           QStringLiteral("The printer \"%1\" cannot start a job")
                               .arg(printer_->printerName().isEmpty() ? printer_->outputFileName()
                                                                      : printer_->printerName()));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF page = printer_->pageRect(QPrinter::DevicePixel);
    const QSizeF area(page.width(), page.height());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        const QImage& picture = pictures[i];
        if (i > 0 && !printer_->newPage()) {
            painter.end();
            throw PrintFailure(2, QStringLiteral("The printer cannot start a new page"));
        }
        const QRectF target =
            placePicture(naturalSize(picture, printer_->resolution()), area, placement);
        const double rowHeight = picture.height() > 0 ? target.height() / picture.height() : 0;
        painter.save();
        painter.setClipRect(QRectF(QPointF(0, 0), area));
        for (int y = 0; y < picture.height(); y += kBandRows) {
            const int rows = std::min(kBandRows, picture.height() - y);
            // Bands meet on whole device pixels, so no seam shows between them.
            const double top = std::round(target.y() + y * rowHeight);
            const double bottom = std::round(target.y() + (y + rows) * rowHeight);
            const QRectF band(target.x(), top, target.width(), bottom - top);
            painter.drawImage(band, picture, QRectF(0, y, picture.width(), rows));
            if (spooling.spooling()) {
                painter.restore();
                printer_->abort();
                painter.end();
                return false;
            }
        }
        painter.restore();
    }
    if (!painter.end())
        throw PrintFailure(3, QStringLiteral("The print job could not be finished"));
    return true;
}

Printer& printer() {
    if (gInstalled) return *gInstalled;
    static std::unique_ptr<QtPrinter> real = std::make_unique<QtPrinter>();
    return *real;
}

void setPrinter(Printer* p) {
    gInstalled = p;
}

} // namespace platform
