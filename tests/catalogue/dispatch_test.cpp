// The skeleton without windows: value conversions, the aspect link, and how runEntry treats
// cancels, failures and the working copy.
#include "catalogue/dispatch.h"
#include "catalogue/effects_catalogue.h"
#include "engine/pix_image.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

using namespace catalogue;

namespace {

// A source that applies a fixed edit, or cancels.
class FakeSource : public ParameterSource {
public:
    std::function<void(Values&)> edit;
    bool cancel = false;
    int asked = 0;
    bool fill(const Entry&, Values& values) override {
        ++asked;
        if (edit) edit(values);
        return !cancel;
    }
};

// A small table of its own, so the skeleton is checked apart from any real catalogue.
const Catalogue& testTable() {
    static const Catalogue table{
        "mnuTest",
        "Test",
        {{.index = 1,
          .title = QStringLiteral("Paint"),
          .rows = {text(QStringLiteral("Amount:"), QStringLiteral("12abc")),
                   colour(QStringLiteral("Colour:"), 0x0000FF),
                   text(QStringLiteral("Opacity:"), QStringLiteral("255")),
                   list(QStringLiteral("Mode:"), {QStringLiteral("a"), QStringLiteral("b")}, 1),
                   check(QStringLiteral("Fast"), true)},
          .call = [](pix::PixImage& img, const Values& v) {
              const pix::EngineColor c = v.colour(1, v.byte(2));
              img.modifyPage(QString(), [&](pix::PixPage& p) { p.image.fill(pix::toQRgb(c)); });
              img.modifyPage(QString(), [&](pix::PixPage& p) {
                  p.image.setPixel(0, 0, qRgb(v.integer(0), v.position(3), v.check(4)));
              });
          }}}};
    return table;
}

pix::PixImage& blankImage(pix::PixImage& img, int w = 8, int h = 6) {
    img.CreateBlank(w, h, pix::MakeColor(0xFFFFFF, 255), 6, QStringLiteral("No Undo"));
    return img;
}

Values valuesWithText(const QString& t) {
    static pix::PixImage img;
    blankImage(img);
    Values v(testTable().entries[0], img);
    v[0].text = t;
    return v;
}

} // namespace

TEST(CatalogueValues, BadNumbersFailAsEngineErrorsNamingTheRowAndTheEntry) {
    EXPECT_THROW(valuesWithText(QStringLiteral("3e9")).integer(0), pix::PixError);
    Values v = valuesWithText(QStringLiteral("0"));
    v[2].text = QStringLiteral("300");
    try {
        v.byte(2);
        FAIL() << "300 is not a byte";
    } catch (const pix::PixError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("Opacity:"))) << e.what();
        EXPECT_TRUE(e.description().contains(QStringLiteral("300")));
        EXPECT_EQ(e.source(), QStringLiteral("Paint"));
    }
}

TEST(CatalogueValues, FirstValuesComeFromTheRowsAndTheWorkingCopy) {
    pix::PixImage img;
    blankImage(img, 31, 17);
    const Entry& resize = *effectsCatalogue().find(2);
    const Values v(resize, img);
    EXPECT_EQ(v[0].text, QStringLiteral("31"));
    EXPECT_EQ(v[1].text, QStringLiteral("17"));
    EXPECT_EQ(v.position(2), 3);
    EXPECT_TRUE(v.check(3));
    EXPECT_THROW(v.check(0), std::logic_error) << "a text row is not a check row";
    const Values p(testTable().entries[0], img);
    EXPECT_EQ(p.colour(1, 128), pix::MakeColor(0x0000FF, 128));
}

TEST(CatalogueRun, AppliesCancelsAndTrapsFailures) {
    pix::PixImage img;
    blankImage(img);
    FakeSource source;
    RunResult r = runEntry(testTable(), 1, img, source);
    EXPECT_EQ(r.outcome, Outcome::Applied);
    EXPECT_TRUE(r.workingChanged);
    EXPECT_EQ(img.image().pixel(0, 0), qRgb(12, 1, 1));
    EXPECT_EQ(img.image().pixel(3, 3), qRgb(255, 0, 0)); // 0x0000FF is red

    blankImage(img);
    source.cancel = true;
    r = runEntry(testTable(), 1, img, source);
    EXPECT_EQ(r.outcome, Outcome::Cancelled);
    EXPECT_FALSE(r.workingChanged);
    EXPECT_EQ(img.image().pixel(3, 3), qRgb(255, 255, 255));

    source.cancel = false;
    // A failure after a first engine change: the change is reported for writing back.
    source.edit = [](Values& v) { v[0].text = QStringLiteral("1e12"); };
    r = runEntry(testTable(), 1, img, source);
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_TRUE(r.workingChanged);

    // No entry: nothing is asked.
    source.asked = 0;
    r = runEntry(testTable(), 2, img, source);
    EXPECT_EQ(r.outcome, Outcome::NoOperation);
    EXPECT_EQ(source.asked, 0);
}

TEST(CatalogueRun, AnEngineFailureIsReturnedNotThrown) {
    pix::PixImage img;
    blankImage(img);
    FakeSource source;
    source.edit = [](Values& v) {
        v[0].text = QStringLiteral("0"); // a 0 x 0 resize
        v[1].text = QStringLiteral("0");
    };
    const RunResult r = runEntry(effectsCatalogue(), 2, img, source);
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_TRUE(r.error.has_value());
    EXPECT_EQ(img.width(), 8);
}

TEST(CatalogueLink, KeepsTheProportionsOfTheWholeImage) {
    const AspectLink link{0, 1, 3};
    const QSize doc(400, 300);
    auto height = linkedEdit(link, 0, QStringLiteral("200"), doc);
    ASSERT_TRUE(height.has_value());
    EXPECT_EQ(height->row, 1);
    EXPECT_EQ(height->text, QStringLiteral("150"));
    auto width = linkedEdit(link, 1, QStringLiteral("101"), doc);
    ASSERT_TRUE(width.has_value());
    EXPECT_EQ(width->row, 0);
    EXPECT_EQ(width->text, QStringLiteral("135")); // 134.67
    EXPECT_EQ(linkedEdit(link, 0, QStringLiteral("2"), QSize(4, 3))->text, QStringLiteral("2"))
        << "1.5 rounds to the even 2";
    EXPECT_EQ(linkedEdit(link, 0, QStringLiteral("6"), QSize(4, 3))->text, QStringLiteral("4"))
        << "4.5 rounds to the even 4";
    EXPECT_FALSE(linkedEdit(link, 2, QStringLiteral("5"), doc).has_value());
    EXPECT_FALSE(linkedEdit(link, 0, QStringLiteral("1e300"), doc).has_value());
    EXPECT_FALSE(linkedEdit(link, 0, QStringLiteral("5"), QSize()).has_value());
}
