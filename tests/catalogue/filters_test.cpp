// The Filters menus through the document: the brightness and contrast preview dialog (its check
// box pair, coalesced previews, Apply at 0, 0), and the fixed arguments of the presets checked
// against the engine called directly.
#include "adjust/preview_dialog.h"
#include "catalogue/asks.h"
#include "catalogue/filters_catalogue.h"
#include "catalogue_fixture.h"
#include "engine/image_type.h"
#include "engine/processor_area.h"
#include "engine/processor_point.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <algorithm>
#include <cstring>

namespace {

const catalogue::Catalogue& table(const char* action) {
    for (const catalogue::Catalogue* c : catalogue::filtersCatalogues())
        if (std::strcmp(c->actionName, action) == 0) return *c;
    throw std::logic_error("no such catalogue");
}

} // namespace

TEST_F(CatalogueTest, BrightnessContrastPreviewFollowsItsCheckBoxes) {
    setImage(pixtest::gradientImage(900, 300), 5);
    const QImage before = pixels();
    desktop.answerModal([](QDialog& d) {
        auto& dlg = static_cast<PreviewDialog&>(d);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Adjust Brightness and Contrast"));
        QScrollBar* brightness = dlg.scroll(0);
        // A wide image fills the box's width: its side is the smaller of the free width and
        // height, and the box is centred on the preview's own size.
        EXPECT_EQ(dlg.picPreview->width(), dlg.previewSize());
        EXPECT_LT(dlg.picPreview->height(), dlg.previewSize());

        // Real-time: many moves, one coalesced preview at the last value.
        QCoreApplication::processEvents();
        const int first = dlg.previewsComputed();
        EXPECT_EQ(first, 0) << "nothing computed before a change";
        for (int v = 1; v <= 50; ++v) brightness->setValue(v);
        EXPECT_EQ(dlg.caption(0)->text(), QStringLiteral("Brightness: 50"));
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.previewsComputed(), first + 1);

        // Delayed: checking it redraws once; then a dragged thumb changes the label only, and
        // the release updates the preview.
        dlg.chkDelayedPreview->click();
        EXPECT_FALSE(dlg.chkRealTimePreview->isChecked());
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.previewsComputed(), first + 2);
        brightness->setSliderDown(true);
        brightness->setValue(60);
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.caption(0)->text(), QStringLiteral("Brightness: 60"));
        EXPECT_EQ(dlg.previewsComputed(), first + 2);
        brightness->setSliderDown(false);
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.previewsComputed(), first + 3);

        // Neither box: a blank preview and no engine work until a box is checked again.
        dlg.chkDelayedPreview->click();
        EXPECT_TRUE(dlg.picPreview->pixmap().isNull());
        dlg.scroll(1)->setValue(-30);
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.caption(1)->text(), QStringLiteral("Contrast: -30"));
        EXPECT_EQ(dlg.previewsComputed(), first + 3);
        dlg.chkRealTimePreview->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(dlg.previewsComputed(), first + 4);
        EXPECT_FALSE(dlg.picPreview->pixmap().isNull());
        dlg.btnCancel->click();
        return dlg.result();
    });
    doc->runCatalogue(table("Filters"), 2);
    EXPECT_TRUE(pixtest::samePixels(pixels(), before)) << "Cancel leaves the image";
    EXPECT_EQ(image().Undos(), 0);

    // Apply at 0, 0 still calls the engine: one step, and a brightening applies.
    for (int brightness : {0, 40}) {
        desktop.answerModal([brightness](QDialog& d) {
            auto& dlg = static_cast<PreviewDialog&>(d);
            dlg.scroll(0)->setValue(brightness);
            dlg.btnApply->click();
            return dlg.result();
        });
        doc->runCatalogue(table("Filters"), 2);
    }
    EXPECT_EQ(image().Undos(), 2);
    EXPECT_GT(qRed(pixels().pixel(10, 10)), qRed(before.pixel(10, 10)));
}

TEST(FiltersPresets, PassTheirFixedArgumentsToTheEngine) {
    struct Case {
        const char* action;
        int index;
        std::function<void(pix::PixImage&)> direct;
    };
    namespace pr = pix::Processor;
    const pix::ops::Element element{3, 3, {1, 1, 1, 1, 2, 1, 1, 1, 1}};
    const Case cases[] = {
        {"FiltersGammaAction", 3, [](pix::PixImage& i) { pr::Gamma(i, 1.5); }},
        {"FiltersGammaAction", 0, [](pix::PixImage& i) { pr::Gamma(i, 0.75); }},
        {"FiltersSoftenAction", 3, [](pix::PixImage& i) { pr::Soften(i, 100); }},
        {"FiltersIntensifyAction", 5, [](pix::PixImage& i) { pr::Intensity(i, -100); }},
        {"FiltersMorpho", 4, [&](pix::PixImage& i) { pr::Morphology(i, element, 4); }},
        {"FiltersBlurAction", 9, [](pix::PixImage& i) { pr::GaussianBlur(i, 500); }},
        {"FiltersNegativeCols", 0,
         [](pix::PixImage& i) { pr::Negative(i, pix::MakeColor(0x0000FF, 255)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + "(" + std::to_string(c.index) + ")");
        pix::PixImage viaTable, direct;
        viaTable.setImage(pixtest::gradientImage(40, 30), 5, QStringLiteral("No Undo"));
        direct.setImage(viaTable.image(), 5, QStringLiteral("No Undo"));
        const catalogue::Entry* entry = table(c.action).find(c.index);
        ASSERT_NE(entry, nullptr);
        entry->call(viaTable, catalogue::Values(*entry, viaTable));
        c.direct(direct);
        EXPECT_TRUE(pixtest::samePixels(viaTable.image(), direct.image()));
    }
}

TEST_F(CatalogueTest, TextRowsRoundAsTheirArgumentsDo) {
    // Tint takes a whole number (1.5 rounds to the even 2), Saturation a real number.
    auto runWith = [this](int index, const char* text) {
        setImage(pixtest::gradientImage(30, 20), 5);
        desktop.answerModal(pixtest::pressOk(
            [text](QDialog& d) { asDialog(d).txtText(0)->setText(QString::fromLatin1(text)); }));
        doc->runCatalogue(table("Filters"), int16_t(index));
        return pixels();
    };
    EXPECT_TRUE(pixtest::samePixels(runWith(38, "1.5"), runWith(38, "2")));
    EXPECT_FALSE(pixtest::samePixels(runWith(39, "1.5"), runWith(39, "2")));
    EXPECT_FALSE(pixtest::samePixels(runWith(39, "1.5"), runWith(39, "1")));
}

TEST(CatalogueCalls, EveryEntryGivesTheSamePixelsHoweverItsRowsAreSplit) {
    // Without a progress handler the rows go to the pool in a few wide bands; with one, in many
    // narrow chunks. Entries whose two plain runs differ (fresh noise) have nothing to compare.
    const QImage src = pixtest::gradientImage(230, 500, true);
    int compared = 0;
    for (const catalogue::Catalogue* table : catalogue::allCatalogues())
        for (const catalogue::Entry& entry : table->entries) {
            // Entries that need a selection, a 1-bit image, a file or a person's answer have none
            // of them here.
            if (!entry.call || !catalogue::rowsWithoutFirstValue(entry).empty() ||
                entry.precondition || entry.input == catalogue::Input::File ||
                std::any_of(entry.rows.begin(), entry.rows.end(), [](const catalogue::Row& r) {
                    return r.kind == catalogue::RowKind::File;
                }))
                continue;
            SCOPED_TRACE(std::string(table->actionName) + "(" + std::to_string(entry.index) + ")");
            pix::PixImage runs[3];
            for (int k = 0; k < 3; ++k) {
                runs[k].setImage(src, pix::kRgba, QStringLiteral("No Undo"));
                if (k == 2) runs[k].setProgressHandler([](int) { return true; });
                entry.call(runs[k], catalogue::Values(entry, runs[k]));
            }
            if (!pixtest::samePixels(runs[0].image(), runs[1].image())) continue;
            EXPECT_TRUE(pixtest::samePixels(runs[0].image(), runs[2].image()));
            ++compared;
        }
    EXPECT_GT(compared, 60);
}
