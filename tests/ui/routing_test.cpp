// Menu routing: broadcast groups, the active document, the Edit refresh and the Settings menu.
#include "catalogue/frm_dialog.h"
#include "document/document_actions.h"
#include "frame_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>

using pixtest::pressCancel;
using pixtest::pressOk;

TEST_F(FrameTest, DrawSettingsReachEveryOpenDocumentAndTheNextOne) {
    frmMain* docs[] = {newDocument(), newDocument(), newDocument()};
    ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuDrawAntialias"), 3)); // "A Lot (100)"
    EXPECT_TRUE(frame->menuItem(QStringLiteral("mnuDrawAntialias"), 3)->isChecked());
    frame->chooseMenuItem(QStringLiteral("mnuDrawThickness"), 10); // "15"
    EXPECT_FALSE(frame->menuItem(QStringLiteral("mnuDrawSetup"), 3)->isEnabled());
    frame->chooseMenuItem(QStringLiteral("mnuDrawOpacity"), 5);
    frame->chooseMenuItem(QStringLiteral("mnuDrawFillStyle"), 7);
    for (frmMain* d : docs) {
        EXPECT_EQ(d->Pix->image().Draw().antialias, 100);
        EXPECT_EQ(d->Pix->image().Draw().thickness, 15);
        EXPECT_EQ(d->drawOpacityAlpha(), 128);
        EXPECT_EQ(d->Pix->image().Draw().fillStyle, 6);
        EXPECT_EQ(d->Pix->Shape().fillStyle, 6);
    }
    frmMain* later = newDocument();
    EXPECT_EQ(later->Pix->image().Draw().thickness, 15);
    EXPECT_EQ(later->Pix->image().Draw().antialias, 100);
    EXPECT_EQ(later->Pix->Shape().fillStyle, 6);
    EXPECT_EQ(later->drawOpacityAlpha(), 128);
}

TEST_F(FrameTest, ViewAndHistoryCommandsActOnTheActiveDocumentOnly) {
    frmMain* first = newDocument();
    frmMain* second = newDocument();
    ASSERT_EQ(frame->activeDocument(), second);
    frame->chooseMenuItem(QStringLiteral("mnuZoomIn"));
    EXPECT_DOUBLE_EQ(second->Zoom(), 1.25);
    EXPECT_DOUBLE_EQ(first->Zoom(), 1.0);
    EXPECT_EQ(second->windowTitle(), QStringLiteral("@125.%"));
    first->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::red); });
    second->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::red); });
    frame->chooseMenuItem(QStringLiteral("mnuUndo"));
    EXPECT_EQ(second->Pix->image().image().pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(first->Pix->image().image().pixel(0, 0), QColor(Qt::red).rgb());
    frame->openSubmenu(QStringLiteral("mnuImport"));
    EXPECT_FALSE(enabled("mnuSelectTwain")) << "no scanner source";
}

TEST_F(FrameTest, SettingsDialogsStoreWhatIsChosenAndCancelChangesNothing) {
    desktop.answerModal(pressOk([](QDialog& d) {
        auto& dlg = static_cast<frmDialog&>(d);
        EXPECT_EQ(dlg.txtText(0)->text(), QStringLiteral("75"));
        dlg.txtText(0)->setText(QStringLiteral("150"));
        dlg.cmbCombo(3)->setCurrentIndex(6);
        dlg.chkCheck(2)->setChecked(true);
    }));
    ASSERT_TRUE(frame->chooseMenuItem(QStringLiteral("mnuSettings"), 0));
    EXPECT_EQ(frame->settings.jpegQuality, 150) << "no clamping";
    EXPECT_EQ(frame->settings.tiffCompression, 6);
    EXPECT_TRUE(frame->settings.jpegProgressive);
    desktop.answerModal(pressCancel());
    frame->chooseMenuItem(QStringLiteral("mnuSettings"), 0);
    EXPECT_EQ(frame->settings.jpegQuality, 150);
    // The open document gets the new options at once.
    frmMain* doc = newDocument();
    desktop.answerModal(pressOk(
        [](QDialog& d) { static_cast<frmDialog&>(d).txtText(0)->setText(QStringLiteral("33")); }));
    frame->chooseMenuItem(QStringLiteral("mnuSettings"), 0);
    EXPECT_EQ(doc->Pix->image().saveOptions().jpegQuality, 33);
    EXPECT_EQ(doc->Pix->image().saveOptions().tiffCompression, 6);
    desktop.answerModal(pressOk([](QDialog& d) {
        auto& dlg = static_cast<frmDialog&>(d);
        dlg.optOption(0)->setChecked(true);
        dlg.chkCheck(3)->setChecked(false);
    }));
    frame->chooseMenuItem(QStringLiteral("mnuSettings"), 1);
    EXPECT_FALSE(frame->settings.alphaDisplay);
    EXPECT_FALSE(frame->settings.flattenAlpha);
    desktop.answerModal(pressOk(
        [](QDialog& d) { static_cast<frmDialog&>(d).txtText(0)->setText(QStringLiteral("77")); }));
    frame->chooseMenuItem(QStringLiteral("mnuSettings"), 2);
    EXPECT_EQ(frame->settings.ditherError, 77);
}

TEST_F(FrameTest, DoubleBufferAndAntialiasToggles) {
    // With no document only the check and the variable change.
    frame->chooseMenuItem(QStringLiteral("mnuSettings"), 3);
    EXPECT_FALSE(frame->settings.doubleBuffer);
    EXPECT_FALSE(frame->menuItem(QStringLiteral("mnuSettings"), 3)->isChecked());
    frmMain* a = newDocument();
    frmMain* b = newDocument();
    frame->chooseMenuItem(QStringLiteral("mnuSettings"), 3);
    EXPECT_TRUE(a->Pix->DoubleBuffer());
    EXPECT_TRUE(b->Pix->DoubleBuffer());
    frame->chooseMenuItem(QStringLiteral("mnuAntialias"));
    EXPECT_TRUE(b->Pix->AntialiasDisplay());
    EXPECT_FALSE(a->Pix->AntialiasDisplay()) << "only the active document";
}

TEST_F(FrameTest, EveryMenuItemWorksOrIsListedAndListedItemsDoNothing) {
    for (QAction* a : frame->allMenuItems()) {
        const QString name = a->property("itemName").toString();
        const int index = a->property("itemIndex").toInt();
        const MDIMain::Route route =
            frame->routeOf(a->menu() ? name + QStringLiteral(":open") : name, index);
        EXPECT_NE(route, MDIMain::Route::Nowhere) << qPrintable(a->objectName());
        if (!a->menu()) {
            EXPECT_NE(route, MDIMain::Route::Submenu) << qPrintable(a->objectName());
        }
    }
    // Chosen with a document open, a listed item changes nothing, asks nothing, shows nothing.
    frmMain* doc = newDocument();
    doc->Pix->image().modifyPage(QString(), [](pix::PixPage& p) { p.image.fill(Qt::red); });
    const pix::PixImage& image = doc->Pix->image();
    const qint64 pixels = image.image().cacheKey();
    const int undos = image.Undos();
    auto shownWindows = [] {
        QSet<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) shown.insert(w);
        return shown;
    };
    const QSet<QWidget*> windowsBefore = shownWindows();
    const QStringList listed = frame->notBuiltItems();
    for (const QString& item : listed) {
        QString key = item;
        const bool opening = key.endsWith(QLatin1String(":open"));
        if (opening) key.chop(5);
        QAction* a = nullptr;
        for (QAction* candidate : frame->allMenuItems())
            if (candidate->objectName() == key) a = candidate;
        ASSERT_NE(a, nullptr) << qPrintable(item);
        a->setEnabled(true);
        if (opening)
            emit a->menu()->aboutToShow();
        else
            a->trigger();
        QApplication::processEvents();
        EXPECT_EQ(image.image().cacheKey(), pixels) << qPrintable(item);
        EXPECT_EQ(image.Undos(), undos) << qPrintable(item);
        EXPECT_EQ(shownWindows(), windowsBefore) << qPrintable(item);
        EXPECT_EQ(openDocuments(), 1) << qPrintable(item);
    }
    EXPECT_TRUE(desktop.messagesShown.isEmpty());
    EXPECT_TRUE(desktop.inputsShown.isEmpty());
    EXPECT_TRUE(desktop.openRequests.isEmpty());
    EXPECT_TRUE(desktop.saveRequests.isEmpty());
}

TEST_F(FrameTest, EditItemsAndTheirShortcutsFollowTheDocument) {
    frmMain* first = newDocument();
    first->Pix->image().ClearUndo();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    frame->openSubmenu(QStringLiteral("mnumEdit")); // nothing to undo yet
    EXPECT_FALSE(enabled("mnuUndo"));
    auto paint = [](frmMain* d, QColor c) {
        d->Pix->image().modifyPage(QString(), [c](pix::PixPage& p) { p.image.fill(c); });
    };
    paint(first, Qt::red);
    QTest::keyClick(frame.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(first->Pix->image().image().pixel(0, 0), 0xFFFFFFFFu) << "Ctrl+Z undid the edit";
    EXPECT_FALSE(enabled("mnuUndo"));
    QTest::keyClick(frame.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(first->Pix->image().image().pixel(0, 0), QColor(Qt::red).rgb()) << "Ctrl+Y redid it";
    // Activating another document shows its own history, and back again.
    frmMain* second = newDocument();
    second->Pix->image().ClearUndo();
    auto activate = [&](frmMain* d) {
        frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(d->parentWidget()));
    };
    activate(first);
    EXPECT_TRUE(enabled("mnuUndo"));
    activate(second);
    EXPECT_FALSE(enabled("mnuUndo"));
    activate(first);
    paint(second, Qt::blue); // an edit in a window that is not active changes nothing here
    EXPECT_FALSE(enabled("mnuRedo"));
    EXPECT_TRUE(enabled("mnuUndo"));
    // Paste follows the clipboard.
    QApplication::clipboard()->clear();
    EXPECT_FALSE(enabled("mnuPaste"));
    QApplication::clipboard()->setImage(pixtest::gradientImage(4, 4));
    EXPECT_TRUE(enabled("mnuPaste"));
    QTest::keyClick(frame.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(first->Pix->image().Undos(), 2) << "Ctrl+V pasted into the active document";
}
