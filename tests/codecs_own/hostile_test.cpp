// Hostile and truncated files: each gives the engine's error, never a crash or an over-read
// (run under the sanitizer build and the fuzz replay for the memory checks).
#include "engine/codecs/codec.h"
#include "engine/image_type.h"
#include "engine/pix_error.h"
#include "own_codec_support.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace owntest;

namespace {

// Returns an empty string when reading threw PixError, else what happened instead.
std::string readFails(const pix::Codec& c, const QByteArray& bytes) {
    try {
        c.read(bytesOf(bytes));
        return "read succeeded";
    } catch (const pix::PixError& e) {
        if (e.description().isEmpty() || e.source().isEmpty()) return "error without text";
        return {};
    } catch (const std::exception& e) {
        return std::string("other exception: ") + e.what();
    }
}

TEST(Hostile, EverySampleGivesTheEngineError) {
    const QDir dir(QStringLiteral(PIXENDRA_TEST_DATA "/hostile"));
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 60) << "run scripts/make-hostile-samples";
    QSet<QString> formats;
    for (const QFileInfo& f : files) {
        SCOPED_TRACE(f.fileName().toStdString());
        const pix::Codec* c = pix::codecForExtension(f.filePath());
        ASSERT_NE(c, nullptr);
        formats.insert(c->name());
        EXPECT_EQ(readFails(*c, readAll(f.filePath())), "");
    }
    EXPECT_EQ(formats.size(), 8);
}

// Inputs the fuzzers once crashed on: now each decodes or gives the engine error.
TEST(Hostile, FuzzRegressionsDecodeOrFailCleanly) {
    const QDir dir(QStringLiteral(PIXENDRA_TEST_DATA "/fuzz-regressions"));
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    for (const QFileInfo& f : files) {
        const pix::Codec* c = pix::codecForExtension(f.filePath());
        ASSERT_NE(c, nullptr) << f.fileName().toStdString();
        const std::string why = readFails(*c, readAll(f.filePath()));
        EXPECT_TRUE(why.empty() || why == "read succeeded")
            << f.fileName().toStdString() << ": " << why;
    }
}

TEST(Hostile, TooLargeSizesAreRefusedAsTooLarge) {
    for (const char* name :
         {"bmp-size-overflow.bmp", "tga-size-overflow.tga", "psd-size-too-large.psd",
          "pcx-size-too-large.pcx", "emf-size-too-large.emf"}) {
        const QString path = QStringLiteral(PIXENDRA_TEST_DATA "/hostile/") + QLatin1String(name);
        try {
            pix::codecForExtension(path)->read(bytesOf(readAll(path)));
            ADD_FAILURE() << name << " was read";
        } catch (const pix::PixError& e) {
            EXPECT_EQ(e.number(), pix::kErrTooLarge)
                << name << ": " << e.description().toStdString();
        }
    }
}

// Every proper prefix of a valid file of every layout we write is refused.
TEST(Hostile, TruncationAtEveryOffsetIsRefused) {
    struct Case {
        const char* codec;
        bool rle;
    };
    const Case cases[] = {{"bmp", false},  {"bmp", true},  {"pcx", false},
                          {"tga", false},  {"psd", false}, {"ico", false},
                          {"wbmp", false}, {"wmf", false}, {"emf", false}};
    for (const Case& c : cases)
        for (int type = 0; type < pix::kImageTypeCount; ++type) {
            pix::SaveOptions options;
            options.bmpRle = c.rle;
            const QByteArray full =
                codec(c.codec).write({{sampleOfType(type, 9, 5), type, {}}}, options);
            for (qsizetype n = 0; n < full.size(); ++n) {
                const std::string why = readFails(codec(c.codec), full.left(n));
                if (!why.empty()) {
                    ADD_FAILURE() << c.codec << (c.rle ? " rle" : "") << " type " << type
                                  << " cut at " << n << " of " << full.size() << ": " << why;
                    break;
                }
            }
        }
}

// Flipping single bytes of valid files must never crash; errors are fine, so is a picture.
TEST(Hostile, CorruptedBytesNeverEscapeAsAnythingButPixError) {
    for (const char* name : {"bmp", "pcx", "tga", "psd", "ico", "wbmp", "wmf", "emf"})
        for (int type : {0, 1, 5, 6}) {
            const QByteArray full = codec(name).write({{sampleOfType(type, 7, 6), type, {}}}, {});
            for (qsizetype i = 0; i < full.size(); ++i)
                for (uint8_t v : {uint8_t(0), uint8_t(0xFF), uint8_t(0x80)}) {
                    QByteArray bad = full;
                    bad[i] = char(v);
                    try {
                        codec(name).read(bytesOf(bad));
                    } catch (const pix::PixError&) {
                    }
                }
        }
}

} // namespace
