// ViewCache: the zoomed-out view of an image — halved copies of it (the pyramid) and the image
// scaled from the nearest of them — kept up to date as the image changes. A change of a
// rectangle updates only what it touches; a change of the whole page (or of a large part)
// rebuilds on a worker thread, during which the caller draws from the image itself.
#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <memory>
#include <vector>

namespace pix {

class ViewCache : public QObject {
    Q_OBJECT
public:
    explicit ViewCache(QObject* parent = nullptr);
    ~ViewCache() override; // stops a build in progress and waits for it

    // The image changed: `area` is the part that changed, a null rectangle the whole page.
    void noteChange(const QImage& image, const QRect& area);
    // The image scaled to `size` (not larger than the image), or nullptr while the view is
    // being rebuilt; starts that rebuild when it is needed.
    const QImage* scaled(const QImage& image, QSize size, bool smooth);
    // True while a worker rebuilds the view.
    bool building() const { return bool(job_); }

signals:
    // A rebuilt view can be drawn.
    void ready();

private:
    struct Levels;
    struct Build;
    struct Worker;

    // Fills build's levels from its image; false when cancelled.
    static bool buildLevels(Build& build);
    // Starts a worker on a shared copy of the image; false when no thread can be started.
    bool startBuild(const QImage& image, QSize size, bool smooth);
    void adopt(const std::shared_ptr<Build>& build);
    void install(Levels&& levels);
    void invalidate(); // the levels no longer show the image: dropped
    void cancelBuild();
    void reapWorkers();
    void follow(const QImage& image, const QRect& rect);
    int sourceLevel(QSize size) const; // index into levels_, -1 for the full-size image
    const QImage& levelImage(const QImage& image, int level) const;

    QImage base_; // the image in 32 bits, when held in another format and scaled from whole
    std::vector<QImage> levels_;
    QSize viewSize_;
    QImage::Format imageFormat_ = QImage::Format_Invalid; // the image's, when levels_ were built
    QImage::Format viewFormat_ = QImage::Format_Invalid;  // the levels'
    bool valid_ = false; // levels_ show the image as of its last change, apart from pending_
    QRect pending_;      // changed since then
    qint64 seenKey_ = 0; // the image's cacheKey after the last change noted
    QImage scaled_;
    bool scaledSmooth_ = false;
    std::shared_ptr<Build> job_;
    std::vector<Worker> workers_;
};

} // namespace pix
