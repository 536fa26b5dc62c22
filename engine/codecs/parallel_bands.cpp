#include "parallel_bands.h"

#include "codec_progress.h"

#include "../pix_error.h"

#include <algorithm>
#include <climits>
#include <mutex>
#include <new>
#include <opencv2/core.hpp>
#include <optional>

namespace pix {

int poolThreads() {
    return std::max(1, cv::getNumThreads());
}

void forEachBand(int count, const std::function<void(int band)>& body) {
    if (count <= 0) return;
    std::mutex mutex;
    int failedBand = INT_MAX;
    std::optional<PixError> failure;
    auto run = [&](int band) {
        try {
            body(band);
        } catch (const PixError& e) {
            const std::lock_guard lock(mutex);
            if (band < failedBand) failedBand = band, failure = e;
        } catch (const std::bad_alloc&) {
            const std::lock_guard lock(mutex);
            if (band < failedBand)
                failedBand = band,
                failure = PixError(kErrTooLarge, QStringLiteral("Not enough memory"),
                                   QStringLiteral("forEachBand"));
        }
    };
    auto runAll = [&](int from, int to) {
        if (to - from == 1) return run(from);
        cv::parallel_for_(
            cv::Range(from, to),
            [&](const cv::Range& r) {
                for (int b = r.start; b < r.end; ++b) run(b);
            },
            to - from);
    };
    // With a listener, the bands go in groups and the calling thread reports between them.
    const int group = codecProgressActive() ? poolThreads() * 2 : count;
    for (int from = 0; from < count; from += group) {
        runAll(from, std::min(count, from + group));
        if (failure) throw *failure;
        reportCodecProgress(std::min(count, from + group), count);
    }
}

} // namespace pix
