// Files reaching the program from outside: the command line, drops on the frame and on a
// document, and the recent files they feed, which survive a restart.
#include "app/open_from_outside.h"
#include "app/program_start.h"
#include "app/recent_files.h"
#include "ui/frame_fixture.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>

namespace {

QStringList openFilePaths(MDIMain& frame) {
    QStringList paths;
    for (int k = 0; k < frame.Documents.size(); ++k)
        if (frame.DocumentInUse.value(k) && frame.Documents[k])
            paths << frame.Documents[k]->FilePath;
    return paths;
}

} // namespace

TEST_F(FrameTest, CommandLineFilesOpenEachInItsWindowAndABadOneGetsItsMessage) {
    const QString a =
        writeImage(QStringLiteral("a.png"), {pixtest::gradientImage(40, 30)}, pix::kFilePng);
    const QString b =
        writeImage(QStringLiteral("b.tif"), {pixtest::gradientImage(20, 10)}, pix::kFileTiff);
    const QString bad = QFileInfo(a).absolutePath() + QStringLiteral("/broken.jpg");
    pixtest::writeBytes(bad, QByteArray("not a picture at all"));
    desktop.answerMessage(platform::Answer::Ok);
    // Relative to the folder the program was started in, and as a file: URL.
    const QString cwd = QFileInfo(a).absolutePath();
    const int opened = outside::openUrls(
        *frame, outside::urlsFromArguments({QStringLiteral("a.png"), QStringLiteral("broken.jpg"),
                                            QUrl::fromLocalFile(b).toString()},
                                           cwd));
    EXPECT_EQ(opened, 2);
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_EQ(desktop.messagesShown[0].title, QStringLiteral("Invalid Image"));
    EXPECT_EQ(openFilePaths(*frame), QStringList({a, b}));
    EXPECT_EQ(frame->activeDocument()->Pix->image().image().size(), QSize(20, 10));
    EXPECT_TRUE(enabled("mnuSave")) << "the menus follow the documents opened";
    // Both good files join the recent files, newest first; the bad one does not.
    EXPECT_EQ(frame->recentFiles()->files(), QStringList({b, a}));
}

TEST_F(FrameTest, FilesDroppedOnTheFrameOrOnADocumentOpen) {
    const QString a =
        writeImage(QStringLiteral("a.png"), {pixtest::gradientImage(12, 8)}, pix::kFilePng);
    const QString b =
        writeImage(QStringLiteral("b.bmp"), {pixtest::gradientImage(9, 7)}, pix::kFileBmp);
    auto drop = [&](QWidget* target, const QStringList& files) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& f : files) urls << QUrl::fromLocalFile(f);
        mime.setUrls(urls);
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted()) << "a drag of files is welcome";
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        QCoreApplication::sendPostedEvents();
    };
    drop(frame->mdiArea()->viewport(), {a, b});
    EXPECT_EQ(openFilePaths(*frame), QStringList({a, b}));
    // On a document's picture the drop opens a window of its own, the document stays as it was.
    frmMain* doc = frame->activeDocument();
    drop(doc->Pix->viewport(), {a});
    EXPECT_EQ(openFilePaths(*frame), QStringList({a, b, a}));
    EXPECT_EQ(doc->Pix->image().image().size(), QSize(9, 7));
    EXPECT_EQ(frame->recentFiles()->files(), QStringList({a, b}));
    // Other data is refused.
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame->mdiArea()->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(FrameTest, RecentFilesSurviveARestartAndAMissingOneIsRemovedWithAMessage) {
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << writeImage(QStringLiteral("f%1.png").arg(i), {pixtest::gradientImage(8, 8)},
                            pix::kFilePng);
        openThroughMenu(files.last());
    }
    // Reopening an old file brings it to the top, once.
    openThroughMenu(files[5]);
    QStringList expected;
    expected << files[5];
    for (int i = 11; expected.size() < 10; --i)
        if (i != 5) expected << files[i];
    EXPECT_EQ(frame->recentFiles()->files(), expected);

    // A new run reads the same list from the store and shows it in File > Recent Files.
    TearDown();
    frame = std::make_unique<MDIMain>(*store);
    frame->Load();
    frame->show();
    EXPECT_EQ(frame->recentFiles()->files(), expected);
    auto* menu = frame->findChild<QMenu*>(QStringLiteral("mnuRecentFiles"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 10);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("&1 f5.png"));

    // Choosing an entry opens it; a file gone since is removed with a message.
    menu->actions()[1]->trigger();
    EXPECT_EQ(frame->activeDocument()->FilePath, expected[1]);
    QFile::remove(expected[2]);
    desktop.answerMessage(platform::Answer::Ok);
    menu->actions()[2]->trigger();
    ASSERT_EQ(desktop.messagesShown.size(), 1);
    EXPECT_TRUE(desktop.messagesShown[0].text.contains(QStringLiteral("no longer exists")));
    EXPECT_EQ(openDocuments(), 1);
    EXPECT_FALSE(frame->recentFiles()->files().contains(expected[2]));
    EXPECT_EQ(menu->actions().size(), 9);
}
