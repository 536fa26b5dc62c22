// The recovery copy of a document: every page losslessly (pixels, type, JPEG markers), the file
// the document belongs to, its name and when the copy was taken. No undo history.
#pragma once

#include "engine/pix_page.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace recovery {

struct Snapshot {
    QString filePath;    // "" for an image never saved
    QString displayName; // what the user knows the document as
    QDateTime takenAt;
    int fileType = 0;
    int currentPage = 0;
    QList<pix::PixPage> pages; // shares the document's pixels until they change
};

// Writes the copy atomically (a temporary file renamed over `path` once complete); throws
// pix::PixError with the system's reason on failure, leaving no partial file.
void writeSnapshot(const QString& path, const Snapshot& snapshot);

// Reads a copy back; throws pix::PixError when the file is not a complete, sound copy.
Snapshot readSnapshot(const QString& path);

// Reads only the name, file and time (for the list offered at start).
Snapshot readSummary(const QString& path);

} // namespace recovery
