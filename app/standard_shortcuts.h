// The desktop's standard shortcuts for the menu items the menu table leaves without one, and a
// few second keys that desktop users expect beside the table's own.
#pragma once

class MDIMain;

namespace shortcuts {

// Adds the keys to the frame's menu items; the table's own shortcuts stay first and keep working.
void addStandardShortcuts(MDIMain& frame);

} // namespace shortcuts
