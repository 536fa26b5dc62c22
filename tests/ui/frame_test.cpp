// The frame and the document lifecycle: menu state, close prompts, exit, layout.
#include "app/frm_splash.h"
#include "frame_fixture.h"

#include "engine/codecs/atomic_write.h"
#include "engine/codecs/codec.h"

#include <QMenu>
#include <QToolButton>

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using platform::Answer;

TEST_F(FrameTest, WithoutDocumentsOnlyTheStartItemsAreEnabled) {
    const QSet<QString> expected = {"mnuOpen",          "mnuOpenURL",       "mnuSelectTwain",
                                    "mnuAcquireTwain",  "mnuCaptureScreen", "mnuCaptureRect",
                                    "mnuCaptureWindow", "mnuNew",           "mnuPageSetup",
                                    "mnuExit",          "mnuSettings(0)",   "mnuSettings(1)",
                                    "mnuSettings(2)",   "mnuSettings(3)",   "mnuAbout",
                                    "mnuIndex",         "mnuUpdate",        "mnuPasteNew"};
    QSet<QString> enabledLeaves;
    for (QAction* a : frame->allMenuItems())
        if (!a->menu() && a->isEnabled()) enabledLeaves.insert(a->objectName());
    EXPECT_EQ(enabledLeaves, expected);
    // The top-level menus themselves still open.
    for (const char* top :
         {"mnuImport", "mnumFile", "mnumEdit", "mnuView", "mnumFilters", "mnumEffects",
          "mnumTransforms", "mnumImages", "mnumChannels", "mnuWindow", "mnuHelp"})
        EXPECT_TRUE(enabled(top)) << top;
    EXPECT_FALSE(frame->menuItem(QStringLiteral("mnumDraw"))->isVisible());
}

TEST_F(FrameTest, ANewUnchangedImageStillAsksOnCloseAndItsSlotStaysUsed) {
    frmMain* doc = newDocument();
    EXPECT_EQ(doc->windowTitle(), QStringLiteral("Pixendra"));
    desktop.answerMessage(Answer::No);
    ASSERT_TRUE(frame->mdiArea()->currentSubWindow()->close());
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    const auto& m = desktop.messagesShown[0];
    EXPECT_EQ(m.text, QStringLiteral(" This new file is not saved, save it?"));
    EXPECT_EQ(m.buttons, platform::Buttons::YesNoCancel);
    EXPECT_EQ(openDocuments(), 0);
    // The last window closed: the document menus are off again.
    EXPECT_FALSE(enabled("mnuUndo"));
    EXPECT_FALSE(enabled("mnuPaste"));
    EXPECT_FALSE(enabled("mnuSave"));
    EXPECT_FALSE(enabled("mnuEffects", 2));
    // The document table only grows: closed slots are never reused.
    EXPECT_EQ(newDocument()->DocumentIndex, 1);
    EXPECT_FALSE(frame->DocumentInUse[0]);
}

TEST_F(FrameTest, ClosingTheFrameAsksEveryDocumentCancelKeepsTheRestAndNoSavesSettings) {
    newDocument();
    frmMain* second = newDocument();
    desktop.answerMessage(Answer::No);
    desktop.answerMessage(Answer::Cancel);
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(desktop.messagesShown.size(), 2);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(openDocuments(), 1);
    EXPECT_EQ(frame->activeDocument(), second);
    EXPECT_FALSE(frame->settingsSaved()) << "a cancelled close writes nothing";
    desktop.answerMessage(Answer::No);
    frame->settings.jpegQuality = 91;
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(frame->settingsSaved());
    FrameSettings back;
    modSettings::LoadFrameSettings(back, *store);
    EXPECT_EQ(back.jpegQuality, 91);
}

TEST_F(FrameTest, ExitAsksAboutUnsavedDocumentsButNeverWritesSettings) {
    newDocument();
    desktop.answerMessage(Answer::Cancel);
    frame->FileExit();
    EXPECT_TRUE(frame->isVisible()) << "Cancel keeps the program running";
    EXPECT_EQ(openDocuments(), 1);
    desktop.answerMessage(Answer::No);
    frame->settings.jpegQuality = 12;
    frame->FileExit();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(frame->settingsSaved());
    EXPECT_FALSE(QFile::exists(storeFile));
}

TEST_F(FrameTest, YesOnCloseKeepsTheWindowWhenSaveAsIsCancelledOrTheSaveFails) {
    frmMain* doc = newDocument();
    desktop.answerMessage(Answer::Yes);
    desktop.answerSave(QString(), 1); // the Save As dialog is cancelled
    EXPECT_FALSE(frame->mdiArea()->currentSubWindow()->close());
    EXPECT_TRUE(doc->SaveCancelled);
    EXPECT_EQ(openDocuments(), 1);
    EXPECT_FALSE(doc->Pix->image().IsEmpty());

    doc->FilePath = pixtest::tempDir() + QStringLiteral("/kept.png");
    doc->Pix->image().setFileType(pix::kFilePng);
    desktop.answerMessage(Answer::Yes);            // save it?
    desktop.answerMessage(Answer::Ok);             // the error
    pix::injectWriteFailureForTesting(ENOSPC, 10); // the disk fills up during the write
    const bool closed = frame->mdiArea()->currentSubWindow()->close();
    pix::injectWriteFailureForTesting(0);
    EXPECT_FALSE(closed);
    EXPECT_EQ(openDocuments(), 1);
    ASSERT_EQ(desktop.messagesShown.size(), 3);
    EXPECT_TRUE(desktop.messagesShown[2].text.startsWith(QStringLiteral("Error: ")));
    EXPECT_TRUE(desktop.messagesShown[2].text.contains(QStringLiteral("No space left")));
    EXPECT_FALSE(doc->Saved);
}

TEST_F(FrameTest, AChangeMarksTheDocumentUnsaved) {
    frmMain* doc = newDocument();
    doc->Saved = true;
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::red); });
    EXPECT_FALSE(doc->Saved);
    doc->FilePath = QStringLiteral("/somewhere/photo.png");
    desktop.answerMessage(Answer::Cancel);
    EXPECT_EQ(doc->KillMe(), 1);
    EXPECT_EQ(desktop.messagesShown.last().text,
              QStringLiteral("File '/somewhere/photo.png' is not saved, save it?"));
}

TEST_F(FrameTest, EngineControlNeverGetsANegativeSize) {
    frmMain* doc = newDocument();
    QWidget* window = doc->parentWidget();
    window->setMinimumSize(0, 0);
    window->resize(1, 1);
    EXPECT_EQ(doc->Pix->width(), std::max(0, doc->width() - 1));
    EXPECT_GE(doc->Pix->height(), 0);
    window->resize(400, 300);
    EXPECT_EQ(doc->Pix->width(), doc->width() - 1); // 15 twips = one pixel at 96 dpi
    EXPECT_EQ(doc->Pix->height(), doc->height() - doc->picBottom->height() - 2);
}

TEST_F(FrameTest, StatusAndToolSelection) {
    QString x = "5", y = "7", w = "10", h = "20";
    frame->UpdateStatus(x, y, w, h);
    EXPECT_EQ(frame->lblCoords->text(), QStringLiteral("5,7"));
    EXPECT_EQ(frame->lblArea->text(), QStringLiteral("10,20"));
    frmMain* a = newDocument();
    frmMain* b = newDocument();
    a->DrawOpacity(3);
    frame->SelectTool(19); // crop: every document selects
    EXPECT_EQ(a->currTool(), 2);
    EXPECT_EQ(b->currTool(), 2);
    frame->SelectTool(20);
    EXPECT_EQ(a->drawOpacityAlpha(), 255) << "the eraser draws at full opacity";
    EXPECT_FALSE(frame->cmd.value(19)->isChecked());
}

TEST_F(FrameTest, CoordinatesPanelStaysRightOfTheOptionStrip) {
    frame->optionStripRight = [] { return 700; };
    frame->resize(500, 400);
    frame->layoutTopBar();
    EXPECT_GE(frame->CoordsInfo->x(), 700);
    frame->optionStripRight = [] { return 10; };
    frame->resize(1200, 400);
    QTest::qWait(1);
    frame->layoutTopBar();
    EXPECT_EQ(frame->CoordsInfo->x() + frame->CoordsInfo->width(), frame->TopBar->width());
}

// Tiles side by side or stacked; the cascade keeps the window sizes and steps by a title bar.
TEST_F(FrameTest, TileAndCascadeArrangeTheWindows) {
    newDocument();
    newDocument();
    frame->menuItem(QStringLiteral("ArrHorizontal"))->trigger();
    auto windows = frame->mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->width(), windows[1]->width());
    EXPECT_LT(windows[0]->y() + windows[0]->height(), windows[1]->y() + 2);
    frame->menuItem(QStringLiteral("ArrVertival"))->trigger();
    EXPECT_LT(windows[0]->x() + windows[0]->width(), windows[1]->x() + 2);

    newDocument();
    windows = frame->mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 3);
    const QSize area = frame->mdiArea()->viewport()->size();
    windows[0]->resize(300, 200);
    windows[1]->resize(350, 250);
    windows[2]->resize(area.width() * 2, area.height() * 2); // larger than the frame
    frame->menuItem(QStringLiteral("Cascade"))->trigger();
    EXPECT_EQ(windows[0]->size(), QSize(300, 200));
    EXPECT_EQ(windows[1]->size(), QSize(350, 250));
    const QRect inside(QPoint(0, 0), area);
    for (QMdiSubWindow* w : windows) {
        EXPECT_TRUE(inside.contains(w->geometry())) << "every window lies inside the frame";
        EXPECT_GE(w->width(), std::min(300, area.width() / 2)) << "no window is shrunk to a bar";
        EXPECT_GE(w->height(), std::min(200, area.height() / 2));
    }
    const int step = windows[1]->y() - windows[0]->y();
    EXPECT_GE(step, 16) << "each window's title bar stays visible";
    EXPECT_EQ(windows[1]->x() - windows[0]->x(), step);
    EXPECT_EQ(windows[2]->y() - windows[1]->y(), step);
}

TEST_F(FrameTest, AlphaMaskFilesBecomeMenuItems) {
    QDir programDir(MDIMain::programFolder());
    QDir masks(programDir.filePath(QStringLiteral("AlphaMasks")));
    masks.removeRecursively();
    newDocument();
    EXPECT_FALSE(frame->menuItem(QStringLiteral("mnuChannelsAlpha"), 0)->isVisible())
        << "no mask files, no item";
    ASSERT_TRUE(programDir.mkpath(QStringLiteral("AlphaMasks")));
    pix::encodeFile(masks.filePath(QStringLiteral("Soft Oval.png")), pix::kFilePng,
                    {pix::PixPage{pixtest::gradientImage(8, 8), 5, {}}}, {});
    pixtest::writeBytes(masks.filePath(QStringLiteral("readme.txt")), "not a picture");
    newDocument();
    masks.removeRecursively();
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuChannelsAlpha"), 0)->isVisible());
    QAction* item = frame->menuItem(QStringLiteral("mnuChannelsAlphaAddMask"), 2);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("Soft Oval.png"));
    EXPECT_EQ(frame->menuItem(QStringLiteral("mnuChannelsAlphaAddMask"), 3), nullptr);
}

TEST_F(FrameTest, DoubleClickOnTheEmptyFrameRunsOpen) {
    desktop.answerOpen(QString()); // the user cancels the dialog
    QTest::mouseDClick(frame->mdiArea()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(40, 40));
    EXPECT_EQ(desktop.openRequests.size(), 1);
    EXPECT_EQ(openDocuments(), 0);
}

TEST(Splash, ShowsFirstThenGivesWayToTheFrameOnce) {
    pixtest::ScriptedDesktop desktop;
    for (bool byKey : {false, true}) {
        int framesShown = 0;
        QPointer<frmSplash> splash = new frmSplash([&] {
            EXPECT_FALSE(splash && splash->isVisible()) << "the splash hides first";
            ++framesShown;
        });
        splash->show();
        EXPECT_TRUE(splash->isVisible());
        EXPECT_FALSE(splash->Image1->pixmap().isNull());
        EXPECT_EQ(framesShown, 0) << "the frame waits for the splash";
        EXPECT_EQ(splash->Timer1.interval(), 500);
        if (byKey) {
            QTest::keyClick(splash.data(), Qt::Key_Space);
            QTest::mouseClick(splash.data(), Qt::LeftButton); // a second event does nothing
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        } else {
            QSignalSpy gone(splash.data(), &QObject::destroyed);
            gone.wait(10000); // the timer ends the splash
        }
        EXPECT_TRUE(splash.isNull()) << "the splash closes itself";
        EXPECT_EQ(framesShown, 1);
    }
}
