// Cancel from the progress handler, for every menu entry on an opaque and a transparent picture:
// a handler that answers false at its first report leaves the image exactly as it was, with no
// undo step, and the run ends as cancelled. Only the entries in kNeverReports may finish without
// asking, and only because they are fast whatever the image's size.
#include "catalogue/asks.h"
#include "catalogue/channels_catalogue.h"
#include "catalogue/dispatch.h"
#include "catalogue/first_values.h"
#include "catalogue/menu_paths.h"
#include "engine/image_type.h"
#include "support/test_images.h"

#include <QFile>
#include <gtest/gtest.h>
#include <set>

namespace {

// Entries that never report: a copy of a rectangle, a mirror, a fixed chart, or nothing at all
// with their first values.
const std::set<QString> kNeverReports = {
    "Transforms/Crop/Top Left",      "Transforms/Crop/Top Right",
    "Transforms/Crop/Bottom Left",   "Transforms/Crop/Bottom Right",
    "Transforms/Crop/Center",        "Transforms/Flip/Horizontal",
    "Transforms/Flip/Vertical",      "Effects/Apply Palette/Display Palette File...",
    "File/Encryption/Encrypt Image", // an empty key changes nothing
    "File/Encryption/Decrypt Image",
    "Channels/RGB/Shift...",    // no shift
    "Transforms/Crop/AutoCrop", // one pass over the border rows, then a copy
    "Channels/Alpha/Clear",     // nothing to clear on an opaque page
};

QString paletteFile() {
    const QString path = pixtest::tempDir() + QStringLiteral("/cancel.pal");
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        for (int level : {i % 64, (i * 5) % 64, 63 - i / 4}) bytes.append(char(level));
    pixtest::writeBytes(path, bytes);
    return path;
}

// Runs `entry` on a picture of `type` with a handler that answers false at once.
void cancelAtFirstReport(const catalogue::Entry& entry, const QString& path, int type,
                         const QString& palette) {
    pix::PixImage image;
    image.setImage(pixtest::imageOfType(type, 160, 120), type, QStringLiteral("No Undo"));
    const QImage before = image.image().copy();
    int reports = 0;
    image.setProgressHandler([&](int) {
        ++reports;
        return false;
    });
    catalogue::FirstValues source(image, palette);
    const catalogue::RunResult r = catalogue::runFound(entry, image, source);
    // Refused, or failed before any work (no selection, no such file).
    if (r.outcome == catalogue::Outcome::Refused ||
        (r.outcome == catalogue::Outcome::Failed && reports == 0))
        return;
    if (reports == 0) {
        EXPECT_TRUE(kNeverReports.count(path)) << "never reports; outcome " << int(r.outcome);
        return;
    }
    EXPECT_EQ(reports, 1) << "the run went on after the cancel";
    EXPECT_EQ(r.outcome, catalogue::Outcome::Cancelled);
    EXPECT_TRUE(pixtest::samePixels(image.image(), before));
    EXPECT_EQ(image.imageType(), type);
    EXPECT_EQ(image.Undos(), 0);
}

} // namespace

TEST(ProgressCancel, EveryEntryCancelledAtItsFirstReportLeavesTheImageExact) {
    const QString palette = paletteFile();
    for (const int type : {pix::kRgb, pix::kRgba})
        for (const catalogue::MenuEntry& m : catalogue::menuEntries()) {
            if (m.entry->input == catalogue::Input::Line) continue;
            SCOPED_TRACE(m.path.toStdString() + " on type " + std::to_string(type));
            cancelAtFirstReport(*m.entry, m.path, type, palette);
        }
}
