#include "metadata.h"

#include "codecs/codec.h"

#include <exiv2/exiv2.hpp>
#include <mutex>

namespace pix {

namespace {

// Long values (maker notes, embedded blobs) are cut so that a listing stays readable.
constexpr qsizetype kMaxValueLength = 512;

QString valueText(const std::string& printed) {
    QString text = QString::fromStdString(printed).trimmed();
    if (text.size() > kMaxValueLength) text = text.left(kMaxValueLength) + QStringLiteral("...");
    return text;
}

// `exif` lets EXIF values that depend on other tags print in full (IPTC needs none).
template <typename Data>
QList<QPair<QString, QString>> tagsOf(const Data& data, const Exiv2::ExifData* exif) {
    QList<QPair<QString, QString>> tags;
    for (const auto& datum : data) {
        // "Image.Make", "Photo.ExposureTime", "Application2.Caption": group and tag name.
        const QString name = QString::fromStdString(datum.groupName() + "." + datum.tagName());
        tags.append({name, valueText(datum.print(exif))});
    }
    return tags;
}

QImage thumbnailOf(const Exiv2::ExifData& exif) {
    const Exiv2::ExifThumbC thumb(exif);
    const Exiv2::DataBuf buf = thumb.copy();
    if (buf.size_ <= 0) return {};
    try {
        const DecodedFile decoded =
            decodeBytes(Bytes(buf.pData_, size_t(buf.size_)), QStringLiteral("EXIF thumbnail"));
        return decoded.pages.value(0).image;
    } catch (const std::exception&) {
        return {}; // a broken thumbnail is no thumbnail
    }
}

} // namespace

ImageMetadata readMetadata(std::span<const uint8_t> fileBytes) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
    ImageMetadata meta;
    if (fileBytes.empty()) return meta;
    try {
        auto image = Exiv2::ImageFactory::open(fileBytes.data(), long(fileBytes.size()));
        if (!image.get()) return meta;
        image->readMetadata();
        meta.exif = tagsOf(image->exifData(), &image->exifData());
        meta.iptc = tagsOf(image->iptcData(), nullptr);
        meta.exifThumbnail = thumbnailOf(image->exifData());
    } catch (const std::exception&) {
        return {}; // a format Exiv2 does not know, or metadata it cannot parse: none shown
    }
    return meta;
}

} // namespace pix
