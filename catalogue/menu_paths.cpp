#include "menu_paths.h"

#include "catalogue/menu_table.h"

#include <cstring>

namespace catalogue {

namespace {

const menus::MenuRow* findRow(const char* name, int index) {
    for (const menus::MenuRow& row : menus::menuRows())
        if (std::strcmp(row.name, name) == 0 && row.index == index) return &row;
    return nullptr;
}

} // namespace

QString plainCaption(const char* caption) {
    const QString raw = QString::fromUtf8(caption);
    QString shown;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == QLatin1Char('&')) {
            if (i + 1 < raw.size() && raw[i + 1] == QLatin1Char('&')) {
                shown += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        shown += raw[i];
    }
    return shown;
}

QString menuPath(const char* name, int index) {
    QStringList parts;
    const menus::MenuRow* row = findRow(name, index);
    // The menu tree is shallow; the bound guards against a table that loops.
    for (int depth = 0; row && depth < 16; ++depth) {
        parts.prepend(plainCaption(row->caption));
        if (row->parent[0] == '\0') return parts.join(QLatin1Char('/'));
        row = findRow(row->parent, row->parentIndex);
    }
    return {};
}

std::vector<MenuEntry> menuEntries() {
    std::vector<MenuEntry> found;
    for (const menus::MenuRow& row : menus::menuRows()) {
        for (const Catalogue* table : allCatalogues()) {
            if (std::strcmp(row.name, table->menuGroup) != 0) continue;
            if (const Entry* entry = table->find(row.index)) {
                const QString path = menuPath(row.name, row.index);
                if (!path.isEmpty()) found.push_back({path, table, entry});
            }
        }
    }
    return found;
}

} // namespace catalogue
