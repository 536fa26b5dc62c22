// The memory every undo history of the program shares: one budget for all open images, and the
// background worker that compresses older steps.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

namespace pix {

class UndoHistory;

class UndoMemory {
public:
    static UndoMemory& instance();
    // A quarter of physical memory, at least 1 GiB.
    static int64_t defaultBudget();

    int64_t budget() const;
    // A new budget takes effect at the next recorded step.
    void setBudget(int64_t bytes);
    // Bytes held by all histories together (compressed steps count what they hold compressed).
    int64_t bytesHeld() const;
    // Waits until every step handed to the worker has been compressed (tests and benchmarks).
    void waitIdle();

private:
    friend class UndoHistory;
    UndoMemory(); // never destroyed: histories may outlive any order of static destruction
    void add(UndoHistory* h);
    void remove(UndoHistory* h);
    // Drops the oldest steps of the largest histories until all fit the budget (lock held).
    void enforce();
    // Compresses the step of `h` with this serial on the worker (lock held).
    void queue(UndoHistory* h, uint64_t serial);
    // Has the worker give freed memory back to the system once it has nothing to compress.
    void releaseSoon();
    void work();
    // Compresses the step of `h` with this serial, the lock released meanwhile; true when it
    // let go of raw pixels.
    bool pack(std::unique_lock<std::recursive_mutex>& lock, UndoHistory* h, uint64_t serial);

    mutable std::recursive_mutex mutex_;
    std::condition_variable_any wake_;
    std::condition_variable_any idle_;
    std::set<UndoHistory*> histories_;
    std::deque<std::pair<UndoHistory*, uint64_t>> jobs_;
    bool busy_ = false;
    int64_t budget_;
    std::thread worker_;
};

} // namespace pix
