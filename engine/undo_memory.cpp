#include "undo_memory.h"

#include "image_limits.h"
#include "undo_history.h"

#include <algorithm>
#include <malloc.h>
#include <unistd.h>

namespace pix {

namespace {
using Lock = std::unique_lock<std::recursive_mutex>;
} // namespace

UndoMemory& UndoMemory::instance() {
    static UndoMemory* memory = new UndoMemory;
    return *memory;
}

int64_t UndoMemory::defaultBudget() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    const int64_t quarter = pages > 0 && pageSize > 0 ? int64_t(pages) * pageSize / 4 : 0;
    return std::max(quarter, int64_t(1) << 30);
}

UndoMemory::UndoMemory() : budget_(defaultBudget()), worker_([this] { work(); }) {
    worker_.detach();
}

int64_t UndoMemory::budget() const {
    Lock lock(mutex_);
    return budget_;
}

void UndoMemory::setBudget(int64_t bytes) {
    Lock lock(mutex_);
    budget_ = bytes;
}

int64_t UndoMemory::bytesHeld() const {
    Lock lock(mutex_);
    int64_t total = 0;
    for (const UndoHistory* h : histories_) total += h->held_;
    return total;
}

void UndoMemory::waitIdle() {
    Lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void UndoMemory::add(UndoHistory* h) {
    Lock lock(mutex_);
    histories_.insert(h);
}

void UndoMemory::remove(UndoHistory* h) {
    Lock lock(mutex_);
    histories_.erase(h);
    std::erase_if(jobs_, [h](const auto& job) { return job.first == h; });
    idle_.notify_all();
}

void UndoMemory::releaseSoon() {
    queue(nullptr, 0);
}

void UndoMemory::enforce() {
    Lock lock(mutex_);
    while (bytesHeld() > budget_) {
        // The largest history that can still give up a step gives up its oldest.
        UndoHistory* largest = nullptr;
        for (UndoHistory* h : histories_)
            if ((!h->redo_.empty() || h->undo_.size() > 1) &&
                (!largest || h->held_ > largest->held_))
                largest = h;
        if (!largest || !largest->dropOldest()) break;
    }
}

void UndoMemory::queue(UndoHistory* h, uint64_t serial) {
    Lock lock(mutex_);
    jobs_.emplace_back(h, serial);
    wake_.notify_one();
}

void UndoMemory::work() {
    Lock lock(mutex_);
    bool freed = false;
    for (;;) {
        wake_.wait(lock, [this] { return !jobs_.empty(); });
        const auto [h, serial] = jobs_.front();
        jobs_.pop_front();
        busy_ = true;
        // A job without a history asks only for the memory to go back (an image was closed).
        freed = (h ? pack(lock, h, serial) : true) || freed;
        if (jobs_.empty() && freed) {
            // Nothing more to pack: the raw pixels just let go of return to the system now
            // instead of waiting, in the allocator or among the kept large buffers, for images
            // that may never come.
            lock.unlock();
            releaseKeptBuffers();
            malloc_trim(0);
            lock.lock();
            freed = false;
        }
        busy_ = false;
        idle_.notify_all();
    }
}

bool UndoMemory::pack(std::unique_lock<std::recursive_mutex>& lock, UndoHistory* h,
                      uint64_t serial) {
    UndoStep* s = histories_.count(h) ? h->find(serial) : nullptr;
    if (!s || !s->packed.empty()) return false;
    // Copies share the pixels; the history cannot write them while they are shared.
    QList<QImage> images;
    for (const PixPage& p : s->pages) images.append(p.image);
    const auto samePixels = [&images](const UndoStep& step) {
        return step.packed.empty() && step.pages.size() == images.size() &&
               std::equal(images.begin(), images.end(), step.pages.begin(),
                          [](const QImage& a, const PixPage& b) {
                              return a.cacheKey() == b.image.cacheKey();
                          });
    };
    lock.unlock();
    std::vector<PackedImage> packed;
    for (const QImage& img : images) packed.push_back(packImage(img));
    lock.lock();
    s = histories_.count(h) ? h->find(serial) : nullptr;
    const qsizetype n = images.size();
    const bool same = s && samePixels(*s);
    images.clear(); // only the step holds the pixels now, unless the live pages share them
    if (!same) return false;
    // Only pixels the step alone holds are worth packing: shared ones stay in memory.
    bool any = false;
    for (qsizetype i = 0; i < n; ++i) {
        QImage& img = s->pages[i].image;
        if (packed[size_t(i)].isNull() || !img.isDetached() ||
            packed[size_t(i)].bytes() >= img.sizeInBytes())
            packed[size_t(i)] = {};
        else
            any = true;
    }
    if (!any) return false;
    for (qsizetype i = 0; i < n; ++i) {
        if (packed[size_t(i)].isNull()) continue;
        h->held_ += packed[size_t(i)].bytes() - s->pages[i].image.sizeInBytes();
        s->bytes += packed[size_t(i)].bytes() - s->pages[i].image.sizeInBytes();
        s->pages[i].image = QImage();
    }
    s->packed = std::move(packed);
    return true;
}

} // namespace pix
