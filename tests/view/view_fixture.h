// A frame with one document holding a known picture, and helpers that drive its control
// with synthesized mouse events.
#pragma once

#include "../ui/frame_fixture.h"

#include "engine/ctrl/pix_ctrl.h"

#include <QMdiSubWindow>
#include <QTest>

class ViewTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        doc = newDocument(100, 80);
        doc->parentWidget()->resize(600, 500);
        ctrl = doc->Pix;
        QApplication::processEvents();
    }
    // Viewport position of an image point.
    QPoint at(double x, double y) const { return ctrl->imageToControl(QPointF(x, y)).toPoint(); }
    void drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton) {
        QWidget* vp = ctrl->viewport();
        QTest::mousePress(vp, button, Qt::NoModifier, from);
        QTest::mouseMove(vp, (from + to) / 2);
        QTest::mouseMove(vp, to);
        QTest::mouseRelease(vp, button, Qt::NoModifier, to);
    }
    void click(QPoint p, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(ctrl->viewport(), button, Qt::NoModifier, p);
    }
    void wheel(int angle) {
        QWheelEvent e(QPointF(50, 50), ctrl->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ctrl->viewport(), &e);
    }
    // Fills the image with a left half of one colour and a right half of another.
    void twoHalves(QRgb left, QRgb right) {
        doc->Pix->image().modifyPage(QStringLiteral("no undo"), [&](pix::PixPage& p) {
            for (int y = 0; y < p.image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(p.image.scanLine(y));
                for (int x = 0; x < p.image.width(); ++x)
                    row[x] = x < p.image.width() / 2 ? left : right;
            }
        });
    }

    frmMain* doc = nullptr;
    pix::PixCtrl* ctrl = nullptr;
};
