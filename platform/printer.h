// The printer component: the page set-up and print dialogs and the rendering of a job, behind an
// interface so that window tests can stand in for the dialogs. Jobs go to the desktop's print
// system (CUPS) or to a PDF file like any Qt program's.
#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <optional>
#include <stdexcept>

class QPrinter;
class QWidget;

namespace platform {

// What the print dialog reports: all pages, the selection, or a page range (1-based, inclusive).
struct PrintChoice {
    enum Range { AllPages = 0, Selection = 1, PageRange = 2 };
    Range range = AllPages;
    int fromPage = 1;
    int toPage = 1;
};

// How a picture is placed on the printable area.
struct Placement {
    bool centred = false;
    bool fit = false; // scaled to fill the area, keeping the aspect ratio
};

// Where a picture of `natural` device pixels lands on a printable area of `area` device pixels.
QRectF placePicture(const QSizeF& natural, const QSizeF& area, Placement placement);

// The notifications of a job while it is rendered, on the user-interface thread.
class PrintSpooling {
public:
    virtual ~PrintSpooling() = default;
    virtual void startJob() = 0;
    // Called after every band of a page; true stops the job.
    virtual bool spooling() = 0;
    virtual void endJob() = 0;
};

// A job that could not be printed: a number and a description for the user.
struct PrintFailure : std::runtime_error {
    PrintFailure(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number(number) {}
    int number;
};

class Printer {
public:
    virtual ~Printer() = default;
    // The page set-up dialog; its choice is kept for later jobs of this session.
    virtual void pageSetup(QWidget* owner) = 0;
    // The print dialog offering pages minPage..maxPage; nullopt when cancelled.
    virtual std::optional<PrintChoice> printDialog(QWidget* owner, int minPage, int maxPage) = 0;
    // Renders the pictures as one job, a page each; false when the spooling stopped it. Throws
    // PrintFailure when the job cannot be printed.
    virtual bool print(const QList<QImage>& pictures, const QString& jobName, Placement placement,
                       PrintSpooling& spooling) = 0;
};

// Prints through a QPrinter with the real dialogs (shown through the desktop seam).
class QtPrinter : public Printer {
public:
    QtPrinter();
    ~QtPrinter() override;
    void pageSetup(QWidget* owner) override;
    std::optional<PrintChoice> printDialog(QWidget* owner, int minPage, int maxPage) override;
    bool print(const QList<QImage>& pictures, const QString& jobName, Placement placement,
               PrintSpooling& spooling) override;
    // The printer the dialogs set up (tests direct it to a PDF file).
    QPrinter& device() { return *printer_; }

private:
    QPrinter* printer_;
};

// The printer in use: the real one unless a test installed another.
Printer& printer();
// Installs a printer (nullptr restores the real one). The caller keeps ownership.
void setPrinter(Printer* p);

} // namespace platform
