#include "frame_swatches.h"

#include "colour/colour_math.h"
#include "colour/frm_color_picker.h"
#include "document/document_host.h"
#include "document/frm_main.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace colour {

namespace {
constexpr int kGradientWidth = 40;
constexpr int kGradientHeight = 21;

// The small pictures beside the swatches, drawn at the screen's scale.
QPixmap restorePicture(qreal scale) {
    QPixmap pm(QSize(12, 12) * scale);
    pm.setDevicePixelRatio(scale);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawRect(4, 4, 7, 7);
    p.setBrush(Qt::black);
    p.drawRect(0, 0, 7, 7);
    return pm;
}

QPixmap swapPicture(qreal scale) {
    QPixmap pm(QSize(12, 12) * scale);
    pm.setDevicePixelRatio(scale);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(32, 32, 32), 1.2));
    p.drawArc(QRectF(-5, 2, 15, 15), 0, 90 * 16);
    p.drawLine(QPointF(10, 9), QPointF(8, 7));
    p.drawLine(QPointF(10, 9), QPointF(12, 7));
    p.drawLine(QPointF(2.5, 2), QPointF(4.5, 0));
    p.drawLine(QPointF(2.5, 2), QPointF(4.5, 4));
    return pm;
}
} // namespace

FrameSwatches::FrameSwatches(DocumentHost& host, QWidget* frame, QWidget* parent)
    : QWidget(parent), host_(host), frame_(frame) {
    setObjectName(QStringLiteral("ColorsBg"));
    setFixedSize(44, 48 + kGradientHeight);
    const char* const tips[] = {"Select foreground color", "Select background color"};
    // The background swatch lies under the foreground one.
    for (int i : {1, 0}) {
        auto* swatch = new QLabel(this);
        swatch->setObjectName(QStringLiteral("SelColor(%1)").arg(i));
        swatch->setToolTip(QString::fromLatin1(tips[i]));
        swatch->setGeometry(4 + i * 14, 4 + i * 14, 24, 24);
        swatch->installEventFilter(this);
        SelColor[i] = swatch;
    }
    const qreal scale = devicePixelRatioF();
    RestoreColors = new QLabel(this);
    RestoreColors->setObjectName(QStringLiteral("RestoreColors"));
    RestoreColors->setPixmap(restorePicture(scale));
    RestoreColors->setGeometry(2, 30, 12, 12);
    ShiftColors = new QLabel(this);
    ShiftColors->setObjectName(QStringLiteral("ShiftColors"));
    ShiftColors->setPixmap(swapPicture(scale));
    ShiftColors->setGeometry(30, 2, 12, 12);
    Gradient = new QLabel(this);
    Gradient->setObjectName(QStringLiteral("Gradient"));
    Gradient->setGeometry(2, 46, kGradientWidth, kGradientHeight);
    for (QLabel* l : {RestoreColors, ShiftColors, Gradient}) l->installEventFilter(this);
    refresh();
}

FrameSwatches::~FrameSwatches() = default;

void FrameSwatches::refresh() {
    for (int i = 0; i < 2; ++i) {
        const QColor c(toQRgb(host_.swatchColour(i)));
        SelColor[i]->setStyleSheet(
            QStringLiteral("background-color: %1; border: 1px solid #404040;").arg(c.name()));
    }
    UpdateColorState();
}

void FrameSwatches::UpdateColorState() {
    gradient_ = gradientBar(host_.swatchColour(0), host_.swatchColour(1), Gradient->width(),
                            kGradientHeight);
    Gradient->setPixmap(QPixmap::fromImage(gradient_));
}

frmColorPicker& FrameSwatches::picker() {
    if (!picker_) {
        // A window of its own (not a child of the frame), so disabling the frame leaves it usable.
        picker_ = std::make_unique<frmColorPicker>();
        picker_->setWindowModality(Qt::NonModal);
        picker_->chosen = [this](uint32_t c) {
            host_.setSwatchColour(pickerTarget_, c);
            if (frmMain* doc = host_.currentDocument())
                doc->SetTextColours(host_.swatchColour(0), host_.swatchColour(1));
        };
        picker_->closed = [this] {
            frame_->setEnabled(true);
            frame_->activateWindow();
        };
    }
    return *picker_;
}

void FrameSwatches::SelColorClick(int swatch) {
    pickerTarget_ = swatch == 0 ? 0 : 1;
    frame_->setEnabled(false);
    frmColorPicker& p = picker();
    p.lblTitle->setText(pickerTarget_ == 0 ? QStringLiteral("Select foreground color:")
                                           : QStringLiteral("Select background color:"));
    p.show();
    p.raise();
    p.OldColor = host_.swatchColour(pickerTarget_);
    p.moveMarker(p.marker().x(), p.marker().y());
}

void FrameSwatches::RestoreColorsClick() {
    host_.setSwatchColour(0, 0x000000);
    host_.setSwatchColour(1, 0xFFFFFF);
    selected_ = 0;
    propagate();
}

void FrameSwatches::ShiftColorsClick() {
    selected_ = 0;
    const uint32_t fg = host_.swatchColour(0);
    host_.setSwatchColour(0, host_.swatchColour(1));
    host_.setSwatchColour(1, fg);
    propagate();
}

void FrameSwatches::GradientMouseDown(Qt::MouseButtons buttons, int x, int y) {
    if (!QRect(QPoint(0, 0), gradient_.size()).contains(x, y)) return;
    const uint32_t c = toColour(gradient_.pixel(x, y));
    host_.setSwatchColour(buttons == Qt::LeftButton ? 0 : 1, c);
}

void FrameSwatches::propagate() {
    if (frmMain* doc = host_.currentDocument())
        doc->SetTextColours(host_.swatchColour(0), host_.swatchColour(1));
}

bool FrameSwatches::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress) return QWidget::eventFilter(watched, event);
    const auto* e = static_cast<QMouseEvent*>(event);
    if (watched == SelColor[0] || watched == SelColor[1])
        SelColorClick(watched == SelColor[0] ? 0 : 1);
    else if (watched == RestoreColors)
        RestoreColorsClick();
    else if (watched == ShiftColors)
        ShiftColorsClick();
    else if (watched == Gradient)
        GradientMouseDown(e->buttons(), int(e->position().x()), int(e->position().y()));
    else
        return QWidget::eventFilter(watched, event);
    return true;
}

} // namespace colour
