#include "all_codecs.h"
#include "atomic_write.h"
#include "codec.h"
#include "input_file.h"

#include "../image_limits.h"
#include "../pix_error.h"

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
    const InputFile file(path, QStringLiteral("decodeFile"));
    DecodedFile decoded = decodeBytes(file.bytes(), QFileInfo(path).fileName());
    file.checkUnchanged();
    return decoded;
}

void Codec::writeFile(AtomicFile& out, const QList<PixPage>& pages,
                      const SaveOptions& options) const {
    out.append(write(pages, options));
}

void encodeFile(const QString& path, const Codec& codec, const QList<PixPage>& pages,
                const SaveOptions& options) {
    if (!codec.canWrite())
        throw PixError(kErrUnsupported, QStringLiteral("This format cannot be written"),
                       QStringLiteral("encodeFile"));
    if (pages.isEmpty())
        throw PixError(kErrNoImage, QStringLiteral("No image to write"),
                       QStringLiteral("encodeFile"));
    AtomicFile out(path);
    codec.writeFile(out, codec.writesPages() ? pages : pages.mid(0, 1), options);
    out.commit();
}

void encodeFile(const QString& path, int fileType, const QList<PixPage>& pages,
                const SaveOptions& options) {
    const Codec* codec =
        fileType == kFileAuto ? codecForExtension(path) : codecForFileType(fileType);
    if (!codec)
        throw PixError(kErrUnsupported, QStringLiteral("This format cannot be written"),
                       QStringLiteral("encodeFile"));
    encodeFile(path, *codec, pages, options);
}

} // namespace pix
