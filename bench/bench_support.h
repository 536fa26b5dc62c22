// Shared pieces of the benchmarks: the 12-megapixel photograph (a 2 x 2 mosaic of the
// photographs in Debian's plasma-workspace-wallpapers, cut to 4000 x 3000), child processes timed
// by wall clock, and a record of the fastest run of each measurement for the summaries.
// Header-only: every .cpp file of bench/ is a program of its own.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace benchsupport {

constexpr int kW = 4000, kH = 3000;
inline const QString kMagick = QStringLiteral("/usr/bin/convert"); // never a stand-in on the PATH

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs a program to the end with its output discarded; its wall time in seconds, or a negative
// number when it could not start or exited non-zero.
inline double runProcess(const QStringList& argv) {
    std::vector<QByteArray> args;
    for (const QString& a : argv) args.push_back(a.toLocal8Bit());
    std::vector<char*> ptrs;
    for (QByteArray& a : args) ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, ptrs[0], &actions, nullptr, ptrs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    const double seconds = since(start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// pixendra-convert: $PIXENDRA_CONVERT, else the one built beside this benchmark.
inline QString converterPath() {
    const QByteArray env = qgetenv("PIXENDRA_CONVERT");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(self).dir().filePath(QStringLiteral("../cli/pixendra-convert"));
}

// Writes the photograph to `path` as an uncompressed 8-bit TIFF; false when the wallpapers or
// ImageMagick are missing.
inline bool writePhotograph(const QString& path) {
    const QString pattern =
        QStringLiteral("/usr/share/wallpapers/%1/contents/images/2560x1600.jpg");
    QStringList files;
    for (const char* n : {"Autumn", "BytheWater", "ColdRipple", "FallenLeaf"})
        files << pattern.arg(QLatin1String(n));
    for (const QString& f : files)
        if (!QFile::exists(f)) return false;
    const QStringList args = {
        "(",       files[0], files[1],    "+append",  ")",      "(",     files[2],        files[3],
        "+append", ")",      "-append",   "-gravity", "center", "-crop", "4000x3000+0+0", "+repage",
        "-depth",  "8",      "-compress", "none",     path};
    return runProcess(QStringList{kMagick} + args) >= 0;
}

// The fastest run of each measurement, in seconds, by key.
inline QMap<QString, double>& fastest() {
    static QMap<QString, double> runs;
    return runs;
}

// Why a measurement failed, by key.
inline QMap<QString, QString>& failures() {
    static QMap<QString, QString> reasons;
    return reasons;
}

inline void record(const QString& key, double seconds) {
    auto it = fastest().find(key);
    if (it == fastest().end() || seconds < *it) fastest()[key] = seconds;
}

// A benchmark timed by hand, in milliseconds, BENCH_REPETITIONS (default three) repetitions of
// `iterations` runs (0: as many as Google Benchmark chooses). On a loaded machine more
// repetitions give the fastest run a better chance.
inline void registerTimed(const QString& key, std::function<void(benchmark::State&)> fn,
                          int iterations) {
    auto* b = benchmark::RegisterBenchmark(key.toStdString().c_str(),
                                           [fn](benchmark::State& s) { fn(s); });
    if (iterations > 0) b->Iterations(iterations);
    const int repetitions = qEnvironmentVariableIntValue("BENCH_REPETITIONS");
    b->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(repetitions > 0 ? repetitions : 3)
        ->ReportAggregatesOnly(true);
}

// Ends a benchmark as failed, keeping the reason for the summary.
inline void fail(benchmark::State& state, const QString& key, const QString& reason) {
    failures()[key] = reason;
    static std::string message;
    message = reason.toStdString();
    state.SkipWithError(message.c_str());
}

// Times one program per iteration; a failed run ends the benchmark with the command line.
inline void timeProcess(benchmark::State& state, const QString& key, const QStringList& argv) {
    for (auto _ : state) {
        const double s = runProcess(argv);
        if (s < 0) return fail(state, key, "failed: " + argv.join(' '));
        state.SetIterationTime(s);
        record(key, s);
    }
}

// Times run() per iteration, after prepare() outside the timing; keeps the repetition's mean.
inline void timeInProcess(benchmark::State& state, const QString& key,
                          const std::function<void()>& prepare, const std::function<void()>& run) {
    double total = 0;
    for (auto _ : state) {
        if (prepare) prepare();
        const auto start = Clock::now();
        run();
        const double s = since(start);
        state.SetIterationTime(s);
        total += s;
    }
    if (state.iterations() > 0) record(key, total / double(state.iterations()));
}

inline QString ms(const QString& key) {
    const auto it = fastest().find(key);
    return it == fastest().end() ? QStringLiteral("-") : QString::number(*it * 1000.0, 'f', 0);
}

} // namespace benchsupport
