// Progress reporting from long operations: percent 0..100; returning false asks the op to stop.
#pragma once

#include <functional>

namespace pix {

using ProgressFn = std::function<bool(int percent)>;

// Calls fn when set; an op that gets false throws PixError(kErrCancelled) and leaves its input.
inline bool reportProgress(const ProgressFn& fn, int percent) {
    return !fn || fn(percent);
}

} // namespace pix
