#include "parallel_bands.h"

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
    if (count == 1) {
        run(0);
    } else {
        cv::parallel_for_(
            cv::Range(0, count),
            [&](const cv::Range& r) {
                for (int b = r.start; b < r.end; ++b) run(b);
            },
            count);
    }
    if (failure) throw *failure;
}

} // namespace pix
