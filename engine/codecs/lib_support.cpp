#include "lib_support.h"

#include "../image_limits.h"
#include "../pix_error.h"
#include "codec_progress.h"

#include <QHash>

namespace pix {

void addPagePixels(int64_t& total, int64_t width, int64_t height, const QString& source) {
    total += checkedMul(width, height, source);
    if (total > 4 * kMaxPixels)
        throw PixError(kErrTooLarge,
                       QStringLiteral("The pages of the file hold more than %1 pixels together")
                           .arg(4 * kMaxPixels),
                       source);
}

std::optional<QImage> toIndexedExact(const QImage& image, bool reportRows) {
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_Indexed8);
    if (out.isNull()) return std::nullopt;
    QHash<QRgb, int> index;
    QList<QRgb> table;
    QRgb lastColour = 0;
    uchar lastIndex = 0;
    bool haveLast = false;
    for (int y = 0; y < src.height(); ++y) {
        if (reportRows) reportCodecRows(y, src.height());
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            // Runs of one colour (large flat areas) skip the lookup.
            if (haveLast && in[x] == lastColour) {
                dst[x] = lastIndex;
                continue;
            }
            auto it = index.constFind(in[x]);
            if (it == index.constEnd()) {
                if (table.size() == 256) return std::nullopt;
                it = index.insert(in[x], int(table.size()));
                table.append(in[x]);
            }
            dst[x] = uchar(*it);
            lastColour = in[x];
            lastIndex = dst[x];
            haveLast = true;
        }
    }
    out.setColorTable(table);
    return out;
}

QImage unpremultiplied(const QImage& premultiplied) {
    QImage p = premultiplied;
    p.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    return p.convertToFormat(QImage::Format_ARGB32);
}

} // namespace pix
