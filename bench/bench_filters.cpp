// The Filters menus as whole processes on the 12-megapixel photograph, uncompressed TIFF in and
// out: pixendra-convert --apply "<menu path>" against vips, gm and ImageMagick's convert doing the
// same operation on the same file, and the menu entry alone in this process on the loaded page.
// The rows are the catalogue's Filters entries as the menus reach them (one row per menu path at
// its first values); the peers' commands are attached by menu path, with the rows' values they
// assume, and an attachment whose path the menus no longer have stops the benchmark.
// Each measurement keeps the fastest of three repetitions (BENCH_REPETITIONS sets another number).
// The summary gives the ratio to the fastest peer against the target (at most 0.8x), and the phases
// of a whole process: a plain TIFF to TIFF conversion of each program, and this process's load and
// save alone. PIXENDRA_CONVERT names the converter (default: ../cli/pixendra-convert next to this
// program).
#include "bench_support.h"
#include "catalogue/menu_paths.h"

#include <QTextStream>
#include <set>

using namespace benchsupport;

namespace {

using Sets = QList<QPair<QString, QString>>;

pix::PixPage page; // the photograph as pixendra-convert loads it

// ---- The peers' commands

// Peers attached to a menu path, for the row with these values.
struct Attached {
    QString path;
    Sets sets{};
    Peers peers{};
    bool approximate = false; // the peers' nearest operation, not the same one
};

using Matrix = std::vector<double>; // row by row, top first

// A matrix file for vips (scale 1, offset 0).
QString writeMask(int w, int h, const Matrix& m) {
    static int count = 0;
    const QString path = workDir().path() + QStringLiteral("/mask%1.mat").arg(++count);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    QTextStream out(&f);
    out << w << ' ' << h << " 1 0\n";
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) out << m[size_t(j * w + i)] << (i + 1 < w ? " " : "\n");
    }
    return path;
}

QString joined(const Matrix& m) {
    QStringList s;
    for (double v : m) s << QString::number(v, 'g', 10);
    return s.join(QLatin1Char(','));
}

// A linear filter as one convolution in each peer (no normalising: the kernels here sum to 1,
// or to 0 for edges). gm takes square kernels only.
Peers convolution(int w, int h, const Matrix& m) {
    Peers p;
    p.vips = {"conv", writeMask(w, h, m)};
    if (w == h) p.gm = {"-convolve", joined(m)};
    p.magick = {"-define", "convolve:scale=1", "-morphology", "Convolve",
                QStringLiteral("%1x%2:%3").arg(w).arg(h).arg(joined(m))};
    return p;
}

Matrix identity(int w, int h) {
    Matrix m(size_t(w * h), 0.0);
    m[size_t((h / 2) * w + w / 2)] = 1.0;
    return m;
}

Matrix box(int n) {
    return Matrix(size_t(n * n), 1.0 / (n * n));
}

// a * x + b * y, element by element.
Matrix mix(double a, const Matrix& x, double b, const Matrix& y) {
    Matrix m(x.size());
    for (size_t k = 0; k < x.size(); ++k) m[k] = a * x[k] + b * y[k];
    return m;
}

Peers morphology(const char* vipsOp, const char* magickOp) {
    Peers p;
    if (vipsOp) {
        const QString mask = writeMask(3, 3, Matrix(9, 255.0));
        p.vips = {"morph", mask, vipsOp};
    }
    p.magick = {"-morphology", magickOp, "Square:1"};
    return p;
}

Peers same(const QStringList& vips, const QStringList& both) {
    return {vips, both, both};
}

QList<Attached> attachedPeers() {
    QList<Attached> a;
    // Blur: a 7 x 7 box mixed in by its percent; Gaussian blur: sigma = percent / 50.
    for (int p : {25, 50, 75, 100}) {
        const Matrix k = mix(1 - p / 100.0, identity(7, 7), p / 100.0, box(7));
        a.append({QStringLiteral("Filters/Blur/%1%").arg(p), {}, convolution(7, 7, k)});
    }
    for (int p : {25, 50, 75, 100, 300, 500}) {
        const QString sigma = QString::number(p / 50.0);
        a.append({QStringLiteral("Filters/Blur/%1% (Gaussian)").arg(p),
                  {},
                  same({"gaussblur", sigma}, {"-blur", "0x" + sigma})});
    }
    // Sharpen: src + percent * (src - 3 x 3 box); Soften: the binomial mixed in by its percent;
    // Edge Detection: the 8-neighbour Laplacian times percent / 25.
    const Matrix binomial = {1 / 16.0, 2 / 16.0, 1 / 16.0, 2 / 16.0, 4 / 16.0,
                             2 / 16.0, 1 / 16.0, 2 / 16.0, 1 / 16.0};
    const Matrix laplacian = {-1, -1, -1, -1, 8, -1, -1, -1, -1};
    for (int p : {25, 50, 75, 100}) {
        const double s = p / 100.0;
        a.append({QStringLiteral("Filters/Sharpen/%1%").arg(p),
                  {},
                  convolution(3, 3, mix(1 + s, identity(3, 3), -s, box(3)))});
        a.append({QStringLiteral("Filters/Soften/%1%").arg(p),
                  {},
                  convolution(3, 3, mix(1 - s, identity(3, 3), s, binomial))});
        a.append({QStringLiteral("Filters/Edge Detection/%1%").arg(p),
                  {},
                  convolution(3, 3, mix(0, laplacian, p / 25.0, laplacian))});
    }
    a.append({"Filters/Mean Filters/Arithmetic Mean", {}, convolution(3, 3, box(3))});
    a.append({"Filters/Mean Filters/Arithmetic Mean",
              {{"Filter Size:", "5"}},
              convolution(5, 5, box(5))});
    // The two relief kernels: src + kernel * src / divisor.
    a.append({"Filters/Custom Filter/Color Relief",
              {},
              convolution(3, 3, mix(1, identity(3, 3), 0.1, {3, 2, 1, 2, 0, -2, 1, -2, -5}))});
    a.append({"Filters/Custom Filter/Oil Painting",
              {},
              convolution(3, 5,
                          mix(1, identity(3, 5), -1 / 0.3,
                              {-3, -3, -3, -1, -1, -1, 0, 0, 0, 1, 1, 1, 3, 3, 3}))});
    a.append({"Filters/Median Cut",
              {},
              {{"rank", "3", "3", "4"}, {"-median", "1"}, {"-statistic", "Median", "3x3"}}});
    a.append({"Filters/Median Cut",
              {{"Filter Size:", "5"}},
              {{"rank", "5", "5", "12"}, {"-median", "2"}, {"-statistic", "Median", "5x5"}}});
    a.append({"Filters/Morpological Filters/Dilation", {}, morphology("dilate", "Dilate")});
    a.append({"Filters/Morpological Filters/Erosion", {}, morphology("erode", "Erode")});
    a.append({"Filters/Morpological Filters/Open", {}, morphology(nullptr, "Open")});
    a.append({"Filters/Morpological Filters/Close", {}, morphology(nullptr, "Close")});
    a.append({"Filters/Morpological Filters/TopHat", {}, morphology(nullptr, "TopHat")});
    const struct {
        const char* name;
        const char* unsharp;
    } unsharp[] = {{"Normal", "0x2.4+1+0"},
                   {"Highlights", "0x2.6+5+0.0314"},
                   {"Color Etch", "0x5+29+0"},
                   {"Halo Effect", "0x10+5+0"}};
    for (const auto& u : unsharp)
        a.append({QStringLiteral("Filters/Unsharp Mask/") + u.name,
                  {},
                  same({}, {"-unsharp", u.unsharp})});
    // Point operations.
    const struct {
        const char* name;
        const char* gamma;
    } gammas[] = {{"Decrease a Little", "0.75"},
                  {"Decrease a Lot", "0.5"},
                  {"Increase a Little", "1.25"},
                  {"Increase a Lot", "1.5"}};
    for (const auto& g : gammas)
        a.append({QStringLiteral("Filters/Adjustment Filters/Gamma/") + g.name,
                  {},
                  same({"gamma", "--exponent", g.gamma}, {"-gamma", g.gamma})});
    for (int v : {25, 50, 100, -25, -50, -100}) {
        const QString percent = QString::number(std::abs(v) / 2.55, 'f', 2) + "%";
        const QString name =
            (v > 0 ? QStringLiteral("Increase by %1") : QStringLiteral("Decrease by %1"))
                .arg(std::abs(v));
        a.append({"Filters/Adjustment Filters/Intensity/" + name,
                  {},
                  // "--" keeps vips from reading a negative offset as an option.
                  {{"linear", "1", "--uchar", "--", QString::number(v)},
                   {"-operator", "All", v > 0 ? "Add" : "Subtract", percent},
                   {"-evaluate", v > 0 ? "add" : "subtract", percent}}});
    }
    a.append({"Filters/Negative/White", {}, same({"invert"}, {"-negate"})});
    for (const char* c : {"Red", "Green", "Blue"})
        a.append({QStringLiteral("Filters/Negative/") + c,
                  {},
                  {{},
                   {"-operator", c, "Negate", "0"},
                   {"-channel", QString(QLatin1Char(c[0])), "-negate", "+channel"}}});
    a.append(
        {"Filters/Threshold", {}, same({}, {"-colorspace", "gray", "-threshold", "11.8%"}), true});
    a.append({"Filters/Posterize", {}, {{}, {}, {"-posterize", "4"}}});
    a.append({"Filters/Solarize", {}, same({}, {"-solarize", "50%"})});
    a.append({"Filters/Saturation...",
              {{"Saturation Level [0.0..10.0]", "1.5"}},
              same({}, {"-modulate", "100,150"}),
              true});
    a.append({"Filters/Adjustment Filters/Brightness & Contrast...",
              {{"Brightness", "20"}, {"Contrast", "-10"}},
              {{}, {}, {"-brightness-contrast", "20x-10"}},
              true});
    a.append({"Filters/Adjustment Filters/AutoBrightness", {}, same({}, {"-normalize"}), true});
    // Area operations the peers have under another definition.
    a.append({"Filters/Despeckle", {}, same({}, {"-despeckle"}), true});
    a.append({"Filters/Emboss...", {}, same({}, {"-shade", "45x45"}), true});
    a.append({"Filters/Canny Edge Detector", {}, {{}, {}, {"-canny", "0x1+40%+40%"}}, true});
    a.append({"Filters/Noise...", {}, same({}, {"+noise", "Gaussian"}), true});
    a.append({"Filters/Mosaic...", {}, same({}, {"-scale", "10%", "-scale", "1000%"}), true});
    a.append({"Filters/Special Filters/Halftone...",
              {},
              {{}, {}, {"-colorspace", "gray", "-ordered-dither", "h6x6o"}},
              true});
    return a;
}

// ---- The rows

struct Row {
    QString path;
    Sets sets;
    Peers peers;
    bool approximate = false;

    QString label() const {
        QString l = path;
        for (const auto& [caption, value] : sets) l += " [" + caption + "=" + value + "]";
        return l;
    }
};

// Every Filters menu path with the peers attached to it (one row per attachment), or alone at
// its first values. Empty when an attachment names a path the menus do not have.
QList<Row> rows() {
    QList<Row> out;
    const QList<Attached> attached = attachedPeers();
    std::set<QString> known;
    for (const catalogue::MenuEntry& e : catalogue::menuEntries()) {
        if (!e.path.startsWith(QStringLiteral("Filters/"))) continue;
        known.insert(e.path);
        bool any = false;
        for (const Attached& a : attached) {
            if (a.path != e.path) continue;
            out.append({a.path, a.sets, a.peers, a.approximate});
            any = true;
        }
        if (!any) out.append({e.path, {}, {}, false});
    }
    for (const Attached& a : attached)
        if (!known.count(a.path)) {
            std::fprintf(stderr, "peer attached to \"%s\", which no Filters menu item has\n",
                         qPrintable(a.path));
            return {};
        }
    return out;
}

void registerRow(const Row& r, const QString& converter) {
    const QString base = "filters/" + r.label() + "/";
    registerMenuEntry(base + "op", page, r.path, r.sets);
    const QString out = outPrefix();
    QStringList ours{converter, photographPath(), out + ".tif", "--apply", r.path};
    for (const auto& [caption, value] : r.sets) ours << "--set" << caption + "=" + value;
    registerProcess(base + "pixendra-convert", ours);
    registerPeers(base, r.peers, {photographPath()}, out);
}

// The phases of a whole process: each program converting the file without an operation, and
// this process's TIFF load and save alone.
void registerPhases(const QString& converter) {
    registerPlainCopies("phase/", converter, photographPath(), outPrefix());
    registerInProcess(
        "phase/load",
        [] {
            pix::PixImage image;
            image.LoadFromFile(photographPath(), QStringLiteral("no undo"));
        },
        2);
    const QString saved = outPrefix() + "_save.tif";
    registerTimed(
        "phase/save",
        [saved](benchmark::State& st) {
            pix::PixImage image;
            image.setPage(page, QStringLiteral("no undo"));
            timeInProcess(st, "phase/save", {}, [&] { image.SaveToFile(saved, 3, 0, false); });
        },
        2);
}

void printSummary(const QList<Row>& all) {
    QList<SummaryRow> rows;
    for (const Row& r : all) rows.append({"filters/" + r.label() + "/", r.label(), r.approximate});
    const auto [met, missed] = printMenuSummary(rows, 62);
    std::printf("\nwith a peer: %d met, %d missed\n", met, missed);
    printFailures("peer", true);
    std::printf("phases: TIFF to TIFF without an operation: pixendra-convert %s, vips %s, gm %s, "
                "convert %s ms; in this process: load %s, save %s ms\n",
                qPrintable(ms("phase/tiff_to_tiff/pixendra-convert")),
                qPrintable(ms("phase/tiff_to_tiff/vips")), qPrintable(ms("phase/tiff_to_tiff/gm")),
                qPrintable(ms("phase/tiff_to_tiff/convert")), qPrintable(ms("phase/load")),
                qPrintable(ms("phase/save")));
}

} // namespace

int main(int argc, char** argv) {
    QString converter;
    if (!startWithConverter(argc, argv, converter, page)) return 1;
    const QList<Row> all = rows();
    if (all.isEmpty()) return 1;
    registerPhases(converter);
    for (const Row& r : all) registerRow(r, converter);
    runAll();
    printSummary(all);
    return 0;
}
