#include "demos.h"

#include "image_limits.h"
#include "image_type.h"
#include "ops/colour_grid.h"
#include "ops/scramble.h"
#include "pix_error.h"

namespace pix::Effects {

namespace {

void scramble(PixImage& img, const QString& key, bool forward, const QString& undoLabel) {
    if (key.isEmpty())
        throw PixError(kErrInvalidArgument, QStringLiteral("The key is empty"),
                       forward ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt"));
    const ops::ChaChaKey k = ops::chachaKeyOf(key);
    img.modifyPage(undoLabel, [&](PixPage& page) {
        // Written into a new picture: the undo step keeps the original, and no copy is made.
        QImage out = allocateImage(page.image.width(), page.image.height(), page.image.format(),
                                   forward ? QStringLiteral("Encrypt") : QStringLiteral("Decrypt"));
        out.setColorTable(page.image.colorTable());
        ops::scramblePixels(page.image, out, page.type, k, forward);
        page.image = out;
    });
}

} // namespace

void Encrypt(PixImage& img, const QString& key, const QString& undoLabel) {
    scramble(img, key, true, undoLabel);
}

void Decrypt(PixImage& img, const QString& key, const QString& undoLabel) {
    scramble(img, key, false, undoLabel);
}

void DrawColorGrid(PixImage& img, const QString& undoLabel) {
    img.modifyPage(undoLabel, [&](PixPage& page) {
        // 24-bit, or 32-bit when the page has alpha: the grid drops no alpha.
        const int type = typeHasAlpha(page.type) ? kRgba : kRgb;
        if (page.type != type) {
            page.image = convertToType(page.image, type);
            page.type = type;
        } else {
            page.image.detach();
        }
        ops::drawColourGrid(page.image, img.progressHandler());
    });
}

} // namespace pix::Effects
