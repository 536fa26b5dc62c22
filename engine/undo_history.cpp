#include "undo_history.h"

#include <unordered_set>

namespace pix {

bool UndoHistory::isNoUndoLabel(const QString& label) {
    return label == QLatin1String("No Undo") || label == QLatin1String("no undo");
}

void UndoHistory::record(PageSnapshot before) {
    undo_.push_back(std::move(before));
    redo_.clear();
}

bool UndoHistory::undo(PageSnapshot live, PageSnapshot& restored) {
    if (undo_.empty()) return false;
    restored = std::move(undo_.back());
    undo_.pop_back();
    live.label = restored.label;
    redo_.push_back(std::move(live));
    return true;
}

bool UndoHistory::redo(PageSnapshot live, PageSnapshot& restored) {
    if (redo_.empty()) return false;
    restored = std::move(redo_.back());
    redo_.pop_back();
    live.label = restored.label;
    undo_.push_back(std::move(live));
    return true;
}

void UndoHistory::clear() {
    undo_.clear();
    redo_.clear();
}

void UndoHistory::setBudget(int64_t bytes) {
    budget_ = bytes;
}

int64_t UndoHistory::memoryUsed(const QList<PixPage>& live) const {
    std::unordered_set<qint64> seen;
    for (const PixPage& p : live) seen.insert(p.image.cacheKey());
    int64_t total = 0;
    auto count = [&](const std::deque<PageSnapshot>& steps) {
        for (const PageSnapshot& s : steps)
            for (const PixPage& p : s.pages)
                if (!p.image.isNull() && seen.insert(p.image.cacheKey()).second)
                    total += p.image.sizeInBytes();
    };
    count(undo_);
    count(redo_);
    return total;
}

void UndoHistory::enforceBudget(const QList<PixPage>& live) {
    // Redo steps go first (they are the least likely to be wanted), then the oldest undo steps.
    while (!redo_.empty() && memoryUsed(live) > budget_) redo_.pop_front();
    while (undo_.size() > 1 && memoryUsed(live) > budget_) undo_.pop_front();
}

} // namespace pix
