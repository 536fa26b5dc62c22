// frmSelector: the small value slider that opens beside a palette drop-down button. Its block
// is dragged along the bar and never leaves it.
#pragma once

#include <QWidget>
#include <functional>

class frmSelector : public QWidget {
    Q_OBJECT
public:
    explicit frmSelector(QWidget* parent = nullptr);

    QWidget* ScrollBar = nullptr;
    QWidget* ScrollBlock = nullptr;
    int tag = -1; // the drop-down the slider serves

    // Where the block stands, as a fraction 0..1 of the bar's free length.
    double position() const;
    void setPosition(double fraction);
    // Runs after every drag step.
    std::function<void()> moved;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    bool dragging_ = false;
    int pressX_ = 0;
};
