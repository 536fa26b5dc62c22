#include "desktop.h"
#include "scan_frames.h"
#include "scanner.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <atomic>
#include <memory>
#include <mutex>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <thread>

namespace platform {

namespace {

Twain* gInstalled = nullptr;

QString statusText(SANE_Status status) {
    return QString::fromLatin1(sane_strstatus(status));
}

ScanBand bandOf(SANE_Frame f) {
    switch (f) {
    case SANE_FRAME_RGB:
        return ScanBand::Rgb;
    case SANE_FRAME_RED:
        return ScanBand::Red;
    case SANE_FRAME_GREEN:
        return ScanBand::Green;
    case SANE_FRAME_BLUE:
        return ScanBand::Blue;
    default:
        return ScanBand::Gray;
    }
}

// True when the device's current source is a document feeder: it is then emptied page by page.
bool feedsDocuments(SANE_Handle h) {
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (!d) return false;
        if (!d->name || qstrcmp(d->name, SANE_NAME_SCAN_SOURCE) != 0 || d->type != SANE_TYPE_STRING)
            continue;
        QByteArray value(d->size + 1, '\0');
        if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
            SANE_STATUS_GOOD)
            return false;
        const QString source = QString::fromLatin1(value.constData());
        return source.contains(QLatin1String("ADF"), Qt::CaseInsensitive) ||
               source.contains(QLatin1String("Feeder"), Qt::CaseInsensitive);
    }
}

} // namespace

struct SaneTwain::State {
    std::mutex mutex; // the library's set-up and device list
    bool initialised = false;
    std::atomic<int> count{-1}; // -1: not read yet
    std::atomic<bool> listing{false};
    QString chosen;
    std::atomic<SANE_Handle> open{nullptr}; // the device scanning now
    std::atomic<bool> cancelled{false};

    // The devices' names and descriptions, read now (waits for the devices).
    QList<QPair<QString, QString>> list() {
        std::lock_guard lock(mutex);
        QList<QPair<QString, QString>> found;
        const SANE_Device** devices = nullptr;
        if (init() && sane_get_devices(&devices, SANE_FALSE) == SANE_STATUS_GOOD && devices)
            for (int i = 0; devices[i]; ++i)
                found.append({QString::fromLocal8Bit(devices[i]->name),
                              QStringLiteral("%1 %2 (%3)")
                                  .arg(QString::fromLocal8Bit(devices[i]->vendor),
                                       QString::fromLocal8Bit(devices[i]->model),
                                       QString::fromLocal8Bit(devices[i]->name))});
        count = int(found.size());
        return found;
    }

    bool init() {
        if (!initialised) {
            SANE_Int version = 0;
            initialised = sane_init(&version, nullptr) == SANE_STATUS_GOOD;
        }
        return initialised;
    }
};

SaneTwain::SaneTwain() : state_(new State) {}

SaneTwain::~SaneTwain() {
    // A device list still being read keeps the state; the process is ending anyway.
    if (state_->listing) return;
    if (state_->initialised) sane_exit();
    delete state_;
}

QList<QPair<QString, QString>> SaneTwain::devices() {
    return state_->list();
}

int SaneTwain::sourceCount() {
    // The first question starts the listing on another thread: probing devices can take
    // seconds, and a menu must not wait for it.
    if (state_->count < 0 && !state_->listing.exchange(true))
        // The thread holds the state only, which outlives the component while it runs.
        std::thread([state = state_] {
            state->list();
            state->listing = false;
        }).detach();
    return std::max(0, state_->count.load());
}

bool SaneTwain::selectSource(QWidget* owner) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto list = devices();
    QApplication::restoreOverrideCursor();
    if (list.isEmpty()) {
        messageBox(QStringLiteral("No scanner was found."), Buttons::Ok, Icon::Information);
        return false;
    }
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("frmSelectSource"));
    dialog.setWindowTitle(QStringLiteral("Select Source"));
    auto* sources = new QListWidget(&dialog);
    sources->setObjectName(QStringLiteral("lstSources"));
    for (const auto& [name, text] : list) {
        sources->addItem(text);
        if (name == state_->chosen) sources->setCurrentRow(sources->count() - 1);
    }
    if (sources->currentRow() < 0) sources->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(sources, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(sources);
    layout->addWidget(buttons);
    if (desktop().showModal(dialog) != QDialog::Accepted || sources->currentRow() < 0) return false;
    state_->chosen = list[sources->currentRow()].first;
    return true;
}

bool SaneTwain::acquire(QWidget*, const ScanReport& report) {
    QString name = state_->chosen;
    if (name.isEmpty()) {
        const auto list = devices();
        if (list.isEmpty()) throw ScanFailure(QStringLiteral("No scanner was found."));
        name = list.first().first;
    }
    // The device is read on a worker thread; what it delivers comes back to this thread, which
    // keeps handling events (and the progress window's Cancel) meanwhile.
    QEventLoop loop;
    QObject relay;
    QString failure;
    bool stopped = false;
    state_->cancelled = false;
    auto post = [&relay](std::function<void()> fn) {
        QMetaObject::invokeMethod(&relay, std::move(fn), Qt::QueuedConnection);
    };
    auto progress = [&](int percent) {
        if (report.progress && !state_->cancelled && report.progress(percent)) {
            state_->cancelled = true;
            if (SANE_Handle h = state_->open.load()) sane_cancel(h);
        }
    };
    std::thread worker([&, name] {
        QString error;
        SANE_Handle h = nullptr;
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->init())
                error = QStringLiteral("The scanner access could not be started.");
            else if (SANE_Status s = sane_open(name.toLocal8Bit().constData(), &h);
                     s != SANE_STATUS_GOOD)
                error =
                    QStringLiteral("The scanner %1 cannot be opened: %2").arg(name, statusText(s));
        }
        int pages = 0;
        if (h) {
            state_->open = h;
            const bool feeder = feedsDocuments(h);
            while (error.isEmpty() && !state_->cancelled) {
                QImage picture;
                bool gray = false, bilevel = false, lastFrame = false;
                while (error.isEmpty() && !lastFrame && !state_->cancelled) {
                    SANE_Status s = sane_start(h);
                    if (s == SANE_STATUS_NO_DOCS && pages > 0 && picture.isNull()) break;
                    SANE_Parameters p{};
                    if (s == SANE_STATUS_GOOD) s = sane_get_parameters(h, &p);
                    if (s == SANE_STATUS_CANCELLED) break;
                    if (s != SANE_STATUS_GOOD) {
                        error = QStringLiteral("The scanner reports: %1").arg(statusText(s));
                        break;
                    }
                    const qint64 expected = p.lines > 0 ? qint64(p.lines) * p.bytes_per_line : 0;
                    QByteArray data;
                    data.reserve(expected);
                    SANE_Byte chunk[65536];
                    int shown = -1;
                    for (;;) {
                        SANE_Int got = 0;
                        s = sane_read(h, chunk, sizeof chunk, &got);
                        if (s != SANE_STATUS_GOOD) break;
                        data.append(reinterpret_cast<const char*>(chunk), got);
                        const int percent =
                            expected ? int(std::min<qint64>(99, data.size() * 100 / expected)) : 50;
                        if (percent != shown) post([&progress, percent] { progress(percent); });
                        shown = percent;
                    }
                    if (s == SANE_STATUS_CANCELLED) break;
                    if (s != SANE_STATUS_EOF) {
                        error = QStringLiteral("The scanner reports: %1").arg(statusText(s));
                        break;
                    }
                    const ScanFrame frame{bandOf(p.format), p.pixels_per_line, p.bytes_per_line,
                                          p.depth, data};
                    if (!addScanFrame(frame, picture)) {
                        error = QStringLiteral("The scanner sent a picture in a form this program "
                                               "cannot read.");
                        break;
                    }
                    gray = p.format == SANE_FRAME_GRAY;
                    bilevel = gray && p.depth == 1;
                    lastFrame = p.last_frame;
                }
                if (!error.isEmpty() || state_->cancelled || picture.isNull()) break;
                if (gray)
                    picture = picture.convertToFormat(bilevel ? QImage::Format_Mono
                                                              : QImage::Format_Grayscale8);
                ++pages;
                // A page that arrives after the user stopped the scan is dropped with it.
                post([this, &report, picture] {
                    if (report.pageAcquired && !state_->cancelled) report.pageAcquired(picture);
                });
                if (!feeder) break;
            }
            state_->open = nullptr;
            sane_cancel(h);
            sane_close(h);
        }
        post([&, error] {
            failure = error;
            stopped = state_->cancelled;
            loop.quit();
        });
    });
    loop.exec();
    worker.join();
    QCoreApplication::sendPostedEvents(&relay); // nothing the worker posted is lost
    if (!failure.isEmpty()) throw ScanFailure(failure);
    return !stopped;
}

Twain& scanner() {
    if (gInstalled) return *gInstalled;
    static SaneTwain real;
    return real;
}

void setScanner(Twain* t) {
    gInstalled = t;
}

} // namespace platform
