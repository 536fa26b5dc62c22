// Edit commands (copy, paste, delete, select all, background picture) and placing a picture
// over the image (the overlay) until a double click draws it in.
#include "frm_main.h"

#include "document/file_formats.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/draw.h"
#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "platform/desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>

void frmMain::Copy() {
    const pix::PixImage& img = Pix->image();
    if (img.IsEmpty()) return;
    QImage picture = img.image();
    // Exactly the selected rectangle; the document itself is left as it was.
    if (const QRect sel = selectionRect(); !sel.isEmpty()) picture = picture.copy(sel);
    QApplication::clipboard()->setImage(picture);
}

void frmMain::Paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QImage picture = QApplication::clipboard()->image();
    if (picture.isNull() && data) {
        // Pictures other programs offer in a file format Qt does not decode itself.
        for (const QString& format : data->formats()) {
            if (!format.startsWith(QLatin1String("image/"))) continue;
            pix::PixImage scratch;
            try {
                scratch.LoadFromMemory(data->data(format), QString(), QStringLiteral("no undo"));
                picture = scratch.image();
                break;
            } catch (const pix::PixError&) {
            }
        }
    }
    if (picture.isNull()) return;
    if (Pix->image().IsEmpty()) {
        Pix->image().setImage(picture, pix::imageTypeFromFormat(picture), QString());
        return;
    }
    const QPoint at = Pix->SelectionShown()
                          ? QPoint(int(Pix->SelectionLeft()), int(Pix->SelectionTop()))
                          : QPoint(0, 0);
    pix::Draw::DrawImage(Pix->image(), picture, at.x(), at.y(), 1.0, QString());
}

void frmMain::Delete() {
    const QRect sel = selectionRect();
    if (sel.isEmpty()) return;
    try {
        // A white working copy of the selection's size, written back into the selection.
        pixAction->image().CreateBlank(sel.width(), sel.height(), pix::MakeColor(0xFFFFFF, 255),
                                       pix::kRgb, QStringLiteral("No Undo"));
        UpdateImage(*Pix);
    } catch (const pix::PixError&) {
        // Delete ends quietly on an engine error.
    }
}

void frmMain::SelectAll() {
    const pix::PixImage& img = Pix->image();
    if (img.IsEmpty()) return;
    Pix->setSelection(QRectF(-1, -1, img.width() + 1, img.height() + 1));
}

void frmMain::DragImage(int16_t index) {
    if (index != 2) return;
    platform::FileRequest req;
    req.title = QStringLiteral("Open");
    req.filter = fileformats::kOpenFilter;
    const platform::FileAnswer chosen = platform::desktop().openFile(req);
    if (!chosen.accepted) return;
    pix::PixImage scratch;
    scratch.LoadFromFile(chosen.fileName, QStringLiteral("no undo"));
    Pix->setBackgroundPicture(scratch.image());
}

// --- overlay -----------------------------------------------------------------------------------

void frmMain::Draw_Image() {
    platform::messageBox(QStringLiteral("Select image to overlay, position image with mouse, then "
                                        "double click to finalize position"),
                         platform::Buttons::Ok, platform::Icon::Information);
    platform::FileRequest req;
    req.title = QStringLiteral("Open");
    req.filter = fileformats::kOpenFilter;
    const platform::FileAnswer chosen = platform::desktop().openFile(req);
    if (!chosen.accepted) return;
    OverlayActive = true;
    savedMouseMode_ = Pix->MouseMode();
    Pix->setMouseMode(0);
    try {
        OverlayImage->LoadFromFile(chosen.fileName, QString());
    } catch (const pix::PixError& e) {
        // Nothing to place: leave placing at once.
        OverlayActive = false;
        Pix->setMouseMode(savedMouseMode_);
        RaiseError(e);
    }
    Pix->viewport()->update();
}

// The overlay shown at the image's scale, so it lands where the user sees it.
QSize frmMain::overlayViewSize() const {
    if (OverlayImage->IsEmpty()) return {};
    const double z = Pix->ZoomFactor();
    return QSize(int(std::lround(OverlayImage->width() * z)),
                 int(std::lround(OverlayImage->height() * z)));
}

void frmMain::paintOverlay(QPainter& painter) {
    const double percent = std::round(Pix->ZoomFactor() * 100.0);
    if (!OverlayActive || OverlayImage->IsEmpty() || percent < 0.5 || percent >= 1600) return;
    const QRect target(QPoint(OverlayLeft, OverlayTop), overlayViewSize());
    painter.drawImage(target, OverlayImage->image());
    painter.setPen(QPen(QColor(255, 0, 0), 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(target.adjusted(-4, -4, 4, 4));
}

void frmMain::onDoubleClick(double, double) {
    if (!OverlayActive) return;
    OverlayActive = false;
    Pix->setMouseMode(savedMouseMode_);
    // The view position of the overlay's corner, through the zoom and scroll, in image pixels.
    const QPointF at = Pix->controlToImage(QPointF(OverlayLeft, OverlayTop));
    try {
        pix::Draw::DrawImageAlpha(Pix->image(), OverlayImage->image(), int(std::lround(at.x())),
                                  int(std::lround(at.y())), QString());
    } catch (const pix::PixError& e) {
        RaiseError(e);
    }
    Pix->viewport()->update();
}
