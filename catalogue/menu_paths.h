// Menu paths of catalogue entries, read from the frame's menu table: the captions from the menu
// bar down, without their "&" access marks, joined by "/" (e.g. "Transforms/Resize...").
#pragma once

#include "catalogue.h"

#include <QString>
#include <vector>

namespace catalogue {

// A caption as shown: "&" marks removed, "&&" kept as one "&".
QString plainCaption(const char* caption);

// The path of a menu item; empty when the item is not in the menus.
QString menuPath(const char* name, int index);

struct MenuEntry {
    QString path;
    const Catalogue* table;
    const Entry* entry;
};

// Every entry of every catalogue that the menus reach, in menu order.
std::vector<MenuEntry> menuEntries();

} // namespace catalogue
