// The numbered system colours (0..34) the colour picker's wells and the owner-drawn buttons use,
// taken from the desktop palette.
#pragma once

#include <QColor>

namespace platform {

inline constexpr int kSystemColourCount = 35;
// Indexes the program names directly.
inline constexpr int kScrollBarColour = 0;
inline constexpr int kButtonFace = 15;
inline constexpr int kButtonShadow = 16;
inline constexpr int kButtonHighlight = 20;

// System colour `index` (0..34) from the application palette; black outside the range.
QColor systemColour(int index);

} // namespace platform
