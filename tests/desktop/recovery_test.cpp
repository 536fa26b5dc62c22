// Crash recovery: the copy format is lossless and refuses damage; a program killed after an edit
// offers its document at the next start with the edited pixels; discarding deletes the copies;
// a full or unwritable recovery folder leaves editing working with one message.
#include "app/crash_recovery.h"
#include "app/program_start.h"
#include "app/recovery_file.h"
#include "engine/codecs/atomic_write.h"
#include "ui/frame_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) files << QFileInfo(it.next()).fileName();
    files.sort();
    return files;
}

// Every page type, with a colour table, markers and more than one page.
recovery::Snapshot sampleSnapshot() {
    recovery::Snapshot s{QStringLiteral("/pictures/été/scan.tif"),
                         QStringLiteral("scan.tif"),
                         QDateTime(QDate(2026, 12, 7), QTime(9, 15), Qt::UTC),
                         pix::kFileTiff,
                         3,
                         {}};
    for (int type = 0; type <= 6; ++type)
        s.pages.append(pix::PixPage{pixtest::imageOfType(type, 13 + type, 7), type, {}});
    s.pages[5].markers = {{0xE1, QByteArray("Exif\0\0data", 10)}, {0xED, QByteArray("iptc")}};
    return s;
}

// A modal answer that clicks the dialog's button `name`.
std::function<int(QDialog&)> click(const char* name, QString* listed = nullptr) {
    return [name, listed](QDialog& d) {
        if (listed) *listed = d.findChild<QListWidget*>()->item(0)->text();
        d.findChild<QPushButton*>(QString::fromLatin1(name))->click();
        return d.result();
    };
}

} // namespace

TEST(RecoveryFile, KeepsEveryPageLosslesslyAndRefusesADamagedCopy) {
    const QString path = pixtest::tempDir() + QStringLiteral("/copy.pxrecovery");
    const recovery::Snapshot s = sampleSnapshot();
    recovery::writeSnapshot(path, s);
    const recovery::Snapshot back = recovery::readSnapshot(path);
    EXPECT_EQ(back.filePath, s.filePath);
    EXPECT_EQ(back.displayName, s.displayName);
    EXPECT_EQ(back.takenAt, s.takenAt);
    EXPECT_EQ(back.fileType, s.fileType);
    EXPECT_EQ(back.currentPage, 3);
    ASSERT_EQ(back.pages.size(), s.pages.size());
    for (int i = 0; i < s.pages.size(); ++i) {
        EXPECT_EQ(back.pages[i].type, s.pages[i].type);
        EXPECT_EQ(back.pages[i].image.format(), s.pages[i].image.format()) << i;
        EXPECT_EQ(back.pages[i].image.colorTable(), s.pages[i].image.colorTable()) << i;
        EXPECT_TRUE(back.pages[i].image == s.pages[i].image) << "page " << i;
        EXPECT_EQ(back.pages[i].markers, s.pages[i].markers) << i;
    }
    // Any cut, and a changed byte in the header, is refused with a message, never a crash.
    const QByteArray whole = pixtest::readBytes(path);
    for (qsizetype cut :
         {qsizetype(0), qsizetype(5), qsizetype(40), whole.size() / 2, whole.size() - 1}) {
        pixtest::writeBytes(path, whole.left(cut));
        EXPECT_THROW(recovery::readSnapshot(path), pix::PixError) << "cut at " << cut;
    }
    // Every byte of the header made 0xFF (huge counts and sizes among them) is refused or read
    // as a sound copy: never a crash or an allocation the file does not back.
    qint64 headSize = 0;
    std::memcpy(&headSize, whole.constData(), sizeof headSize);
    ASSERT_GT(headSize, 0);
    for (qint64 i = 8; i < 8 + headSize; ++i) {
        QByteArray bent = whole;
        bent[i] = char(0xFF);
        QFile out(path); // a plain write: no need to reach the disk
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bent);
        out.close();
        try {
            const recovery::Snapshot s = recovery::readSnapshot(path);
            EXPECT_EQ(s.pages.size(), 7);
        } catch (const pix::PixError&) {
        }
    }
}

// The program of a recovery test's child process: it opens the file it is given, edits it
// through the menus, lets the recovery copy be written, saves the edited pixels beside it for
// the parent to compare, says READY and waits to be killed.
TEST(RecoveryChild, EditAndWaitToBeKilled) {
    const QString file = qEnvironmentVariable("PIXENDRA_RECOVERY_CHILD");
    if (file.isEmpty()) GTEST_SKIP() << "runs only as the child of the kill test";
    const pid_t parent = ::getppid();
    CRegister store(QFileInfo(file).absolutePath() + QStringLiteral("/child-settings.reg"));
    Program program;
    startProgram(program, store, {file}, QDir::currentPath());
    frmMain* doc = program.frame->activeDocument();
    ASSERT_NE(doc, nullptr);
    program.frame->chooseMenuItem(QStringLiteral("mnuFiltersNegativeCols"), 0);
    ASSERT_FALSE(doc->Saved);
    program.recovery->writeChanged();
    program.recovery->waitForWrites();
    ASSERT_TRUE(doc->Pix->image().image().save(file + QStringLiteral(".expected.png")));
    std::printf("READY\n");
    std::fflush(stdout);
    // Killed by the parent; should the parent go first, the child ends too.
    while (::getppid() == parent) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    std::_Exit(1);
}

TEST_F(FrameTest, AfterAKillTheNextStartOffersTheEditedDocument) {
    const QString dir = pixtest::tempDir();
    const QString file =
        writeImage(QStringLiteral("photo.png"), {pixtest::gradientImage(64, 40)}, pix::kFilePng);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PIXENDRA_RECOVERY_CHILD"), file);
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir + QStringLiteral("/state"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=RecoveryChild.*")});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray out;
    while (!out.contains("READY") && child.state() == QProcess::Running)
        if (child.waitForReadyRead(120000)) out += child.readAllStandardOutput();
    ASSERT_TRUE(out.contains("READY"))
        << out.constData() << child.readAllStandardError().constData();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit);

    CrashRecovery recovery(*frame, dir + QStringLiteral("/state/pixendra/recovery"));
    const QList<CrashRecovery::Orphan> orphans = recovery.orphans();
    ASSERT_EQ(orphans.size(), 1);
    EXPECT_EQ(orphans[0].summary.displayName, QStringLiteral("photo.png"));
    EXPECT_EQ(orphans[0].summary.filePath, file);
    QString listed;
    desktop.answerModal(click("cmdRecover", &listed));
    recovery.offerOrphans();
    EXPECT_TRUE(listed.startsWith(QStringLiteral("photo.png"))) << listed.toStdString();
    frmMain* doc = frame->activeDocument();
    ASSERT_NE(doc, nullptr);
    const QImage expected(file + QStringLiteral(".expected.png"));
    EXPECT_TRUE(
        pixtest::samePixels(doc->Pix->image().image().convertToFormat(QImage::Format_ARGB32),
                            expected.convertToFormat(QImage::Format_ARGB32)));
    EXPECT_FALSE(
        pixtest::samePixels(expected.convertToFormat(QImage::Format_ARGB32),
                            pixtest::gradientImage(64, 40).convertToFormat(QImage::Format_ARGB32)))
        << "the child's edit changed the picture";
    EXPECT_FALSE(doc->Saved) << "recovered as a modified document";
    EXPECT_EQ(doc->FilePath, file);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("*Corvane Pixendra"));
    // The dead session's copy is gone; the recovered document has a copy of this session.
    recovery.waitForWrites();
    EXPECT_EQ(
        filesUnder(dir + QStringLiteral("/state/pixendra/recovery")),
        QStringList({QStringLiteral("document-0.pxrecovery"), QStringLiteral("session.lock")}));
    EXPECT_TRUE(recovery.orphans().isEmpty());
    // Saving it removes that copy too.
    frame->chooseMenuItem(QStringLiteral("mnuSave"));
    recovery.waitForWrites();
    EXPECT_EQ(filesUnder(dir + QStringLiteral("/state/pixendra/recovery")),
              QStringList({QStringLiteral("session.lock")}));
}

TEST_F(FrameTest, LaterKeepsTheCopiesAndDiscardDeletesThem) {
    const QString root = pixtest::tempDir() + QStringLiteral("/recovery");
    QDir().mkpath(root + QStringLiteral("/session-ended"));
    recovery::writeSnapshot(root + QStringLiteral("/session-ended/document-3.pxrecovery"),
                            sampleSnapshot());
    CrashRecovery recovery(*frame, root);
    desktop.answerModal(click("cmdLater"));
    recovery.offerOrphans();
    EXPECT_EQ(recovery.orphans().size(), 1) << "offered again next time";
    desktop.answerModal(click("cmdDiscard"));
    recovery.offerOrphans();
    EXPECT_EQ(openDocuments(), 0);
    EXPECT_TRUE(filesUnder(root).isEmpty());
    EXPECT_TRUE(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(FrameTest, ARunningInstancesCopiesAreNotOfferedAndCloseRemovesThem) {
    const QString root = pixtest::tempDir() + QStringLiteral("/recovery");
    CrashRecovery running(*frame, root);
    frmMain* doc = newDocument();
    frame->chooseMenuItem(QStringLiteral("mnuFiltersNegativeCols"), 0);
    running.writeChanged();
    running.waitForWrites();
    ASSERT_EQ(
        filesUnder(running.sessionFolder()),
        QStringList({QStringLiteral("document-0.pxrecovery"), QStringLiteral("session.lock")}));
    // An instance that has run for an hour is still alive: its copies are not another's to take.
    QFile lock(running.sessionFolder() + QStringLiteral("/session.lock"));
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    lock.close();
    CrashRecovery second(*frame, root);
    EXPECT_TRUE(second.orphans().isEmpty());
    // Closing the document (without saving) removes its copy.
    desktop.answerMessage(platform::Answer::No);
    frame->chooseMenuItem(QStringLiteral("mnuClose"));
    EXPECT_FALSE(frame->DocumentInUse.value(doc->DocumentIndex));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    running.waitForWrites();
    EXPECT_EQ(filesUnder(running.sessionFolder()), QStringList({QStringLiteral("session.lock")}));
}

// Edits the document through the menus and lets the recovery write; the edit must take.
static void editAndWrite(MDIMain& frame, CrashRecovery& recovery, frmMain* doc) {
    const QImage before = doc->Pix->image().image();
    frame.chooseMenuItem(QStringLiteral("mnuFiltersNegativeCols"), 0);
    EXPECT_FALSE(doc->Pix->image().image() == before) << "editing goes on";
    recovery.writeChanged();
    recovery.waitForWrites();
}

TEST_F(FrameTest, AFullOrUnwritableRecoveryFolderLeavesEditingWorkingWithOneMessage) {
    // An unwritable folder: a file stands where the folder should be made.
    const QString blocked = pixtest::tempDir() + QStringLiteral("/blocked");
    pixtest::writeBytes(blocked, "a file");
    {
        CrashRecovery recovery(*frame, blocked + QStringLiteral("/recovery"));
        frmMain* doc = newDocument(300, 300);
        desktop.answerMessage(platform::Answer::Ok);
        editAndWrite(*frame, recovery, doc);
        editAndWrite(*frame, recovery, doc);
        EXPECT_EQ(desktop.messagesShown.size(), 1);
        EXPECT_TRUE(recovery.failureReported());
        doc->Saved = true;
        frame->chooseMenuItem(QStringLiteral("mnuClose"));
    }
    // A full disk: a 64 KB tmpfs where mounting is allowed, else a write that fails as one would.
    const QString small = pixtest::tempDir() + QStringLiteral("/small");
    QDir().mkpath(small);
    const bool mounted =
        ::mount("tmpfs", small.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0;
    if (!mounted) pix::injectWriteFailureForTesting(ENOSPC, 1000);
    {
        desktop.messagesShown.clear();
        CrashRecovery recovery(*frame, small);
        frmMain* doc = newDocument(300, 300); // 360 KB of pixels
        desktop.answerMessage(platform::Answer::Ok);
        editAndWrite(*frame, recovery, doc);
        editAndWrite(*frame, recovery, doc);
        EXPECT_EQ(desktop.messagesShown.size(), 1);
        EXPECT_TRUE(desktop.messagesShown[0].text.contains(QStringLiteral("space")))
            << desktop.messagesShown[0].text.toStdString();
        // No partial copy is left behind.
        EXPECT_EQ(filesUnder(small), QStringList({QStringLiteral("session.lock")}));
        doc->Saved = true;
        frame->chooseMenuItem(QStringLiteral("mnuClose"));
    }
    pix::injectWriteFailureForTesting(0);
    if (mounted) ::umount2(small.toLocal8Bit().constData(), MNT_DETACH);
    std::printf("full disk simulated by %s\n", mounted ? "a 64 KB tmpfs" : "an injected ENOSPC");
}
