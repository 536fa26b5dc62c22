#include "program_run.h"

#include <QProcess>

namespace pixtest {

ProgramRun runProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(60000)) return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace pixtest
