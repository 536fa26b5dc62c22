#include "recovery_file.h"

#include "engine/codecs/atomic_write.h"
#include "engine/image_limits.h"
#include "engine/pix_error.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>

namespace recovery {

namespace {

constexpr quint32 kMagic = 0x50585243; // "PXRC"
constexpr quint32 kVersion = 1;
constexpr quint32 kEndMagic = 0x50584E44; // "PXND"

QString source() {
    return QStringLiteral("Recovery");
}

[[noreturn]] void damaged(const QString& path, const QString& why) {
    throw pix::PixError(pix::kErrCorruptImage,
                        QStringLiteral("The recovery copy %1 is damaged (%2).").arg(path, why),
                        source());
}

// The header: what the document is, then each page's shape; the pixels follow it in page order.
QByteArray header(const Snapshot& s) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kVersion << s.filePath << s.displayName << s.takenAt << qint32(s.fileType)
        << qint32(s.currentPage) << qint32(s.pages.size());
    for (const pix::PixPage& p : s.pages) {
        out << qint32(p.type) << qint32(p.image.width()) << qint32(p.image.height())
            << qint32(p.image.format()) << qint64(p.image.bytesPerLine())
            << qint32(p.image.colorTable().size());
        for (QRgb c : p.image.colorTable()) out << quint32(c);
        out << qint32(p.markers.size());
        for (const pix::JpegMarker& m : p.markers) out << qint32(m.code) << m.data;
    }
    return bytes;
}

struct PageShape {
    int type, width, height;
    QImage::Format format;
    qint64 bytesPerLine;
    QList<QRgb> colours;
    QList<pix::JpegMarker> markers;
};

// Reads the header; leaves `in` at the first pixel byte.
Snapshot readHeader(QDataStream& in, const QString& path, QList<PageShape>* shapes) {
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0;
    in >> magic >> version;
    if (magic != kMagic || version != kVersion)
        damaged(path, QStringLiteral("not a recovery copy"));
    Snapshot s;
    qint32 fileType = 0, current = 0, count = 0;
    in >> s.filePath >> s.displayName >> s.takenAt >> fileType >> current >> count;
    if (in.status() != QDataStream::Ok || count < 1 || count > pix::kMaxPages || current < 0 ||
        current >= count)
        damaged(path, QStringLiteral("bad header"));
    s.fileType = fileType;
    s.currentPage = current;
    if (!shapes) return s;
    for (int i = 0; i < count; ++i) {
        qint32 type = 0, w = 0, h = 0, format = 0, colours = 0, markers = 0;
        qint64 bpl = 0;
        PageShape shape{};
        // Counts are checked before anything is read or reserved for them.
        in >> type >> w >> h >> format >> bpl >> colours;
        if (in.status() != QDataStream::Ok || colours < 0 || colours > 256)
            damaged(path, QStringLiteral("bad page header"));
        for (int c = 0; c < colours; ++c) {
            quint32 rgb = 0;
            in >> rgb;
            shape.colours << QRgb(rgb);
        }
        in >> markers;
        if (in.status() != QDataStream::Ok || format <= QImage::Format_Invalid ||
            format >= QImage::NImageFormats || type < 0 || type > 6 || markers < 0 || markers > 16)
            damaged(path, QStringLiteral("bad page header"));
        pix::checkImageSize(w, h, source());
        for (int m = 0; m < markers; ++m) {
            pix::JpegMarker marker;
            qint32 code = 0;
            in >> code >> marker.data;
            marker.code = code;
            shape.markers << marker;
        }
        shape.type = type;
        shape.width = w;
        shape.height = h;
        shape.format = QImage::Format(format);
        shape.bytesPerLine = bpl;
        shapes->append(shape);
    }
    if (in.status() != QDataStream::Ok) damaged(path, QStringLiteral("bad page header"));
    return s;
}

} // namespace

void writeSnapshot(const QString& path, const Snapshot& snapshot) {
    pix::AtomicFile file(path);
    const QByteArray head = header(snapshot);
    const quint64 headSize = quint64(head.size());
    int64_t at = 0;
    auto put = [&](const void* data, int64_t n) {
        if (!file.writeAt(at, data, n)) file.fail(QStringLiteral("cannot write the recovery copy"));
        at += n;
    };
    put(&headSize, sizeof headSize);
    put(head.constData(), head.size());
    for (const pix::PixPage& p : snapshot.pages) put(p.image.constBits(), p.image.sizeInBytes());
    put(&kEndMagic, sizeof kEndMagic);
    file.commit();
}

namespace {

Snapshot read(const QString& path, bool withPages) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw pix::PixError(pix::kErrIo, file.errorString(), source());
    quint64 headSize = 0;
    if (file.read(reinterpret_cast<char*>(&headSize), sizeof headSize) != sizeof headSize ||
        headSize > quint64(file.size()))
        damaged(path, QStringLiteral("too short"));
    QByteArray head = file.read(qint64(headSize));
    QDataStream in(head);
    QList<PageShape> shapes;
    Snapshot s = readHeader(in, path, withPages ? &shapes : nullptr);
    if (!withPages) return s;
    // The rows the header claims must be exactly what the file holds, before any is allocated.
    int64_t claimed = 0;
    for (const PageShape& shape : shapes) {
        const int bits = QImage::toPixelFormat(shape.format).bitsPerPixel();
        const int64_t row = (int64_t(shape.width) * bits + 31) / 32 * 4;
        if (bits <= 0 || row != shape.bytesPerLine) damaged(path, QStringLiteral("bad row length"));
        claimed += pix::checkedMul(row, shape.height, source());
    }
    if (claimed + int64_t(sizeof kEndMagic) != file.size() - file.pos())
        damaged(path, QStringLiteral("pixels missing"));
    for (const PageShape& shape : shapes) {
        QImage image = pix::allocateImage(shape.width, shape.height, shape.format, source());
        if (image.bytesPerLine() != shape.bytesPerLine)
            damaged(path, QStringLiteral("bad row length"));
        const qint64 n = image.sizeInBytes();
        if (file.read(reinterpret_cast<char*>(image.bits()), n) != n)
            damaged(path, QStringLiteral("pixels missing"));
        if (!shape.colours.isEmpty()) image.setColorTable(shape.colours);
        s.pages.append(pix::PixPage{image, shape.type, shape.markers});
    }
    quint32 end = 0;
    if (file.read(reinterpret_cast<char*>(&end), sizeof end) != sizeof end || end != kEndMagic ||
        !file.atEnd())
        damaged(path, QStringLiteral("incomplete"));
    return s;
}

} // namespace

Snapshot readSnapshot(const QString& path) {
    return read(path, true);
}

Snapshot readSummary(const QString& path) {
    return read(path, false);
}

} // namespace recovery
