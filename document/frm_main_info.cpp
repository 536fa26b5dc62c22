// The information windows of the document: the histogram window and the metadata commands.
#include "frm_main.h"

#include "document/document_host.h"
#include "document/file_formats.h"
#include "engine/codecs/jpeg_transcode.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "info/frm_exif.h"
#include "info/frm_histogram.h"
#include "info/frm_jpeg_markers.h"
#include "platform/desktop.h"

#include <QPlainTextEdit>

void frmMain::DemosHistogram() {
    // The window's state decides: the menu item may have toggled its own check already.
    frmHistogram& window = frmHistogram::instance();
    const bool show = !window.isVisible();
    host_.setItemChecked(QStringLiteral("mnuDemosHistogram"), show);
    if (show)
        window.show();
    else
        window.close();
    window.drawHistogram(Pix->image().image());
}

namespace {

// Shows the tags in the metadata window as "name = value" lines.
void listTags(const QList<QPair<QString, QString>>& tags) {
    frmEXIF& window = frmEXIF::instance();
    QString text;
    for (const auto& [name, value] : tags)
        text += name + QStringLiteral(" = ") + value + QLatin1Char('\n');
    window.txtExif->setPlainText(text);
    window.show();
    window.raise();
}

} // namespace

void frmMain::Metadata(int16_t index) {
    pix::PixImage& img = Pix->image();
    switch (index) {
    case 0:
        return listTags(img.metadata().exif);
    case 2:
        return listTags(img.metadata().iptc);
    case 1: {
        const QImage thumb = img.metadata().exifThumbnail;
        if (thumb.isNull()) {
            host_.setItemEnabled(QStringLiteral("mnuMetadata(1)"), false);
            return;
        }
        const int type = pix::imageTypeFromFormat(thumb);
        img.InsertPage(img.pageCount(), pix::PixPage{pix::convertToType(thumb, type), type, {}},
                       QStringLiteral("Import EXIF Thumbnail."));
        return;
    }
    case 3: {
        frmJPEGMarkers dlg(host_.dialogOwner());
        dlg.Mask = img.saveOptions().jpegMarkersToSave;
        dlg.LoadList();
        platform::desktop().showModal(dlg);
        if (!dlg.Cancelled) img.saveOptions().jpegMarkersToSave = dlg.Mask;
        return;
    }
    case 4: {
        platform::messageBox(QStringLiteral("Choose source image to copy Metadata to."));
        platform::FileRequest open;
        open.title = QStringLiteral("Open");
        open.filter = fileformats::kOpenFilter;
        const platform::FileAnswer source = platform::desktop().openFile(open);
        if (!source.accepted) return;
        platform::messageBox(
            QStringLiteral("Save the copied JPEG with metadata to the following new location:"));
        platform::FileRequest save;
        save.title = QStringLiteral("Save As");
        save.filter = QStringLiteral("Joint Photographic Experts Group  <JPG>|*.jpg|");
        save.defaultExt = QStringLiteral("jpg");
        const platform::FileAnswer target = platform::desktop().saveFile(save);
        if (!target.accepted) return;
        img.saveOptions().jpegMarkersToSave = 1;
        const QList<pix::JpegMarker> markers =
            img.IsEmpty() ? QList<pix::JpegMarker>{} : img.page(img.currentPage()).markers;
        pix::CopyMarkers(source.fileName, target.fileName, markers, 1, img.saveOptions());
        return;
    }
    default:
        return;
    }
}
