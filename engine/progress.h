// Progress reporting from long operations: percent 0..100; returning false asks the op to stop.
#pragma once

#include <functional>

namespace pix {

using ProgressFn = std::function<bool(int percent)>;

// Calls fn when set; an op that gets false throws PixError(kErrCancelled) and leaves its input.
inline bool reportProgress(const ProgressFn& fn, int percent) {
    return !fn || fn(percent);
}

// A handler whose reports of 0..100 % cover from..to % of `fn` (empty when `fn` is), for one
// stage of a longer operation.
inline ProgressFn progressSpan(const ProgressFn& fn, int from, int to) {
    if (!fn) return {};
    return [fn, from, to](int percent) { return fn(from + percent * (to - from) / 100); };
}

} // namespace pix
