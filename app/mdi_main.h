// MDIMain: the frame window — menu bar, tool bars, colour swatches, coordinates read-out, the
// table of open documents, the application-wide state and the program's orderly end.
#pragma once

#include "document/document_host.h"
#include "settings/mod_settings.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <functional>

class CRegister;
class RecentFiles;
class frmMain;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolButton;
class frmControls;
namespace colour {
class FrameSwatches;
}

class MDIMain : public QMainWindow, public DocumentHost {
    Q_OBJECT
public:
    explicit MDIMain(CRegister& store, QWidget* parent = nullptr);
    ~MDIMain() override;

    // Runs the load sequence (settings, tools, menu state). Called once before the frame shows.
    void Load();

    // --- document table ------------------------------------------------------------------------
    QList<frmMain*> Documents;
    QList<bool> DocumentInUse;
    int16_t DocumentCount = 0;
    bool IsAnyOpened() const override;
    frmMain* activeDocument() const;
    // Creates the window for slot DocumentCount and marks it in use; returns the slot.
    int createDocumentSlot();
    // Shows the window of slot n as a child window; DocumentCount = n + 1; menus enabled.
    void showDocument(int n);
    // Destroys the window of slot n (after a failed load or a close).
    void releaseSlot(int n) override;
    // Frame commands that create documents.
    void FileOpen();
    void FileNew();
    void FileOpenURL();
    void FileClose();
    void FileExit();

    // --- application-wide state -----------------------------------------------------------------
    FrameSettings settings;
    DrawingDefaults drawing;
    int16_t CurrTool = 0;
    int SelLeft = 0, SelTop = 0, SelWidth = 0, SelHeight = 0;
    bool bRegionSelected = false;
    uint32_t SelColor[2] = {0x000000, 0xFFFFFF}; // foreground and background, 0x00BBGGRR

    // --- menus and tools ------------------------------------------------------------------------
    // The item of a group (index >= 0) or a single item (index -1); nullptr when there is none.
    QAction* menuItem(const QString& name, int index = -1) const;
    QList<QAction*> allMenuItems() const { return actions_.values(); }
    // The items whose rows in the menu table carry `flag` (a menus::MenuFlag), in table order.
    QList<QAction*> itemsFlagged(unsigned flag) const;
    void EnDisMenuItems(bool enable);
    void SelectTool(int16_t tool);
    void UpdateStatus(const QString& x, const QString& y, const QString& w, const QString& h);
    // Folder of the program's data (alpha masks and the like).
    static QString programFolder();
    // Shows the "Add Alpha Mask" items for the given mask file names.
    void setAlphaMaskItems(const QStringList& names) override;

    QMdiArea* mdiArea() const { return mdi_; }
    QWidget* LeftBar = nullptr;
    QWidget* TopBar = nullptr;
    QWidget* ColorsBg = nullptr;
    QWidget* CoordsInfo = nullptr;
    QLabel* lblCoords = nullptr;
    QLabel* lblArea = nullptr;
    QHash<int, QToolButton*> cmd;    // tool buttons by tool number
    frmControls* Controls = nullptr; // the tool palette

    // Width of the tool palette's option strip for the current tool, in pixels (0 without one).
    std::function<int()> optionStripRight;
    void layoutTopBar();

    // Where a menu item leads: a frame command, a broadcast to every document, an action of the
    // active document, something not built yet (it does nothing), a plain submenu, or nowhere.
    enum class Route { Frame, Broadcast, Document, NotBuilt, Submenu, Nowhere };
    // `name` is an item group or single item; with ":open" appended, the opening of its submenu.
    Route routeOf(const QString& name, int index) const;
    // Keys ("name" or "name(index)") of the menu items that do nothing yet; submenu headers whose
    // opening would forward to something not built are listed with ":open".
    QStringList notBuiltItems() const;

    bool settingsSaved() const { return settingsSaved_; }
    // --- the desktop around the frame (mdi_main_desktop.cpp) -------------------------------------
    // The "Recent Files" submenu of File.
    RecentFiles* recentFiles() const { return recentFiles_; }
    // The caption marks a modified active document with "*".
    void updateCaption();
    // The document's file was opened or written: it joins the recent files, the caption follows.
    void documentSaved(frmMain* doc);
    // Chooses a menu item as the user would (runs its route); false when there is no such item.
    bool chooseMenuItem(const QString& name, int index = -1);
    QMenu* submenu(const QString& name, int index = -1) const;
    colour::FrameSwatches* swatches() const { return swatchBar_; }
    // Shows the foreground and background colours in the swatches.
    void refreshColours();
    // Opens a submenu as the user would (its refresh or forwarding runs).
    void openSubmenu(const QString& name, int index = -1);
    static bool clipboardHasPicture();

    // Number of scanner sources available.
    int scannerSourceCount() const;

    // --- what the documents ask of the frame (mdi_main_host.cpp) ---------------------------------
    void closeSlot(int slot) override;
    bool isActiveDocument(const frmMain* doc) const override;
    SelectionState selection() const override;
    void publishSelection(const SelectionState& selection) override;
    uint32_t swatchColour(int swatch) const override;
    void setForegroundColour(uint32_t colour) override;
    void setSwatchColour(int swatch, uint32_t colour) override;
    frmMain* currentDocument() const override { return activeDocument(); }
    QList<frmMain*> openDocuments() const override;
    TextStyle textStyle() const override;
    void showPointerColour(uint32_t colour) override;
    void chooseTexture() override;
    int16_t currentTool() const override { return CurrTool; }
    void selectTool(int16_t tool) override { SelectTool(tool); }
    const DrawingDefaults& drawingDefaults() const override { return drawing; }
    void setDrawingDefaults(const DrawingDefaults& defaults) override { drawing = defaults; }
    const FrameSettings& frameSettings() const override { return settings; }
    QString alphaMaskFolder() const override;
    QString itemCaption(const QString& item) const override;
    void enableImageMenus(bool enable) override;
    void enableMetadataItems(bool exif, bool thumbnail, bool iptc) override;
    void enableContextItems(bool crop, bool effects) override;
    QMenu* contextMenu() const override;
    void showCoordinates(const QString& x, const QString& y, const QString& width,
                         const QString& height) override;
    QWidget* dialogOwner() override { return this; }
    bool isItemChecked(const QString& item) const override;
    void setItemEnabled(const QString& item, bool enable) override;
    void setItemChecked(const QString& item, bool check) override;
    void setPageItems(const QStringList& captions, int current) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct FrameCommand {
        const char* name;
        void (MDIMain::*run)(int index); // nullptr: not built yet, the item does nothing
    };
    static const FrameCommand* frameCommand(const QString& name);
    // The document action a menu item names ("mnuFlip" -> "EffectsFlip"), without ":open".
    static QString documentAction(const QString& name);

    void buildMenus();
    void buildBars();
    void routeMenuItem(const QString& name, int index);
    // The Edit items, from the active document's history and selection and the clipboard.
    void refreshEditItems();
    // A document became active: its menu state and the magnifier follow it.
    void onDocumentActivated(QMdiSubWindow* window);
    // A document chose item `index` of a Draw menu radio group.
    void checkDrawingItem(const QString& group, int index);
    // Frame commands of the menus (the index is that of the chosen item, -1 for single items).
    void cmdOpen(int);
    void cmdNew(int);
    void cmdOpenURL(int);
    void cmdClose(int);
    void cmdExit(int);
    void cmdCut(int);
    void cmdTileHorizontal(int);
    void cmdTileVertical(int);
    void cmdCascade(int);
    void cmdSettings(int index);
    void cmdAntialias(int);
    // A check mark that other commands read (Apply Palette reads "Dither Palette"): choosing it
    // only toggles the mark.
    void cmdCheckMarkOnly(int) {}
    void refreshEditMenu(int);
    void refreshImportMenu(int);
    void refreshViewMenu(int);
    void refreshImagesMenu(int);
    void cmdZoomWindow(int);
    void cmdTextureGradient(int index);
    void captureInto(const char* action);
    void cmdCaptureScreen(int);
    void cmdCaptureRect(int);
    void cmdCaptureWindow(int);
    void cmdAcquireTwain(int);
    void cmdSelectTwain(int);
    // Printing (print_commands.cpp) and the Help menu (help_commands.cpp).
    void cmdPageSetup(int);
    void cmdPrint(int index);
    void cmdAbout(int);
    void cmdHelpIndex(int);
    void cmdCheckUpdate(int);
    void cmdPasteNew(int);
    void cmdSelectNone(int);
    // Recent files, drops, the desktop's standard shortcuts, full screen and the caption.
    void installDesktopIntegration();
    // Shows the active document's magnifier beside its window and hides every other one.
    void showMagnifierOfActiveDocument();
    void tile(bool horizontal);
    // Asks every open document in slot order; false when one cancelled.
    bool closeAllDocuments();

    CRegister& store_;
    QMdiArea* mdi_ = nullptr;
    QHash<QString, QAction*> actions_; // "name" or "name(index)"
    QHash<QString, QMenu*> submenus_;  // same keys, for items that open a submenu
    colour::FrameSwatches* swatchBar_ = nullptr;
    bool pressed_[21] = {};
    bool settingsSaved_ = false;
    bool exiting_ = false;
    RecentFiles* recentFiles_ = nullptr;
};
