// The codecs against independent tools on a 12-megapixel photograph (a 2 x 2 mosaic of the
// photographs in Debian's plasma-workspace-wallpapers, cut to 4000 x 3000) and a synthetic
// picture of the same size:
//   - JPEG decode and encode in-process against libjpeg-turbo's tjbench on the same file (our
//     encoder works in bands on the shared pool, tjbench on one thread; both reuse the decode
//     buffer between runs, ours through the engine's buffer cache);
//   - whole conversions through pixendra-convert against vips, gm and ImageMagick's convert;
//   - peak memory of a JPEG round trip through pixendra-convert against the decoded image.
// Each measurement keeps the fastest of three repetitions (in-process: of their means); a summary
// with the ratios follows the benchmark output. PIXENDRA_CONVERT names the converter (default:
// ../cli/pixendra-convert next to this program).
#include "engine/codecs/codec.h"
#include "engine/image_type.h"

#include "bench_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kWidth = 4000, kHeight = 3000;
constexpr double kPixels = double(kWidth) * kHeight;
const QString kMagick = QStringLiteral("/usr/bin/convert"); // never a stand-in on the PATH
const QString kWallpapers =
    QStringLiteral("/usr/share/wallpapers/%1/contents/images/2560x1600.jpg");
const QStringList kPhotographs = {QStringLiteral("Autumn"), QStringLiteral("BytheWater"),
                                  QStringLiteral("ColdRipple"), QStringLiteral("FallenLeaf")};

// ---- Test pictures

bool writePpm(const QImage& image, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(QStringLiteral("P6\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1());
    QByteArray row(qsizetype(image.width()) * 3, '\0');
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(qRed(in[x]));
            row[3 * x + 1] = char(qGreen(in[x]));
            row[3 * x + 2] = char(qBlue(in[x]));
        }
        f.write(row);
    }
    return true;
}

// The files one picture is tested with: the pixels as PPM (tjbench's input) and the inputs of
// the conversions, all written by ImageMagick so that no tool reads its own output.
struct Picture {
    QString name;
    QString ppm, jpeg420, jpeg444, png, tiff;
};

bool magick(const QStringList& args) {
    return benchsupport::runChild(QStringList{kMagick} + args).ok;
}

std::optional<Picture> makePicture(const QString& dir, const QString& name, bool photograph) {
    Picture p{name,
              dir + "/" + name + ".ppm",
              dir + "/" + name + "_420.jpg",
              dir + "/" + name + "_444.jpg",
              dir + "/" + name + ".png",
              dir + "/" + name + ".tif"};
    if (photograph) {
        QStringList files;
        for (const QString& n : kPhotographs) files << kWallpapers.arg(n);
        for (const QString& f : files)
            if (!QFile::exists(f)) return std::nullopt;
        if (!magick({"(", files[0], files[1], "+append", ")", "(", files[2], files[3], "+append",
                     ")", "-append", "-gravity", "center", "-crop",
                     QStringLiteral("%1x%2+0+0").arg(kWidth).arg(kHeight), "+repage", p.ppm}))
            return std::nullopt;
    } else if (!writePpm(benchsupport::syntheticPicture(kWidth, kHeight, 0.005, 0.0065, 90, true),
                         p.ppm)) {
        return std::nullopt;
    }
    const bool made = magick({p.ppm, "-quality", "90", "-sampling-factor", "2x2", p.jpeg420}) &&
                      magick({p.ppm, "-quality", "90", "-sampling-factor", "1x1", p.jpeg444}) &&
                      magick({p.ppm, p.png}) && magick({p.ppm, "-compress", "none", p.tiff});
    return made ? std::optional<Picture>(p) : std::nullopt;
}

struct Setup {
    QTemporaryDir dir;
    QString converter = benchsupport::converterPath();
    QList<Picture> pictures;
    QString note;
};

Setup& setup() {
    static Setup s;
    return s;
}

// ---- Results kept for the summary: fastest run per benchmark, and peak memory

QMap<QString, double> fastest;      // seconds
QMap<QString, double> peakMemoryMb; // converter's maximum resident set
QMap<QString, double> decodedMb;    // size of the decoded page

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

pix::Bytes view(const QByteArray& b) {
    return {reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size())};
}

void record(const QString& name, double seconds) {
    auto it = fastest.find(name);
    if (it == fastest.end() || seconds < *it) fastest[name] = seconds;
}

// ---- In-process JPEG against tjbench

void ourJpegDecode(benchmark::State& state, const QString& key, const QString& path) {
    const QByteArray bytes = fileBytes(path);
    const pix::Codec* jpeg = pix::codecForFileType(pix::kFileJpeg);
    double total = 0; // the mean of a repetition, like tjbench's figure
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pix::DecodedFile f = jpeg->read(view(bytes));
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(s);
        total += s;
        benchmark::DoNotOptimize(f);
    }
    record(key, total / double(state.iterations()));
}

void ourJpegEncode(benchmark::State& state, const QString& key, const QString& path) {
    const QByteArray bytes = fileBytes(path);
    const pix::Codec* jpeg = pix::codecForFileType(pix::kFileJpeg);
    const pix::PixPage page = jpeg->read(view(bytes)).pages.at(0);
    pix::SaveOptions options;
    options.jpegQuality = 90;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QByteArray out = jpeg->write({page}, options);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(s);
        total += s;
        benchmark::DoNotOptimize(out);
    }
    record(key, total / double(state.iterations()));
}

// tjbench's own figure: the last table row holds Mpixels/s (decode: last column; encode from a
// PPM with -componly: the third column from the end). Both use 4-byte BGRX pixels, as we do.
void tjbench(benchmark::State& state, const QString& key, const QStringList& args, bool decode) {
    for (auto _ : state) {
        const benchsupport::ProcessRun run = benchsupport::runChild(
            QStringList{"tjbench"} + args +
                QStringList{"-bgrx", "-quiet", "-nowrite", "-benchtime", "2", "-warmup", "0.5"},
            true);
        QList<QByteArray> lines = run.output.trimmed().split('\n');
        const QList<QByteArray> fields =
            lines.isEmpty() ? QList<QByteArray>{} : lines.last().simplified().split(' ');
        const int column = int(fields.size()) - (decode ? 1 : 3);
        bool ok = run.ok && column >= 0;
        const double mpps = ok ? fields[column].toDouble(&ok) : 0;
        if (!ok || mpps <= 0) {
            state.SkipWithError("tjbench failed");
            return;
        }
        const double s = kPixels / (mpps * 1e6);
        state.SetIterationTime(s);
        record(key, s);
    }
}

// ---- Whole processes

void process(benchmark::State& state, const QString& key, const QStringList& argv) {
    for (auto _ : state) {
        const benchsupport::ProcessRun run = benchsupport::runChild(argv);
        if (!run.ok) {
            state.SkipWithError("the program failed");
            return;
        }
        state.SetIterationTime(run.seconds);
        record(key, run.seconds);
        state.counters["maxRSS_MB"] = double(run.maxRssKb) / 1024.0;
        if (argv.first() == setup().converter) {
            const double mb = double(run.maxRssKb) / 1024.0;
            auto it = peakMemoryMb.find(key);
            if (it == peakMemoryMb.end() || mb > *it) peakMemoryMb[key] = mb;
        }
    }
}

void registerPicture(const Picture& p) {
    const Setup& s = setup();
    const QString out = s.dir.path() + "/out_" + p.name;
    // Programs run once per repetition; in-process work as often as Google Benchmark likes.
    auto timed = [](const QString& key, auto fn, auto... args) {
        auto* b = benchmark::RegisterBenchmark(key.toStdString().c_str(), fn, key, args...);
        if (!key.endsWith("/pixendra")) b->Iterations(1);
        b->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true)
            ->ComputeStatistics("min", [](const std::vector<double>& v) {
                return *std::min_element(v.begin(), v.end());
            });
    };
    for (const auto& [sampling, file] : {std::pair{QStringLiteral("420"), p.jpeg420},
                                         std::pair{QStringLiteral("444"), p.jpeg444}}) {
        const QString base = "jpeg_decode/" + p.name + "_" + sampling;
        timed(base + "/pixendra", ourJpegDecode, file);
        timed(base + "/tjbench", tjbench, QStringList{file}, true);
    }
    const QString encodeBase = "jpeg_encode_q90/" + p.name + "_420";
    timed(encodeBase + "/pixendra", ourJpegEncode, p.jpeg420);
    timed(encodeBase + "/tjbench", tjbench,
          QStringList{p.ppm, "90", "-subsamp", "420", "-componly"}, false);

    // The same conversion by each program: JPEG (4:2:0 in, 4:2:0 out) at quality 90, PNG at each
    // program's default compression, uncompressed TIFF to LZW.
    struct Conversion {
        QString name, input, ext;
        QStringList ours, vips, gm, magick;
    };
    const QList<Conversion> conversions = {
        {"jpeg_q90",
         p.jpeg420,
         "jpg",
         {"--jpeg-quality", "90"},
         {"[Q=90,subsample-mode=on]"},
         {"-quality", "90", "-sampling-factor", "2x2"},
         {"-quality", "90", "-sampling-factor", "2x2"}},
        {"png", p.png, "png", {}, {""}, {}, {}},
        {"tiff_lzw",
         p.tiff,
         "tif",
         {"--tiff-compression", "6"},
         {"[compression=lzw]"},
         {"-compress", "LZW"},
         {"-compress", "LZW"}},
    };
    for (const Conversion& c : conversions) {
        const QString base = "process_" + c.name + "/" + p.name;
        const QString target = out + "." + c.ext;
        timed(base + "/pixendra-convert", process,
              QStringList{s.converter, c.input, target} + c.ours);
        timed(base + "/vips", process,
              QStringList{"vips", "copy", c.input, out + "_vips." + c.ext + c.vips.first()});
        timed(base + "/gm", process,
              QStringList{"gm", "convert", c.input} + c.gm + QStringList{out + "_gm." + c.ext});
        timed(base + "/convert", process,
              QStringList{kMagick, c.input} + c.magick + QStringList{out + "_im." + c.ext});
    }
    decodedMb[p.name] = double(kWidth) * kHeight * 4 / (1024.0 * 1024.0);
}

// ---- Summary

QString ms(double seconds) {
    return QString::number(seconds * 1000.0, 'f', 0);
}

void printSummary() {
    QStringList names;
    for (const Picture& p : setup().pictures) names << p.name;
    std::printf("\nSummary, fastest of 3 runs in milliseconds; pictures: %s%s\n",
                qPrintable(names.join(", ")), qPrintable(setup().note));
    std::printf("%-36s %10s %10s %8s %8s %s\n", "measurement", "ours", "reference", "ratio",
                "target", "");
    auto row = [](const QString& what, double ours, double ref, const QString& refName,
                  double target) {
        const double ratio = ours / ref;
        std::printf("%-36s %10s %10s %8.2f %8.2f %s (%s)\n", qPrintable(what), qPrintable(ms(ours)),
                    qPrintable(ms(ref)), ratio, target, ratio <= target ? "met" : "MISSED",
                    qPrintable(refName));
    };
    for (auto it = fastest.begin(); it != fastest.end(); ++it) {
        const QString key = it.key();
        if (!key.endsWith("/pixendra") && !key.endsWith("/pixendra-convert")) continue;
        const QString base = key.section('/', 0, 1);
        if (key.startsWith("jpeg_")) {
            const QString ref = base + "/tjbench";
            if (fastest.contains(ref)) row(base, *it, fastest[ref], "tjbench", 1.15);
            continue;
        }
        double best = 0;
        QString bestName;
        for (const char* peer : {"vips", "gm", "convert"}) {
            const auto p = fastest.find(base + "/" + QLatin1String(peer));
            if (p != fastest.end() && (bestName.isEmpty() || *p < best)) best = *p, bestName = peer;
        }
        if (!bestName.isEmpty()) row(base, *it, best, bestName, 0.8);
    }
    for (const Picture& p : setup().pictures) {
        const QString key = "process_jpeg_q90/" + p.name + "/pixendra-convert";
        if (!peakMemoryMb.contains(key)) continue;
        const double ratio = peakMemoryMb[key] / decodedMb[p.name];
        std::printf("%-36s %8.0f MB peak / %.0f MB decoded = %.2fx (target 3.00) %s\n",
                    qPrintable("memory_jpeg_round_trip/" + p.name), peakMemoryMb[key],
                    decodedMb[p.name], ratio, ratio <= 3.0 ? "met" : "MISSED");
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Setup& s = setup();
    if (!QFileInfo(s.converter).isExecutable()) {
        std::fprintf(stderr, "pixendra-convert not found at %s; set PIXENDRA_CONVERT\n",
                     qPrintable(s.converter));
        return 1;
    }
    if (auto photo = makePicture(s.dir.path(), QStringLiteral("photo"), true))
        s.pictures.append(*photo);
    else
        s.note = QStringLiteral(" (plasma-workspace-wallpapers is not installed)");
    if (auto synthetic = makePicture(s.dir.path(), QStringLiteral("synthetic"), false))
        s.pictures.append(*synthetic);
    if (s.pictures.isEmpty()) {
        std::fprintf(stderr, "could not make the test pictures (is ImageMagick installed?)\n");
        return 1;
    }
    for (const Picture& p : s.pictures) registerPicture(p);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary();
    return 0;
}
