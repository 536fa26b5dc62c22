// A screen and a scanner that answer from the test: captures return flat pictures of the asked
// size, the scanner delivers the pictures it was given. Installed for the object's lifetime.
#pragma once

#include "platform/capture.h"
#include "platform/scanner.h"

#include <QPointer>
#include <QWidget>

namespace pixtest {

class ScriptedCapture : public platform::Capture {
public:
    ScriptedCapture() { platform::setCapture(this); }
    ~ScriptedCapture() override { platform::setCapture(nullptr); }

    QPointer<QWidget> frame; // whose visibility each capture records
    QString unavailable;
    QList<bool> frameVisibleAtCapture;
    std::function<void(const QRect&)> pendingRectangle;
    QList<quintptr> windowsCaptured;

    QString unavailableReason() const override { return unavailable; }
    QImage captureScreen() override { return picture(QSize(40, 30)); }
    QImage captureRect(const QRect& area) override { return picture(area.size()); }
    QImage captureWindow(quintptr window) override {
        windowsCaptured << window;
        return picture(QSize(50, 20));
    }
    quintptr windowAt(const QPoint&) const override { return 77; }
    bool canPickWindows() const override { return true; }
    void selectRectangle(std::function<void(const QRect&)> finished) override {
        pendingRectangle = std::move(finished);
    }

private:
    QImage picture(const QSize& size) {
        frameVisibleAtCapture << (frame && frame->isVisible());
        QImage p(size, QImage::Format_RGB32);
        p.fill(qRgb(10, 200, 30));
        return p;
    }
};

class ScriptedScanner : public platform::Twain {
public:
    ScriptedScanner() { platform::setScanner(this); }
    ~ScriptedScanner() override { platform::setScanner(nullptr); }

    int sources = 0;
    QList<QImage> pages;  // delivered in order by each acquisition
    QString failAfterAll; // thrown once the pages are delivered
    int acquisitions = 0;

    int sourceCount() override { return sources; }
    bool selectSource(QWidget*) override { return sources > 0; }
    bool acquire(QWidget*, const platform::ScanReport& report) override {
        ++acquisitions;
        for (const QImage& p : pages) {
            if (report.progress && report.progress(50)) return false;
            report.pageAcquired(p);
        }
        if (!failAfterAll.isEmpty()) throw platform::ScanFailure(failAfterAll);
        return true;
    }
};

} // namespace pixtest
