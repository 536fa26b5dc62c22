#include "open_from_outside.h"

#include "app/mdi_main.h"
#include "app/recent_files.h"
#include "document/frm_main.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>

namespace outside {

namespace {

bool usable(const QUrl& url) {
    if (url.isLocalFile()) return !url.toLocalFile().isEmpty();
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

QList<QUrl> urlsFromArguments(const QStringList& args, const QString& cwd) {
    QList<QUrl> urls;
    for (const QString& a : args) {
        if (a.isEmpty()) continue;
        const QUrl url = QUrl::fromUserInput(a, cwd, QUrl::AssumeLocalFile);
        if (usable(url)) urls << url;
    }
    return urls;
}

QList<QUrl> urlsFromMime(const QMimeData* mime) {
    QList<QUrl> urls;
    if (!mime || !mime->hasUrls()) return urls;
    for (const QUrl& url : mime->urls())
        if (usable(url)) urls << url;
    return urls;
}

int openUrls(MDIMain& frame, const QList<QUrl>& urls) {
    int opened = 0;
    for (const QUrl& url : urls) {
        const int n = frame.createDocumentSlot();
        frmMain* doc = frame.Documents[n];
        if (url.isLocalFile()) {
            if (!doc->LoadImageFrom(QDir::cleanPath(url.toLocalFile()))) {
                frame.releaseSlot(n);
                continue;
            }
            frame.showDocument(n);
            frame.documentSaved(doc);
        } else {
            // As "Open from URL..." does with the address typed.
            frame.showDocument(n);
            doc->LoadURL(url.toString());
        }
        ++opened;
    }
    return opened;
}

DropOpener::DropOpener(MDIMain& frame) : QObject(&frame), frame_(frame) {
    frame.setAcceptDrops(true);
    frame.installEventFilter(this);
}

bool DropOpener::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &frame_) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (urlsFromMime(drag->mimeData()).isEmpty()) return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QList<QUrl> urls = urlsFromMime(drop->mimeData());
        if (urls.isEmpty()) return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // Opened once the drop is over: a message about a bad file must not hold the drag.
        QMetaObject::invokeMethod(
            &frame_, [frame = &frame_, urls] { openUrls(*frame, urls); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

} // namespace outside
