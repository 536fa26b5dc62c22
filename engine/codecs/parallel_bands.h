// Work split into bands on the shared pool, for coders whose library handles are not
// thread-safe: each band does its part with handles of its own.
#pragma once

#include <functional>

namespace pix {

// Threads of the shared pool.
int poolThreads();

// Runs body(band) for every band 0..count-1 on the shared pool. A body may throw PixError: once
// every band has ended, the failure of the lowest failing band is rethrown on the calling thread
// (an exception must not cross the pool's threads). While a codec progress handler listens, the
// bands go in groups and the calling thread reports between them.
void forEachBand(int count, const std::function<void(int band)>& body);

// Band b's share [first, end) of `total` items split into `count` near-equal bands.
inline int bandStart(int total, int count, int b) {
    return int(int64_t(total) * b / count);
}

} // namespace pix
