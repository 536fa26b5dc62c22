// The frame's window arrangement, and the menu items that follow the active document: the Edit
// items, the Import and View refreshes and the magnifier.
#include "app/mdi_main.h"

#include "document/frm_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/ctrl/zoom_window.h"
#include "engine/pix_image.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QStyle>
#include <QStyleOption>

void MDIMain::cmdTileHorizontal(int) {
    tile(true);
}
void MDIMain::cmdTileVertical(int) {
    tile(false);
}
void MDIMain::cmdCascade(int) {
    // Each window keeps its size, one title bar further down and right than the one before, and
    // the active one ends on top. A window that would reach past the area is made smaller, but
    // never below half the area: the steps then start again at the top-left corner.
    QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    QMdiSubWindow* active = mdi_->activeSubWindow();
    if (active && windows.removeOne(active)) windows.append(active);
    const QSize area = mdi_->viewport()->size();
    const QSize least(area.width() / 2, area.height() / 2);
    QStyleOptionTitleBar option;
    option.initFrom(windows.first());
    const int step = std::max(16, windows.first()->style()->pixelMetric(QStyle::PM_TitleBarHeight,
                                                                        &option, windows.first()));
    int offset = 0;
    for (QMdiSubWindow* w : windows) {
        w->showNormal();
        QSize size = w->size();
        if (offset + std::min(size.width(), least.width()) > area.width() ||
            offset + std::min(size.height(), least.height()) > area.height())
            offset = 0;
        size = size.boundedTo(QSize(area.width() - offset, area.height() - offset));
        w->setGeometry(QRect(QPoint(offset, offset), size));
        w->raise();
        offset += step;
    }
    if (active) mdi_->setActiveSubWindow(active);
}

// One window above the other (horizontal) or side by side (vertical).
void MDIMain::tile(bool horizontal) {
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
    if (windows.isEmpty()) return;
    const QRect area = mdi_->viewport()->rect();
    const int n = int(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        w->showNormal();
        if (horizontal)
            w->setGeometry(0, area.height() * i / n, area.width(),
                           area.height() * (i + 1) / n - area.height() * i / n);
        else
            w->setGeometry(area.width() * i / n, 0,
                           area.width() * (i + 1) / n - area.width() * i / n, area.height());
    }
}

void MDIMain::refreshEditMenu(int) {
    refreshEditItems();
}

void MDIMain::refreshEditItems() {
    if (!IsAnyOpened()) return;
    frmMain* doc = activeDocument();
    if (!doc) return;
    const pix::PixImage& image = doc->Pix->image();
    const struct {
        const char* name;
        bool enabled;
    } items[] = {
        {"mnuCopy", bRegionSelected},        {"mnuCut", bRegionSelected},
        {"mnuPaste", clipboardHasPicture()}, {"mnuUndo", image.Undos() != 0},
        {"mnuRedo", image.Redos() != 0},
    };
    for (const auto& it : items)
        if (QAction* a = menuItem(QString::fromLatin1(it.name))) a->setEnabled(it.enabled);
}

void MDIMain::onDocumentActivated(QMdiSubWindow* window) {
    refreshEditItems();
    updateCaption();
    QAction* zoomItem = menuItem(QStringLiteral("mnuZoomWindow"));
    if (zoomItem && zoomItem->isChecked()) showMagnifierOfActiveDocument();
    // The application's selection is that of the document the user works in.
    if (window)
        if (auto* doc = qobject_cast<frmMain*>(window->widget())) {
            doc->publishSelection();
            doc->Images_Menu();
        }
}

bool MDIMain::clipboardHasPicture() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return false;
    if (data->hasImage()) return true;
    for (const QString& f : data->formats())
        if (f.startsWith(QLatin1String("image/"))) return true;
    return false;
}

void MDIMain::refreshImportMenu(int) {
    // With no sources both scanner items are off.
    for (const char* n : {"mnuSelectTwain", "mnuAcquireTwain"})
        if (QAction* a = menuItem(QString::fromLatin1(n))) a->setEnabled(scannerSourceCount() > 0);
}

void MDIMain::refreshViewMenu(int) {
    // The user may have closed the magnifier itself.
    QAction* item = menuItem(QStringLiteral("mnuZoomWindow"));
    frmMain* doc = activeDocument();
    if (item && doc && !doc->Pix->zoomWindow().Visible()) item->setChecked(false);
}

void MDIMain::cmdZoomWindow(int) {
    QAction* item = menuItem(QStringLiteral("mnuZoomWindow"));
    frmMain* doc = activeDocument();
    if (!item || !doc) return;
    // The item has toggled its check already; the magnifier follows it.
    if (item->isChecked()) {
        showMagnifierOfActiveDocument();
        doc->Pix->zoomWindow().setZoomRate(8);
    } else {
        doc->Pix->zoomWindow().Hide();
    }
}

void MDIMain::showMagnifierOfActiveDocument() {
    frmMain* active = activeDocument();
    for (int k = 0; k < Documents.size(); ++k)
        if (Documents[k] && Documents[k] != active)
            if (pix::ZoomWindow* other = Documents[k]->Pix->existingZoomWindow()) other->Hide();
    if (!active) return;
    pix::ZoomWindow& zoom = active->Pix->zoomWindow();
    zoom.Show();
    // Beside the document's window (its frame in the frame's area), clear of the menus.
    QWidget* window = active->parentWidget() ? active->parentWidget() : active;
    zoom.placeBeside(QRect(window->mapToGlobal(QPoint(0, 0)), window->size()));
}
