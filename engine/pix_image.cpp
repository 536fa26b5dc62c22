#include "pix_image.h"

#include "codecs/atomic_write.h"
#include "codecs/codec.h"
#include "codecs/codec_progress.h"
#include "codecs/input_file.h"
#include "image_limits.h"
#include "image_type.h"
#include "pix_error.h"

#include <QColor>
#include <QFileInfo>

namespace pix {

EngineColor MakeColor(uint32_t bgrColor, int alpha) {
    return (bgrColor & 0x00FFFFFFu) | (uint32_t(alpha & 0xFF) << 24);
}

QRgb toQRgb(EngineColor c) {
    return qRgba(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF), int(c >> 24));
}

QColor toQColor(EngineColor c) {
    return QColor::fromRgba(toQRgb(c));
}

uint32_t toBgr(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

namespace {
const QImage kNullImage;
const QString kSource = QStringLiteral("PixImage");
} // namespace

PixImage::PixImage(QObject* parent) : QObject(parent) {}
PixImage::~PixImage() = default;

const QImage& PixImage::image() const {
    return pages_.isEmpty() ? kNullImage : pages_[current_].image;
}

int PixImage::imageType() const {
    return pages_.isEmpty() ? kRgb : pages_[current_].type;
}

void PixImage::setCurrentPage(int index) {
    if (index < 0 || index >= pages_.size() || index == current_) return;
    current_ = index;
    changedArea_ = QRect();
    emit pageChanged();
    emit changed();
}

bool PixImage::records(const QString& undoLabel) const {
    return !singleUse_ && !UndoHistory::isNoUndoLabel(undoLabel);
}

void PixImage::beginChange(const QString& undoLabel) {
    if (records(undoLabel))
        history_.recordPages(pages_, current_, undoLabel);
    else
        history_.unrecordedChange(pages_);
}

void PixImage::endChange(const QRect& area) {
    history_.enforceBudget(pages_);
    modified_ = true;
    changedArea_ = area;
    emit changed();
}

void PixImage::modifyPage(const QString& undoLabel, const std::function<void(PixPage&)>& change) {
    modifyPage(undoLabel, QRect(), change);
}

namespace {

bool sameLayout(const QImage& a, const QImage& b) {
    return a.size() == b.size() && a.format() == b.format() && a.colorTable() == b.colorTable();
}

// A QImage over the pixels of `image` that does not own them: writing into it writes into
// `image` without a copy.
QImage viewOf(const QImage& image, uchar* bits) {
    QImage view(bits, image.width(), image.height(), image.bytesPerLine(), image.format());
    view.setColorTable(image.colorTable());
    view.setDotsPerMeterX(image.dotsPerMeterX());
    view.setDotsPerMeterY(image.dotsPerMeterY());
    view.setOffset(image.offset());
    for (const QString& key : image.textKeys()) view.setText(key, image.text(key));
    return view;
}

// The buffer a view was made of, with the colour table, resolution and texts set on the view.
QImage adoptView(QImage own, const QImage& view) {
    if (own.colorTable() != view.colorTable()) own.setColorTable(view.colorTable());
    if (own.dotsPerMeterX() != view.dotsPerMeterX()) own.setDotsPerMeterX(view.dotsPerMeterX());
    if (own.dotsPerMeterY() != view.dotsPerMeterY()) own.setDotsPerMeterY(view.dotsPerMeterY());
    if (own.offset() != view.offset()) own.setOffset(view.offset());
    for (const QString& key : view.textKeys())
        if (own.text(key) != view.text(key)) own.setText(key, view.text(key));
    return own;
}

} // namespace

void PixImage::modifyPage(const QString& undoLabel, const QRect& touched,
                          const std::function<void(PixPage&)>& change) {
    if (IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    if (!touched.isValid() || singleUse_) return changeWhole(undoLabel, touched, change);
    const bool record = records(undoLabel);
    PixPage& live = pages_[current_];
    const QRect rect = touched & live.image.rect();
    // The old pixels of the rectangle: the step keeps them, and an exception puts them back.
    PixPage before = live;
    before.image = rect.isEmpty() ? QImage() : live.image.copy(rect);
    if (!rect.isEmpty() && before.image.isNull())
        throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for the change"), kSource);
    const QSize oldSize = live.image.size();
    const QList<QRgb> oldColors = live.image.colorTable();
    if (!record) history_.unrecordedChange(pages_);
    // The change writes straight into the page's pixels, through a view of them; bits() copies
    // them first only while another holder (a working copy, a whole-page step, a copy being
    // saved) shares them, so that none of those sees the change.
    uchar* const bits = live.image.bits();
    if (!bits)
        throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for the change"), kSource);
    PixPage work = live;
    work.image = viewOf(live.image, bits);
    auto restore = [&] {
        if (!rect.isEmpty()) pastePixels(live.image, before.image, rect.topLeft());
    };
    try {
        change(work);
    } catch (...) {
        restore();
        throw;
    }
    work.changed = true;
    // The change left its pixels in the page's buffer (or handed back another one).
    const bool inPlace = work.image.constBits() == bits && work.image.size() == oldSize &&
                         work.image.format() == live.image.format() &&
                         work.image.bytesPerLine() == live.image.bytesPerLine();
    // The rectangle is enough while the page keeps its size, format and colour table.
    const bool samePlace = work.image.size() == oldSize &&
                           work.image.format() == live.image.format() &&
                           work.image.colorTable() == oldColors;
    try {
        // The view hands its pixels back to the page's own buffer; a copy of it when the step
        // must keep the whole old page, which is the buffer with the old rectangle put back.
        if (inPlace) {
            work.image =
                adoptView(record && !samePlace ? live.image.copy() : live.image, work.image);
            if (work.image.isNull())
                throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for the change"),
                               kSource);
        }
        if (record && samePlace) {
            history_.recordRect(before, current_, rect, current_, undoLabel);
        } else if (record) {
            restore();
            beginChange(undoLabel);
        }
    } catch (...) {
        restore();
        throw;
    }
    pages_[current_] = std::move(work);
    endChange(samePlace ? rect : QRect());
}

void PixImage::changeWhole(const QString& undoLabel, const QRect& touched,
                           const std::function<void(PixPage&)>& change) {
    // Shares pixels until the change writes; a single-use image hands its pixels over, so the
    // change may write into them.
    PixPage work = singleUse_ ? std::move(pages_[current_]) : pages_[current_];
    change(work); // may throw: nothing recorded, nothing changed (single use: page undefined)
    work.changed = true;
    beginChange(undoLabel);
    const QRect rect = touched & work.image.rect();
    const bool samePlace = sameLayout(pages_[current_].image, work.image);
    pages_[current_] = std::move(work);
    endChange(samePlace && touched.isValid() ? rect : QRect());
}

void PixImage::setImage(const QImage& img, int type, const QString& undoLabel) {
    if (!isValidImageType(type))
        throw PixError(kErrInvalidArgument, QStringLiteral("Invalid image type %1").arg(type),
                       kSource);
    PixPage p = pages_.isEmpty() ? PixPage{} : pages_[current_];
    p.image = convertToType(img, type);
    p.type = type;
    setPage(p, undoLabel);
}

void PixImage::setPage(const PixPage& page, const QString& undoLabel) {
    beginChange(undoLabel);
    if (pages_.isEmpty()) {
        pages_.append(page);
        current_ = 0;
    } else {
        pages_[current_] = page;
    }
    pages_[current_].changed = true;
    endChange();
}

void PixImage::AddPage(const PixPage& page, const QString& undoLabel) {
    InsertPage(int(pages_.size()), page, undoLabel);
}

void PixImage::InsertPage(int index, const PixPage& page, const QString& undoLabel) {
    checkPageCount(pages_.size() + 1, kSource);
    index = std::clamp(index, 0, int(pages_.size()));
    beginChange(undoLabel);
    pages_.insert(index, page);
    pages_[index].changed = true;
    if (pages_.size() == 1)
        current_ = 0;
    else if (index <= current_)
        ++current_;
    endChange();
}

void PixImage::RemovePage(int index, const QString& undoLabel) {
    if (index < 0 || index >= pages_.size())
        throw PixError(kErrInvalidArgument, QStringLiteral("No page %1").arg(index), kSource);
    beginChange(undoLabel);
    pages_.removeAt(index);
    if (current_ >= pages_.size())
        current_ = std::max(0, int(pages_.size()) - 1);
    else if (index < current_)
        --current_;
    endChange();
}

void PixImage::ClearPages(const QString& undoLabel) {
    beginChange(undoLabel);
    pages_.clear();
    current_ = 0;
    endChange();
}

void PixImage::CreateBlank(int width, int height, EngineColor color, int type,
                           const QString& undoLabel) {
    if (!isValidImageType(type))
        throw PixError(kErrInvalidArgument, QStringLiteral("Invalid image type %1").arg(type),
                       kSource);
    QImage img = allocateImage(
        width, height, typeHasAlpha(type) ? QImage::Format_ARGB32 : QImage::Format_RGB32, kSource);
    QRgb fill = toQRgb(color);
    if (!typeHasAlpha(type)) fill |= 0xFF000000u;
    img.fill(fill);
    PixPage p;
    p.type = type;
    p.image = convertToType(img, type);
    if (p.image.isNull())
        throw PixError(kErrTooLarge, QStringLiteral("Not enough memory for the image"), kSource);
    beginChange(undoLabel);
    pages_ = {p};
    current_ = 0;
    fileType_ = 0;
    fileName_.clear();
    metadata_ = {};
    unreadable_.clear();
    notes_.clear();
    endChange();
}

void PixImage::CopyFrom(const PixImage& source, const QString& undoLabel) {
    CopyFrom(source, QRect(), undoLabel);
}

void PixImage::CopyFrom(const PixImage& source, const QRect& rect, const QString& undoLabel) {
    if (source.IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    PixPage p = source.pages_[source.current_];
    if (rect.isValid()) {
        const QRect r = rect & p.image.rect();
        if (r.isEmpty())
            throw PixError(kErrInvalidArgument, QStringLiteral("Empty rectangle"), kSource);
        if (r != p.image.rect()) p.image = p.image.copy(r);
    }
    beginChange(undoLabel);
    pages_ = {p};
    current_ = 0;
    fileType_ = source.fileType_;
    fileName_ = source.fileName_;
    metadata_ = source.metadata_;
    saveOptions_ = source.saveOptions_;
    endChange();
}

bool PixImage::moveInHistory(bool (UndoHistory::*step)(QList<PixPage>&, int&)) {
    if (!(history_.*step)(pages_, current_)) return false;
    history_.remeasure(pages_);
    modified_ = true;
    changedArea_ = history_.lastStepArea();
    emit changed();
    return true;
}

bool PixImage::UndoStep() {
    return moveInHistory(&UndoHistory::undo);
}

bool PixImage::RedoStep() {
    return moveInHistory(&UndoHistory::redo);
}

void PixImage::SaveUndoPoint(const QString& undoLabel) {
    beginChange(undoLabel.isEmpty() ? QStringLiteral("Undo point") : undoLabel);
    history_.enforceBudget(pages_);
}

void PixImage::LoadFromFile(const QString& path, const QString& undoLabel) {
    const InputFile file(path, kSource);
    load(file.byteArray(), path, undoLabel, [&file] { file.checkUnchanged(); });
}

void PixImage::LoadFromMemory(const QByteArray& bytes, const QString& name,
                              const QString& undoLabel) {
    load(bytes, name, undoLabel, {});
}

void PixImage::load(const QByteArray& bytes, const QString& name, const QString& undoLabel,
                    const std::function<void()>& verify) {
    const Bytes data(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    DecodedFile decoded = decodeBytes(data, QFileInfo(name).fileName(), progress_);
    if (decoded.pages.isEmpty())
        throw PixError(kErrCorruptImage, QStringLiteral("The file holds no image"), kSource);
    ImageMetadata meta = readMetadata(data);
    if (verify) verify();
    beginChange(undoLabel);
    pages_ = std::move(decoded.pages);
    current_ = 0;
    fileType_ = decoded.fileType;
    fileName_ = name;
    metadata_ = std::move(meta);
    unreadable_ = std::move(decoded.unreadable);
    notes_ = std::move(decoded.notes);
    endChange();
    modified_ = false;
    emit loaded();
}

void PixImage::SaveToFile(const QString& path, int fileType, int pageIndex, bool allPages) {
    if (IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No valid image to save"), kSource);
    const Codec* codec =
        fileType == kFileAuto ? codecForExtension(path) : codecForFileType(fileType);
    if (!codec) codec = codecForFileType(fileType_ != kFileAuto ? fileType_ : kFilePng);
    QList<PixPage> toWrite;
    const bool whole = allPages && codec && codec->writesPages();
    const int idx = (pageIndex > 0 && pageIndex < pages_.size()) ? pageIndex : current_;
    if (whole) {
        toWrite = pages_;
    } else {
        toWrite = {pages_[idx]};
    }
    if (!codec || !codec->canWrite())
        throw PixError(kErrUnsupported, QStringLiteral("This format cannot be written"), kSource);
    const QList<PixPage> pagesOut = codec->writesPages() ? toWrite : toWrite.mid(0, 1);
    const bool carrier = codec->fileType() == kFilePng || codec->fileType() == kFileTiff;
    const bool jpegExif =
        codec->fileType() == kFileJpeg && (saveOptions_.jpegMarkersToSave & 1u) &&
        std::any_of(pagesOut.first().markers.begin(), pagesOut.first().markers.end(),
                    [](const JpegMarker& m) { return m.code == 0xE1; });
    if (jpegExif || (carrier && (!metadata_.exifBlob.isEmpty() || !metadata_.iptcBlob.isEmpty() ||
                                 !metadata_.xmpPacket.isEmpty()))) {
        // The metadata goes in before the file is written: built in memory, written at once.
        withCodecProgress(progress_, kSource, [&] {
            writeFileAtomically(path, withMetadata(codec->write(pagesOut, saveOptions_),
                                                   codec->fileType(), metadata_,
                                                   pagesOut.first().image.size()));
        });
    } else {
        encodeFile(path, *codec, toWrite, saveOptions_, progress_);
    }
    modified_ = false;
    // The pages written are as the file holds them now.
    for (int i = 0; i < pages_.size(); ++i)
        if (whole || i == idx) pages_[i].changed = false;
}

void PixImage::AppendToTiff(const QString& path) {
    if (IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    appendPageToTiff(path, pages_[current_], saveOptions_);
}

} // namespace pix
