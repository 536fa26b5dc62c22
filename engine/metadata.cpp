#include "metadata.h"

#include "codecs/codec.h"

#include <exiv2/exiv2.hpp>
#include <mutex>
#include <set>

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

namespace {

// Whether the EXIF says something of the photograph beyond how a TIFF stores its pixels (the
// baseline tags of a TIFF's first directory are read as EXIF too): a camera's tags, GPS, the
// description, author or copyright. Only such EXIF is carried into a saved file.
bool describesThePhoto(const Exiv2::ExifData& exif) {
    static const std::set<uint16_t> kDescriptive = {0x010e, 0x010f, 0x0110, 0x0131, 0x0132, 0x013b,
                                                    0x8298, 0x9c9b, 0x9c9c, 0x9c9d, 0x9c9e, 0x9c9f};
    for (const Exiv2::Exifdatum& d : exif)
        if (d.groupName() != "Image" || kDescriptive.count(d.tag())) return true;
    return false;
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
        if (describesThePhoto(image->exifData())) {
            Exiv2::Blob blob;
            Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, image->exifData());
            meta.exifBlob =
                QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
        }
        if (!image->iptcData().empty()) {
            const Exiv2::DataBuf iptc = Exiv2::IptcParser::encode(image->iptcData());
            meta.iptcBlob =
                QByteArray(reinterpret_cast<const char*>(iptc.pData_), qsizetype(iptc.size_));
        }
        meta.xmpPacket = QByteArray::fromStdString(image->xmpPacket());
    } catch (const std::exception&) {
        return {}; // a format Exiv2 does not know, or metadata it cannot parse: none shown
    }
    return meta;
}

namespace {

// The EXIF as a picture of `pixels` that is stored upright.
void describePixels(Exiv2::ExifData& exif, QSize pixels) {
    const std::pair<const char*, int> sizes[] = {
        {"Exif.Photo.PixelXDimension", pixels.width()},
        {"Exif.Photo.PixelYDimension", pixels.height()},
    };
    for (const auto& [key, value] : sizes)
        if (exif.findKey(Exiv2::ExifKey(key)) != exif.end()) exif[key] = uint32_t(value);
    if (exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != exif.end())
        exif["Exif.Image.Orientation"] = uint16_t(1);
}

// The bytes of a memory io, copied once.
QByteArray bytesOf(Exiv2::BasicIo& io) {
    const qsizetype size = qsizetype(io.size());
    const Exiv2::byte* data = io.mmap(); // a memory io hands out its own buffer
    QByteArray bytes(reinterpret_cast<const char*>(data), size);
    io.munmap();
    return bytes;
}

} // namespace

QByteArray withMetadata(const QByteArray& file, int fileType, const ImageMetadata& meta,
                        QSize pixels) {
    const bool carrier = fileType == kFilePng || fileType == kFileTiff;
    if (fileType != kFileJpeg && !carrier) return file;
    if (carrier && meta.exifBlob.isEmpty() && meta.iptcBlob.isEmpty() && meta.xmpPacket.isEmpty())
        return file;
    try {
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(file.constData()), long(file.size()));
        if (!image.get()) return file;
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        if (carrier) {
            exif.clear();
            if (!meta.exifBlob.isEmpty())
                Exiv2::ExifParser::decode(
                    exif, reinterpret_cast<const Exiv2::byte*>(meta.exifBlob.constData()),
                    uint32_t(meta.exifBlob.size()));
            // A TIFF's own structure is the written one, not the one the EXIF came from.
            if (fileType == kFileTiff)
                for (auto it = exif.begin(); it != exif.end();)
                    it = it->groupName() == "Image" && it->tag() < 0x0110 ? exif.erase(it)
                                                                          : std::next(it);
            Exiv2::IptcData iptc;
            if (!meta.iptcBlob.isEmpty())
                Exiv2::IptcParser::decode(
                    iptc, reinterpret_cast<const Exiv2::byte*>(meta.iptcBlob.constData()),
                    uint32_t(meta.iptcBlob.size()));
            image->setIptcData(iptc);
            if (!meta.xmpPacket.isEmpty()) {
                image->setXmpPacket(meta.xmpPacket.toStdString());
                image->writeXmpFromPacket(true);
            }
        } else if (exif.empty()) {
            return file; // the markers to save left no EXIF in this JPEG
        }
        describePixels(exif, pixels);
        image->setExifData(exif);
        image->writeMetadata();
        return bytesOf(image->io());
    } catch (const std::exception&) {
        return file; // the picture is saved even when its metadata cannot go with it
    }
}

} // namespace pix
