// Undo and redo steps of a page list, bounded by a memory budget.
#pragma once

#include "packed_image.h"
#include "pix_page.h"

#include <QList>
#include <QRect>
#include <QString>
#include <cstdint>
#include <deque>
#include <vector>

namespace pix {

// Copies `src` into `dst` with its top-left corner at `at`; both have the same format.
void pastePixels(QImage& dst, const QImage& src, QPoint at);

// One step: the state to go back (or forward) to. A whole step holds the page list (shared with
// the live pages until they diverge); a rectangle step holds only the pixels of `rect` on page
// `pageIndex`, in a page that carries the page's type, markers and flags.
struct UndoStep {
    QString label;
    int current = 0;
    QList<PixPage> pages;
    bool rectOnly = false;
    int pageIndex = 0;
    QRect rect;
    // Compressed pixels, one per page, once the worker has packed the step (images then null).
    std::vector<PackedImage> packed;
    int64_t bytes = 0;   // memory this step alone holds
    uint64_t serial = 0; // names the step for the compression worker
};

// Steps behind the newest kRawSteps (of the undo list, and of the redo list) are compressed in
// the background. Every history belongs to
// the program-wide UndoMemory budget; one may also have a budget of its own.
class UndoHistory {
public:
    explicit UndoHistory(int64_t budgetBytes = kNoOwnBudget);
    ~UndoHistory(); // frees every step at once
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;

    static constexpr int64_t kNoOwnBudget = INT64_MAX;
    static constexpr int kRawSteps = 1;

    // True for the labels that record no step.
    static bool isNoUndoLabel(const QString& label);

    // Records the page list as it is before a change; clears the redo list.
    void recordPages(const QList<PixPage>& pages, int current, const QString& label);
    // Records a change that touches only `rect` of page `pageIndex`: `before` is that page as it
    // was, its image cut to the rectangle. Clears the redo list.
    void recordRect(PixPage before, int pageIndex, const QRect& rect, int current,
                    const QString& label);
    // Tells the history that the live pages are about to change without a step: steps that
    // depend on the live pixels are made whole first.
    void unrecordedChange(const QList<PixPage>& live);

    // Moves one step back or forward, changing `pages` and `current` in place. Throws PixError
    // (nothing changed) when a compressed step cannot be unpacked for want of memory.
    bool undo(QList<PixPage>& pages, int& current);
    bool redo(QList<PixPage>& pages, int& current);

    int undoCount() const;
    int redoCount() const;
    // The rectangle of the current page the last Undo or Redo restored; null when it restored
    // whole pages.
    QRect lastStepArea() const { return lastStepArea_; }
    QString undoLabel() const;
    // Undo steps held compressed.
    int packedCount() const;
    void clear();

    // This history's own budget; the smaller of it and the program's holds.
    void setBudget(int64_t bytes);
    int64_t budget() const;
    // Bytes of pixel memory held only by the history, given the live pages.
    int64_t memoryUsed(const QList<PixPage>& live) const;
    // What the history held when last measured (the program-wide budget adds these up).
    int64_t bytesHeld() const;
    // Measures the history against the live pages (after Undo and Redo, which drop nothing).
    void remeasure(const QList<PixPage>& live);
    // Measures the history against the live pages and drops the oldest steps until it fits its
    // budget and all histories fit the program's (the newest step always stays).
    void enforceBudget(const QList<PixPage>& live);

private:
    friend class UndoMemory;
    bool step(std::deque<UndoStep>& from, std::deque<UndoStep>& to, QList<PixPage>& pages,
              int& current);
    void push(UndoStep s);
    // Hands the step that has fallen behind the newest kRawSteps of `steps` to the compressor.
    void packBehindNewest(const std::deque<UndoStep>& steps);
    // Sets each step's and the history's byte counts, given the live pages.
    int64_t recount(const QList<PixPage>& live);
    // Drops the oldest redo step, else the oldest undo step but the newest; false when none.
    bool dropOldest();
    // Worker side: the step with this serial, or null.
    UndoStep* find(uint64_t serial);

    std::deque<UndoStep> undo_;
    std::deque<UndoStep> redo_;
    int64_t budget_;
    int64_t held_ = 0;
    // The live pages are exactly the state the newest undo step leads to (and the next redo
    // step starts from): rectangle steps there can be applied to them.
    bool liveExact_ = true;
    QRect lastStepArea_;
};

} // namespace pix
