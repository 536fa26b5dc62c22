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

#include <algorithm>
#include <set>

using namespace benchsupport;

namespace {

const QString kOneBit = QStringLiteral("Images/Current Image Type/1-bit (2 color)");
using Sets = QList<QPair<QString, QString>>;

QString palette;   // a palette file for the file entries
pix::PixPage page; // the photograph as pixendra-convert loads it

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

void registerRow(const Row& r, const QString& converter) {
    const QString base = "effects/" + r.path + "/";
    registerMenuEntry(base + "op", page, r.path, setsOf(r.path), r.before);
    const QString out = outPrefix();
    QStringList ours{converter, photographPath(), out + ".tif"};
    if (!r.before.isEmpty()) ours << "--apply" << r.before;
    ours << "--apply" << r.path;
    for (const auto& [caption, value] : setsOf(r.path)) ours << "--set" << caption + "=" + value;
    registerProcess(base + "pixendra-convert", ours);
    registerPeers(base, r.peers, {photographPath()}, out);
}

void printSummary(const QList<Row>& all) {
    QList<SummaryRow> rows;
    for (const Row& r : all) rows.append({"effects/" + r.path + "/", r.path, r.approximate});
    printMenuSummary(rows, 46);
    printFailures("peer", true);
}

} // namespace

int main(int argc, char** argv) {
    QString converter;
    if (!startWithConverter(argc, argv, converter, page)) return 1;
    palette = workDir().path() + QStringLiteral("/ramp.pal");
    QFile pal(palette);
    QByteArray levels;
    for (int i = 0; i < 768; ++i) levels.append(char((i * 7) % 64));
    if (!pal.open(QIODevice::WriteOnly) || pal.write(levels) != levels.size()) return 1;
    pal.close();
    const QList<Row> all = rows();
    if (all.isEmpty()) return 1;
    for (const Row& r : all) registerRow(r, converter);
    runAll();
    printSummary(all);
    return 0;
}
