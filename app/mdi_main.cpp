#include "mdi_main.h"

#include "catalogue/catalogue.h"
#include "catalogue/menu_table.h"
#include "colour/frame_swatches.h"
#include "document/document_actions.h"
#include "document/frm_main.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/pix_image.h"
#include "info/frm_histogram.h"
#include "platform/artwork.h"
#include "platform/desktop.h"
#include "settings/cregister.h"
#include "tools/drawing_textures.h"
#include "tools/frm_controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString itemKey(const QString& name, int index) {
    return index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
}

struct ToolButton {
    int tool;
    const char* tip; // "" for the buttons without a tip
};

// Tool buttons of the side bar, in order.
constexpr ToolButton kToolButtons[] = {
    {0, ""},           {1, "Hand"},  {2, "Select"},      {3, "Zoom In/Out"}, {4, "Zoom Selection"},
    {12, "Zoom Hand"}, {7, "Line"},  {8, "Polygon"},     {9, "Rectangle"},   {10, "Ellipse"},
    {11, "Pen"},       {15, "Text"}, {16, "Pick Color"}, {17, "Flood Fill"}, {19, "Crop"},
    {20, "Eraser"},    {13, ""},     {40, ""},           {100, ""},          {110, ""},
};

} // namespace

MDIMain::MDIMain(CRegister& store, QWidget* parent) : QMainWindow(parent), store_(store) {
    setWindowTitle(QStringLiteral("Corvane Pixendra"));
    setWindowIcon(artwork::appIconSet());
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MDIClient"));
    mdi_->viewport()->installEventFilter(this);
    setCentralWidget(mdi_);
    buildMenus();
    buildBars();
    // 1024 x 720, or less on a smaller screen: the window manager's frame must fit as well.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 720);
    resize(std::min(1024, room.width()), std::min(720, room.height() - 40));
    installDesktopIntegration();
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MDIMain::onDocumentActivated);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &MDIMain::refreshEditItems);
    // However the histogram window closes, its menu item loses the check mark.
    connect(&frmHistogram::instance(), &frmHistogram::closed, this,
            [this] { setItemChecked(QStringLiteral("mnuDemosHistogram"), false); });
}

MDIMain::~MDIMain() {
    // The child windows go after the frame's own members: no menu refresh may reach them then.
    disconnect(mdi_, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    for (frmMain* doc : std::as_const(Documents))
        if (doc) disconnect(doc, nullptr, this, nullptr);
}

void MDIMain::Load() {
    QApplication::setApplicationDisplayName(QStringLiteral("Pixendra"));
    LeftBar->setAutoFillBackground(true);
    LeftBar->setBackgroundRole(QPalette::Button);
    SelectTool(0);
    EnDisMenuItems(false);
    modSettings::LoadFrameSettings(settings, store_);
    drawing = DrawingDefaults{};
    if (QMenu* draw = submenus_.value(QStringLiteral("mnumDraw")))
        draw->menuAction()->setVisible(false);
    // The Metadata menu is hidden in the table as designed and shown here, so that its commands
    // can be reached (it is enabled only while a document holds an image).
    if (QMenu* metadata = submenus_.value(QStringLiteral("mnumMetaData")))
        metadata->menuAction()->setVisible(true);
    if (QAction* db = menuItem(QStringLiteral("mnuSettings"), 3))
        settings.doubleBuffer = db->isChecked();
}

// --- menus ------------------------------------------------------------------------------------

void MDIMain::buildMenus() {
    QSet<QString> parents;
    for (const menus::MenuRow& r : menus::menuRows())
        if (*r.parent) parents.insert(itemKey(QString::fromLatin1(r.parent), r.parentIndex));

    for (const menus::MenuRow& r : menus::menuRows()) {
        const QString name = QString::fromLatin1(r.name);
        const QString key = itemKey(name, r.index);
        const QString caption = QString::fromLatin1(r.caption);
        QMenu* parentMenu =
            *r.parent ? submenus_.value(itemKey(QString::fromLatin1(r.parent), r.parentIndex))
                      : nullptr;
        QAction* action = nullptr;
        if (parents.contains(key)) {
            QMenu* menu = parentMenu ? parentMenu->addMenu(caption) : menuBar()->addMenu(caption);
            menu->setObjectName(key);
            submenus_.insert(key, menu);
            action = menu->menuAction();
            // A submenu header that belongs to a routed group forwards its index on opening.
            connect(menu, &QMenu::aboutToShow, this, [this, name, idx = r.index] {
                routeMenuItem(name + QStringLiteral(":open"), idx);
            });
        } else {
            action = parentMenu ? parentMenu->addAction(caption) : menuBar()->addAction(caption);
            connect(action, &QAction::triggered, this,
                    [this, name, idx = r.index] { routeMenuItem(name, idx); });
        }
        action->setObjectName(key);
        action->setProperty("itemName", name);
        action->setProperty("itemIndex", r.index);
        if (*r.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(r.shortcut)));
        if (r.flags & menus::kCheckable) action->setCheckable(true);
        if (r.flags & menus::kChecked) action->setChecked(true);
        if (r.flags & menus::kHidden) action->setVisible(false);
        if ((r.flags & menus::kSeparatorAfter) && parentMenu) parentMenu->addSeparator();
        actions_.insert(key, action);
    }
    // Catalogue entries with a help text show it as their item's status and tool tip.
    for (const catalogue::Catalogue* table : catalogue::allCatalogues())
        for (const catalogue::Entry& e : table->entries)
            if (!e.help.isEmpty())
                if (QAction* a = menuItem(QString::fromLatin1(table->menuGroup), e.index)) {
                    a->setStatusTip(e.help);
                    a->setToolTip(e.help);
                    if (auto* menu = qobject_cast<QMenu*>(a->parent()))
                        menu->setToolTipsVisible(true);
                }
}

QAction* MDIMain::menuItem(const QString& name, int index) const {
    return actions_.value(itemKey(name, index));
}

QList<QAction*> MDIMain::itemsFlagged(unsigned flag) const {
    QList<QAction*> items;
    for (const menus::MenuRow& r : menus::menuRows())
        if (r.flags & flag)
            if (QAction* a = menuItem(QString::fromLatin1(r.name), r.index)) items << a;
    return items;
}

const MDIMain::FrameCommand* MDIMain::frameCommand(const QString& name) {
    static const FrameCommand kFrameCommands[] = {
        {"mnuOpen", &MDIMain::cmdOpen},
        {"mnuNew", &MDIMain::cmdNew},
        {"mnuOpenURL", &MDIMain::cmdOpenURL},
        {"mnuClose", &MDIMain::cmdClose},
        {"mnuExit", &MDIMain::cmdExit},
        {"mnuCut", &MDIMain::cmdCut},
        {"ArrHorizontal", &MDIMain::cmdTileHorizontal},
        {"ArrVertival", &MDIMain::cmdTileVertical},
        {"Cascade", &MDIMain::cmdCascade},
        {"mnuSettings", &MDIMain::cmdSettings},
        {"mnuAntialias", &MDIMain::cmdAntialias},
        {"mnuEffectsDitherPalette", &MDIMain::cmdCheckMarkOnly},
        {"mnumEdit:open", &MDIMain::refreshEditMenu},
        {"mnuImport:open", &MDIMain::refreshImportMenu},
        {"mnuView:open", &MDIMain::refreshViewMenu},
        {"mnuZoomWindow", &MDIMain::cmdZoomWindow},
        {"mnuPasteNew", &MDIMain::cmdPasteNew},
        {"mnuSelectNone", &MDIMain::cmdSelectNone},
        {"mnuDrawTextureGradient", &MDIMain::cmdTextureGradient},
        // Printing, help, updates and the scanner are not built yet.
        {"mnuPageSetup", &MDIMain::cmdPageSetup},
        {"mnuPrintSettings", &MDIMain::cmdPrint},
        {"mnuAbout", &MDIMain::cmdAbout},
        {"mnuIndex", &MDIMain::cmdHelpIndex},
        {"mnuUpdate", &MDIMain::cmdCheckUpdate},
        {"mnuSelectTwain", &MDIMain::cmdSelectTwain},
        // Import: the captures make a new image first and capture into it; the scan makes one
        // only when no document is open. Capturing and scanning themselves are not built yet.
        {"mnuCaptureScreen", &MDIMain::cmdCaptureScreen},
        {"mnuCaptureRect", &MDIMain::cmdCaptureRect},
        {"mnuCaptureWindow", &MDIMain::cmdCaptureWindow},
        {"mnuAcquireTwain", &MDIMain::cmdAcquireTwain},
        {"mnumImages:open", &MDIMain::refreshImagesMenu},
    };
    for (const FrameCommand& c : kFrameCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

namespace {

// The groups the menu table marks as broadcast (the drawing settings) go to every open
// document, in slot order.
bool isBroadcast(const QString& name) {
    static const QSet<QString> groups = [] {
        QSet<QString> names;
        for (const menus::MenuRow& r : menus::menuRows())
            if (r.flags & menus::kBroadcast) names.insert(QString::fromLatin1(r.name));
        return names;
    }();
    return groups.contains(name);
}

} // namespace

QString MDIMain::documentAction(const QString& name) {
    QString item = name;
    if (item.endsWith(QLatin1String(":open"))) item.chop(5);
    static const QHash<QString, QString> kRenamed = {
        {QStringLiteral("mnuFlip"), QStringLiteral("EffectsFlip")},
        {QStringLiteral("mnuDrawImage"), QStringLiteral("Draw_Image")},
    };
    return kRenamed.value(item, item.mid(3));
}

MDIMain::Route MDIMain::routeOf(const QString& name, int index) const {
    if (const FrameCommand* c = frameCommand(name)) return c->run ? Route::Frame : Route::NotBuilt;
    if (isBroadcast(name)) return Route::Broadcast;
    const bool opening = name.endsWith(QLatin1String(":open"));
    // Only headers that are members of an indexed group forward their index.
    if (opening && index < 0) return Route::Submenu;
    if (!name.startsWith(QLatin1String("mnu"))) return Route::Nowhere;
    switch (documentactions::state(documentAction(name), opening ? -1 : index)) {
    case documentactions::State::Built:
        return Route::Document;
    case documentactions::State::NotBuilt:
        return Route::NotBuilt;
    case documentactions::State::Unknown:
        break;
    }
    // A header of a group that names no action (Channels, Draw) is a plain submenu.
    return opening ? Route::Submenu : Route::Nowhere;
}

QStringList MDIMain::notBuiltItems() const {
    QStringList keys;
    for (QAction* a : std::as_const(actions_)) {
        const QString name = a->property("itemName").toString();
        const int index = a->property("itemIndex").toInt();
        const QString route = a->menu() ? name + QStringLiteral(":open") : name;
        if (routeOf(route, index) == Route::NotBuilt)
            keys << (a->menu() ? a->objectName() + QStringLiteral(":open") : a->objectName());
    }
    keys.sort();
    return keys;
}

void MDIMain::routeMenuItem(const QString& name, int index) {
    switch (routeOf(name, index)) {
    case Route::Frame:
        return (this->*frameCommand(name)->run)(index);
    case Route::Broadcast:
        for (int k = 0; k < Documents.size(); ++k)
            if (DocumentInUse.value(k) && Documents[k])
                documentactions::run(*Documents[k], documentAction(name), int16_t(index));
        return;
    case Route::Document:
        if (frmMain* doc = activeDocument())
            documentactions::run(*doc, documentAction(name), int16_t(index));
        return;
    case Route::NotBuilt:
    case Route::Submenu:
    case Route::Nowhere:
        return;
    }
}

void MDIMain::cmdOpen(int) {
    FileOpen();
}
void MDIMain::cmdNew(int) {
    FileNew();
}
void MDIMain::cmdOpenURL(int) {
    FileOpenURL();
}
void MDIMain::cmdClose(int) {
    FileClose();
}
void MDIMain::cmdExit(int) {
    FileExit();
}

void MDIMain::captureInto(const char* action) {
    FileNew();
    if (frmMain* doc = activeDocument()) documentactions::run(*doc, QString::fromLatin1(action), 0);
}
void MDIMain::cmdCaptureScreen(int) {
    captureInto("CaptureScreen");
}
void MDIMain::cmdCaptureRect(int) {
    captureInto("CaptureRect");
}
void MDIMain::cmdCaptureWindow(int) {
    captureInto("CaptureWindow");
}

void MDIMain::cmdCut(int) {
    frmMain* doc = activeDocument();
    if (!doc) return;
    documentactions::run(*doc, QStringLiteral("Copy"), 0);
    documentactions::run(*doc, QStringLiteral("Delete"), 0);
}

void MDIMain::EnDisMenuItems(bool enable) {
    for (QAction* a : std::as_const(actions_)) a->setEnabled(enable);
    frmMain* doc = activeDocument();
    if (doc) {
        for (const char* n : {"mnuCopy", "mnuCut"})
            if (QAction* a = menuItem(QString::fromLatin1(n))) a->setEnabled(bRegionSelected);
    }
    for (const char* n : {"mnuSaveAs", "mnuSave"})
        if (QAction* a = menuItem(QString::fromLatin1(n))) a->setEnabled(enable);
    for (QAction* a : itemsFlagged(menus::kAlwaysEnabled)) a->setEnabled(true);
    if (IsAnyOpened() && doc) doc->refreshMetadataItems();
    refreshEditItems();
}

void MDIMain::SelectTool(int16_t tool) {
    // Button 5 is released whenever another tool is chosen.
    if (pressed_[5] && CurrTool != 5) {
        pressed_[5] = false;
        if (QToolButton* b = cmd.value(5)) b->setChecked(false);
    }
    if (CurrTool >= 0 && CurrTool <= 20) {
        pressed_[CurrTool] = false;
        if (QToolButton* b = cmd.value(CurrTool)) b->setChecked(false);
    }
    if (tool >= 0 && tool <= 20) pressed_[tool] = true;
    if (QToolButton* b = cmd.value(tool)) b->setChecked(true);
    CurrTool = tool;
    if (Controls) Controls->showStrip(tool);
    layoutTopBar();
    if (!IsAnyOpened()) return;
    const int16_t number = tool == 19 ? 2 : tool == 20 ? 11 : tool;
    for (int k = 0; k < Documents.size(); ++k) {
        if (!DocumentInUse.value(k) || !Documents[k]) continue;
        Documents[k]->SetCurrTool(number);
        if (tool == 20) Documents[k]->DrawOpacity(0);
    }
}

void MDIMain::UpdateStatus(const QString& x, const QString& y, const QString& w, const QString& h) {
    lblCoords->setText(x + QLatin1Char(',') + y);
    lblArea->setText(w + QLatin1Char(',') + h);
}

QString MDIMain::programFolder() {
    return QCoreApplication::applicationDirPath();
}

void MDIMain::setAlphaMaskItems(const QStringList& names) {
    QMenu* masks = submenus_.value(QStringLiteral("mnuChannelsAlpha(0)"));
    if (QAction* header = menuItem(QStringLiteral("mnuChannelsAlpha"), 0))
        header->setVisible(!names.isEmpty());
    if (!masks) return;
    for (int k = 0; k < names.size(); ++k) {
        const QString key = itemKey(QStringLiteral("mnuChannelsAlphaAddMask"), k + 2);
        QAction* a = actions_.value(key);
        if (!a) {
            a = masks->addAction(names[k]);
            a->setObjectName(key);
            const int index = k + 2;
            connect(a, &QAction::triggered, this, [this, index] {
                routeMenuItem(QStringLiteral("mnuChannelsAlphaAddMask"), index);
            });
            actions_.insert(key, a);
        }
        a->setText(names[k]);
    }
}

// --- bars -------------------------------------------------------------------------------------

void MDIMain::buildBars() {
    LeftBar = new QWidget(this);
    LeftBar->setObjectName(QStringLiteral("LeftBar"));
    // Two columns of tools, so that the bar fits a screen 512 pixels high (1366 x 768 at 150 %).
    auto* left = new QGridLayout(LeftBar);
    left->setContentsMargins(2, 2, 2, 2);
    left->setSpacing(1);
    int place = 0;
    for (const ToolButton& t : kToolButtons) {
        auto* b = new QToolButton(LeftBar);
        b->setObjectName(QStringLiteral("cmd(%1)").arg(t.tool));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setIcon(artwork::toolIconSet(t.tool));
        b->setIconSize(QSize(20, 20));
        if (*t.tip) b->setToolTip(QString::fromLatin1(t.tip));
        // Buttons without a tip are spare places of the bar.
        b->setVisible(*t.tip || t.tool == 0);
        connect(b, &QToolButton::clicked, this,
                [this, tool = t.tool] { SelectTool(int16_t(tool)); });
        cmd.insert(t.tool, b);
        // The spare places come last: their rows take no room while they are hidden.
        left->addWidget(b, place / 2, place % 2);
        ++place;
    }
    const int rows = (place + 1) / 2;
    left->setRowStretch(rows, 1);

    swatchBar_ = new colour::FrameSwatches(*this, this, LeftBar);
    ColorsBg = swatchBar_;
    left->addWidget(ColorsBg, rows + 1, 0, 1, 2, Qt::AlignHCenter);

    auto* leftDock = new QToolBar(QStringLiteral("Side Toolbar"), this);
    leftDock->setObjectName(QStringLiteral("SideToolbar"));
    leftDock->setMovable(false);
    leftDock->addWidget(LeftBar);
    addToolBar(Qt::LeftToolBarArea, leftDock);

    TopBar = new QWidget(this);
    TopBar->setObjectName(QStringLiteral("TopBar"));
    TopBar->setMinimumHeight(28);
    CoordsInfo = new QWidget(TopBar);
    CoordsInfo->setObjectName(QStringLiteral("CoordsInfo"));
    auto* coords = new QHBoxLayout(CoordsInfo);
    coords->setContentsMargins(4, 2, 4, 2);
    lblCoords = new QLabel(CoordsInfo);
    lblCoords->setObjectName(QStringLiteral("lblCoords"));
    lblArea = new QLabel(CoordsInfo);
    lblArea->setObjectName(QStringLiteral("lblArea"));
    lblCoords->setMinimumWidth(80);
    lblArea->setMinimumWidth(80);
    coords->addWidget(lblCoords);
    coords->addWidget(lblArea);
    CoordsInfo->resize(180, 26);
    auto* topDock = new QToolBar(QStringLiteral("Toolbar"), this);
    topDock->setObjectName(QStringLiteral("Toolbar"));
    topDock->setMovable(false);
    topDock->addWidget(TopBar);
    TopBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    addToolBar(Qt::TopToolBarArea, topDock);
    TopBar->installEventFilter(this);
    // The tool palette's strips sit at the left of the top bar.
    Controls = new frmControls(
        *this, [this](int item) { return submenu(QStringLiteral("mnuDrawSetup"), item); }, TopBar);
    optionStripRight = [this] { return Controls->stripRight(); };
}

void MDIMain::layoutTopBar() {
    if (!TopBar || !CoordsInfo) return;
    const int stripRight = optionStripRight ? optionStripRight() : 0;
    const int left = std::max(TopBar->width() - CoordsInfo->width(), stripRight);
    CoordsInfo->move(left, (TopBar->height() - CoordsInfo->height()) / 2);
}

void MDIMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutTopBar();
}

bool MDIMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TopBar && event->type() == QEvent::Resize) layoutTopBar();
    if (watched == mdi_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        FileOpen();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- documents --------------------------------------------------------------------------------

bool MDIMain::IsAnyOpened() const {
    for (bool inUse : DocumentInUse)
        if (inUse) return true;
    return false;
}

frmMain* MDIMain::activeDocument() const {
    // A window on its way out (its slot already released) is not the active document.
    if (QMdiSubWindow* w = mdi_->currentSubWindow())
        if (auto* doc = qobject_cast<frmMain*>(w->widget()))
            if (DocumentInUse.value(doc->DocumentIndex)) return doc;
    // Without window activation (no focus yet), the last open document serves.
    for (int k = int(Documents.size()) - 1; k >= 0; --k)
        if (DocumentInUse.value(k) && Documents[k]) return Documents[k];
    return nullptr;
}

int MDIMain::createDocumentSlot() {
    const int n = DocumentCount;
    while (Documents.size() <= n) Documents.append(nullptr);
    while (DocumentInUse.size() <= n) DocumentInUse.append(false);
    if (!Documents[n]) {
        Documents[n] = new frmMain(*this);
        Documents[n]->DocumentIndex = int16_t(n);
        frmMain* doc = Documents[n];
        // The Edit items follow every change of the active document's image and history.
        connect(doc, &frmMain::menuStateChanged, this, [this, doc] {
            if (doc == activeDocument()) refreshEditItems();
            updateCaption();
        });
        connect(doc, &frmMain::saved, this, [this, doc] { documentSaved(doc); });
        connect(doc, &frmMain::drawingSettingChosen, this, &MDIMain::checkDrawingItem);
        Documents[n]->loadWindow();
    }
    DocumentInUse[n] = true;
    return n;
}

void MDIMain::showDocument(int n) {
    frmMain* doc = Documents.value(n);
    if (!doc) return;
    QMdiSubWindow* sub = mdi_->addSubWindow(doc);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // The window's own menu leaves the close keys to File > Close (the same close, one owner).
    if (QMenu* own = sub->systemMenu())
        for (QAction* a : own->actions())
            if (a->shortcuts() == QKeySequence::keyBindings(QKeySequence::Close))
                a->setShortcuts({});
    sub->resize(std::min(800, mdi_->width()), std::min(600, mdi_->height()));
    sub->show();
    mdi_->setActiveSubWindow(sub);
    DocumentCount = int16_t(n + 1);
    EnDisMenuItems(true);
}

void MDIMain::releaseSlot(int n) {
    if (n < 0 || n >= Documents.size()) return;
    DocumentInUse[n] = false;
    frmMain* doc = Documents[n];
    Documents[n] = nullptr;
    if (!doc) return;
    doc->setCloseConfirmed(true);
    if (auto* sub = qobject_cast<QMdiSubWindow*>(doc->parentWidget())) {
        sub->close();
    } else {
        doc->deleteLater();
    }
}

void MDIMain::FileOpen() {
    const int n = createDocumentSlot();
    if (!Documents[n]->LoadImage(QString())) return releaseSlot(n);
    showDocument(n);
    documentSaved(Documents[n]);
}

void MDIMain::FileNew() {
    const int n = createDocumentSlot();
    if (!Documents[n]->NewImage()) return releaseSlot(n);
    showDocument(n);
}

void MDIMain::FileOpenURL() {
    const std::optional<QString> answer =
        platform::desktop().input(QStringLiteral("Enter URL to open:"), QStringLiteral("Pixendra"),
                                  QStringLiteral("http://"));
    if (!answer || answer->isEmpty() || *answer == QLatin1String("http://")) return;
    const int n = createDocumentSlot();
    showDocument(n);
    Documents[n]->LoadURL(*answer);
}

void MDIMain::FileClose() {
    if (QMdiSubWindow* w = mdi_->currentSubWindow())
        w->close();
    else if (frmMain* doc = activeDocument())
        doc->close();
}

bool MDIMain::closeAllDocuments() {
    for (int k = 0; k < Documents.size(); ++k) {
        frmMain* doc = Documents[k];
        if (!DocumentInUse.value(k) || !doc) continue;
        if (doc->KillMe() == 1) return false;
        releaseSlot(k);
    }
    return true;
}

void MDIMain::FileExit() {
    // Every unsaved document is asked about, as when the frame closes; the settings are not
    // written on this path.
    exiting_ = true;
    if (!close()) exiting_ = false;
}

void MDIMain::closeEvent(QCloseEvent* event) {
    if (!closeAllDocuments()) {
        event->ignore();
        return;
    }
    if (!exiting_) {
        modSettings::SaveFrameSettings(settings, store_);
        settingsSaved_ = true;
    }
    event->accept();
}

bool MDIMain::chooseMenuItem(const QString& name, int index) {
    QAction* a = menuItem(name, index);
    if (!a || a->menu()) return false;
    a->trigger();
    return true;
}

QMenu* MDIMain::submenu(const QString& name, int index) const {
    return submenus_.value(index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index));
}

void MDIMain::refreshColours() {
    if (swatchBar_) swatchBar_->refresh();
}

void MDIMain::openSubmenu(const QString& name, int index) {
    if (QMenu* m =
            submenus_.value(index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index)))
        emit m->aboutToShow();
}
