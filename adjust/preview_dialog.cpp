#include "preview_dialog.h"

#include "engine/effects.h"
#include "engine/pix_error.h"
#include "platform/desktop.h"
#include "platform/vb.h"

#include <QCheckBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

namespace {

constexpr int kRowPitchTwips = 720; // label and scroll bar of one row
constexpr int kLabelHeightTwips = 255;
constexpr int kScrollHeightTwips = 255;
constexpr int kButtonWidthTwips = 1215;
constexpr int kButtonHeightTwips = 375;

} // namespace

PreviewDialog::PreviewDialog(const catalogue::Entry& entry, QWidget* owner)
    : QDialog(owner), entry_(entry) {
    setWindowTitle(entry.title);
    tpp_ = platform::desktop().twipsPerPixel();
    setFixedSize(vb::twipsToPixels(kInnerWidthTwips, tpp_),
                 vb::twipsToPixels(kInnerHeightTwips, tpp_));

    int slot = 0;
    for (int k = 0; k < int(entry.rows.size()); ++k) {
        const catalogue::Row& row = entry.rows[size_t(k)];
        if (row.kind != catalogue::RowKind::Scroll) continue;
        QString name = row.caption;
        name.remove(QLatin1Char(' '));
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("lbl") + name);
        auto* bar = new QScrollBar(Qt::Horizontal, this);
        bar->setObjectName(QStringLiteral("scr") + name);
        bar->setRange(row.minimum, row.maximum);
        bar->setPageStep(row.largeChange);
        bar->setValue(int(vb::leadingNumber(row.text)));
        const double top = 120 + slot * kRowPitchTwips;
        place(label, kScrollLeftTwips, top, kScrollWidthTwips, kLabelHeightTwips);
        place(bar, kScrollLeftTwips, top + kLabelHeightTwips, kScrollWidthTwips,
              kScrollHeightTwips);
        rows_.push_back({k, bar, label});
        label->setText(captionText(k, bar->value()));
        ++slot;
    }
    for (const ScrollRow& r : rows_) {
        // A moving thumb is the Scroll event; anything else (release, arrows, page, keys) the
        // Change event.
        connect(r.bar, &QScrollBar::valueChanged, this,
                [this, r] { onValue(r, !r.bar->isSliderDown()); });
        connect(r.bar, &QScrollBar::sliderReleased, this, [this, r] { onValue(r, true); });
    }

    chkRealTimePreview = new QCheckBox(QStringLiteral("Real-Time Preview"), this);
    chkRealTimePreview->setObjectName(QStringLiteral("chkRealTimePreview"));
    chkRealTimePreview->setChecked(true);
    chkDelayedPreview = new QCheckBox(QStringLiteral("Delayed Preview"), this);
    chkDelayedPreview->setObjectName(QStringLiteral("chkDelayedPreview"));
    place(chkRealTimePreview, kScrollLeftTwips, kCheckTopTwips, 2400, kLabelHeightTwips);
    place(chkDelayedPreview, kScrollLeftTwips + 2520, kCheckTopTwips, 2400, kLabelHeightTwips);
    connect(chkRealTimePreview, &QCheckBox::clicked, this,
            [this] { onPreviewBox(chkRealTimePreview); });
    connect(chkDelayedPreview, &QCheckBox::clicked, this,
            [this] { onPreviewBox(chkDelayedPreview); });

    picPreview = new QLabel(this);
    picPreview->setObjectName(QStringLiteral("picPreview"));

    btnApply = new QPushButton(QStringLiteral("&Apply"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    const double buttonTop = kInnerHeightTwips - kButtonHeightTwips - 120;
    place(btnApply, kInnerWidthTwips - 2 * kButtonWidthTwips - 240, buttonTop, kButtonWidthTwips,
          kButtonHeightTwips);
    place(btnCancel, kInnerWidthTwips - kButtonWidthTwips - 120, buttonTop, kButtonWidthTwips,
          kButtonHeightTwips);
    btnApply->setDefault(true);
    connect(btnApply, &QPushButton::clicked, this, &PreviewDialog::apply);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

PreviewDialog::~PreviewDialog() = default;

void PreviewDialog::place(QWidget* w, double left, double top, double width, double height) {
    w->setGeometry(vb::twipsToPixels(left, tpp_), vb::twipsToPixels(top, tpp_),
                   vb::twipsToPixels(width, tpp_), vb::twipsToPixels(height, tpp_));
}

QString PreviewDialog::captionText(int row, int value) const {
    return entry_.rows[size_t(row)].caption + QStringLiteral(": ") + QString::number(value);
}

QScrollBar* PreviewDialog::scroll(int row) const {
    for (const ScrollRow& r : rows_)
        if (r.row == row) return r.bar;
    return nullptr;
}

QLabel* PreviewDialog::caption(int row) const {
    for (const ScrollRow& r : rows_)
        if (r.row == row) return r.label;
    return nullptr;
}

void PreviewDialog::Setup(pix::PixImage& target) {
    target_ = &target;
    // The free area right of the scroll bars and above the check boxes, less a margin.
    const int maxW =
        vb::toInt32((kInnerWidthTwips - kScrollLeftTwips - kScrollWidthTwips) / tpp_ - 8);
    const int maxH = vb::toInt32(kCheckTopTwips / tpp_ - 16);
    size_ = maxW > maxH ? maxH : maxW;

    pix::PixImage preview;
    preview.CopyFrom(target, QStringLiteral("No Undo"));
    pix::Effects::FitResize(preview, std::max(1, size_), QStringLiteral("No Undo"));
    scaled_ = preview.image();
    scaledType_ = preview.imageType();
    scale_ = target.width() > 0 ? double(scaled_.width()) / target.width() : 1.0;

    // The box takes the preview's size and is centred in the free area.
    const double boxW = vb::pixelsToTwips(scaled_.width(), tpp_);
    const double boxH = vb::pixelsToTwips(scaled_.height(), tpp_);
    const double freeLeft = kScrollLeftTwips + kScrollWidthTwips;
    place(picPreview, freeLeft + (kInnerWidthTwips - freeLeft - boxW) / 2,
          (kCheckTopTwips - boxH) / 2, boxW, boxH);
    picPreview->setPixmap(QPixmap::fromImage(scaled_));
}

void PreviewDialog::onValue(const ScrollRow& r, bool settled) {
    r.label->setText(captionText(r.row, r.bar->value()));
    const bool update =
        chkRealTimePreview->isChecked() || (settled && chkDelayedPreview->isChecked());
    if (update) requestPreview();
}

void PreviewDialog::onPreviewBox(QCheckBox* clicked) {
    // At most one of the pair is checked; with neither the preview is blank.
    QCheckBox* other = clicked == chkRealTimePreview ? chkDelayedPreview : chkRealTimePreview;
    if (clicked->isChecked()) other->setChecked(false);
    if (!chkRealTimePreview->isChecked() && !chkDelayedPreview->isChecked())
        picPreview->clear();
    else
        requestPreview();
}

void PreviewDialog::requestPreview() {
    if (pending_ || scaled_.isNull()) return;
    pending_ = true;
    // Runs once the queued input has been handled, at the values the bars have by then.
    QTimer::singleShot(0, this, &PreviewDialog::computePreview);
}

void PreviewDialog::readValues(catalogue::Values& values) const {
    for (const ScrollRow& r : rows_) values[r.row].text = QString::number(r.bar->value());
}

void PreviewDialog::computePreview() {
    pending_ = false;
    if (!chkRealTimePreview->isChecked() && !chkDelayedPreview->isChecked()) return;
    pix::PixImage preview;
    preview.setImage(scaled_, scaledType_, QStringLiteral("No Undo"));
    catalogue::Values values(entry_, preview);
    readValues(values);
    // Lengths in image pixels shrink with the preview.
    for (int k = 0; k < values.size(); ++k)
        if (entry_.rows[size_t(k)].pixelSized)
            values[k].text = QString::number(values.real(k) * scale_);
    try {
        entry_.call(preview, values);
    } catch (const pix::PixError& e) {
        // A preview that cannot be computed says why in its box; Apply reports its own failure.
        picPreview->setText(e.description());
        return;
    }
    picPreview->setPixmap(QPixmap::fromImage(preview.image()));
    ++computed_;
}

void PreviewDialog::apply() {
    Applied = true;
    accept();
}
