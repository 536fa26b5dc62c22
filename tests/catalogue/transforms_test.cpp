// The Transforms panel through the menus: rows rebuilt per distortion, Apply and Undo step by
// step, refused rows, the bump map's file, the document closing under the panel; and every
// distortion of the table keeping a flat image flat.
#include "adjust/frm_transforms.h"
#include "catalogue/transforms_catalogue.h"
#include "catalogue/values.h"
#include "catalogue_fixture.h"
#include "engine/ctrl/pix_ctrl.h"
#include "engine/distortions.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

class TransformsTest : public CatalogueTest {
protected:
    // Chooses Transforms > item `index` and gives the panel it opened.
    frmTransforms* open(int index) {
        const QList<QWidget*> before = QApplication::topLevelWidgets();
        EXPECT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuTransforms"), index));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<frmTransforms*>(w); p && !before.contains(w)) return p;
        ADD_FAILURE() << "no panel opened for Transforms(" << index << ")";
        return nullptr;
    }
    static QStringList captions(const frmTransforms& panel) {
        QStringList out;
        for (const QLabel* l : panel.findChildren<QLabel*>())
            if (l->isVisibleTo(&panel)) out << l->objectName() + QLatin1Char('=') + l->text();
        out.sort();
        return out;
    }
};

TEST_F(TransformsTest, ReselectingADistortionRebuildsItsRowsFromScratch) {
    setImage(pixtest::gradientImage(60, 40), 5);
    frmTransforms* panel = open(1); // "Spin Wave..."
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Transform"));
    EXPECT_EQ(panel->TransformType(), QStringLiteral("spin wave"));
    EXPECT_FALSE(panel->cmbStyle->isVisibleTo(panel));
    EXPECT_EQ(panel->valueCount(), 6);

    panel->setTransformType(QStringLiteral("Ripple..."));
    EXPECT_EQ(panel->TransformType(), QStringLiteral("ripple"));
    EXPECT_TRUE(panel->cmbStyle->isVisibleTo(panel));
    EXPECT_EQ(panel->cmbStyle->count(), 5);
    EXPECT_EQ(panel->cmbStyle->currentIndex(), 0);
    EXPECT_EQ(
        captions(*panel),
        QStringList({"lblValue(0)=Dampening Style", "lblValue(1)=Max Radius", "lblValue(2)=Amount",
                     "lblValue(3)=Periods", "lblValue(4)=Offset X", "lblValue(5)=Offset Y"}));

    panel->setTransformType(QStringLiteral("random"));
    EXPECT_FALSE(panel->cmbStyle->isVisibleTo(panel));
    EXPECT_EQ(panel->cmbStyle->count(), 0);
    EXPECT_EQ(captions(*panel), QStringList({"lblValue(1)=Offset"}));
    EXPECT_EQ(panel->findChildren<QLineEdit*>().size(), 2) << "the template and one row";
    EXPECT_EQ(panel->txtValue(1)->text(), QStringLiteral("10"));
    // Each new row stands below the one before.
    panel->setTransformType(QStringLiteral("lens"));
    EXPECT_GT(panel->txtValue(2)->y(), panel->txtValue(1)->y() + panel->txtValue(1)->height());
}

TEST_F(TransformsTest, ApplyThreeTimesThenUndoThreeTimesStepByStep) {
    setImage(pixtest::gradientImage(60, 40, true), 6);
    frmTransforms* panel = open(9); // "Offset...": exact whole-pixel shifts
    ASSERT_NE(panel, nullptr);
    panel->cmbStyle->setCurrentIndex(1); // Wrap Both
    panel->txtValue(1)->setText(QStringLiteral("7"));
    panel->txtValue(2)->setText(QStringLiteral("3"));
    QList<QImage> steps{pixels()};
    for (int i = 0; i < 3; ++i) {
        panel->cmdApply->click();
        steps << pixels();
        EXPECT_FALSE(pixtest::samePixels(steps[i + 1], steps[i])) << "apply " << i;
    }
    EXPECT_EQ(image().Undos(), 3);
    // Three shifts of (7, 3) are one of (21, 9).
    pix::PixImage once;
    once.setImage(steps[0], 6, QStringLiteral("No Undo"));
    pix::Distortions::Offset(once, 1, 21, 9);
    EXPECT_TRUE(pixtest::samePixels(steps[3], once.image().convertToFormat(QImage::Format_ARGB32)));
    for (int i = 3; i > 0; --i) {
        panel->cmdUndo->click();
        EXPECT_TRUE(pixtest::samePixels(pixels(), steps[i - 1])) << "undo to step " << i - 1;
    }
    EXPECT_TRUE(panel->isVisible());
    panel->cmdCancel->click();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(pixtest::samePixels(pixels(), steps[0])) << "cancel undoes nothing by itself";
}

TEST_F(TransformsTest, ANonNumericRowIsRefusedAndThePanelStays) {
    setImage(pixtest::gradientImage(60, 40), 5);
    frmTransforms* panel = open(0); // "Spin"
    ASSERT_NE(panel, nullptr);
    const QImage before = pixels();
    for (const char* bad : {"abc", "", "1e999"}) {
        panel->txtValue(2)->setText(QString::fromLatin1(bad));
        desktop.answerMessage(platform::Answer::Ok);
        panel->cmdApply->click();
        ASSERT_FALSE(desktop.messagesShown.isEmpty());
        EXPECT_FALSE(desktop.messagesShown.last().text.isEmpty()) << bad;
        EXPECT_TRUE(panel->isVisible());
        EXPECT_EQ(image().Undos(), 0) << bad;
        EXPECT_TRUE(pixtest::samePixels(pixels(), before)) << bad;
    }
    EXPECT_EQ(desktop.messagesShown.first().text, QStringLiteral("Type mismatch"));
}

TEST_F(TransformsTest, ACancelledBumpMapChoiceLeavesApplyOff) {
    setImage(pixtest::gradientImage(60, 40), 5);
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerOpen(QString()); // cancelled
    desktop.answerMessage(platform::Answer::Ok);
    frmTransforms* panel = open(13);
    ASSERT_NE(panel, nullptr);
    ASSERT_GE(desktop.messagesShown.size(), 2);
    EXPECT_EQ(desktop.messagesShown[0].text, QStringLiteral("Select bump map image from file"));
    EXPECT_TRUE(desktop.messagesShown[1].text.contains(QStringLiteral("Apply")));
    EXPECT_FALSE(panel->cmdApply->isEnabled());

    // A file that is no image is refused the same way; a real one turns Apply on.
    const QString junk = pixtest::tempDir() + QStringLiteral("/junk.png");
    pixtest::writeBytes(junk, "not an image");
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerOpen(junk);
    desktop.answerMessage(platform::Answer::Ok);
    panel->setTransformType(QStringLiteral("Bump Map"));
    EXPECT_FALSE(panel->cmdApply->isEnabled());

    QImage relief = pixtest::flatImage(30, 30, qRgb(80, 80, 80));
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x) relief.setPixel(x, y, qRgb(220, 220, 220));
    desktop.answerMessage(platform::Answer::Ok);
    desktop.answerOpen(writeImage(QStringLiteral("relief.png"), {relief}, pix::kFilePng));
    panel->setTransformType(QStringLiteral("Bump Map"));
    ASSERT_TRUE(panel->cmdApply->isEnabled());
    const QImage before = pixels();
    panel->cmdApply->click();
    EXPECT_FALSE(pixtest::samePixels(pixels(), before));
    EXPECT_EQ(desktop.pendingAnswers(), 0);
}

TEST_F(TransformsTest, ClosingTheDocumentClosesItsPanel) {
    setImage(pixtest::gradientImage(60, 40), 5);
    QPointer<frmTransforms> panel = open(7); // "Wave..."
    ASSERT_TRUE(panel);
    panel->cmdApply->click();
    doc->Saved = true;
    ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuClose")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (panel) {
        EXPECT_FALSE(panel->isVisible());
        panel->cmdApply->click(); // nothing left to change: no crash, no message
        panel->cmdUndo->click();
    }
    EXPECT_EQ(openDocuments(), 0);
}

// Every distortion with its first values (a flat bump for the bump map) leaves a flat image of
// any colour, translucent or not, exactly as it was.
TEST(TransformsTable, EveryDistortionKeepsAFlatImageFlat) {
    const QString bump =
        writeImage(QStringLiteral("flat-bump.png"),
                   {pixtest::flatImage(16, 16, qRgb(128, 128, 128))}, pix::kFilePng);
    const auto& entries = catalogue::transformsCatalogue().entries;
    EXPECT_EQ(entries.size(), 15u);
    for (const catalogue::Entry& entry : entries) {
        for (const QRgb colour : {qRgb(200, 40, 90), qRgba(30, 160, 220, 77)}) {
            SCOPED_TRACE(entry.title.toStdString() + (qAlpha(colour) < 255 ? " translucent" : ""));
            pix::PixImage img;
            const QImage page = pixtest::flatImage(53, 31, colour);
            img.setImage(page, qAlpha(colour) < 255 ? 6 : 5, QStringLiteral("No Undo"));
            catalogue::Values values(entry, img);
            for (int k = 0; k < values.size(); ++k)
                if (entry.rows[size_t(k)].kind == catalogue::RowKind::File) values[k].text = bump;
            entry.call(img, values);
            EXPECT_EQ(img.Undos(), 1);
            EXPECT_TRUE(
                pixtest::samePixels(img.image().convertToFormat(QImage::Format_ARGB32), page));
        }
    }
}

} // namespace
