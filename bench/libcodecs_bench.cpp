// Library-backed codecs: decode and encode a 2048 x 1536 photo-like picture in JPEG, PNG and
// TIFF, and the same file conversion done by the engine, ImageMagick and libvips.
#include "engine/codecs/codec.h"
#include "engine/image_type.h"

#include "bench_support.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int kWidth = 2048, kHeight = 1536;

struct Fixture {
    QTemporaryDir dir;
    // Roughly what a photograph gives the coders.
    pix::PixPage page{
        benchsupport::syntheticPicture(kWidth, kHeight, 0.01, 0.013, 100, false), pix::kRgb, {}};
    QByteArray files[4];
    QString paths[4];
    Fixture() {
        pix::SaveOptions lzw;
        lzw.tiffCompression = pix::kTiffLzw;
        const int types[] = {pix::kFileJpeg, pix::kFilePng, pix::kFileTiff};
        const char* names[] = {"in.jpg", "in.png", "in.tif"};
        for (int i = 0; i < 3; ++i) {
            files[i] =
                pix::codecForFileType(types[i])->write({page}, i == 2 ? lzw : pix::SaveOptions{});
            paths[i] = dir.path() + "/" + names[i];
            QFile f(paths[i]);
            if (f.open(QIODevice::WriteOnly)) f.write(files[i]);
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void decode(benchmark::State& state, int index) {
    const QByteArray& bytes = fixture().files[index];
    const pix::Bytes data(reinterpret_cast<const uint8_t*>(bytes.constData()),
                          size_t(bytes.size()));
    for (auto _ : state) benchmark::DoNotOptimize(pix::decodeBytes(data, QStringLiteral("bench")));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void encode(benchmark::State& state, int fileType, int tiffCompression) {
    pix::SaveOptions o;
    o.tiffCompression = tiffCompression;
    const pix::Codec* codec = pix::codecForFileType(fileType);
    for (auto _ : state) benchmark::DoNotOptimize(codec->write({fixture().page}, o));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// One whole conversion JPEG -> PNG on disk, by each tool (the tools' start-up included).
void convertWith(benchmark::State& state, const QString& program, const QStringList& args) {
    for (auto _ : state) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            state.SkipWithError("reference tool failed");
            return;
        }
    }
}

void engineConvert(benchmark::State& state) {
    const QString out = fixture().dir.path() + "/engine.png";
    for (auto _ : state) {
        const pix::DecodedFile f = pix::decodeFile(fixture().paths[0]);
        pix::encodeFile(out, pix::kFilePng, f.pages, {});
    }
}

} // namespace

BENCHMARK_CAPTURE(decode, jpeg, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, png, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(decode, tiffLzw, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encode, jpeg, pix::kFileJpeg, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encode, png, pix::kFilePng, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encode, tiffLzw, pix::kFileTiff, pix::kTiffLzw)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(encode, tiffDeflate, pix::kFileTiff, pix::kTiffDeflate)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(engineConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(convertWith, imagemagick, QStringLiteral("/usr/bin/convert"),
                  {fixture().paths[0], fixture().dir.path() + "/magick.png"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(convertWith, vips, QStringLiteral("vips"),
                  {QStringLiteral("copy"), fixture().paths[0], fixture().dir.path() + "/vips.png"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
