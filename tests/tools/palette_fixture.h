// A frame with one document and its tool palette.
#pragma once

#include "../view/view_fixture.h"

#include "engine/draw.h"
#include "platform/system_colours.h"
#include "tools/frm_controls.h"
#include "tools/frm_selector.h"
#include "tools/palette_button.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

class PaletteTest : public ViewTest {
protected:
    frmControls& palette() { return *frame->Controls; }
    // Chooses a tool on the frame's side bar.
    void chooseTool(int tool) { frame->cmd.value(tool)->click(); }
    // Types into a numeric field as the user does: focus arrives, the old text is replaced.
    static void typeInto(QLineEdit* field, const QString& text) {
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(field, &in);
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    static void leave(QLineEdit* field) {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(field, &out);
    }
    // Clicks a setting button and chooses the item captioned `caption` of the menu it pops up.
    void chooseFromButton(const QString& button, const QString& caption) {
        PaletteButton* b = palette().settingButtons.value(button);
        ASSERT_NE(b, nullptr) << qPrintable(button);
        QTest::mouseClick(b, Qt::LeftButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "no menu popped up";
        QAction* item = nullptr;
        for (QAction* a : menu->actions())
            if (a->text() == caption) item = a;
        ASSERT_NE(item, nullptr) << qPrintable(caption);
        item->trigger();
        menu->close();
    }
};
