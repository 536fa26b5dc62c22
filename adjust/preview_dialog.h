// The pattern every adjustment dialog with a preview follows: one scroll bar and caption label per
// scroll row of its catalogue entry, a preview box beside them, the "Real-Time Preview" /
// "Delayed Preview" pair, "&Apply" and "&Cancel". Setup keeps a copy of the target scaled to the
// preview box; each preview runs the entry's call on a fresh copy of that scaled image (never on
// the last preview), with pixel-sized values scaled by the preview's scale. Updates are coalesced:
// however fast a scroll bar moves, at most one preview is pending, computed at the latest values.
#pragma once

#include "catalogue/catalogue.h"
#include "catalogue/values.h"
#include "engine/pix_image.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

class PreviewDialog : public QDialog {
    Q_OBJECT
public:
    PreviewDialog(const catalogue::Entry& entry, QWidget* owner = nullptr);
    ~PreviewDialog() override;

    // Builds the scaled preview copy of `target` (not owned) and shows it unchanged.
    void Setup(pix::PixImage& target);

    // True once "&Apply" closed the dialog; the caller then applies the values to the target.
    bool Applied = false;
    // The values of the scroll bars, as the entry's rows read them.
    void readValues(catalogue::Values& values) const;

    QScrollBar* scroll(int row) const;
    QLabel* caption(int row) const;
    QCheckBox* chkRealTimePreview = nullptr;
    QCheckBox* chkDelayedPreview = nullptr;
    QLabel* picPreview = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnCancel = nullptr;

    // The preview box's side in pixels, and the scale of the preview copy to the target.
    int previewSize() const { return size_; }
    double previewScale() const { return scale_; }
    // Previews computed so far (each coalesced update counts once).
    int previewsComputed() const { return computed_; }

    // Layout in twips.
    static constexpr int kInnerWidthTwips = 7680;
    static constexpr int kInnerHeightTwips = 4680;
    static constexpr int kScrollLeftTwips = 120;
    static constexpr int kScrollWidthTwips = 3000;
    static constexpr int kCheckTopTwips = 3720;

protected:
    // A label's caption for row k at `value` ("Brightness: 20").
    virtual QString captionText(int row, int value) const;

private:
    struct ScrollRow {
        int row;
        QScrollBar* bar;
        QLabel* label;
    };
    void place(QWidget* w, double left, double top, double width, double height);
    void onValue(const ScrollRow& r, bool settled);
    void onPreviewBox(QCheckBox* clicked);
    void requestPreview();
    void computePreview();
    void apply();

    const catalogue::Entry& entry_;
    std::vector<ScrollRow> rows_;
    pix::PixImage* target_ = nullptr;
    QImage scaled_; // the unchanged preview copy
    int scaledType_ = 5;
    int size_ = 0;
    double scale_ = 1.0;
    double tpp_ = 15.0;
    bool pending_ = false;
    int computed_ = 0;
};
