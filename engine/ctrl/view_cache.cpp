#include "view_cache.h"

#include "view_scale.h"

#include <atomic>
#include <cstring>
#include <sys/resource.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace pix {

namespace {

// Up to this many pixels a change is followed (or the view built) at once on the calling
// thread: a few milliseconds. Larger ones go to a worker.
constexpr qint64 kInlinePixels = qint64(1) << 20;

qint64 pixelCount(QSize size) {
    return qint64(size.width()) * size.height();
}

QImage::Format viewFormatOf(const QImage& image) {
    return image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

// True when the image's own pixels serve as the full-size level.
bool drawsDirect(const QImage& image) {
    return image.format() == viewFormatOf(image);
}

// Writes `rect` of image into base (same size, 32 bits), converted band by band.
bool convertInto(const QImage& image, QImage& base, const QRect& rect,
                 const std::atomic<bool>* cancel) {
    constexpr int kBand = 64;
    for (int y = rect.top(); y <= rect.bottom(); y += kBand) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return false;
        const int h = std::min(kBand, rect.bottom() + 1 - y);
        const QImage part = image.copy(rect.x(), y, rect.width(), h).convertToFormat(base.format());
        if (part.isNull()) return false;
        for (int r = 0; r < h; ++r)
            std::memcpy(base.scanLine(y + r) + rect.x() * 4, part.constScanLine(r),
                        size_t(rect.width()) * 4);
    }
    return true;
}

} // namespace

struct ViewCache::Levels {
    QImage base;
    std::vector<QImage> levels;
    QImage scaled;
    bool smooth = false;
    QSize size;
    QImage::Format imageFormat = QImage::Format_Invalid;
    QImage::Format format = QImage::Format_Invalid;
};

// One rebuild, shared by the cache and its worker thread.
struct ViewCache::Build {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    QImage image; // a shared copy: the worker only reads it
    QSize size;
    bool smooth = false;
    Levels result;
    bool complete = false;
};

struct ViewCache::Worker {
    std::thread thread;
    std::shared_ptr<Build> build;
};

ViewCache::ViewCache(QObject* parent) : QObject(parent) {}

ViewCache::~ViewCache() {
    for (Worker& w : workers_) w.build->cancel = true;
    for (Worker& w : workers_) w.thread.join();
}

bool ViewCache::buildLevels(Build& b) {
    const std::atomic<bool>* cancel = &b.cancel;
    Levels& v = b.result;
    v.size = b.image.size();
    v.imageFormat = b.image.format();
    v.format = viewFormatOf(b.image);
    v.smooth = b.smooth;
    // Short of memory, the view is left without levels: the caller draws from the image.
    if (!drawsDirect(b.image)) {
        v.base = QImage(v.size, v.format);
        if (v.base.isNull()) return b.complete = true;
        if (!convertInto(b.image, v.base, b.image.rect(), cancel)) return false;
    }
    const QImage* src = v.base.isNull() ? &b.image : &v.base;
    v.levels.reserve(32);
    while (src->width() > 256 && src->height() > 256) {
        QImage out(view::halvedSize(src->size()), v.format);
        if (out.isNull()) break;
        if (!view::halveInto(*src, out, out.rect(), cancel)) return false;
        v.levels.push_back(std::move(out));
        src = &v.levels.back();
    }
    // The scaled view the caller asked for, from the smallest level that is large enough.
    src = v.base.isNull() ? &b.image : &v.base;
    for (const QImage& level : v.levels)
        if (level.width() >= b.size.width() && level.height() >= b.size.height()) src = &level;
    v.scaled = QImage(b.size, v.format);
    if (!v.scaled.isNull() && !view::scaleInto(*src, v.scaled, v.scaled.rect(), b.smooth, cancel))
        return false;
    // The full-size 32-bit copy is kept only while the view is scaled from it.
    if (src != &v.base) v.base = QImage();
    return b.complete = true;
}

void ViewCache::noteChange(const QImage& image, const QRect& area) {
    seenKey_ = image.cacheKey();
    if (area.isNull()) {
        invalidate();
        cancelBuild();
    } else {
        pending_ |= area;
    }
}

void ViewCache::invalidate() {
    valid_ = false;
    pending_ = {};
    base_ = QImage();
    levels_.clear();
    scaled_ = QImage();
}

void ViewCache::cancelBuild() {
    if (job_) job_->cancel = true;
    job_.reset();
}

const QImage* ViewCache::scaled(const QImage& image, QSize size, bool smooth) {
    if (image.isNull() || size.isEmpty()) return nullptr;
    if (image.cacheKey() != seenKey_) noteChange(image, QRect()); // changed without notice
    if (job_) return nullptr;
    if (valid_ && (image.size() != viewSize_ || image.format() != imageFormat_)) invalidate();
    if (valid_ && !pending_.isEmpty()) {
        const QRect rect = pending_ & image.rect();
        pending_ = {};
        if (pixelCount(rect.size()) > kInlinePixels)
            invalidate();
        else
            follow(image, rect);
    }
    if (!valid_) {
        if (pixelCount(image.size()) > kInlinePixels && startBuild(image, size, smooth))
            return nullptr;
        Build b; // small enough (or no thread to be had): built at once
        b.image = image;
        b.size = size;
        b.smooth = smooth;
        buildLevels(b);
        install(std::move(b.result));
    }
    if (scaled_.size() != size || scaledSmooth_ != smooth) {
        // A new zoom: scaled from the smallest level that is large enough.
        const int level = sourceLevel(size);
        if (level < 0 && base_.isNull() && !drawsDirect(image)) {
            base_ = QImage(image.size(), viewFormat_);
            if (!base_.isNull() && !convertInto(image, base_, image.rect(), nullptr))
                base_ = QImage();
        }
        const QImage& src = levelImage(image, level);
        scaled_ = src.isNull() ? QImage() : QImage(size, viewFormat_);
        scaledSmooth_ = smooth;
        if (!scaled_.isNull()) view::scaleInto(src, scaled_, scaled_.rect(), smooth);
        if (level >= 0) base_ = QImage(); // not needed while a level serves
    }
    return scaled_.isNull() ? nullptr : &scaled_;
}

void ViewCache::follow(const QImage& image, const QRect& rect) {
    if (!base_.isNull() && !convertInto(image, base_, rect, nullptr)) {
        invalidate();
        return;
    }
    const int scaledFrom = scaled_.isNull() ? -2 : sourceLevel(scaled_.size());
    QRect changed = rect, scaledSource = scaledFrom == -1 ? rect : QRect();
    const QImage* src = &levelImage(image, -1);
    size_t first = 0;
    if (src->isNull() && !levels_.empty()) {
        // No full-size 32-bit copy: the first level is halved from the changed part alone,
        // converted (whole 2 x 2 blocks, so the pixels are those of a full build).
        changed = view::halvedRect(rect, image.size());
        if (changed.isEmpty()) return; // a column or row the levels leave out
        const QRect part = QRect(changed.topLeft() * 2, changed.size() * 2) & image.rect();
        const QImage converted = image.copy(part).convertToFormat(viewFormat_);
        QImage& level = levels_[0];
        QImage target(level.scanLine(changed.y()) + 4 * changed.x(), changed.width(),
                      changed.height(), level.bytesPerLine(), viewFormat_);
        if (converted.isNull() || target.isNull()) {
            invalidate();
            return;
        }
        view::halveInto(converted, target, target.rect());
        if (scaledFrom == 0) scaledSource = changed;
        src = &levels_[0];
        first = 1;
    }
    for (size_t k = first; k < levels_.size(); ++k) {
        changed = view::halvedRect(changed, src->size());
        view::halveInto(*src, levels_[k], changed);
        if (int(k) == scaledFrom) scaledSource = changed;
        src = &levels_[k];
    }
    if (scaled_.isNull()) return;
    const QImage& from = levelImage(image, scaledFrom);
    view::scaleInto(from, scaled_, view::scaledRect(scaledSource, from.size(), scaled_.size()),
                    scaledSmooth_);
}

int ViewCache::sourceLevel(QSize size) const {
    int best = -1;
    for (size_t k = 0; k < levels_.size(); ++k)
        if (levels_[k].width() >= size.width() && levels_[k].height() >= size.height())
            best = int(k);
    return best;
}

const QImage& ViewCache::levelImage(const QImage& image, int level) const {
    static const QImage none;
    if (level >= 0) return levels_[size_t(level)];
    if (!base_.isNull()) return base_;
    return drawsDirect(image) ? image : none;
}

void ViewCache::install(Levels&& v) {
    base_ = std::move(v.base);
    levels_ = std::move(v.levels);
    viewSize_ = v.size;
    imageFormat_ = v.imageFormat;
    viewFormat_ = v.format;
    scaled_ = std::move(v.scaled);
    scaledSmooth_ = v.smooth;
    valid_ = true;
}

bool ViewCache::startBuild(const QImage& image, QSize size, bool smooth) {
    reapWorkers();
    auto b = std::make_shared<Build>();
    b->image = image;
    b->size = size;
    b->smooth = smooth;
    try {
        std::thread thread([this, b] {
            // Behind the user interface, which keeps first call on the processors.
            setpriority(PRIO_PROCESS, pid_t(gettid()), 10);
            const bool built = buildLevels(*b);
            b->image = QImage(); // the page's pixels are not held past the build
            if (built && !b->cancel)
                QMetaObject::invokeMethod(
                    this, [this, b] { adopt(b); }, Qt::QueuedConnection);
            else
                b->result = Levels(); // replaced: nothing to hand over
            b->done = true;
        });
        workers_.push_back({std::move(thread), b});
    } catch (const std::system_error&) {
        return false; // no thread to be had
    }
    job_ = b;
    pending_ = {};
    return true;
}

void ViewCache::adopt(const std::shared_ptr<Build>& b) {
    reapWorkers();
    if (b != job_) return; // replaced by a newer build
    job_.reset();
    if (!b->complete) return;
    install(std::move(b->result));
    emit ready();
}

void ViewCache::reapWorkers() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->build->done) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace pix
