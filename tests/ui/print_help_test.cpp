// Printing through the frame's Print menu (a recording printer stands in for the dialogs and
// the device), the real printer's placement rules on a PDF, and the Help menu.
#include "frame_fixture.h"
#include "info/frm_about.h"
#include "info/frm_spooling.h"
#include "platform/printer.h"
#include "support/program_run.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace {

struct Job {
    QList<QSize> pictures;
    QString name;
    platform::Placement placement;
};

// Answers the print dialog from the test and records each job; every picture spools in `bands`
// notifications, and `failWith` makes the job fail.
class RecordingPrinter : public platform::Printer {
public:
    RecordingPrinter() { platform::setPrinter(this); }
    ~RecordingPrinter() override { platform::setPrinter(nullptr); }

    std::optional<platform::PrintChoice> choice;
    QList<Job> jobs;
    QPair<int, int> offered;
    int bands = 1;
    int failWith = 0;
    int spoolingCalls = 0;

    void pageSetup(QWidget*) override {}
    std::optional<platform::PrintChoice> printDialog(QWidget*, int minPage, int maxPage) override {
        offered = {minPage, maxPage};
        return choice;
    }
    bool print(const QList<QImage>& pictures, const QString& name, platform::Placement placement,
               platform::PrintSpooling& spooling) override {
        spooling.startJob();
        if (failWith) throw platform::PrintFailure(failWith, QStringLiteral("paper jam"));
        Job job{{}, name, placement};
        for (const QImage& p : pictures) job.pictures << p.size();
        jobs << job;
        for (int b = 0; b < bands * int(pictures.size()); ++b) {
            ++spoolingCalls;
            if (spooling.spooling()) {
                spooling.endJob();
                return false;
            }
        }
        spooling.endJob();
        return true;
    }
};

bool spoolingWindowShown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<frmSpooling*>(w) && w->isVisible()) return true;
    return false;
}

class PrintTest : public FrameTest {
protected:
    // A document with pages of widths 30, 40, 50 (height 20), the second one current.
    frmMain* threePages() {
        frmMain* doc = newDocument(30, 20);
        pix::PixImage& image = doc->Pix->image();
        for (int w : {40, 50})
            image.AddPage(pix::PixPage{pixtest::flatImage(w, 20, qRgb(255, 255, 255)), 5, {}},
                          QString());
        image.setCurrentPage(1);
        return doc;
    }
    void print(int index, platform::PrintChoice::Range range, int from = 1, int to = 1) {
        printer.choice = platform::PrintChoice{range, from, to};
        frame->chooseMenuItem(QStringLiteral("mnuPrintSettings"), index);
    }
    RecordingPrinter printer;
};

} // namespace

TEST_F(PrintTest, TheRangeChoiceDecidesTheJobsAndThePlacement) {
    using R = platform::PrintChoice;
    threePages();
    // All pages of a multi-page document: one job, flags from the item.
    print(2, R::AllPages);
    EXPECT_EQ(printer.offered, qMakePair(1, 3));
    ASSERT_EQ(printer.jobs.size(), 1);
    EXPECT_EQ(printer.jobs[0].pictures, (QList<QSize>{{30, 20}, {40, 20}, {50, 20}}));
    EXPECT_EQ(printer.jobs[0].name, QStringLiteral("Pixendra"));
    EXPECT_TRUE(printer.jobs[0].placement.centred && printer.jobs[0].placement.fit);
    // A page range: a job per page. The selection: the current image, centred, never fitted.
    printer.jobs.clear();
    print(0, R::PageRange, 2, 3);
    ASSERT_EQ(printer.jobs.size(), 2);
    EXPECT_EQ(printer.jobs[1].pictures, QList<QSize>{QSize(50, 20)});
    EXPECT_FALSE(printer.jobs[0].placement.centred || printer.jobs[0].placement.fit);
    printer.jobs.clear();
    print(2, R::Selection);
    ASSERT_EQ(printer.jobs.size(), 1);
    EXPECT_EQ(printer.jobs[0].pictures, QList<QSize>{QSize(40, 20)});
    EXPECT_TRUE(printer.jobs[0].placement.centred);
    EXPECT_FALSE(printer.jobs[0].placement.fit);
    // A cancelled print dialog prints nothing and shows nothing.
    printer.jobs.clear();
    printer.choice.reset();
    frame->chooseMenuItem(QStringLiteral("mnuPrintSettings"), 1);
    EXPECT_TRUE(printer.jobs.isEmpty());
    EXPECT_TRUE(desktop.messagesShown.isEmpty());
    EXPECT_FALSE(spoolingWindowShown());
    // A single page with All Pages goes through the range, and fits.
    newDocument(60, 20);
    print(2, R::AllPages, 0, 0);
    ASSERT_EQ(printer.jobs.size(), 1);
    EXPECT_EQ(printer.jobs[0].pictures, QList<QSize>{QSize(60, 20)});
    EXPECT_TRUE(printer.jobs[0].placement.fit);
}

TEST_F(PrintTest, CancelInTheSpoolingWindowStopsTheJobAtTheNextBand) {
    threePages();
    printer.bands = 10;
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<frmSpooling*>(w)) {
                EXPECT_EQ(s->windowTitle(), QStringLiteral("Spooling..."));
                s->cmdCancel->click();
            }
    });
    print(1, platform::PrintChoice::PageRange, 1, 3);
    EXPECT_EQ(printer.jobs.size(), 1); // the later pages' jobs never started
    EXPECT_EQ(printer.spoolingCalls, 1);
    QApplication::processEvents();
    EXPECT_FALSE(spoolingWindowShown());
}

TEST_F(PrintTest, AFailedJobSaysPrintErrorAndClosesTheSpoolingWindow) {
    newDocument();
    printer.failWith = 7;
    desktop.answerMessage(platform::Answer::Ok);
    print(0, platform::PrintChoice::AllPages);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].title, QStringLiteral("Print Error"));
    EXPECT_EQ(desktop.messagesShown[0].text, QStringLiteral("Error Number 7\npaper jam"));
    QApplication::processEvents();
    EXPECT_FALSE(spoolingWindowShown());
}

// The real printer into a PDF file, rendered back by poppler: where each rule puts the picture.
TEST(PrinterPdf, EachPlacementRulePutsThePictureWhereItSays) {
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdftoppm.isEmpty() || pdfinfo.isEmpty()) GTEST_SKIP() << "poppler-utils not installed";
    struct Silent : platform::PrintSpooling {
        void startJob() override {}
        bool spooling() override { return false; }
        void endJob() override {}
    } spooling;
    platform::QtPrinter printer;
    QPrinter& device = printer.device();
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    // 192 x 96 pixels at 96 dpi: two inches by one.
    QImage picture(192, 96, QImage::Format_RGB32);
    picture.fill(Qt::black);
    picture.setDotsPerMeterX(3780);
    picture.setDotsPerMeterY(3780);
    const int dpi = 20;
    // Bounding box of the dark pixels of page 1, in pixels at `dpi`, and the page's size.
    auto render = [&](const QString& pdf) {
        const QString base = pdf + QStringLiteral(".page");
        QProcess::execute(pdftoppm, {"-r", QString::number(dpi), "-png", "-singlefile", pdf, base});
        const QImage page(base + QStringLiteral(".png"));
        QRect box;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
        return qMakePair(box, page.size());
    };
    const double pageW = 8.27 * dpi, pageH = 11.69 * dpi;
    const struct {
        platform::Placement placement;
        QRectF expected;
    } rules[] = {
        {{false, false}, {0, 0, 2.0 * dpi, 1.0 * dpi}},
        {{true, false}, {(pageW - 2 * dpi) / 2, (pageH - dpi) / 2, 2.0 * dpi, 1.0 * dpi}},
        {{true, true}, {0, (pageH - pageW / 2) / 2, pageW, pageW / 2}},
    };
    for (const auto& rule : rules) {
        const QString pdf = pixtest::tempDir() + QStringLiteral("/rule.pdf");
        device.setOutputFileName(pdf);
        ASSERT_TRUE(printer.print({picture}, QStringLiteral("Pixendra"), rule.placement, spooling));
        const auto [box, size] = render(pdf);
        EXPECT_NEAR(size.width(), pageW, 1.5);
        EXPECT_NEAR(box.x(), rule.expected.x(), 1.5)
            << rule.placement.centred << rule.placement.fit;
        EXPECT_NEAR(box.y(), rule.expected.y(), 1.5)
            << rule.placement.centred << rule.placement.fit;
        EXPECT_NEAR(box.width(), rule.expected.width(), 1.5);
        EXPECT_NEAR(box.height(), rule.expected.height(), 1.5);
    }
    // Three pictures make a three-page document.
    const QString pdf = pixtest::tempDir() + QStringLiteral("/three.pdf");
    device.setOutputFileName(pdf);
    ASSERT_TRUE(
        printer.print({picture, picture, picture}, QStringLiteral("Pixendra"), {}, spooling));
    QProcess info;
    info.start(pdfinfo, {pdf});
    info.waitForFinished();
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput())
                    .contains(QRegularExpression("Pages:\\s+3\\b")));
}

TEST_F(FrameTest, HelpMenuAboutHelpPagesSystemInfoAndUpdater) {
    // About: the box names the program and its version, OK closes it.
    desktop.answerModal([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("About Corvane Pixendra"));
        auto* about = qobject_cast<frmAbout*>(&d);
        EXPECT_TRUE(about && about->SkinLabel3->text().startsWith(QStringLiteral("Version 0.")));
        EXPECT_TRUE(about && about->SkinLabel5->text().contains(QStringLiteral("libtiff")));
        return pixtest::pressOk()(d);
    });
    frame->chooseMenuItem(QStringLiteral("mnuAbout"));
    EXPECT_EQ(desktop.pendingAnswers(), 0);

    // System Info with only the folder entry and no program there: the unavailable message.
    store->REGSaveSetting(HKEY_LOCAL_MACHINE,
                          QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                          QStringLiteral("MSINFO"), pixtest::tempDir());
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", pixtest::tempDir().toLocal8Bit()); // no desktop program either
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerModal([](QDialog& d) {
        qobject_cast<frmAbout*>(&d)->cmdSysInfo->click();
        return pixtest::pressOk()(d);
    });
    frame->chooseMenuItem(QStringLiteral("mnuAbout"));
    qputenv("PATH", path);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("System Information Is Unavailable At This Time"));

    // Help Index: F1 with no document opens the pages written beside the program.
    const QString helpDir = QCoreApplication::applicationDirPath() + QStringLiteral("/help");
    ASSERT_EQ(QProcess::execute(QStringLiteral(PIXENDRA_HELP_PAGES), {helpDir}), 0);
    QAction* f1 = frame->menuItem(QStringLiteral("mnuIndex"));
    ASSERT_TRUE(f1 && f1->isEnabled());
    EXPECT_EQ(f1->shortcut(), QKeySequence(Qt::Key_F1));
    f1->trigger();
    ASSERT_EQ(desktop.urlsOpened.size(), 1);
    EXPECT_EQ(desktop.urlsOpened[0], QUrl::fromLocalFile(helpDir + QStringLiteral("/index.html")));
    QFile file(helpDir + QStringLiteral("/mnumedit.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<kbd>Ctrl+Z</kbd>")); // the menus' shortcuts are listed

    // No updater beside the program: said, nothing started.
    desktop.answerMessage(platform::Answer::Ok);
    frame->chooseMenuItem(QStringLiteral("mnuUpdate"));
    EXPECT_TRUE(
        desktop.messagesShown.last().text.startsWith(QStringLiteral("No updater is installed")));
    EXPECT_TRUE(desktop.programsStarted.isEmpty());
}
