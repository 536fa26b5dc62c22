// frmDialog: the generic parameter dialog. Callers add rows (text, colour, list, check, option),
// show it modally and read the controls back by row index.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVariant>
#include <vector>

class frmDialog : public QDialog {
    Q_OBJECT
public:
    enum DialogRowKind { kText = 0, kColour = 1, kList = 2, kCheck = 3, kOption = 4 };

    explicit frmDialog(QWidget* owner = nullptr);
    ~frmDialog() override;

    // Appends row RowCount with its caption and initial value; kinds above 4 add a label only.
    void AddControl(const QString& caption, const QVariant& value, int kind);

    int RowCount = 0;
    bool Adding = false;
    QString FocusText;
    bool Cancelled = false;

    // Row controls by row index; nullptr when row k is not of that kind.
    QLabel* lblLabel(int k) const;
    QLineEdit* txtText(int k) const;
    QPushButton* cmdColor(int k) const;
    QComboBox* cmbCombo(int k) const;
    QCheckBox* chkCheck(int k) const;
    QRadioButton* optOption(int k) const;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QWidget* picBottom = nullptr;

    // The colour shown by colour row k, 0x00BBGGRR.
    uint32_t colorValue(int k) const;
    // Geometry in twips, as laid out.
    int labelTopTwips(int k) const;
    int clientHeightTwips() const { return clientHeightTwips_; }
    static constexpr int kClientWidthTwips = 5415;
    static constexpr int kRowGapTwips = 190;
    static constexpr int kBottomHeightTwips = 735;

signals:
    void ControlChanged(QWidget* control, int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    struct Row {
        int kind = -1;
        int labelTop = 0; // twips
        QLabel* label = nullptr;
        QWidget* control = nullptr;
        uint32_t colour = 0;
    };
    void place(QWidget* w, int left, int top, int width, int height);
    void layoutRows();
    void setButtonColour(int k, uint32_t bgr);
    void chooseColour(int k);
    void guardText(int k, bool allowEmpty);
    void emitChanged(QWidget* control, int k);

    std::vector<Row> rows_;
    int clientHeightTwips_ = 0;
    double tpp_ = 15.0;
    bool closingFromCaller_ = false;
};
