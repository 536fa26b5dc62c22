// A frame with one document and its tool palette.
#pragma once

#include "../view/view_fixture.h"

#include "engine/draw.h"
#include "platform/system_colours.h"
#include "support/typing.h"
#include "tools/frm_controls.h"
#include "tools/frm_selector.h"
#include "tools/palette_button.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

using pixtest::leave;
using pixtest::typeInto;

class PaletteTest : public ViewTest {
protected:
    frmControls& palette() { return *frame->Controls; }
    // Chooses a tool on the frame's side bar.
    void chooseTool(int tool) { frame->cmd.value(tool)->click(); }
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
