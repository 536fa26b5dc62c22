// frmMain: one document window — the engine control holding the image, two working copies,
// the bottom status strip, and the document's lifecycle (load, save, new, close prompts).
#pragma once

#include "engine/pix_error.h"

#include <QString>
#include <QWidget>

class QLabel;
class MDIMain;

namespace pix {
class PixCtrl;
}

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(MDIMain& frame, QWidget* parent = nullptr);
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

    MDIMain& frame() const { return frame_; }

    // --- lifecycle -----------------------------------------------------------------------------
    // Runs the unsaved-changes prompt: 1 = do not close, 0 = close may go on (slot released).
    int KillMe();
    // Asks before the image is replaced; false = the user cancelled.
    bool ConfirmDiscard();
    // "Error: description / Source: source" with the critical icon; the silent status shows
    // nothing.
    void RaiseError(const pix::PixError& er);
    void RaiseError(int number, const QString& description, const QString& source);

    // --- files ---------------------------------------------------------------------------------
    bool LoadImage(const QString& sfile = QString());
    void ApplySaveSettings();
    bool Save();   // false when nothing was written
    void SaveAs(); // SaveCancelled tells whether the user cancelled
    bool NewImage();
    void LoadURL(const QString& url);
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

    // Set by the frame when its own close sequence already asked this document.
    void setCloseConfirmed(bool on) { closeConfirmed_ = on; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onImageChanged();
    void layoutControls();
    void scanAlphaMasks();
    bool saveTo(const QString& path, int code);
    void checkMenuGroup(const char* group, int count, int index);
    void fillFromDocument(pix::PixCtrl& target);
    void startDownload(const QString& address);

    MDIMain& frame_;
    bool closeConfirmed_ = false;
    int16_t currTool_ = 0;
    QString defaultExt_; // the save dialog's default extension, kept in step by Dialog_TypeChange
};
