// Undo labels, undo/redo, and the memory budget of the history.
#include "engine/image_type.h"
#include "engine/pix_image.h"
#include "support/test_images.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace pix;

namespace {
void paint(PixImage& img, const QString& label, QRgb colour) {
    img.modifyPage(label, [&](PixPage& p) { p.image.fill(colour); });
}
} // namespace

TEST(Undo, LabelsRecordOrSkipSteps) {
    PixImage img;
    img.CreateBlank(8, 8, MakeColor(0xFFFFFF, 255), kRgb, QStringLiteral("no undo"));
    EXPECT_EQ(img.Undos(), 0);
    paint(img, QString(), 0xFFFF0000);
    EXPECT_EQ(img.Undos(), 1);
    paint(img, QStringLiteral("No Undo"), 0xFF00FF00);
    paint(img, QStringLiteral("no undo"), 0xFF00FF00);
    EXPECT_EQ(img.Undos(), 1);
    paint(img, QStringLiteral("Fill blue"), 0xFF0000FF);
    EXPECT_EQ(img.Undos(), 2);
    EXPECT_EQ(img.history().undoLabel(), QStringLiteral("Fill blue"));
}

TEST(Undo, UndoAndRedoRestoreExactly) {
    PixImage img;
    img.setImage(pixtest::gradientImage(20, 10), kRgb, QStringLiteral("no undo"));
    const QImage original = img.image().copy();
    paint(img, QString(), 0xFF123456);
    const QImage painted = img.image().copy();
    ASSERT_TRUE(img.UndoStep());
    EXPECT_TRUE(pixtest::samePixels(img.image(), original));
    EXPECT_EQ(img.Redos(), 1);
    ASSERT_TRUE(img.RedoStep());
    EXPECT_TRUE(pixtest::samePixels(img.image(), painted));
    EXPECT_FALSE(img.RedoStep());
    img.UndoStep();
    paint(img, QString(), 0xFF000000); // a new step drops the redo list
    EXPECT_EQ(img.Redos(), 0);
}

TEST(Undo, PageListChangesAreUndoable) {
    PixImage img;
    img.AddPage(PixPage{pixtest::gradientImage(4, 4), kRgb, {}}, QStringLiteral("no undo"));
    img.AddPage(PixPage{pixtest::gradientImage(6, 6), kRgb, {}}, QString());
    EXPECT_EQ(img.pageCount(), 2);
    img.UndoStep();
    EXPECT_EQ(img.pageCount(), 1);
    img.SaveUndoPoint(QString());
    EXPECT_EQ(img.Undos(), 1);
}

TEST(Undo, HistoryStaysWithinItsBudget) {
    PixImage img;
    img.CreateBlank(1000, 1000, MakeColor(0, 255), kRgba, QStringLiteral("no undo")); // 4 MB
    img.history().setBudget(int64_t(20) << 20);                                       // 20 MB
    // Noise does not compress, so the steps keep their full size.
    QRandomGenerator noise(7);
    for (int i = 0; i < 40; ++i)
        img.modifyPage(QString(), [&](PixPage& p) {
            noise.fillRange(reinterpret_cast<quint32*>(p.image.bits()), 1000 * 1000);
            p.image.setPixel(0, 0, qRgba(i, 0, 0, 255));
        });
    EXPECT_LE(img.history().memoryUsed(img.pages()), int64_t(20) << 20);
    EXPECT_GE(img.Undos(), 4);
    EXPECT_LT(img.Undos(), 40);
    // The newest steps are the ones kept.
    img.UndoStep();
    EXPECT_EQ(qRed(img.image().pixel(0, 0)), 38);
}

TEST(Undo, LargeImageWithLongHistoryFitsTheDefaultBudget) {
    // 12000 x 12000 at 32 bits is 576 MB; 64 edits would need 37 GB without the budget.
    PixImage img;
    img.CreateBlank(12000, 12000, MakeColor(0xFFFFFF, 255), kRgba, QStringLiteral("no undo"));
    for (int i = 0; i < 64; ++i)
        img.modifyPage(QString(), [i](PixPage& p) {
            auto* row = reinterpret_cast<QRgb*>(p.image.scanLine(i));
            row[i] = qRgba(i, i, i, 255);
        });
    EXPECT_LE(img.history().memoryUsed(img.pages()), img.history().budget());
    EXPECT_GE(img.Undos(), 1);
    EXPECT_EQ(qRed(img.image().pixel(63, 63)), 63);
    img.UndoStep();
    EXPECT_EQ(qRed(img.image().pixel(63, 63)), 255);
}
