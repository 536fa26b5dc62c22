// The demonstrations: the keystream against the published ChaCha20 vector, encryption as a keyed
// bijection on every page type (also across a lossless save and the converter), the colour grid's
// colours, the alternating-line flips, and the menu flows.
#include "catalogue/demos_catalogue.h"
#include "catalogue_fixture.h"
#include "engine/demos.h"
#include "engine/image_type.h"
#include "engine/ops/colour_grid.h"
#include "engine/ops/scramble.h"
#include "info/frm_progress.h"
#include "support/program_run.h"
#include "support/typing.h"

#include <QLabel>

namespace {

// Gives `img` the test gradient as a page of `type`.
void setPicture(pix::PixImage& img, int type, int w = 37, int h = 23) {
    img.setImage(pixtest::imageOfType(type, w, h), type, QStringLiteral("No Undo"));
}

} // namespace

TEST(Keystream, MatchesTheChaCha20BlockTestVector) {
    // RFC 8439, 2.3.2: key 00..1f, nonce 00:00:00:09:00:00:00:4a:00:00:00:00, block count 1.
    pix::ops::ChaChaKey key;
    for (uint32_t i = 0; i < 8; ++i)
        key[i] = (4 * i) | (4 * i + 1) << 8 | (4 * i + 2) << 16 | (4 * i + 3) << 24;
    const QByteArray expected =
        QByteArray::fromHex("10f1e7e4d13b5915500fdd1fa32071c4c7d1f4c733c068030422aa9ac3d46c4e"
                            "d2826446079faa0914c2d705d98b02a2b5129cd1de164eb9cbd083e8a2503c4e");
    // Nine blocks from 0: the wanted one lies in the second lane group's reach too.
    uint32_t words[9 * 16];
    pix::ops::chacha20Blocks(key, {0x09000000u, 0x4a000000u, 0}, 0, 9, words);
    QByteArray block;
    for (int w = 16; w < 32; ++w)
        for (int b = 0; b < 4; ++b) block.append(char(words[w] >> (8 * b)));
    EXPECT_EQ(block.toHex(), expected.toHex());
    uint32_t alone[16];
    pix::ops::chacha20Blocks(key, {0x09000000u, 0x4a000000u, 0}, 1, 1, alone);
    EXPECT_TRUE(std::equal(alone, alone + 16, words + 16)) << "a block is the same at any offset";
}

TEST(Encryption, IsAKeyedBijectionThatKeepsSizeTypeAndAlphaOnEveryType) {
    for (int type = 0; type < pix::kImageTypeCount; ++type) {
        SCOPED_TRACE(type);
        pix::PixImage img;
        setPicture(img, type);
        const QImage original = img.image();
        pix::Effects::Encrypt(img, QStringLiteral("1234"));
        const QImage scrambled = img.image();
        EXPECT_EQ(scrambled.format(), original.format());
        EXPECT_EQ(scrambled.colorTable(), original.colorTable());
        EXPECT_EQ(img.imageType(), type);
        EXPECT_GT(pixtest::maxChannelDiff(scrambled, original), 0);
        if (pix::typeHasAlpha(type) && type != pix::kIndexedAlpha) {
            EXPECT_TRUE(pixtest::samePixels(scrambled.convertToFormat(QImage::Format_Alpha8),
                                            original.convertToFormat(QImage::Format_Alpha8)));
        }
        pix::Effects::Decrypt(img, QStringLiteral("1235"));
        EXPECT_FALSE(pixtest::samePixels(img.image(), original)) << "another key";
        pix::Effects::Encrypt(img, QStringLiteral("1235"));
        pix::Effects::Decrypt(img, QStringLiteral("1234"));
        EXPECT_TRUE(pixtest::samePixels(img.image(), original));
        EXPECT_THROW(pix::Effects::Encrypt(img, QString()), pix::PixError);
    }
    // A lossless file keeps the scrambled pixels: decrypting the reopened file restores them.
    pix::PixImage img;
    setPicture(img, pix::kRgba, 300, 200);
    const QImage original = img.image();
    pix::Effects::Encrypt(img, QStringLiteral("77"));
    const QString path = pixtest::tempDir() + QStringLiteral("/scrambled.png");
    img.SaveToFile(path, 0, 0, false);
    pix::PixImage reopened;
    reopened.LoadFromFile(path, QStringLiteral("No Undo"));
    pix::Effects::Decrypt(reopened, QStringLiteral("77"));
    EXPECT_TRUE(pixtest::samePixels(reopened.image(), original));
}

TEST(ColourGrid, LinesEveryEightPixelsInTheGridColoursAndNothingBetween) {
    pix::PixImage img;
    img.CreateBlank(256, 128, pix::MakeColor(0x123456, 255), pix::kIndexed,
                    QStringLiteral("No Undo"));
    const QRgb between = img.image().pixel(3, 5);
    pix::Effects::DrawColorGrid(img, QStringLiteral("Draw Color Grid"));
    EXPECT_EQ(img.imageType(), pix::kRgb);
    EXPECT_EQ(img.image().pixel(8, 5), qRgb(8, 10, 246));
    EXPECT_EQ(img.image().pixel(3, 5), between);
    EXPECT_EQ(img.image().pixel(255, 120), qRgb(254, 239, 8)); // red 254, green 239, blue 8.5 -> 8
    EXPECT_EQ(img.Undos(), 1);
    EXPECT_EQ(img.history().undoLabel(), QStringLiteral("Draw Color Grid"));
}

TEST(FlipAlternateLines, MirrorsEvenLinesWholeAndKeepsTheOthers) {
    for (const QSize size : {QSize(5, 4), QSize(8, 3), QSize(4, 8)}) {
        for (const bool horizontal : {true, false}) {
            SCOPED_TRACE(::testing::Message() << size.width() << "x" << size.height()
                                              << (horizontal ? " horizontal" : " vertical"));
            pix::PixImage img;
            setPicture(img, pix::kRgba, size.width(), size.height());
            const QImage before = img.image();
            pix::RawBits bits = pix::GetBits(img);
            catalogue::flipAlternateLines(bits, horizontal);
            pix::SetBits(img, bits);
            const QImage after = img.image();
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x) {
                    const bool mirrored = (horizontal ? y : x) % 2 == 0;
                    const QPoint from = !mirrored    ? QPoint(x, y)
                                        : horizontal ? QPoint(size.width() - 1 - x, y)
                                                     : QPoint(x, size.height() - 1 - y);
                    EXPECT_EQ(after.pixel(x, y), before.pixel(from)) << x << "," << y;
                }
        }
    }
    pix::PixImage img;
    setPicture(img, pix::kIndexed, 4, 4);
    pix::RawBits bits = pix::GetBits(img);
    bits.at(0, 1, 1) = uint8_t(img.image().colorCount()); // past the colour table
    EXPECT_THROW(pix::SetBits(img, bits), pix::PixError);
}

class DemosMenus : public CatalogueTest {};

TEST_F(DemosMenus, EncryptAndDecryptThroughTheKeyDialogs) {
    setImage(pix::kRgb);
    const QImage before = pixels();
    auto key = [](const char* title, const char* k) {
        return pixtest::pressOk([=](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QString::fromLatin1(title));
            // The key is typed; back in the box, a letter is taken back at once (a key is a
            // number).
            QLineEdit* t = asDialog(d).txtText(0);
            d.show();
            pixtest::typeInto(t, QString::fromLatin1(k));
            pixtest::leave(t);
            pixtest::typeInto(t, QString::fromLatin1(k) + QLatin1Char('x'));
            EXPECT_EQ(t->text(), QString::fromLatin1(k));
        });
    };
    desktop.answerModal(key("Encryption", "4711"));
    frame->chooseMenuItem(QStringLiteral("mnuDemosEncrypt"));
    EXPECT_FALSE(pixtest::samePixels(pixels(), before));
    desktop.answerModal(pixtest::pressCancel());
    frame->chooseMenuItem(QStringLiteral("mnuDemosDecrypt"));
    desktop.answerModal(key("Decryption", "4711"));
    frame->chooseMenuItem(QStringLiteral("mnuDemosDecrypt"));
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
    EXPECT_EQ(image().Undos(), 2) << "the cancelled dialog left no step";
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuDemosEncrypt"))
                    ->statusTip()
                    .contains(QLatin1String("no protection for secrets")));
}

TEST_F(DemosMenus, TheGridShowsItsOwnProgressText) {
    setImage(pix::kRgb, 64, 48);
    frame->chooseMenuItem(QStringLiteral("mnuDemosGrid"));
    EXPECT_EQ(frmProgress::instance().lblProgressText->text(),
              QStringLiteral("Drawing Color Grid"));
    EXPECT_FALSE(frmProgress::instance().isVisible());
    EXPECT_EQ(image().image().pixel(8, 0), 0xFF000000u | pix::ops::gridColour(8, 0, 64, 48));
}

#ifdef PIXENDRA_CONVERT

TEST(DemosProgram, TheConverterEncryptsAndDecryptsWithTheKeyRow) {
    const QString dir = pixtest::tempDir();
    const QImage original = pixtest::gradientImage(64, 48);
    ASSERT_TRUE(original.save(dir + "/in.png"));
    auto run = [&](const char* from, const char* to, const char* item, const char* set) {
        const pixtest::ProgramRun r =
            pixtest::runProgram(QStringLiteral(PIXENDRA_CONVERT),
                                {dir + from, dir + to, "--apply", item, "--set", set});
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
    };
    run("/in.png", "/enc.png", "File/Encryption/Encrypt Image", "Encryption Key:=1234");
    run("/enc.png", "/dec.png", "File/Encryption/Decrypt Image", "Decryption Key:=1234");
    EXPECT_FALSE(pixtest::samePixels(QImage(dir + "/enc.png"), original));
    EXPECT_TRUE(pixtest::samePixels(QImage(dir + "/dec.png"), original));
}

#endif
