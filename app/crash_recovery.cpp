#include "crash_recovery.h"

#include "app/mdi_main.h"
#include "app/recovery_dialog.h"
#include "document/frm_main.h"
#include "engine/codecs/codec.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_error.h"
#include "engine/pix_image.h"
#include "platform/desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace {

const QString kLockName = QStringLiteral("session.lock");
const QString kSuffix = QStringLiteral(".pxrecovery");

QList<qint64> pageKeys(const pix::PixImage& image) {
    QList<qint64> keys;
    for (const pix::PixPage& p : image.pages()) keys << p.image.cacheKey() << p.type;
    return keys;
}

// The name the user knows a document by.
QString documentName(const frmMain& doc) {
    return doc.FilePath.isEmpty() ? QStringLiteral("New image")
                                  : QFileInfo(doc.FilePath).fileName();
}

} // namespace

QString CrashRecovery::defaultFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/pixendra/recovery");
}

CrashRecovery::CrashRecovery(MDIMain& frame, const QString& folder)
    : frame_(frame), folder_(folder) {
    session_ = folder_ + QStringLiteral("/session-%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    pool_.setMaxThreadCount(1);
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &CrashRecovery::writeChanged);
    timer_.start();
}

CrashRecovery::~CrashRecovery() {
    // The program ends normally: this session's copies are no longer needed.
    timer_.stop();
    pool_.waitForDone();
    if (lock_) {
        QDir dir(session_);
        for (const QString& f : dir.entryList({QStringLiteral("*") + kSuffix}, QDir::Files))
            dir.remove(f);
        lock_->unlock();
        QDir().rmdir(session_);
    }
}

void CrashRecovery::watch(frmMain* doc) {
    if (tracked_.contains(doc)) return;
    tracked_.insert(doc, Tracked{doc, {}, {}});
    connect(doc, &frmMain::saved, this, [this, doc] { forget(doc); });
    connect(doc, &QObject::destroyed, this, [this, doc] {
        forget(doc);
        tracked_.remove(doc);
    });
}

// The document's copy goes (it was saved or closed); a later change writes a new one.
void CrashRecovery::forget(const frmMain* doc) {
    auto it = tracked_.find(doc);
    if (it == tracked_.end()) return;
    it->written.clear();
    if (it->file.isEmpty()) return;
    pool_.start([file = it->file] { QFile::remove(file); });
    it->file.clear();
}

QString CrashRecovery::fileFor(const frmMain* doc) const {
    return session_ + QStringLiteral("/document-%1").arg(doc->DocumentIndex) + kSuffix;
}

void CrashRecovery::writeChanged() {
    for (int k = 0; k < frame_.Documents.size(); ++k)
        if (frame_.DocumentInUse.value(k) && frame_.Documents[k]) watch(frame_.Documents[k]);
    for (auto it = tracked_.begin(); it != tracked_.end(); ++it) {
        frmMain* doc = it->doc;
        if (!doc) continue;
        const pix::PixImage& image = doc->Pix->image();
        if (doc->Saved || image.IsEmpty()) {
            forget(doc);
            continue;
        }
        // A long operation lets this timer run between its bands: its pages are half done.
        if (doc->isBusy()) continue;
        const QList<qint64> keys = pageKeys(image);
        if (keys == it->written) continue;
        if (!lock_) {
            // The session's folder and its lock, which tells other instances it is alive.
            if (!QDir().mkpath(session_))
                return reportFailure(QStringLiteral("the folder %1 cannot be made").arg(session_));
            auto lock = std::make_unique<QLockFile>(session_ + QLatin1Char('/') + kLockName);
            lock->setStaleLockTime(0);
            if (!lock->tryLock(0))
                return reportFailure(
                    QStringLiteral("the folder %1 cannot be locked").arg(session_));
            lock_ = std::move(lock);
        }
        // Pages share their pixels until they change, so this copy is cheap.
        recovery::Snapshot snapshot{
            doc->FilePath,    documentName(*doc),  QDateTime::currentDateTimeUtc(),
            image.FileType(), image.currentPage(), image.pages()};
        const QString file = fileFor(doc);
        it->written = keys;
        it->file = file;
        const frmMain* key = doc;
        pool_.start([this, key, file, snapshot = std::move(snapshot)] {
            try {
                recovery::writeSnapshot(file, snapshot);
            } catch (const pix::PixError& e) {
                QMetaObject::invokeMethod(
                    this,
                    [this, key, why = e.description()] {
                        // Tried again at the next round.
                        if (auto t = tracked_.find(key); t != tracked_.end()) t->written.clear();
                        reportFailure(why);
                    },
                    Qt::QueuedConnection);
            }
        });
    }
}

void CrashRecovery::waitForWrites() {
    pool_.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

void CrashRecovery::reportFailure(const QString& why) {
    if (failureReported_) return;
    failureReported_ = true;
    platform::messageBox(QStringLiteral("Recovery copies of the open documents cannot be written: "
                                        "%1.\nEditing goes on; the copies will be tried again.")
                             .arg(why),
                         platform::Buttons::Ok, platform::Icon::Warning);
}

QList<CrashRecovery::Orphan> CrashRecovery::orphans() const {
    QList<Orphan> found;
    const QDir root(folder_);
    for (const QFileInfo& dir : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (dir.absoluteFilePath() == QFileInfo(session_).absoluteFilePath()) continue;
        // A session whose lock can be taken has ended (its process is gone).
        // Only a dead owner makes a lock stale, however old the lock: a long-running instance
        // keeps its copies.
        QLockFile lock(dir.absoluteFilePath() + QLatin1Char('/') + kLockName);
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) continue;
        lock.unlock();
        const QDir session(dir.absoluteFilePath());
        for (const QFileInfo& f : session.entryInfoList({QStringLiteral("*") + kSuffix},
                                                        QDir::Files, QDir::Time | QDir::Reversed)) {
            Orphan o{f.absoluteFilePath(), {}};
            try {
                o.summary = recovery::readSummary(o.file);
            } catch (const pix::PixError&) {
                o.summary.displayName = f.fileName();
                o.summary.takenAt = f.lastModified();
            }
            found << o;
        }
    }
    return found;
}

bool CrashRecovery::recover(const QString& file) {
    recovery::Snapshot s;
    try {
        s = recovery::readSnapshot(file);
    } catch (const pix::PixError& e) {
        platform::messageBox(e.description(), platform::Buttons::Ok, platform::Icon::Warning);
        return false;
    }
    const int n = frame_.createDocumentSlot();
    frmMain* doc = frame_.Documents[n];
    pix::PixImage& image = doc->Pix->image();
    try {
        image.ClearPages(QStringLiteral("no undo"));
        for (const pix::PixPage& p : s.pages) image.AddPage(p, QStringLiteral("no undo"));
        image.setCurrentPage(s.currentPage);
    } catch (const pix::PixError& e) {
        frame_.releaseSlot(n);
        platform::messageBox(e.description(), platform::Buttons::Ok, platform::Icon::Warning);
        return false;
    }
    image.setFileType(s.fileType);
    image.setFileName(s.filePath);
    image.ClearUndo();
    image.setModified(true);
    doc->FilePath = s.filePath;
    doc->IsTiff = s.fileType == pix::kFileTiff;
    if (doc->IsTiff) doc->TiffPath = s.filePath;
    doc->setWindowTitle(s.displayName + QStringLiteral("@100%"));
    frame_.showDocument(n);
    doc->Saved = false;
    return true;
}

void CrashRecovery::offerOrphans() {
    const QList<Orphan> found = orphans();
    if (found.isEmpty()) return;
    QList<RecoveryDialog::Item> items;
    for (const Orphan& o : found)
        items << RecoveryDialog::Item{o.summary.displayName, o.summary.filePath, o.summary.takenAt};
    RecoveryDialog dialog(items, frame_.dialogOwner());
    const int answer = platform::desktop().showModal(dialog);
    if (answer == QDialog::Rejected) return; // offered again at the next start
    for (const Orphan& o : found) {
        if (answer == QDialog::Accepted && !recover(o.file)) continue;
        QFile::remove(o.file);
        // The ended session's folder goes with its last copy.
        const QString dir = QFileInfo(o.file).absolutePath();
        if (QDir(dir).entryList({QStringLiteral("*") + kSuffix}, QDir::Files).isEmpty()) {
            QFile::remove(dir + QLatin1Char('/') + kLockName);
            QDir().rmdir(dir);
        }
    }
    // The recovered documents are modified: they get copies of this session at once.
    writeChanged();
}
