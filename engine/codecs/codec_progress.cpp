#include "codec_progress.h"

#include "../pix_error.h"

#include <algorithm>

namespace pix {

namespace {

thread_local const ProgressFn* current = nullptr;
thread_local int lastPercent = -1;
// The current stage as a span of the whole, in percent.
thread_local double stageFrom = 0, stageTo = 100;

} // namespace

CodecProgress::CodecProgress(const ProgressFn& fn)
    : previous_(current), previousPercent_(lastPercent) {
    if (fn) {
        current = &fn;
        lastPercent = 0;
    }
}

CodecProgress::~CodecProgress() {
    current = previous_;
    lastPercent = previousPercent_;
}

CodecStage::CodecStage(int from, int to) : from_(stageFrom), to_(stageTo) {
    const double span = to_ - from_;
    stageFrom = from_ + span * from / 100;
    stageTo = from_ + span * to / 100;
}

CodecStage::~CodecStage() {
    stageFrom = from_;
    stageTo = to_;
}

bool codecProgressActive() {
    return current && *current;
}

void reportCodecProgress(int64_t done, int64_t total) {
    if (!codecProgressActive() || total <= 0) return;
    const double part = double(std::clamp<int64_t>(done, 0, total)) / double(total);
    const int percent = std::clamp(int(stageFrom + (stageTo - stageFrom) * part), 1, 99);
    if (percent <= lastPercent) return;
    lastPercent = percent;
    if (!(*current)(percent))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QStringLiteral("Codec"));
}

} // namespace pix
