// The flip, thumbnail, dither, image type, crop, deskew and palette presets on the 12-megapixel
// photograph, uncompressed TIFF in and out: the menu entry alone in this process on the loaded
// page, and pixendra-convert --apply "<menu path>" as a whole process against vips, gm and
// ImageMagick's convert where they have the operation. The rows are the catalogue's entries as
// the menus reach them; an attachment whose path the menus no longer have stops the benchmark.
// AutoDeskew runs on the photograph made 1-bit first (untimed in process, one more --apply in
// the whole process, as the peers' -monochrome). BENCH_REPETITIONS sets the repetitions (3).
#include "bench_support.h"
#include "catalogue/effects_image_catalogue.h"
#include "catalogue/menu_paths.h"
#include "cli/catalogue_apply.h"
#include "engine/pix_image.h"

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>

using namespace benchsupport;

namespace {

const QString kNoUndo = QStringLiteral("no undo");
const QString kOneBit = QStringLiteral("Images/Current Image Type/1-bit (2 color)");
using Sets = QList<QPair<QString, QString>>;

QTemporaryDir& dir() {
    static QTemporaryDir d;
    return d;
}
QString input;     // the photograph as an uncompressed TIFF
QString palette;   // a palette file for the file entries
pix::PixPage page; // the TIFF as pixendra-convert loads it

// Each peer's arguments: vips the operation then its arguments after the two files; gm and
// convert the options between input and output. Empty: the peer has no such operation.
struct Peers {
    QStringList vips{}, gm{}, magick{};
};

struct Row {
    QString path;
    Peers peers{};
    QString before{};         // a menu path applied first (untimed in process)
    bool approximate = false; // the peers' nearest operation, not the same one
};

Peers same(const QStringList& vips, const QStringList& both) {
    return {vips, both, both};
}

QList<Row> attachedPeers() {
    QList<Row> a;
    a.append({"Transforms/Flip/Horizontal", same({"flip", "horizontal"}, {"-flop"})});
    a.append({"Transforms/Flip/Vertical", same({"flip", "vertical"}, {"-flip"})});
    a.append({"Effects/Thumbnail/With Decimation",
              same({"resize", "0.025"}, {"-resize", "100x"}),
              {},
              true});
    a.append({"Effects/Thumbnail/Without Decimation",
              same({"resize", "0.025", "--kernel", "linear"},
                   {"-filter", "Triangle", "-resize", "100x"}),
              {},
              true});
    for (int n : {2, 16, 256})
        a.append({QStringLiteral("Effects/Dither/%1 Colors").arg(n),
                  {{},
                   {"-dither", "-colors", QString::number(n)},
                   {"-dither", "FloydSteinberg", "-colors", QString::number(n)}}});
    a.append({"Images/Current Image Type/8-bit Grayscale",
              same({"colourspace", "b-w"}, {"-colorspace", "gray"}),
              {},
              true});
    a.append({kOneBit, same({}, {"-monochrome"}), {}, true});
    const struct {
        const char* name;
        int x, y;
    } corners[] = {{"Top Left", 0, 0},
                   {"Top Right", 2000, 0},
                   {"Bottom Left", 0, 1500},
                   {"Bottom Right", 2000, 1500},
                   {"Center", 1000, 750}};
    for (const auto& c : corners) {
        const QString geometry = QStringLiteral("2000x1500+%1+%2").arg(c.x).arg(c.y);
        a.append({QStringLiteral("Transforms/Crop/") + c.name,
                  {{"crop", QString::number(c.x), QString::number(c.y), "2000", "1500"},
                   {"-crop", geometry},
                   {"-crop", geometry, "+repage"}}});
    }
    a.append({"Transforms/Crop/AutoCrop", same({}, {"-trim"})});
    a.append({"Effects/AutoDeskew",
              {{}, {}, {"-monochrome", "-deskew", "40%", "+repage"}},
              kOneBit,
              true});
    a.append({"Effects/Apply Palette/Web Palette",
              {{}, {}, {"-dither", "None", "-remap", "netscape:"}}});
    return a;
}

// Every menu path of the tables with its peers; empty when an attachment names a path the menus
// do not have. The selection crop needs a selection, which a converter has not.
QList<Row> rows() {
    QList<Row> out;
    const QList<Row> attached = attachedPeers();
    std::set<QString> known;
    const auto& tables = catalogue::effectsImageCatalogues();
    for (const catalogue::MenuEntry& e : catalogue::menuEntries()) {
        if (std::find(tables.begin(), tables.end(), e.table) == tables.end()) continue;
        if (e.path == QStringLiteral("Transforms/Crop/Selection")) continue;
        known.insert(e.path);
        const auto a = std::find_if(attached.begin(), attached.end(),
                                    [&](const Row& r) { return r.path == e.path; });
        out.append(a != attached.end() ? *a : Row{e.path});
    }
    for (const Row& a : attached)
        if (!known.count(a.path)) {
            std::fprintf(stderr, "peer attached to \"%s\", which no menu item has\n",
                         qPrintable(a.path));
            return {};
        }
    return out;
}

Sets setsOf(const QString& path) {
    return path.endsWith(QStringLiteral("File...")) ? Sets{{"Palette File:", palette}} : Sets{};
}

QString outPath(const QString& name) {
    static int count = 0;
    return dir().path() + QStringLiteral("/out%1_").arg(++count) + name + ".tif";
}

void registerRow(const Row& r, const QString& converter) {
    const QString base = "effects/" + r.path + "/";
    registerTimed(
        base + "op",
        [r, key = base + "op"](benchmark::State& st) {
            std::unique_ptr<pix::PixImage> image;
            timeInProcess(
                st, key,
                [&] {
                    image = std::make_unique<pix::PixImage>();
                    image->setPage(page, kNoUndo);
                    QString error;
                    if (!r.before.isEmpty())
                        pixcli::applyCatalogueEntry(*image, r.before, {}, &error);
                },
                [&] {
                    QString error;
                    if (pixcli::applyCatalogueEntry(*image, r.path, setsOf(r.path), &error) != 0)
                        fail(st, key, error.simplified());
                });
        },
        2);
    QStringList ours{converter, input, outPath("ours")};
    if (!r.before.isEmpty()) ours << "--apply" << r.before;
    ours << "--apply" << r.path;
    for (const auto& [caption, value] : setsOf(r.path)) ours << "--set" << caption + "=" + value;
    auto process = [&](const QString& name, const QStringList& argv) {
        registerTimed(
            base + name,
            [argv, key = base + name](benchmark::State& st) { timeProcess(st, key, argv); }, 1);
    };
    process("pixendra-convert", ours);
    if (!r.peers.vips.isEmpty())
        process("vips", QStringList{"vips", r.peers.vips.first(), input, outPath("vips")} +
                            r.peers.vips.mid(1));
    if (!r.peers.gm.isEmpty())
        process("gm",
                QStringList{"gm", "convert", input} + r.peers.gm + QStringList{outPath("gm")});
    if (!r.peers.magick.isEmpty())
        process("convert",
                QStringList{kMagick, input} + r.peers.magick + QStringList{outPath("im")});
}

void printSummary(const QList<Row>& all) {
    std::printf("\nSummary, fastest run in milliseconds, 4000 x 3000 photograph, uncompressed "
                "TIFF in and out\n(op: the menu entry alone in this process; process: "
                "pixendra-convert --apply; ~: the peers' nearest operation, not the same one)\n");
    std::printf("%-46s %6s %8s %7s %7s %8s %6s  %s\n", "menu path", "op", "process", "vips", "gm",
                "convert", "ratio", "whole process <= 0.8x fastest peer");
    for (const Row& r : all) {
        const QString base = "effects/" + r.path + "/";
        const auto ours = fastest().find(base + "pixendra-convert");
        const auto failed = failures().find(base + "pixendra-convert");
        if (ours == fastest().end() && failed == failures().end()) continue; // not run
        double best = 0;
        QString bestName;
        for (const char* peer : {"vips", "gm", "convert"}) {
            const auto p = fastest().find(base + QLatin1String(peer));
            if (p != fastest().end() && (bestName.isEmpty() || *p < best))
                best = *p, bestName = peer;
        }
        QString ratio = QStringLiteral("-"), verdict;
        if (ours == fastest().end())
            verdict = "failed: " + failures().value(base + "op", *failed);
        else if (bestName.isEmpty())
            verdict = QStringLiteral("no peer");
        else {
            const double x = *ours / best;
            ratio = QString::number(x, 'f', 2);
            verdict = QString(x <= 0.8 ? "met" : "MISSED") + " (" + bestName + ")";
        }
        std::printf("%-46s %6s %8s %7s %7s %8s %6s  %s%s\n", qPrintable(r.path),
                    qPrintable(ms(base + "op")), qPrintable(ms(base + "pixendra-convert")),
                    qPrintable(ms(base + "vips")), qPrintable(ms(base + "gm")),
                    qPrintable(ms(base + "convert")), qPrintable(ratio), qPrintable(verdict),
                    r.approximate ? " ~" : "");
    }
    for (auto it = failures().begin(); it != failures().end(); ++it)
        if (!it.key().endsWith(QStringLiteral("/pixendra-convert")) &&
            !it.key().endsWith(QStringLiteral("/op")))
            std::printf("peer %s\n", qPrintable(it.key() + ": " + *it));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const QString converter = converterPath();
    if (!QFileInfo(converter).isExecutable()) {
        std::fprintf(stderr, "pixendra-convert not found at %s; set PIXENDRA_CONVERT\n",
                     qPrintable(converter));
        return 1;
    }
    input = dir().path() + QStringLiteral("/photo.tif");
    if (!writePhotograph(input)) {
        std::fprintf(stderr, "could not make the photograph (are plasma-workspace-wallpapers and "
                             "ImageMagick installed?)\n");
        return 1;
    }
    palette = dir().path() + QStringLiteral("/ramp.pal");
    QFile pal(palette);
    QByteArray levels;
    for (int i = 0; i < 768; ++i) levels.append(char((i * 7) % 64));
    if (!pal.open(QIODevice::WriteOnly) || pal.write(levels) != levels.size()) return 1;
    pal.close();
    pix::PixImage loaded;
    loaded.LoadFromFile(input, kNoUndo);
    page = loaded.page(0);
    const QList<Row> all = rows();
    if (all.isEmpty()) return 1;
    for (const Row& r : all) registerRow(r, converter);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary(all);
    return 0;
}
