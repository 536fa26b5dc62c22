// Keeps a recovery copy of every document with unsaved changes, written off the user-interface
// thread at most once a minute into this session's folder under the XDG state directory, and
// offers at start the copies a session left behind when it ended without closing (a crash, a
// kill). A copy goes when its document is saved or closed. A recovery folder that cannot be
// written never disturbs editing: it is said once, and the copies are tried again later.
#pragma once

#include "app/recovery_file.h"

#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <memory>

class MDIMain;
class frmMain;

class CrashRecovery : public QObject {
    Q_OBJECT
public:
    // The folder under which each running session keeps its copies.
    static QString defaultFolder();
    static constexpr int kIntervalMs = 60'000;

    CrashRecovery(MDIMain& frame, const QString& folder = defaultFolder());
    ~CrashRecovery() override;

    // Takes a copy of every document changed since its last copy and hands the writing to the
    // worker thread (the timer calls this once a minute). Costs the caller a shallow page copy.
    void writeChanged();
    // Waits until every queued write and removal is done.
    void waitForWrites();
    void setInterval(int ms) { timer_.setInterval(ms); }

    // A recovery copy left by a session that ended without closing.
    struct Orphan {
        QString file;
        recovery::Snapshot summary; // name, file and time; no pixels
    };
    QList<Orphan> orphans() const;
    // Offers the orphans in a dialog: recovering opens each as a modified document, discarding
    // deletes them; closing the dialog keeps them for the next start.
    void offerOrphans();
    // Opens a copy as a modified document; false (with a message) when it cannot be read.
    bool recover(const QString& file);

    // This session's folder (created on the first write).
    const QString& sessionFolder() const { return session_; }
    // Whether the "cannot write" message was shown.
    bool failureReported() const { return failureReported_; }

private:
    struct Tracked {
        QPointer<frmMain> doc;
        QList<qint64> written; // page cache keys of the last copy
        QString file;
    };
    void watch(frmMain* doc);
    void forget(const frmMain* doc);
    void reportFailure(const QString& why);
    QString fileFor(const frmMain* doc) const;

    MDIMain& frame_;
    QString folder_, session_;
    std::unique_ptr<QLockFile> lock_;
    QTimer timer_;
    QThreadPool pool_; // one thread: writes and removals run in the order they were asked
    QHash<const frmMain*, Tracked> tracked_;
    bool failureReported_ = false;
};
