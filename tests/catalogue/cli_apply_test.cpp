// Catalogue entries from the command line: the option split, entries applied with --set values
// in process, and pixendra-convert --apply run as a program.
#include "catalogue/catalogue.h"
#include "catalogue/menu_paths.h"
#include "cli/catalogue_apply.h"
#include "cli/convert_options.h"
#include "cli/convert_run.h"
#include "engine/pix_image.h"
#include "support/test_images.h"

#include "support/program_run.h"
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSet>

#include <gtest/gtest.h>

using pixcli::applyCatalogueEntry;

namespace {

void blank(pix::PixImage& img, int w, int h, uint32_t bgr = 0x204060) {
    img.CreateBlank(w, h, pix::MakeColor(bgr, 255), 5, QStringLiteral("No Undo"));
}

} // namespace

TEST(CliApply, OptionsAreTakenOutInOrder) {
    QStringList args = {"in.png",
                        "--apply",
                        "Transforms/Resize...",
                        "--set",
                        "Width:=20",
                        "--jpeg-quality",
                        "80",
                        "--set=Method:=Simple",
                        "--apply=Effects/Crackle",
                        "out.png"};
    const QList<pixcli::ApplyStep> steps = pixcli::takeApplyOptions(args);
    EXPECT_EQ(args, QStringList({"in.png", "--jpeg-quality", "80", "out.png"}));
    ASSERT_EQ(steps.size(), 2);
    EXPECT_EQ(steps[0].menuPath, QStringLiteral("Transforms/Resize..."));
    ASSERT_EQ(steps[0].sets.size(), 2);
    EXPECT_EQ(steps[0].sets[0], (QPair<QString, QString>{"Width:", "20"}));
    EXPECT_EQ(steps[0].sets[1], (QPair<QString, QString>{"Method:", "Simple"}));
    EXPECT_TRUE(steps[1].sets.isEmpty());

    QStringList early = {"--set", "Width:=2", "--apply", "Effects/Crackle"};
    EXPECT_THROW(pixcli::takeApplyOptions(early), pixcli::UsageError);
    QStringList noValue = {"--apply"};
    EXPECT_THROW(pixcli::takeApplyOptions(noValue), pixcli::UsageError);
    QStringList noEquals = {"--apply", "Effects/Crackle", "--set", "Depth"};
    EXPECT_THROW(pixcli::takeApplyOptions(noEquals), pixcli::UsageError);
}

TEST(CliApply, ResizeFollowsTheLinkedRowsAndTakesListItemsByTextOrPosition) {
    pix::PixImage img;
    QString error;
    blank(img, 400, 300);
    EXPECT_EQ(
        applyCatalogueEntry(
            img, "Transforms/Resize...",
            {{"Keep Aspect Ratio:", "false"}, {"Width:", "40"}, {"Method:", "Lanczos3 Filter"}},
            &error),
        0);
    EXPECT_EQ(img.image().size(), QSize(40, 300));

    blank(img, 400, 300);
    EXPECT_EQ(applyCatalogueEntry(img, "Transforms/Resize...",
                                  {{"Height:", "101"}, {"Method:", "0"}}, &error),
              0);
    EXPECT_EQ(img.image().size(), QSize(135, 101));
}

TEST(CliApply, ColoursChecksAndNumbersReachTheEngine) {
    pix::PixImage img;
    QString error;
    blank(img, 20, 10);
    ASSERT_EQ(applyCatalogueEntry(img, "Effects/Add Border",
                                  {{"Border Thickness", "2"}, {"Border Color", "#FF8000"}}, &error),
              0)
        << error.toStdString();
    EXPECT_EQ(img.image().size(), QSize(24, 14));
    EXPECT_EQ(img.image().pixel(0, 0) & 0xFFFFFF, 0xFF8000u);
    EXPECT_EQ(img.image().pixel(2, 2) & 0xFFFFFF, 0x604020u);
}

TEST(CliApply, UnknownPathsCaptionsAndValuesListTheValidOnes) {
    pix::PixImage img;
    QString error;
    blank(img, 20, 10);
    EXPECT_EQ(applyCatalogueEntry(img, "Effects/Nope", {}, &error), 2);
    EXPECT_TRUE(error.contains("Effects/Motion Blur")) << error.toStdString();
    EXPECT_TRUE(error.contains("Transforms/Resize Canvas...")) << error.toStdString();
    EXPECT_FALSE(error.contains("Warp")) << "the warp needs a line on the image";

    EXPECT_EQ(applyCatalogueEntry(img, "Effects/Warp Image...", {}, &error), 2);
    EXPECT_TRUE(error.contains("line")) << error.toStdString();

    EXPECT_EQ(applyCatalogueEntry(img, "Effects/Crackle", {{"Depth:", "5"}}, &error), 2);
    EXPECT_TRUE(error.contains("\"Depth [1..100]:\"")) << error.toStdString();
    EXPECT_TRUE(error.contains("\"Mode [0..4]:\"")) << error.toStdString();

    EXPECT_EQ(applyCatalogueEntry(img, "Effects/Crackle", {{"Depth [1..100]:", "deep"}}, &error),
              2);
    EXPECT_TRUE(error.contains("a number")) << error.toStdString();
    EXPECT_EQ(applyCatalogueEntry(img, "Effects/Motion Blur", {{"Style:", "Spiral"}}, &error), 2);
    EXPECT_TRUE(error.contains("\"Radial\"")) << error.toStdString();
    EXPECT_EQ(applyCatalogueEntry(img, "Effects/Motion Blur", {{"Style:", "3"}}, &error), 2);
    EXPECT_EQ(
        applyCatalogueEntry(img, "Transforms/Rotate...", {{"Background Color:", "red"}}, &error),
        2);
    EXPECT_TRUE(error.contains("#RRGGBB")) << error.toStdString();
    EXPECT_EQ(applyCatalogueEntry(img, "Transforms/Skew...", {{"Fast", "yes"}}, &error), 2);
    EXPECT_TRUE(error.contains("true or false")) << error.toStdString();
    EXPECT_EQ(img.image().size(), QSize(20, 10)) << "nothing ran";
}

TEST(CliApply, FiltersPresetsPreviewAndColourDialogsRunFromTheirPaths) {
    struct Case {
        const char* path;
        QList<QPair<QString, QString>> sets;
        int exit;
    };
    const Case cases[] = {
        {"Filters/Mean Filters/Arithmetic Mean", {{"Filter Size:", "5"}}, 0},
        {"Filters/Adjustment Filters/Brightness & Contrast...",
         {{"Brightness", "20"}, {"Contrast", "-10"}},
         0},
        {"Filters/Special Filters/Duotone...", {{"Color", "#FF8000"}}, 0},
        {"Filters/Colorize...", {{"Color", "#FF8000"}, {"Lum", "true"}}, 0},
        {"Filters/Negative/By Color...", {{"Color", "#FFFFFF"}}, 0},
        {"Channels/RGB/Adjust...", {{"Red", "-128"}, {"Adjust Type", "Adjust Percent"}}, 0},
        {"Channels/RGB/Shift...", {{"Offset X", "10"}, {"Green", "true"}}, 0},
        {"Channels/HSL/Adjust...", {{"Hue", "30"}}, 0},
        {"Filters/Adjustment Filters/Brightness & Contrast...", {{"Brightness", "101"}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        pix::PixImage img;
        img.setImage(pixtest::gradientImage(40, 30), 5, QStringLiteral("No Undo"));
        const QImage before = img.image();
        QString error;
        EXPECT_EQ(applyCatalogueEntry(img, c.path, c.sets, &error), c.exit) << error.toStdString();
        EXPECT_EQ(pixtest::samePixels(img.image(), before), c.exit != 0);
    }
}

// Every entry of every table has a menu path and runs from it with its first values (a palette
// file given where a file dialog asks): done with no message, or refused with the reason and the
// image untouched. Only the entries that need a person, a selection, a 1-bit image or a line on
// the image refuse.
TEST(CliApply, EveryEntryRunsFromItsMenuPathOrSaysWhyNot) {
    const QString pal = pixtest::tempDir() + QStringLiteral("/grey.pal");
    QByteArray levels;
    for (int i = 0; i < 768; ++i) levels.append(char(i / 12));
    pixtest::writeBytes(pal, levels);
    // Refused: 2 where a person must answer, 1 where the image or the run cannot serve.
    const QMap<QString, int> refused = {{"Channels/Alpha/Add Alpha Mask/From File", 2},
                                        {"Channels/Alpha/Add Alpha by Color...", 2},
                                        {"Channels/Alpha/Flatten onto Color...", 2},
                                        {"Channels/Alpha/Antialias (Blur Alpha)", 2},
                                        {"Effects/AutoDeskew", 1},
                                        {"File/Encryption/Encrypt Image", 2},
                                        {"File/Encryption/Decrypt Image", 2},
                                        {"Effects/Warp Image...", 2},
                                        {"Filters/Red Eye Reduction", 1},
                                        {"Transforms/Bump Map", 1},
                                        {"Transforms/Crop/Selection", 1}};
    QSet<const catalogue::Entry*> reached;
    for (const catalogue::MenuEntry& m : catalogue::menuEntries()) {
        SCOPED_TRACE(m.path.toStdString());
        EXPECT_FALSE(reached.contains(m.entry)) << "one path per entry";
        reached.insert(m.entry);
        pix::PixImage img;
        img.setImage(pixtest::gradientImage(64, 48), 5, QStringLiteral("No Undo"));
        const QImage before = img.image();
        QList<QPair<QString, QString>> sets;
        if (m.entry->input == catalogue::Input::File) sets = {{"Palette File:", pal}};
        QString error;
        const int code = applyCatalogueEntry(img, m.path, sets, &error);
        EXPECT_EQ(code, refused.value(m.path, 0)) << error.toStdString();
        EXPECT_EQ(error.isEmpty(), code == 0) << error.toStdString();
        if (code != 0) {
            EXPECT_TRUE(pixtest::samePixels(img.image(), before));
        }
    }
    EXPECT_TRUE(catalogue::menuPath("mnuEffects", 6).isEmpty()) << "an unused index";
    // Items the program adds at run time (the shipped masks) have no fixed path.
    for (const catalogue::Catalogue* t : catalogue::allCatalogues())
        for (const catalogue::Entry& e : t->entries)
            EXPECT_TRUE(reached.contains(&e) || e.coversFollowing) << t->actionName << e.index;
}

#ifdef PIXENDRA_CONVERT

namespace {

pixtest::ProgramRun convert(const QStringList& args) {
    return pixtest::runProgram(QStringLiteral(PIXENDRA_CONVERT), args);
}

} // namespace

TEST(CliApplyProgram, ResizesAndBlursOnTheWayThrough) {
    const QString dir = pixtest::tempDir();
    ASSERT_TRUE(pixtest::gradientImage(64, 48).save(dir + "/in.png"));
    const pixtest::ProgramRun r = convert(
        {dir + "/in.png", dir + "/out.png", "--apply", "Transforms/Resize...", "--set", "Width:=32",
         "--set", "Method:=Lanczos3 Filter", "--apply", "Effects/Motion Blur"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QImage out(dir + "/out.png");
    EXPECT_EQ(out.size(), QSize(32, 24));
    pix::PixImage expected;
    expected.setImage(pixtest::gradientImage(64, 48), 5, QStringLiteral("No Undo"));
    QString error;
    applyCatalogueEntry(expected, "Transforms/Resize...",
                        {{"Width:", "32"}, {"Method:", "Lanczos3 Filter"}}, &error);
    applyCatalogueEntry(expected, "Effects/Motion Blur", {}, &error);
    EXPECT_TRUE(pixtest::samePixels(out, expected.image())) << "the same entries as in process";
}

TEST(CliApplyProgram, APaletteFileIsCheckedBeforeTheImageIsWritten) {
    const QString dir = pixtest::tempDir();
    ASSERT_TRUE(pixtest::gradientImage(8, 8).save(dir + "/in.png"));
    pixtest::writeBytes(dir + "/short.pal", QByteArray(767, '\0'));
    const pixtest::ProgramRun r = convert({dir + "/in.png", dir + "/out.png", "--apply",
                                           "Effects/Apply Palette/Palette File...", "--set",
                                           "Palette File:=" + dir + "/short.pal"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(dir + "/short.pal is not a valid palette file."))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir + "/out.png"));
}

TEST(CliApplyProgram, UnknownPathExitsNonZeroListingTheValidOnes) {
    const QString dir = pixtest::tempDir();
    ASSERT_TRUE(pixtest::gradientImage(8, 8).save(dir + "/in.png"));
    const pixtest::ProgramRun r =
        convert({dir + "/in.png", dir + "/out.png", "--apply", "Effects/Sparkle"});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains("Effects/Histogram Equalize")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir + "/out.png"));
    const pixtest::ProgramRun bad =
        convert({dir + "/in.png", dir + "/out.png", "--apply", "Effects/Emboss Shape", "--set",
                 "Shadow Opacity:=300"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(bad.err.contains("0..255")) << bad.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir + "/out.png"));
}

#endif

TEST(CliApply, TheBumpMapTakesItsImageAsAFileRow) {
    pix::PixImage img;
    QString error;
    img.setImage(pixtest::gradientImage(40, 30), 5, QStringLiteral("No Undo"));
    const QImage before = img.image();
    // Without its image the bump map refuses, saying why; an empty path is no file.
    EXPECT_EQ(applyCatalogueEntry(img, "Transforms/Bump Map", {}, &error), pixcli::kExitFailed);
    EXPECT_TRUE(error.contains(QStringLiteral("No bump map image"))) << error.toStdString();
    EXPECT_EQ(applyCatalogueEntry(img, "Transforms/Bump Map", {{"Bump Map Image", " "}}, &error),
              pixcli::kExitUsage);
    EXPECT_TRUE(error.contains(QStringLiteral("a file's path"))) << error.toStdString();
    EXPECT_TRUE(pixtest::samePixels(img.image(), before));

    const QString relief = pixtest::tempDir() + QStringLiteral("/relief.png");
    ASSERT_TRUE(pixtest::gradientImage(16, 16).save(relief));
    EXPECT_EQ(applyCatalogueEntry(img, "Transforms/Bump Map", {{"Bump Map Image", relief}}, &error),
              0)
        << error.toStdString();
    EXPECT_FALSE(pixtest::samePixels(img.image(), before));
}
