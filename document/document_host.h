// DocumentHost: what a document window needs of the window that holds it — its slot in the
// document table, the application-wide state (selection, swatch colours, current tool, drawing
// defaults, settings) and the menu state that follows the document. The frame implements it;
// a document knows nothing else of the frame.
#pragma once

#include "document/drawing_defaults.h"
#include "document/text_style.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class QMenu;
class QWidget;
class frmMain;
struct FrameSettings;

// The application-wide selection rectangle, in image pixels, and whether it is shown.
struct SelectionState {
    int left = 0, top = 0, width = 0, height = 0;
    bool shown = false;
};

class DocumentHost {
public:
    // --- the document table ----------------------------------------------------------------------
    // The document of `slot` agreed to close: the slot is free, and with no document left the
    // menus return to their state without a document.
    virtual void closeSlot(int slot) = 0;
    // The window of `slot` goes (after a failed load or a close).
    virtual void releaseSlot(int slot) = 0;
    virtual bool IsAnyOpened() const = 0;
    virtual bool isActiveDocument(const frmMain* doc) const = 0;
    // The document the frame-side windows (swatches, tool palette) act on; nullptr when none.
    virtual frmMain* currentDocument() const = 0;
    // Every open document, in slot order.
    virtual QList<frmMain*> openDocuments() const = 0;

    // --- application-wide state ------------------------------------------------------------------
    virtual SelectionState selection() const = 0;
    // The active document's selection becomes the application's; Copy and Cut follow it.
    virtual void publishSelection(const SelectionState& selection) = 0;
    // Swatch 0 is the foreground colour, 1 the background colour (0x00BBGGRR).
    virtual uint32_t swatchColour(int swatch) const = 0;
    virtual void setForegroundColour(uint32_t colour) = 0;
    // Sets swatch 0 or 1; the frame's swatches and gradient follow.
    virtual void setSwatchColour(int swatch, uint32_t colour) = 0;
    // The colour under the pointer while the pick-colour tool is current (the palette shows it).
    virtual void showPointerColour(uint32_t colour) = 0;
    // "Select..." of the texture menu: a picture file becomes every open document's texture.
    virtual void chooseTexture() = 0;
    virtual int16_t currentTool() const = 0;
    virtual void selectTool(int16_t tool) = 0;
    virtual const DrawingDefaults& drawingDefaults() const = 0;
    virtual void setDrawingDefaults(const DrawingDefaults& defaults) = 0;
    virtual const FrameSettings& frameSettings() const = 0;
    // The text strip of the tool palette: font, toggles, alpha and antialias.
    virtual TextStyle textStyle() const = 0;
    // Folder of the images offered as alpha masks.
    virtual QString alphaMaskFolder() const = 0;

    // --- menu state and status -----------------------------------------------------------------
    // The menus that need an image (Filters, Effects and the like), as a group.
    virtual void enableImageMenus(bool enable) = 0;
    virtual void enableMetadataItems(bool exif, bool thumbnail, bool iptc) = 0;
    // Shows the "Add Alpha Mask" items for the given mask file names.
    virtual void setAlphaMaskItems(const QStringList& names) = 0;
    // The Effects pop-up's Crop and Effects items, before the pop-up shows.
    virtual void enableContextItems(bool crop, bool effects) = 0;
    // The Effects menu shown as the image's pop-up; nullptr when there is none.
    virtual QMenu* contextMenu() const = 0;
    // The pointer position and selection size in the frame's read-out.
    virtual void showCoordinates(const QString& x, const QString& y, const QString& width,
                                 const QString& height) = 0;
    // Whether the frame's check mark `item` (a menu item key such as "mnuDitherPalette") is on.
    virtual bool isItemChecked(const QString& item) const = 0;
    // The caption of the frame's menu item `item` as shown; empty when there is no such item.
    virtual QString itemCaption(const QString& item) const = 0;
    // Enables or checks the frame's menu item `item` ("mnuImages(4)", "mnuDemosHistogram").
    virtual void setItemEnabled(const QString& item, bool enable) = 0;
    virtual void setItemChecked(const QString& item, bool check) = 0;
    // The Images menu's page list: one item per caption, the item of `current` checked; no
    // captions leave the one item "No Images", disabled.
    virtual void setPageItems(const QStringList& captions, int current) = 0;
    // The window dialogs of a document belong to.
    virtual QWidget* dialogOwner() = 0;

protected:
    ~DocumentHost() = default;
};
