// One sweep over every catalogue table: every menu index of the table's group, on every image
// type, with and without a selection, answered OK with the rows' first values. An index of the
// menus or of a table without an expectation here fails the sweep.
#include "adjust/frm_transforms.h"
#include "adjust/preview_dialog.h"
#include "catalogue/catalogue.h"
#include "catalogue/channels_catalogue.h"
#include "catalogue/menu_table.h"
#include "catalogue_fixture.h"
#include "document/document_actions.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/image_type.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace {

// What answering an index with the rows' first values must do.
enum class Expect {
    Changes,        // the image changes
    Keeps,          // the first values describe the image as it is: same size, same pixels
    ToWhiteOnly,    // the near-white pixels become white, and nothing else changes
    Nothing,        // no operation here (a submenu header or an unused index): no dialog, no change
    AwaitsLine,     // no dialog: a message, then the next line on the image changes it
    NeedsSelection, // without a selection a message refuses it; with one it changes the image
    ChangesWhole,   // changes the document image as a whole, with or without a selection
    NeedsOneBit,    // on other types a message refuses it; on a 1-bit image it runs
    Replaces,       // the document image itself is reshaped or replaced, whatever is selected
    AsksOnly,       // its dialog shows, and its first values ask for nothing: no change, no step
};

struct Expectation {
    Expect expect;
    std::set<int> keepsOnTypes = {}; // image types on which the result may equal the image
    const char* why = "";
    int resultType = -1; // Replaces: the type the image must have afterwards (-1: any)
};

using Key = std::pair<std::string, int>; // document action, menu index

const std::set<int> kTwoLevelTypes = {pix::kMono};
const std::set<int> kOpaqueTypes = {pix::kMono, pix::kIndexed, pix::kGray, pix::kRgb};
const std::set<int> kGreyTypes = {pix::kMono, pix::kGray, pix::kGrayAlpha};

// Every index that the menus or the tables know, by action, and the gaps the menus skip. A submenu
// header needs none: opening it runs nothing.
const std::map<Key, Expectation>& expectations() {
    static const std::map<Key, Expectation> table = [] {
        std::map<Key, Expectation> t = {
            {{"Effects", 2}, {Expect::Keeps, {}, "Resize to W x H"}},
            {{"Effects", 3}, {Expect::Keeps, {}, "a W x H canvas at offset 0"}},
            {{"Effects", 4}, {Expect::Changes}},
            {{"Effects", 5}, {Expect::Changes}},
            {{"Effects", 6}, {Expect::Nothing, {}, "unused"}},
            {{"Effects", 9},
             {Expect::ToWhiteOnly,
              {pix::kMono, pix::kIndexed, pix::kIndexedAlpha},
              "near-white to white; a reduced palette holds no near-white"}},
            {{"Effects", 10}, {Expect::Nothing, {}, "unused"}},
            {{"Effects", 11}, {Expect::Changes}},
            {{"Effects", 12}, {Expect::Changes}},
            {{"Effects", 13}, {Expect::Changes}},
            {{"Effects", 16}, {Expect::Changes, kTwoLevelTypes, "1-bit spans 0..255 already"}},
            {{"Effects", 17}, {Expect::Changes, kTwoLevelTypes, "1-bit is equalised already"}},
            {{"Effects", 18}, {Expect::Changes}},
            {{"Effects", 23}, {Expect::AwaitsLine}},
            {{"Effects", 24}, {Expect::Changes}},
            {{"Effects", 25}, {Expect::Nothing, {}, "unused"}},
            {{"Effects", 26}, {Expect::Changes}},
            {{"Effects", 27}, {Expect::Changes}},
            {{"Filters", 0}, {Expect::Changes}},
            {{"Filters", 2}, {Expect::Changes}},
            {{"Filters", 3}, {Expect::Changes, kTwoLevelTypes, "black and white have no hue"}},
            {{"Filters", 4}, {Expect::Changes}},
            {{"Filters", 6}, {Expect::Changes}},
            {{"Filters", 9}, {Expect::Changes}},
            {{"Filters", 11}, {Expect::Changes}},
            {{"Filters", 13},
             {Expect::NeedsSelection, {pix::kMono, pix::kGray, pix::kGrayAlpha}, "no red in grey"}},
            {{"Filters", 18}, {Expect::Nothing, {}, "unused"}},
            {{"Filters", 21}, {Expect::Nothing, {}, "unused"}},
            {{"Filters", 23}, {Expect::Changes}},
            {{"Filters", 24}, {Expect::Changes}},
            {{"Filters", 25}, {Expect::Changes}},
            {{"Filters", 26}, {Expect::Changes}},
            {{"Filters", 30}, {Expect::Changes}},
            {{"Filters", 31}, {Expect::Changes}},
            {{"Filters", 32}, {Expect::Changes, kTwoLevelTypes, "two levels already"}},
            {{"Filters", 33}, {Expect::Changes}},
            {{"Filters", 34},
             {Expect::Changes, kTwoLevelTypes, "black and white are the ramp's ends"}},
            {{"Filters", 35}, {Expect::Changes, kTwoLevelTypes, "two levels already"}},
            {{"Filters", 36}, {Expect::Changes}},
            {{"Filters", 37}, {Expect::Changes}},
            {{"Filters", 38}, {Expect::Keeps, {}, "a tint of 0"}},
            {{"Filters", 39}, {Expect::Keeps, {}, "a saturation factor of 1"}},
            {{"Filters", 40}, {Expect::Changes}},
            {{"ChannelsAlpha", 1}, {Expect::ChangesWhole, {pix::kMono}, "no dark grey in 1-bit"}},
            {{"ChannelsAlpha", 2}, {Expect::ChangesWhole}},
            {{"ChannelsAlpha", 3}, {Expect::ChangesWhole}},
            {{"ChannelsAlpha", 4}, {Expect::ChangesWhole, kOpaqueTypes, "opaque already"}},
            {{"ChannelsAlpha", 5}, {Expect::ChangesWhole, kOpaqueTypes, "alpha 255 everywhere"}},
            {{"ChannelsAlpha", 6}, {Expect::Nothing, {}, "separator"}},
            {{"ChannelsAlpha", 7}, {Expect::ChangesWhole, kOpaqueTypes, "opaque already"}},
            {{"ChannelsAlphaAddMask", 0}, {Expect::ChangesWhole}},
            {{"ChannelsAlphaAddMask", 1}, {Expect::Nothing, {}, "separator"}},
            {{"ChannelsAlphaAddMask", 2}, {Expect::ChangesWhole, {}, "the first shipped mask"}},
            {{"ChannelsRGBSwap", 0}, {Expect::Changes, kGreyTypes, "grey channels are equal"}},
            {{"ChannelsRGBSwap", 1}, {Expect::Changes, kGreyTypes, "grey channels are equal"}},
            {{"ChannelsRGBSwap", 2}, {Expect::Changes, kGreyTypes, "grey channels are equal"}},
        };
        // Every distortion and the default one change the sweep picture.
        for (int i = 0; i <= 14; ++i) t[{"Transforms", i}] = {Expect::Changes};
        // The preset submenus: every item changes the sweep picture.
        const std::pair<const char*, std::vector<int>> presets[] = {
            {"FiltersBlurAction", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
            {"FiltersSharpenAction", {0, 1, 2, 3}},
            {"FiltersSoftenAction", {0, 1, 2, 3}},
            {"FiltersVibrationAction", {0, 1, 2, 3}},
            {"EdgeDetectionAction", {0, 1, 2, 3}},
            {"FiltersGammaAction", {0, 1, 2, 3}},
            {"FiltersIntensifyAction", {0, 1, 2, 3, 4, 5}},
            {"FiltersUnsharpMaskAction", {0, 1, 2, 3}},
            {"FiltersMorpho", {0, 1, 2, 3, 4}},
            {"FiltersNegativeWhite", {-1}},
            {"FiltersNegativeCols", {0, 1, 2}},
            {"FiltersCustomFilterColorEmboss", {-1}},
            {"FiltersCustomFilterOilPainting", {-1}},
            {"FiltersCustomMatrixNightLine", {-1}},
            {"FiltersCustomMatrixPurpleHaze", {-1}},
            {"FiltersDemosPatchWork", {-1}},
            {"FiltersDemosCharcoal", {-1}},
            {"FiltersDemosFlakyPaint", {-1}},
            {"EffectsDropShadow", {0, 2, 3, 4, 5, 6}},
            {"EffectsGauzy", {0, 2, 3, 4, 5}},
            {"EffectsScribble", {0, 2, 3, 4, 5}},
            {"EffectsStipple", {0, 2, 3, 4, 5}},
            {"EffectsPerspectiveExamples", {0, 1, 2, 3, 4, 5}},
        };
        for (const auto& [action, indexes] : presets)
            for (int i : indexes) t[{action, i}] = {Expect::Changes};
        t[{"FiltersNegativeColor", -1}] = {Expect::ChangesWhole};
        t[{"ChannelsRGB", 0}] = {Expect::Changes};
        t[{"ChannelsRGB", 1}] = {Expect::ChangesWhole};
        t[{"ChannelsAdjust", 0}] = {Expect::Changes};
        for (int i : {0, 1}) {
            t[{"EffectsFlip", i}] = {Expect::Changes};
            t[{"EffectsThumbnail", i}] = {Expect::Changes};
        }
        // A dither keeps a picture that holds no more colours than it asks for: the 1-bit one
        // always, the paletted ones (a few cube colours) from 16, the grey ones from 32, and any
        // 24 x 20 selection from 64.
        const std::set<int> fewColours[] = {
            kTwoLevelTypes,
            {pix::kMono, pix::kIndexed, pix::kIndexedAlpha},
            {pix::kMono, pix::kIndexed, pix::kIndexedAlpha, pix::kGray, pix::kGrayAlpha},
            {0, 1, 2, 3, 4, 5, 6}};
        for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 9})
            t[{"EffectsDither", i}] = {Expect::Changes, fewColours[(i > 2) + (i > 4) + (i > 5)],
                                       "the picture holds that few colours already"};
        for (int type = 0; type < pix::kImageTypeCount; ++type)
            t[{"ImageType", type}] = {Expect::Replaces, {}, "", type};
        t[{"EffectsCrop", 0}] = {Expect::NeedsSelection};
        t[{"EffectsCrop", 1}] = {Expect::Changes,
                                 {1, 2, 3, 4, 5, 6},
                                 "only the 1-bit picture has a border of one colour to trim"};
        for (int i : {3, 4, 5, 6, 7}) t[{"EffectsCrop", i}] = {Expect::Changes};
        t[{"EffectsAutoDeskew", -1}] = {Expect::NeedsOneBit, kTwoLevelTypes, "no text lines"};
        for (int i : {0, 1, 2, 3, 4})
            t[{"EffectsPalette", i}] = {Expect::Changes, kTwoLevelTypes, "black and white kept"};
        t[{"EffectsPalette", 0}].keepsOnTypes = {pix::kMono, pix::kIndexed, pix::kIndexedAlpha};
        t[{"EffectsPalette", 0}].why = "the paletted pictures hold web colours only";
        t[{"EffectsPalDisplayPalFile", -1}] = {Expect::Replaces, {}, "", pix::kRgb};
        // Curves and sharpening leave the two levels of a 1-bit picture where they are.
        for (const char* action :
             {"FiltersGammaAction", "FiltersSharpenAction", "FiltersUnsharpMaskAction"})
            for (auto& [key, ex] : t)
                if (key.first == action) ex.keepsOnTypes = kTwoLevelTypes;
        t[{"FiltersDemosFlakyPaint", -1}].keepsOnTypes = kTwoLevelTypes; // no light grey to key
        // A shadow lies under opaque pixels on the same canvas (4), and a grown canvas that
        // does not move the image (3) is cut back to the selection.
        for (int i : {3, 4})
            t[{"EffectsDropShadow", i}].keepsOnTypes = {pix::kMono, pix::kIndexed,
                                                        pix::kIndexedAlpha, pix::kGray, pix::kRgb};
        // On two levels the glow's detail term restores black and white.
        for (int i : {2, 3, 4, 5}) t[{"EffectsGauzy", i}].keepsOnTypes = kTwoLevelTypes;
        t[{"DemosEncrypt", -1}] = {Expect::AsksOnly, {}, "an empty key"};
        t[{"DemosDecrypt", -1}] = {Expect::AsksOnly, {}, "an empty key"};
        for (const char* action : {"DemosFlipLinesH", "DemosFlipLinesV", "DemosGrid"})
            t[{action, -1}] = {Expect::ChangesWhole};
        return t;
    }();
    return table;
}

// Whether the group's item `index` opens a submenu.
bool isSubmenuHeader(const char* group, int index) {
    for (const menus::MenuRow& row : menus::menuRows())
        if (std::strcmp(row.parent, group) == 0 && row.parentIndex == index) return true;
    return false;
}

// Every index the menus give the table's group, and every index of the table.
std::set<int> indexesOf(const catalogue::Catalogue& table) {
    std::set<int> indexes;
    for (const menus::MenuRow& row : menus::menuRows())
        if (std::strcmp(row.name, table.menuGroup) == 0) indexes.insert(row.index);
    for (const catalogue::Entry& e : table.entries) indexes.insert(e.index);
    return indexes;
}

// A low-contrast picture with a dark disc and a bright square, so that stretches, blurs and
// edges have something to work on in every type.
QImage sweepPicture(int type, int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y,
                         qRgba(80 + 96 * x / w, 80 + 96 * y / h, 120 + ((x * 5 + y * 3) % 40),
                               pix::typeHasAlpha(type) ? 96 + (x * 4 + y * 2) % 160 : 255));
    QPainter p(&img);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(48, 52, 60));
    p.drawEllipse(QRect(w / 8, h / 6, w / 3, h / 2));
    p.setBrush(QColor(208, 204, 200));
    p.drawRect(QRect(w / 2, h / 3, w / 4, h / 2));
    // A near-white band across the selection's edge, for the operations that act on white.
    p.setBrush(QColor(253, 254, 255));
    p.drawRect(QRect(2, h / 4, w - 4, 3));
    p.end();
    return pix::convertToType(img, type);
}

} // namespace

class CatalogueSweep : public CatalogueTest {
protected:
    // A valid palette file of 256 distinct entries, written once.
    static QString paletteFile() {
        static QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sweep.pal"));
        if (!QFile::exists(path)) {
            QByteArray bytes;
            for (int i = 0; i < 256; ++i)
                for (int level : {i % 64, (i * 5) % 64, 63 - i / 4}) bytes.append(char(level));
            pixtest::writeBytes(path, bytes);
        }
        return path;
    }

    // The document action of the table, called by name as the menus call it.
    void run(const catalogue::Catalogue& table, int index) {
        ASSERT_TRUE(
            documentactions::run(*doc, QString::fromLatin1(table.actionName), int16_t(index)));
    }

    // Queues the answer the entry's input asks for: OK in the parameter dialog, a colour, or
    // the preview dialog's scroll bars moved and Apply pressed.
    void answer(const catalogue::Entry& entry) {
        switch (entry.input) {
        case catalogue::Input::Rows:
            desktop.answerModal(pixtest::pressOk([&entry](QDialog& d) {
                EXPECT_EQ(d.windowTitle(), entry.title);
                EXPECT_EQ(asDialog(d).RowCount, int(entry.rows.size()));
            }));
            return;
        case catalogue::Input::Colour:
            desktop.answerColor(QColor(200, 60, 40));
            return;
        case catalogue::Input::Preview:
            desktop.answerModal([&entry](QDialog& d) {
                auto& dlg = static_cast<PreviewDialog&>(d);
                EXPECT_EQ(dlg.windowTitle(), entry.title);
                for (int k = 0; k < int(entry.rows.size()); ++k)
                    if (QScrollBar* bar = dlg.scroll(k)) bar->setValue(40);
                dlg.btnApply->click();
                return dlg.result();
            });
            return;
        case catalogue::Input::Panel:
            // The bump map asks for its image when the panel opens.
            for (const catalogue::Row& row : entry.rows)
                if (row.kind == catalogue::RowKind::File) {
                    desktop.answerMessage(platform::Answer::Ok);
                    desktop.answerOpen(bumpImage());
                }
            return;
        case catalogue::Input::None:
            return;
        case catalogue::Input::Asks:
            // The dark disc's colour, each prompt's default (2 where it has none), the first
            // shipped mask, Yes; questions the image does not call for get no answer.
            for (const catalogue::Ask& a : entry.asks) {
                if (a.when && !a.when(image())) continue;
                const catalogue::Row& row = entry.rows[size_t(a.row)];
                switch (a.kind) {
                case catalogue::AskKind::Colour:
                    desktop.answerColor(QColor(48, 52, 60));
                    break;
                case catalogue::AskKind::Prompt:
                    desktop.answerInput(row.text.isEmpty() ? QStringLiteral("2") : row.text);
                    break;
                case catalogue::AskKind::File:
                    desktop.answerOpen(catalogue::alphaMaskFolder() +
                                       QStringLiteral("/Radial.png"));
                    break;
                case catalogue::AskKind::YesNo:
                    desktop.answerMessage(platform::Answer::Yes);
                    break;
                case catalogue::AskKind::ChosenCaption:
                    break;
                }
            }
            return;
        case catalogue::Input::File:
            desktop.answerOpen(paletteFile());
            return;
        case catalogue::Input::Prompt:
        case catalogue::Input::Line:
            ADD_FAILURE() << "the sweep has no answer for this input";
            return;
        }
    }

    // A relief for the bump map: a bright disc on grey.
    static QString bumpImage() {
        QImage relief = pixtest::flatImage(20, 20, qRgb(90, 90, 90));
        QPainter p(&relief);
        p.setBrush(Qt::white);
        p.drawEllipse(QRect(4, 4, 12, 12));
        p.end();
        return writeImage(QStringLiteral("bump.png"), {relief}, pix::kFilePng);
    }

    static frmTransforms* visiblePanel() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<frmTransforms*>(w); p && p->isVisible()) return p;
        return nullptr;
    }
    // The panel an entry opened: Apply once, then Close.
    static void applyInPanel() {
        frmTransforms* panel = visiblePanel();
        ASSERT_NE(panel, nullptr) << "no Transforms panel opened";
        ASSERT_TRUE(panel->cmdApply->isEnabled());
        panel->cmdApply->click();
        panel->cmdOK->click();
    }

    // Runs one index on one image and checks the expectation.
    void sweepOne(const catalogue::Catalogue& table, int index, const Expectation& ex, int type,
                  const QRect& selection) {
        SCOPED_TRACE(::testing::Message()
                     << table.actionName << "(" << index << ") on type " << type
                     << (selection.isEmpty() ? " without" : " with") << " a selection");
        setImage(sweepPicture(type, 48, 36), type);
        select(selection);
        const QImage before = pixels();
        const int typeBefore = image().imageType();
        const int undosBefore = image().Undos();
        const catalogue::Entry* entry = table.find(index);

        switch (ex.expect) {
        case Expect::Nothing:
            EXPECT_EQ(entry, nullptr) << "the table has an operation the sweep calls nothing";
            run(table, index); // an unexpected dialog or message fails the test
            EXPECT_EQ(image().Undos(), undosBefore);
            EXPECT_TRUE(pixtest::samePixels(pixels(), before));
            return;
        case Expect::AwaitsLine: {
            ASSERT_NE(entry, nullptr) << "missing table entry";
            EXPECT_FALSE(doc->finishWarp(4, 4, 30, 20)) << "no warp pending: the line is drawn";
            desktop.answerMessage(platform::Answer::Ok);
            run(table, index);
            ASSERT_FALSE(desktop.messagesShown.isEmpty());
            EXPECT_EQ(desktop.messagesShown.last().text, entry->linePrompt);
            EXPECT_EQ(desktop.messagesShown.last().title, QStringLiteral("Pixendra"));
            EXPECT_TRUE(doc->WarpPending);
            EXPECT_EQ(doc->Pix->MouseMode(), pix::kMouseLine);
            EXPECT_TRUE(pixtest::samePixels(pixels(), before));
            EXPECT_TRUE(doc->finishWarp(4, 4, 30, 20));
            EXPECT_FALSE(doc->WarpPending);
            // The whole image is warped, whatever is selected; one line per command.
            EXPECT_GT(changedOutside(before, pixels(), selection), 0);
            EXPECT_FALSE(doc->finishWarp(4, 4, 30, 20));
            break;
        }
        case Expect::AsksOnly:
            ASSERT_NE(entry, nullptr) << "missing table entry";
            answer(*entry);
            run(table, index);
            EXPECT_EQ(desktop.pendingAnswers(), 0) << "the entry did not ask as its input says";
            EXPECT_EQ(image().Undos(), undosBefore);
            EXPECT_TRUE(pixtest::samePixels(pixels(), before));
            return;
        case Expect::NeedsSelection:
        case Expect::NeedsOneBit:
            ASSERT_NE(entry, nullptr) << "missing table entry";
            if (ex.expect == Expect::NeedsSelection ? selection.isEmpty() : type != pix::kMono) {
                desktop.answerMessage(platform::Answer::Ok);
                const int shown = int(desktop.messagesShown.size());
                run(table, index);
                EXPECT_EQ(int(desktop.messagesShown.size()), shown + 1) << "the refusal is shown";
                EXPECT_EQ(image().Undos(), undosBefore);
                EXPECT_TRUE(pixtest::samePixels(pixels(), before));
                return;
            }
            [[fallthrough]];
        default: {
            ASSERT_NE(entry, nullptr) << "missing table entry";
            answer(*entry);
            run(table, index);
            if (entry->input == catalogue::Input::Panel) applyInPanel();
            EXPECT_EQ(visiblePanel(), nullptr) << "a panel stays open";
            EXPECT_EQ(desktop.pendingAnswers(), 0) << "the entry did not ask as its input says";
            const QImage after = pixels();
            // Entries on the document image itself are not bounded by the selection.
            if (!selection.isEmpty() && ex.expect != Expect::ChangesWhole &&
                entry->target == catalogue::Target::WorkingCopy) {
                ASSERT_EQ(after.size(), before.size());
                EXPECT_EQ(changedOutside(before, after, selection), 0);
            }
            if (ex.expect == Expect::Keeps) {
                EXPECT_TRUE(pixtest::samePixels(after, before));
            } else if (ex.expect == Expect::ToWhiteOnly) {
                ASSERT_EQ(after.size(), before.size());
                int whitened = 0;
                for (int y = 0; y < after.height(); ++y)
                    for (int x = 0; x < after.width(); ++x) {
                        const QRgb a = after.pixel(x, y), b = before.pixel(x, y);
                        if (a == b) continue;
                        ++whitened;
                        EXPECT_EQ(a | 0xFF000000u, 0xFFFFFFFFu) << x << "," << y;
                        EXPECT_GE(std::min({qRed(b), qGreen(b), qBlue(b)}), 253) << x << "," << y;
                    }
                if (!ex.keepsOnTypes.count(type)) {
                    EXPECT_GT(whitened, 0);
                }
            } else if (ex.resultType >= 0) {
                EXPECT_EQ(image().imageType(), ex.resultType);
            } else if (!ex.keepsOnTypes.count(type)) {
                EXPECT_FALSE(pixtest::samePixels(after, before)) << "the image did not change";
            }
            // The page's storage follows its type, and alpha is never dropped unless the image
            // is replaced by one of another type.
            EXPECT_EQ(image().image().format(), pix::storageFormat(image().imageType()));
            if (pix::typeHasAlpha(type) && ex.expect != Expect::Replaces) {
                EXPECT_TRUE(pix::typeHasAlpha(image().imageType()));
            }
            break;
        }
        }
        // One undo step, and it restores the image exactly.
        EXPECT_EQ(image().Undos(), undosBefore + 1);
        doc->Undo();
        EXPECT_TRUE(pixtest::samePixels(pixels(), before));
        EXPECT_EQ(image().imageType(), typeBefore);
    }
};

TEST_F(CatalogueSweep, EveryIndexOnEveryTypeWithAndWithoutASelection) {
    std::set<Key> swept;
    for (const catalogue::Catalogue* table : catalogue::allCatalogues()) {
        // The menus' and the table's indexes, and the unused ones the expectations name.
        std::set<int> indexes = indexesOf(*table);
        for (const auto& [key, ex] : expectations())
            if (key.first == table->actionName) indexes.insert(key.second);
        for (int index : indexes) {
            const Key key{table->actionName, index};
            const auto ex = expectations().find(key);
            const Expectation header{Expect::Nothing, {}, "a submenu"};
            if (ex == expectations().end() && !isSubmenuHeader(table->menuGroup, index)) {
                ADD_FAILURE() << key.first << "(" << index << ") has no expectation";
                continue;
            }
            swept.insert(key);
            for (int type = 0; type < pix::kImageTypeCount; ++type)
                for (const QRect& sel : {QRect(), QRect(10, 6, 24, 20)})
                    sweepOne(*table, index, ex == expectations().end() ? header : ex->second, type,
                             sel);
        }
    }
    for (const auto& [key, ex] : expectations())
        EXPECT_TRUE(swept.count(key)) << key.first << "(" << key.second << ") is in no table";
}
