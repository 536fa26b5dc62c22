// Opening an image from a web address: the download with its progress window, and the checks
// that turn a failed, refused or oversized answer into a clear message.
#include "frm_main.h"

#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "info/frm_progress.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

namespace {

constexpr qint64 kMaxDownloadBytes = qint64(512) << 20; // far above any sane single image
constexpr int kTransferTimeoutMs = 30000;               // no data for this long ends the transfer
const QString kSource = QStringLiteral("LoadURL");

} // namespace

int frmMain::downloadTimeoutMs = kTransferTimeoutMs;

void frmMain::startDownload(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address);
    // The empty window goes: nothing was loaded into it. A cancel (no reason) says nothing.
    auto fail = [this](const QString& why) {
        frmProgress::instance().finish(this);
        const QPointer<frmMain> self(this);
        if (!why.isEmpty()) RaiseError(pix::kErrIo, why, kSource);
        if (!self) return;
        host_.releaseSlot(DocumentIndex);
        host_.closeSlot(DocumentIndex);
    };
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty())
        return fail(QStringLiteral("Only http and https addresses can be opened: %1").arg(address));

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(downloadTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager.get(request);
    QByteArray body;
    QString error;
    bool cancelled = false;
    frmProgress& progress = frmProgress::instance();
    progress.report(this, 0, QStringLiteral("Downloading Image"), nullptr);

    // The window cannot close while the progress window reports for it (KillMe refuses), but
    // nothing below touches it should it be gone all the same.
    const QPointer<frmMain> self(this);
    QEventLoop loop;
    // Cancel stops a stalled transfer at once, not only at its next progress report.
    connect(progress.btnCancel, &QPushButton::clicked, &loop, [&] {
        cancelled = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (!self) return reply->abort();
        if (total > kMaxDownloadBytes || received > kMaxDownloadBytes) {
            error =
                QStringLiteral("The download is larger than %1 MB").arg(kMaxDownloadBytes >> 20);
            reply->abort();
            return;
        }
        bool cancel = false;
        if (total > 0) {
            const int percent = int(std::lround(double(received) / double(total) * 100.0));
            if (percent > 0 && percent < 100) progress.report(this, percent, QString(), &cancel);
        } else {
            progress.reportBusy(this, QStringLiteral("Downloading Image"), &cancel);
        }
        if (cancel) {
            cancelled = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > kMaxDownloadBytes && error.isEmpty()) {
            error =
                QStringLiteral("The download is larger than %1 MB").arg(kMaxDownloadBytes >> 20);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    if (reply->isOpen()) body += reply->readAll();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (error.isEmpty() && !cancelled && status >= 400)
        error = QStringLiteral("The server answered with HTTP status %1").arg(status);
    if (error.isEmpty() && !cancelled && reply->error() != QNetworkReply::NoError)
        error = reply->error() == QNetworkReply::OperationCanceledError
                    ? QStringLiteral("The server did not answer in time")
                    : reply->errorString();
    reply->deleteLater();
    if (!self) return;
    if (cancelled) return fail(QString());
    if (!error.isEmpty()) return fail(error);

    progress.report(this, 100, QString(), nullptr);
    try {
        Pix->image().LoadFromMemory(body, url.fileName(), QStringLiteral("no undo"));
        Pix->image().ClearUndo();
        setWindowTitle(QFileInfo(url.path()).fileName() + QStringLiteral("@100%"));
        ApplySaveSettings();
    } catch (const pix::PixError& e) {
        fail(QStringLiteral("The address did not give an image the program can read: %1")
                 .arg(e.description()));
    }
}
