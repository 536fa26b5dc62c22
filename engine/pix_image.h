// PixImage: the windowless engine image — page list, current page, undo history, save options,
// file identity and metadata. Every change goes through one path that records undo and notifies.
#pragma once

#include "draw_settings.h"
#include "metadata.h"
#include "pix_page.h"
#include "progress.h"
#include "save_options.h"
#include "undo_history.h"

#include <QObject>
#include <QRect>
#include <functional>

namespace pix {

// Engine colour value: 0xAABBGGRR, a 0x00BBGGRR colour paired with an alpha byte.
using EngineColor = uint32_t;

// Pairs a 0x00BBGGRR colour with an alpha byte.
EngineColor MakeColor(uint32_t bgrColor, int alpha);
QColor toQColor(EngineColor c);
QRgb toQRgb(EngineColor c);
// 0x00BBGGRR of a QColor (alpha dropped).
uint32_t toBgr(const QColor& c);

class PixImage : public QObject {
    Q_OBJECT
public:
    explicit PixImage(QObject* parent = nullptr);
    ~PixImage() override;

    // --- pages -------------------------------------------------------------------------------
    int pageCount() const { return int(pages_.size()); }
    int currentPage() const { return current_; }
    void setCurrentPage(int index); // emits pageChanged; out-of-range indexes are ignored
    const PixPage& page(int index) const { return pages_.at(index); }
    const QList<PixPage>& pages() const { return pages_; }
    void AddPage(const PixPage& page, const QString& undoLabel);
    void InsertPage(int index, const PixPage& page, const QString& undoLabel);
    void RemovePage(int index, const QString& undoLabel);
    void ClearPages(const QString& undoLabel);

    // --- the current image -------------------------------------------------------------------
    bool IsEmpty() const { return pages_.isEmpty() || pages_[current_].image.isNull(); }
    const QImage& image() const; // null image when empty
    int imageType() const;       // ImageType of the current page, 5 when empty
    int width() const { return image().width(); }
    int height() const { return image().height(); }

    // Replaces the current page's pixels (converted to the storage format of `type`).
    void setImage(const QImage& image, int type, const QString& undoLabel);
    // Replaces the current page; when empty, adds it.
    void setPage(const PixPage& page, const QString& undoLabel);
    // The one path for edits: records undo per label, applies `change` to the current page,
    // marks the image modified and notifies. Exceptions from `change` leave the image as it was.
    void modifyPage(const QString& undoLabel, const std::function<void(PixPage&)>& change);
    // The same for a change that writes only inside `touched` (and may change the page's type):
    // it writes straight into the page's pixels when nothing else holds them (else into a copy),
    // and its undo step keeps only the old pixels of that rectangle while the page keeps its
    // format. The change must not keep the page's image beyond the call.
    void modifyPage(const QString& undoLabel, const QRect& touched,
                    const std::function<void(PixPage&)>& change);
    // An image used once and thrown away on failure (the converter's): it records no undo, and
    // operations write into the page's own pixels instead of a fresh buffer. After a failed
    // operation its current page is undefined.
    void setSingleUse(bool on) { singleUse_ = on; }
    // The part of the current page the latest changed() covers; a null rectangle means the
    // whole page (or the page list) may have changed.
    QRect changedArea() const { return changedArea_; }

    // New blank page list holding one width x height image of the given type and colour.
    void CreateBlank(int width, int height, EngineColor color, int type, const QString& undoLabel);
    // Copies the current page of `source` (or its rectangle `rect`, clipped) as this image's
    // only page; metadata and file identity come along.
    void CopyFrom(const PixImage& source, const QString& undoLabel);
    void CopyFrom(const PixImage& source, const QRect& rect, const QString& undoLabel);

    // --- undo --------------------------------------------------------------------------------
    int Undos() const { return history_.undoCount(); }
    int Redos() const { return history_.redoCount(); }
    // Throw PixError, changing nothing, when memory is too short to restore a compressed step.
    bool UndoStep();
    bool RedoStep();
    // Records the current state as a step without changing anything.
    void SaveUndoPoint(const QString& undoLabel);
    void ClearUndo() { history_.clear(); }
    UndoHistory& history() { return history_; }
    const UndoHistory& history() const { return history_; }

    bool Modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }

    // --- files -------------------------------------------------------------------------------
    // Replaces the page list with every page of the file. Throws PixError; on failure the
    // image is left as it was.
    void LoadFromFile(const QString& path, const QString& undoLabel);
    void LoadFromMemory(const QByteArray& bytes, const QString& name, const QString& undoLabel);
    // Writes the current page, or every page when allPages and the format holds pages.
    // fileType 0 follows the path's extension. Throws PixError; the old file is kept on failure.
    void SaveToFile(const QString& path, int fileType, int pageIndex, bool allPages);
    // Adds the current page as a new page at the end of an existing TIFF file.
    void AppendToTiff(const QString& path);

    int FileType() const { return fileType_; }
    void setFileType(int code) { fileType_ = code; }
    const QString& FileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }

    SaveOptions& saveOptions() { return saveOptions_; }
    const SaveOptions& saveOptions() const { return saveOptions_; }

    const ImageMetadata& metadata() const { return metadata_; }
    // Pages of the loaded file that could not be read, with the reason.
    const QList<UnreadablePage>& unreadablePages() const { return unreadable_; }
    // What the reader noticed on the pages it read.
    const QList<PageNote>& readNotes() const { return notes_; }
    void setMetadata(const ImageMetadata& m) { metadata_ = m; }

    // The Draw settings: how the engine draws into this image.
    DrawSettings& Draw() { return draw_; }
    const DrawSettings& Draw() const { return draw_; }

    void setProgressHandler(ProgressFn fn) { progress_ = std::move(fn); }
    const ProgressFn& progressHandler() const { return progress_; }

signals:
    void changed();     // after every change of the pixels or the page list
    void pageChanged(); // the current page moved
    void loaded();      // a file was loaded

private:
    // Decodes the bytes and, once `verify` (when given) accepts what was read, takes the pages.
    void load(const QByteArray& bytes, const QString& name, const QString& undoLabel,
              const std::function<void()>& verify);
    // Records the whole page list as a step per the label (the one place changes are recorded,
    // together with modifyPage's rectangle steps).
    void beginChange(const QString& undoLabel);
    // modifyPage for a change that may write anywhere: it works on a page sharing the pixels.
    void changeWhole(const QString& undoLabel, const QRect& touched,
                     const std::function<void(PixPage&)>& change);
    bool records(const QString& undoLabel) const;
    // Undo or redo through `step`, then notifies.
    bool moveInHistory(bool (UndoHistory::*step)(QList<PixPage>&, int&));
    void endChange(const QRect& area = QRect());

    QList<PixPage> pages_;
    int current_ = 0;
    QRect changedArea_;
    UndoHistory history_;
    bool modified_ = false;
    bool singleUse_ = false;
    int fileType_ = 0;
    QString fileName_;
    SaveOptions saveOptions_;
    ImageMetadata metadata_;
    QList<UnreadablePage> unreadable_;
    QList<PageNote> notes_;
    ProgressFn progress_;
    DrawSettings draw_;
};

} // namespace pix
