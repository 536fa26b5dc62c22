// Undo and redo snapshots of a page list, bounded by a memory budget.
#pragma once

#include "pix_page.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <deque>

namespace pix {

struct PageSnapshot {
    QList<PixPage> pages;
    int current = 0;
    QString label;
};

class UndoHistory {
public:
    // Snapshots share pixels with the live pages (QImage is implicitly shared), so a step costs
    // memory only once the live image diverges. The budget counts each distinct pixel buffer once.
    explicit UndoHistory(int64_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    static constexpr int64_t kDefaultBudget = int64_t(2) << 30; // 2 GiB

    // True for the labels that record no step.
    static bool isNoUndoLabel(const QString& label);

    // Records the state before a change; clears the redo list.
    void record(PageSnapshot before);
    // Moves one step back: returns the state to restore and keeps `live` for redo.
    bool undo(PageSnapshot live, PageSnapshot& restored);
    bool redo(PageSnapshot live, PageSnapshot& restored);

    int undoCount() const { return int(undo_.size()); }
    int redoCount() const { return int(redo_.size()); }
    QString undoLabel() const { return undo_.empty() ? QString() : undo_.back().label; }
    void clear();

    void setBudget(int64_t bytes);
    int64_t budget() const { return budget_; }
    // Bytes of pixel memory held only by the history, given the live pages.
    int64_t memoryUsed(const QList<PixPage>& live) const;
    // Drops the oldest steps until the history fits the budget (the newest step always stays).
    void enforceBudget(const QList<PixPage>& live);

private:
    std::deque<PageSnapshot> undo_;
    std::deque<PageSnapshot> redo_;
    int64_t budget_;
};

} // namespace pix
