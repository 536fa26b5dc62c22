// Progress audit: every menu entry of the catalogues, and the load and save of every writable
// format, run on the photograph (or a synthetic picture) with a progress handler that records
// when it is called. For each path: the time, the longest gap between reports (counting the
// start before the first report and the end after the last), both scaled to 100 megapixels,
// and whether a handler that answers false at its first call really cancels (the image exact,
// no undo step, the run reported as cancelled). Paths whose scaled time exceeds half a second
// with a scaled gap above half a second are flagged.
//   bench_progress [--size=WxH] [--filter=TEXT]
// The size is cut from the 4000 x 3000 photograph (or drawn); TEXT keeps the paths containing it.
#include "catalogue/asks.h"
#include "catalogue/channels_catalogue.h"
#include "catalogue/dispatch.h"
#include "catalogue/first_values.h"
#include "catalogue/menu_paths.h"
#include "engine/codecs/codec.h"
#include "engine/pix_error.h"

#include "bench_support.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <cstring>

using namespace benchsupport;

namespace {

// What one run of a path reported.
struct Timing {
    double seconds = 0;
    double longestGap = 0; // seconds, start and end included
    int calls = 0;
    QString gapAt; // the reports around the longest gap ("start" and "end" for the ends)
};

// Times `run` with a recording progress handler installed by `install`.
Timing timed(const std::function<void(const pix::ProgressFn&)>& run) {
    Timing t;
    Clock::time_point last = Clock::now();
    const Clock::time_point start = last;
    QString lastPercent = QStringLiteral("start");
    auto gap = [&](double seconds, const QString& next) {
        if (seconds <= t.longestGap) return;
        t.longestGap = seconds;
        t.gapAt = lastPercent + QStringLiteral("..") + next;
    };
    run([&](int percent) {
        const Clock::time_point now = Clock::now();
        gap(std::chrono::duration<double>(now - last).count(), QString::number(percent));
        last = now;
        lastPercent = QString::number(percent);
        ++t.calls;
        return true;
    });
    t.seconds = since(start);
    gap(since(last), QStringLiteral("end"));
    return t;
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format()) return false;
    const qsizetype n = qsizetype(a.width()) * a.depth() / 8;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(n)) != 0) return false;
    return true;
}

struct Row {
    QString path;
    Timing timing;
    QString outcome; // of the timed run
    QString cancel;  // what a false answer at the first report did
    QString digest;  // of the result's pixels, to compare runs before and after a change
};

QString digestOf(const QImage& img) {
    QCryptographicHash h(QCryptographicHash::Md5);
    const qsizetype n = qsizetype(img.width()) * img.depth() / 8;
    for (int y = 0; y < img.height(); ++y)
        h.addData(QByteArrayView(reinterpret_cast<const char*>(img.constScanLine(y)), n));
    return QString::fromLatin1(h.result().toHex().left(8));
}

QString outcomeName(catalogue::Outcome o) {
    static const char* const names[] = {"no operation", "cancelled",   "applied",
                                        "failed",       "awaits line", "refused"};
    return QLatin1String(names[int(o)]);
}

// Runs the entry twice on fresh images of `page`: timed, then cancelled at the first report.
Row auditEntry(const catalogue::MenuEntry& m, const pix::PixPage& page, const QString& palette) {
    Row row{m.path, {}, {}, {}, {}};
    auto fresh = [&] {
        auto image = std::make_unique<pix::PixImage>();
        image->setPage(page, QStringLiteral("no undo"));
        return image;
    };
    auto image = fresh();
    catalogue::FirstValues source(*image, palette);
    row.timing = timed([&](const pix::ProgressFn& progress) {
        image->setProgressHandler(progress);
        const catalogue::RunResult r = catalogue::runFound(*m.entry, *image, source);
        row.outcome = outcomeName(r.outcome);
        if (r.error) row.outcome += QStringLiteral(": ") + r.error->description();
    });
    row.digest = digestOf(image->image());
    if (row.outcome != QLatin1String("applied")) return row;

    image = fresh();
    catalogue::FirstValues again(*image, palette);
    bool asked = false;
    image->setProgressHandler([&](int) {
        asked = true;
        return false;
    });
    const catalogue::RunResult r = catalogue::runFound(*m.entry, *image, again);
    const bool exact = samePixels(image->image(), page.image) && image->imageType() == page.type;
    if (!asked)
        row.cancel = QStringLiteral("never asked");
    else if (r.outcome == catalogue::Outcome::Cancelled && exact && image->Undos() == 0)
        row.cancel = QStringLiteral("ok");
    else
        row.cancel = QStringLiteral("BROKEN: %1%2%3")
                         .arg(outcomeName(r.outcome), exact ? "" : ", image changed",
                              image->Undos() == 0 ? "" : ", undo step left");
    return row;
}

// Saves the page in every writable format and loads it back, timing both.
QList<Row> auditCodecs(const pix::PixPage& page) {
    QList<Row> rows;
    QTemporaryDir dir;
    for (const auto& codec : pix::allCodecs()) {
        if (!codec->canWrite()) continue;
        const QString file = dir.filePath(QStringLiteral("audit.") + codec->extensions().first());
        Row save{QStringLiteral("Save ") + codec->name(), {}, QStringLiteral("written"), {}, {}};
        save.timing = timed([&](const pix::ProgressFn& progress) {
            try {
                pix::encodeFile(file, *codec, {page}, pix::SaveOptions{}, progress);
            } catch (const pix::PixError& e) {
                save.outcome = QStringLiteral("failed: ") + e.description();
            }
        });
        // A cancelled save keeps the file that was there.
        const bool existed = QFile::exists(file);
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        bool asked = false;
        try {
            QList<pix::PixPage> other = {page};
            other[0].image = page.image.mirrored(true, false);
            pix::encodeFile(file, *codec, other, pix::SaveOptions{}, [&](int) {
                asked = true;
                return false;
            });
            save.cancel =
                asked ? QStringLiteral("BROKEN: written anyway") : QStringLiteral("never asked");
        } catch (const pix::PixError& e) {
            QFile f(file);
            const bool kept =
                existed ? f.open(QIODevice::ReadOnly) && f.readAll() == before : !f.exists();
            save.cancel = e.number() == pix::kErrCancelled && kept
                              ? QStringLiteral("ok")
                              : QStringLiteral("BROKEN: ") + e.description();
        }
        rows << save;
        if (!existed) continue; // nothing was written to load

        Row load{QStringLiteral("Load ") + codec->name(), {}, QStringLiteral("read"), {}, {}};
        QImage loaded;
        load.timing = timed([&](const pix::ProgressFn& progress) {
            try {
                loaded = pix::decodeFile(file, progress).pages.value(0).image;
            } catch (const pix::PixError& e) {
                load.outcome = QStringLiteral("failed: ") + e.description();
            }
        });
        load.digest = digestOf(loaded);
        asked = false;
        try {
            pix::decodeFile(file, [&](int) {
                asked = true;
                return false;
            });
            load.cancel =
                asked ? QStringLiteral("BROKEN: read anyway") : QStringLiteral("never asked");
        } catch (const pix::PixError& e) {
            load.cancel = e.number() == pix::kErrCancelled
                              ? QStringLiteral("ok")
                              : QStringLiteral("BROKEN: ") + e.description();
        }
        rows << load;
    }
    return rows;
}

QString paletteFile(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("audit.pal"));
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        for (int level : {i % 64, (i * 5) % 64, 63 - i / 4}) bytes.append(char(level));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QSize size(kW, kH);
    QString filter;
    for (const QString& a : app.arguments().mid(1)) {
        if (a.startsWith(QLatin1String("--size="))) {
            const QStringList wh = a.mid(7).split(QLatin1Char('x'));
            if (wh.size() == 2) size = QSize(wh[0].toInt(), wh[1].toInt());
        } else if (a.startsWith(QLatin1String("--filter="))) {
            filter = a.mid(9);
        } else {
            std::fprintf(stderr, "usage: bench_progress [--size=WxH] [--filter=TEXT]\n");
            return 2;
        }
    }
    pix::PixImage photo;
    pix::PixPage page;
    if (writePhotograph(photographPath())) {
        photo.LoadFromFile(photographPath(), QStringLiteral("no undo"));
        page = photo.page(0);
        page.image = page.image.copy(0, 0, size.width(), size.height());
    } else {
        page.image = syntheticPicture(size.width(), size.height(), 0.01, 0.013, 60, true);
        page.type = 5;
    }
    page.image.detach();
    const double scale = 100e6 / (double(page.image.width()) * page.image.height());
    std::printf("%d x %d, times scaled by %.2f to 100 MP\n", page.image.width(),
                page.image.height(), scale);

    QTemporaryDir dir;
    const QString palette = paletteFile(dir);
    QList<Row> rows;
    for (const catalogue::MenuEntry& m : catalogue::menuEntries()) {
        if (m.entry->input == catalogue::Input::Line) continue;
        if (!filter.isEmpty() && !m.path.contains(filter)) continue;
        rows << auditEntry(m, page, palette);
        const Row& r = rows.last();
        std::fprintf(stderr, "%s %.3f\n", qPrintable(r.path), r.timing.seconds);
    }
    for (const Row& r : auditCodecs(page))
        if (filter.isEmpty() || r.path.contains(filter)) rows << r;

    std::printf("%-52s %9s %9s %-10s %6s %-5s %-14s %-8s %s\n", "path", "time(s)", "gap(s)",
                "gap at", "calls", "flag", "cancel", "digest", "outcome");
    int flagged = 0, broken = 0;
    for (const Row& r : rows) {
        const double t = r.timing.seconds * scale, gap = r.timing.longestGap * scale;
        const bool flag = t > 0.5 && gap > 0.5;
        flagged += flag;
        broken += r.cancel.startsWith(QLatin1String("BROKEN"));
        std::printf("%-52s %9.2f %9.2f %-10s %6d %-5s %-14s %-8s %s\n", qPrintable(r.path.left(52)),
                    t, gap, qPrintable(r.timing.gapAt), r.timing.calls, flag ? "FLAG" : "",
                    qPrintable(r.cancel), qPrintable(r.digest), qPrintable(r.outcome));
    }
    std::printf("\n%d paths flagged, %d cancels broken, of %d\n", flagged, broken,
                int(rows.size()));
    return 0;
}
