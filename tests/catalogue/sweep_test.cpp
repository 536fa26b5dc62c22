// One sweep over every catalogue table: every menu index of the table's group, on every image
// type, with and without a selection, answered OK with the rows' first values. An index of the
// menus or of a table without an expectation here fails the sweep.
#include "catalogue/menu_table.h"
#include "catalogue/catalogue.h"
#include "catalogue/effects_catalogue.h"
#include "catalogue_fixture.h"
#include "document/document_actions.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/image_type.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace {

// What answering an index with the rows' first values must do.
enum class Expect {
    Changes,     // the image changes
    Keeps,       // the first values describe the image as it is: same size, same pixels
    ToWhiteOnly, // the near-white pixels become white, and nothing else changes
    Nothing,     // no operation here (a submenu header or an unused index): no dialog, no change
    AwaitsLine,  // no dialog: a message, then the next line on the image changes it
};

struct Expectation {
    Expect expect;
    std::set<int> keepsOnTypes = {}; // image types on which the result may equal the image
    const char* why = "";
};

// The Effects group: every index that the menus or the table know, and the gaps the menus skip.
const std::map<int, Expectation>& effectsExpectations() {
    static const std::map<int, Expectation> table = {
        {0, {Expect::Nothing, {}, "Crop submenu"}},
        {1, {Expect::Nothing, {}, "Flip submenu"}},
        {2, {Expect::Keeps, {}, "Resize to W x H"}},
        {3, {Expect::Keeps, {}, "a W x H canvas at offset 0"}},
        {4, {Expect::Changes}},
        {5, {Expect::Changes}},
        {6, {Expect::Nothing, {}, "unused"}},
        {7, {Expect::Nothing, {}, "Apply Palette submenu"}},
        {8, {Expect::Nothing, {}, "Dither submenu"}},
        {9,
         {Expect::ToWhiteOnly,
          {pix::kMono, pix::kIndexed, pix::kIndexedAlpha},
          "near-white to white; a reduced palette holds no near-white"}},
        {10, {Expect::Nothing, {}, "unused"}},
        {11, {Expect::Changes}},
        {12, {Expect::Changes}},
        {13, {Expect::Changes}},
        {14, {Expect::Nothing, {}, "Drop Shadow submenu"}},
        {15, {Expect::Nothing, {}, "Gauzy submenu"}},
        {16, {Expect::Changes, {pix::kMono}, "a 1-bit image already spans 0..255"}},
        {17, {Expect::Changes, {pix::kMono}, "a 1-bit image is already equalised"}},
        {18, {Expect::Changes}},
        {19, {Expect::Nothing, {}, "Perspective submenu"}},
        {20, {Expect::Nothing, {}, "Scribble submenu"}},
        {21, {Expect::Nothing, {}, "Stipple submenu"}},
        {22, {Expect::Nothing, {}, "Thumbnail submenu"}},
        {23, {Expect::AwaitsLine}},
        {24, {Expect::Changes}},
        {25, {Expect::Nothing, {}, "unused"}},
        {26, {Expect::Changes}},
        {27, {Expect::Changes}},
    };
    return table;
}

const std::map<int, Expectation>* expectationsFor(const catalogue::Catalogue& table) {
    if (&table == &catalogue::effectsCatalogue()) return &effectsExpectations();
    return nullptr;
}

// Every index the menus give the table's group, and every index of the table.
std::set<int> indexesOf(const catalogue::Catalogue& table) {
    std::set<int> indexes;
    for (const app::MenuRow& row : app::menuRows())
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
    // The document action of the table, called by name as the menus call it.
    void run(const catalogue::Catalogue& table, int index) {
        ASSERT_TRUE(
            documentactions::run(*doc, QString::fromLatin1(table.actionName), int16_t(index)));
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
            desktop.answerMessage(platform::Answer::Ok);
            run(table, index);
            ASSERT_FALSE(desktop.messagesShown.isEmpty());
            EXPECT_EQ(desktop.messagesShown.last().text, entry->linePrompt);
            EXPECT_TRUE(doc->WarpPending);
            EXPECT_EQ(doc->Pix->MouseMode(), pix::kMouseLine);
            EXPECT_TRUE(pixtest::samePixels(pixels(), before));
            EXPECT_TRUE(doc->finishWarp(4, 4, 30, 20));
            EXPECT_FALSE(doc->WarpPending);
            EXPECT_FALSE(pixtest::samePixels(pixels(), before)); // the whole image is warped
            break;
        }
        default: {
            ASSERT_NE(entry, nullptr) << "missing table entry";
            bool asked = false;
            desktop.answerModal(pixtest::pressOk([&](QDialog& d) {
                asked = true;
                EXPECT_EQ(d.windowTitle(), entry->title);
                EXPECT_EQ(asDialog(d).RowCount, int(entry->rows.size()));
            }));
            run(table, index);
            EXPECT_TRUE(asked);
            EXPECT_EQ(desktop.pendingAnswers(), 0);
            const QImage after = pixels();
            if (!selection.isEmpty()) {
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
            } else if (!ex.keepsOnTypes.count(type)) {
                EXPECT_FALSE(pixtest::samePixels(after, before)) << "the image did not change";
            }
            // The page's storage follows its type, and alpha is never dropped.
            EXPECT_EQ(image().image().format(), pix::storageFormat(image().imageType()));
            if (pix::typeHasAlpha(type)) {
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
    for (const catalogue::Catalogue* table : catalogue::allCatalogues()) {
        const auto* expectations = expectationsFor(*table);
        ASSERT_NE(expectations, nullptr) << table->actionName << " has no expectations";
        for (int index : indexesOf(*table))
            EXPECT_TRUE(expectations->count(index))
                << table->actionName << "(" << index << ") has no expectation";
        for (const auto& [index, ex] : *expectations)
            for (int type = 0; type < pix::kImageTypeCount; ++type)
                for (const QRect& sel : {QRect(), QRect(10, 6, 24, 20)})
                    sweepOne(*table, index, ex, type, sel);
    }
}
