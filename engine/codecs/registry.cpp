#include "all_codecs.h"
#include "codec.h"

#include "../image_limits.h"
#include "../pix_error.h"

#include <QFile>
#include <QFileInfo>

namespace pix {

const std::vector<std::unique_ptr<Codec>>& allCodecs() {
    // Probing order: formats with strong signatures first, weak ones (TGA, WBMP) last.
    static const std::vector<std::unique_ptr<Codec>> codecs = [] {
        std::vector<std::unique_ptr<Codec>> list;
        for (auto make : kCodecFactories) list.push_back(make());
        return list;
    }();
    return codecs;
}

const Codec* codecForData(Bytes data) {
    for (const auto& c : allCodecs())
        if (c->probe(data)) return c.get();
    return nullptr;
}

const Codec* codecForFileType(int fileType) {
    if (fileType == kFileAuto) return nullptr;
    for (const auto& c : allCodecs())
        if (c->fileType() == fileType) return c.get();
    return nullptr;
}

const Codec* codecForExtension(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext.isEmpty()) return nullptr;
    for (const auto& c : allCodecs())
        if (c->extensions().contains(ext)) return c.get();
    return nullptr;
}

DecodedFile decodeBytes(Bytes data, const QString& source) {
    const Codec* codec = codecForData(data);
    if (!codec)
        throw PixError(kErrUnsupported, QStringLiteral("Unknown or unsupported image format"),
                       source);
    DecodedFile decoded = codec->read(data);
    checkPageCount(decoded.pages.size(), source);
    if (decoded.pages.isEmpty())
        throw PixError(kErrCorruptImage, QStringLiteral("The file holds no image"), source);
    decoded.fileType = codec->fileType();
    return decoded;
}

DecodedFile decodeFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw PixError(kErrIo, QStringLiteral("Cannot open %1: %2").arg(path, f.errorString()),
                       QStringLiteral("decodeFile"));
    const QByteArray bytes = f.readAll();
    return decodeBytes(
        Bytes(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())),
        QFileInfo(path).fileName());
}

void encodeFile(const QString& path, int fileType, const QList<PixPage>& pages,
                const SaveOptions& options) {
    const Codec* codec =
        fileType == kFileAuto ? codecForExtension(path) : codecForFileType(fileType);
    if (!codec || !codec->canWrite())
        throw PixError(kErrUnsupported, QStringLiteral("This format cannot be written"),
                       QStringLiteral("encodeFile"));
    if (pages.isEmpty())
        throw PixError(kErrNoImage, QStringLiteral("No image to write"),
                       QStringLiteral("encodeFile"));
    writeFileAtomically(path,
                        codec->write(codec->writesPages() ? pages : pages.mid(0, 1), options));
}

} // namespace pix
