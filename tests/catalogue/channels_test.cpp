// The Channels menu through the frame's real menus: the prompts and their ranges, the merge
// question only for images with alpha, Invert Alpha, the mask items and their fit question, and
// the channel commands from the command line.
#include "catalogue/channels_catalogue.h"
#include "catalogue_fixture.h"
#include "cli/catalogue_apply.h"
#include "engine/image_type.h"

#include <QMenu>

namespace {

const QString kConstant = QStringLiteral("What Alpha? [0..255]");

// Every pixel's alpha, or -1 when they differ.
int uniformAlpha(const QImage& img) {
    const int first = qAlpha(img.pixel(0, 0));
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) != first) return -1;
    return first;
}

class ChannelsTest : public CatalogueTest {
protected:
    void choose(const char* group, int index) {
        ASSERT_TRUE(frame->chooseMenuItem(QString::fromLatin1(group), index));
    }
};

TEST_F(ChannelsTest, ConstantAlphaAsksAgainOutOfRangeAndSkipsTheMergeQuestionWithoutAlpha) {
    setImage(pix::kRgb);
    desktop.answerInput(QStringLiteral("300"));
    desktop.answerInput(QStringLiteral("64"));
    choose("mnuChannelsAlpha", 2);
    EXPECT_EQ(desktop.inputsShown, QStringList({kConstant, kConstant}));
    EXPECT_EQ(desktop.inputDefaultsShown, QStringList({"127", "127"}));
    EXPECT_EQ(image().imageType(), pix::kRgba);
    EXPECT_EQ(uniformAlpha(pixels()), 64);
    EXPECT_EQ(image().Undos(), 1);

    // An empty answer and Cancel end the command without change.
    const QImage before = pixels();
    desktop.answerInput(QString());
    choose("mnuChannelsAlpha", 2);
    desktop.answerInput(std::nullopt);
    choose("mnuChannelsAlpha", 2);
    EXPECT_EQ(image().Undos(), 1);
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
}

TEST_F(ChannelsTest, ColourMatchOnAlphaImageAsksTheMergeTypeUntilInRange) {
    QImage src = pixtest::flatImage(8, 4, qRgba(10, 200, 30, 180));
    src.setPixel(0, 0, qRgba(250, 250, 250, 100));
    setImage(src, pix::kRgba);
    desktop.answerColor(QColor(10, 200, 30));
    desktop.answerInput(QStringLiteral("5"));
    desktop.answerInput(QStringLiteral("9"));
    desktop.answerInput(QStringLiteral("0"));
    choose("mnuChannelsAlpha", 1);
    const QString merge = catalogue::mergePromptText();
    EXPECT_TRUE(merge.startsWith(
        QStringLiteral("\nPlease select one of the following merge types.\n\n0 = Replace")));
    EXPECT_EQ(desktop.inputsShown,
              QStringList({"Enter Colormatch tolerance (0..100)", merge, merge}));
    EXPECT_EQ(desktop.inputDefaultsShown, QStringList({"5", "2", "2"}));
    EXPECT_EQ(qAlpha(pixels().pixel(3, 2)), 0);   // the matched colour, replaced
    EXPECT_EQ(qAlpha(pixels().pixel(0, 0)), 255); // the rest, replaced by opaque
}

TEST_F(ChannelsTest, InvertAlphaMapsZeroTo255And200To55) {
    QImage src(2, 1, QImage::Format_ARGB32);
    src.setPixel(0, 0, qRgba(1, 2, 3, 0));
    src.setPixel(1, 0, qRgba(1, 2, 3, 200));
    setImage(src, pix::kRgba);
    choose("mnuChannelsAlpha", 3);
    EXPECT_EQ(qAlpha(pixels().pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(pixels().pixel(1, 0)), 55);
}

TEST_F(ChannelsTest, MaskMenuListsTheShippedMasksAndAskedNotToFitPlacesTheMaskAtTheOrigin) {
    QStringList listed;
    const QMenu* masks = frame->submenu(QStringLiteral("mnuChannelsAlpha"), 0);
    ASSERT_NE(masks, nullptr);
    for (const QAction* a : masks->actions())
        if (!a->isSeparator()) listed << a->text();
    listed.sort();
    EXPECT_EQ(listed, QStringList({"From File", "Linear.png", "Radial.png", "Rounded Rectangle.png",
                                   "Stars.png", "Vignette.png"}));
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuChannelsAlpha"), 0)->isVisible());

    int radial = -1;
    for (int k = 2; k < 7; ++k)
        if (frame->menuItem(QStringLiteral("mnuChannelsAlphaAddMask"), k)->text() == "Radial.png")
            radial = k;
    ASSERT_GE(radial, 2);
    for (const auto answer : {platform::Answer::No, platform::Answer::Yes}) {
        setImage(pix::kRgb, 300, 280);
        desktop.answerMessage(answer);
        choose("mnuChannelsAlphaAddMask", radial);
        EXPECT_EQ(desktop.messagesShown.last().text, QStringLiteral("Size Mask to Fit?"));
        const QImage after = pixels();
        const bool fitted = answer == platform::Answer::Yes;
        // The mask's opaque centre lies at its own centre, or at the image's when stretched.
        EXPECT_GE(qAlpha(fitted ? after.pixel(150, 140) : after.pixel(128, 128)), 250);
        EXPECT_LE(qAlpha(after.pixel(2, 2)), 3);
        // Not fitted, the pixels beyond the mask keep their alpha; fitted, the corner is clear.
        EXPECT_EQ(qAlpha(after.pixel(295, 275)), fitted ? 0 : 255);
    }
}

TEST_F(ChannelsTest, AMaskFileThatIsNoImageIsReportedAndChangesNothing) {
    setImage(pix::kRgba);
    const QImage before = pixels();
    const QString path = pixtest::tempDir() + QStringLiteral("/not-a-mask.png");
    pixtest::writeBytes(path, "plain text, no picture");
    desktop.answerOpen(path);
    desktop.answerInput(QStringLiteral("0"));
    desktop.answerMessage(platform::Answer::Yes); // Size Mask to Fit?
    desktop.answerMessage(platform::Answer::Ok);  // the error
    choose("mnuChannelsAlphaAddMask", 0);
    EXPECT_EQ(desktop.pendingAnswers(), 0);
    EXPECT_TRUE(desktop.messagesShown.last().text.startsWith(QStringLiteral("Error: ")));
    EXPECT_EQ(image().Undos(), 0);
    EXPECT_TRUE(pixtest::samePixels(pixels(), before));
}

TEST_F(ChannelsTest, ConverterReachesTheChannelCommandsAndAnswersPromptsByTheirText) {
    pix::PixImage img;
    img.setImage(pixtest::imageOfType(pix::kRgba, 12, 8), pix::kRgba, {});
    QString error;
    // The merge question goes by its first line.
    EXPECT_EQ(pixcli::applyCatalogueEntry(
                  img, "Channels/Alpha/Set Constant Alpha...",
                  {{kConstant, "40"}, {"Please select one of the following merge types.", "0"}},
                  &error),
              0)
        << qPrintable(error);
    EXPECT_EQ(uniformAlpha(img.image()), 40);
    EXPECT_EQ(pixcli::applyCatalogueEntry(img, "Channels/Alpha/Set Constant Alpha...",
                                          {{kConstant, "300"}}, &error),
              2);
    EXPECT_EQ(
        pixcli::applyCatalogueEntry(img, "Channels/Alpha/Add Alpha Mask/From File",
                                    {{"Mask file:", catalogue::alphaMaskFolder() + "/Linear.png"},
                                     {"Size Mask to Fit?", "true"}},
                                    &error),
        0)
        << qPrintable(error);
    EXPECT_LE(qAlpha(img.image().pixel(0, 4)), 40);
}

} // namespace
