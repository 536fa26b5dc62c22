#include "undo_history.h"

#include "pix_error.h"
#include "undo_memory.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_set>

namespace pix {

namespace {

UndoStep makeStep(const QString& label, int current, QList<PixPage> pages, bool rectOnly = false,
                  int pageIndex = 0, const QRect& rect = {}) {
    UndoStep s;
    s.label = label;
    s.current = current;
    s.pages = std::move(pages);
    s.rectOnly = rectOnly;
    s.pageIndex = pageIndex;
    s.rect = rect;
    return s;
}

bool canApply(const UndoStep& s, const QList<PixPage>& pages) {
    if (!s.rectOnly) return true;
    if (s.pageIndex < 0 || s.pageIndex >= pages.size() || s.pages.size() != 1) return false;
    const QImage& live = pages[s.pageIndex].image;
    return s.rect.isEmpty() ||
           (live.format() == s.pages[0].image.format() && live.rect().contains(s.rect));
}

// Puts the state `s` describes into `pages` (canApply holds).
void apply(const UndoStep& s, QList<PixPage>& pages, int& current) {
    if (s.rectOnly) {
        PixPage& live = pages[s.pageIndex];
        if (!s.rect.isEmpty()) pastePixels(live.image, s.pages[0].image, s.rect.topLeft());
        live.type = s.pages[0].type;
        live.markers = s.pages[0].markers;
        live.changed = s.pages[0].changed;
    } else {
        pages = s.pages;
    }
    current = pages.isEmpty() ? 0 : std::clamp(s.current, 0, int(pages.size()) - 1);
}

// The step that takes `pages` back to what they are now once `s` has been applied.
UndoStep inverse(const UndoStep& s, const QList<PixPage>& pages, int current) {
    UndoStep back = makeStep(s.label, current, {}, s.rectOnly, s.pageIndex, s.rect);
    if (s.rectOnly) {
        PixPage p = pages[s.pageIndex];
        p.image = s.rect.isEmpty() ? QImage() : p.image.copy(s.rect);
        back.pages = {p};
    } else {
        back.pages = pages;
    }
    return back;
}

// Unpacks a compressed step; false (step unchanged) when memory is short.
bool unpack(UndoStep& s) {
    if (s.packed.empty()) return true;
    QList<QImage> images;
    for (const PackedImage& p : s.packed) {
        images.append(p.isNull() ? QImage() : unpackImage(p));
        if (!p.isNull() && images.back().isNull()) return false;
    }
    for (int i = 0; i < images.size(); ++i)
        if (!s.packed[size_t(i)].isNull()) s.pages[i].image = images[i];
    s.packed.clear();
    return true;
}

std::atomic<uint64_t> nextSerial{1};

using Lock = std::lock_guard<std::recursive_mutex>;

// `s` as a whole step, given the live pages it applies to.
void makeWhole(UndoStep& s, const QList<PixPage>& live) {
    if (!s.rectOnly || !unpack(s) || !canApply(s, live)) return;
    QList<PixPage> pages = live;
    int current = s.current;
    apply(s, pages, current);
    s = makeStep(s.label, current, pages);
    s.serial = nextSerial++;
}

} // namespace

void pastePixels(QImage& dst, const QImage& src, QPoint at) {
    const int depth = dst.depth();
    if (depth >= 8) {
        const size_t bytes = size_t(src.width()) * size_t(depth / 8);
        for (int y = 0; y < src.height(); ++y)
            std::memcpy(dst.scanLine(at.y() + y) + size_t(at.x()) * size_t(depth / 8),
                        src.constScanLine(y), bytes);
        return;
    }
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            dst.setPixel(at.x() + x, at.y() + y, uint(src.pixelIndex(x, y)));
}

bool UndoHistory::isNoUndoLabel(const QString& label) {
    return label == QLatin1String("No Undo") || label == QLatin1String("no undo");
}

UndoHistory::UndoHistory(int64_t budgetBytes) : budget_(budgetBytes) {
    UndoMemory::instance().add(this);
}

UndoHistory::~UndoHistory() {
    UndoMemory& memory = UndoMemory::instance();
    Lock lock(memory.mutex_);
    memory.remove(this);
    const bool held = !undo_.empty() || !redo_.empty();
    undo_.clear();
    redo_.clear();
    if (held) memory.releaseSoon(); // the steps' memory goes back to the system, not just freed
}

void UndoHistory::push(UndoStep s) {
    Lock lock(UndoMemory::instance().mutex_);
    s.serial = nextSerial++;
    undo_.push_back(std::move(s));
    redo_.clear();
    liveExact_ = true;
    packBehindNewest(undo_);
}

void UndoHistory::packBehindNewest(const std::deque<UndoStep>& steps) {
    // The step that has just fallen behind the newest few goes to the compressor.
    if (steps.size() > size_t(kRawSteps))
        UndoMemory::instance().queue(this, steps[steps.size() - 1 - kRawSteps].serial);
}

void UndoHistory::recordPages(const QList<PixPage>& pages, int current, const QString& label) {
    push(makeStep(label, current, pages));
}

void UndoHistory::recordRect(PixPage before, int pageIndex, const QRect& rect, int current,
                             const QString& label) {
    push(makeStep(label, current, {std::move(before)}, true, pageIndex, rect));
}

void UndoHistory::unrecordedChange(const QList<PixPage>& live) {
    Lock lock(UndoMemory::instance().mutex_);
    if (!liveExact_) return;
    if (!undo_.empty()) makeWhole(undo_.back(), live);
    if (!redo_.empty()) makeWhole(redo_.back(), live);
    liveExact_ = false;
}

bool UndoHistory::step(std::deque<UndoStep>& from, std::deque<UndoStep>& to, QList<PixPage>& pages,
                       int& current) {
    Lock lock(UndoMemory::instance().mutex_);
    if (from.empty()) return false;
    if (!unpack(from.back()))
        throw PixError(kErrTooLarge, QStringLiteral("Not enough memory to restore the step"),
                       QStringLiteral("PixImage"));
    if (!canApply(from.back(), pages)) {
        // The live pages no longer match what the step was taken from: nothing safe to do.
        clear();
        return false;
    }
    UndoStep s = std::move(from.back());
    from.pop_back();
    to.push_back(inverse(s, pages, current));
    to.back().serial = nextSerial++;
    apply(s, pages, current);
    lastStepArea_ = s.rectOnly && s.pageIndex == current ? s.rect : QRect();
    liveExact_ = true;
    packBehindNewest(to);
    return true;
}

bool UndoHistory::undo(QList<PixPage>& pages, int& current) {
    return step(undo_, redo_, pages, current);
}

bool UndoHistory::redo(QList<PixPage>& pages, int& current) {
    return step(redo_, undo_, pages, current);
}

int UndoHistory::undoCount() const {
    Lock lock(UndoMemory::instance().mutex_);
    return int(undo_.size());
}

int UndoHistory::redoCount() const {
    Lock lock(UndoMemory::instance().mutex_);
    return int(redo_.size());
}

QString UndoHistory::undoLabel() const {
    Lock lock(UndoMemory::instance().mutex_);
    return undo_.empty() ? QString() : undo_.back().label;
}

int UndoHistory::packedCount() const {
    Lock lock(UndoMemory::instance().mutex_);
    return int(std::count_if(undo_.begin(), undo_.end(),
                             [](const UndoStep& s) { return !s.packed.empty(); }));
}

int64_t UndoHistory::bytesHeld() const {
    Lock lock(UndoMemory::instance().mutex_);
    return held_;
}

int64_t UndoHistory::budget() const {
    return std::min(budget_, UndoMemory::instance().budget());
}

UndoStep* UndoHistory::find(uint64_t serial) {
    for (std::deque<UndoStep>* steps : {&undo_, &redo_})
        for (UndoStep& s : *steps)
            if (s.serial == serial) return &s;
    return nullptr;
}

bool UndoHistory::dropOldest() {
    std::deque<UndoStep>& from = !redo_.empty() ? redo_ : undo_;
    if (&from == &undo_ && undo_.size() <= 1) return false;
    held_ -= from.front().bytes;
    from.pop_front();
    return true;
}

void UndoHistory::clear() {
    Lock lock(UndoMemory::instance().mutex_);
    held_ = 0;
    undo_.clear();
    redo_.clear();
    liveExact_ = true;
}

void UndoHistory::setBudget(int64_t bytes) {
    budget_ = bytes;
}

namespace {
// Adds up what the steps hold beyond the live pages. Each shared buffer counts once, for the
// nearest step that holds it, so dropping the oldest step frees exactly its share.
template <typename Steps, typename Visit>
int64_t measure(Steps& undo, Steps& redo, const QList<PixPage>& live, Visit visit) {
    std::unordered_set<qint64> seen;
    for (const PixPage& p : live) seen.insert(p.image.cacheKey());
    int64_t total = 0;
    auto walk = [&](Steps& steps) {
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            int64_t bytes = 0;
            for (size_t i = 0; i < size_t(it->pages.size()); ++i) {
                const QImage& img = it->pages[qsizetype(i)].image;
                if (i < it->packed.size() && !it->packed[i].isNull())
                    bytes += it->packed[i].bytes();
                else if (!img.isNull() && seen.insert(img.cacheKey()).second)
                    bytes += img.sizeInBytes();
            }
            visit(*it, bytes);
            total += bytes;
        }
    };
    walk(redo);
    walk(undo);
    return total;
}
} // namespace

int64_t UndoHistory::memoryUsed(const QList<PixPage>& live) const {
    Lock lock(UndoMemory::instance().mutex_);
    return measure(undo_, redo_, live, [](const UndoStep&, int64_t) {});
}

int64_t UndoHistory::recount(const QList<PixPage>& live) {
    held_ = measure(undo_, redo_, live, [](UndoStep& s, int64_t bytes) { s.bytes = bytes; });
    return held_;
}

void UndoHistory::remeasure(const QList<PixPage>& live) {
    Lock lock(UndoMemory::instance().mutex_);
    recount(live);
}

void UndoHistory::enforceBudget(const QList<PixPage>& live) {
    Lock lock(UndoMemory::instance().mutex_);
    // Redo steps go first (they are the least likely to be wanted), then the oldest undo steps.
    while (recount(live) > budget_ && dropOldest()) {
    }
    recount(live);
    UndoMemory::instance().enforce();
}

} // namespace pix
