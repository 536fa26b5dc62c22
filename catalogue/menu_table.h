// The frame's menu tree as data: one row per menu item, in display order.
#pragma once

#include <span>

namespace menus {

enum MenuFlag : unsigned {
    kChecked = 1u << 0, // checked at start
    kHidden = 1u << 1,  // not visible
    kSeparatorAfter = 1u << 2,
    kCheckable = 1u << 3,
    kAlwaysEnabled = 1u << 4, // enabled with or without a document
    kImageMenu = 1u << 5,     // enabled only while the active document holds an image
    kBroadcast = 1u << 6,     // chosen for every open document, not only the active one
};

struct MenuRow {
    const char* parent;   // name of the parent item ("" for the menu bar)
    int parentIndex;      // its index, -1 for a single item
    const char* name;     // item group or single item name, e.g. "mnuEffects"
    int index;            // index within the group, -1 for a single item
    const char* caption;  // exact caption with "&" access keys
    const char* shortcut; // QKeySequence text or ""
    unsigned flags;
};

std::span<const MenuRow> menuRows();

} // namespace menus
