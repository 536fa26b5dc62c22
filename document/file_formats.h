// The file dialogs' filter lists and the mapping between save-filter positions, extensions and
// engine file-type codes.
#pragma once

#include <QString>

namespace fileformats {

extern const QString kOpenFilter;
extern const QString kSaveFilter;

// Save filter position (1-based) -> engine code, with the extension in *ext; other positions
// give no extension and return `unchanged`.
int FormatFromFilterIndex(int filterIndex, QString* ext = nullptr, int unchanged = 0);
// Engine code of a loaded image -> save filter position; 0 for codes outside 1..10.
int FilterIndexFromFormat(int fileType);

} // namespace fileformats
