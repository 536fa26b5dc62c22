// The frame's colour swatches: foreground and background (each opens the colour picker), the
// pictures that restore and swap them, and the gradient bar between them, which is also a quick
// colour source.
#pragma once

#include <QWidget>
#include <memory>

class DocumentHost;
class frmColorPicker;
class QLabel;

namespace colour {

class FrameSwatches : public QWidget {
    Q_OBJECT
public:
    // `frame` is disabled while the colour picker is open.
    FrameSwatches(DocumentHost& host, QWidget* frame, QWidget* parent = nullptr);
    ~FrameSwatches() override;

    // Shows the host's colours in the swatches and redraws the gradient.
    void refresh();
    // Redraws the gradient bar from the current swatch colours.
    void UpdateColorState();
    // SelColor(i) clicked: the picker edits swatch i while the frame is disabled.
    void SelColorClick(int swatch);
    void RestoreColorsClick();
    void ShiftColorsClick();
    // A press on the gradient at (x, y): the left button alone sets the foreground, any other
    // combination the background.
    void GradientMouseDown(Qt::MouseButtons buttons, int x, int y);
    int GetSelectedColor() const { return selected_; }
    // The one picker, made on first use and hidden (never destroyed) between requests.
    frmColorPicker& picker();
    const QImage& gradientPicture() const { return gradient_; }

    QLabel* SelColor[2] = {};
    QLabel* RestoreColors = nullptr;
    QLabel* ShiftColors = nullptr;
    QLabel* Gradient = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The swatch colours reach the active document's text boxes and buffer.
    void propagate();

    DocumentHost& host_;
    QWidget* frame_;
    std::unique_ptr<frmColorPicker> picker_;
    int pickerTarget_ = 0;
    int selected_ = 0;
    QImage gradient_;
};

} // namespace colour
