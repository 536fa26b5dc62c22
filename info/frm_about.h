// frmAbout: the program's name, version, licence and the libraries in use, with a button that
// starts the system information program.
#pragma once

#include <QDialog>

class CRegister;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(const CRegister& store, QWidget* owner);

    QLabel* picIcon = nullptr;
    QLabel* SkinLabel2 = nullptr; // product name
    QLabel* SkinLabel3 = nullptr; // version
    QLabel* SkinLabel4 = nullptr; // licence
    QLabel* SkinLabel5 = nullptr; // libraries
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
};
