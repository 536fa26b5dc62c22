#include "system_colours.h"

#include <QApplication>
#include <QPalette>

namespace platform {

namespace {

struct PaletteEntry {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The classic numbered system colours mapped to the desktop palette's roles:
//  0 scroll bar -> Mid            1 desktop -> Dark               2 active caption -> Highlight
//  3 inactive caption -> inactive Highlight                        4 menu -> Window
//  5 window -> Base               6 window frame -> Shadow         7 menu text -> WindowText
//  8 window text -> Text          9 caption text -> HighlightedText
// 10 active border -> Window     11 inactive border -> inactive Window
// 12 application workspace -> Dark                                13 highlight -> Highlight
// 14 highlighted text -> HighlightedText                          15 button face -> Button
// 16 button shadow -> Dark       17 grey text -> disabled Text    18 button text -> ButtonText
// 19 inactive caption text -> inactive HighlightedText            20 3-D highlight -> Light
// 21 3-D dark shadow -> Shadow   22 3-D light -> Midlight         23 tooltip text -> ToolTipText
// 24 tooltip back -> ToolTipBase 25 (unused) -> AlternateBase     26 hot-tracked item -> Link
// 27 active caption gradient -> Highlight                         28 inactive caption gradient
// -> inactive Highlight          29 menu highlight -> Highlight    30 menu bar -> Window
// 31..34 (no classic meaning) -> LinkVisited, PlaceholderText, BrightText, Button.
constexpr PaletteEntry kEntries[kSystemColourCount] = {
    {QPalette::Active, QPalette::Mid},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Inactive, QPalette::Highlight},
    {QPalette::Active, QPalette::Window},
    {QPalette::Active, QPalette::Base},
    {QPalette::Active, QPalette::Shadow},
    {QPalette::Active, QPalette::WindowText},
    {QPalette::Active, QPalette::Text},
    {QPalette::Active, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Window},
    {QPalette::Inactive, QPalette::Window},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Active, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Button},
    {QPalette::Active, QPalette::Dark},
    {QPalette::Disabled, QPalette::Text},
    {QPalette::Active, QPalette::ButtonText},
    {QPalette::Inactive, QPalette::HighlightedText},
    {QPalette::Active, QPalette::Light},
    {QPalette::Active, QPalette::Shadow},
    {QPalette::Active, QPalette::Midlight},
    {QPalette::Active, QPalette::ToolTipText},
    {QPalette::Active, QPalette::ToolTipBase},
    {QPalette::Active, QPalette::AlternateBase},
    {QPalette::Active, QPalette::Link},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Inactive, QPalette::Highlight},
    {QPalette::Active, QPalette::Highlight},
    {QPalette::Active, QPalette::Window},
    {QPalette::Active, QPalette::LinkVisited},
    {QPalette::Active, QPalette::PlaceholderText},
    {QPalette::Active, QPalette::BrightText},
    {QPalette::Active, QPalette::Button},
};

} // namespace

QColor systemColour(int index) {
    if (index < 0 || index >= kSystemColourCount) return Qt::black;
    const PaletteEntry& e = kEntries[index];
    QColor c = QApplication::palette().color(e.group, e.role);
    c.setAlpha(255);
    return c;
}

} // namespace platform
