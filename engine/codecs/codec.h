// The interface every image format implements, and the registry that picks one.
#pragma once

#include "../pix_page.h"
#include "../progress.h"
#include "../save_options.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <span>
#include <vector>

namespace pix {

class AtomicFile;

// Engine file-type codes; 0 = the engine's own choice (GIF, ICO, or "follow the extension").
enum FileType : int {
    kFileAuto = 0,
    kFileJpeg = 1,
    kFilePng = 2,
    kFileTiff = 3,
    kFilePcx = 4,
    kFileTga = 5,
    kFileBmp = 6,
    kFileWmf = 7,
    kFileEmf = 8,
    kFilePsd = 9,
    kFileWbmp = 10,
};

using Bytes = std::span<const uint8_t>;

struct DecodedFile {
    QList<PixPage> pages;
    int fileType = kFileAuto;
    QList<UnreadablePage> unreadable; // pages left out of `pages`
    QList<PageNote> notes;
};

class Codec {
public:
    virtual ~Codec() = default;

    // Short lower-case name, e.g. "jpeg"; used in messages and by the registry.
    virtual QString name() const = 0;
    // Engine code reported for files of this format (0 for GIF and ICO).
    virtual int fileType() const = 0;
    // File extensions without the dot, lower case; the first is the one used when saving.
    virtual QStringList extensions() const = 0;
    // True when the bytes start like a file of this format.
    virtual bool probe(Bytes data) const = 0;
    // Decodes every page. Throws PixError on corrupt, truncated or too-large input.
    virtual DecodedFile read(Bytes data) const = 0;
    virtual bool canWrite() const = 0;
    // True when one file can hold several pages (TIFF, GIF, ICO).
    virtual bool writesPages() const { return false; }
    // Encodes the pages (writers without pages get exactly one). Throws PixError on failure.
    virtual QByteArray write(const QList<PixPage>& pages, const SaveOptions& options) const = 0;
    // Encodes into the file being saved; formats with large output stream it there directly.
    virtual void writeFile(AtomicFile& out, const QList<PixPage>& pages,
                           const SaveOptions& options) const;
};

// All formats, in probing order.
const std::vector<std::unique_ptr<Codec>>& allCodecs();

// The codec whose probe accepts the data, or nullptr.
const Codec* codecForData(Bytes data);
// The codec for an engine file-type code 1..10, or nullptr.
const Codec* codecForFileType(int fileType);
// The codec for a path's extension (case-insensitive), or nullptr.
const Codec* codecForExtension(const QString& path);

// Reads a whole file: probes, decodes, checks the limits. Throws PixError. `progress` hears 0,
// the rows read and 100; a false answer throws PixError(kErrCancelled).
DecodedFile decodeBytes(Bytes data, const QString& source, const ProgressFn& progress = {});
DecodedFile decodeFile(const QString& path, const ProgressFn& progress = {});

// Writes pages to path atomically (temporary file in the same folder, then rename); the old file
// is untouched on any failure, a cancel included. fileType 0 follows the extension. Throws
// PixError with the cause. `progress` hears 0, the rows written and 100.
void encodeFile(const QString& path, int fileType, const QList<PixPage>& pages,
                const SaveOptions& options, const ProgressFn& progress = {});
// The same with a chosen codec: all pages when it holds pages, else the first.
void encodeFile(const QString& path, const Codec& codec, const QList<PixPage>& pages,
                const SaveOptions& options, const ProgressFn& progress = {});

// Adds one page at the end of an existing TIFF file (atomically). Throws PixError.
void appendPageToTiff(const QString& path, const PixPage& page, const SaveOptions& options);

} // namespace pix
