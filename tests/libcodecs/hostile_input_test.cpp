// Damaged files of every library-backed format: each truncation and each batch of flipped bytes
// either decodes to a sane image or raises PixError; nothing crashes or reads out of bounds (the
// sanitizer build checks the latter).
#include "reference_tools.h"
#include "support/test_images.h"

#include "engine/codecs/input_file.h"
#include "engine/image_limits.h"
#include "engine/image_type.h"
#include "engine/metadata.h"
#include "engine/pix_error.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using namespace pixtest;

namespace {

struct Sample {
    const char* name;
    std::function<QByteArray()> make;
};

QByteArray ownFile(int fileType, int type, pix::SaveOptions o = {}) {
    return codec(fileType).write({pix::PixPage{imageOfType(type, 40, 30), type, {}}}, o);
}

QByteArray magickFile(const char* ext, const QStringList& options) {
    const QString path = tempDir() + "/sample." + ext;
    magickEncodeFrames({gradientImage(40, 30, true), gradientImage(40, 30)}, path, options);
    return readBytes(path);
}

const Sample kSamples[] = {
    {"jpeg", [] { return ownFile(pix::kFileJpeg, pix::kRgb); }},
    {"jpegProgressive",
     [] {
         pix::SaveOptions o;
         o.jpegProgressive = true;
         return ownFile(pix::kFileJpeg, pix::kRgb, o);
     }},
    {"pngPalette", [] { return ownFile(pix::kFilePng, pix::kIndexedAlpha); }},
    {"pngRgba", [] { return ownFile(pix::kFilePng, pix::kRgba); }},
    {"tiffLzw",
     [] {
         pix::SaveOptions o;
         o.tiffCompression = pix::kTiffLzw;
         return ownFile(pix::kFileTiff, pix::kRgba, o);
     }},
    {"tiffG4",
     [] {
         pix::SaveOptions o;
         o.tiffCompression = pix::kTiffG4;
         return ownFile(pix::kFileTiff, pix::kMono, o);
     }},
    {"gif", [] { return magickFile("gif", {}); }},
};

// Decodes through the registry, as opening a file does.
void decodeOrRaise(const QByteArray& bytes) {
    try {
        const pix::DecodedFile f = pix::decodeBytes(view(bytes), QStringLiteral("damaged"));
        for (const pix::PixPage& p : f.pages) {
            ASSERT_FALSE(p.image.isNull());
            ASSERT_LE(int64_t(p.image.width()) * p.image.height(), pix::kMaxPixels);
        }
    } catch (const pix::PixError& e) {
        EXPECT_FALSE(e.description().isEmpty());
    }
    pix::readMetadata(view(bytes)); // never throws
}

} // namespace

class Damaged : public ::testing::TestWithParam<Sample> {};

TEST_P(Damaged, TruncationAtEveryLength) {
    const QByteArray full = GetParam().make();
    ASSERT_FALSE(full.isEmpty());
    const qsizetype step = std::max<qsizetype>(1, full.size() / 300);
    for (qsizetype n = 0; n < full.size(); n += step) decodeOrRaise(full.left(n));
}

TEST_P(Damaged, FlippedBytes) {
    const QByteArray full = GetParam().make();
    std::mt19937 random(20240601u);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = full;
        const int flips = 1 + int(random() % 4);
        for (int i = 0; i < flips; ++i)
            bytes[qsizetype(random() % uint32_t(bytes.size()))] = char(random() & 0xFF);
        decodeOrRaise(bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Damaged, ::testing::ValuesIn(kSamples),
                         [](const auto& info) { return std::string(info.param.name); });

// A mapped file that another program shortens while it is being read: the reader sees zeros past
// the new end instead of a bus error, and the read is reported as failed.
TEST(HostileInput, FileShortenedWhileMappedIsAnErrorNotACrash) {
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
