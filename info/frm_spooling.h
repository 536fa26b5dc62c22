// frmSpooling: shown while a print job is rendered, with a Cancel button that stops the job at
// its next band.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

class frmSpooling : public QWidget {
    Q_OBJECT
public:
    explicit frmSpooling(QWidget* owner);

    QLabel* Label1 = nullptr;
    QPushButton* cmdCancel = nullptr;
    bool Cancelled = false;
};
