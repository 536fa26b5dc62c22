// The document's side of the mouse tools: tool to mouse mode and cursor, the application-wide
// selection, flood fill, pick colour, crop, eraser, warp line, the Effects pop-up, the pixel
// read-out and wheel zoom.
#include "frm_main.h"

#include "catalogue/catalogue.h"
#include "document/document_host.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/draw.h"
#include "engine/effects.h"
#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "platform/artwork.h"
#include "platform/desktop.h"
#include "platform/vb.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <cmath>
#include <functional>

namespace {

// Mouse mode of each tool number 0..13 (other numbers: none).
constexpr int kToolMouseMode[] = {0, 2, 1, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 0};

// Cursor pictures of the tools that have their own, with their hot spots.
struct ToolCursor {
    int tool;
    int iconTool; // the picture to use
    int hotX, hotY;
};
constexpr ToolCursor kToolCursors[] = {
    {0, 0, 5, 2}, {15, 15, 10, 10}, {16, 16, 4, 16}, {17, 17, 16, 17}};

QCursor cursorFor(int tool) {
    for (const ToolCursor& c : kToolCursors)
        if (c.tool == tool)
            // Drawn at the screens' pixel ratio: sharp at any scale (the hot spot stays logical).
            return QCursor(
                QPixmap::fromImage(artwork::toolIcon(c.iconTool, qGuiApp->devicePixelRatio())),
                c.hotX, c.hotY);
    return QCursor(Qt::ArrowCursor);
}

QString padRight(int width, const QString& text) {
    return text.size() >= width ? text : text + QString(width - text.size(), QLatin1Char(' '));
}

// Runs `onKey` for the key presses that reach the watched widget unhandled; true eats them.
class KeyWatcher : public QObject {
public:
    KeyWatcher(QObject* parent, std::function<bool(int key)> onKey)
        : QObject(parent), onKey_(std::move(onKey)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        // A key the watcher acts on is claimed before the menus' shortcuts see it (Escape is
        // also Select None).
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (onKey_(-key->key())) key->accept();
            return false;
        }
        return event->type() == QEvent::KeyPress && onKey_(static_cast<QKeyEvent*>(event)->key());
    }

private:
    std::function<bool(int)> onKey_;
};

constexpr double kWheelMinPercent = 0.5;
constexpr double kWheelMaxPercent = 1600.0;

} // namespace

QString frmMain::PadRight(int width, const QString& text) {
    return padRight(width, text);
}

void frmMain::SetCurrTool(int16_t index) {
    // A tool change abandons a pending warp line.
    WarpPending = false;
    pendingLine_ = nullptr;
    currTool_ = index;
    int mode = 0;
    if (index >= 0 && index < int(std::size(kToolMouseMode))) mode = kToolMouseMode[index];
    Pix->setMouseMode(mode);
    Pix->setImageCursor(cursorFor(index));
}

void frmMain::connectMouse() {
    using pix::PixCtrl;
    connect(Pix, &PixCtrl::selectionChanged, this, &frmMain::onSelection);
    connect(Pix, &PixCtrl::mouseDown, this, &frmMain::onMouseDown);
    connect(Pix, &PixCtrl::mouseMove, this, &frmMain::onMouseMove);
    connect(Pix, &PixCtrl::mouseUp, this, &frmMain::onMouseUp);
    connect(Pix, &PixCtrl::imageMouseMove, this,
            [this](Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) {
                ShowPixelInfo(x, y);
                ImagePoint = QPoint(x, y);
                QString sx = QString::number(x), sy = QString::number(y);
                const SelectionState sel = host_.selection();
                host_.showCoordinates(sx, sy, QString::number(sel.width),
                                      QString::number(sel.height));
            });
    connect(Pix, &PixCtrl::beforeDraw, this, &frmMain::setPenColour);
    connect(Pix, &PixCtrl::shapeFinished, this, &frmMain::onShapeFinished);
    connect(Pix, &PixCtrl::mouseWheel, this, &frmMain::onMouseWheel);
    connect(Pix, &PixCtrl::dblClick, this, &frmMain::onDoubleClick);
    connect(Pix, &PixCtrl::loaded, this, [this] {
        EnableImageMenus(!Pix->image().IsEmpty());
        ShowPixelInfo(0, 0);
    });
    // Escape abandons a pending warp line.
    // A negative key asks only whether the watcher would act on it.
    installEventFilter(new KeyWatcher(this, [this](int key) {
        if (std::abs(key) != Qt::Key_Escape || !WarpPending) return false;
        if (key < 0) return true;
        abandonLine();
        return true;
    }));
}

// Every change of the control's selection comes here: a rectangle of 2 x 2 pixels or less is no
// selection and shows no outline; the frame then follows when this is the active document.
void frmMain::onSelection(double, double, double width, double height) {
    if (Pix->SelectionShown() && !(width > 2 || height > 2)) Pix->setSelectionShown(false);
    if (host_.isActiveDocument(this)) publishSelection();
}

void frmMain::publishSelection() {
    host_.publishSelection({int(Pix->SelectionLeft()), int(Pix->SelectionTop()),
                            int(Pix->SelectionWidth()), int(Pix->SelectionHeight()),
                            Pix->SelectionShown()});
}

void frmMain::abandonLine() {
    SetCurrTool(currTool_);
}

// The eraser draws white; every other tool the foreground colour, at the pen's alpha.
void frmMain::setPenColour() {
    uint32_t& pen = Pix->image().Draw().penColor;
    const uint32_t colour = host_.currentTool() == 20 ? 0xFFFFFFu : host_.swatchColour(0);
    pen = (pen & 0xFF000000u) | (colour & 0xFFFFFFu);
}

void frmMain::onMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, double x, double y) {
    // A left press starts anew: the old selection goes, outline included.
    if (button == Qt::LeftButton) Pix->clearSelection();
    if (button == Qt::RightButton && WarpPending) return abandonLine();
    // The text tool: the left button opens (or moves) the text box, the right one applies it.
    if (host_.currentTool() == 15 && !Pix->image().IsEmpty()) {
        if (button == Qt::LeftButton) openTextBox(QPointF(x, y));
        if (button == Qt::RightButton) ApplyText();
        return;
    }
    setPenColour();
    if (host_.currentTool() == 17 && !Pix->image().IsEmpty()) {
        try {
            pix::Draw::FloodFill(Pix->image(), ImagePoint.x(), ImagePoint.y(), 0.0, QString());
        } catch (const pix::PixError& e) {
            RaiseError(e);
        }
    }
    if (button == Qt::RightButton && !Pix->image().IsEmpty() &&
        (Pix->MouseMode() == pix::kMouseNone || Pix->MouseMode() == pix::kMousePan)) {
        PrepareContextMenu();
        if (QMenu* effects = host_.contextMenu()) {
            lastPopupAt = Pix->viewport()->mapToGlobal(QPointF(x, y).toPoint());
            effects->popup(lastPopupAt);
        }
    }
    if (OverlayActive && x >= OverlayLeft && x <= OverlayLeft + overlayViewSize().width() &&
        y >= OverlayTop && y <= OverlayTop + overlayViewSize().height()) {
        GrabX = int(x) - OverlayLeft;
        GrabY = int(y) - OverlayTop;
        OverlayDragging = true;
    }
}

void frmMain::onMouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, double x, double y) {
    if (!OverlayDragging) return;
    OverlayLeft = int(std::lround(x)) - GrabX;
    OverlayTop = int(std::lround(y)) - GrabY;
    Pix->viewport()->update();
}

void frmMain::onMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, double, double) {
    OverlayDragging = false;
    if (host_.currentTool() == 16) host_.setForegroundColour(pixelColour_);
    if (host_.currentTool() == 19) EffectsCrop(0);
    setPenColour();
}

void frmMain::onShapeFinished(double x1, double y1, double x2, double y2, bool* cancel) {
    setPenColour();
    // A pending warp takes the line; the line itself is then not drawn.
    if (finishWarp(int(std::lround(x1)), int(std::lround(y1)), int(std::lround(x2)),
                   int(std::lround(y2))))
        *cancel = true;
}

void frmMain::onMouseWheel(int delta, Qt::KeyboardModifiers) {
    const double factor = Pix->ZoomFactor() * (1.0 + 0.1 * delta / 3.0);
    const double percent = std::round(factor * 100.0);
    if (percent < kWheelMinPercent || percent > kWheelMaxPercent) return;
    Pix->setZoomFactor(std::max(factor, 0.01));
}

void frmMain::PrepareContextMenu() {
    if (Pix->image().IsEmpty()) return;
    host_.enableContextItems(Pix->SelectionShown(),
                             Pix->image().width() >= 21 && Pix->image().height() >= 21);
}

void frmMain::ShowPixelInfo(int x, int y) {
    const pix::PixImage& img = Pix->image();
    if (img.IsEmpty() || !img.image().rect().contains(x, y)) return;
    const QImage& image = img.image();
    const QRgb p = image.pixel(x, y); // one pixel per mouse move
    const int index = image.format() == QImage::Format_Indexed8 ? image.pixelIndex(x, y)
                      : image.format() == QImage::Format_Mono   ? image.pixelIndex(x, y)
                                                                : 0;
    pixelColour_ = uint32_t(qRed(p)) | (uint32_t(qGreen(p)) << 8) | (uint32_t(qBlue(p)) << 16);
    if (host_.currentTool() == 16) host_.showPointerColour(pixelColour_);
    QPalette pal = picPixelColor->palette();
    pal.setColor(QPalette::Window, QColor(qRed(p), qGreen(p), qBlue(p)));
    picPixelColor->setPalette(pal);
    const QString n = QStringLiteral("%1");
    lblStatus->setText(
        QStringLiteral("X:") + padRight(4, n.arg(x)) + QStringLiteral("    Y:") +
        padRight(4, n.arg(y)) + QStringLiteral("    Pal:") + padRight(3, n.arg(index)) +
        QStringLiteral("   R:") + padRight(3, n.arg(qRed(p))) + QStringLiteral("  G:") +
        padRight(3, n.arg(qGreen(p))) + QStringLiteral("  B:") + padRight(3, n.arg(qBlue(p))) +
        QStringLiteral("  A:") + padRight(3, n.arg(qAlpha(p))) + QStringLiteral("   ColorDepth: ") +
        n.arg(pix::bitsPerPixel(img.imageType())) + QStringLiteral("bpp"));
}

// The crop presets, also run by the crop tool when its drag ends: the Crop table's entry.
void frmMain::EffectsCrop(int16_t index) {
    if (const catalogue::Catalogue* table =
            catalogue::catalogueOfAction(QStringLiteral("EffectsCrop")))
        runCatalogue(*table, index);
}
