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

#include <opencv2/imgproc.hpp>

using namespace benchsupport;

namespace {

pix::PixPage page; // the photograph as pixendra-convert loads it

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
            if (row.kind == catalogue::RowKind::File)
                r.sets.append({row.caption, photographPath()});
        }
        out.append(r);
    }
    return out;
}

void registerRow(const Row& r, const QString& converter) {
    const QString base = "distort/" + r.name + "/";
    registerMenuEntry(base + "pixendra", page, r.menuPath, r.sets);
    const QString out = workDir().path() + "/out";
    QStringList ours{converter, photographPath(), out + ".tif", "--apply", r.menuPath};
    for (const auto& [caption, value] : r.sets) ours << "--set" << caption + "=" + value;
    registerProcess(base + "pixendra-convert", ours);
    registerPeers(base, {.magick = r.magick}, {photographPath()}, out);
}

// cv::remap of the photograph through a swirl map computed beforehand, at two threads.
void registerRemap() {
    registerTimed(
        "distort/remap/opencv",
        [](benchmark::State& st) {
            cv::setNumThreads(2);
            pix::PixImage loaded;
            loaded.setPage(page, QStringLiteral("no undo"));
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
    printFailures("failed:");
}

} // namespace

int main(int argc, char** argv) {
    if (!initialise(argc, argv)) return 1;
    const QString converter = converterPath();
    pix::PixImage loaded;
    if (!loadPhotograph(loaded)) return 1;
    page = loaded.page(0);
    const QList<Row> all = rows();
    // The yardstick is timed before and after the rows and its faster time kept, so that a busy
    // spell on a shared machine does not flatter or spoil every ratio.
    registerRemap();
    for (const Row& r : all) registerRow(r, converter);
    registerRemap();
    runAll();
    printSummary(all);
    return 0;
}
