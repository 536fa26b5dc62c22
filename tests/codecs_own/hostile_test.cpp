// Hostile, truncated and garbled files of every format: each decodes to a sane picture or gives
// the engine's error, never a crash or an over-read (the sanitizer build and the fuzz replay
// check the memory side).
#include "engine/codecs/codec.h"
#include "engine/codecs/input_file.h"
#include "engine/image_limits.h"
#include "engine/image_type.h"
#include "engine/metadata.h"
#include "engine/pix_error.h"
#include "libcodecs/reference_tools.h"
#include "support/test_images.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using namespace pixtest;

namespace {

// "" when reading threw PixError with its text, "decoded" for a sane picture, else what
// happened instead.
std::string outcome(const pix::Codec& c, const QByteArray& bytes) {
    pix::readMetadata(view(bytes)); // never throws
    try {
        for (const pix::PixPage& p : c.read(view(bytes)).pages)
            if (p.image.isNull() || int64_t(p.image.width()) * p.image.height() > pix::kMaxPixels)
                return "an empty or oversized page";
        return "decoded";
    } catch (const pix::PixError& e) {
        if (e.description().isEmpty() || e.source().isEmpty()) return "error without text";
        return {};
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
        EXPECT_EQ(outcome(*c, readBytes(f.filePath())), "");
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
        const std::string why = outcome(*c, readBytes(f.filePath()));
        EXPECT_TRUE(why.empty() || why == "decoded") << f.fileName().toStdString() << ": " << why;
    }
}

TEST(Hostile, TooLargeSizesAreRefusedAsTooLarge) {
    for (const char* name :
         {"bmp-size-overflow.bmp", "tga-size-overflow.tga", "psd-size-too-large.psd",
          "pcx-size-too-large.pcx", "emf-size-too-large.emf"}) {
        const QString path = QStringLiteral(PIXENDRA_TEST_DATA "/hostile/") + QLatin1String(name);
        try {
            pix::codecForExtension(path)->read(view(readBytes(path)));
            ADD_FAILURE() << name << " was read";
        } catch (const pix::PixError& e) {
            EXPECT_EQ(e.number(), pix::kErrTooLarge)
                << name << ": " << e.description().toStdString();
        }
    }
}

struct Damage {
    const char* label;
    const char* codec;
    pix::SaveOptions options;
    std::vector<int> types;
    QSize size;
    bool prefixesRefused;      // every proper prefix must be refused (our own layouts); otherwise a
                               // cut file may open with what it holds
    bool magickFrames = false; // ImageMagick writes the sample: two frames, one with alpha
};

pix::SaveOptions with(bool rle, int tiff = pix::kTiffNone, bool progressive = false) {
    pix::SaveOptions o;
    o.bmpRle = rle;
    o.tiffCompression = tiff;
    o.jpegProgressive = progressive;
    return o;
}

const std::vector<int> kAllTypes = {0, 1, 2, 3, 4, 5, 6};

const Damage kDamage[] = {
    {"bmp", "bmp", {}, kAllTypes, {9, 5}, true},
    {"bmp_rle", "bmp", with(true), kAllTypes, {9, 5}, true},
    {"pcx", "pcx", {}, kAllTypes, {9, 5}, true},
    {"tga", "tga", {}, kAllTypes, {9, 5}, true},
    {"psd", "psd", {}, kAllTypes, {9, 5}, true},
    {"ico", "ico", {}, kAllTypes, {9, 5}, true},
    {"wbmp", "wbmp", {}, kAllTypes, {9, 5}, true},
    {"wmf", "wmf", {}, kAllTypes, {9, 5}, true},
    {"emf", "emf", {}, kAllTypes, {9, 5}, true},
    {"jpeg", "jpeg", {}, {pix::kRgb}, {40, 30}, false},
    {"jpegProgressive", "jpeg", with(false, 0, true), {pix::kRgb}, {40, 30}, false},
    {"png", "png", {}, {pix::kIndexedAlpha, pix::kRgba}, {40, 30}, false},
    {"tiffLzw", "tiff", with(false, pix::kTiffLzw), {pix::kRgba}, {40, 30}, false},
    {"tiffG4", "tiff", with(false, pix::kTiffG4), {pix::kMono}, {40, 30}, false},
    {"gif", "gif", {}, {pix::kRgba}, {40, 30}, false, true},
};

QByteArray sampleFile(const Damage& d, int type) {
    if (d.magickFrames) {
        const QString path = tempDir() + "/sample." + d.codec;
        magickEncodeFrames({gradientImage(40, 30, true), gradientImage(40, 30)}, path);
        return readBytes(path);
    }
    const QImage img = sampleOfType(type, d.size.width(), d.size.height());
    return codec(d.codec).write({{img, type, {}}}, d.options);
}

class Damaged : public ::testing::TestWithParam<Damage> {};

TEST_P(Damaged, TruncatedFilesAreRefusedOrOpenSanely) {
    const Damage& d = GetParam();
    for (int type : d.types) {
        const QByteArray full = sampleFile(d, type);
        ASSERT_FALSE(full.isEmpty());
        const qsizetype step = d.prefixesRefused ? 1 : std::max<qsizetype>(1, full.size() / 300);
        for (qsizetype n = 0; n < full.size(); n += step) {
            const std::string why = outcome(codec(d.codec), full.left(n));
            if (!why.empty() && (d.prefixesRefused || why != "decoded")) {
                ADD_FAILURE() << "type " << type << " cut at " << n << " of " << full.size() << ": "
                              << why;
                break;
            }
        }
    }
}

// Small files get every byte set to three values in turn, larger ones random batches of bytes.
TEST_P(Damaged, GarbledBytesNeverEscapeAsAnythingButPixError) {
    const Damage& d = GetParam();
    std::mt19937 random(20240601u);
    for (int type : d.types) {
        const QByteArray full = sampleFile(d, type);
        auto check = [&](const QByteArray& bytes) {
            const std::string why = outcome(codec(d.codec), bytes);
            ASSERT_TRUE(why.empty() || why == "decoded") << "type " << type << ": " << why;
        };
        if (full.size() < 1024) {
            for (qsizetype i = 0; i < full.size(); ++i)
                for (uint8_t v : {uint8_t(0), uint8_t(0xFF), uint8_t(0x80)}) {
                    QByteArray bad = full;
                    bad[i] = char(v);
                    check(bad);
                }
        } else {
            for (int round = 0; round < 400; ++round) {
                QByteArray bad = full;
                for (int i = 1 + int(random() % 4); i > 0; --i)
                    bad[qsizetype(random() % uint32_t(bad.size()))] = char(random() & 0xFF);
                check(bad);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Damaged, ::testing::ValuesIn(kDamage),
                         [](const auto& info) { return std::string(info.param.label); });

// Files cut inside the header or the first picture, and a TIFF whose first directory lies past
// its end, hold no picture at all: each is an error.
TEST(Hostile, FilesWithoutAWholeFirstPictureAreErrors) {
    const QString gifPath = tempDir() + "/cut.gif";
    magickEncode(gradientImage(64, 64), gifPath);
    const QByteArray gif = readBytes(gifPath);
    const QByteArray tiff = codec("tiff").write({pageOfType(pix::kRgb, 64, 64)}, {});
    QByteArray farDirectory = tiff;
    farDirectory.replace(4, 3, "\xF0\xFF\xFF");
    const std::pair<const char*, QByteArray> broken[] = {{"gif", gif.left(6)},
                                                         {"gif", gif.left(13)},
                                                         {"gif", gif.left(gif.size() / 2)},
                                                         {"tiff", tiff.left(6)},
                                                         {"tiff", tiff.left(tiff.size() / 2)},
                                                         {"tiff", farDirectory}};
    for (const auto& [name, bytes] : broken)
        EXPECT_EQ(outcome(codec(name), bytes), "") << name << ", " << bytes.size() << " bytes";
}

// A mapped file that another program shortens while it is being read: the reader sees zeros past
// the new end instead of a bus error, and the read is reported as failed.
TEST(Hostile, FileShortenedWhileMappedIsAnErrorNotACrash) {
    const QString path = tempDir() + "/shrinking.bin";
    writeBytes(path, QByteArray(1 << 20, 'x'));
    {
        const pix::InputFile file(path, QStringLiteral("test"));
        EXPECT_NO_THROW(file.checkUnchanged());
        ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 4096), 0);
        const pix::Bytes bytes = file.bytes();
        EXPECT_EQ(bytes[100], 'x');
        EXPECT_EQ(bytes[bytes.size() - 1], 0); // past the new end: a page of zeros
        EXPECT_THROW(file.checkUnchanged(), pix::PixError);
    }
    writeBytes(path, QByteArray(1 << 20, 'y'));
    const pix::InputFile again(path, QStringLiteral("test"));
    EXPECT_EQ(again.bytes()[(1 << 20) - 1], 'y');
    EXPECT_NO_THROW(again.checkUnchanged());
}

} // namespace
