// frmGetWindow: the window picker of a window capture. The user presses the mouse on the target
// picture and releases it over the window to capture; releasing over the picker keeps it open.
#pragma once

#include <QDialog>

class QLabel;

class frmGetWindow : public QDialog {
    Q_OBJECT
public:
    explicit frmGetWindow(QWidget* owner);

    QLabel* imgSelect = nullptr;
    QLabel* Label1 = nullptr;
    // The picked top-level window; 0 when none.
    quintptr Picked = 0;

    // The end of a drag at a screen point: picks the window there unless it is the picker.
    void dropAt(const QPoint& global);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool dragging_ = false;
};
