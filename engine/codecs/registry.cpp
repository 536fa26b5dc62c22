#include "all_codecs.h"
#include "atomic_write.h"
#include "codec.h"
#include "codec_progress.h"
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

namespace {

// Asks the caller's handler at the start of a file (or before it replaces the old one); false
// cancels.
void reportOrCancel(const ProgressFn& progress, int percent, const QString& source) {
    if (!reportProgress(progress, percent))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), source);
}

// Runs `work` after a report of 0 % and ends with a report of 100 %, also when it fails (but not
// when it was cancelled): whatever a handler opened at 0 % it may close at 100 %.
template <class Work> void bracketed(const ProgressFn& progress, const QString& source, Work work) {
    reportOrCancel(progress, 0, source);
    try {
        work();
    } catch (const PixError& e) {
        if (e.number() != kErrCancelled) reportProgress(progress, 100);
        throw;
    } catch (...) {
        reportProgress(progress, 100);
        throw;
    }
    reportProgress(progress, 100);
}

} // namespace

void withCodecProgress(const ProgressFn& fn, const QString& source,
                       const std::function<void()>& work) {
    bracketed(fn, source, [&] {
        const CodecProgress scope(fn);
        work();
    });
}

DecodedFile decodeBytes(Bytes data, const QString& source, const ProgressFn& progress) {
    const Codec* codec = codecForData(data);
    if (!codec)
        throw PixError(kErrUnsupported, QStringLiteral("Unknown or unsupported image format"),
                       source);
    DecodedFile decoded;
    bracketed(progress, source, [&] {
        const CodecProgress scope(progress);
        decoded = codec->read(data);
        checkPageCount(decoded.pages.size(), source);
        if (decoded.pages.isEmpty())
            throw PixError(kErrCorruptImage, QStringLiteral("The file holds no image"), source);
    });
    decoded.fileType = codec->fileType();
    return decoded;
}

DecodedFile decodeFile(const QString& path, const ProgressFn& progress) {
    const InputFile file(path, QStringLiteral("decodeFile"));
    DecodedFile decoded = decodeBytes(file.bytes(), QFileInfo(path).fileName(), progress);
    file.checkUnchanged();
    return decoded;
}

void Codec::writeFile(AtomicFile& out, const QList<PixPage>& pages,
                      const SaveOptions& options) const {
    QByteArray bytes;
    {
        const CodecStage encoding(0, 90);
        bytes = write(pages, options);
    }
    // Written in pieces, so that a large file reports as it goes.
    const CodecStage writing(90, 100);
    constexpr qsizetype kPiece = qsizetype(4) << 20;
    for (qsizetype at = 0; at < bytes.size(); at += kPiece) {
        const qsizetype n = std::min(kPiece, bytes.size() - at);
        if (!out.writeAt(out.size(), bytes.constData() + at, n))
            out.fail(QStringLiteral("write failed"));
        reportCodecProgress(at + n, bytes.size());
    }
}

void encodeFile(const QString& path, const Codec& codec, const QList<PixPage>& pages,
                const SaveOptions& options, const ProgressFn& progress) {
    if (!codec.canWrite())
        throw PixError(kErrUnsupported, QStringLiteral("This format cannot be written"),
                       QStringLiteral("encodeFile"));
    if (pages.isEmpty())
        throw PixError(kErrNoImage, QStringLiteral("No image to write"),
                       QStringLiteral("encodeFile"));
    const QString source = QStringLiteral("encodeFile");
    bracketed(progress, source, [&] {
        AtomicFile out(path);
        {
            const CodecProgress scope(progress);
            codec.writeFile(out, codec.writesPages() ? pages : pages.mid(0, 1), options);
        }
        // The last chance to cancel: once committed, the file is replaced.
        reportOrCancel(progress, 99, source);
        out.commit();
    });
}

void encodeFile(const QString& path, int fileType, const QList<PixPage>& pages,
                const SaveOptions& options, const ProgressFn& progress) {
    const Codec* codec =
        fileType == kFileAuto ? codecForExtension(path) : codecForFileType(fileType);
    if (!codec)
        throw PixError(kErrUnsupported, QStringLiteral("This format cannot be written"),
                       QStringLiteral("encodeFile"));
    encodeFile(path, *codec, pages, options, progress);
}

} // namespace pix
