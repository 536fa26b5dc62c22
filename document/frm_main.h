// frmMain: one document window — the engine control holding the image, two working copies,
// the bottom status strip, and the document's lifecycle (load, save, new, close prompts).
#pragma once

#include "engine/pix_error.h"

#include <QString>
#include <QWidget>

class QLabel;
class QTextEdit;
class DocumentHost;
class frmDialog;

namespace catalogue {
struct Catalogue;
struct Entry;
} // namespace catalogue

class QPainter;

namespace pix {
class PixCtrl;
class PixImage;
} // namespace pix

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(DocumentHost& host, QWidget* parent = nullptr);
    ~frmMain() override;

    // --- state ---------------------------------------------------------------------------------
    int16_t DocumentIndex = 0;
    QString FilePath;
    QString DisplayName;
    bool Saved = false;
    bool SaveCancelled = false;
    bool IsTiff = false;
    QString TiffPath;

    // The engine controls: the document image and the two working copies.
    pix::PixCtrl* Pix = nullptr;
    pix::PixCtrl* PixBuffer = nullptr;
    pix::PixCtrl* pixAction = nullptr;

    QWidget* picBottom = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblStatus1 = nullptr;
    QLabel* lblInfo = nullptr;
    QLabel* lblTextSize = nullptr;
    QLabel* picPixelColor = nullptr;

    // --- lifecycle -----------------------------------------------------------------------------
    // Runs the unsaved-changes prompt: 1 = do not close, 0 = close may go on (slot released).
    // A document busy with a long operation or a download refuses to close.
    int KillMe();
    // True while the progress window reports for this document: only its Cancel may act.
    bool isBusy() const;
    // Asks before the image is replaced; false = the user cancelled.
    bool ConfirmDiscard();
    // "Error: description / Source: source" with the critical icon; the silent status shows
    // nothing.
    void RaiseError(const pix::PixError& er);
    void RaiseError(int number, const QString& description, const QString& source);

    // --- files ---------------------------------------------------------------------------------
    bool LoadImage(const QString& sfile = QString());
    // Opens a file named from outside the program (command line, a drop): an unreadable file gets
    // the short "Invalid Image" message, as one chosen in the open dialog does.
    bool LoadImageFrom(const QString& path) { return readFile(path, true, false); }
    void ApplySaveSettings();
    bool Save();   // false when nothing was written
    void SaveAs(); // SaveCancelled tells whether the user cancelled
    bool NewImage();
    void LoadURL(const QString& url);

    // --- screen capture (frm_main_capture.cpp) -------------------------------------------------
    // The whole screen, as a new last page. The frame hides while the screen is read.
    void CaptureScreen();
    // Starts the user's rectangle selection; the page comes with Capture_ScreenSelectionFinished.
    void CaptureRect();
    void Capture_ScreenSelectionFinished(int selLeft, int selTop, int selWidth, int selHeight);
    // A window the user picks by dragging the picker's target onto it replaces the image.
    void CaptureWindow();
    void Dialog_TypeChange(int nFilterIndex, const QString& filterString);
    // Seconds without data after which a download gives up (tests shorten it), in ms.
    static int downloadTimeoutMs;

    // The image menus of the frame, enabled or disabled as a group.
    void EnableImageMenus(bool enable);
    // Updates the caption to "name@" + zoom in the "#.#" form + "%".
    void updateZoomCaption();

    // The window's load sequence (components, alpha masks, engine options, background).
    void loadWindow();
    // Enables the frame's metadata items for the image's EXIF, thumbnail and IPTC.
    void refreshMetadataItems();
    // Tool and drawing settings pushed by the frame.
    void SetCurrTool(int16_t tool);
    int16_t currTool() const { return currTool_; }

    // --- working copies ------------------------------------------------------------------------
    // pixAction takes the document image, cut to the selection when there is one.
    void SetImage2Buffer();
    // preview and pixAction take the image; the preview is scaled down to fit when whole.
    void SetImage2Buffer2(pix::PixCtrl& preview);
    // Writes pixAction back into target: into the selection, or as the whole image.
    void UpdateImage(pix::PixCtrl& target);
    // The selection clipped to the image; empty when nothing is selected.
    QRect selectionRect() const;

    // --- view and history ----------------------------------------------------------------------
    double Zoom() const;
    void ZoomIn();
    void ZoomOut();
    void SetZoomValue(int16_t percent);
    void ZoomType(int16_t index);
    void Undo();
    void Redo();

    // --- drawing settings ----------------------------------------------------------------------
    void DrawAntialias(int16_t index);
    void DrawThickness(int16_t index);
    void DrawLineStyle(int16_t index);
    void DrawFillStyle(int16_t index);
    void DrawOpacity(int16_t index);
    int drawOpacityAlpha() const; // the pen's alpha 0..255
    void DrawSetup(int16_t index);
    void DrawTexture(int16_t index);
    void DrawTextureEx(int16_t index);
    // A texture chosen for every open document: it fills shapes, with the solid fill style.
    void applyTexture(const QImage& texture);

    // --- text tool (frm_main_text.cpp) -----------------------------------------------------------
    QTextEdit* TextInput = nullptr;
    QTextEdit* TextInput2 = nullptr;
    QPoint TextAnchor; // image pixel where the text box opened
    // Opens (or moves, keeping the text) the text box at a viewport position.
    void openTextBox(const QPointF& viewportPos);
    void PrepTextBox();
    // The palette's text settings changed: an open text box takes them at once.
    void textStyleChanged();
    void PrepText();
    void Draw_Text();
    // Draws the typed text into the image and closes the box; nothing while the box is hidden.
    void ApplyText();
    // Closes the box without drawing.
    void DiscardText();
    // The frame's swatch colours reach the text boxes and the buffer's pen.
    void SetTextColours(uint32_t foreground, uint32_t background);
    // The palette's text size slider: the second box and the buffer's font follow.
    void SetTextBoxSize(double size);

    // --- mouse tools -----------------------------------------------------------------------------
    QPoint ImagePoint;        // last pointer position over the image, in image pixels
    bool WarpPending = false; // the next finished line warps the image
    void ShowPixelInfo(int x, int y);
    void PrepareContextMenu();
    static QString PadRight(int width, const QString& text);
    void EffectsCrop(int16_t index);
    QPoint lastPopupAt; // where the Effects pop-up last opened (global coordinates)

    // --- edit commands -----------------------------------------------------------------------
    void Copy();
    void Paste();
    void Delete();
    void SelectAll();
    void DragImage(int16_t index);

    // --- overlay -------------------------------------------------------------------------------
    void Draw_Image();
    bool OverlayActive = false;
    bool OverlayDragging = false;
    int OverlayLeft = 0, OverlayTop = 0; // viewport pixels
    int GrabX = 0, GrabY = 0;
    pix::PixImage* OverlayImage = nullptr;

    // --- pages (frm_main_pages.cpp)
    // --------------------------------------------------------------- Items 4..12 of the Images
    // menu: next, previous, add, remove, append to TIFF, background.
    void Images(int16_t index);
    // Page `index` of the list: shown, or drawn at the selection's corner when one exists.
    void ImagesImage(int16_t index);
    // The Images menu's enabled states, its page list and the image type's check mark.
    void Images_Menu();
    // View > Histogram Window: toggles the check mark and the window, and draws the chart of the
    // image into it when it is shown.
    void DemosHistogram();
    // The Metadata menu: 0 EXIF tags, 1 the EXIF thumbnail as the last page, 2 IPTC tags, 3 the
    // JPEG markers to save, 4 the current image's markers copied into a JPEG of another file.
    void Metadata(int16_t index);

    // --- catalogue actions (frm_main_catalogue.cpp) ----------------------------------------------
    // Runs the entry of `index` of a catalogue on this document: its values, its call on the
    // working copy (or the image itself), the write-back, and its failure reported in the
    // catalogue's style. Every catalogue action of the menus arrives here.
    void runCatalogue(const catalogue::Catalogue& table, int16_t index);
    // The end of a line drawn on the image: warps along it when "Warp Image..." set WarpPending
    // and returns true (the line itself is then not drawn); false otherwise.
    bool finishWarp(int x1, int y1, int x2, int y2);
    // The parameter dialog of the running operation, and its change handler.
    frmDialog* frmDlg = nullptr;
    void frmDlg_ControlChanged(QWidget* control, int index);

    // The frame's selection state becomes this document's (when its window is activated).
    void publishSelection();
    // Set by the frame when its own close sequence already asked this document.
    void setCloseConfirmed(bool on) { closeConfirmed_ = on; }

signals:
    // The image or its undo history changed: the frame's menu state may follow.
    void menuStateChanged();
    // Item `index` of the Draw menu's radio group `group` was chosen: its check mark follows.
    void drawingSettingChosen(const QString& group, int index);
    // The image was written to FilePath (Save or Save As).
    void saved();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onImageChanged();
    void createTextBoxes();
    // Sizes the text box from lblTextSize, which measures the typed text plus "M".
    void fitTextBox();
    void checkCurrentPage(); // the page list's check mark follows the current page
    // Reads a file chosen in the open dialog into `scratch`; false (with the reason shown when
    // the file could not be read) when nothing was read.
    bool chooseAndRead(const QString& filter, pix::PixImage& scratch, QString* path = nullptr);
    void layoutControls();
    void scanAlphaMasks();
    void showReaderNotes(const pix::PixImage& img, const QString& name);
    bool saveTo(const QString& path, int code);
    // Reads the file into the document. keepHistory records the replacement as one undo step;
    // otherwise the history starts afresh.
    bool readFile(const QString& path, bool chosenInDialog, bool keepHistory);
    void connectMouse();
    void onSelection(double left, double top, double width, double height);
    void abandonLine(); // a pending warp line gives way: the tool's own mouse mode returns
    void onMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, double x, double y);
    void onMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, double x, double y);
    void onMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers mods, double x, double y);
    void onShapeFinished(double x1, double y1, double x2, double y2, bool* cancel);
    void onMouseWheel(int delta, Qt::KeyboardModifiers mods);
    void onDoubleClick(double x, double y);
    void setPenColour();
    QSize overlayViewSize() const;
    void paintOverlay(QPainter& painter);
    void fillFromDocument(pix::PixCtrl& target);
    void startDownload(const QString& address);
    void reportFailure(const catalogue::Catalogue& table, const catalogue::Entry* entry,
                       const pix::PixError& e);

    DocumentHost& host_;
    const catalogue::Entry* runningEntry_ = nullptr; // the entry whose dialog is open
    const catalogue::Entry* pendingLine_ = nullptr;  // the entry waiting for a line
    bool inControlChanged_ = false;
    bool closeConfirmed_ = false;
    int16_t currTool_ = 0;
    uint32_t pixelColour_ = 0; // colour under the pointer, 0x00BBGGRR
    int savedMouseMode_ = 0;
    QString defaultExt_;   // the save dialog's default extension, kept in step by Dialog_TypeChange
    QString progressText_; // the progress window's text for the running operation
};
