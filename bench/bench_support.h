// Shared pieces of the benchmarks: the 12-megapixel photograph (a 2 x 2 mosaic of the
// photographs in Debian's plasma-workspace-wallpapers, cut to 4000 x 3000), child processes timed
// by wall clock, a record of the fastest run of each measurement for the summaries, the menu
// entries timed in-process, the peers' command lines, the whole-process verdicts and tables, a
// synthetic picture for the codecs, and the start of a program (flags, application, converter,
// photograph). Header-only: every .cpp file of bench/ is a program of its own.
#pragma once

#include "cli/catalogue_apply.h"
#include "engine/pix_image.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <opencv2/core.hpp>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace benchsupport {

constexpr int kW = 4000, kH = 3000;
inline const QString kMagick = QStringLiteral("/usr/bin/convert"); // never a stand-in on the PATH

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One program run to the end: its wall time, peak resident memory, whether it started and
// exited with 0, and its standard output when asked for (else discarded, as its errors are).
struct ProcessRun {
    double seconds = 0;
    long maxRssKb = 0;
    bool ok = false;
    QByteArray output;
};

inline ProcessRun runChild(const QStringList& argv, bool keepOutput = false) {
    ProcessRun run;
    std::vector<QByteArray> args;
    for (const QString& a : argv) args.push_back(a.toLocal8Bit());
    std::vector<char*> ptrs;
    for (QByteArray& a : args) ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    const QString outPath =
        keepOutput ? QDir::tempPath() + QStringLiteral("/pixendra-bench-%1.out").arg(getpid())
                   : QStringLiteral("/dev/null");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.toLocal8Bit().constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, ptrs[0], &actions, nullptr, ptrs.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = since(start);
    run.maxRssKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (keepOutput) {
        QFile f(outPath);
        if (f.open(QIODevice::ReadOnly)) run.output = f.readAll();
        QFile::remove(outPath);
    }
    return run;
}

// A program's wall time in seconds, or a negative number when it could not start or exited
// non-zero.
inline double runProcess(const QStringList& argv) {
    const ProcessRun run = runChild(argv);
    return run.ok ? run.seconds : -1;
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

// ---- Registration

// A child process timed once per repetition.
inline void registerProcess(const QString& key, const QStringList& argv) {
    registerTimed(
        key, [argv, key](benchmark::State& st) { timeProcess(st, key, argv); }, 1);
}

// run() timed in this process, after prepare() outside the timing.
inline void registerInProcess(const QString& key, const std::function<void()>& run, int iterations,
                              const std::function<void()>& prepare = {}) {
    registerTimed(
        key, [key, run, prepare](benchmark::State& st) { timeInProcess(st, key, prepare, run); },
        iterations);
}

// A menu entry run in this process as pixendra-convert runs it, on a fresh image of `page` each
// time; `before`, when given, is applied first outside the timing.
inline void registerMenuEntry(const QString& key, const pix::PixPage& page, const QString& menuPath,
                              const QList<QPair<QString, QString>>& sets,
                              const QString& before = {}, int iterations = 2) {
    registerTimed(
        key,
        [=](benchmark::State& st) {
            std::unique_ptr<pix::PixImage> image;
            timeInProcess(
                st, key,
                [&] {
                    image = std::make_unique<pix::PixImage>();
                    image->setPage(page, QStringLiteral("no undo"));
                    QString error;
                    if (!before.isEmpty()) pixcli::applyCatalogueEntry(*image, before, {}, &error);
                },
                [&] {
                    QString error;
                    if (pixcli::applyCatalogueEntry(*image, menuPath, sets, &error) != 0)
                        fail(st, key, error.simplified());
                });
        },
        iterations);
}

// ---- The peers

// Each peer's arguments: vips the operation then its arguments after the two files; gm and
// convert the options between input and output. Empty: the peer has no such operation.
struct Peers {
    QStringList vips{}, gm{}, magick{};
};

// Registers `base` + "vips", "gm" and "convert" for the peers that have the operation, reading
// `input` (none for a generator) and writing `out` + "_vips.tif" and so on; `tail` goes right
// before gm's and convert's output.
inline void registerPeers(const QString& base, const Peers& peers, const QStringList& input,
                          const QString& out, const QStringList& tail = {}) {
    if (!peers.vips.isEmpty())
        registerProcess(base + "vips", QStringList{"vips", peers.vips.first()} + input +
                                           QStringList{out + "_vips.tif"} + peers.vips.mid(1));
    if (!peers.gm.isEmpty())
        registerProcess(base + "gm", QStringList{"gm", "convert"} + input + peers.gm + tail +
                                         QStringList{out + "_gm.tif"});
    if (!peers.magick.isEmpty())
        registerProcess(base + "convert", QStringList{kMagick} + input + peers.magick + tail +
                                              QStringList{out + "_im.tif"});
}

// `base` + "tiff_to_tiff/" + each program converting `input` without an operation: the
// converter (when given), vips, gm and convert.
inline void registerPlainCopies(const QString& base, const QString& converter, const QString& input,
                                const QString& out) {
    if (!converter.isEmpty())
        registerProcess(base + "tiff_to_tiff/pixendra-convert", {converter, input, out + ".tif"});
    registerProcess(base + "tiff_to_tiff/vips", {"vips", "copy", input, out + "_vips.tif"});
    registerProcess(base + "tiff_to_tiff/gm", {"gm", "convert", input, out + "_gm.tif"});
    registerProcess(base + "tiff_to_tiff/convert", {kMagick, input, out + "_im.tif"});
}

// pixendra-convert's whole process under `base` against the fastest of `peers` measured there;
// the target is at most 0.8x.
struct Verdict {
    QString ratio = QStringLiteral("-");
    QString text = QStringLiteral("no peer"); // "met (gm)", "MISSED (vips)"
    int met = -1;                             // 1 met, 0 missed, -1 nothing to compare
};

inline Verdict againstFastestPeer(const QString& base,
                                  const QStringList& peers = {"vips", "gm", "convert"},
                                  bool namePeer = true) {
    Verdict v;
    double best = 0;
    QString bestName;
    for (const QString& peer : peers) {
        const auto p = fastest().find(base + peer);
        if (p != fastest().end() && (bestName.isEmpty() || *p < best)) best = *p, bestName = peer;
    }
    const auto ours = fastest().find(base + "pixendra-convert");
    if (ours == fastest().end() || bestName.isEmpty()) return v;
    const double x = *ours / best;
    v.ratio = QString::number(x, 'f', 2);
    v.met = x <= 0.8 ? 1 : 0;
    v.text = QString(v.met ? "met" : "MISSED") + (namePeer ? " (" + bestName + ")" : "");
    return v;
}

// One row of the menu entries' summary: its keys' prefix, its label, and whether the peers run
// their nearest operation rather than the same one.
struct SummaryRow {
    QString base, label;
    bool approximate = false;
};

// The menu entries' table: the entry alone in this process ("op"), pixendra-convert --apply, the
// peers and the verdict; rows that did not run are left out. Returns how many met and missed.
inline std::pair<int, int> printMenuSummary(const QList<SummaryRow>& rows, int width) {
    std::printf("\nSummary, fastest run in milliseconds, 4000 x 3000 photograph, uncompressed "
                "TIFF in and out\n(op: the menu entry alone in this process; process: "
                "pixendra-convert --apply; ~: the peers' nearest operation, not the same one)\n");
    std::printf("%-*s %6s %8s %7s %7s %8s %6s  %s\n", width, "menu path", "op", "process", "vips",
                "gm", "convert", "ratio", "whole process <= 0.8x fastest peer");
    int met = 0, missed = 0;
    for (const SummaryRow& r : rows) {
        const QString& base = r.base;
        const auto failed = failures().find(base + "pixendra-convert");
        const bool ran = fastest().contains(base + "pixendra-convert");
        if (!ran && failed == failures().end()) continue; // not run
        Verdict v = againstFastestPeer(base);
        if (!ran) v.text = "failed: " + failures().value(base + "op", *failed);
        if (v.met >= 0) (v.met ? met : missed)++;
        std::printf("%-*s %6s %8s %7s %7s %8s %6s  %s%s\n", width, qPrintable(r.label),
                    qPrintable(ms(base + "op")), qPrintable(ms(base + "pixendra-convert")),
                    qPrintable(ms(base + "vips")), qPrintable(ms(base + "gm")),
                    qPrintable(ms(base + "convert")), qPrintable(v.ratio), qPrintable(v.text),
                    r.approximate ? " ~" : "");
    }
    return {met, missed};
}

// The failures kept, one line each: `label` key: reason. With `peersOnly`, only the peers'
// (pixendra-convert's and the in-process entry's stand in their rows).
inline void printFailures(const char* label, bool peersOnly = false) {
    for (auto it = failures().begin(); it != failures().end(); ++it)
        if (!peersOnly || (!it.key().endsWith(QStringLiteral("/pixendra-convert")) &&
                           !it.key().endsWith(QStringLiteral("/op"))))
            std::printf("%s %s: %s\n", label, qPrintable(it.key()), qPrintable(*it));
}

// The operations alone against OpenCV's at two threads: `prefix` + name + "/pixendra_op" and
// "/opencv" in milliseconds with `decimals` places; names without both are left out.
inline void printAgainstOpenCV(const char* title, const QString& prefix, const QStringList& names,
                               int decimals) {
    std::printf("\n%-22s %8s %8s %7s  %s\n", title, "ours", "OpenCV", "ratio",
                "no slower than OpenCV at 2 threads");
    for (const QString& name : names) {
        const auto a = fastest().find(prefix + name + "/pixendra_op");
        const auto b = fastest().find(prefix + name + "/opencv");
        if (a == fastest().end() || b == fastest().end()) continue;
        std::printf("%-22s %8.*f %8.*f %7.2f  %s\n", qPrintable(name), decimals, *a * 1000,
                    decimals, *b * 1000, *a / *b, *a <= *b ? "met" : "MISSED");
    }
}

// ---- Start and end of a benchmark program

// Google Benchmark's flags; false after reporting one it does not know.
inline bool initialise(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    return !benchmark::ReportUnrecognizedArguments(argc, argv);
}

// A QApplication (offscreen unless QT_QPA_PLATFORM says otherwise) and the flags; null after
// reporting an unknown flag. `argc` must outlive the application.
inline std::unique_ptr<QApplication> startWindowed(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto app = std::make_unique<QApplication>(argc, argv);
    if (!initialise(argc, argv)) return nullptr;
    return app;
}

inline void runAll() {
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

// converterPath() when it names a program; else empty, after saying so.
inline QString findConverter() {
    const QString converter = converterPath();
    if (QFileInfo(converter).isExecutable()) return converter;
    std::fprintf(stderr, "pixendra-convert not found at %s; set PIXENDRA_CONVERT\n",
                 qPrintable(converter));
    return {};
}

// The folder of the photograph and of everything the benchmark writes, removed at exit.
inline QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

// A fresh prefix for output files in workDir().
inline QString outPrefix() {
    static int count = 0;
    return workDir().path() + QStringLiteral("/out%1").arg(++count);
}

inline QString photographPath() {
    return workDir().path() + QStringLiteral("/photo.tif");
}

// Writes the photograph to photographPath() and loads it into `loaded`; false, after saying why,
// when the wallpapers or ImageMagick are missing or the picture did not come out 4000 x 3000.
inline bool loadPhotograph(pix::PixImage& loaded) {
    if (writePhotograph(photographPath())) {
        loaded.LoadFromFile(photographPath(), QStringLiteral("no undo"));
        if (loaded.image().width() == kW && loaded.image().height() == kH) return true;
    }
    std::fprintf(stderr, "could not make the photograph (are plasma-workspace-wallpapers and "
                         "ImageMagick installed?)\n");
    return false;
}

// The start of a benchmark of pixendra-convert: the flags, the converter and the photograph's
// page as the converter loads it; false after saying what is missing.
inline bool startWithConverter(int& argc, char** argv, QString& converter, pix::PixPage& page) {
    if (!initialise(argc, argv)) return false;
    converter = findConverter();
    pix::PixImage loaded;
    if (converter.isEmpty() || !loadPhotograph(loaded)) return false;
    page = loaded.page(0);
    return true;
}

// Smooth shading with fine texture, roughly what a photograph gives the coders, without a file:
// a wave of `amplitude` in red at `fx` across and `fy` down, colour ramps and noise;
// with `squares`, 250-pixel squares that lift red and lower blue by 30 for sharp edges.
inline QImage syntheticPicture(int width, int height, double fx, double fy, int amplitude,
                               bool squares) {
    QImage img(width, height, QImage::Format_RGB32);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = int(noise >> 28) - 8;
            const double s = std::sin(x * fx) * std::cos(y * fy);
            const int edge = squares ? ((x / 250 + y / 250) % 2) * 30 : 0;
            row[x] = qRgb(std::clamp(int(128 + amplitude * s) + n + edge, 0, 255),
                          std::clamp(x * 255 / width + n, 0, 255),
                          std::clamp(y * 255 / height - n - edge, 0, 255));
        }
    }
    return img;
}

// An OpenCV header over a 32-bit picture's pixels, no copy.
inline cv::Mat asMat(const QImage& img) {
    return cv::Mat(img.height(), img.width(), CV_8UC4, const_cast<uchar*>(img.constBits()),
                   size_t(img.bytesPerLine()));
}

} // namespace benchsupport
