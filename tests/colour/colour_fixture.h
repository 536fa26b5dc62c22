// The frame with its swatches and the colour picker they open.
#pragma once

#include "../ui/frame_fixture.h"

#include "colour/frame_swatches.h"
#include "colour/frm_color_picker.h"
#include "support/typing.h"

#include <QLabel>

using pixtest::typeInto;

class ColourTest : public FrameTest {
protected:
    colour::FrameSwatches& swatches() { return *frame->swatches(); }
    // Opens the picker as a click on swatch i does.
    frmColorPicker& openPicker(int swatch) {
        QTest::mouseClick(swatches().SelColor[swatch], Qt::LeftButton);
        return swatches().picker();
    }
};
