#include "op_kinds.h"

#include "image_type.h"
#include "ops/op_support.h"

#include <utility>

namespace pix {

void OperationKinds::onWorkingImage(PixImage& img, const QString& label,
                                    const std::function<QImage(QImage work, const ProgressFn&)>& op,
                                    bool needAlpha) const {
    const ProgressFn progress = img.progressHandler();
    img.modifyPage(label, [&](PixPage& page) {
        // Taken out of the page so that, when nothing else holds the pixels (a single-use
        // image), the operation may write into them.
        QImage work = toWorkingFormat(std::exchange(page.image, QImage()), page.type);
        if (needAlpha && work.format() != QImage::Format_ARGB32)
            work = work.convertToFormat(QImage::Format_ARGB32);
        ops::requireAllocated(work, source);
        QImage out = op(std::move(work), progress);
        page.type = out.format() == QImage::Format_ARGB32 ? kRgba : kRgb;
        page.image = std::move(out);
    });
}

void OperationKinds::inPlace(PixImage& img, const QString& label,
                             const std::function<void(QImage& work, const ProgressFn&)>& op,
                             bool needAlpha) const {
    onWorkingImage(
        img, label,
        [&](QImage work, const ProgressFn& progress) {
            // The page keeps the pixels it shares with `work`: copy them once, in parallel,
            // into a buffer of its own rather than on the first write.
            work = ops::writableCopy(work, source);
            op(work, progress);
            return work;
        },
        needAlpha);
}

void OperationKinds::mapped(
    PixImage& img, const QString& label,
    const std::function<void(const QImage& src, QImage& out, const ProgressFn&)>& op) const {
    onWorkingImage(img, label, [&](QImage work, const ProgressFn& progress) {
        if (work.isDetached()) {
            op(work, work, progress);
            return work;
        }
        QImage out = ops::newImageLike(work, source);
        op(work, out, progress);
        return out;
    });
}

void OperationKinds::replaceWith(PixImage& img, const QString& label,
                                 const std::function<QImage(const ProgressFn&)>& make) const {
    const ProgressFn progress = img.progressHandler();
    img.modifyPage(label, [&](PixPage& page) {
        const bool alpha = typeHasAlpha(page.type);
        page.image = make(progress);
        if (alpha) page.image = page.image.convertToFormat(QImage::Format_ARGB32);
        ops::requireAllocated(page.image, source);
        page.type = alpha ? kRgba : kRgb;
    });
}

} // namespace pix
