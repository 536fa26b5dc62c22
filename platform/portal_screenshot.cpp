#include "portal_screenshot.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");

// Receives the request's Response signal.
class ResponseCatcher : public QObject {
    Q_OBJECT
public:
    QEventLoop loop;
    QString uri;
public slots:
    void onResponse(uint response, const QVariantMap& results) {
        if (response == 0) uri = results.value(QStringLiteral("uri")).toString();
        loop.quit();
    }
};

} // namespace

bool portalScreenshotAvailable() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(kService).value();
}

QImage portalScreenshot() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return {};
    // The request object's path is known in advance from the token, so the signal is connected
    // before the call and cannot be missed.
    const QString token = QStringLiteral("pixendra%1").arg(QRandomGenerator::global()->generate());
    QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    ResponseCatcher catcher;
    bus.connect(kService, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), &catcher, SLOT(onResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
        QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("interactive"), false}};
    const QDBusReply<QDBusObjectPath> reply = bus.call(call);
    if (!reply.isValid()) return {};
    // The desktop may show its own confirmation first: a minute for the user to answer.
    QTimer::singleShot(60000, &catcher.loop, &QEventLoop::quit);
    catcher.loop.exec();
    if (catcher.uri.isEmpty()) return {};
    const QString file = QUrl(catcher.uri).toLocalFile();
    QImage picture(file);
    QFile::remove(file); // the portal's copy is ours to delete
    return picture;
}

} // namespace platform

#include "portal_screenshot.moc"
