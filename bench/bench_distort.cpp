// The distortions on the 12-megapixel photograph (bench_support.h):
//   - in-process: every Transforms entry run through the catalogue on the loaded image, as
//     pixendra-convert runs it, each set to cover the whole picture (radii of 2500 pixels);
//   - OpenCV's cv::remap of the same size with a precomputed map at two threads, the yardstick
//     for one inverse mapping with bilinear sampling;
//   - whole processes: pixendra-convert --apply against ImageMagick's -swirl, -implode, -wave and
//     -spread, the nearest operations it has.
// The rows come from the Transforms table, so a new distortion is measured without a change here.
// A summary table follows the benchmark output.
#include "bench_support.h"
#include "catalogue/menu_paths.h"
#include "catalogue/transforms_catalogue.h"
#include "cli/catalogue_apply.h"
#include "engine/pix_image.h"

#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

using namespace benchsupport;

namespace {

const QString kNoUndo = QStringLiteral("no undo");

struct Setup {
    QTemporaryDir dir;
    QString input;
    pix::PixPage page;
};

Setup& setup() {
    static Setup s;
    return s;
}

struct Row {
    QString name;     // the entry's title
    QString menuPath; // as the converter takes it
    QList<QPair<QString, QString>> sets;
    QStringList magick; // ImageMagick's nearest operation; empty when it has none
};

// ImageMagick's nearest operation by distortion, where it has one.
QStringList magickFor(const QString& title) {
    if (title == QLatin1String("Spin")) return {"-swirl", "45"};
    if (title == QLatin1String("Pinch")) return {"-implode", "0.5"};
    if (title == QLatin1String("Wave")) return {"-wave", "20x1500"};
    if (title == QLatin1String("Random")) return {"-spread", "10"};
    return {};
}

QList<Row> rows() {
    QList<Row> out;
    for (const catalogue::MenuEntry& m : catalogue::menuEntries()) {
        if (m.table != &catalogue::transformsCatalogue()) continue;
        Row r{m.entry->title, m.path, {}, magickFor(m.entry->title)};
        for (const catalogue::Row& row : m.entry->rows) {
            if (row.caption == QLatin1String("Max Radius")) r.sets.append({row.caption, "2500"});
            if (row.kind == catalogue::RowKind::File) r.sets.append({row.caption, setup().input});
        }
        out.append(r);
    }
    return out;
}

void registerRow(const Row& r, const QString& converter) {
    const QString base = "distort/" + r.name + "/";
    registerTimed(
        base + "pixendra",
        [r, key = base + "pixendra"](benchmark::State& st) {
            std::unique_ptr<pix::PixImage> image;
            timeInProcess(
                st, key,
                [&] {
                    image = std::make_unique<pix::PixImage>();
                    image->setPage(setup().page, kNoUndo);
                },
                [&] {
                    QString error;
                    if (pixcli::applyCatalogueEntry(*image, r.menuPath, r.sets, &error) != 0)
                        fail(st, key, error);
                });
        },
        2);
    const QString out = setup().dir.path() + "/out.tif";
    QStringList ours{converter, setup().input, out, "--apply", r.menuPath};
    for (const auto& [caption, value] : r.sets) ours << "--set" << caption + "=" + value;
    registerTimed(
        base + "pixendra-convert",
        [ours, key = base + "pixendra-convert"](benchmark::State& st) {
            timeProcess(st, key, ours);
        },
        1);
    if (!r.magick.isEmpty()) {
        const QStringList argv = QStringList{kMagick, setup().input} + r.magick + QStringList{out};
        registerTimed(
            base + "convert",
            [argv, key = base + "convert"](benchmark::State& st) { timeProcess(st, key, argv); },
            1);
    }
}

// cv::remap of the photograph through a swirl map computed beforehand, at two threads.
void registerRemap() {
    registerTimed(
        "distort/remap/opencv",
        [](benchmark::State& st) {
            cv::setNumThreads(2);
            pix::PixImage loaded;
            loaded.setPage(setup().page, kNoUndo);
            const QImage img = loaded.image().convertToFormat(QImage::Format_RGB32);
            const cv::Mat src(img.height(), img.width(), CV_8UC4, const_cast<uchar*>(img.bits()),
                              size_t(img.bytesPerLine()));
            cv::Mat mapX(kH, kW, CV_32F), mapY(kH, kW, CV_32F), dst;
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const double dx = x - kW / 2.0, dy = y - kH / 2.0;
                    const double a = 0.5 * std::exp(-(dx * dx + dy * dy) / 4e6);
                    mapX.at<float>(y, x) = float(kW / 2.0 + dx * std::cos(a) - dy * std::sin(a));
                    mapY.at<float>(y, x) = float(kH / 2.0 + dx * std::sin(a) + dy * std::cos(a));
                }
            timeInProcess(st, "distort/remap/opencv", {}, [&] {
                cv::remap(src, dst, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
            });
        },
        5);
}

void printSummary(const QList<Row>& all) {
    const QString remap = ms("distort/remap/opencv");
    std::printf(
        "\nDistortions on %d x %d (ms; in-process vs cv::remap %s ms at two threads, target "
        "within 2x)\n",
        kW, kH, qPrintable(remap));
    std::printf("%-12s %10s %8s %14s %10s\n", "distortion", "in-process", "/remap", "whole process",
                "convert");
    const auto it = fastest().find("distort/remap/opencv");
    for (const Row& r : all) {
        const QString base = "distort/" + r.name + "/";
        const auto ours = fastest().find(base + "pixendra");
        const QString ratio = ours != fastest().end() && it != fastest().end()
                                  ? QString::number(*ours / *it, 'f', 2)
                                  : QStringLiteral("-");
        std::printf("%-12s %10s %8s %14s %10s\n", qPrintable(r.name),
                    qPrintable(ms(base + "pixendra")), qPrintable(ratio),
                    qPrintable(ms(base + "pixendra-convert")), qPrintable(ms(base + "convert")));
    }
    for (auto f = failures().begin(); f != failures().end(); ++f)
        std::printf("failed: %s: %s\n", qPrintable(f.key()), qPrintable(f.value()));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const QString converter = converterPath();
    Setup& s = setup();
    s.input = s.dir.path() + QStringLiteral("/photo.tif");
    if (!writePhotograph(s.input)) {
        std::fprintf(stderr, "could not make the photograph (are plasma-workspace-wallpapers and "
                             "ImageMagick installed?)\n");
        return 1;
    }
    pix::PixImage loaded;
    loaded.LoadFromFile(s.input, kNoUndo);
    s.page = loaded.page(0);
    const QList<Row> all = rows();
    // The yardstick is timed before and after the rows and its faster time kept, so that a busy
    // spell on a shared machine does not flatter or spoil every ratio.
    registerRemap();
    for (const Row& r : all) registerRow(r, converter);
    registerRemap();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary(all);
    return 0;
}
