#include "preview_dialog.h"

#include "engine/draw.h"
#include "engine/effects.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "platform/desktop.h"
#include "platform/vb.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kRowPitchTwips = 720;   // label and scroll bar of one row
constexpr int kSmallPitchTwips = 360; // a check box, list or button row
constexpr int kLabelHeightTwips = 255;
constexpr int kScrollHeightTwips = 255;
constexpr int kBoxWidthTwips = 600;
constexpr int kButtonWidthTwips = 1215;
constexpr int kButtonHeightTwips = 375;

QString withoutSpaces(QString s) {
    s.remove(QLatin1Char(' '));
    return s;
}

QString colourStyle(uint32_t bgr) {
    return QStringLiteral("background-color: #%1%2%3")
        .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(bgr >> 8 & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(bgr >> 16 & 0xFF, 2, 16, QLatin1Char('0'));
}

} // namespace

PreviewDialog::PreviewDialog(const catalogue::Entry& entry, QWidget* owner, Boxes boxes)
    : QDialog(owner), entry_(entry), boxes_(boxes) {
    setWindowTitle(entry.title);
    tpp_ = platform::desktop().twipsPerPixel();
    setFixedSize(vb::twipsToPixels(kInnerWidthTwips, tpp_),
                 vb::twipsToPixels(kInnerHeightTwips, tpp_));

    for (int k = 0; k < int(entry.rows.size()); ++k) {
        const catalogue::Row& row = entry.rows[size_t(k)];
        const QString name = withoutSpaces(row.caption);
        switch (row.kind) {
        case catalogue::RowKind::Scroll: {
            QLabel* label = nullptr;
            QScrollBar* bar = addScroll(name, row.minimum, row.maximum,
                                        int(vb::leadingNumber(row.text)), row.largeChange, &label);
            rows_.push_back({k, bar, label});
            label->setText(captionText(k, bar->value()));
            break;
        }
        case catalogue::RowKind::Check: {
            auto* box = new QCheckBox(row.caption, this);
            box->setObjectName(QStringLiteral("chk") + name);
            box->setChecked(row.ticked);
            place(box, kScrollLeftTwips, takeSlot(kSmallPitchTwips), kScrollWidthTwips,
                  kLabelHeightTwips);
            connect(box, &QCheckBox::clicked, this, [this] { changed(true); });
            checks_.push_back({k, box});
            break;
        }
        case catalogue::RowKind::List: {
            auto* combo = new QComboBox(this);
            combo->setObjectName(QStringLiteral("lst") + name);
            combo->addItems(row.items);
            combo->setCurrentIndex(row.selected);
            place(combo, kScrollLeftTwips, takeSlot(kSmallPitchTwips), kScrollWidthTwips,
                  kScrollHeightTwips + 60);
            connect(combo, &QComboBox::currentIndexChanged, this, [this] { changed(true); });
            lists_.push_back({k, combo});
            break;
        }
        case catalogue::RowKind::Colour: {
            colourRow_ = k;
            btnColor = new QPushButton(this);
            btnColor->setObjectName(QStringLiteral("btnColor"));
            place(btnColor, kScrollLeftTwips, takeSlot(kSmallPitchTwips), kScrollWidthTwips,
                  kLabelHeightTwips + 60);
            setColour(row.colour);
            connect(btnColor, &QPushButton::clicked, this, [this] {
                const QColor start(int(colour_ & 0xFF), int(colour_ >> 8 & 0xFF),
                                   int(colour_ >> 16 & 0xFF));
                if (const std::optional<QColor> c = platform::desktop().chooseColor(start)) {
                    setColour(pix::toBgr(*c));
                    colourChosen();
                }
            });
            break;
        }
        case catalogue::RowKind::Text:
        case catalogue::RowKind::Option:
        case catalogue::RowKind::File:
            break; // no preview dialog has them
        }
    }

    for (const ScrollRow& r : rows_) {
        // A moving thumb is the Scroll event; anything else (release, arrows, page, keys) the
        // Change event.
        connect(r.bar, &QScrollBar::valueChanged, this,
                [this, r] { onValue(r, !r.bar->isSliderDown()); });
        connect(r.bar, &QScrollBar::sliderReleased, this, [this, r] { onValue(r, true); });
    }

    if (boxes_ != Boxes::DelayedWithButton) {
        chkRealTimePreview = new QCheckBox(QStringLiteral("Real-Time Preview"), this);
        chkRealTimePreview->setObjectName(QStringLiteral("chkRealTimePreview"));
        chkRealTimePreview->setChecked(true);
        place(chkRealTimePreview, kScrollLeftTwips, kCheckTopTwips, 2400, kLabelHeightTwips);
        connect(chkRealTimePreview, &QCheckBox::clicked, this,
                [this] { onPreviewBox(chkRealTimePreview); });
    }
    if (boxes_ != Boxes::RealTimeOnly) {
        chkDelayedPreview = new QCheckBox(QStringLiteral("Delayed Preview"), this);
        chkDelayedPreview->setObjectName(QStringLiteral("chkDelayedPreview"));
        const double left = boxes_ == Boxes::Pair ? kScrollLeftTwips + 2520 : kScrollLeftTwips;
        place(chkDelayedPreview, left, kCheckTopTwips, 2400, kLabelHeightTwips);
        connect(chkDelayedPreview, &QCheckBox::clicked, this,
                [this] { onPreviewBox(chkDelayedPreview); });
    }
    if (boxes_ == Boxes::DelayedWithButton) {
        btnPreview = new QPushButton(QStringLiteral("Preview"), this);
        btnPreview->setObjectName(QStringLiteral("btnPreview"));
        btnPreview->setEnabled(false);
        place(btnPreview, kScrollLeftTwips + 2520, kCheckTopTwips - 60, kButtonWidthTwips,
              kButtonHeightTwips);
        connect(btnPreview, &QPushButton::clicked, this, &PreviewDialog::previewNow);
    }

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

double PreviewDialog::takeSlot(double height) {
    const double top = nextTop_;
    nextTop_ += height;
    return top;
}

QScrollBar* PreviewDialog::addScroll(const QString& name, int minimum, int maximum, int value,
                                     int largeChange, QLabel** label) {
    auto* caption = new QLabel(this);
    caption->setObjectName(QStringLiteral("lbl") + name);
    auto* bar = new QScrollBar(Qt::Horizontal, this);
    bar->setObjectName(QStringLiteral("scr") + name);
    bar->setRange(minimum, maximum);
    bar->setPageStep(largeChange);
    bar->setValue(value);
    const double top = takeSlot(kRowPitchTwips);
    place(caption, kScrollLeftTwips, top, kScrollWidthTwips - kBoxWidthTwips, kLabelHeightTwips);
    place(bar, kScrollLeftTwips, top + kLabelHeightTwips, kScrollWidthTwips, kScrollHeightTwips);
    if (label) *label = caption;
    return bar;
}

QLineEdit* PreviewDialog::addNumberBox(QScrollBar* bar, const QString& name, bool minus, bool beep,
                                       std::function<void(QLineEdit*)> validate) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    // On the caption line, at the bar's right end.
    const double top = vb::pixelsToTwips(bar->y(), tpp_) - kLabelHeightTwips - 30;
    place(edit, kScrollLeftTwips + kScrollWidthTwips - kBoxWidthTwips, top, kBoxWidthTwips,
          kLabelHeightTwips + 30);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
        for (const NumberBox& b : numberBoxes_)
            if (b.edit == edit) b.validate(edit);
    });
    numberBoxes_.push_back({edit, bar, minus, beep, std::move(validate)});
    return edit;
}

QLineEdit* PreviewDialog::addLooseBox(const QString& name, const QString& label, bool minus,
                                      bool beep, std::function<void(QLineEdit*)> validate) {
    // Three loose boxes share a slot, side by side.
    const int loose = int(std::count_if(numberBoxes_.begin(), numberBoxes_.end(),
                                        [](const NumberBox& b) { return !b.bar; }));
    if (loose % 3 == 0) takeSlot(kSmallPitchTwips);
    const double top = nextTop_ - kSmallPitchTwips, left = kScrollLeftTwips + (loose % 3) * 1000;
    auto* caption = new QLabel(label, this);
    caption->setObjectName(QStringLiteral("lbl") + name.mid(3));
    place(caption, left, top, 450, kLabelHeightTwips);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    place(edit, left + 450, top, 510, kLabelHeightTwips + 30);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
        for (const NumberBox& b : numberBoxes_)
            if (b.edit == edit) b.validate(edit);
    });
    numberBoxes_.push_back({edit, nullptr, minus, beep, std::move(validate)});
    return edit;
}

bool PreviewDialog::eventFilter(QObject* watched, QEvent* event) {
    const NumberBox* box = nullptr;
    for (const NumberBox& b : numberBoxes_)
        if (b.edit == watched) box = &b;
    if (!box) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // The whole value is selected, ready to be typed over.
        QTimer::singleShot(0, box->edit, &QLineEdit::selectAll);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        box->validate(box->edit);
        return true; // Enter stays in the box: no default button
    }
    const QString text = key->text();
    if (text.isEmpty() || text.at(0).unicode() < 0x20 || text == QStringLiteral("\x7f"))
        return false; // editing and moving keys, backspace
    const QChar c = text.at(0);
    if (c.isDigit() || (box->minus && c == QLatin1Char('-'))) return false;
    if (box->beep) QApplication::beep();
    return true;
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

QCheckBox* PreviewDialog::check(int row) const {
    for (const auto& [k, box] : checks_)
        if (k == row) return box;
    return nullptr;
}

QComboBox* PreviewDialog::list(int row) const {
    for (const auto& [k, combo] : lists_)
        if (k == row) return combo;
    return nullptr;
}

QLineEdit* PreviewDialog::box(const QScrollBar* bar) const {
    for (const NumberBox& b : numberBoxes_)
        if (b.bar == bar) return b.edit;
    return nullptr;
}

void PreviewDialog::setColour(uint32_t bgr) {
    colour_ = bgr & 0xFFFFFF;
    if (btnColor) btnColor->setStyleSheet(colourStyle(colour_));
}

QRectF PreviewDialog::twips(const QWidget* w) const {
    return {vb::pixelsToTwips(w->x(), tpp_), vb::pixelsToTwips(w->y(), tpp_),
            vb::pixelsToTwips(w->width(), tpp_), vb::pixelsToTwips(w->height(), tpp_)};
}

PreviewDialog::PreviewArea PreviewDialog::previewArea() const {
    return {kScrollLeftTwips + kScrollWidthTwips, 0, kCheckTopTwips, true};
}

void PreviewDialog::setBackdrop(const pix::PixImage& document, QPoint at) {
    document_ = &document;
    documentAt_ = at;
}

void PreviewDialog::Setup(pix::PixImage& target) {
    target_ = &target;
    const PreviewArea area = previewArea();
    const int maxW = vb::toInt32((kInnerWidthTwips - area.left) / tpp_ - 8);
    const int maxH = vb::toInt32((area.bottom - area.top) / tpp_ - 16);
    size_ = area.fitWidth && maxW <= maxH ? maxW : maxH;

    const bool onDocument = previewOnDocument && document_ && !document_->IsEmpty();
    pix::PixImage preview;
    preview.CopyFrom(onDocument ? *document_ : target, QStringLiteral("No Undo"));
    pix::Effects::FitResize(preview, std::max(1, size_), QStringLiteral("No Undo"));
    const int baseWidth = onDocument ? document_->width() : target.width();
    scale_ = baseWidth > 0 ? double(preview.width()) / baseWidth : 1.0;
    if (onDocument) {
        // The document at the preview's scale, and the part at the same scale and its place.
        backdrop_ = preview.image();
        backdropType_ = preview.imageType();
        backdropAt_ =
            QPoint(vb::toInt32(documentAt_.x() * scale_), vb::toInt32(documentAt_.y() * scale_));
        preview.CopyFrom(target, QStringLiteral("No Undo"));
        pix::Effects::Resize(preview, std::max(1, vb::toInt32(target.width() * scale_)),
                             std::max(1, vb::toInt32(target.height() * scale_)), 0,
                             QStringLiteral("No Undo"));
    }
    scaled_ = preview.image();
    scaledType_ = preview.imageType();
    const QImage& shown = onDocument ? backdrop_ : scaled_;

    // The box takes the preview's size and is centred in the free area.
    const double boxW = vb::pixelsToTwips(shown.width(), tpp_);
    const double boxH = vb::pixelsToTwips(shown.height(), tpp_);
    place(picPreview, area.left + (kInnerWidthTwips - area.left - boxW) / 2,
          area.top + (area.bottom - area.top - boxH) / 2, boxW, boxH);
    picPreview->setPixmap(QPixmap::fromImage(shown));
    setupDone();
}

void PreviewDialog::onValue(const ScrollRow& r, bool settled) {
    r.label->setText(captionText(r.row, r.bar->value()));
    changed(settled);
}

void PreviewDialog::changed(bool settled) {
    bool update = false;
    switch (boxes_) {
    case Boxes::Pair:
        update = chkRealTimePreview->isChecked() || (settled && chkDelayedPreview->isChecked());
        break;
    case Boxes::RealTimeOnly:
        update = settled || chkRealTimePreview->isChecked();
        break;
    case Boxes::DelayedWithButton:
        update = !chkDelayedPreview->isChecked();
        break;
    }
    if (update) requestPreview();
}

void PreviewDialog::previewNow() {
    forced_ = true;
    requestPreview();
}

void PreviewDialog::onPreviewBox(QCheckBox* clicked) {
    if (boxes_ == Boxes::DelayedWithButton) {
        btnPreview->setEnabled(clicked->isChecked());
        return;
    }
    if (boxes_ == Boxes::RealTimeOnly) {
        if (clicked->isChecked()) requestPreview();
        return;
    }
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
    // Runs once the queued input has been handled, at the values the controls have by then.
    QTimer::singleShot(0, this, &PreviewDialog::computePreview);
}

void PreviewDialog::readValues(catalogue::Values& values) const {
    for (const ScrollRow& r : rows_) values[r.row].text = QString::number(r.bar->value());
    for (const auto& [k, box] : checks_) values[k].ticked = box->isChecked();
    for (const auto& [k, combo] : lists_) values[k].position = combo->currentIndex();
    if (colourRow_ >= 0) values[colourRow_].colour = colour_;
}

catalogue::Values PreviewDialog::previewValues(const pix::PixImage& preview) const {
    catalogue::Values values(entry_, preview);
    readValues(values);
    // Lengths in image pixels shrink with the preview.
    for (int k = 0; k < values.size(); ++k)
        if (entry_.rows[size_t(k)].pixelSized)
            values[k].text = QString::number(values.real(k) * scale_);
    return values;
}

void PreviewDialog::computePreview() {
    pending_ = false;
    const bool forced = std::exchange(forced_, false);
    if (boxes_ == Boxes::Pair && !forced && !chkRealTimePreview->isChecked() &&
        !chkDelayedPreview->isChecked())
        return;
    busy = true;
    pix::PixImage preview;
    preview.setImage(scaled_, scaledType_, QStringLiteral("No Undo"));
    try {
        entry_.call(preview, previewValues(preview));
    } catch (const pix::PixError& e) {
        // A preview that cannot be computed says why in its box; Apply reports its own failure.
        picPreview->setText(e.description());
        busy = false;
        return;
    }
    if (!backdrop_.isNull()) {
        // Drawn in its place on the document, as Apply writes it back.
        pix::PixImage shown;
        shown.setImage(backdrop_, backdropType_, QStringLiteral("No Undo"));
        pix::Draw::PutImage(shown, preview.image(), backdropAt_.x(), backdropAt_.y(),
                            pix::typeHasAlpha(preview.imageType()), QStringLiteral("No Undo"));
        picPreview->setPixmap(QPixmap::fromImage(shown.image()));
    } else {
        picPreview->setPixmap(QPixmap::fromImage(preview.image()));
    }
    ++computed_;
    busy = false;
}

void PreviewDialog::apply() {
    Applied = true;
    accept();
}
