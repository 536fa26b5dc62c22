#include "frm_dialog.h"

#include "platform/desktop.h"
#include "platform/vb.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace {

// Design positions of each row kind's control for row 0, in twips: left, top, width, height.
struct Geometry {
    int left, top, width, height;
};
constexpr Geometry kLabel{180, 330, 1785, 210};
constexpr Geometry kControl[] = {
    {2100, 300, 3075, 315}, // text
    {2100, 300, 855, 315},  // colour
    {2100, 360, 3015, 315}, // list
    {2085, 360, 2955, 255}, // check
    {2085, 360, 3075, 255}, // option
};

} // namespace

frmDialog::frmDialog(QWidget* owner) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setModal(true);
    tpp_ = platform::desktop().twipsPerPixel();
    picBottom = new QWidget(this);
    picBottom->setObjectName(QStringLiteral("picBottom"));
    cmdOK = new QPushButton(QStringLiteral("OK"), picBottom);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), picBottom);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    place(cmdOK, 540, 225, 1335, 375);
    place(cmdCancel, 3240, 240, 1335, 375);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        Cancelled = false;
        hide();
        done(QDialog::Accepted);
    });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        Cancelled = true;
        hide();
        done(QDialog::Rejected);
    });
    clientHeightTwips_ = kBottomHeightTwips;
    setFixedSize(vb::twipsToPixels(kClientWidthTwips, tpp_),
                 vb::twipsToPixels(clientHeightTwips_, tpp_));
    picBottom->setGeometry(0, height() - vb::twipsToPixels(kBottomHeightTwips, tpp_), width(),
                           vb::twipsToPixels(kBottomHeightTwips, tpp_));
}

frmDialog::~frmDialog() {
    closingFromCaller_ = true;
}

void frmDialog::place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(vb::twipsToPixels(left, tpp_), vb::twipsToPixels(top, tpp_),
                   vb::twipsToPixels(width, tpp_), vb::twipsToPixels(height, tpp_));
}

int frmDialog::labelTopTwips(int k) const {
    return k >= 0 && k < int(rows_.size()) ? rows_[k].labelTop : -1;
}

void frmDialog::AddControl(const QString& caption, const QVariant& value, int kind) {
    Adding = true;
    const int k = RowCount;
    Row row;
    row.kind = kind;
    row.labelTop = k == 0 ? kLabel.top : rows_[k - 1].labelTop + kLabel.height + kRowGapTwips;
    row.label = new QLabel(this);
    row.label->setObjectName(QStringLiteral("lblLabel(%1)").arg(k));
    if (kind >= 0 && kind <= 4) {
        QWidget* control = nullptr;
        switch (kind) {
        case kText: {
            auto* t = new QLineEdit(value.toString(), this);
            t->setObjectName(QStringLiteral("txtText(%1)").arg(k));
            t->installEventFilter(this);
            connect(t, &QLineEdit::textChanged, this, [this, t, k] { emitChanged(t, k); });
            control = t;
            break;
        }
        case kColour: {
            auto* b = new QPushButton(this);
            b->setObjectName(QStringLiteral("cmdColor(%1)").arg(k));
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, k] { chooseColour(k); });
            control = b;
            break;
        }
        case kList: {
            auto* c = new QComboBox(this);
            c->setObjectName(QStringLiteral("cmbCombo(%1)").arg(k));
            connect(c, &QComboBox::activated, this, [this, c, k] { emitChanged(c, k); });
            control = c;
            break;
        }
        case kCheck: {
            auto* c = new QCheckBox(caption, this);
            c->setObjectName(QStringLiteral("chkCheck(%1)").arg(k));
            c->setChecked(value.toBool());
            connect(c, &QCheckBox::clicked, this, [this, c, k] { emitChanged(c, k); });
            control = c;
            break;
        }
        case kOption: {
            auto* o = new QRadioButton(caption, this);
            o->setObjectName(QStringLiteral("optOption(%1)").arg(k));
            o->setChecked(value.toBool());
            control = o;
            break;
        }
        }
        control->show();
        row.control = control;
    }
    if (kind != kCheck && kind != kOption) {
        row.label->setText(caption);
        row.label->show();
    }
    rows_.push_back(row);
    if (kind == kColour) setButtonColour(k, uint32_t(value.toLongLong()));

    clientHeightTwips_ = row.labelTop + kLabel.height + kRowGapTwips + kBottomHeightTwips;
    layoutRows();
    Adding = false;
    RowCount = k + 1;
}

void frmDialog::layoutRows() {
    // The design geometry is the least: the caption column widens to the longest caption in the
    // current font, and the controls, the window and the button strip move right with it. Check
    // and option rows show their caption in the control, which widens likewise.
    const auto px = [this](int twips) { return vb::twipsToPixels(twips, tpp_); };
    int labelWidth = px(kLabel.width);
    for (const Row& row : rows_)
        labelWidth =
            std::max(labelWidth, row.label->fontMetrics().horizontalAdvance(row.label->text()));
    const int shift = labelWidth - px(kLabel.width);
    const int rightMargin = px(kClientWidthTwips - kControl[kText].left - kControl[kText].width);
    int clientWidth = px(kClientWidthTwips);
    for (size_t k = 0; k < rows_.size(); ++k) {
        const Row& row = rows_[k];
        row.label->setGeometry(px(kLabel.left), px(row.labelTop), labelWidth, px(kLabel.height));
        if (!row.control) continue;
        const Geometry g = kControl[row.kind];
        // Row 0 keeps the design offsets; later rows align their control with the label.
        const int top = k == 0 ? g.top : row.labelTop;
        int width = px(g.width);
        if (row.kind == kCheck || row.kind == kOption)
            width = std::max(width, row.control->sizeHint().width());
        row.control->setGeometry(px(g.left) + shift, px(top), width, px(g.height));
        clientWidth = std::max(clientWidth, px(g.left) + shift + width + rightMargin);
    }
    const int bottomPx = px(kBottomHeightTwips);
    setFixedSize(clientWidth, px(clientHeightTwips_));
    picBottom->setGeometry(0, height() - bottomPx, width(), bottomPx);
}

QLabel* frmDialog::lblLabel(int k) const {
    return k >= 0 && k < int(rows_.size()) ? rows_[k].label : nullptr;
}
QLineEdit* frmDialog::txtText(int k) const {
    return k >= 0 && k < int(rows_.size()) ? qobject_cast<QLineEdit*>(rows_[k].control) : nullptr;
}
QPushButton* frmDialog::cmdColor(int k) const {
    return k >= 0 && k < int(rows_.size()) && rows_[k].kind == kColour
               ? qobject_cast<QPushButton*>(rows_[k].control)
               : nullptr;
}
QComboBox* frmDialog::cmbCombo(int k) const {
    return k >= 0 && k < int(rows_.size()) ? qobject_cast<QComboBox*>(rows_[k].control) : nullptr;
}
QCheckBox* frmDialog::chkCheck(int k) const {
    return k >= 0 && k < int(rows_.size()) ? qobject_cast<QCheckBox*>(rows_[k].control) : nullptr;
}
QRadioButton* frmDialog::optOption(int k) const {
    return k >= 0 && k < int(rows_.size()) ? qobject_cast<QRadioButton*>(rows_[k].control)
                                           : nullptr;
}

uint32_t frmDialog::colorValue(int k) const {
    return k >= 0 && k < int(rows_.size()) ? rows_[k].colour : 0;
}

void frmDialog::setButtonColour(int k, uint32_t bgr) {
    rows_[k].colour = bgr & 0xFFFFFF;
    QPushButton* b = cmdColor(k);
    if (!b) return;
    const QColor c(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    b->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;").arg(c.name()));
}

void frmDialog::chooseColour(int k) {
    const uint32_t bgr = rows_[k].colour;
    const QColor initial(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    const std::optional<QColor> chosen = platform::desktop().chooseColor(initial);
    if (!chosen) return; // the button keeps its colour and nothing is reported
    setButtonColour(k, uint32_t(chosen->red()) | (uint32_t(chosen->green()) << 8) |
                           (uint32_t(chosen->blue()) << 16));
    emitChanged(cmdColor(k), k);
}

void frmDialog::emitChanged(QWidget* control, int k) {
    if (!Adding) emit ControlChanged(control, k);
}

// Puts the text the row had on entry back when the current text is not a number.
void frmDialog::guardText(int k, bool allowEmpty) {
    QLineEdit* t = txtText(k);
    if (!t) return;
    const QString text = t->text();
    if (allowEmpty && text.isEmpty()) return;
    if (!vb::isNumeric(text)) t->setText(FocusText);
}

bool frmDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* t = qobject_cast<QLineEdit*>(watched);
    if (t) {
        int k = -1;
        for (int i = 0; i < int(rows_.size()); ++i)
            if (rows_[i].control == t) k = i;
        switch (event->type()) {
        case QEvent::FocusIn:
            FocusText = t->text();
            break;
        case QEvent::KeyPress:
            guardText(k, false);
            break;
        case QEvent::KeyRelease:
            guardText(k, true);
            break;
        case QEvent::FocusOut:
            guardText(k, false);
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDialog::reject() {
    // Escape and the title-bar close: cancelled, hidden, and kept for the caller to read.
    Cancelled = true;
    QDialog::reject();
}

void frmDialog::closeEvent(QCloseEvent* event) {
    if (closingFromCaller_) return QDialog::closeEvent(event);
    Cancelled = true;
    hide();
    setResult(QDialog::Rejected);
    event->ignore();
    // Leave a running modal loop: the caller continues and reads the dialog.
    QDialog::done(QDialog::Rejected);
}
