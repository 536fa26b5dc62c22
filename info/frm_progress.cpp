#include "frm_progress.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

frmProgress& frmProgress::instance() {
    static frmProgress* window = new frmProgress();
    return *window;
}

frmProgress::frmProgress() : QWidget(nullptr, Qt::Tool | Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("Progress"));
    setFixedSize(320, 100);
    lblProgressText = new QLabel(this);
    lblProgressText->setObjectName(QStringLiteral("lblProgressText"));
    lblProgressText->setGeometry(12, 8, 296, 20);
    picProgress = new QWidget(this);
    picProgress->setObjectName(QStringLiteral("picProgress"));
    picProgress->setGeometry(12, 32, 296, 20);
    picProgress->setStyleSheet(
        QStringLiteral("#picProgress { border: 1px solid gray; background: white; }"));
    picInner = new QWidget(picProgress);
    picInner->setObjectName(QStringLiteral("picInner"));
    picInner->setStyleSheet(QStringLiteral("background: #3070c0;"));
    picInner->setGeometry(0, 0, 1, picProgress->height());
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(120, 62, 80, 28);
    connect(btnCancel, &QPushButton::clicked, this, [this] { Cancelled = true; });
}

void frmProgress::begin(QWidget* document, const QString& text) {
    picInner->setGeometry(0, 0, 1, picProgress->height());
    setWindowTitle(QStringLiteral("Progress"));
    lblProgressText->setText(text);
    Cancelled = false;
    document_ = document;
    if (document) document->setEnabled(false);
    if (isHidden() && document) {
        // Kept above the main frame and shown over its middle, where the user is looking.
        // A document still being opened is not in the frame yet: the shown main window then.
        QWidget* frame = document->window();
        if (!frame->isVisible()) {
            frame = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->inherits("QMainWindow")) frame = w;
        }
        if (frame && frame != this) {
            winId();
            if (windowHandle() && frame->windowHandle())
                windowHandle()->setTransientParent(frame->windowHandle());
            move(frame->geometry().center() - rect().center());
        }
    }
    show();
    repaint();
}

void frmProgress::end(QWidget* document) {
    hide();
    document_ = nullptr;
    if (document) {
        document->setEnabled(true);
        document->setFocus();
    }
}

void frmProgress::report(QWidget* document, int percent, const QString& text, bool* cancel) {
    if (percent <= 0) return begin(document, text);
    if (isHidden()) begin(document, text); // an operation that started past 0 %
    if (percent >= 100) {
        picInner->setGeometry(0, 0, picProgress->width(), picProgress->height());
        setWindowTitle(QStringLiteral("Progress 100%"));
        return end(document);
    }
    QApplication::processEvents();
    picInner->setGeometry(0, 0, picProgress->width() * percent / 100, picProgress->height());
    setWindowTitle(QStringLiteral("Progress %1%").arg(percent));
    if (Cancelled) {
        end(document);
        if (cancel) *cancel = true;
    }
}

void frmProgress::finish(QWidget* document) {
    if (!isHidden()) end(document);
}

void frmProgress::reportBusy(QWidget* document, const QString& text, bool* cancel) {
    if (isHidden()) begin(document, text);
    QApplication::processEvents();
    // Busy: a short block sweeps across the bar.
    const int w = picProgress->width() / 5;
    const int x = (picInner->x() + 8) % std::max(1, picProgress->width() - w);
    picInner->setGeometry(x, 0, w, picProgress->height());
    setWindowTitle(QStringLiteral("Progress"));
    if (Cancelled) {
        end(document);
        if (cancel) *cancel = true;
    }
}

bool frmProgress::isReportingFor(const QWidget* document) const {
    return document && isVisible() && document_ == document;
}
