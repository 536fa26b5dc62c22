#include "frm_splash.h"

#include "platform/artwork.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

frmSplash::frmSplash(std::function<void()> showFrame)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint),
      showFrame_(std::move(showFrame)) {
    setAttribute(Qt::WA_DeleteOnClose);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    // Drawn at the screen's pixel ratio, so it is sharp at any scale.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QImage picture = artwork::splashPicture(screen ? screen->devicePixelRatio() : 1.0);
    Image1->setPixmap(QPixmap::fromImage(picture));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image1);
    setFixedSize(picture.deviceIndependentSize().toSize());
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
    Timer1.setSingleShot(true);
    Timer1.setInterval(500);
    connect(&Timer1, &QTimer::timeout, this, &frmSplash::finish);
    Timer1.start();
}

void frmSplash::finish() {
    if (done_) return;
    done_ = true;
    Timer1.stop();
    hide();
    if (showFrame_) showFrame_();
    close();
}

void frmSplash::keyPressEvent(QKeyEvent*) {
    finish();
}
void frmSplash::mousePressEvent(QMouseEvent*) {
    finish();
}
