// Progress and cancel while a file is read or written, for every writable format: the reports
// run from 0 to 100 without going back; a cancel at the first report or in the middle throws
// "cancelled", keeps the old file whole and leaves no temporary file; a file that fails to read
// still ends with 100, so that a progress window opened at 0 closes.
#include "engine/codecs/codec.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "support/test_images.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Answers true and records, or answers false at the first report that `stop` accepts.
struct Listener {
    std::function<bool(int)> stop = [](int) { return false; };
    QList<int> heard;
    pix::ProgressFn fn() {
        return [this](int p) {
            heard << p;
            return !stop(p);
        };
    }
};

// Runs `io` with `listener`; true when it threw "cancelled".
bool cancelled(const std::function<void(const pix::ProgressFn&)>& io, Listener& listener) {
    try {
        io(listener.fn());
    } catch (const pix::PixError& e) {
        EXPECT_EQ(e.number(), pix::kErrCancelled) << e.what();
        return true;
    }
    return false;
}

} // namespace

TEST(CodecProgress, EveryFormatReportsInOrderAndCancelsCleanly) {
    const QDir dir(pixtest::tempDir());
    pix::PixPage page{pixtest::gradientImage(200, 150), pix::kRgb, {}};
    pix::PixPage other = page;
    other.image = page.image.mirrored(true, false);
    for (const auto& codec : pix::allCodecs()) {
        if (!codec->canWrite()) continue;
        SCOPED_TRACE(codec->name().toStdString());
        const QString path = dir.filePath(QStringLiteral("progress.") + codec->extensions()[0]);
        auto save = [&](const pix::PixPage& p) {
            return [&, p](const pix::ProgressFn& fn) {
                pix::encodeFile(path, *codec, {p}, pix::SaveOptions{}, fn);
            };
        };
        auto load = [&](const pix::ProgressFn& fn) { pix::decodeFile(path, fn); };

        Listener all;
        all.stop = [](int) { return false; };
        ASSERT_FALSE(cancelled(save(page), all));
        EXPECT_FALSE(cancelled(load, all));
        ASSERT_GE(all.heard.size(), 4);
        EXPECT_EQ(all.heard.front(), 0);
        EXPECT_EQ(all.heard.back(), 100);
        const QByteArray written = pixtest::readBytes(path);
        const QStringList filesBefore = dir.entryList(QDir::Files);

        // At the first report, and at the first report from inside the writer or reader (TIFF
        // reads and writes 100 megapixels in well under half a second: it reports only at its
        // ends and between the bands of a large page).
        std::vector<std::function<bool(int)>> stops = {[](int) { return true; }};
        if (codec->fileType() != pix::kFileTiff)
            stops.push_back([](int p) { return p > 0 && p < 99; });
        for (const auto& stop : stops) {
            Listener saving{stop, {}}, loading{stop, {}};
            EXPECT_TRUE(cancelled(save(other), saving));
            EXPECT_EQ(pixtest::readBytes(path), written) << "the old file is kept whole";
            EXPECT_EQ(dir.entryList(QDir::Files), filesBefore) << "no temporary file is left";
            EXPECT_TRUE(cancelled(load, loading));
            EXPECT_NE(saving.heard.last(), 100);
            EXPECT_NE(loading.heard.last(), 100);
        }

        // A truncated file fails to read, and the reports still end with 100.
        pixtest::writeBytes(path, written.left(written.size() / 2));
        Listener truncated;
        truncated.stop = [](int) { return false; };
        try {
            pix::decodeFile(path, truncated.fn());
        } catch (const pix::PixError& e) {
            EXPECT_NE(e.number(), pix::kErrCancelled);
            if (truncated.heard.isEmpty()) continue; // no reader took it
            EXPECT_EQ(truncated.heard.front(), 0);
            EXPECT_EQ(truncated.heard.last(), 100);
        }
    }
}
