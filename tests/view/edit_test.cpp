// Edit commands through the menus: copy, cut, paste, delete, select all, and operations on a
// selection through the working copy.
#include "catalogue/effects_catalogue.h"
#include "view_fixture.h"

#include "catalogue/frm_dialog.h"
#include "engine/image_type.h"
#include "engine/pix_image.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPainter>

namespace {
QImage clipboardImage() {
    return QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
}
} // namespace

class EditTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        doc->Pix->image().setImage(pixtest::gradientImage(100, 80), 5, QStringLiteral("no undo"));
    }
    void select(int x, int y, int w, int h) {
        frame->SelectTool(2);
        drag(at(x + 0.25, y + 0.25), at(x + w + 0.25, y + h + 0.25));
        ASSERT_DOUBLE_EQ(frame->SelWidth, w);
    }
};

// Without a selection Copy takes the whole image, with one exactly the selection.
TEST_F(EditTest, CopyTakesExactlyTheSelectionAndLeavesTheImage) {
    const QImage before = doc->Pix->image().image().copy();
    const int undos = doc->Pix->image().Undos();
    doc->Copy();
    EXPECT_TRUE(pixtest::samePixels(clipboardImage(), before));
    select(10, 20, 30, 15);
    frame->chooseMenuItem(QStringLiteral("mnuCopy"));
    EXPECT_TRUE(pixtest::samePixels(clipboardImage(), before.copy(10, 20, 30, 15)));
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), before));
    EXPECT_EQ(doc->Pix->image().Undos(), undos) << "copying records no step";
}

TEST_F(EditTest, CutLeavesAWhiteRectangle) {
    const QImage before = doc->Pix->image().image().copy();
    select(10, 20, 30, 15);
    frame->chooseMenuItem(QStringLiteral("mnuCut"));
    EXPECT_TRUE(pixtest::samePixels(clipboardImage(), before.copy(10, 20, 30, 15)));
    const QImage after = doc->Pix->image().image();
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool inside = QRect(10, 20, 30, 15).contains(x, y);
            ASSERT_EQ(after.pixel(x, y) == qRgb(255, 255, 255) || !inside, true) << x << "," << y;
            if (!inside) {
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }
        }
}

TEST_F(EditTest, DeleteNeedsARealSelectionAndPaintsWhiteOverAlpha) {
    doc->Pix->image().setImage(pixtest::gradientImage(100, 80, true), 6, QStringLiteral("no undo"));
    const QImage before = doc->Pix->image().image().copy();
    select(5, 5, 2, 2);
    doc->Delete();
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), before)) << "2 x 2 is no selection";
    select(5, 5, 10, 10);
    doc->Delete();
    EXPECT_EQ(doc->Pix->image().image().pixel(8, 8), 0xFFFFFFFFu) << "opaque white";
    EXPECT_EQ(doc->Pix->image().image().pixel(20, 20), before.pixel(20, 20));
}

TEST_F(EditTest, PasteLandsAtTheSelectionCornerOrTheOrigin) {
    QImage blue(20, 30, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    QApplication::clipboard()->setImage(blue);
    doc->Paste();
    EXPECT_EQ(doc->Pix->image().image().pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(doc->Pix->image().image().pixel(19, 29), qRgb(0, 0, 255));
    EXPECT_NE(doc->Pix->image().image().pixel(20, 30), qRgb(0, 0, 255));
    select(50, 40, 5, 5); // smaller than the picture: it keeps its own size
    doc->Paste();
    EXPECT_EQ(doc->Pix->image().image().pixel(50, 40), qRgb(0, 0, 255));
    EXPECT_EQ(doc->Pix->image().image().pixel(69, 69), qRgb(0, 0, 255));
    EXPECT_EQ(doc->Pix->image().width(), 100);
}

TEST_F(EditTest, AnOperationOnASelectionChangesNothingOutsideIt) {
    const QImage before = doc->Pix->image().image().copy();
    select(30, 10, 20, 25);
    doc->SetImage2Buffer();
    EXPECT_EQ(doc->pixAction->image().image().size(), QSize(20, 25));
    doc->pixAction->image().modifyPage(QStringLiteral("No Undo"), [](pix::PixPage& p) {
        p.image.invertPixels();
        p.image = p.image.scaled(60, 60); // an operation that grows the picture
    });
    doc->UpdateImage(*doc->Pix);
    const QImage after = doc->Pix->image().image();
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            if (!QRect(30, 10, 20, 25).contains(x, y)) {
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            }
    EXPECT_NE(after.pixel(35, 15), before.pixel(35, 15));
    // The step keeps the selection's old pixels only.
    const pix::PixImage& img = doc->Pix->image();
    EXPECT_EQ(img.history().memoryUsed(img.pages()), 20 * 25 * 4);
    doc->Undo();
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), before)) << "one undo step";
}

// Once an operation on the whole image is written back, the working copy no longer shares the
// document's pixels: the next edit writes into them instead of copying the whole image.
TEST_F(EditTest, AfterAWriteBackTheDocumentsNextEditWritesInPlace) {
    const QImage before = doc->Pix->image().image().copy();
    frame->chooseMenuItem(QStringLiteral("mnuFiltersNegativeWhite"));
    const QImage negated = doc->Pix->image().image().copy();
    EXPECT_FALSE(pixtest::samePixels(negated, before));
    const uchar* bits = doc->Pix->image().image().constBits();
    frame->SelectTool(9); // rectangle
    drag(at(20, 20), at(60, 50));
    EXPECT_EQ(doc->Pix->image().image().constBits(), bits);
    EXPECT_FALSE(pixtest::samePixels(doc->Pix->image().image(), negated));
    doc->Undo();
    EXPECT_TRUE(pixtest::samePixels(doc->Pix->image().image(), negated));
}

TEST_F(EditTest, PreviewIsNeverLargerThanTheImage) {
    pix::PixCtrl preview;
    preview.resize(1000, 1000);
    doc->SetImage2Buffer2(preview);
    EXPECT_EQ(preview.image().image().size(), QSize(100, 80));
    preview.resize(50, 50);
    doc->SetImage2Buffer2(preview);
    EXPECT_LE(preview.image().width(), 50);
    EXPECT_EQ(doc->pixAction->image().image().size(), QSize(100, 80));
}

TEST_F(EditTest, AResultWithAlphaIsTheSameInASelectionAsOnTheWholeImage) {
    // A 24-bit picture with white in it; Replace Color turns white transparent (opacity 0).
    QImage picture = pixtest::gradientImage(100, 80);
    QPainter(&picture).fillRect(20, 10, 50, 40, Qt::white);
    doc->Pix->image().setImage(picture, 5, QStringLiteral("no undo"));
    const QImage before = doc->Pix->image().image().convertToFormat(QImage::Format_ARGB32);
    auto replaceWhite = [&] {
        desktop.answerModal(pixtest::pressOk([](QDialog& d) {
            static_cast<frmDialog&>(d).txtText(3)->setText(QStringLiteral("0"));
        }));
        doc->runCatalogue(catalogue::effectsCatalogue(), 9);
    };
    auto argb = [&] { return doc->Pix->image().image().convertToFormat(QImage::Format_ARGB32); };
    replaceWhite();
    const QImage whole = argb();
    ASSERT_EQ(qAlpha(whole.pixel(30, 20)), 0) << "the operation gives transparency";
    doc->Undo();

    const QRect sel(10, 5, 40, 30);
    select(sel.x(), sel.y(), sel.width(), sel.height());
    replaceWhite();
    const QImage inSelection = argb();
    EXPECT_EQ(doc->Pix->image().imageType(), pix::kRgba);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(inSelection.pixel(x, y), (sel.contains(x, y) ? whole : before).pixel(x, y))
                << x << "," << y;
    doc->Undo();
    EXPECT_EQ(doc->Pix->image().imageType(), pix::kRgb);
    EXPECT_TRUE(pixtest::samePixels(argb(), before));
}
