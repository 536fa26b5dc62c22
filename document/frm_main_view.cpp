// The document's view and history actions: zoom steps and fits, undo and redo.
#include "frm_main.h"

#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"

#include <QKeyEvent>
#include <QScopeGuard>

namespace {
constexpr double kZoomInFactor = 1.25;
constexpr double kZoomOutFactor = 0.75; // not the inverse of 1.25: in then out does not return
constexpr double kMaxZoomPercent = 1600.0;
constexpr double kMinZoomPercent = 0.5;
} // namespace

double frmMain::Zoom() const {
    return Pix->ZoomFactor();
}

void frmMain::ZoomIn() {
    if (Pix->ZoomFactor() * 100.0 <= kMaxZoomPercent)
        Pix->setZoomFactor(Pix->ZoomFactor() * kZoomInFactor);
}

void frmMain::ZoomOut() {
    if (Pix->ZoomFactor() * 100.0 >= kMinZoomPercent)
        Pix->setZoomFactor(Pix->ZoomFactor() * kZoomOutFactor);
}

void frmMain::SetZoomValue(int16_t percent) {
    const double current = Pix->ZoomFactor() * 100.0;
    if (current >= kMinZoomPercent && current <= kMaxZoomPercent)
        Pix->setZoomFactor(percent / 100.0);
}

void frmMain::ZoomType(int16_t index) {
    if (index == 0) return Pix->setAutoFit(false);
    // A one-time fit in the chosen mode.
    Pix->setAutoFit(true);
    Pix->setFitMode(index);
    Pix->setAutoFit(false);
}

// A step that cannot be restored (memory too short) throws; drawing resumes either way.
void frmMain::Undo() {
    Pix->setRedraw(false);
    const auto redraw = qScopeGuard([this] { Pix->setRedraw(true); });
    Pix->image().UndoStep();
}

void frmMain::Redo() {
    Pix->setRedraw(false);
    const auto redraw = qScopeGuard([this] { Pix->setRedraw(true); });
    Pix->image().RedoStep();
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    // Ctrl alone (the keypad flag aside) with plus or minus, on the main keyboard or the pad.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::ControlModifier) {
        const int key = event->key();
        if (key == Qt::Key_Plus || key == Qt::Key_Equal) return ZoomIn();
        if (key == Qt::Key_Minus) return ZoomOut();
    }
    QWidget::keyPressEvent(event);
}
