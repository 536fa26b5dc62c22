#include "standard_shortcuts.h"

#include "app/mdi_main.h"

#include <QAction>
#include <QKeySequence>

namespace shortcuts {

namespace {

struct ExtraKey {
    const char* item;
    int index;
    QKeySequence::StandardKey standard; // UnknownKey: `text` instead
    const char* text;
};

constexpr ExtraKey kExtraKeys[] = {
    {"mnuOpen", -1, QKeySequence::Open, ""},
    {"mnuNew", -1, QKeySequence::New, ""},
    {"mnuClose", -1, QKeySequence::Close, ""},
    {"mnuSave", -1, QKeySequence::Save, ""},
    {"mnuSaveAs", -1, QKeySequence::SaveAs, ""},
    {"mnuPrintSettings", 2, QKeySequence::Print, ""}, // "Fit to Page"
    {"mnuExit", -1, QKeySequence::Quit, ""},
    {"mnuRedo", -1, QKeySequence::UnknownKey, "Ctrl+Shift+Z"},
    {"mnuZoomIn", -1, QKeySequence::ZoomIn, ""},
    {"mnuZoomIn", -1, QKeySequence::UnknownKey, "Ctrl+Shift+="},
    {"mnuZoomOut", -1, QKeySequence::ZoomOut, ""},
    {"mnuZoomType", 1, QKeySequence::UnknownKey, "Ctrl+0"}, // "Best Fit"
    {"mnuSelectNone", -1, QKeySequence::UnknownKey, "Esc"},
};

} // namespace

void addStandardShortcuts(MDIMain& frame) {
    for (const ExtraKey& k : kExtraKeys) {
        QAction* a = frame.menuItem(QString::fromLatin1(k.item), k.index);
        if (!a) continue;
        QList<QKeySequence> keys = a->shortcuts();
        const QList<QKeySequence> extra =
            k.standard != QKeySequence::UnknownKey
                ? QKeySequence::keyBindings(k.standard)
                : QList<QKeySequence>{QKeySequence(QString::fromLatin1(k.text))};
        for (const QKeySequence& key : extra)
            if (!key.isEmpty() && !keys.contains(key)) keys << key;
        a->setShortcuts(keys);
    }
}

} // namespace shortcuts
