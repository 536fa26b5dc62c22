// A QImage held compressed (zstd) with everything needed to rebuild it exactly: the undo
// history keeps its older steps this way.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <cstdint>

namespace pix {

struct PackedImage {
    QByteArray data; // the zstd frame of the image's bytes
    QSize size;
    QImage::Format format = QImage::Format_Invalid;
    QList<QRgb> colors;
    int dotsPerMeterX = 0;
    int dotsPerMeterY = 0;
    QPoint offset;
    QMap<QString, QString> text;

    bool isNull() const { return format == QImage::Format_Invalid; }
    int64_t bytes() const { return data.size(); }
};

// Compresses the image; a null result when the image is null or compression fails.
PackedImage packImage(const QImage& image);
// Rebuilds the image; a null image when the data is damaged or memory is short.
QImage unpackImage(const PackedImage& packed);

} // namespace pix
