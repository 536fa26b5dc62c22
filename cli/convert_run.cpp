#include "convert_run.h"

#include "engine/codecs/codec.h"
#include "engine/codecs/jpeg_transcode.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "engine/pix_image.h"

#include <QFileInfo>

namespace pixcli {

namespace {

const QString kNoUndo = QStringLiteral("no undo");

QString formatName(int fileType, const QString& path) {
    const pix::Codec* codec = fileType ? pix::codecForFileType(fileType) : nullptr;
    if (!codec) codec = pix::codecForExtension(path);
    return codec ? codec->name() : QStringLiteral("unknown");
}

void listInfo(const pix::PixImage& image, QTextStream& out) {
    out << "file: " << QFileInfo(image.FileName()).fileName() << "\n";
    out << "format: " << formatName(image.FileType(), image.FileName()) << " (code "
        << image.FileType() << ")\n";
    out << "pages: " << image.pageCount() << "\n";
    for (int i = 0; i < image.pageCount(); ++i) {
        const pix::PixPage& p = image.page(i);
        out << "page " << i + 1 << ": " << p.image.width() << " x " << p.image.height() << ", "
            << pix::imageTypeName(p.type);
        for (const pix::JpegMarker& m : p.markers)
            out << ", APP" << (m.code - 0xE0) << " " << m.data.size() << " bytes";
        out << "\n";
    }
    const pix::ImageMetadata& meta = image.metadata();
    for (const auto& [name, value] : meta.exif) out << "EXIF " << name << " = " << value << "\n";
    for (const auto& [name, value] : meta.iptc) out << "IPTC " << name << " = " << value << "\n";
    if (!meta.exifThumbnail.isNull())
        out << "EXIF thumbnail: " << meta.exifThumbnail.width() << " x "
            << meta.exifThumbnail.height() << "\n";
}

void convertTypes(pix::PixImage& image, int type) {
    for (int i = 0; i < image.pageCount(); ++i) {
        image.setCurrentPage(i);
        image.setImage(image.image(), type, kNoUndo);
    }
    image.setCurrentPage(0);
}

// Tells on `err` what the reader noticed; an incomplete picture ends the run without --salvage.
void reportDamage(const pix::PixImage& image, const ConvertRequest& r, QTextStream& err) {
    const QString name = QFileInfo(r.input).fileName();
    for (const pix::UnreadablePage& u : image.unreadablePages())
        err << "Warning: " << name << ": page " << u.number << " cannot be read: " << u.reason
            << "\n";
    for (const pix::PageNote& note : image.readNotes()) {
        if (!note.warning.isEmpty()) err << "Warning: " << name << ": " << note.warning << "\n";
        if (note.incomplete && !r.salvage && !r.info)
            throw pix::PixError(pix::kErrCorruptImage,
                                QStringLiteral("%1 is damaged: its picture ends early (use "
                                               "--salvage to write it with the rest grey)")
                                    .arg(name),
                                QStringLiteral("pixendra-convert"));
    }
}

void carryOut(const ConvertRequest& r, QTextStream& out, QTextStream& err) {
    if (!r.markersFrom.isEmpty()) {
        pix::PixImage donor;
        donor.LoadFromFile(r.markersFrom, kNoUndo);
        pix::CopyMarkers(r.input, r.output, donor.page(0).markers, r.options.jpegMarkersToSave,
                         r.options);
        return;
    }
    if (r.streamed && r.streamed(r)) return;
    pix::PixImage image;
    image.setSingleUse(true); // a failure ends the run without saving
    image.LoadFromFile(r.input, kNoUndo);
    reportDamage(image, r, err);
    if (r.info) return listInfo(image, out);
    if (r.imageType >= 0) convertTypes(image, r.imageType);
    if (r.edit) r.edit(image);
    if (r.page > image.pageCount())
        throw pix::PixError(pix::kErrInvalidArgument,
                            QStringLiteral("%1 has %2 pages, there is no page %3")
                                .arg(QFileInfo(r.input).fileName())
                                .arg(image.pageCount())
                                .arg(r.page),
                            QStringLiteral("pixendra-convert"));
    image.saveOptions() = r.options;
    const int page = std::max(0, r.page - 1);
    image.setCurrentPage(page);
    if (r.append)
        image.AppendToTiff(r.output);
    else
        image.SaveToFile(r.output, r.fileType, page, r.page == 0);
}

} // namespace

int runRequest(const ConvertRequest& request, QTextStream& out, QTextStream& err) {
    try {
        carryOut(request, out, err);
        return kExitOk;
    } catch (const pix::PixError& e) {
        err << "Error: " << e.description() << "\nSource: " << e.source() << "\n";
    } catch (const std::exception& e) {
        err << "Error: " << e.what() << "\nSource: pixendra-convert\n";
    }
    return kExitFailed;
}

} // namespace pixcli
