// The pages of the document image: the Images menu's commands, its page list and the check mark
// that follows the current page.
#include "frm_main.h"

#include "document/document_host.h"
#include "document/file_formats.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "platform/desktop.h"
#include "platform/vb.h"

namespace {

const QString kTiffFilter = QStringLiteral("TIFF Images|*.tif;*.tiff");

QString item(const char* group, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(group)).arg(index);
}

// "1: 640 x 480 x 16777216 Colors (24bpp)  ", and "  (Changed)" after an edited page.
QString pageCaption(int number, const pix::PixPage& page) {
    QString caption = QStringLiteral("%1: %2 x %3 x %4 Colors (%5bpp)  ")
                          .arg(number)
                          .arg(page.image.width())
                          .arg(page.image.height())
                          .arg(pix::colourCount(page.image, page.type))
                          .arg(pix::bitsPerPixel(page.type));
    if (page.changed) caption += QStringLiteral("  (Changed)");
    return caption;
}

} // namespace

bool frmMain::chooseAndRead(const QString& filter, pix::PixImage& scratch, QString* path) {
    platform::FileRequest req;
    req.title = QStringLiteral("Open");
    req.filter = filter;
    const platform::FileAnswer chosen = platform::desktop().openFile(req);
    if (!chosen.accepted) return false;
    if (path) *path = chosen.fileName;
    if (filter == kTiffFilter) return true; // the file itself is the target, not read here
    try {
        scratch.LoadFromFile(chosen.fileName, QStringLiteral("No Undo"));
        return true;
    } catch (const pix::PixError& e) {
        RaiseError(e);
        return false;
    }
}

void frmMain::Images(int16_t index) {
    pix::PixImage& img = Pix->image();
    pix::PixImage scratch;
    switch (index) {
    case 4: // Next Image
        img.setCurrentPage(img.currentPage() + 1);
        break;
    case 5: // Previous Image
        img.setCurrentPage(img.currentPage() - 1);
        break;
    case 6: { // Add Image...
        if (!chooseAndRead(fileformats::kOpenFilter, scratch)) return;
        const std::optional<QString> answer =
            platform::desktop().input(QStringLiteral("Enter Page number to insert {0 = last page}"),
                                      QStringLiteral("Pixendra"), QStringLiteral("0"));
        if (!answer) return;
        if (!vb::isNumeric(*answer)) {
            platform::messageBox(QStringLiteral("The page number must be a number."));
            return;
        }
        int number = 0;
        try {
            number = vb::toInt32(vb::leadingNumber(*answer));
        } catch (const vb::OverflowError&) {
            number = -1;
        }
        if (number < 0) {
            platform::messageBox(QStringLiteral("The page number must be 0 or more."));
            return;
        }
        // Page numbers count from 1; 0 and numbers past the last page add at the end.
        const int at = number == 0 ? img.pageCount() : std::min(number - 1, img.pageCount());
        img.InsertPage(at, scratch.page(scratch.currentPage()), QString());
        break;
    }
    case 7: // Remove Image
        if (img.pageCount() > 0) img.RemovePage(img.currentPage(), QString());
        break;
    case 9: { // Append Image to TIFF: the chosen TIFF file gets the current page at its end
        QString target;
        if (!chooseAndRead(kTiffFilter, scratch, &target)) return;
        img.AppendToTiff(target);
        break;
    }
    case 11: // Set Background Image...
        if (!chooseAndRead(fileformats::kOpenFilter, scratch)) return;
        Pix->setBackgroundPicture(scratch.image());
        Pix->viewport()->update();
        break;
    case 12: // Clear Background Image
        Pix->setBackgroundPicture(QImage());
        Pix->viewport()->update();
        break;
    default:
        return;
    }
    Images_Menu();
}

void frmMain::ImagesImage(int16_t index) {
    pix::PixImage& img = Pix->image();
    if (index < 0 || index >= img.pageCount()) return;
    if (selectionRect().isEmpty()) {
        img.setCurrentPage(index);
    } else {
        SetImage2Buffer();
        pixAction->image().setPage(img.page(index), QStringLiteral("No Undo"));
        UpdateImage(*Pix);
        pixAction->image().ClearUndo();
    }
    Images_Menu();
}

void frmMain::Images_Menu() {
    const pix::PixImage& img = Pix->image();
    const int n = img.pageCount();
    const int current = img.currentPage();
    host_.setItemEnabled(item("mnuImages", 4), n > 0 && current + 1 < n);
    host_.setItemEnabled(item("mnuImages", 5), n > 0 && current >= 1);
    host_.setItemEnabled(item("mnuImages", 7), n > 0);
    host_.setItemEnabled(item("mnuImages", 2), n > 0);
    if (n > 0)
        for (int t = 0; t < pix::kImageTypeCount; ++t)
            host_.setItemChecked(item("mnuImageType", t), t == img.imageType());
    QStringList captions;
    captions.reserve(n);
    for (int i = 0; i < n; ++i) captions << pageCaption(i + 1, img.page(i));
    host_.setPageItems(captions, current);
}

void frmMain::checkCurrentPage() {
    const pix::PixImage& img = Pix->image();
    for (int i = 0; i < img.pageCount(); ++i)
        host_.setItemChecked(item("mnuImagesImage", i), i == img.currentPage());
}
