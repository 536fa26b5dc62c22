#include "frm_histogram.h"

#include "engine/ops/intensity_chart.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>

frmHistogram& frmHistogram::instance() {
    static frmHistogram* window = new frmHistogram();
    return *window;
}

frmHistogram::frmHistogram() : QWidget(nullptr, Qt::Tool) {
    setObjectName(QStringLiteral("frmHistogram"));
    setWindowTitle(QStringLiteral("Histogram"));
    // The window's inner area is the drawing surface itself, whatever the frame around it.
    setFixedSize(kWidth, kHeight);
    picHistogram = new QLabel(this);
    picHistogram->setObjectName(QStringLiteral("picHistogram"));
    picHistogram->setGeometry(0, 0, kWidth, kHeight);
    surface_ = QImage(kWidth, kHeight, QImage::Format_RGB32);
    surface_.fill(Qt::white);
    picHistogram->setPixmap(QPixmap::fromImage(surface_));
}

void frmHistogram::drawHistogram(const QImage& image) {
    if (!isVisible()) return;
    surface_ = pix::ops::histogramChart(pix::ops::intensityHistogram(image), 10, kHeight);
    picHistogram->setPixmap(QPixmap::fromImage(surface_));
    picHistogram->update();
}

void frmHistogram::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}
