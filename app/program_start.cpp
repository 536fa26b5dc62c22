#include "program_start.h"

#include "app/crash_recovery.h"
#include "app/mdi_main.h"
#include "app/open_from_outside.h"

Program::~Program() {
    recovery.reset();
    frame.reset();
}

void startProgram(Program& program, CRegister& store, const QStringList& arguments,
                  const QString& cwd) {
    program.frame = std::make_unique<MDIMain>(store);
    program.frame->Load();
    program.frame->show();
    program.recovery = std::make_unique<CrashRecovery>(*program.frame);
    program.recovery->offerOrphans();
    outside::openUrls(*program.frame, outside::urlsFromArguments(arguments, cwd));
}
