// The frame as a desktop program: the recent files, drops, the desktop's standard shortcuts,
// 100 % and full screen, pasting the clipboard as a new image, clearing the selection, and the
// caption that marks a modified document.
#include "app/mdi_main.h"

#include "app/open_from_outside.h"
#include "app/recent_files.h"
#include "app/standard_shortcuts.h"
#include "document/frm_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "platform/desktop.h"

#include <QAction>
#include <QMenu>
#include <QUrl>

void MDIMain::installDesktopIntegration() {
    // File > Recent Files, after the commands that open.
    if (QMenu* file = submenu(QStringLiteral("mnumFile"))) {
        auto* recent = new QMenu(QStringLiteral("Recent &Files"), file);
        recent->setObjectName(QStringLiteral("mnuRecentFiles"));
        QAction* before = menuItem(QStringLiteral("mnuImport"));
        file->insertMenu(before, recent);
        recentFiles_ = new RecentFiles(store_, recent, this);
        connect(recentFiles_, &RecentFiles::openRequested, this, [this](const QString& path) {
            outside::openUrls(*this, {QUrl::fromLocalFile(path)});
        });
    }
    new outside::DropOpener(*this);
    shortcuts::addStandardShortcuts(*this);

    // View: the image at 100 % and the frame on the whole screen, with their desktop keys.
    if (QMenu* view = submenu(QStringLiteral("mnuView"))) {
        view->addSeparator();
        QAction* actual = view->addAction(QStringLiteral("Actual Size"));
        actual->setObjectName(QStringLiteral("mnuActualSize"));
        actual->setShortcut(QKeySequence(QStringLiteral("Ctrl+1")));
        connect(actual, &QAction::triggered, this, [this] {
            if (frmMain* doc = activeDocument()) doc->SetZoomValue(100);
        });
        QAction* full = view->addAction(QStringLiteral("Full Screen"));
        full->setObjectName(QStringLiteral("mnuFullScreen"));
        full->setCheckable(true);
        QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::FullScreen);
        if (!keys.contains(QKeySequence(Qt::Key_F11))) keys.prepend(QKeySequence(Qt::Key_F11));
        full->setShortcuts(keys);
        connect(full, &QAction::toggled, this, [this](bool on) {
            if (on)
                showFullScreen();
            else
                showNormal();
        });
    }
}

void MDIMain::cmdPasteNew(int) {
    if (!clipboardHasPicture()) {
        platform::messageBox(QStringLiteral("The clipboard holds no picture."),
                             platform::Buttons::Ok, platform::Icon::Information);
        return;
    }
    const int n = createDocumentSlot();
    frmMain* doc = Documents[n];
    doc->Paste(); // on an empty image the picture becomes the image, at its own size
    if (doc->Pix->image().IsEmpty()) {
        releaseSlot(n);
        platform::messageBox(QStringLiteral("The picture on the clipboard cannot be read."),
                             platform::Buttons::Ok, platform::Icon::Warning);
        return;
    }
    doc->Pix->image().ClearUndo();
    showDocument(n);
    doc->Saved = false;
    updateCaption();
}

void MDIMain::cmdSelectNone(int) {
    if (frmMain* doc = activeDocument()) doc->Pix->clearSelection();
}

void MDIMain::updateCaption() {
    const frmMain* doc = activeDocument();
    const QString caption = QStringLiteral("Corvane Pixendra");
    setWindowTitle(doc && !doc->Saved ? QLatin1Char('*') + caption : caption);
}

void MDIMain::documentSaved(frmMain* doc) {
    if (recentFiles_ && doc && !doc->FilePath.isEmpty()) recentFiles_->add(doc->FilePath);
    updateCaption();
}
