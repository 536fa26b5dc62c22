// Files and image addresses that reach the program from outside: the command line and drops on
// the frame or on a document. Each opens in its own document window and joins the recent files.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

class MDIMain;
class QMimeData;

namespace outside {

// Command-line arguments as addresses: paths (relative to `cwd`), file: and web URLs.
QList<QUrl> urlsFromArguments(const QStringList& args, const QString& cwd);
// The file and web addresses a drag carries (nothing for other data).
QList<QUrl> urlsFromMime(const QMimeData* mime);
// Opens each address in its own document window, in order; an unreadable file gets its message
// and the others still open. Returns the number of windows opened.
int openUrls(MDIMain& frame, const QList<QUrl>& urls);

// Accepts drags of files and addresses over the frame (and the documents inside it) and opens
// what is dropped.
class DropOpener : public QObject {
public:
    explicit DropOpener(MDIMain& frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MDIMain& frame_;
};

} // namespace outside
