// The libraries the engine reads, writes and computes with, and their versions at run time.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace pix {

// (name, version) of each library in use, for the about box.
QList<QPair<QString, QString>> libraryVersions();

} // namespace pix
