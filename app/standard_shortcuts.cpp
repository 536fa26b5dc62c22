#include "standard_shortcuts.h"

#include "app/mdi_main.h"

#include <QAction>
#include <QKeySequence>

namespace shortcuts {

namespace {

// The desktop's key for the command (from the platform's key scheme), or `fallback` where the
// scheme has none.
struct ExtraKey {
    const char* item;
    int index;
    QKeySequence::StandardKey standard;
    const char* fallback;
};

constexpr ExtraKey kExtraKeys[] = {
    {"mnuOpen", -1, QKeySequence::Open, "Ctrl+O"},
    {"mnuNew", -1, QKeySequence::New, "Ctrl+N"},
    {"mnuClose", -1, QKeySequence::Close, "Ctrl+W"},
    {"mnuSave", -1, QKeySequence::Save, "Ctrl+S"},
    {"mnuSaveAs", -1, QKeySequence::SaveAs, "Ctrl+Shift+S"},
    {"mnuPrintSettings", 2, QKeySequence::Print, "Ctrl+P"}, // "Fit to Page"
    {"mnuExit", -1, QKeySequence::Quit, "Ctrl+Q"},
    {"mnuRedo", -1, QKeySequence::UnknownKey, "Ctrl+Shift+Z"},
    // Ctrl+Shift+= arrives as Ctrl++ on X11 and Wayland; a second sequence the same key can
    // match would make the shortcut ambiguous there, and neither would fire.
    {"mnuZoomIn", -1, QKeySequence::ZoomIn, "Ctrl++"},
    {"mnuZoomOut", -1, QKeySequence::ZoomOut, "Ctrl+-"},
    {"mnuZoomType", 1, QKeySequence::UnknownKey, "Ctrl+0"}, // "Best Fit"
    {"mnuSelectNone", -1, QKeySequence::UnknownKey, "Esc"},
};

} // namespace

void addStandardShortcuts(MDIMain& frame) {
    for (const ExtraKey& k : kExtraKeys) {
        QAction* a = frame.menuItem(QString::fromLatin1(k.item), k.index);
        if (!a) continue;
        QList<QKeySequence> keys = a->shortcuts();
        QList<QKeySequence> extra = QKeySequence::keyBindings(k.standard);
        if (extra.isEmpty()) extra << QKeySequence(QString::fromLatin1(k.fallback));
        for (const QKeySequence& key : extra)
            if (!key.isEmpty() && !keys.contains(key)) keys << key;
        if (!a->text().contains(QLatin1String("  Ctrl"))) {
            a->setShortcuts(keys);
            continue;
        }
        // The caption shows its key itself ("Zoom In        Ctrl++"): the keys go to a hidden
        // action of the frame that chooses the item, so the menu does not show them twice.
        auto* keysOnly = new QAction(&frame);
        keysOnly->setShortcuts(keys);
        QObject::connect(keysOnly, &QAction::triggered, a, [a] {
            if (a->isEnabled()) a->trigger();
        });
        frame.addAction(keysOnly);
    }
}

} // namespace shortcuts
