#include "jpeg_transcode.h"

#include "atomic_write.h"
#include "input_file.h"
#include "jpeg_lib.h"

#include "../image_limits.h"
#include "../pix_error.h"

#include <QFileInfo>

namespace pix {

namespace {

QByteArray transcode(Bytes jpeg, const QList<JpegMarker>& markers, uint32_t mask,
                     const QString& source) {
    JpegDecoder dec;
    JpegEncoder enc;
    if (setjmp(dec.err.jump)) raiseJpegError(dec.err, source);
    if (setjmp(enc.err.jump)) raiseJpegError(enc.err, source);
    dec.start(jpeg);
    jpeg_read_header(&dec.info, TRUE);
    checkImageSize(dec.info.image_width, dec.info.image_height, source);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&dec.info);
    // A copy would carry the grey that libjpeg fills a cut-off picture with as if it were data.
    if (dec.err.incomplete)
        throw PixError(
            kErrCorruptImage,
            QStringLiteral("JPEG error: %1").arg(QString::fromLocal8Bit(dec.err.warning)), source);
    enc.startMemoryOutput();
    jpeg_copy_critical_parameters(&dec.info, &enc.info);
    jpeg_write_coefficients(&enc.info, coefficients);
    writeJpegMarkers(enc.info, markers, mask);
    jpeg_finish_compress(&enc.info);
    jpeg_finish_decompress(&dec.info);
    return enc.bytes();
}

} // namespace

QByteArray jpegWithMarkers(Bytes file, const QList<JpegMarker>& markers, uint32_t mask,
                           const SaveOptions& options, const QString& source) {
    const Codec* jpeg = codecForFileType(kFileJpeg);
    if (!jpeg) throw PixError(kErrUnsupported, QStringLiteral("JPEG is not available"), source);
    if (jpeg->probe(file)) return transcode(file, markers, mask, source);
    DecodedFile decoded = decodeBytes(file, source);
    PixPage page = decoded.pages.takeFirst();
    page.markers = markers;
    SaveOptions o = options;
    o.jpegMarkersToSave = mask;
    return jpeg->write({page}, o);
}

void CopyMarkers(const QString& sourcePath, const QString& targetPath,
                 const QList<JpegMarker>& markers, uint32_t mask, const SaveOptions& options) {
    const InputFile file(sourcePath, QStringLiteral("CopyMarkers"));
    const QByteArray out =
        jpegWithMarkers(file.bytes(), markers, mask, options, QFileInfo(sourcePath).fileName());
    file.checkUnchanged();
    writeFileAtomically(targetPath, out);
}

} // namespace pix
