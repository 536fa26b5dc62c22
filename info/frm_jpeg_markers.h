// frmJPEGMarkers: the choice of the JPEG application markers APP1..APP14 written with a JPEG.
// Mask bit k is APP(k+1). Cancel and the window's close button both count as cancel.
#pragma once

#include <QDialog>
#include <cstdint>

class QListWidget;
class QPushButton;

class frmJPEGMarkers : public QDialog {
    Q_OBJECT
public:
    explicit frmJPEGMarkers(QWidget* parent = nullptr);

    QListWidget* lstJPEGMarkers = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    uint32_t Mask = 0;
    bool Cancelled = false;
    bool Loading = false;

    // Fills the list from Mask: one item per marker, selected when its bit is set.
    void LoadList();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape counts as Cancel

private:
    void lstJPEGMarkers_Click();
};
