// Opening, saving and downloading images through the real menus and the scripted desktop.
#include "frame_fixture.h"

#include "engine/codecs/atomic_write.h"
#include "engine/codecs/codec.h"
#include "info/frm_progress.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

using platform::Answer;

using pixtest::readBytes;
using pixtest::writeBytes;

TEST_F(FrameTest, OpenShowsTheImageAndEnablesTheMenus) {
    const QString path =
        writeImage(QStringLiteral("photo.png"), {pixtest::gradientImage(40, 30)}, pix::kFilePng);
    frmMain* doc = openThroughMenu(path);
    ASSERT_EQ(openDocuments(), 1);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("photo.png@100%"));
    EXPECT_EQ(doc->FilePath, path);
    EXPECT_TRUE(doc->Saved);
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), pixtest::gradientImage(40, 30)));
    EXPECT_TRUE(enabled("mnuSave"));
    EXPECT_TRUE(enabled("mnuEffects", 2));
    EXPECT_EQ(desktop.openRequests[0].filter.left(14), QStringLiteral("All Images|*.j"));
    // Unchanged, it closes without a question.
    EXPECT_TRUE(frame->mdiArea()->currentSubWindow()->close());
    EXPECT_TRUE(desktop.messagesShown.isEmpty());
    EXPECT_EQ(openDocuments(), 0);
}

// A JPEG cut short opens with its rest grey and one information message; the document is saved.
TEST_F(FrameTest, ACutJpegOpensWithOneInformationMessage) {
    const QString path =
        writeImage(QStringLiteral("cut.jpg"), {pixtest::gradientImage(64, 64)}, pix::kFileJpeg);
    const QByteArray full = readBytes(path);
    writeBytes(path, full.left(full.size() / 2));
    desktop.answerOpen(path);
    desktop.answerMessage(Answer::Ok);
    ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuOpen")));
    ASSERT_EQ(openDocuments(), 1);
    EXPECT_EQ(frame->activeDocument()->Pix->image().image().size(), QSize(64, 64));
    EXPECT_TRUE(frame->activeDocument()->Saved);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].icon, platform::Icon::Information);
    EXPECT_TRUE(desktop.messagesShown[0].text.startsWith(QStringLiteral("cut.jpg is damaged")));
}

TEST_F(FrameTest, CancelledOrUnreadableOpenReleasesTheSlot) {
    desktop.answerOpen(QString());
    frame->chooseMenuItem(QStringLiteral("mnuOpen"));
    EXPECT_EQ(openDocuments(), 0);
    EXPECT_TRUE(desktop.messagesShown.isEmpty());

    const QString junk = pixtest::tempDir() + QStringLiteral("/junk.png");
    writeBytes(junk, "\x89PNG\r\n\x1a\n this is not really a picture");
    desktop.answerOpen(junk);
    desktop.answerMessage(Answer::Ok);
    frame->chooseMenuItem(QStringLiteral("mnuOpen"));
    EXPECT_EQ(openDocuments(), 0);
    EXPECT_EQ(frame->DocumentCount, 0);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].text,
              QStringLiteral("The image you selected is corrupt or not supported."));
}

TEST_F(FrameTest, MultiPageTiffOpensEveryPage) {
    const QString path = writeImage(QStringLiteral("pages.tif"),
                                    {pixtest::gradientImage(20, 10), pixtest::gradientImage(30, 15),
                                     pixtest::gradientImage(40, 20)},
                                    pix::kFileTiff);
    frmMain* doc = openThroughMenu(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Pix->image().pageCount(), 3);
    EXPECT_EQ(doc->Pix->image().width(), 20) << "the first page is shown";
    EXPECT_TRUE(doc->IsTiff);
    EXPECT_EQ(doc->TiffPath, path);
    // Save As to TIFF keeps every page, so the reload loses none.
    const QString copy = pixtest::tempDir() + QStringLiteral("/copy.tif");
    desktop.answerSave(copy, 4);
    doc->SaveAs();
    EXPECT_EQ(doc->Pix->image().pageCount(), 3);
    EXPECT_EQ(doc->FilePath, copy);
}

TEST_F(FrameTest, SaveAsJpegReloadsTheCompressedImage) {
    frmMain* doc = newDocument(64, 48);
    doc->Pix->image().setImage(pixtest::smoothImage(64, 48), 5, QString());
    const QImage original = doc->Pix->image().image().copy();
    const QString path = pixtest::tempDir() + QStringLiteral("/shot"); // no extension typed
    desktop.answerSave(path, 1);                                       // JPEG
    frame->chooseMenuItem(QStringLiteral("mnuSaveAs"));
    ASSERT_TRUE(QFile::exists(path + QStringLiteral(".jpg")));
    EXPECT_EQ(doc->FilePath, path + QStringLiteral(".jpg"));
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("shot.jpg@100%"));
    EXPECT_EQ(doc->Pix->image().FileType(), pix::kFileJpeg);
    EXPECT_FALSE(pixtest::samePixels(doc->Pix->image().image(), original))
        << "the window shows what the JPEG holds";
    EXPECT_LT(pixtest::maxChannelDiff(doc->Pix->image().image(), original), 40);
    EXPECT_TRUE(doc->Saved);
}

TEST_F(FrameTest, TheRealSaveDialogPreselectsTheTypeAndFollowsTheChosenOne) {
    const QString path =
        writeImage(QStringLiteral("real.png"), {pixtest::gradientImage(8, 8)}, pix::kFilePng);
    frmMain* doc = openThroughMenu(path);
    ASSERT_NE(doc, nullptr);
    const QString target = pixtest::tempDir() + QStringLiteral("/noext2");
    QString preselected;
    // The user moves two entries down the type list (PNG to TIFF), types a bare name and saves.
    QTimer::singleShot(0, frame.get(), [&] {
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg) return ADD_FAILURE() << "no file dialog";
        auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!types || !name) {
            dlg->reject();
            return ADD_FAILURE() << "the dialog has no type list or name box";
        }
        preselected = dlg->selectedNameFilter();
        QTest::keyClick(types, Qt::Key_Down);
        QTest::keyClick(types, Qt::Key_Down);
        name->setText(target);
        QMetaObject::invokeMethod(dlg, "accept"); // what the Save button does
    });
    platform::setDesktop(nullptr);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
    doc->SaveAs();
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false);
    platform::setDesktop(&desktop);
    EXPECT_TRUE(preselected.startsWith(QLatin1String("Portable Network Graphics")))
        << preselected.toStdString();
    EXPECT_FALSE(QFile::exists(target));
    ASSERT_TRUE(QFile::exists(target + QStringLiteral(".tif")));
    EXPECT_EQ(pix::decodeFile(target + QStringLiteral(".tif")).fileType, pix::kFileTiff);
    EXPECT_EQ(doc->FilePath, target + QStringLiteral(".tif"));
}

TEST_F(FrameTest, SaveAsToAOneBitFormatShowsTheFileButKeepsTheHistory) {
    frmMain* doc = newDocument(16, 8);
    doc->Pix->image().setImage(pixtest::gradientImage(16, 8), 5, QString()); // unsaved work
    const QImage work = doc->Pix->image().image().copy();
    desktop.answerSave(pixtest::tempDir() + QStringLiteral("/mono"), 7); // WBMP
    frame->chooseMenuItem(QStringLiteral("mnuSaveAs"));
    EXPECT_EQ(doc->Pix->image().imageType(), 0) << "the window shows what the file holds";
    EXPECT_TRUE(doc->Saved);
    doc->Undo();
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), work));
    EXPECT_FALSE(doc->Saved);
}

TEST_F(FrameTest, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    const QString path =
        writeImage(QStringLiteral("keep.png"), {pixtest::gradientImage(16, 16)}, pix::kFilePng);
    const QByteArray before = readBytes(path);
    frmMain* doc = openThroughMenu(path);
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::red); });
    desktop.answerMessage(Answer::Ok);
    pix::injectWriteFailureForTesting(ENOSPC, 100);
    frame->chooseMenuItem(QStringLiteral("mnuSave"));
    pix::injectWriteFailureForTesting(0);
    EXPECT_FALSE(doc->Saved);
    EXPECT_EQ(readBytes(path), before);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_TRUE(desktop.messagesShown[0].text.startsWith(QStringLiteral("Error: ")));
    EXPECT_EQ(desktop.messagesShown[0].icon, platform::Icon::Critical);
    // The folder holds no stray temporary file.
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    // Without the failure the same save works.
    frame->chooseMenuItem(QStringLiteral("mnuSave"));
    EXPECT_TRUE(doc->Saved);
    EXPECT_NE(readBytes(path), before);
}

TEST_F(FrameTest, SaveWithoutAnImageSaysSo) {
    frmMain* doc = newDocument();
    doc->Pix->image().ClearPages(QStringLiteral("no undo"));
    desktop.answerMessage(Answer::Ok);
    EXPECT_FALSE(doc->Save());
    EXPECT_EQ(desktop.messagesShown[0].text, QStringLiteral("No valid image to save!."));
    EXPECT_EQ(desktop.messagesShown[0].icon, platform::Icon::Warning);
}

// --- open from a web address --------------------------------------------------------------------

namespace {

// A one-shot HTTP server on loopback answering every request by path.
class TinyServer : public QTcpServer {
public:
    explicit TinyServer(const QByteArray& png) : png_(png) {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
            }
        });
    }
    QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QLatin1String(path));
    }

private:
    void answer(QTcpSocket* s) {
        const QByteArray request = s->readAll();
        const QByteArray path = request.split(' ').value(1);
        auto head = [](int status, qint64 length, const char* type) {
            return QByteArray("HTTP/1.1 ") + QByteArray::number(status) +
                   " X\r\nContent-Type: " + type +
                   "\r\nContent-Length: " + QByteArray::number(length) +
                   "\r\nConnection: close\r\n\r\n";
        };
        if (path == "/ok.png") {
            s->write(head(200, png_.size(), "image/png") + png_);
            s->disconnectFromHost();
        } else if (path == "/truncated.png") {
            s->write(head(200, png_.size(), "image/png") + png_.left(png_.size() / 2));
            s->disconnectFromHost();
        } else if (path == "/slow.png") {
            s->write(head(200, png_.size(), "image/png") + png_.left(20)); // then silence
        } else if (path == "/page.html") {
            const QByteArray html = "<html><body>not a picture</body></html>";
            s->write(head(200, html.size(), "text/html") + html);
            s->disconnectFromHost();
        } else {
            s->write(head(404, 0, "text/plain"));
            s->disconnectFromHost();
        }
    }
    QByteArray png_;
};

QByteArray pngBytes() {
    return readBytes(
        writeImage(QStringLiteral("net.png"), {pixtest::gradientImage(24, 12)}, pix::kFilePng));
}

} // namespace

TEST_F(FrameTest, OpenFromUrlDownloadsTheImageAndIgnoresEmptyAnswers) {
    desktop.answerInput(QStringLiteral("http://"));
    desktop.answerInput(QString());
    desktop.answerInput(std::nullopt);
    for (int k = 0; k < 3; ++k) frame->chooseMenuItem(QStringLiteral("mnuOpenURL"));
    EXPECT_EQ(openDocuments(), 0);
    EXPECT_EQ(frame->DocumentCount, 0);
    TinyServer server(pngBytes());
    desktop.answerInput(server.url("/ok.png"));
    frame->chooseMenuItem(QStringLiteral("mnuOpenURL"));
    ASSERT_EQ(openDocuments(), 1);
    frmMain* doc = frame->activeDocument();
    EXPECT_EQ(doc->Pix->image().width(), 24);
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("ok.png@100%"));
    EXPECT_TRUE(doc->isEnabled());
    EXPECT_EQ(desktop.inputsShown.last(), QStringLiteral("Enter URL to open:"));
}

TEST_F(FrameTest, FailedDownloadsCloseTheEmptyWindowAndSayWhy) {
    TinyServer server(pngBytes());
    frmMain::downloadTimeoutMs = 1500;
    const struct {
        QString address;
        const char* expected;
    } cases[] = {
        {server.url("/missing.png"), "404"},
        {server.url("/page.html"), "did not give an image"},
        {server.url("/truncated.png"), ""},
        {server.url("/slow.png"), "in time"},
        {QStringLiteral("ftp://127.0.0.1/x.png"), "Only http and https"},
        {QStringLiteral("http://127.0.0.1:1/x.png"), ""},
    };
    for (const auto& c : cases) {
        desktop.messagesShown.clear();
        desktop.answerInput(c.address);
        desktop.answerMessage(Answer::Ok);
        frame->chooseMenuItem(QStringLiteral("mnuOpenURL"));
        EXPECT_EQ(openDocuments(), 0) << c.address.toStdString();
        ASSERT_EQ(desktop.messagesShown.size(), 1) << c.address.toStdString();
        EXPECT_TRUE(desktop.messagesShown[0].text.startsWith(QStringLiteral("Error: ")));
        EXPECT_TRUE(desktop.messagesShown[0].text.contains(QLatin1String(c.expected)))
            << desktop.messagesShown[0].text.toStdString();
    }
    frmMain::downloadTimeoutMs = 30000;
    EXPECT_FALSE(enabled("mnuSave"));
}

TEST_F(FrameTest, ADownloadingDocumentCannotCloseAndCancelEndsItQuietly) {
    TinyServer server(pngBytes());
    frmMain::downloadTimeoutMs = 20000; // the server stalls; only Cancel ends the transfer
    desktop.answerInput(server.url("/slow.png"));
    bool insideDownload = false;
    QTimer::singleShot(0, frame.get(), [&] {
        frmMain* doc = frame->activeDocument();
        if (!doc) return ADD_FAILURE() << "no document during the download";
        insideDownload = frmProgress::instance().isVisible();
        doc->Saved = true; // nothing to ask about: only the download can hold the close
        frame->chooseMenuItem(QStringLiteral("mnuClose"));
        doc->parentWidget()->close(); // the close box
        frame->close();
        EXPECT_EQ(openDocuments(), 1);
        EXPECT_TRUE(frame->isVisible());
        frmProgress::instance().btnCancel->click();
    });
    frame->chooseMenuItem(QStringLiteral("mnuOpenURL"));
    frmMain::downloadTimeoutMs = 30000;
    EXPECT_TRUE(insideDownload);
    EXPECT_EQ(openDocuments(), 0);
    EXPECT_TRUE(desktop.messagesShown.isEmpty()) << "a cancel says nothing";
    EXPECT_FALSE(frmProgress::instance().isVisible());
    EXPECT_FALSE(enabled("mnuSave"));
}

TEST_F(FrameTest, CapturesMakeANewImageFirstAndTheScanOnlyWithoutADocument) {
    desktop.answerModal(pixtest::pressCancel());
    frame->chooseMenuItem(QStringLiteral("mnuAcquireTwain"));
    EXPECT_EQ(openDocuments(), 0) << "New was cancelled: no scan";
    desktop.answerModal(pixtest::pressOk());
    frame->chooseMenuItem(QStringLiteral("mnuCaptureScreen"));
    ASSERT_EQ(openDocuments(), 1);
    EXPECT_EQ(frame->activeDocument()->Pix->image().page(0).image.width(), 640);
    frame->chooseMenuItem(QStringLiteral("mnuAcquireTwain")); // a document is open: no New
    EXPECT_EQ(openDocuments(), 1);
    EXPECT_EQ(scanner.acquisitions, 1);
    desktop.answerModal(pixtest::pressOk());
    desktop.answerModal([](QDialog& picker) { // closed without a pick
        picker.reject();
        return int(QDialog::Rejected);
    });
    frame->chooseMenuItem(QStringLiteral("mnuCaptureWindow"));
    EXPECT_EQ(openDocuments(), 2);
}

TEST_F(FrameTest, SavingAnOpenedGifKeepsItAGif) {
    const QString path = pixtest::tempDir() + QStringLiteral("/anim.gif");
    pix::encodeFile(path, pix::kFileAuto,
                    {pix::PixPage{pixtest::flatImage(12, 8, qRgb(255, 0, 0)), 5, {}},
                     pix::PixPage{pixtest::flatImage(12, 8, qRgb(0, 0, 255)), 5, {}}},
                    pix::SaveOptions{});
    frmMain* doc = openThroughMenu(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Pix->image().FileType(), pix::kFileAuto) << "GIF reports the engine's choice";
    EXPECT_EQ(doc->Pix->image().pageCount(), 2);
    doc->Pix->image().setImage(pixtest::flatImage(12, 8, qRgb(0, 255, 0)), 5, QString());
    frame->chooseMenuItem(QStringLiteral("mnuSave"));
    EXPECT_TRUE(doc->Saved);
    const pix::DecodedFile back = pix::decodeFile(path);
    EXPECT_EQ(back.fileType, pix::kFileAuto);
    ASSERT_EQ(back.pages.size(), 2);
    EXPECT_EQ(back.pages[0].image.pixel(3, 3), qRgb(0, 255, 0));
    EXPECT_TRUE(readBytes(path).startsWith("GIF8"));
}
