// frmColorPicker: the program's own colour chooser — a 256 x 256 field generated from a base
// colour, the hue strip that sets the base, 35 system-colour wells, the read-outs and the
// comparison swatch. One instance is shown and hidden again for every request.
#pragma once

#include "colour/colour_math.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmColorPicker : public QDialog {
    Q_OBJECT
public:
    explicit frmColorPicker(QWidget* parent = nullptr);
    ~frmColorPicker() override;

    // The colour being replaced, shown in the lower band of the comparison swatch.
    uint32_t OldColor = 0;
    // Runs with the chosen colour when OK is pressed; closed runs after OK and Cancel alike.
    std::function<void(uint32_t)> chosen;
    std::function<void()> closed;

    void DrawColors(int r, int g, int b);
    // The colour under the marker (0x00BBGGRR).
    uint32_t markerColour() const;
    QPoint marker() const { return marker_; }
    // Marker update: clamps to the field, redraws marker and read-outs (no regeneration).
    void moveMarker(int x, int y);
    // The hue strip released at row y: its colour becomes the base.
    void pickHue(int y);
    void selectSystemColour(int index);
    const QImage& field() const { return field_; }
    colour::Rgb base() const { return base_; }
    // Times the field was generated (marker moves must not regenerate it).
    int generations() const { return generations_; }

    QLabel* lblTitle = nullptr;
    QWidget* picColors = nullptr;      // the field
    QWidget* picColorSlider = nullptr; // the hue strip
    QLabel* lblSlider = nullptr;
    QLabel* picTheColor = nullptr;
    QList<QPushButton*> picSysColor;
    QLineEdit* txtRGB[3] = {};
    QLineEdit* txtRp = nullptr;
    QLineEdit* txtGp = nullptr;
    QLineEdit* txtBp = nullptr;
    QLineEdit* txtHEX = nullptr;
    QCheckBox* chkWebSafe = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Closing the window or Escape counts as Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateReadouts();
    void paintComparison();
    // A decimal box's rules: restores the saved text when not numeric or outside 0..255.
    bool checkBox(QLineEdit* box);
    void drawFromBoxes();
    void finish(bool ok);

    QImage field_;
    colour::Rgb base_;
    QPoint marker_{255, 0};
    QString savedText_;
    int generations_ = 0;
};
