// frmHistogram: the histogram window, one for the application. Its drawing area is exactly
// 276 x 100 pixels; the chart is drawn when asked, not when the image changes afterwards.
#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

class frmHistogram : public QWidget {
    Q_OBJECT
public:
    static frmHistogram& instance();

    // The drawing surface: 256 columns, one per intensity level, with 10 pixels either side.
    QLabel* picHistogram = nullptr;
    static constexpr int kWidth = 276, kHeight = 100;

    // Clears the surface and draws the chart of `image` (nothing when the window is hidden).
    void drawHistogram(const QImage& image);
    // What the surface shows now.
    QImage surface() const { return surface_; }

signals:
    // The window closed, for whatever reason.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    frmHistogram();
    QImage surface_;
};
