// Runs a program of the build (the converter) as a whole process and collects what it said.
#pragma once

#include <QString>
#include <QStringList>

namespace pixtest {

struct ProgramRun {
    int code = -1; // -1: did not finish in time, -2: crashed
    QString out, err;
};

ProgramRun runProgram(const QString& program, const QStringList& args);

} // namespace pixtest
