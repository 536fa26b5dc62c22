// The frame's side of the document host: the slot table, the application-wide selection and
// colours, and the menu items that follow what a document reports.
#include "app/mdi_main.h"

#include "catalogue/channels_catalogue.h"
#include "catalogue/menu_table.h"
#include "document/document_actions.h"
#include "document/frm_main.h"
#include "tools/drawing_textures.h"
#include "tools/frm_controls.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QMenu>

void MDIMain::closeSlot(int slot) {
    if (slot >= 0 && slot < DocumentInUse.size()) DocumentInUse[slot] = false;
    updateCaption();
    if (IsAnyOpened()) return;
    for (const char* n : {"mnuUndo", "mnuRedo", "mnuPaste"})
        if (QAction* a = menuItem(QString::fromLatin1(n))) a->setEnabled(false);
    EnDisMenuItems(false);
}

bool MDIMain::isActiveDocument(const frmMain* doc) const {
    return doc && activeDocument() == doc;
}

SelectionState MDIMain::selection() const {
    return {SelLeft, SelTop, SelWidth, SelHeight, bRegionSelected};
}

void MDIMain::publishSelection(const SelectionState& s) {
    SelLeft = s.left;
    SelTop = s.top;
    SelWidth = s.width;
    SelHeight = s.height;
    bRegionSelected = s.shown;
    for (const char* n : {"mnuCopy", "mnuCut"})
        if (QAction* a = menuItem(QString::fromLatin1(n))) a->setEnabled(bRegionSelected);
}

uint32_t MDIMain::swatchColour(int swatch) const {
    return swatch == 0 || swatch == 1 ? SelColor[swatch] : 0;
}

void MDIMain::setForegroundColour(uint32_t colour) {
    SelColor[0] = colour;
    refreshColours();
}

void MDIMain::setSwatchColour(int swatch, uint32_t colour) {
    if (swatch != 0 && swatch != 1) return;
    SelColor[swatch] = colour & 0xFFFFFFu;
    refreshColours();
}

TextStyle MDIMain::textStyle() const {
    return Controls ? Controls->textStyle() : TextStyle{};
}

void MDIMain::showPointerColour(uint32_t colour) {
    if (Controls) Controls->showPickColour(colour);
}

void MDIMain::chooseTexture() {
    drawingtextures::selectTexture(*this);
}

void MDIMain::cmdTextureGradient(int index) {
    drawingtextures::gradientTexture(*this, index);
}

QList<frmMain*> MDIMain::openDocuments() const {
    QList<frmMain*> open;
    for (int k = 0; k < Documents.size(); ++k)
        if (DocumentInUse.value(k) && Documents[k]) open << Documents[k];
    return open;
}

QString MDIMain::alphaMaskFolder() const {
    return catalogue::alphaMaskFolder();
}

void MDIMain::enableImageMenus(bool enable) {
    for (QAction* a : itemsFlagged(menus::kImageMenu)) a->setEnabled(enable);
}

void MDIMain::enableMetadataItems(bool exif, bool thumbnail, bool iptc) {
    const bool enabled[] = {exif, thumbnail, iptc};
    for (int i = 0; i < 3; ++i)
        if (QAction* a = menuItem(QStringLiteral("mnuMetadata"), i)) a->setEnabled(enabled[i]);
}

void MDIMain::enableContextItems(bool crop, bool effects) {
    if (QAction* a = menuItem(QStringLiteral("mnuEffectsCrop"), 0)) a->setEnabled(crop);
    if (QAction* a = menuItem(QStringLiteral("mnuEffects"), 0)) a->setEnabled(effects);
}

QMenu* MDIMain::contextMenu() const {
    return submenu(QStringLiteral("mnumEffects"));
}

void MDIMain::showCoordinates(const QString& x, const QString& y, const QString& width,
                              const QString& height) {
    UpdateStatus(x, y, width, height);
}

void MDIMain::checkDrawingItem(const QString& group, int index) {
    // The texture modes are items 6..8 of the texture menu.
    if (group == QLatin1String("mnuDrawTexture")) {
        for (int i = 6; i <= 8; ++i)
            if (QAction* a = menuItem(group, i)) a->setChecked(i == index);
        return;
    }
    for (int i = 0; QAction* a = menuItem(group, i); ++i) a->setChecked(i == index);
    // Line styles are offered for thin pens only.
    if (group == QLatin1String("mnuDrawThickness")) {
        if (QAction* a = menuItem(QStringLiteral("mnuDrawSetup"), 3)) a->setEnabled(index == 0);
        if (Controls) Controls->setLineStyleEnabled(index == 0);
    }
}

bool MDIMain::isItemChecked(const QString& item) const {
    const QAction* a = actions_.value(item);
    return a && a->isChecked();
}

QString MDIMain::itemCaption(const QString& item) const {
    const QAction* a = actions_.value(item);
    return a ? a->text() : QString();
}

void MDIMain::setItemEnabled(const QString& item, bool enable) {
    if (QAction* a = actions_.value(item)) a->setEnabled(enable);
}

void MDIMain::setItemChecked(const QString& item, bool check) {
    if (QAction* a = actions_.value(item)) a->setChecked(check);
}

void MDIMain::refreshImagesMenu(int) {
    if (frmMain* doc = activeDocument())
        documentactions::run(*doc, QStringLiteral("Images_Menu"), 0);
}

void MDIMain::setPageItems(const QStringList& captions, int current) {
    QMenu* list = submenu(QStringLiteral("mnuImages"), 0);
    const QString group = QStringLiteral("mnuImagesImage");
    auto key = [&group](int i) { return QStringLiteral("%1(%2)").arg(group).arg(i); };
    // Item 0 always stays; the others follow the page count.
    for (int i = std::max(1, int(captions.size())); QAction* extra = actions_.value(key(i)); ++i) {
        actions_.remove(key(i));
        delete extra;
    }
    for (int i = 0; i < std::max(1, int(captions.size())); ++i) {
        QAction* a = actions_.value(key(i));
        if (!a) {
            if (!list) return;
            a = list->addAction(QString());
            a->setObjectName(key(i));
            a->setProperty("itemName", group);
            a->setProperty("itemIndex", i);
            connect(a, &QAction::triggered, this, [this, group, i] { routeMenuItem(group, i); });
            actions_.insert(key(i), a);
        }
        a->setCheckable(true);
        a->setText(captions.isEmpty() ? QStringLiteral("No Images") : captions[i]);
        a->setEnabled(!captions.isEmpty());
        a->setChecked(!captions.isEmpty() && i == current);
    }
}
