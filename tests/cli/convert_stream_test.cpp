// The converter's band-by-band path against the whole-image path: for a plain copy and every menu
// entry marked as streamable, the file written a band at a time is byte for byte the one written
// whole.
#include "support/test_images.h"

#include "catalogue/menu_paths.h"
#include "cli/convert_run.h"
#include "cli/convert_stream.h"
#include "engine/codecs/codec.h"
#include "engine/image_type.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

// A wide page of noise, so that its strips hold two rows each and a band a few strips.
pix::PixPage noisePage(int type) {
    QImage image(30000, 24, type == pix::kRgba ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    uint32_t seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = type == pix::kRgba ? seed : seed | 0xFF000000u;
        }
    }
    pix::PixPage page;
    page.image = image;
    page.type = type;
    return page;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(ConvertStream, EveryStreamableEntryWritesWhatTheWholeImageWrites) {
    const QString dir = pixtest::tempDir();
    int checked = 0;
    for (int type : {pix::kRgb, pix::kRgba}) {
        const QString input = dir + QStringLiteral("/in%1.tif").arg(type);
        // The RGBA file's strips are compressed, the RGB file's read where they lie.
        pix::SaveOptions stored;
        stored.tiffCompression = type == pix::kRgba ? 6 : 0;
        pix::encodeFile(input, pix::kFileTiff, {noisePage(type)}, stored);
        // A plain copy, then every marked entry.
        QStringList paths = {QString()};
        for (const catalogue::MenuEntry& m : catalogue::menuEntries())
            if (m.entry->streams != catalogue::Streams::No) paths << m.path;
        for (const QString& path : paths) {
            SCOPED_TRACE(path.toStdString() + " on type " + std::to_string(type));
            QList<pixcli::ApplyStep> steps;
            if (!path.isEmpty()) steps = {{path, {}}};
            pixcli::ConvertRequest r;
            r.input = input;
            r.output = dir + "/whole.tif";
            r.edit = [&](pix::PixImage& image) { pixcli::applySteps(image, steps); };
            QString errors;
            QTextStream out(&errors), err(&errors);
            ASSERT_EQ(pixcli::runRequest(r, out, err), 0) << errors.toStdString();
            r.output = dir + "/streamed.tif";
            ASSERT_TRUE(pixcli::convertStreamed(r, pixcli::prepareSteps(steps), 1));
            EXPECT_EQ(bytesOf(dir + "/streamed.tif"), bytesOf(dir + "/whole.tif"));
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}
