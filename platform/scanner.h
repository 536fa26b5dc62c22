// The scanner component (the frame's "Twain"): the sources the desktop's scanner access offers,
// a selection dialog, and acquisition of every page the chosen source delivers, behind an
// interface so that window tests can stand in for the device.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

class QWidget;

namespace platform {

// A scan that failed: the device's or the system's reason, for the user.
struct ScanFailure : std::runtime_error {
    explicit ScanFailure(const QString& reason) : std::runtime_error(reason.toStdString()) {}
};

// What an acquisition reports while it runs, on the user-interface thread.
struct ScanReport {
    // Each finished page, in arrival order.
    std::function<void(const QImage& page)> pageAcquired;
    // The progress of the page being scanned (0..100); true stops the scan.
    std::function<bool(int percent)> progress;
};

class Twain {
public:
    virtual ~Twain() = default;
    // Number of sources known now; never waits for the devices to answer.
    virtual int sourceCount() = 0;
    // Shows the list of sources; false when the user cancelled or there is none.
    virtual bool selectSource(QWidget* owner) = 0;
    // Scans every page the chosen source (else the first) delivers. Returns false when the
    // report stopped it; throws ScanFailure when the device fails or disappears.
    virtual bool acquire(QWidget* owner, const ScanReport& report) = 0;
};

// Scanners through SANE; the device list is read on another thread.
class SaneTwain : public Twain {
public:
    SaneTwain();
    ~SaneTwain() override;
    int sourceCount() override;
    bool selectSource(QWidget* owner) override;
    bool acquire(QWidget* owner, const ScanReport& report) override;
    // The device names and descriptions, read now (waits for the devices).
    QList<QPair<QString, QString>> devices();

private:
    struct State;
    State* state_;
};

// The scanner in use: the real one unless a test installed another.
Twain& scanner();
// Installs a scanner (nullptr restores the real one). The caller keeps ownership.
void setScanner(Twain* t);

} // namespace platform
