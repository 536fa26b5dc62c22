// The pattern every adjustment dialog with a preview follows: one control per row of its
// catalogue entry (a scroll bar with its caption label, a check box, the colour button, a list),
// a preview box beside them, the preview check boxes, "&Apply" and "&Cancel". Setup keeps a copy
// of the target scaled to the preview box; each preview runs the entry's call on a fresh copy of
// that scaled image (never on the last preview), with pixel-sized values scaled by the preview's
// scale. Updates are coalesced: however fast a scroll bar moves, at most one preview is pending,
// computed at the latest values. A dialog adds its own controls (bars that are not rows, number
// boxes) through the helpers below.
#pragma once

#include "catalogue/catalogue.h"
#include "catalogue/values.h"
#include "engine/pix_image.h"

#include <QDialog>
#include <QPoint>
#include <QRectF>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    // Which preview boxes the dialog has: the "Real-Time Preview" / "Delayed Preview" pair (at
    // most one checked, neither: a blank preview); "Real-Time Preview" alone (settled changes
    // always preview, a dragged thumb only when checked); or "Delayed Preview" with a "Preview"
    // button (changes preview unless it is checked; the button previews regardless).
    enum class Boxes { Pair, RealTimeOnly, DelayedWithButton };

    PreviewDialog(const catalogue::Entry& entry, QWidget* owner = nullptr,
                  Boxes boxes = Boxes::Pair);
    ~PreviewDialog() override;

    // Builds the scaled preview copy of `target` (not owned) and shows it unchanged.
    void Setup(pix::PixImage& target);
    // `target` is the part of `document` at `at` (a selection); a dialog that previews on the
    // document then shows the whole document with the previewed part drawn in its place. Call
    // before Setup; neither is owned.
    void setBackdrop(const pix::PixImage& document, QPoint at);

    // True once "&Apply" closed the dialog; the caller then applies the values to the target.
    bool Applied = false;
    // The values of the row controls, as the entry's rows read them.
    void readValues(catalogue::Values& values) const;
    // The values a preview uses: pixel-sized rows scaled to the preview.
    catalogue::Values previewValues(const pix::PixImage& preview) const;

    QScrollBar* scroll(int row) const;
    QLabel* caption(int row) const;
    QCheckBox* check(int row) const;
    QComboBox* list(int row) const;
    // The number box beside a scroll bar, when the dialog gave it one.
    QLineEdit* box(const QScrollBar* bar) const;
    QCheckBox* chkRealTimePreview = nullptr; // absent with Boxes::DelayedWithButton
    QCheckBox* chkDelayedPreview = nullptr;  // absent with Boxes::RealTimeOnly
    QPushButton* btnPreview = nullptr;       // only with Boxes::DelayedWithButton
    QPushButton* btnColor = nullptr;         // the colour row's button
    QLabel* picPreview = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnCancel = nullptr;

    // The preview box's side in pixels, and the scale of the preview copy to the target.
    int previewSize() const { return size_; }
    double previewScale() const { return scale_; }
    // Previews computed so far (each coalesced update counts once).
    int previewsComputed() const { return computed_; }
    // The colour row's colour, 0x00BBGGRR.
    uint32_t colour() const { return colour_; }

    // Layout in twips.
    static constexpr int kInnerWidthTwips = 7680;
    static constexpr int kInnerHeightTwips = 4680;
    static constexpr int kScrollLeftTwips = 120;
    static constexpr int kScrollWidthTwips = 3000;
    static constexpr int kCheckTopTwips = 3720;

protected:
    // The area the preview box is centred in, in twips: from `left` to the inner width and from
    // `top` to `bottom`. Its side is the free height less 16 pixels, and with `fitWidth` at most
    // the free width less 8 pixels. By default the area right of the scroll bars, above the
    // preview check boxes.
    struct PreviewArea {
        double left, top, bottom;
        bool fitWidth;
    };
    virtual PreviewArea previewArea() const;
    // Previews of this dialog are drawn onto the backdrop, when there is one.
    bool previewOnDocument = false;
    // A widget's geometry in twips, and placing one by twips.
    QRectF twips(const QWidget* w) const;
    void place(QWidget* w, double left, double top, double width, double height);
    // A label's caption for row k at `value` ("Brightness: 20").
    virtual QString captionText(int row, int value) const;
    // Runs at the end of Setup, once the target and the preview copy are known.
    virtual void setupDone() {}
    // The colour button was clicked: the colour dialog starts at the colour; Cancel keeps it.
    virtual void colourChosen() {}

    pix::PixImage* target() const { return target_; }
    void setColour(uint32_t bgr);
    // A scroll bar that is no row, with its caption label, in the next slot of the left column.
    QScrollBar* addScroll(const QString& name, int minimum, int maximum, int value, int largeChange,
                          QLabel** label = nullptr);
    // A text box with whole-number keys beside `bar`: digits and backspace pass ("-" too with
    // `minus`), Enter validates and is swallowed, other keys are swallowed (with a beep when
    // `beep`). `validate` runs on Enter and when the box loses focus.
    QLineEdit* addNumberBox(QScrollBar* bar, const QString& name, bool minus, bool beep,
                            std::function<void(QLineEdit*)> validate);
    // A text box of the same kind in the next free spot of the left column.
    QLineEdit* addLooseBox(const QString& name, const QString& label, bool minus, bool beep,
                           std::function<void(QLineEdit*)> validate);
    // A control changed; `settled` is false while a thumb is dragged. Previews when the preview
    // boxes say so.
    void changed(bool settled);
    // Previews whatever the boxes say (the "Preview" button).
    void previewNow();
    // True while a preview is computed: value events arriving then are dropped.
    bool busy = false;

private:
    struct ScrollRow {
        int row;
        QScrollBar* bar;
        QLabel* label;
    };
    double takeSlot(double height);
    void onValue(const ScrollRow& r, bool settled);
    void onPreviewBox(QCheckBox* clicked);
    void requestPreview();
    void computePreview();
    void apply();
    bool eventFilter(QObject* watched, QEvent* event) override;

    const catalogue::Entry& entry_;
    const Boxes boxes_;
    std::vector<ScrollRow> rows_;
    std::vector<std::pair<int, QCheckBox*>> checks_;
    std::vector<std::pair<int, QComboBox*>> lists_;
    struct NumberBox {
        QLineEdit* edit;
        const QScrollBar* bar;
        bool minus, beep;
        std::function<void(QLineEdit*)> validate;
    };
    std::vector<NumberBox> numberBoxes_;
    int colourRow_ = -1;
    uint32_t colour_ = 0;
    double nextTop_ = 120;
    pix::PixImage* target_ = nullptr;
    QImage scaled_;   // the unchanged preview copy
    QImage backdrop_; // the scaled document the preview is drawn onto, when previewing on it
    int backdropType_ = 5;
    QPoint backdropAt_;
    const pix::PixImage* document_ = nullptr;
    QPoint documentAt_;
    int scaledType_ = 5;
    int size_ = 0;
    double scale_ = 1.0;
    double tpp_ = 15.0;
    bool pending_ = false;
    bool forced_ = false;
    int computed_ = 0;
};
