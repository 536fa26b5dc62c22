// The document's public actions by name, as the frame's menus reach them.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class frmMain;

namespace documentactions {

enum class State { Unknown, NotBuilt, Built };

// Runs action `name` (e.g. "ZoomIn", "Effects") on doc, with index for indexed actions.
// Returns false when the name is unknown, the action is not built yet or the document is busy
// with a long operation (it then does nothing).
bool run(frmMain& doc, const QString& name, int16_t index);
// Whether the action exists and is built; with an index (>= 0), whether a catalogue action has
// an operation at that index.
State state(const QString& name, int index = -1);
// Every action the menus reach that does nothing yet, and as "Name(index)" the items of built
// actions that do nothing yet.
QStringList notBuilt();

} // namespace documentactions
