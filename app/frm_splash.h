// frmSplash: the start-up picture; after 500 ms (or a key or click) it gives way to the frame.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // showFrame runs once, when the splash ends.
    explicit frmSplash(std::function<void()> showFrame);

    QLabel* Image1 = nullptr;
    QTimer Timer1;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void finish();
    std::function<void()> showFrame_;
    bool done_ = false;
};
