// The kinds of operation an engine group runs on the current page, each one call: an operation
// on the page's 32-bit working image, one that changes it in place, a per-pixel map into an image
// of the same size, and a generated picture that replaces the page. Each opens one undo step with
// its label, reports progress with cancel through the image's progress handler, and leaves the
// page as it was when it throws. Paletted, mono and grey pages come back promoted to "24-bit RGB",
// or to "32-bit RGB w/ Alpha" when they or the result carry alpha.
#pragma once

#include "pix_image.h"
#include "progress.h"

#include <QImage>
#include <functional>

namespace pix {

struct OperationKinds {
    const char* source; // the group's name in error reports ("Effects", "Processor", ...)

    // Runs `op` on the page's 32-bit working form and stores its result; the page type follows
    // the result's format. `needAlpha` hands the op an ARGB32 image.
    void onWorkingImage(PixImage& img, const QString& label,
                        const std::function<QImage(QImage work, const ProgressFn&)>& op,
                        bool needAlpha = false) const;

    // An operation that changes the working image in place.
    void inPlace(PixImage& img, const QString& label,
                 const std::function<void(QImage& work, const ProgressFn&)>& op,
                 bool needAlpha = false) const;

    // An operation that maps the pixels into an image of the same size (`out` may be `src` when
    // nothing else shares the working image).
    void
    mapped(PixImage& img, const QString& label,
           const std::function<void(const QImage& src, QImage& out, const ProgressFn&)>& op) const;

    // Replaces the page with a generated opaque picture; a page with alpha keeps an alpha type.
    void replaceWith(PixImage& img, const QString& label,
                     const std::function<QImage(const ProgressFn&)>& make) const;
};

} // namespace pix
