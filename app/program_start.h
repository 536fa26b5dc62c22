// The program's start after the splash: the frame, crash recovery (offering what a session left
// behind), then the files named on the command line.
#pragma once

#include <QStringList>
#include <memory>

class CRegister;
class CrashRecovery;
class MDIMain;

struct Program {
    std::unique_ptr<MDIMain> frame;
    std::unique_ptr<CrashRecovery> recovery; // goes before the frame
    ~Program();
};

// Builds and shows the frame, offers recovered documents and opens `arguments` (paths or URLs,
// relative to `cwd`).
void startProgram(Program& program, CRegister& store, const QStringList& arguments,
                  const QString& cwd);
