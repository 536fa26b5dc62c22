// Progress of the file being read or written on this thread. decodeBytes and encodeFile open a
// scope with the caller's handler; the readers and writers, and the palette quantiser they share
// with the colour reductions, report from their row loops (never from inside a C library's
// callbacks, so that a cancel never unwinds through C code).
#pragma once

#include "../progress.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace pix {

class CodecProgress {
public:
    // Makes `fn` the handler of this thread's codec reports until the scope ends (an empty `fn`
    // keeps the enclosing scope's handler, so that nested reads report to the outer one).
    explicit CodecProgress(const ProgressFn& fn);
    ~CodecProgress();
    CodecProgress(const CodecProgress&) = delete;
    CodecProgress& operator=(const CodecProgress&) = delete;

private:
    const ProgressFn* previous_;
    int previousPercent_;
};

// A stage of the work: while it lasts, reports of 0..100 % cover from..to % of the enclosing
// stage (stages nest).
class CodecStage {
public:
    CodecStage(int from, int to);
    ~CodecStage();
    CodecStage(const CodecStage&) = delete;
    CodecStage& operator=(const CodecStage&) = delete;

private:
    double from_, to_;
};

// Runs `work` with `fn` as this thread's handler, between reports of 0 % and 100 % (100 also
// after a failure, not after a cancel), for writing that does not go through encodeFile.
void withCodecProgress(const ProgressFn& fn, const QString& source,
                       const std::function<void()>& work);

// True when a handler listens on this thread.
bool codecProgressActive();

// Reports `done` of `total` units (rows, bytes) of the current stage; the handler hears each
// whole percent once, 1..99 (the scope's owner reports 0 and 100). Throws PixError(kErrCancelled)
// when the handler answers false.
void reportCodecProgress(int64_t done, int64_t total);

// Row `y` of `rows` done in a part of the current stage that spans from..to percent of it.
inline void reportCodecRows(int64_t y, int64_t rows, int from = 0, int to = 100) {
    if (rows > 0) reportCodecProgress(from * rows + y * (to - from), rows * 100);
}

} // namespace pix
