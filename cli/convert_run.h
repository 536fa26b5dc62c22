// Carries out one converter request through the engine.
#pragma once

#include "convert_options.h"

#include <QTextStream>

namespace pixcli {

enum ExitCode : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// Converts, appends or lists as the request says. Engine errors are written to `err` the way the
// editor shows them ("Error: " description, then "Source: " source) and give kExitFailed.
int runRequest(const ConvertRequest& request, QTextStream& out, QTextStream& err);

} // namespace pixcli
