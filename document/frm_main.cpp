#include "frm_main.h"

#include "catalogue/frm_dialog.h"
#include "document/document_host.h"
#include "document/file_formats.h"
#include "engine/codecs/codec.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "info/frm_progress.h"
#include "platform/artwork.h"
#include "platform/desktop.h"
#include "platform/vb.h"
#include "settings/mod_settings.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <algorithm>

using platform::Answer;
using platform::Buttons;
using platform::Icon;

frmMain::frmMain(DocumentHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setWindowTitle(QStringLiteral("Pixendra"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    Pix = new pix::PixCtrl(this);
    Pix->setObjectName(QStringLiteral("Pix"));
    PixBuffer = new pix::PixCtrl(this);
    PixBuffer->setObjectName(QStringLiteral("PixBuffer"));
    PixBuffer->hide();
    pixAction = new pix::PixCtrl(this);
    pixAction->setObjectName(QStringLiteral("pixAction"));
    pixAction->hide();

    picBottom = new QWidget(this);
    picBottom->setObjectName(QStringLiteral("picBottom"));
    picBottom->setFixedHeight(22);
    auto* strip = new QHBoxLayout(picBottom);
    strip->setContentsMargins(4, 1, 4, 1);
    auto addLabel = [&](const char* name, int minWidth) {
        auto* l = new QLabel(picBottom);
        l->setObjectName(QString::fromLatin1(name));
        l->setMinimumWidth(minWidth);
        strip->addWidget(l);
        return l;
    };
    lblStatus = addLabel("lblStatus", 160);
    lblStatus1 = addLabel("lblStatus1", 120);
    picPixelColor = addLabel("picPixelColor", 16);
    picPixelColor->setAutoFillBackground(true);
    lblInfo = addLabel("lblInfo", 120);
    lblTextSize = addLabel("lblTextSize", 60);
    strip->addStretch();

    connect(Pix, &pix::PixCtrl::imageChanged, this, &frmMain::onImageChanged);
    connect(Pix, &pix::PixCtrl::pageChanged, this, &frmMain::checkCurrentPage);
    connect(Pix, &pix::PixCtrl::zoomChanged, this, [this] { updateZoomCaption(); });
    // Long engine operations on the image or its working copies show the progress window.
    for (pix::PixCtrl* ctrl : {Pix, PixBuffer, pixAction})
        connect(ctrl, &pix::PixCtrl::progress, this, [this](int percent, bool* cancel) {
            frmProgress::instance().report(
                this, percent,
                progressText_.isEmpty() ? QStringLiteral("Processing Image") : progressText_,
                cancel);
        });
    OverlayImage = new pix::PixImage(this);
    Pix->overlayPainter = [this](QPainter& p) { paintOverlay(p); };
    connectMouse();
    createTextBoxes();
    resize(640, 480);
}

frmMain::~frmMain() = default;

void frmMain::loadWindow() {
    scanAlphaMasks();
    if (!host_.IsAnyOpened()) EnableImageMenus(false);
    // The remembered drawing settings reach this document's engine.
    const DrawingDefaults& d = host_.drawingDefaults();
    for (pix::DrawSettings* s : {&Pix->image().Draw(), &Pix->Shape()}) {
        s->thickness = d.thickness;
        s->lineStyle = d.lineStyle;
        s->fillStyle = d.fillStyle;
        s->textureMode = d.textureMode;
    }
    pix::DrawSettings& draw = Pix->image().Draw();
    draw.antialias = d.antialias;
    draw.texture = d.texture;
    draw.penColor =
        (draw.penColor & 0xFFFFFFu) | (uint32_t(std::clamp(d.penAlpha, 0.0, 255.0)) << 24);
    const FrameSettings& settings = host_.frameSettings();
    Pix->setBackgroundColor(uint32_t(settings.backgroundColor));
    Pix->setAlphaDisplay(settings.alphaDisplay);
    Pix->setDoubleBuffer(settings.doubleBuffer);
    Pix->setBackgroundPicture(artwork::backgroundTile());
    host_.selectTool(0);
    if (host_.IsAnyOpened()) EnableImageMenus(true);
}

// Collects the images of the alpha mask folder as mask items.
void frmMain::scanAlphaMasks() {
    const QDir dir(host_.alphaMaskFolder());
    QStringList names;
    // Each file is read once per change of it, not at every window load.
    static QHash<QString, QPair<QDateTime, bool>> readable;
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files, QDir::Unsorted)) {
        auto known = readable.constFind(f.absoluteFilePath());
        if (known == readable.constEnd() || known->first != f.lastModified()) {
            bool ok = true;
            try {
                pix::decodeFile(f.absoluteFilePath());
            } catch (const pix::PixError&) {
                ok = false; // not an image the engine reads: no menu item
            }
            known = readable.insert(f.absoluteFilePath(), qMakePair(f.lastModified(), ok));
        }
        if (known->second) names << f.fileName();
    }
    host_.setAlphaMaskItems(names);
}

void frmMain::EnableImageMenus(bool enable) {
    host_.enableImageMenus(enable);
}

void frmMain::refreshMetadataItems() {
    const pix::ImageMetadata& m = Pix->image().metadata();
    host_.enableMetadataItems(!m.exif.isEmpty(), !m.exifThumbnail.isNull(), !m.iptc.isEmpty());
}

void frmMain::onImageChanged() {
    EnableImageMenus(!Pix->image().IsEmpty());
    Saved = false;
    // The Images menu follows every change of the document the user works in.
    if (host_.isActiveDocument(this)) Images_Menu();
    emit menuStateChanged();
}

void frmMain::updateZoomCaption() {
    setWindowTitle(QFileInfo(FilePath).fileName() + QLatin1Char('@') +
                   vb::formatOneDecimal(Pix->ZoomFactor() * 100.0) + QLatin1Char('%'));
}

// --- layout and closing ------------------------------------------------------------------------

void frmMain::layoutControls() {
    const double tpp = platform::desktop().twipsPerPixel();
    const int w = std::max(0, width() - vb::twipsToPixels(15, tpp));
    const int h = std::max(0, height() - picBottom->height() - vb::twipsToPixels(30, tpp));
    Pix->setGeometry(0, 0, w, h);
    picBottom->setGeometry(0, height() - picBottom->height(), width(), picBottom->height());
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!closeConfirmed_ && KillMe() == 1) {
        event->ignore();
        return;
    }
    closeConfirmed_ = true;
    event->accept();
    host_.releaseSlot(DocumentIndex);
}

bool frmMain::isBusy() const {
    return frmProgress::instance().isReportingFor(this);
}

int frmMain::KillMe() {
    // The operation runs inside this window's event handling: the window must outlive it.
    if (isBusy()) return 1;
    Answer answer = Answer::No;
    if (!Saved) {
        const QString text =
            FilePath.isEmpty()
                ? QStringLiteral(" This new file is not saved, save it?")
                : QStringLiteral("File '") + FilePath + QStringLiteral("' is not saved, save it?");
        answer = platform::messageBox(text, Buttons::YesNoCancel, Icon::Warning);
    }
    if (answer == Answer::Cancel) return 1;
    if (answer == Answer::Yes) {
        if (!FilePath.isEmpty()) {
            // A failed save keeps the window open: nothing may be lost.
            if (!Save() && !Pix->image().IsEmpty()) return 1;
        } else {
            SaveAs();
            if (SaveCancelled || !Saved) return 1;
        }
        Saved = true;
    }
    host_.closeSlot(DocumentIndex);
    return 0;
}

bool frmMain::ConfirmDiscard() {
    if (!Pix->image().Modified()) return true;
    if (!Pix->image().FileName().isEmpty()) DisplayName = Pix->image().FileName();
    const Answer a = platform::messageBox(DisplayName + QStringLiteral(" has changed.\n\n") +
                                              QStringLiteral("Would you like to save it?"),
                                          Buttons::YesNoCancel);
    if (a == Answer::Cancel) return false;
    if (a == Answer::Yes) Save();
    return true;
}

void frmMain::RaiseError(const pix::PixError& er) {
    RaiseError(er.number(), er.description(), er.source());
}

void frmMain::RaiseError(int number, const QString& description, const QString& source) {
    // The engine's silent status and a cancel the user asked for show nothing.
    if (number == pix::kSilentStatus || number == pix::kErrCancelled) return;
    platform::messageBox(QStringLiteral("Error: ") + description + QStringLiteral("\nSource: ") +
                             source,
                         Buttons::Ok, Icon::Critical);
}

// --- loading, saving, new ------------------------------------------------------------------------

// What the reader noticed in a file it opened: the range mapped to black and white in the status
// line, and once, in an information message, a picture that ends early or pages left out.
void frmMain::showReaderNotes(const pix::PixImage& img, const QString& name) {
    QString range;
    QStringList notes;
    for (const pix::PageNote& note : img.readNotes()) {
        if (note.page == img.currentPage()) range = note.range;
        if (note.incomplete && notes.isEmpty())
            notes << QStringLiteral("%1 is damaged (%2): the part of the picture that could not "
                                    "be read is shown grey.")
                         .arg(name, note.warning);
    }
    lblInfo->setText(range);
    for (const pix::UnreadablePage& u : img.unreadablePages())
        notes
            << QStringLiteral("Page %1 of %2 cannot be read: %3").arg(u.number).arg(name, u.reason);
    if (!notes.isEmpty())
        platform::messageBox(notes.join(QLatin1Char('\n')), Buttons::Ok, Icon::Information);
}

bool frmMain::LoadImage(const QString& sfile) {
    QString path = sfile;
    const bool chosenInDialog = path.isEmpty();
    if (chosenInDialog) {
        platform::FileRequest req;
        req.title = QStringLiteral("Open");
        req.filter = fileformats::kOpenFilter;
        const platform::FileAnswer chosen = platform::desktop().openFile(req);
        if (!chosen.accepted) return false;
        path = chosen.fileName;
    }
    return readFile(path, chosenInDialog, false);
}

bool frmMain::readFile(const QString& path, bool chosenInDialog, bool keepHistory) {
    pix::PixImage& img = Pix->image();
    try {
        FilePath = path;
        img.LoadFromFile(path, keepHistory ? QString() : QStringLiteral("no undo"));
        if (!keepHistory) img.ClearUndo();
        IsTiff = img.FileType() == pix::kFileTiff;
        if (IsTiff) TiffPath = path;
        refreshMetadataItems();
        setWindowTitle(QFileInfo(path).fileName() + QStringLiteral("@100%"));
        ApplySaveSettings();
        Saved = true;
        showReaderNotes(img, QFileInfo(path).fileName());
        return true;
    } catch (const pix::PixError& e) {
        if (img.pageCount() == 0) FilePath.clear();
        // A file picked in the dialog that holds no readable picture gets the short message;
        // other failures (a picture too large, say) say what went wrong.
        const bool unreadable = e.number() == pix::kErrCorruptImage ||
                                e.number() == pix::kErrUnsupported || e.number() == pix::kErrIo;
        if (chosenInDialog && unreadable)
            platform::messageBox(
                QStringLiteral("The image you selected is corrupt or not supported."), Buttons::Ok,
                Icon::None, QStringLiteral("Invalid Image"));
        else
            RaiseError(e);
        return false;
    }
}

void frmMain::ApplySaveSettings() {
    pix::SaveOptions& o = Pix->image().saveOptions();
    const FrameSettings& s = host_.frameSettings();
    o.jpegQuality = s.jpegQuality;
    o.jpegSmoothing = s.jpegSmoothing;
    o.jpegProgressive = s.jpegProgressive;
    o.tiffCompression = s.tiffCompression;
    o.bmpRle = s.bmpRle;
    o.wmfPlaceable = s.wmfPlaceable;
}

// Writes the image; TIFF keeps every page, other formats the current one. Errors are shown.
bool frmMain::saveTo(const QString& path, int code) {
    try {
        Pix->image().SaveToFile(path, code, 0, true);
        return true;
    } catch (const pix::PixError& e) {
        RaiseError(e);
        return false;
    }
}

bool frmMain::Save() {
    if (Pix->image().IsEmpty()) {
        platform::messageBox(QStringLiteral("No valid image to save!."), Buttons::Ok,
                             Icon::Warning);
        return false;
    }
    // An image without a file yet (new, or from a web address) is saved as a new file.
    if (FilePath.isEmpty()) {
        SaveAs();
        return !SaveCancelled;
    }
    ApplySaveSettings();
    const int index = fileformats::FilterIndexFromFormat(Pix->image().FileType());
    const int code = fileformats::FormatFromFilterIndex(index);
    if (!saveTo(FilePath, code)) return false;
    Saved = true;
    emit saved();
    return true;
}

void frmMain::Dialog_TypeChange(int nFilterIndex, const QString&) {
    fileformats::FormatFromFilterIndex(nFilterIndex, &defaultExt_);
}

void frmMain::SaveAs() {
    if (Pix->image().IsEmpty()) {
        platform::messageBox(QStringLiteral("No valid image to save!."), Buttons::Ok,
                             Icon::Warning);
        return;
    }
    ApplySaveSettings();
    platform::FileRequest req;
    req.title = QStringLiteral("Save As");
    req.filter = fileformats::kSaveFilter;
    const int current = fileformats::FilterIndexFromFormat(Pix->image().FileType());
    req.filterIndex = current != 0 ? current : 1;
    fileformats::FormatFromFilterIndex(req.filterIndex, &defaultExt_);
    req.defaultExt = defaultExt_;
    req.typeChanged = [this, &req](int index, const QString& filter) {
        Dialog_TypeChange(index, filter);
        req.defaultExt = defaultExt_;
    };
    SaveCancelled = true;
    const platform::FileAnswer chosen = platform::desktop().saveFile(req);
    if (!chosen.accepted) return;
    QString path = chosen.fileName;
    QString ext;
    const int code = fileformats::FormatFromFilterIndex(chosen.filterIndex, &ext);
    if (QFileInfo(path).suffix().isEmpty() && !ext.isEmpty()) path += QLatin1Char('.') + ext;
    if (!saveTo(path, code)) return; // nothing changed: the document keeps its old file
    FilePath = path;
    // Show what was stored (e.g. the JPEG compression, or the colours a 1-bit format keeps) by
    // reloading the written file, as one undo step: Undo returns to the image before the save.
    if (!readFile(path, false, true)) return;
    Saved = true;
    SaveCancelled = false;
    emit saved();
}

bool frmMain::NewImage() {
    if (!ConfirmDiscard()) return false;
    frmDialog dlg(host_.dialogOwner());
    dlg.setWindowTitle(QStringLiteral("New Image"));
    dlg.AddControl(QStringLiteral("Width:"), 640, frmDialog::kText);
    dlg.AddControl(QStringLiteral("Height:"), 480, frmDialog::kText);
    dlg.AddControl(QStringLiteral("Background Color:"), 16777215, frmDialog::kColour);
    dlg.AddControl(QStringLiteral("Alpha:"), 255, frmDialog::kText);
    dlg.AddControl(QStringLiteral("Image Type:"), 0, frmDialog::kList);
    for (const char* t :
         {"1-bit", "8-bit Colormapped", "8-bit Colormapped w/ Alpha", "8-bit Grayscale",
          "16-bit Grayscale w/ Alpha", "24-bit RGB", "32-bit RGB w/ Alpha"})
        dlg.cmbCombo(4)->addItem(QString::fromLatin1(t));
    dlg.cmbCombo(4)->setCurrentIndex(5);
    platform::desktop().showModal(dlg);
    if (dlg.Cancelled) return false;
    try {
        const int width = vb::toInt32(vb::leadingNumber(dlg.txtText(0)->text()));
        const int height = vb::toInt32(vb::leadingNumber(dlg.txtText(1)->text()));
        const uint32_t colour = dlg.colorValue(2);
        const uint8_t alpha = vb::toByte(vb::leadingNumber(dlg.txtText(3)->text()));
        Pix->image().CreateBlank(width, height, pix::MakeColor(colour, alpha),
                                 dlg.cmbCombo(4)->currentIndex(), QString());
        Pix->image().ClearUndo();
        return true;
    } catch (const vb::OverflowError&) {
        RaiseError(vb::OverflowError::kNumber, QStringLiteral("Overflow"),
                   QStringLiteral("NewImage"));
    } catch (const pix::PixError& e) {
        RaiseError(e);
    }
    return false;
}

void frmMain::LoadURL(const QString& url) {
    if (url.isEmpty()) return;
    startDownload(url);
}
